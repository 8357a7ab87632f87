// Reading speed of FileReader: writes a text file (100 MB by default), reads
// it line by line and token by token and prints MB/s beside the time `wc -l`
// takes on the same file; once with short lines like those of the base-call
// files, once with the 60-base lines of an assembly file. Also times the
// listing of a directory of 10,000 entries.
//
// Usage: io_bench [megabytes] [directory for the scratch files]

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fileio.h"
#include "programs.h"

static int const runs = 5;

static double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

static double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs `wc -l file` and returns its count (-1 when it fails).
static long WordCountLines(std::string const& file) {
    ChildSetup setup;
    setup.searchPath = true;
    setup.err = Stream::Inherit;
    RunResult wc = RunChild({"wc", "-l", file}, setup);
    if (wc.status != 0) return -1;
    return std::strtol(wc.out.c_str(), nullptr, 10);
}

// Base-call lines ("c 20 1234") or assembly lines: a read header, then
// its bases in lines of 60.
static bool WriteText(std::string const& file, long bytes, bool sequence) {
    FileWriter out(131072);
    if (!out.Open(file.c_str())) return false;
    char const bases[] = "acgt";
    char line[128];
    long written = 0;
    unsigned long state = 12345;
    for (long i = 0; written < bytes; ++i) {
        state = state * 6364136223846793005UL + 1442695040888963407UL;
        int n;
        if (i % 50 == 0) {
            n = std::snprintf(line, sizeof line, "RD read%ld %lu 0 0\n", i, state >> 54);
        } else if (sequence) {
            for (n = 0; n < 60; ++n) line[n] = bases[(state >> (2 * (n % 30))) & 3];
            line[n++] = '\n';
            line[n] = '\0';
        } else {
            n = std::snprintf(line, sizeof line, "%c %lu %ld\n", bases[state >> 62], (state >> 40) % 60,
                              i * 12 % 100000);
        }
        out.Append(line);
        written += n;
    }
    return out.Close();
}

struct Result {
    long count;
    double seconds;
};

template <class Read>
static Result Time(Read read) {
    std::vector<double> times;
    long count = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        count = read();
        times.push_back(Seconds(start));
    }
    return {count, Median(times)};
}

int main(int argc, char** argv) {
    long megabytes = argc > 1 ? std::atol(argv[1]) : 100;
    std::string base = argc > 2 ? argv[2] : "/tmp";
    if (megabytes <= 0) {
        std::fprintf(stderr, "usage: io_bench [megabytes] [directory]\n");
        return 2;
    }
    std::unique_ptr<TempDir> scratchDir;
    try {
        scratchDir.reset(new TempDir(base));
    } catch (std::runtime_error const&) {
        std::fprintf(stderr, "ERROR: can not make a scratch directory in %s\n", base.c_str());
        return 1;
    }
    std::string scratch = scratchDir->Path();
    std::string file = scratch + "/text";
    long bytes = megabytes * 1000000;

    bool agree = true;
    for (bool sequence : {false, true}) {
        if (!WriteText(file, bytes, sequence)) {
            std::fprintf(stderr, "ERROR: can not write %s\n", file.c_str());
            return 1;
        }
        FileReader probe;
        probe.Open(file.c_str());
        double mb = probe.GetFileSize() / 1e6;
        probe.Close();

        WordCountLines(file);  // warms the page cache
        Result wc = Time([&] { return WordCountLines(file); });
        auto lines = [&](long blockSize) {
            return Time([&] {
                FileReader reader(blockSize);
                reader.Open(file.c_str());
                Str line;
                long count = 0;
                while (reader.GetLine(line)) ++count;
                return count;
            });
        };
        Result lines131072 = lines(131072);
        Result lines1024 = lines(1024);
        Result tokens = Time([&] {
            FileReader reader(131072);
            reader.Open(file.c_str());
            Str token;
            long count = 0;
            while (reader.GetToken(token)) ++count;
            return count;
        });
        unlink(file.c_str());

        std::printf("%s: %.1f MB, %ld lines of %.1f bytes on average; median of %d runs each\n",
                    sequence ? "assembly-like text" : "base-call-like text", mb, wc.count, mb * 1e6 / wc.count,
                    runs);
        std::printf("  %-32s %7.3f s %6.0f MB/s\n", "wc -l", wc.seconds, mb / wc.seconds);
        std::printf("  %-32s %7.3f s %6.0f MB/s  %5.2fx wc -l\n", "GetLine, 131072-byte blocks",
                    lines131072.seconds, mb / lines131072.seconds, lines131072.seconds / wc.seconds);
        std::printf("  %-32s %7.3f s %6.0f MB/s  %5.2fx wc -l\n", "GetLine, 1024-byte blocks", lines1024.seconds,
                    mb / lines1024.seconds, lines1024.seconds / wc.seconds);
        std::printf("  %-32s %7.3f s %6.0f MB/s  %5.2fx wc -l  (%ld tokens)\n", "GetToken, 131072-byte blocks",
                    tokens.seconds, mb / tokens.seconds, tokens.seconds / wc.seconds, tokens.count);
        if (lines131072.count != wc.count || lines1024.count != wc.count) {
            std::printf("ERROR: the line counts differ from wc -l\n");
            agree = false;
        }
    }

    // A directory of 10,000 files, listed in sorted order.
    std::string listed = scratch + "/dir";
    mkdir(listed.c_str(), 0755);
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) names.push_back(listed + "/read" + std::to_string(i * 7919 % 10007) + ".phd.1");
    for (std::string const& name : names) close(open(name.c_str(), O_CREAT | O_WRONLY, 0644));
    Result listing = Time([&] {
        Directory directory;
        directory.Open(listed.c_str(), false);
        StrList names;
        directory.GetFileList(names);
        long count = names.Length();
        names.Clear();
        return count;
    });

    std::printf("Directory::Open and GetFileList, 10,000 entries: %.3f s (%ld names)\n", listing.seconds,
                listing.count);
    return agree ? 0 : 1;
}

// Time and peak memory of reading a project (ACE, PHD and POLY files) into
// the detector's model.
//
//   reading_bench                  generates projects of 1,000 and 10,000
//                                  reads in temporary directories and reads
//                                  each in a fresh process
//   reading_bench --generate N DIR writes a project of N reads into DIR
//   reading_bench --read DIR       reads the project in DIR
//
// A project has contigs of 250 reads of about 800 bases, half of them
// complemented, with pads and a few consensus tags.
#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "contig.h"
#include "fileio.h"
#include "files.h"
#include "parameters.h"
#include "phdfile.h"
#include "polyfile.h"

static int const readsPerContig = 250;

// The reading part of the run's Files, pointed at a project directory.
class BenchFiles : public Files {
public:
    BenchFiles(Assembly& model, Parameters& settings, std::string const& dir) {
        assembly = &model;
        parameters = &settings;
        aceFile = (dir + "/edit_dir/bench.ace").c_str();
        phdDirectory = (dir + "/phd_dir/").c_str();
        polyDirectory = (dir + "/poly_dir/").c_str();
        columnTags = " polymorphism ";
        manualTags = " genotypeTag ";
    }
};

static char Complement(char base) {
    switch (base) {
        case 'a': return 't';
        case 'c': return 'g';
        case 'g': return 'c';
        case 't': return 'a';
        default: return base;
    }
}

static void AppendWrapped(FileWriter& out, std::string const& text) {
    for (size_t i = 0; i < text.size(); i += 50) out.AppendLine(text.substr(i, 50).c_str());
}

static bool Close(FileWriter& out, std::string const& path) {
    if (out.Close()) return true;
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
}

// Writes a read's PHD and POLY files in trace order: peaks every 12
// samples, a secondary peak at every 20th base.
static bool WriteReadFiles(std::string const& dir, std::string const& name, std::string const& trace,
                           std::mt19937& random) {
    FileWriter phd(65536);
    std::string phdPath = dir + "/phd_dir/" + name + PhdFile::Suffix;
    phd.Open(phdPath.c_str());
    Str readName(name.c_str());
    PhdFile::WriteBegin(phd, readName);
    PhdFile::WriteComment(phd, "CHROMAT_FILE", readName);
    PhdFile::WriteComment(phd, "TIME", Str("Mon Jan  2 10:10:10 2006"));
    PhdFile::WriteBeginDna(phd);
    for (size_t i = 0; i < trace.size(); ++i)
        PhdFile::WriteBase(phd, trace[i], 10 + static_cast<long>(random() % 50), 12 * static_cast<long>(i + 1));
    PhdFile::WriteEnd(phd);
    if (!Close(phd, phdPath)) return false;

    FileWriter poly(65536);
    std::string polyPath = dir + "/poly_dir/" + name + PolyFile::Suffix;
    poly.Open(polyPath.c_str());
    PolyFile::WriteHeader(poly, readName);
    for (size_t i = 0; i < trace.size(); ++i) {
        long amplitudes[4] = {static_cast<long>(random() % 300), static_cast<long>(random() % 300),
                              static_cast<long>(random() % 300), static_cast<long>(random() % 300)};
        char base = static_cast<char>(trace[i] - 'a' + 'A');
        long position = 12 * static_cast<long>(i + 1);
        if (i % 20 == 7)
            PolyFile::WriteLine(poly, base, position, 5000, 'G', position + 2, 1500, amplitudes);
        else
            PolyFile::WriteLine(poly, base, position, 5000, 'N', 0, 0, amplitudes);
    }
    return Close(poly, polyPath);
}

static bool Generate(long reads, std::string const& dir) {
    for (char const* sub : {"", "/edit_dir", "/phd_dir", "/poly_dir"}) mkdir((dir + sub).c_str(), 0755);
    std::mt19937 random(20060207);
    long contigs = (reads + readsPerContig - 1) / readsPerContig;
    std::string acePath = dir + "/edit_dir/bench.ace";
    FileWriter ace(1 << 20);
    ace.Open(acePath.c_str());
    ace.Append("AS ");
    ace.Append(contigs);
    ace.Append(' ');
    ace.AppendLine(reads);
    ace.AppendLine();
    long made = 0;
    for (long c = 0; c < contigs; ++c) {
        long count = std::min<long>(readsPerContig, reads - made);
        // Consensus with a pad at about every hundredth column.
        long columns = 4000;
        std::string consensus;
        for (long i = 0; i < columns; ++i) consensus += random() % 100 == 0 ? '*' : "acgt"[random() % 4];
        std::string name = "Contig" + std::to_string(c + 1);
        ace.Append(("CO " + name + " ").c_str());
        ace.Append(columns);
        ace.Append(' ');
        ace.Append(count);
        ace.AppendLine(" 1 U");
        AppendWrapped(ace, consensus);
        ace.AppendLine();
        ace.AppendLine("BQ");
        ace.AppendLine(" 30 30 30");
        ace.AppendLine();
        std::vector<std::string> names, texts;
        std::vector<long> starts;
        std::vector<bool> complemented;
        for (long r = 0; r < count; ++r) {
            long length = 750 + static_cast<long>(random() % 101);
            long start = static_cast<long>(random() % (columns - length));
            names.push_back("read" + std::to_string(made + r + 1));
            texts.push_back(consensus.substr(start, length));
            starts.push_back(start + 1);
            complemented.push_back(r % 2 == 1);
            ace.Append(("AF " + names.back() + (complemented.back() ? " C " : " U ")).c_str());
            ace.AppendLine(start + 1);
        }
        ace.AppendLine();
        for (long r = 0; r < count; ++r) {
            std::string const& text = texts[r];
            ace.Append(("RD " + names[r] + " ").c_str());
            ace.Append(static_cast<long>(text.size()));
            ace.AppendLine(" 0 0");
            AppendWrapped(ace, text);
            ace.AppendLine();
            ace.Append("QA 1 ");
            ace.Append(static_cast<long>(text.size()));
            ace.Append(" 1 ");
            ace.AppendLine(static_cast<long>(text.size()));
            ace.AppendLine(("DS CHROMAT_FILE: " + names[r] + " PHD_FILE: " + names[r] + ".phd.1 TIME: Mon Jan  2 "
                            "10:10:10 2006")
                               .c_str());
            ace.AppendLine();
            std::string bases;
            for (char ch : text)
                if (ch != '*') bases += ch;
            std::string trace = bases;
            if (complemented[r]) {
                trace.assign(bases.rbegin(), bases.rend());
                for (char& ch : trace) ch = Complement(ch);
            }
            if (!WriteReadFiles(dir, names[r], trace, random)) return false;
        }
        for (long t = 0; t < 20; ++t) {
            long column = 1 + static_cast<long>(random() % columns);
            ace.AppendLine("CT{");
            ace.Append((name + " polymorphism consed ").c_str());
            ace.Append(column);
            ace.Append(' ');
            ace.Append(column);
            ace.AppendLine(" 060102:101010");
            ace.AppendLine("}");
            ace.AppendLine();
        }
        made += count;
    }
    return Close(ace, acePath);
}

// Reads the project and prints the seconds it took.
static int Read(std::string const& dir) {
    Assembly model;
    Parameters settings;
    settings.SetRefID(".REF");
    BenchFiles files(model, settings, dir);
    int quiet = open("/dev/null", O_WRONLY);  // the progress lines
    int saved = dup(2);
    dup2(quiet, 2);
    auto start = std::chrono::steady_clock::now();
    try {
        files.ReadAceFile();
        files.ReadSequenceFiles();
    } catch (...) {
        dup2(saved, 2);
        std::fprintf(stderr, "reading %s failed\n", dir.c_str());
        return 1;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    dup2(saved, 2);
    long bases = 0;
    for (long c = 0; c < model.Length(); ++c)
        for (long r = 0; r < model.Get(c)->Length(); ++r) bases += model.Get(c)->Get(r)->GetLength();
    std::printf("%.3f %ld\n", seconds, bases);
    return 0;
}

static int RemoveEntry(char const* path, struct stat const*, int, struct FTW*) { return remove(path); }

// Generates a project of `reads` reads and reads it in a fresh process.
static bool Measure(long reads, double& seconds, double& bytesPerBase) {
    char dir[] = "/tmp/reading_bench.XXXXXX";
    if (!mkdtemp(dir)) return false;
    bool ok = Generate(reads, dir);
    int pipeEnds[2];
    if (ok && pipe(pipeEnds) == 0) {
        pid_t child = fork();
        if (child == 0) {
            dup2(pipeEnds[1], 1);
            close(pipeEnds[0]);
            execl("/proc/self/exe", "reading_bench", "--read", dir, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeEnds[1]);
        char text[128] = {0};
        ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
        close(pipeEnds[0]);
        int status = 0;
        struct rusage usage;
        wait4(child, &status, 0, &usage);
        long bases = 0;
        ok = got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::sscanf(text, "%lf %ld", &seconds, &bases) == 2;
        if (ok) bytesPerBase = usage.ru_maxrss * 1024.0 / bases;
        if (ok)
            std::printf("%6ld reads  %8ld bases  %7.3f s  peak %8ld KiB  %5.1f bytes per base\n", reads, bases,
                        seconds, usage.ru_maxrss, bytesPerBase);
    }
    nftw(dir, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    return ok;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--generate") == 0) return Generate(std::atol(argv[2]), argv[3]) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0) return Read(argv[2]);
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--generate READS DIR | --read DIR]\n", argv[0]);
        return 2;
    }
    double smallSeconds = 0, smallBytes = 0, largeSeconds = 0, largeBytes = 0;
    if (!Measure(1000, smallSeconds, smallBytes) || !Measure(10000, largeSeconds, largeBytes)) {
        std::fprintf(stderr, "the benchmark failed\n");
        return 1;
    }
    std::printf("time ratio 10,000 / 1,000 reads: %.2f (goal: at most 11)\n", largeSeconds / smallSeconds);
    std::printf("peak memory: %.1f and %.1f bytes per read base (goal: at most 64)\n", smallBytes, largeBytes);
    return 0;
}

// Converts COUNT copies (default 1000) of the real chromatograms with
// trelvik, plain and gzip-compressed, and times staden's convert_trace
// reading the same files and writing SCF, all in one process per run. Each
// figure is the median of three runs; traces per second are per trace file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Timing {
    double wall = 0;
    double cpu = 0;
    int status = 0;
};

// Runs argv in cwd with its output thrown away, or written to `output`.
Timing Run(std::vector<std::string> const& argv, std::string const& cwd, std::string const& output = "") {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDWR);
        int out = output.empty() ? null : ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (null < 0 || out < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::dup2(null, 0);
        ::dup2(out, 1);
        ::dup2(null, 2);
        ::setenv("HOME", cwd.c_str(), 1);
        ::setenv("PWD", cwd.c_str(), 1);
        std::vector<char*> args;
        for (std::string const& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    Timing timing;
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timing.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    timing.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return timing;
}

Timing Median(std::vector<std::string> const& argv, std::string const& cwd) {
    std::vector<Timing> runs;
    for (int i = 0; i < 3; ++i) runs.push_back(Run(argv, cwd));
    std::sort(runs.begin(), runs.end(), [](Timing const& a, Timing const& b) { return a.wall < b.wall; });
    return runs[1];
}

std::vector<std::string> TraceFiles(std::string const& dir) {
    std::vector<std::string> files;
    DIR* handle = ::opendir(dir.c_str());
    if (!handle) return files;
    while (dirent* entry = ::readdir(handle)) {
        std::string name = entry->d_name;
        std::string path = dir + "/" + name;
        struct stat status;
        if (name[0] == '.' || ::stat(path.c_str(), &status) != 0) continue;
        if (S_ISDIR(status.st_mode)) {
            for (std::string const& f : TraceFiles(path)) files.push_back(f);
        } else if (name != "fake.ab1") {  // not a chromatogram
            files.push_back(path);
        }
    }
    ::closedir(handle);
    std::sort(files.begin(), files.end());
    return files;
}

void Copy(std::string const& from, std::string const& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
}

long SizeOf(std::string const& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : 0;
}

void Report(char const* what, Timing const& t, long count) {
    std::printf("%-22s %7.3f s wall %7.3f s cpu %8.0f traces/s %7.3f ms per trace%s\n", what, t.wall, t.cpu,
                count / t.wall, 1000 * t.wall / count, t.status == 0 ? "" : "  (failed)");
}

}  // namespace

int main(int argc, char** argv) {
    long count = argc > 1 ? std::atol(argv[1]) : 1000;
    std::string source = argc > 2 ? argv[2] : QUORVALIX_SHARED_DATA "/traces";
    std::vector<std::string> traces = TraceFiles(source);
    if (traces.empty() || count <= 0) {
        std::fprintf(stderr, "no traces in %s\n", source.c_str());
        return 1;
    }
    char pattern[] = "/tmp/trelvik-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    std::string root = pattern;
    std::string plain = root + "/plain";
    std::string packed = root + "/gzip";
    long plainBytes = 0;
    long packedBytes = 0;
    std::ostringstream plainList;
    std::ostringstream packedList;
    for (std::string const& project : {plain, packed}) {
        for (char const* sub : {"", "/chromat_dir", "/phd_dir", "/poly_dir", "/scf"}) ::mkdir((project + sub).c_str(), 0755);
    }
    for (long i = 0; i < count; ++i) {
        std::string const& trace = traces[static_cast<std::size_t>(i) % traces.size()];
        std::string number = std::to_string(i);
        std::string name = "t" + std::string(number.size() < 4 ? 4 - number.size() : 0, '0') + number + "_" +
                           trace.substr(trace.rfind('/') + 1);
        std::string copy = plain + "/chromat_dir/" + name;
        Copy(trace, copy);
        plainBytes += SizeOf(copy);
        Run({"gzip", "-c", "-n", copy}, root, packed + "/chromat_dir/" + name + ".gz");
        packedBytes += SizeOf(packed + "/chromat_dir/" + name + ".gz");
        plainList << "chromat_dir/" << name << " scf/" << name << ".scf\n";
        packedList << "chromat_dir/" << name << ".gz scf/" << name << ".scf\n";
    }
    std::ofstream(plain + "/fofn") << plainList.str();
    std::ofstream(packed + "/fofn") << packedList.str();

    std::printf("%ld copies of %zu real traces: %.1f MB plain, %.1f MB gzipped\n", count, traces.size(),
                plainBytes / 1e6, packedBytes / 1e6);
    Timing trelvikPlain = Median({TRELVIK_PATH, "-overwrite"}, plain);
    Timing trelvikPacked = Median({TRELVIK_PATH, "-overwrite"}, packed);
    Report("trelvik plain", trelvikPlain, count);
    Report("trelvik gzip", trelvikPacked, count);
    Timing stadenPlain = Median({"convert_trace", "-out_format", "scf", "-fofn", "fofn"}, plain);
    Timing stadenPacked = Median({"convert_trace", "-out_format", "scf", "-fofn", "fofn"}, packed);
    Report("convert_trace plain", stadenPlain, count);
    Report("convert_trace gzip", stadenPacked, count);
    if (stadenPlain.status == 0 && stadenPacked.status == 0)
        std::printf("trelvik / convert_trace time per trace: plain %.2f, gzip %.2f\n",
                    trelvikPlain.wall / stadenPlain.wall, trelvikPacked.wall / stadenPacked.wall);

    ::nftw(
        root.c_str(), [](char const* path, struct stat const*, int, struct FTW*) { return ::remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
    return 0;
}

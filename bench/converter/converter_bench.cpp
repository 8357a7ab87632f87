// Converts COUNT copies (default 1000) of the real chromatograms with
// trelvik, plain and gzip-compressed, and times staden's convert_trace
// reading the same files and writing SCF, all in one process per run. Each
// figure is the median of three runs; traces per second are per trace file.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "programs.h"

namespace {

// Runs argv (looked up on PATH) in cwd, HOME and PWD set to it, with its
// output thrown away, or written to `output`.
RunResult Run(std::vector<std::string> const& argv, std::string const& cwd, std::string const& output = "") {
    ChildSetup setup;
    setup.searchPath = true;
    setup.cwd = cwd;
    setup.env = {"HOME=" + cwd, "PWD=" + cwd};
    setup.out = output.empty() ? Stream::Null : Stream::File;
    setup.outFile = output;
    setup.err = Stream::Null;
    return RunChild(argv, setup);
}

RunResult Median(std::vector<std::string> const& argv, std::string const& cwd) {
    std::vector<RunResult> runs;
    for (int i = 0; i < 3; ++i) runs.push_back(Run(argv, cwd));
    std::sort(runs.begin(), runs.end(), [](RunResult const& a, RunResult const& b) { return a.wall < b.wall; });
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

long SizeOf(std::string const& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : 0;
}

void Report(char const* what, RunResult const& t, long count) {
    std::printf("%-22s %7.3f s wall %7.3f s cpu %8.0f traces/s %7.3f ms per trace%s\n", what, t.wall,
                t.user + t.system, count / t.wall, 1000 * t.wall / count, t.status == 0 ? "" : "  (failed)");
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
    TempDir scratch;
    std::string root = scratch.Path();
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
        WriteFile(copy, ReadFile(trace));
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
    RunResult trelvikPlain = Median({TRELVIK_PATH, "-overwrite"}, plain);
    RunResult trelvikPacked = Median({TRELVIK_PATH, "-overwrite"}, packed);
    Report("trelvik plain", trelvikPlain, count);
    Report("trelvik gzip", trelvikPacked, count);
    RunResult stadenPlain = Median({"convert_trace", "-out_format", "scf", "-fofn", "fofn"}, plain);
    RunResult stadenPacked = Median({"convert_trace", "-out_format", "scf", "-fofn", "fofn"}, packed);
    Report("convert_trace plain", stadenPlain, count);
    Report("convert_trace gzip", stadenPacked, count);
    if (stadenPlain.status == 0 && stadenPacked.status == 0)
        std::printf("trelvik / convert_trace time per trace: plain %.2f, gzip %.2f\n",
                    trelvikPlain.wall / stadenPlain.wall, trelvikPacked.wall / stadenPacked.wall);
    return 0;
}

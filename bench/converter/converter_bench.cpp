// Converts COUNT copies (default 1000) of the real chromatograms with
// trelvik, plain and gzip-compressed, and times staden's convert_trace
// reading the same files and writing SCF, all in one process per run:
//   converter_bench [--rounds N] [--before TRELVIK] [COUNT [TRACE_FOLDER]]
// The runs take turns, one of each per round (N rounds, default 5), so that
// the load of a shared machine falls on all of them alike; each figure is
// the median of its runs, each ratio the median of the rounds' ratios.
// With --before, another trelvik (an earlier build) takes its turns too.
// Traces per second are per trace file.
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

// The runs of one command, one per round.
struct Runs {
    char const* what;
    std::vector<std::string> argv;
    std::string cwd;
    std::vector<RunResult> timings;
};

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

RunResult Median(Runs const& runs) {
    std::vector<double> wall;
    std::vector<double> user;
    std::vector<double> system;
    RunResult median;
    median.status = 0;
    for (RunResult const& t : runs.timings) {
        wall.push_back(t.wall);
        user.push_back(t.user);
        system.push_back(t.system);
        if (t.status != 0) median.status = t.status;
    }
    median.wall = MedianOf(wall);
    median.user = MedianOf(user);
    median.system = MedianOf(system);
    return median;
}

// The median over the rounds of a's wall time over b's.
double Ratio(Runs const& a, Runs const& b) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.timings.size(); ++i) ratios.push_back(a.timings[i].wall / b.timings[i].wall);
    return MedianOf(ratios);
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
    int rounds = 5;
    std::string before;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (arg == "--before" && i + 1 < argc)
            before = argv[++i];
        else
            positional.push_back(arg);
    }
    long count = positional.size() > 0 ? std::atol(positional[0].c_str()) : 1000;
    std::string source = positional.size() > 1 ? positional[1] : QUORVALIX_SHARED_DATA "/traces";
    std::vector<std::string> traces = TraceFiles(source);
    if (traces.empty() || count <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: converter_bench [--rounds N] [--before TRELVIK] [COUNT [TRACE_FOLDER]]"
                             " (no traces in %s?)\n", source.c_str());
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
    std::vector<std::string> staden = {"convert_trace", "-out_format", "scf", "-fofn", "fofn"};
    std::vector<Runs> runs = {
        {"trelvik plain", {TRELVIK_PATH, "-overwrite"}, plain, {}},
        {"trelvik gzip", {TRELVIK_PATH, "-overwrite"}, packed, {}},
        {"convert_trace plain", staden, plain, {}},
        {"convert_trace gzip", staden, packed, {}},
    };
    if (!before.empty()) {
        runs.push_back({"before: trelvik plain", {before, "-overwrite"}, plain, {}});
        runs.push_back({"before: trelvik gzip", {before, "-overwrite"}, packed, {}});
    }
    for (int round = 0; round < rounds; ++round)
        for (Runs& r : runs) r.timings.push_back(Run(r.argv, r.cwd));
    std::printf("%d rounds, medians:\n", rounds);
    for (Runs const& r : runs) Report(r.what, Median(r), count);
    std::printf("trelvik gzip / trelvik plain: %.2f (goal: at most 2)\n", Ratio(runs[1], runs[0]));
    std::printf("trelvik / convert_trace: plain %.2f, gzip %.2f (goal: at most 0.3)\n", Ratio(runs[0], runs[2]),
                Ratio(runs[1], runs[3]));
    if (!before.empty()) {
        std::printf("before: trelvik gzip / trelvik plain: %.2f\n", Ratio(runs[5], runs[4]));
        std::printf("before: trelvik / convert_trace: plain %.2f, gzip %.2f\n", Ratio(runs[4], runs[2]),
                    Ratio(runs[5], runs[3]));
        std::printf("trelvik / before: plain %.2f, gzip %.2f\n", Ratio(runs[0], runs[4]), Ratio(runs[1], runs[5]));
    }

    ::nftw(
        root.c_str(), [](char const* path, struct stat const*, int, struct FTW*) { return ::remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
    return 0;
}

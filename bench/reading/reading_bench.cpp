// Time and peak memory of reading a project (ACE, PHD and POLY files) into
// the detector's model.
//
//   reading_bench                  generates projects of 1,000 and 10,000
//                                  reads in temporary directories and reads
//                                  each in a fresh process
//   reading_bench --generate N DIR writes a project of N reads into DIR
//   reading_bench --read DIR       reads the project in DIR
//
// The projects come from the synthetic project generator
// (testkit/synthetic_project.h): contigs of 250 reads of about 800
// bases, half of them complemented, with pads and a few consensus tags.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "contig.h"
#include "parameters.h"
#include "programs.h"
#include "synthetic_project.h"

static int const readsPerContig = 250;

// A project of about `reads` reads: amplicons of 800 bases in 125 samples,
// a forward and a complemented read each, 20 consensus tags per contig.
static bool Generate(long reads, std::string const& dir) {
    ProjectLayout layout;
    layout.samples = readsPerContig / 2;
    layout.amplicons = (reads + readsPerContig - 1) / readsPerContig;
    layout.length = 800;
    layout.tags = 20;
    return SyntheticProject(layout).Write(dir);
}

// Reads the project and prints the seconds it took.
static int Read(std::string const& dir) {
    Assembly model;
    Parameters settings;
    settings.SetRefID(".REF");
    int quiet = open("/dev/null", O_WRONLY);  // the progress lines
    int saved = dup(2);
    dup2(quiet, 2);
    auto start = std::chrono::steady_clock::now();
    bool read = ReadProject(dir, model, settings);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    dup2(saved, 2);
    if (!read) {
        std::fprintf(stderr, "reading %s failed\n", dir.c_str());
        return 1;
    }
    long bases = 0;
    for (long c = 0; c < model.Length(); ++c)
        for (long r = 0; r < model.Get(c)->Length(); ++r) bases += model.Get(c)->Get(r)->GetLength();
    std::printf("%.3f %ld\n", seconds, bases);
    return 0;
}

// Generates a project of `reads` reads and reads it in a fresh process.
static bool Measure(long reads, double& seconds, double& bytesPerBase) {
    TempDir dir;
    if (!Generate(reads, dir.Path())) return false;
    RunResult run = RunSelf({"reading_bench", "--read", dir.Path()});
    long peak = run.peakKiB, bases = 0;
    bool ok = run.status == 0 && std::sscanf(run.out.c_str(), "%lf %ld", &seconds, &bases) == 2;
    if (ok) {
        bytesPerBase = peak * 1024.0 / bases;
        std::printf("%6ld reads  %8ld bases  %7.3f s  peak %8ld KiB  %5.1f bytes per base\n", reads, bases, seconds,
                    peak, bytesPerBase);
    }
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

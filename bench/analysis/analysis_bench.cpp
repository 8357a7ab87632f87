// Time of the detection alone (Assembly::Process) on synthetic projects, and
// the peak memory of a run per read base.
//
//   analysis_bench              generates four projects in temporary
//                               directories and runs each three times in a
//                               fresh process: 96 samples x 20 amplicons
//                               (1,920 forward reads of 700 bases), ten times the
//                               amplicons and ten times the samples (19,200
//                               reads each), and one deep amplicon (2,000
//                               reads of 1,500 bases from 200 samples)
//   analysis_bench --run DIR [FLAGS]
//                               reads the project in DIR, times
//                               Assembly::Process with the detector flags
//                               (default "-source 1 5 -ms -indel"), prints the
//                               processor seconds, the read bases and the
//                               number of sites found
//   analysis_bench --sites DIR [FLAGS]
//                               the same, with every site
//
// Projects come from make_project (synthetic_project.h). The settings are
// the detector's defaults: quality 25, window 20, score limit 70.
#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "contig.h"
#include "parameters.h"
#include "programs.h"
#include "synthetic_project.h"

static char const defaultFlags[] = "-source 1 5 -ms -indel";

static void PrintSites(Assembly& assembly, bool details) {
    long snps = 0, indels = 0, repeats = 0;
    assembly.Begin();
    while (Contig* contig = assembly.GetNext()) {
        if (details) std::printf("%s:", contig->GetName().String());
        contig->StartSnpSites();
        while (SnpSite* site = contig->GetSnpSite()) {
            char a = 0, b = 0;
            site->GetGenotype(a, b);
            if (details) std::printf(" snp %ld %c/%c %d;", site->GetPosition(), a, b, site->GetScore());
            ++snps;
        }
        contig->StartIndelSites();
        while (MarkedSite* site = contig->GetIndelSite()) {
            if (details) std::printf(" indel %ld;", site->GetPosition());
            ++indels;
        }
        contig->StartRepeatSites();
        while (RepeatSite* site = contig->GetRepeatSite()) {
            long start = 0, end = 0, unit = 0;
            site->GetRepeat(start, end, unit);
            if (details) std::printf(" repeat %ld-%ld unit %ld;", start, end, unit);
            ++repeats;
        }
        if (details) std::printf("\n");
    }
    std::printf("sites: %ld SNPs, %ld indels, %ld repeats\n", snps, indels, repeats);
}

// Reads the project and prints the seconds of Assembly::Process and the
// read bases; with `details` every site as well.
static int Run(std::string const& dir, std::string const& flags, bool details) {
    Assembly assembly;
    Parameters parameters;
    parameters.SetQualityLimit(25);
    parameters.SetWindow(20);
    parameters.SetScoreLimit(70.0f);
    parameters.SetRefID(".REF");
    int quiet = open("/dev/null", O_WRONLY);  // the progress lines
    int saved = dup(2);
    dup2(quiet, 2);
    bool read = ReadProject(dir, assembly, parameters);
    double seconds = 0;
    if (read) {
        parameters.ParseFlags("COMMAND LINE ", (" " + flags + " ").c_str());
        // Processor time: steadier than wall time on a shared machine.
        timespec start, end;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        assembly.Process(parameters);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        seconds = static_cast<double>(end.tv_sec - start.tv_sec) + 1e-9 * static_cast<double>(end.tv_nsec - start.tv_nsec);
    }
    dup2(saved, 2);
    if (!read) {
        std::fprintf(stderr, "reading %s failed\n", dir.c_str());
        return 1;
    }
    long bases = 0;
    assembly.Begin();
    while (Contig* contig = assembly.GetNext()) {
        contig->Begin();
        while (Sequence* read = contig->GetNext()) bases += read->GetLength();
    }
    std::printf("%.3f %ld\n", seconds, bases);
    PrintSites(assembly, details);
    return 0;
}

// Runs the project in a fresh process: the processor seconds of
// Assembly::Process, the read bases, the peak resident memory (KiB) and the
// sites line.
static bool RunProject(std::string const& dir, double& seconds, long& bases, long& peak, std::string& sites) {
    RunResult run = RunSelf({"analysis_bench", "--run", dir});
    if (run.status != 0) return false;
    peak = run.peakKiB;
    size_t line = run.out.find('\n');
    sites = line == std::string::npos ? "\n" : run.out.substr(line + 1);
    return std::sscanf(run.out.c_str(), "%lf %ld", &seconds, &bases) == 2;
}

// Generates the project and runs it three times: the shortest time (the
// machine may be shared) and the largest peak.
static bool Measure(char const* what, ProjectLayout const& layout, double& seconds, double& bytesPerBase) {
    TempDir dir;
    SyntheticProject project(layout);
    bool ok = project.Write(dir.Path());
    long bases = 0, peak = 0;
    std::string sites;
    for (int run = 0; ok && run < 3; ++run) {
        double runSeconds = 0;
        long runPeak = 0;
        ok = RunProject(dir.Path(), runSeconds, bases, runPeak, sites);
        if (run == 0 || runSeconds < seconds) seconds = runSeconds;
        if (runPeak > peak) peak = runPeak;
    }
    if (ok) {
        bytesPerBase = peak * 1024.0 / bases;
        std::printf("%-20s %6ld reads %9ld bases  Process %7.3f s  peak %8ld KiB  %5.1f bytes per base  %s", what,
                    project.ReadCount(), bases, seconds, peak, bytesPerBase, sites.c_str());
    }
    return ok;
}

int main(int argc, char** argv) {
    bool run = argc >= 3 && std::strcmp(argv[1], "--run") == 0;
    bool sites = argc >= 3 && std::strcmp(argv[1], "--sites") == 0;
    if ((run || sites) && argc <= 4) return Run(argv[2], argc == 4 ? argv[3] : defaultFlags, sites);
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--run DIR [FLAGS] | --sites DIR [FLAGS]]\n", argv[0]);
        return 2;
    }
    ProjectLayout small;
    small.samples = 96;
    small.amplicons = 20;
    small.length = 700;
    small.readsPerSample = 1;
    ProjectLayout moreAmplicons = small;
    moreAmplicons.amplicons = 200;
    ProjectLayout moreSamples = small;
    moreSamples.samples = 960;
    ProjectLayout deep;
    deep.samples = 200;
    deep.amplicons = 1;
    deep.length = 1500;
    deep.readsPerSample = 10;
    double seconds[4] = {0, 0, 0, 0}, bytes[4] = {0, 0, 0, 0};
    if (!Measure("96 x 20 amplicons", small, seconds[0], bytes[0]) ||
        !Measure("96 x 200 amplicons", moreAmplicons, seconds[1], bytes[1]) ||
        !Measure("960 x 20 amplicons", moreSamples, seconds[2], bytes[2]) ||
        !Measure("deep amplicon", deep, seconds[3], bytes[3])) {
        std::fprintf(stderr, "the benchmark failed\n");
        return 1;
    }
    std::printf("time ratio 19,200 / 1,920 reads: %.2f with ten times the amplicons, %.2f with ten times the samples"
                " (goal: at most 11)\n",
                seconds[1] / seconds[0], seconds[2] / seconds[0]);
    std::printf("peak memory: %.1f, %.1f, %.1f and %.1f bytes per read base (goal: at most 64)\n", bytes[0], bytes[1],
                bytes[2], bytes[3]);
    return 0;
}

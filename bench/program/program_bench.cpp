// Whole runs of the quorvalix program on a project, side by side with cat
// reading every file of the project, in turn (cat, quorvalix, cat,
// quorvalix, ...), so that both see the same state of the machine and of
// its page cache. Each quorvalix run is paired with the cat run just before
// it; the figures are the medians over the runs, the ratio is the median of
// the pairs' ratios. Peak memory is the largest resident size of the runs,
// also given per read base (the unpadded bases of the ACE file's reads).
//
// Usage: program_bench DIR [runs] [--program QUORVALIX]... [-- FLAGS ...]
//
// DIR is a project (edit_dir/, phd_dir/, poly_dir/), for example the one
// of 96 samples x 20 amplicons, one read each:
//   build/bench/analysis/make_project DIR --samples 96 --amplicons 20 --reads 1
// The runs rewrite its ACE and PHD files in place; every run replaces the
// tags of the one before, so each does the same work.
//
// Without "--" two flag sets are measured: the default flags (none) and
// those of the synthetic projects, -source 1 5 -indel -output. After "--"
// the flags given (none: the default flags) are the only set.
//
// --program names a quorvalix to run instead of the one of this build; given
// more than once, the programs take turns within each round, so that two
// builds (before and after a change) are compared on the same machine state.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "programs.h"

// Runs the command (looked up on PATH) in `dir` with both output streams
// on /dev/null; true when it exits with status 0.
static bool Run(std::vector<std::string> const& argv, std::string const& dir, RunResult& times) {
    ChildSetup setup;
    setup.searchPath = true;
    setup.cwd = dir;
    setup.out = Stream::Null;
    setup.err = Stream::Null;
    times = RunChild(argv, setup);
    return times.status == 0;
}

// The names in a folder of the project, as paths from the project.
static std::vector<std::string> Files(std::string const& dir, std::string const& sub) {
    std::vector<std::string> names;
    for (std::string const& name : ListDir(dir + "/" + sub))
        if (name[0] != '.') names.push_back(sub + "/" + name);
    return names;
}

// The unpadded bases of the reads of every ACE file of the project: the
// sequence lines after each "RD " line, pads not counted.
static long ReadBases(std::string const& dir) {
    long bases = 0;
    for (std::string const& name : Files(dir, "edit_dir")) {
        if (name.find(".ace") == std::string::npos) continue;
        std::ifstream ace(dir + "/" + name);
        std::string line;
        bool inRead = false;
        while (std::getline(ace, line)) {
            if (line.compare(0, 3, "RD ") == 0) {
                inRead = true;
            } else if (line.empty()) {
                inRead = false;
            } else if (inRead) {
                bases += static_cast<long>(line.size() - std::count(line.begin(), line.end(), '*'));
            }
        }
    }
    return bases;
}

static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The runs of one program with one flag set, each with the cat run before it.
struct Series {
    std::vector<std::string> command;
    std::vector<double> wall, user, system, catWall, ratio;
    long peakKiB = 0;
};

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [runs] [--program QUORVALIX]... [-- FLAGS ...]\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    int runs = 5;
    std::vector<std::string> programs;
    std::vector<std::vector<std::string>> flagSets = {{}, {"-source", "1", "5", "-indel", "-output"}};
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            // The runs start in DIR: a relative name is taken from here.
            char* full = realpath(argv[++i], nullptr);
            programs.push_back(full ? full : argv[i]);
            std::free(full);
        } else if (std::strcmp(argv[i], "--") == 0) {
            flagSets = {std::vector<std::string>(argv + i + 1, argv + argc)};
            break;
        } else if (std::atoi(argv[i]) > 0) {
            runs = std::atoi(argv[i]);
        } else {
            std::fprintf(stderr, "%s: unknown argument %s\n", argv[0], argv[i]);
            return 2;
        }
    }
    if (programs.empty()) programs.push_back(QUORVALIX_PROGRAM);

    // The files a run reads: the ACE file, every PHD and POLY file.
    std::vector<std::string> cat = {"cat"};
    for (char const* sub : {"edit_dir", "phd_dir", "poly_dir"})
        for (std::string const& name : Files(dir, sub))
            if (name.find("quorvalix.") == std::string::npos) cat.push_back(name);
    long bases = ReadBases(dir);

    std::printf("%zu files, %ld read bases, %d runs of each program and flag set, medians:\n", cat.size() - 1,
                bases, runs);
    for (std::vector<std::string> const& flags : flagSets) {
        std::vector<Series> series(programs.size());
        for (std::size_t p = 0; p < programs.size(); ++p) {
            series[p].command = {programs[p], "-dir", dir};
            series[p].command.insert(series[p].command.end(), flags.begin(), flags.end());
            RunResult t;
            if (!Run(series[p].command, dir, t)) {  // first run: the project gets its tags
                std::fprintf(stderr, "%s failed on %s\n", programs[p].c_str(), dir.c_str());
                return 1;
            }
        }
        for (int i = 0; i < runs; ++i) {
            for (Series& s : series) {
                RunResult c, q;
                if (!Run(cat, dir, c) || !Run(s.command, dir, q)) return 1;
                s.wall.push_back(q.wall), s.user.push_back(q.user), s.system.push_back(q.system);
                s.catWall.push_back(c.wall);
                s.ratio.push_back(q.wall / c.wall);
                s.peakKiB = std::max(s.peakKiB, q.peakKiB);
            }
        }
        std::string shown;
        for (std::string const& f : flags) shown += " " + f;
        std::printf("flags:%s\n", shown.empty() ? " (default)" : shown.c_str());
        for (Series& s : series) {
            std::printf("  %s\n", s.command[0].c_str());
            std::printf("    wall %.3f s  user %.3f s  system %.3f s  (cat wall %.3f s)\n", Median(s.wall),
                        Median(s.user), Median(s.system), Median(s.catWall));
            std::printf("    wall ratio quorvalix / cat: %.2f (median of the pairs)\n", Median(s.ratio));
            std::printf("    peak memory %.1f MiB, %.1f bytes per read base\n", s.peakKiB / 1024.0,
                        bases > 0 ? s.peakKiB * 1024.0 / static_cast<double>(bases) : 0.0);
        }
    }
    return 0;
}

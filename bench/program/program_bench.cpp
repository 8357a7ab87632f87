// Whole runs of the quorvalix program on a project, side by side with cat
// reading every file of the project, in turn (quorvalix, cat, quorvalix,
// ...), so that both see the same state of the machine and of its page
// cache. Prints the median wall, user and system seconds of each and the
// ratio of the medians.
//
// Usage: program_bench DIR [runs] [quorvalix flags ...]
//
// DIR is a project (edit_dir/, phd_dir/, poly_dir/). The runs rewrite its
// ACE and PHD files in place; every run replaces the tags of the one
// before, so each does the same work. The default flags are those of the
// synthetic projects: -source 1 5 -indel -output.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [runs] [quorvalix flags ...]\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (runs < 1) runs = 5;
    std::vector<std::string> detector = {QUORVALIX_PROGRAM, "-dir", dir};
    if (argc > 3)
        detector.insert(detector.end(), argv + 3, argv + argc);
    else
        detector.insert(detector.end(), {"-source", "1", "5", "-indel", "-output"});
    // The files a run reads: the ACE file, every PHD and POLY file.
    std::vector<std::string> cat = {"cat"};
    for (char const* sub : {"edit_dir", "phd_dir", "poly_dir"})
        for (std::string const& name : Files(dir, sub))
            if (name.find("quorvalix.") == std::string::npos) cat.push_back(name);

    RunResult t;
    if (!Run(detector, dir, t)) {  // first run: the project gets its tags
        std::fprintf(stderr, "quorvalix failed on %s\n", dir.c_str());
        return 1;
    }
    std::vector<double> q[3], c[3], ratio;
    for (int i = 0; i < runs; ++i) {
        RunResult a, b;
        if (!Run(detector, dir, a) || !Run(cat, dir, b)) return 1;
        q[0].push_back(a.wall), q[1].push_back(a.user), q[2].push_back(a.system);
        c[0].push_back(b.wall), c[1].push_back(b.user), c[2].push_back(b.system);
        ratio.push_back(a.wall / b.wall);
    }
    std::printf("%zu files, %d runs each, medians:\n", cat.size() - 1, runs);
    std::printf("  quorvalix  wall %.3f s  user %.3f s  system %.3f s\n", Median(q[0]), Median(q[1]), Median(q[2]));
    std::printf("  cat        wall %.3f s  user %.3f s  system %.3f s\n", Median(c[0]), Median(c[1]), Median(c[2]));
    std::printf("  wall ratio quorvalix / cat: %.2f (median of the pairs)\n", Median(ratio));
    return 0;
}

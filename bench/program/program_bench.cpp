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

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct Times {
    double wall, user, system;
};

// Runs the command in `dir` with both output streams on /dev/null.
static bool Run(std::vector<std::string> const& argv, std::string const& dir, Times& times) {
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null < 0 || chdir(dir.c_str()) != 0) _exit(126);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (std::string const& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return false;
    times.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    times.user = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
    times.system = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

static std::vector<std::string> Files(std::string const& dir, std::string const& sub) {
    std::vector<std::string> names;
    if (DIR* handle = opendir((dir + "/" + sub).c_str())) {
        while (dirent* entry = readdir(handle))
            if (entry->d_name[0] != '.') names.push_back(sub + "/" + entry->d_name);
        closedir(handle);
    }
    std::sort(names.begin(), names.end());
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

    Times t;
    if (!Run(detector, dir, t)) {  // first run: the project gets its tags
        std::fprintf(stderr, "quorvalix failed on %s\n", dir.c_str());
        return 1;
    }
    std::vector<double> q[3], c[3], ratio;
    for (int i = 0; i < runs; ++i) {
        Times a, b;
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

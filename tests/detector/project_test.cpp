#include "project_test.h"

#include <dirent.h>

#include <algorithm>
#include <sstream>
#include <vector>

std::string TestProject::List(std::string const& dir) const {
    std::vector<std::string> names;
    if (DIR* handle = opendir(Path(dir).c_str())) {
        while (dirent* entry = readdir(handle)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(handle);
    }
    std::sort(names.begin(), names.end());
    std::string list;
    for (std::string const& name : names) list += name + " ";
    return list;
}

std::string PhdText(std::string const& name, std::string const& bases, std::string const& tags) {
    std::string text = "BEGIN_SEQUENCE " + name + "\n\nBEGIN_COMMENT\n\nCHROMAT_FILE: " + name +
                       "\nTIME: Mon Jan  2 10:10:10 2006\nEND_COMMENT\n\nBEGIN_DNA\n";
    for (size_t i = 0; i < bases.size(); ++i)
        text += std::string(1, bases[i]) + " " + std::to_string(20 + (i + 1) % 30) + " " +
                std::to_string(10 * (i + 1)) + "\n";
    return text + "END_DNA\n" + tags + "END_SEQUENCE\n";
}

std::string PolyText(std::string const& name, std::string const& bases) {
    std::string text = name + " 1 1 1 1 1\n";
    for (size_t i = 0; i < bases.size(); ++i)
        text += std::string(1, bases[i]) + " " + std::to_string(10 * (i + 1)) + " 500 0 N 0 0 0 40 30 20 10\n";
    return text;
}

std::string WithoutProgress(std::string const& messages) {
    std::string kept;
    std::istringstream lines(messages);
    std::string line;
    while (std::getline(lines, line))
        if (line.find("% done\033[A") == std::string::npos) kept += line + "\n";
    return kept;
}

RunResult RunQuorvalix(std::vector<std::string> const& args, std::string const& cwd,
                       std::vector<std::string> const& env, std::string const& out, double timeout) {
    std::vector<std::string> environment = {"TZ=UTC", std::string("LD_PRELOAD=") + QUORVALIX_FAULTS,
                                            "ASAN_OPTIONS=verify_asan_link_order=0"};
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<std::string> argv = {QUORVALIX_PROGRAM};
    if (!out.empty()) argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" > " + out, QUORVALIX_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, cwd, environment, timeout);
}

#include "programs.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

RunResult RunProgram(std::vector<std::string> const& argv, std::string const& cwd,
                     std::vector<std::string> const& env, double timeout) {
    ChildSetup setup;
    setup.cwd = cwd;
    setup.timeout = timeout;
    setup.inheritEnvironment = false;
    setup.env = {"HOME=" + cwd, "PWD=" + cwd};
    if (char const* path = std::getenv("PATH")) setup.env.push_back(std::string("PATH=") + path);
    setup.env.insert(setup.env.end(), env.begin(), env.end());
    return RunChild(argv, setup);
}

std::string FindProgram(std::string const& name) {
    char const* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = dir + "/" + name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

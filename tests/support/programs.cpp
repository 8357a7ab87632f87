#include "programs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

void WriteFile(std::string const& path, std::string const& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(std::string const& path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

void MakeDir(std::string const& path) {
    if (::mkdir(path.c_str(), 0755) != 0) throw std::runtime_error("cannot make " + path);
}

std::vector<std::string> ListDir(std::string const& path) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

RunResult RunProgram(std::vector<std::string> const& argv, std::string const& cwd,
                     std::vector<std::string> const& env) {
    TempDir capture;
    std::string outPath = capture / "out";
    std::string errPath = capture / "err";
    std::vector<std::string> environment = {"HOME=" + cwd, "PWD=" + cwd};
    if (char const* path = std::getenv("PATH")) environment.push_back(std::string("PATH=") + path);
    for (std::string const& entry : env) {  // later entries replace earlier ones of the same name
        std::string name = entry.substr(0, entry.find('=') + 1);
        environment.erase(std::remove_if(environment.begin(), environment.end(),
                                         [&](std::string const& e) { return e.compare(0, name.size(), name) == 0; }),
                          environment.end());
        environment.push_back(entry);
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> args;
        for (std::string const& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string const& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    RunResult result;
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
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

void Append16(std::string& bytes, uint32_t value) {
    bytes += static_cast<char>(value >> 8 & 0xff);
    bytes += static_cast<char>(value & 0xff);
}

void Append32(std::string& bytes, uint32_t value) {
    Append16(bytes, value >> 16);
    Append16(bytes, value & 0xffff);
}

void Put16(std::string& bytes, std::size_t pos, uint32_t value) {
    bytes[pos] = static_cast<char>(value >> 8 & 0xff);
    bytes[pos + 1] = static_cast<char>(value & 0xff);
}

void Put32(std::string& bytes, std::size_t pos, uint32_t value) {
    Put16(bytes, pos, value >> 16);
    Put16(bytes, pos + 2, value & 0xffff);
}

uint32_t Get16(std::string const& bytes, std::size_t pos) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[pos])) << 8 |
           static_cast<unsigned char>(bytes[pos + 1]);
}

uint32_t Get32(std::string const& bytes, std::size_t pos) { return Get16(bytes, pos) << 16 | Get16(bytes, pos + 2); }

std::string MaskTime(std::string const& phd) {
    std::size_t at = phd.find("\nTIME: ");
    if (at == std::string::npos) return phd;
    std::size_t end = phd.find('\n', at + 1);
    return phd.substr(0, at) + "\nTIME: *" + phd.substr(end);
}

std::string TimeOf(std::string const& phd) {
    std::size_t at = phd.find("\nTIME: ");
    if (at == std::string::npos) return "";
    at += 7;
    return phd.substr(at, phd.find('\n', at) - at);
}

bool IsDateText(std::string const& text) {
    char const* layout = "Aaa Aaa _9 99:99:99 9999";
    if (text.size() != std::string(layout).size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool fits = layout[i] == 'A'   ? std::isupper(c)
                    : layout[i] == 'a' ? std::islower(c)
                    : layout[i] == '9' ? std::isdigit(c)
                    : layout[i] == '_' ? c == ' ' || std::isdigit(c)
                                       : c == static_cast<unsigned char>(layout[i]);
        if (!fits) return false;
    }
    return true;
}

#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <vector>

#include <sanitizer/common_interface_defs.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filetree.h"

namespace {

std::string folder;

void RemoveFolder() {
    if (!folder.empty()) RemoveTree(folder);
}

bool IsWritableFolder(char const* path) {
    struct stat status;
    return path && *path && ::stat(path, &status) == 0 && S_ISDIR(status.st_mode) && ::access(path, W_OK) == 0;
}

std::stringstream console;

// libFuzzer's arguments with relative paths made absolute, and findings
// written to the start directory unless asked otherwise.
void AbsoluteArguments(int* argc, char*** argv) {
    static std::vector<std::string> arguments;
    static std::vector<char*> pointers;
    std::vector<char> cwd(4096);
    if (!::getcwd(cwd.data(), cwd.size())) Finding("can not read the current directory");
    std::string start = std::string(cwd.data()) + "/";
    auto absolute = [&start](std::string const& path) { return path.empty() || path[0] == '/' ? path : start + path; };
    bool prefix = false;
    for (int i = 0; i < *argc; ++i) {
        std::string arg = (*argv)[i];
        if (i > 0 && arg[0] != '-') {
            arg = absolute(arg);
        } else {
            for (char const* key : {"-artifact_prefix=", "-exact_artifact_path=", "-dict=", "-features_dir="}) {
                std::size_t n = std::strlen(key);
                if (arg.compare(0, n, key) == 0) arg = key + absolute(arg.substr(n));
            }
            prefix = prefix || arg.compare(0, 17, "-artifact_prefix=") == 0;
        }
        arguments.push_back(arg);
    }
    if (!prefix) arguments.push_back("-artifact_prefix=" + start);
    for (std::string& arg : arguments) pointers.push_back(&arg[0]);
    pointers.push_back(nullptr);
    *argc = static_cast<int>(arguments.size());
    *argv = pointers.data();
}

}  // namespace

void StartFuzzing(int* argc, char*** argv) {
    AbsoluteArguments(argc, argv);
    char const* base = std::getenv("QUORVALIX_FUZZ_DIR");
    if (!IsWritableFolder(base)) base = IsWritableFolder("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string name = std::string(base) + "/quorvalix-fuzz.XXXXXX";
    std::vector<char> path(name.begin(), name.end());
    path.push_back('\0');
    if (!::mkdtemp(path.data())) Finding("can not make the working folder under " + std::string(base));
    folder = std::string(path.data()) + "/";
    std::atexit(RemoveFolder);
    std::string home = FuzzSubfolder("home");
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("PWD", folder.c_str(), 1);
    ::setenv("TMPDIR", folder.c_str(), 1);
    ::unsetenv("QUORVALIX_PATH");
    if (::chdir(folder.c_str()) != 0) Finding("can not enter " + folder);
}

std::string const& FuzzFolder() {
    if (folder.empty()) Finding("StartFuzzing was not called");
    return folder;
}

std::string FuzzSubfolder(char const* name) {
    std::string path = FuzzFolder() + name + "/";
    ::mkdir(path.c_str(), 0700);
    return path;
}

void WriteFuzzFile(std::string const& path, void const* data, std::size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) Finding("can not write " + path);
    char const* bytes = static_cast<char const*>(data);
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written <= 0) Finding("can not write " + path);
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    ::close(fd);
}

void WriteFuzzFile(std::string const& path, std::string const& text) { WriteFuzzFile(path, text.data(), text.size()); }

std::string ReadFuzzFile(std::string const& path) { return ReadFile(path); }

bool FuzzFileExists(std::string const& path) { return Exists(path); }

// Written where the sanitizers write their reports: libFuzzer's
// -close_fd_mask closes standard error but keeps that one open.
void Finding(std::string const& what) {
    std::string report = "FINDING: " + what;
    std::string text = console.str();
    if (!text.empty()) report += "\nconsole:\n" + text;
    __sanitizer_report_error_summary(report.c_str());
    std::abort();
}

std::vector<std::string> FuzzEntries(std::string const& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) Finding("can not list " + path);
    while (dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    ::closedir(dir);
    return names;
}

void ExpectEntries(std::string const& path, std::initializer_list<char const*> expected) {
    std::vector<std::string> names = FuzzEntries(path);
    for (std::string const& name : names) {
        bool known = std::any_of(expected.begin(), expected.end(), [&name](char const* n) { return name == n; });
        if (!known) Finding("a file was left behind: " + path + name);
    }
    if (names.size() != expected.size()) Finding("a file is missing in " + path);
}

void CaptureConsole() {
    std::cout.rdbuf(console.rdbuf());
    std::cerr.rdbuf(console.rdbuf());
}

void ClearConsole() {
    console.str(std::string());
    console.clear();
}

std::string ConsoleText() { return console.str(); }

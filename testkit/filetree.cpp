#include "filetree.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int OpenUp(char const* path, struct stat const* status, int type, struct FTW*) {
    if (type == FTW_D || type == FTW_DNR) ::chmod(path, status->st_mode | S_IRWXU);
    return 0;
}

int RemoveOne(char const* path, struct stat const*, int, struct FTW*) {
    std::remove(path);
    return 0;
}

}  // namespace

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

void RemoveTree(std::string const& path) {
    ::nftw(path.c_str(), OpenUp, 16, FTW_PHYS);
    ::nftw(path.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

bool Reaches(std::string const& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0;
}

bool LinksKept(std::vector<std::pair<std::string, std::string>> const& links) {
    for (auto const& [link, target] : links) {
        char named[4096];
        ssize_t n = ::readlink(link.c_str(), named, sizeof named);
        if (n < 0 || std::string(named, static_cast<std::size_t>(n)) != target) return false;
    }
    return true;
}

std::string HiddenFiles(std::vector<std::string> const& dirs) {
    std::string found;
    for (std::string const& dir : dirs)
        for (std::string const& file : ListDir(dir))
            if (file[0] == '.') found += dir + file + " ";
    return found;
}

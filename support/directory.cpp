#include "directory.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Replaces the list's texts by the names in ascending byte order.
static void FillSorted(StrList& list, std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](std::string const& a, std::string const& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    list.Clear();
    for (std::string const& name : names) list.Append(name.c_str());
}

// The variable's value with a trailing '/', or the empty text when it is
// unset or empty.
static Str WithSlash(char const* value) {
    Str path;
    if (!value || !*value) return path;
    path.Append(value);
    if (value[std::strlen(value) - 1] != '/') path.Append('/');
    return path;
}

Directory::~Directory() {
    dirs.Clear();
    files.Clear();
}

bool Directory::Open(Str const& path, bool all, bool brokenLinks) { return Open(path.String(), all, brokenLinks); }

// An entry's probe that failed for want of the process's resources, not
// for what the entry is: the listing would silently lack it.
static bool OutOfResources(int error) { return error == EMFILE || error == ENFILE || error == ENOMEM; }

// A probe that failed because the entry is a symbolic link that reaches no
// file: one that names nothing, or links in a loop.
static bool BrokenLink(int error) { return error == ENOENT || error == ELOOP; }

bool Directory::Open(char const* path, bool all, bool brokenLinks) {
    if (!path) {
        openError = EINVAL;
        return false;
    }
    std::string directory(path);
    if (directory.empty() || directory.back() != '/') directory += '/';
    DIR* handle = ::opendir(directory.c_str());
    if (!handle) {
        openError = errno;
        return false;
    }
    std::vector<std::string> dirNames;
    std::vector<std::string> fileNames;
    // readdir gives null at the end and on a failure, which only errno
    // tells apart.
    for (;;) {
        errno = 0;
        dirent* entry = ::readdir(handle);
        if (!entry) {
            openError = errno;
            break;
        }
        char const* name = entry->d_name;
        if (name[0] == '.' && !all) continue;
#ifdef _DIRENT_HAVE_D_TYPE
        // A regular file needs no probe: it would be refused as no directory.
        if (entry->d_type == DT_REG) {
            fileNames.push_back(name);
            continue;
        }
#endif
        std::string full = directory + name;
        // Opened as a directory (links followed): a subdirectory; refused as
        // not one: a file; a broken link: a file when asked; any other
        // failure (no access): neither.
        int probe = ::open(full.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (probe >= 0) {
            ::close(probe);
            dirNames.push_back(name);
        } else if (errno == ENOTDIR || (brokenLinks && BrokenLink(errno))) {
            fileNames.push_back(name);
        } else if (OutOfResources(errno)) {
            openError = errno;
            break;
        }
    }
    ::closedir(handle);
    if (openError != 0) return false;
    FillSorted(dirs, dirNames);
    FillSorted(files, fileNames);
    return true;
}

char const* Directory::GetOpenError() const { return std::strerror(openError); }

char const* Directory::GetErrorText() const {
    switch (checkError) {
    case NotReadable: return "ERROR: can not read from directory ";
    case NotWritable: return "ERROR: can not write to directory ";
    default: return "ERROR: can not access directory ";
    }
}

bool Directory::Check(Str const& path, bool read, bool write) {
    return Check(path.String(), read, write);
}

bool Directory::Check(char const* path, bool read, bool write) {
    struct stat status;
    checkError = 0;
    if (!path || ::stat(path, &status) != 0 || !S_ISDIR(status.st_mode)) {
        checkError = 1;
    } else if (read && ::access(path, R_OK | X_OK) != 0) {
        checkError = 2;
    } else if (write && ::access(path, W_OK | X_OK) != 0) {
        checkError = 3;
    }
    return checkError == 0;
}

Str Directory::GetHomeDirectory() { return WithSlash(std::getenv("HOME")); }

Str Directory::GetCurrentDirectory() {
    char const* pwd = std::getenv("PWD");
    struct stat named;
    struct stat actual;
    if (pwd && *pwd && ::stat(pwd, &named) == 0 && ::stat(".", &actual) == 0 &&
        named.st_dev == actual.st_dev && named.st_ino == actual.st_ino) {
        return WithSlash(pwd);
    }
    std::vector<char> path(4096);
    while (!::getcwd(path.data(), path.size())) {
        if (errno != ERANGE) return Str();
        path.resize(path.size() * 2);
    }
    return WithSlash(path.data());
}

bool Directory::GetNextFile(Str& name) {
    Str* next = files.GetNext();
    if (!next) return false;
    name.Copy(*next);
    return true;
}

void Directory::GetFileList(StrList& list) {
    list.Clear();
    files.Begin();
    while (Str* name = files.GetNext()) list.Append(*name);
}

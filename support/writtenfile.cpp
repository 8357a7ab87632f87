#include "writtenfile.h"

#include <errno.h>
#include <limits.h>
#include <unistd.h>

namespace {

int const MostLinks = 40;  // the links the kernel follows in one path

}  // namespace

bool FindWrittenFile(Str const& path, Str& file) {
    struct stat status;
    int error;
    return FindWrittenFile(path, file, status, error);
}

bool FindWrittenFile(Str const& path, Str& file, struct stat& status, int& error) {
    file = path;
    char target[PATH_MAX];
    for (int links = 0;; ++links) {
        error = 0;
        // Not there: a file to be made (or a path that opening refuses too).
        if (::lstat(file.String(), &status) != 0) {
            error = errno;
            return true;
        }
        if (!S_ISLNK(status.st_mode)) return S_ISREG(status.st_mode);
        error = ELOOP;  // opening refuses a longer chain, and a link it can not read
        if (links == MostLinks) return false;
        ssize_t n = ::readlink(file.String(), target, sizeof target);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof target)) return false;
        target[n] = '\0';
        // A relative target is taken from the link's directory.
        if (target[0] == '/')
            file.Clear();
        else
            file.DeleteEnd(file.FindRight('/') + 1);
        file.Append(target);
    }
}

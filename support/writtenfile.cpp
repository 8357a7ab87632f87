#include "writtenfile.h"

#include <errno.h>
#include <limits.h>
#include <unistd.h>

namespace {

int const MostLinks = 40;  // the links the kernel follows in one path

}  // namespace

WrittenFile FindWrittenFile(Str const& path, Str& file, struct stat* found) {
    file = path;
    char target[PATH_MAX];
    struct stat own;
    struct stat& status = found ? *found : own;
    for (int links = 0;; ++links) {
        if (::lstat(file.String(), &status) != 0)
            return errno == ENOENT ? WrittenFile::New : WrittenFile::Unknown;
        if (!S_ISLNK(status.st_mode)) return S_ISREG(status.st_mode) ? WrittenFile::Regular : WrittenFile::NotRegular;
        if (links == MostLinks) return WrittenFile::NotRegular;  // opening refuses it
        ssize_t n = ::readlink(file.String(), target, sizeof target);
        if (n < 0) return WrittenFile::Unknown;
        if (n == 0 || n >= static_cast<ssize_t>(sizeof target)) return WrittenFile::NotRegular;
        target[n] = '\0';
        // A relative target is taken from the link's directory.
        if (target[0] == '/')
            file.Clear();
        else
            file.DeleteEnd(file.FindRight('/') + 1);
        file.Append(target);
    }
}

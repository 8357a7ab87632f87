#include "outputfiles.h"

#include <sys/stat.h>

#include "fatalerror.h"

void OutputFiles::Add(char const* what, Str const& path) {
    struct stat status;
    if (::stat(path.String(), &status) == 0 && S_ISREG(status.st_mode))
        outputs.push_back({what, path, status.st_dev, status.st_ino});
}

void OutputFiles::Check(char const* what, Str const& path) const {
    struct stat status;
    if (outputs.empty() || ::stat(path.String(), &status) != 0) return;
    for (Output const& output : outputs)
        if (output.device == status.st_dev && output.inode == status.st_ino)
            FatalError("ERROR: ", output.what, output.path, " is ", what, path);
}

#include "outputfiles.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fatalerror.h"
#include "writtenfile.h"

void OutputFiles::Add(char const* what, Str const& path) {
    Output output{what, path, Kind::Unwritable, Str(), Str(), 0, 0};
    Str file;
    struct stat status = {};
    WrittenFile found = FindWrittenFile(path, file, &status);
    if (found == WrittenFile::New) {
        // A new file: its folder tells whether it can be made, and names it
        // for the comparison with the other output.
        long slash = file.FindRight('/');
        if (slash >= 0)
            output.directory.CopyLeft(file, slash + 1);
        else
            output.directory = "./";
        output.name.CopyEnd(file, slash + 1);
        if (::stat(output.directory.String(), &status) == 0) output.kind = Kind::New;
    } else if (found == WrittenFile::Regular) {
        output.kind = Kind::Existing;
    } else if (found == WrittenFile::NotRegular &&
               (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) || S_ISFIFO(status.st_mode))) {
        output.kind = Kind::Device;
    }
    output.device = status.st_dev;
    output.inode = status.st_ino;
    outputs.push_back(output);
}

bool OutputFiles::HasExisting() const {
    for (Output const& output : outputs)
        if (output.kind == Kind::Existing) return true;
    return false;
}

void OutputFiles::Check(char const* what, Str const& path) const {
    struct stat status;
    if (!HasExisting() || ::stat(path.String(), &status) != 0) return;
    for (Output const& output : outputs)
        if (output.kind == Kind::Existing && output.device == status.st_dev && output.inode == status.st_ino)
            FatalError("ERROR: ", output.what, output.path, " is ", what, path);
}

void OutputFiles::CheckApart() const {
    for (auto first = outputs.begin(); first != outputs.end(); ++first)
        for (auto second = first + 1; second != outputs.end(); ++second) {
            bool comparable = first->kind == second->kind &&
                              (first->kind == Kind::Existing || first->kind == Kind::New);
            if (comparable && first->device == second->device && first->inode == second->inode &&
                first->name == second->name)
                FatalError("ERROR: ", first->what, first->path, " is ", second->what, second->path);
        }
}

// An existing file is opened for writing, neither truncated nor made, to
// learn whether it may be written; a new one asks its folder.
void OutputFiles::CheckWritable() const {
    for (Output const& output : outputs) {
        bool writable = output.kind == Kind::Device;
        if (output.kind == Kind::New) writable = ::access(output.directory.String(), W_OK | X_OK) == 0;
        if (output.kind == Kind::Existing) {
            int fd = ::open(output.path.String(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            writable = fd >= 0;
            if (writable) ::close(fd);
        }
        if (!writable) FatalError("ERROR: can not create the file ", output.path);
    }
}

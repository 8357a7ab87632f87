#include "pendingfile.h"

#include <errno.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>

#include "writtenfile.h"

namespace {

char const NotRegular[] = "not a regular file";
int const NewFileMode = 0666;  // less the umask, as for any new file

}  // namespace

PendingFile::PendingFile(FileWriter& writer, Str const& path, char const* program)
    : writer(writer), path(path), program(program) {}

PendingFile::~PendingFile() {
    if (writing) writer.Close();
    if (made) ::unlink(hidden.String());
}

bool PendingFile::Open() {
    struct stat status;
    WrittenFile found = FindWrittenFile(path, target, &status);
    // What a failed query leaves unknown (a link, a file's permission bits)
    // is never written over.
    if (found != WrittenFile::Regular && found != WrittenFile::New) {
        reason = found == WrittenFile::Unknown ? std::strerror(errno) : NotRegular;
        return false;
    }
    hidden.Copy(target.String(), target.FindRight('/') + 1);
    hidden.Append('.');
    hidden.Append(path.String() + path.FindRight('/') + 1);
    hidden.Append('.');
    hidden.Append(program);
    static long const process = ::getpid();
    hidden.Append(process);

    // Held before it is made, so that no moment leaves it behind. A file
    // of this name is one a killed run of the same process id left, or
    // planted: removed (a link, not what it names), never written through.
    guard.Hold(hidden);
    bool created = writer.Create(hidden, NewFileMode);
    if (!created && errno == EEXIST && ::unlink(hidden.String()) == 0) created = writer.Create(hidden, NewFileMode);
    if (!created) {
        guard.Release();
        reason = writer.GetErrorText();
        return false;
    }
    writing = made = true;
    if (found == WrittenFile::Regular) writer.SetMode(static_cast<int>(status.st_mode & 07777));  // a failure shows at Close
    return true;
}

bool PendingFile::Close() {
    writing = false;
    if (writer.Close()) return true;
    reason = writer.GetErrorText();
    return false;
}

bool PendingFile::RemoveTarget() {
    if (::unlink(target.String()) == 0 || errno == ENOENT) return true;
    reason = std::strerror(errno);
    return false;
}

bool PendingFile::Replace() {
    if (::rename(hidden.String(), target.String()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    made = false;
    guard.Release();
    return true;
}

#include "replacement.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

#include "fatalerror.h"

Replacement::Replacement(FileWriter& writer, Str const& target, Str const& tempName)
    : writer(writer), target(target), open(false) {
    Str prefix;
    long slash = target.FindRight('/');
    if (slash >= 0) prefix.CopyLeft(target, slash + 1);
    prefix.Append(tempName);
    // Exclusive: never a file that someone else made or still writes. A
    // name a killed run left behind is passed over for the next number.
    // The guard holds each name before it is tried, so that a signal
    // leaves no file made a moment before.
    for (long number = 0;; ++number) {
        temp = prefix;
        temp.Append(number);
        guard.Hold(temp);
        if (writer.Create(temp)) break;
        guard.Release();
        if (errno != EEXIST || number == LastNumber) {
            writer.Close();
            FatalError("ERROR: can not create the temporary file ", temp);
        }
    }
    open = true;
}

Replacement::~Replacement() {
    if (!open) return;
    writer.Close();
    ::unlink(temp.String());
}

void Replacement::Fail(char const* message, Str const& path) {
    if (open) {
        writer.Close();
        ::unlink(temp.String());
        guard.Release();
        open = false;
    }
    FatalError(message, path);
}

void Replacement::Commit(int mode, bool sync) {
    if ((sync && !writer.Sync()) || !writer.SetMode(mode) || !writer.Close())
        Fail("ERROR: can not write file ", target);
    if (::rename(temp.String(), target.String()) != 0) Fail("ERROR: can not rename file ", target);
    open = false;
}

// Opening the file for writing answers whether it may be written, and the
// status of the open descriptor what it is; a file that does not open is
// told apart by its status.
int Replacement::CheckTarget(Str const& path) {
    struct stat status;
    int fd = ::open(path.String(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    bool writable = fd >= 0;
    bool found = writable ? ::fstat(fd, &status) == 0 : ::stat(path.String(), &status) == 0;
    if (writable) ::close(fd);
    char const* refusal = !found                     ? "ERROR: can not find the file "
                          : !S_ISREG(status.st_mode) ? "ERROR: not a regular file: "
                          : !writable                ? "ERROR: can not write to file "
                                                     : nullptr;
    if (refusal) FatalError(refusal, path);
    return static_cast<int>(status.st_mode & 07777);
}

void Replacement::CheckSource(FileReader const& reader, Str const& path) {
    if (reader.HasFailed()) FatalError("ERROR: can not read the file ", path);
    if (reader.GetNulLine() > 0)
        FatalError("ERROR: line ", reader.GetNulLine(), " of ", path,
                   " holds a NUL byte, which a rewrite would lose");
}

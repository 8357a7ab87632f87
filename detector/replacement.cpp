#include "replacement.h"

#include <errno.h>
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
    if (mode == KeepMode) {
        struct stat status;
        if (::stat(target.String(), &status) != 0) Fail("ERROR: can not access the file ", target);
        mode = static_cast<int>(status.st_mode & 07777);
    }
    if ((sync && !writer.Sync()) || !writer.Close()) Fail("ERROR: can not write file ", target);
    if (::chmod(temp.String(), static_cast<mode_t>(mode)) != 0) Fail("ERROR: can not write file ", target);
    if (::rename(temp.String(), target.String()) != 0) Fail("ERROR: can not rename file ", target);
    open = false;
}

void Replacement::CheckTarget(Str const& path) {
    struct stat status;
    if (::stat(path.String(), &status) != 0) FatalError("ERROR: can not find the file ", path);
    if (!S_ISREG(status.st_mode)) FatalError("ERROR: not a regular file: ", path);
    if (::access(path.String(), W_OK) != 0) FatalError("ERROR: can not write to file ", path);
}

void Replacement::CheckSource(FileReader const& reader, Str const& path) {
    if (reader.HasFailed()) FatalError("ERROR: can not read the file ", path);
    if (reader.GetNulLine() > 0)
        FatalError("ERROR: line ", reader.GetNulLine(), " of ", path,
                   " holds a NUL byte, which a rewrite would lose");
}

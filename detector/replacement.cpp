#include "replacement.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

Replacement::Replacement(FileWriter& writer, Str const& target, Str const& tempName)
    : writer(writer), target(target), open(false) {
    long slash = target.FindRight('/');
    if (slash >= 0) temp.CopyLeft(target, slash + 1);
    temp.Append(tempName);
    // Exclusive: never a file that someone else made or still writes.
    if (!writer.Create(temp)) {
        writer.Close();
        std::cerr << "ERROR: can not create the temporary file " << temp;
        throw 1;
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
        open = false;
    }
    std::cerr << message << path;
    throw 1;
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
    if (refusal) {
        std::cerr << refusal << path;
        throw 1;
    }
    return static_cast<int>(status.st_mode & 07777);
}

void Replacement::CheckSource(FileReader const& reader, Str const& path) {
    if (reader.HasFailed()) {
        std::cerr << "ERROR: can not read the file " << path;
        throw 1;
    }
    if (reader.GetNulLine() > 0) {
        std::cerr << "ERROR: line " << reader.GetNulLine() << " of " << path
                  << " holds a NUL byte, which a rewrite would lose";
        throw 1;
    }
}

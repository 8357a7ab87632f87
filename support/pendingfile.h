// The new version of one output file, made whole before it replaces the
// old one. Behind symbolic links the file they name is replaced, not a
// link: the bytes go to a hidden file of this run in that file's directory
// (".NAME.PROGRAMPID", NAME the output's own name, PROGRAM the program
// writing it: ".r1.phd.1.trelvik4711"), which a rename puts in its place.
// Until then a signal (InterruptGuard) or a failure removes the hidden file
// and the old file keeps its bytes; a run killed outright may leave the
// hidden file, which no run reads.
#ifndef SUPPORT_PENDINGFILE_H
#define SUPPORT_PENDINGFILE_H

#include "fileio.h"
#include "interruptguard.h"
#include "str.h"

class PendingFile {
public:
    // `path`: the output as the run names it, perhaps a link; `program`:
    // the name of the program writing it, a text that lives as long.
    PendingFile(FileWriter& writer, Str const& path, char const* program);
    // Closes the writer if it still writes the hidden file, and removes
    // that file unless it has replaced the output.
    ~PendingFile();
    PendingFile(PendingFile const&) = delete;
    PendingFile& operator=(PendingFile const&) = delete;

    // Opens the writer on a new hidden file. False when writing to the
    // path reaches no regular file nor a new one (a device, a FIFO, a
    // directory, a loop of links), which is never opened, when a status
    // query on the way fails for another reason than "no such file", or
    // when the hidden file cannot be made. An existing file's permission
    // bits pass to the new version; a new one gets 0666 less the umask.
    bool Open();
    // Closes the writer; false when any byte failed to reach the file.
    bool Close();
    // Removes the file the output reaches (a link to it stays); true when
    // it is gone or was never there.
    bool RemoveTarget();
    // Renames the hidden file over the file the output reaches.
    bool Replace();

    Str const& GetPath() const { return path; }
    // Why the last step answered false.
    char const* GetErrorText() const { return reason; }

private:
    FileWriter& writer;
    Str path;
    char const* program;
    Str target;  // the file that writing to `path` reaches
    Str hidden;
    bool writing = false;  // the writer is open on the hidden file
    bool made = false;     // the hidden file exists and is this run's
    char const* reason = "";
    InterruptGuard guard;  // holds the hidden file while it is made
};

#endif

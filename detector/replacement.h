// A project file replaced by a new version without ever being lost: the new
// bytes go to a temporary file created beside the file (in its directory, so
// the rename cannot cross file systems), which is closed and checked, given
// its permissions, synced when asked and renamed over the file. Whatever
// fails, the temporary file is removed and the file keeps its bytes; so it
// is when SIGINT, SIGTERM, SIGHUP or SIGPIPE ends the run (InterruptGuard).
#ifndef DETECTOR_REPLACEMENT_H
#define DETECTOR_REPLACEMENT_H

#include "fileio.h"
#include "interruptguard.h"
#include "str.h"

class Replacement {
public:
    // The temporary names tried before the run gives up.
    static long const LastNumber = 999;

    // Opens a temporary file for the writer in the directory of `target`:
    // `tempName` followed by the first number from 0 up that names no file
    // there. `tempName` names the process (its id), so a file of that name
    // is one a killed run left, never a live run's. Prints the failure and
    // throws 1.
    Replacement(FileWriter& writer, Str const& target, Str const& tempName);
    // Removes the temporary file unless Commit has replaced the target.
    ~Replacement();
    Replacement(Replacement const&) = delete;
    Replacement& operator=(Replacement const&) = delete;

    // Puts the written bytes, with the permission bits `mode`, in place of
    // the target. Prints the failure and throws 1; the target is then
    // unchanged.
    void Commit(int mode, bool sync);

    // Before a run rewrites anything: the file exists, is a regular file and
    // may be written. Its permission bits, for the new version to keep.
    // Prints the failure and throws 1.
    static int CheckTarget(Str const& path);
    // After reading the file a new version is made from: every byte came
    // through (no read error, no NUL byte, which cuts its line short).
    // Prints the fault and throws 1.
    static void CheckSource(FileReader const& reader, Str const& path);

private:
    [[noreturn]] void Fail(char const* message, Str const& path);

    FileWriter& writer;
    Str target;
    Str temp;
    bool open;  // the temporary file exists and is ours to remove
    InterruptGuard guard;  // removes it when a signal ends the run; after Commit its name names no file
};

#endif

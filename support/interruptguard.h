// A file in the making that an interrupted run must not leave behind: the
// temporary file of a replacement, or a file written in place. While a
// guard holds a path, SIGINT, SIGTERM, SIGHUP or SIGPIPE (the console a pipe
// whose reader has gone, as `| head` leaves it) removes that file and then
// ends the process by the same signal, so that its parent (a shell: status
// 130, 143, 129 or 141) sees the run killed by it.
//
// The handler is installed by the first guard and stays; with no path held
// it only ends the process by the signal, exactly as the default action
// would, so outside a replacement the signals act as they always do. Only
// a signal left at its default action is taken: one the process was
// started with ignored (nohup, a background job) stays ignored, and one
// that a host program catches stays its own.
#ifndef SUPPORT_INTERRUPTGUARD_H
#define SUPPORT_INTERRUPTGUARD_H

#include "str.h"

class InterruptGuard {
public:
    // Guards that may exist at once: the programs keep at most three files
    // in the making.
    static int const Slots = 4;

    // Takes a free slot; holds no path yet.
    InterruptGuard();
    // Releases the path.
    ~InterruptGuard();
    InterruptGuard(InterruptGuard const&) = delete;
    InterruptGuard& operator=(InterruptGuard const&) = delete;

    // From now on a signal removes the file at `path` (a relative path is
    // taken from the working directory, which the programs never change).
    // Held before the file is created, so that no moment leaves it behind.
    void Hold(Str const& path);
    void Hold(char const* path);
    // Holds the file that writing to `path` reaches: behind symbolic links
    // the file they name, not a link; nothing for a device such as
    // /dev/null, which is never removed.
    void HoldWritten(Str const& path);
    // A signal no longer removes the file: it is complete, renamed into
    // place, or removed already.
    void Release();
    // Removes the file held, as a signal would, and releases it: it could
    // not be written whole. False when no file was held.
    bool Remove();

private:
    int slot;
};

#endif

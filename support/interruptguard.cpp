#include "interruptguard.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "writtenfile.h"

namespace {

int const Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The handler reads only these: each path is copied here before its slot
// is marked held, so a signal never sees half a path.
char paths[InterruptGuard::Slots][PATH_MAX];
volatile sig_atomic_t held[InterruptGuard::Slots];
bool taken[InterruptGuard::Slots];
bool installed = false;

// Only async-signal-safe calls: the files are removed, then the signal's
// default action is restored and the signal raised again, unblocked, so
// that it ends the process.
void RemoveAndEnd(int signal) {
    for (int k = 0; k < InterruptGuard::Slots; ++k)
        if (held[k]) ::unlink(paths[k]);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t own;
    sigemptyset(&own);
    sigaddset(&own, signal);
    ::sigprocmask(SIG_UNBLOCK, &own, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // not reached
}

void Install() {
    if (installed) return;
    installed = true;
    struct sigaction action = {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : Signals) sigaddset(&action.sa_mask, signal);  // one cleanup at a time
    for (int signal : Signals) {
        struct sigaction old;
        // Ignored, or caught by a host such as a fuzzing engine: left so.
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

InterruptGuard::InterruptGuard() : slot(0) {
    while (slot < Slots && taken[slot]) ++slot;
    if (slot == Slots) std::abort();  // more files in the making than any program keeps
    taken[slot] = true;
    Install();
}

InterruptGuard::~InterruptGuard() {
    Release();
    taken[slot] = false;
}

void InterruptGuard::Hold(Str const& path) { Hold(path.String()); }

void InterruptGuard::Hold(char const* path) {
    held[slot] = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    size_t n = std::strlen(path);
    if (n >= PATH_MAX) return;  // no file of that name can be made
    std::memcpy(paths[slot], path, n + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    held[slot] = 1;
}

void InterruptGuard::HoldWritten(Str const& path) {
    Str file;
    // A path whose status cannot be queried is held as far as its links
    // could be followed.
    if (FindWrittenFile(path, file) != WrittenFile::NotRegular)
        Hold(file);
    else
        Release();
}

void InterruptGuard::Release() { held[slot] = 0; }

bool InterruptGuard::Remove() {
    bool holding = held[slot];
    if (holding) ::unlink(paths[slot]);
    Release();
    return holding;
}

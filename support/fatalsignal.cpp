#include "fatalsignal.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

// Made before any signal can come, so that the handler only writes and
// exits, as a signal handler must.
char banner[512];
size_t bannerLength = 0;

void Add(char const* text) {
    size_t n = std::strlen(text);
    if (n > sizeof banner - bannerLength) n = sizeof banner - bannerLength;
    std::memcpy(banner + bannerLength, text, n);
    bannerLength += n;
}

}  // namespace

void InstallSignalExit(char const* contactLine) {
    char const rule[] = "--------------------------------------------------------------------";
    bannerLength = 0;
    Add("\n");
    Add(rule);
    Add("\n A critical error has occurred.                                     \n");
    Add(contactLine);
    Add("\n");
    Add(rule);
    Add("\n\n");
    std::signal(SIGSEGV, SignalExit);
    std::signal(SIGBUS, SignalExit);
}

void SignalExit(int signal) {
    ssize_t written = ::write(STDERR_FILENO, banner, bannerLength);
    (void)written;
    ::_exit(signal);
}

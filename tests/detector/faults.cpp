// Faults for the program tests, preloaded into a run of quorvalix
// (LD_PRELOAD), chosen through the environment:
//   QUORVALIX_FAULT_TIME=T            the clock stands at T
//   QUORVALIX_FAULT_RENAME=N:fail     the Nth rename fails (EXDEV)
//   QUORVALIX_FAULT_RENAME=N:kill     the process is killed before the Nth rename
//   QUORVALIX_FAULT_RENAME=N:killafter  ... right after it
//   QUORVALIX_FAULT_RENAME=N:segv     a segmentation fault before the Nth rename
//   QUORVALIX_FAULT_WRITE=N           killed before the Nth write to a regular
//                                     file other than standard output and error
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

long Count(char const* variable, char const** action) {
    char const* value = std::getenv(variable);
    if (!value) return 0;
    char* end = nullptr;
    long n = std::strtol(value, &end, 10);
    if (action) *action = *end == ':' ? end + 1 : "";
    return n;
}

void Kill() { ::kill(::getpid(), SIGKILL); }

}  // namespace

extern "C" time_t time(time_t* result) {
    char const* value = std::getenv("QUORVALIX_FAULT_TIME");
    time_t now;
    if (value) {
        now = static_cast<time_t>(std::strtoll(value, nullptr, 10));
    } else {
        struct timespec clock;
        clock_gettime(CLOCK_REALTIME, &clock);
        now = clock.tv_sec;
    }
    if (result) *result = now;
    return now;
}

extern "C" int rename(char const* from, char const* to) {
    static long calls = 0;
    using Rename = int (*)(char const*, char const*);
    static Rename real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    char const* action = "";
    long chosen = Count("QUORVALIX_FAULT_RENAME", &action);
    if (++calls == chosen) {
        if (std::strcmp(action, "fail") == 0) {
            errno = EXDEV;
            return -1;
        }
        if (std::strcmp(action, "kill") == 0) Kill();
        if (std::strcmp(action, "segv") == 0) ::raise(SIGSEGV);
    }
    int result = real(from, to);
    if (calls == chosen && std::strcmp(action, "killafter") == 0) Kill();
    return result;
}

extern "C" ssize_t write(int fd, void const* bytes, size_t n) {
    static long calls = 0;
    using Write = ssize_t (*)(int, void const*, size_t);
    static Write real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    struct stat status;
    if (fd > 2 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ++calls == Count("QUORVALIX_FAULT_WRITE", nullptr))
        Kill();
    return real(fd, bytes, n);
}

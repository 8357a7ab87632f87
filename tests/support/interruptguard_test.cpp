// Guards against interruption, each case in a child process of its own (a
// guard's handler belongs to the whole process): which files a signal
// removes, and that the process then ends by that signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "interruptguard.h"
#include "tempdir.h"

namespace {

bool Exists(std::string const& path) { return ::access(path.c_str(), F_OK) == 0; }

// Runs `body` in a child; the wait status.
int InChild(std::function<void()> const& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// A host program's own handler of a signal.
void HostHandler(int) { ::_exit(8); }

}  // namespace

TEST(InterruptGuardTest, SignalRemovesTheHeldFilesAndEndsTheProcess) {
    struct Case {
        char const* what;
        int signal;
        std::function<void(std::string const&, std::string const&)> body;  // paths a and b
        bool aLeft, bLeft;
    } const cases[] = {
        {"one file held", SIGTERM,
         [](std::string const& a, std::string const&) {
             InterruptGuard guard;
             guard.Hold(a.c_str());
             ::raise(SIGTERM);
         },
         false, true},
        {"two files held", SIGINT,
         [](std::string const& a, std::string const& b) {
             InterruptGuard first, second;
             first.Hold(a.c_str());
             second.Hold(b.c_str());
             ::raise(SIGINT);
         },
         false, false},
        {"a broken pipe", SIGPIPE,
         [](std::string const& a, std::string const&) {
             InterruptGuard guard;
             guard.Hold(a.c_str());
             ::raise(SIGPIPE);
         },
         false, true},
        {"held again: only the last path", SIGHUP,
         [](std::string const& a, std::string const& b) {
             InterruptGuard guard;
             guard.Hold(a.c_str());
             guard.Hold(b.c_str());
             ::raise(SIGHUP);
         },
         true, false},
        {"released", SIGTERM,
         [](std::string const& a, std::string const&) {
             InterruptGuard guard;
             guard.Hold(a.c_str());
             guard.Release();
             ::raise(SIGTERM);
         },
         true, true},
        {"guard gone, its slot taken by another", SIGINT,
         [](std::string const& a, std::string const& b) {
             { InterruptGuard guard; guard.Hold(a.c_str()); }
             InterruptGuard other;
             other.Hold(b.c_str());
             ::raise(SIGINT);
         },
         true, false},
        {"no guard ever made: the default action", SIGHUP,
         [](std::string const&, std::string const&) { ::raise(SIGHUP); }, true, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string a = dir / "a", b = dir / "b";
        dir.Write("a", "a");
        dir.Write("b", "b");
        int status = InChild([&] { c.body(a, b); });
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);
        EXPECT_EQ(Exists(a), c.aLeft);
        EXPECT_EQ(Exists(b), c.bLeft);
    }
}

// A signal the process was started with ignored stays ignored, and one a
// host program catches stays its own: nothing is removed.
TEST(InterruptGuardTest, SignalsNotAtTheirDefaultAreLeftAlone) {
    struct {
        char const* what;
        void (*disposition)(int);
        int status;  // the child's exit status
    } const cases[] = {{"ignored", SIG_IGN, 7}, {"caught", HostHandler, 8}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.Write("a", "a");
        std::string a = dir / "a";
        int status = InChild([&] {
            ::signal(SIGHUP, c.disposition);
            InterruptGuard guard;
            guard.Hold(a.c_str());
            ::raise(SIGHUP);
            ::_exit(7);
        });
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_TRUE(Exists(a));
    }
}

#include "childprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "filetree.h"
#include "tempdir.h"

extern char** environ;

namespace {

// The user and group that own nothing.
uid_t const Nobody = 65534;

double Seconds(timeval const& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// The child's variables: the parent's or none, each entry then replacing
// the one of its name.
std::vector<std::string> Environment(ChildSetup const& setup) {
    std::vector<std::string> environment;
    if (setup.inheritEnvironment)
        for (char** entry = environ; *entry; ++entry) environment.push_back(*entry);
    for (std::string const& entry : setup.env) {
        std::string name = entry.substr(0, entry.find('=') + 1);
        for (auto e = environment.begin(); e != environment.end();)
            e = e->compare(0, name.size(), name) == 0 ? environment.erase(e) : e + 1;
        environment.push_back(entry);
    }
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string> const& texts) {
    std::vector<char*> pointers;
    for (std::string const& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// In the child: standard stream `fd` from or to `path` (empty: left as it
// is).
bool Redirect(int fd, std::string const& path) {
    if (path.empty()) return true;
    int opened = fd == 0 ? ::open(path.c_str(), O_RDONLY) : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (opened < 0 || ::dup2(opened, fd) < 0) return false;
    if (opened != fd) ::close(opened);
    return true;
}

}  // namespace

ChildProcess::ChildProcess(ChildSetup setup) : setup(std::move(setup)) {}

ChildProcess::~ChildProcess() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

std::string ChildProcess::CapturePath(char const* name) {
    if (!capture) capture.reset(new TempDir);
    return capture->File(name);
}

bool ChildProcess::Start(std::vector<std::string> const& argv) {
    if (argv.empty()) return false;
    std::vector<std::string> const environment = Environment(setup);
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> envp = Pointers(environment);
    std::string const program = setup.program.empty() ? argv[0] : setup.program;
    bool const search = setup.searchPath;
    return Launch([&] {
        if (search) {
            environ = envp.data();
            ::execvp(program.c_str(), args.data());
        } else {
            ::execve(program.c_str(), args.data(), envp.data());
        }
        return CannotRun;
    });
}

bool ChildProcess::Start(std::function<int()> const& body) { return Launch(body); }

bool ChildProcess::Launch(std::function<int()> const& run) {
    if (pid > 0) return false;
    auto target = [this](Stream stream, std::string const& file, char const* name) -> std::string {
        switch (stream) {
        case Stream::Inherit: return "";
        case Stream::Null: return "/dev/null";
        case Stream::Capture: return CapturePath(name);
        case Stream::File: return file;
        }
        return "";
    };
    std::string const in = setup.in == Stream::Inherit ? "" : "/dev/null";
    std::string const out = target(setup.out, setup.outFile, "out");
    std::string const err = target(setup.err, setup.errFile, "err");
    // Nothing buffered is written twice, by the parent and by the child.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    start = std::chrono::steady_clock::now();
    pid = ::fork();
    if (pid != 0) return pid > 0;
    if (!Redirect(0, in) || !Redirect(1, out) || !Redirect(2, err) ||
        (!setup.cwd.empty() && ::chdir(setup.cwd.c_str()) != 0))
        ::_exit(CannotSetUp);
    if (setup.unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
        ::_exit(CannotDropRoot);
    int status = run();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(status);
}

void ChildProcess::Signal(int number) {
    if (pid > 0) ::kill(pid, number);
}

pid_t ChildProcess::WaitUntil(double timeout, int& status, struct rusage& usage) {
    auto const deadline = start + std::chrono::duration<double>(timeout);
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        pid_t ended = ::wait4(pid, &status, timeout > 0 ? WNOHANG : 0, &usage);
        if (ended != 0 && !(ended < 0 && errno == EINTR)) return ended;
        if (ended == 0 && std::chrono::steady_clock::now() >= deadline) return 0;
        // Polled at growing intervals: a quick child is seen at once, a
        // slow one costs few wake-ups.
        if (ended == 0) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(20000));
        }
    }
}

RunResult ChildProcess::Wait() {
    RunResult result;
    if (pid <= 0) return result;
    int status = 0;
    struct rusage usage {};
    pid_t ended = WaitUntil(setup.timeout, status, usage);
    if (ended == 0) {
        result.timedOut = true;
        ::kill(pid, SIGKILL);
        ended = WaitUntil(0, status, usage);
    }
    result.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    pid = -1;
    if (ended < 0) return result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.user = Seconds(usage.ru_utime);
    result.system = Seconds(usage.ru_stime);
    result.peakKiB = usage.ru_maxrss;
    if (setup.out == Stream::Capture) result.out = ReadFile(CapturePath("out"));
    if (setup.err == Stream::Capture) result.err = ReadFile(CapturePath("err"));
    return result;
}

RunResult RunChild(std::vector<std::string> const& argv, ChildSetup const& setup) {
    ChildProcess child(setup);
    if (!child.Start(argv)) return RunResult();
    return child.Wait();
}

RunResult RunInChild(std::function<int()> const& body, ChildSetup const& setup) {
    ChildProcess child(setup);
    if (!child.Start(body)) return RunResult();
    return child.Wait();
}

RunResult RunUnprivileged(std::function<int()> const& body) {
    ChildSetup setup;
    setup.unprivileged = true;
    return RunInChild(body, setup);
}

RunResult RunSelf(std::vector<std::string> const& argv) {
    ChildSetup setup;
    setup.program = "/proc/self/exe";
    setup.in = Stream::Inherit;
    setup.err = Stream::Inherit;
    return RunChild(argv, setup);
}

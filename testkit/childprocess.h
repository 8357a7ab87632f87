// Programs run as child processes, without a shell: where each standard
// stream of the child comes from or goes, its folder, its environment and
// its rights, and what comes back (exit status, captured output, times and
// peak memory).
#ifndef TESTKIT_CHILDPROCESS_H
#define TESTKIT_CHILDPROCESS_H

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TempDir;

// What a run of a child gave.
struct RunResult {
    int status = -1;  // the exit status, or 128 + the signal; -1 when it did not run
    int signal = 0;   // the signal that ended the program; 0 when it exited
    std::string out;  // standard output and standard error, where captured
    std::string err;
    double wall = 0;    // seconds from the start to the end
    double user = 0;    // processor seconds, in the program and in the kernel
    double system = 0;
    long peakKiB = 0;  // peak resident memory
    bool timedOut = false;  // still running at ChildSetup::timeout, so killed
};

// Where a standard stream of the child comes from or goes.
enum class Stream {
    Inherit,  // the parent's
    Null,     // /dev/null
    Capture,  // into the RunResult (standard input: /dev/null)
    File,     // ChildSetup::outFile or errFile, replaced (output streams only)
};

struct ChildSetup {
    std::string program;       // the file to run; empty: argv[0]
    bool searchPath = false;   // a program without '/' is looked up on PATH
    std::string cwd;           // empty: the parent's folder
    bool inheritEnvironment = true;  // else the child starts from no variables at all
    std::vector<std::string> env;    // NAME=value entries, each replacing the one of its name
    Stream in = Stream::Null;
    Stream out = Stream::Capture;
    Stream err = Stream::Capture;
    std::string outFile, errFile;
    // Give up root's rights (to user and group 65534) before running, so
    // that permission bits hold whoever runs the tests.
    bool unprivileged = false;
    // Seconds a child may run before Wait kills it (SIGKILL), so that a
    // program that hangs fails its test instead of stopping the suite; 0:
    // no limit.
    double timeout = 0;
};

class ChildProcess {
public:
    // The exit status of a child that could not give up root's rights; what
    // it was to run did not run.
    static int const CannotDropRoot = 125;
    // The exit status of a child whose streams or folder could not be set
    // up, and of one whose program could not be run.
    static int const CannotSetUp = 126;
    static int const CannotRun = 127;

    explicit ChildProcess(ChildSetup setup = ChildSetup());
    // A child still running is killed and waited for.
    ~ChildProcess();
    ChildProcess(ChildProcess const&) = delete;
    ChildProcess& operator=(ChildProcess const&) = delete;

    // Starts the program with the arguments (argv[0] first). False when no
    // process could be made or one is running already.
    bool Start(std::vector<std::string> const& argv);
    // Starts a copy of this process that runs `body` and exits with the
    // number it returns.
    bool Start(std::function<int()> const& body);
    // Sends the running child a signal.
    void Signal(int number);
    // Waits for the child to end, or kills it at the timeout; what it gave.
    RunResult Wait();

private:
    bool Launch(std::function<int()> const& run);
    std::string CapturePath(char const* name);
    // wait4 for the child, given up `timeout` seconds after its start
    // (result 0); 0 waits as long as it takes.
    pid_t WaitUntil(double timeout, int& status, struct rusage& usage);

    ChildSetup setup;
    std::unique_ptr<TempDir> capture;
    pid_t pid = -1;
    std::chrono::steady_clock::time_point start;
};

// Start and Wait in one.
RunResult RunChild(std::vector<std::string> const& argv, ChildSetup const& setup = ChildSetup());
RunResult RunInChild(std::function<int()> const& body, ChildSetup const& setup = ChildSetup());
// `body` run in a child that has given up root's rights (ChildSetup::
// unprivileged), both output streams captured; the status is
// ChildProcess::CannotDropRoot when the rights could not be given up.
RunResult RunUnprivileged(std::function<int()> const& body);
// This program run again in a fresh process with the arguments (argv[0]
// first), so that a measurement has a process and a peak memory of its own;
// its standard output is captured, its standard error is this one's.
RunResult RunSelf(std::vector<std::string> const& argv);

#endif

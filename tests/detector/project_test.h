// Helpers of the writer tests: a project directory under /tmp with the
// files a test writes into it, PHD and POLY files made from a trace-order
// base text, and the Files component run on the project the way a run of
// the program drives it.
#ifndef TESTS_DETECTOR_PROJECT_TEST_H
#define TESTS_DETECTOR_PROJECT_TEST_H

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <string>
#include <vector>

#include "tempdir.h"
#include "programs.h"

#include "files.h"
#include "parameters.h"
#include "quorvalix.h"

// A project tree edit_dir/, phd_dir/, poly_dir/ in a new directory under
// /tmp, removed with everything in it afterwards.
class TestProject {
public:
    TestProject() : root(dir.Path() + "/") {
        for (char const* sub : {"edit_dir", "phd_dir", "poly_dir"}) mkdir((root + sub).c_str(), 0755);
    }

    std::string const& Root() const { return root; }
    std::string Path(std::string const& name) const { return root + name; }
    void Write(std::string const& name, std::string const& bytes) const { dir.Write(name, bytes); }
    std::string Read(std::string const& name) const { return dir.Read(name); }
    static std::string ReadFile(std::string const& path) { return TempDir::ReadFile(path); }
    mode_t Mode(std::string const& name) const {
        struct stat status;
        return stat(Path(name).c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
    // The names in a directory of the project, in byte order, "." and ".."
    // left out.
    std::string List(std::string const& dir) const;

private:
    TempDir dir;
    std::string root;
};

// A PHD file of the suite's layout for bases given in trace order: quality
// 20 + i % 30 and peak position 10 i for base i; `tags` stands between
// "END_DNA" and the final "END_SEQUENCE" line.
std::string PhdText(std::string const& name, std::string const& bases, std::string const& tags = "\n");
// The POLY file that goes with it: one line per base at the same peak
// positions, no uncalled peak.
std::string PolyText(std::string const& name, std::string const& bases);

// Runs the quorvalix program in `cwd` with TZ=UTC, the faults library
// preloaded (faults.cpp) and the given environment entries; standard output
// goes to `out` when one is named; killed after `timeout` seconds when
// that is not 0.
RunResult RunQuorvalix(std::vector<std::string> const& args, std::string const& cwd,
                       std::vector<std::string> const& env = {}, std::string const& out = "",
                       double timeout = 0);

// Opens the component's state to the tests.
class RunFiles : public Files {
public:
    using Files::aceFile;
    using Files::currentDirectory;
    using Files::rcFile;
    using Files::indelHetTag;
    using Files::outFile;
    using Files::runTime;
    using Files::tempFile;
    using Files::writer;
};

struct CallResult {
    bool failed;
    std::string messages;  // everything written to standard error
};

// Calls `call`, catching the integer a failure throws.
template <class Call>
CallResult Capture(Call call) {
    CallResult result{false, ""};
    testing::internal::CaptureStderr();
    try {
        call();
    } catch (int code) {
        EXPECT_EQ(code, 1);
        result.failed = true;
    }
    result.messages = testing::internal::GetCapturedStderr();
    return result;
}

// The messages without the lines of the progress counter.
std::string WithoutProgress(std::string const& messages);

// One run of the component on a project: settings, paths, the readers.
// The run's moment is fixed so that dates can be checked.
class ProjectRun {
public:
    static constexpr time_t Moment = 1140113107;  // a February 2006 afternoon

    explicit ProjectRun(TestProject const& project, std::string const& flags = "", time_t moment = Moment) {
        // No settings file but the project's own.
        setenv("HOME", project.Root().c_str(), 1);
        unsetenv("QUORVALIX_PATH");
        Quorvalix::SetStartUpDefaults(parameters);
        files.runTime = CTime(moment);
        start = Capture([&] {
            files.Initialize(&assembly, &parameters);
            parameters.ParseFlags("COMMAND LINE ", Str((" -dir " + project.Root() + " " + flags + " ").c_str()));
            files.SetParameters();
        });
    }
    // Reads the ACE file and the per-read files.
    CallResult Read() {
        return Capture([&] {
            files.ReadAceFile();
            files.ReadSequenceFiles();
        });
    }
    // The date texts of this run's tags, as the local clock shows the moment.
    static std::string Date(char const* format, time_t moment = Moment) {
        char text[64];
        struct tm local;
        localtime_r(&moment, &local);
        strftime(text, sizeof text, format, &local);
        return text;
    }

    Assembly assembly;
    Parameters parameters;
    RunFiles files;
    CallResult start;
};

#endif

// What both programs read before anything else: the settings file, and
// trelvik's list of traces. A settings file that is there (a link that
// names no file too) but cannot be read, or is no regular file, is named
// with its reason and ends the run with status 1 before any project file is
// read or written: it is never passed over for the next place, nor waited
// on. A list of traces may come from a pipe, never from a device. Every run
// is killed at a timeout, so that a run that waits fails its test instead
// of holding up the suite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "fixtures.h"
#include "project_test.h"
#include "small_project.h"

namespace {

double const Patience = 10;  // seconds a run may take

struct Program {
    char const* name;
    std::string path;
    std::string settings;  // the settings file's name
    std::string banner;
    std::string terminating;
};

Program const quorvalix{"quorvalix", QUORVALIX_PROGRAM, ".quorvalixrc", "\nQUORVALIX  Version 5.04\n",
                        "\n\nQUORVALIX is terminating.\n\n"};
Program const trelvik{"trelvik", QUORVALIX_TRELVIK, ".trelvikrc", "\nTRELVIK   Version 1.00\n",
                      "\n\nTRELVIK is terminating.\n\n"};

// The three places searched, in their order.
enum Place { Here, AtHome, ByVariable };
char const* const placeNames[] = {"the current directory", "the home directory", "QUORVALIX_PATH"};

// The small project of the writer tests with a chromatogram beside it, so
// that either program has work to do; its own home directory and the folder
// QUORVALIX_PATH names ("cfg/").
class Workplace {
public:
    Workplace() {
        WriteProject(project, Originals());
        MakeDir(project.Path("chromat_dir"));
        project.Write("chromat_dir/t1.scf", ScfFile(BalancedTrace(), '3', 2));
        MakeDir(Home());
        MakeDir(Config());
        before = Listing();
    }

    std::string Cwd() const { return project.Root().substr(0, project.Root().size() - 1); }
    std::string Home() const { return others.Path() + "/home"; }
    std::string Config() const { return others.Path() + "/cfg"; }
    std::string Settings(Program const& program, Place place) const {
        return (place == Here ? Cwd() : place == AtHome ? Home() : Config()) + "/" + program.settings;
    }
    // Good settings in every place after `place`: a run that passed over
    // the file there would find them.
    void WriteLaterSettings(Program const& program, Place place) const {
        for (Place later : {AtHome, ByVariable})
            if (later > place) WriteFile(Settings(program, later), "# the next place's settings\n");
    }

    RunResult Run(Program const& program, std::vector<std::string> args,
                  std::vector<std::string> const& launcher = {}) const {
        args.insert(args.begin(), program.path);
        args.insert(args.begin(), launcher.begin(), launcher.end());
        // The leak checker of a sanitizer build cannot run under a tracer.
        return RunProgram(args, Cwd(),
                          {"HOME=" + Home(), "QUORVALIX_PATH=" + Config() + "/", "ASAN_OPTIONS=detect_leaks=0"},
                          Patience);
    }

    // Every project file as it was, and no file made.
    void ExpectUntouched() const {
        ExpectSame(ReadProject(project), Originals());
        EXPECT_EQ(Listing(), before);
    }

    TestProject project;

private:
    std::string Listing() const {
        std::string all;
        for (char const* dir : {"edit_dir", "phd_dir", "poly_dir", "chromat_dir"})
            all += std::string(dir) + ": " + project.List(dir) + "\n";
        return all;
    }

    TempDir others;
    std::string before;
};

std::string NotRegular(std::string const& path) { return "ERROR: the settings file " + path + " is not a regular file"; }
std::string Unreadable(std::string const& path, std::string const& reason) {
    return "ERROR: can not read the settings file " + path + ": " + reason;
}

// The run ended before it did anything, with the message alone.
void ExpectRefused(RunResult const& r, Program const& program, std::string const& message, Workplace const& place) {
    ASSERT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, program.banner + message + program.terminating);
    place.ExpectUntouched();
}

}  // namespace

// A pipe with no writer, a link to /dev/zero or /dev/urandom, a directory
// and a link that names no file, as the settings file of each program in
// each place; also with -help, which the settings file comes before.
TEST(SettingsFiles, NoRegularFileIsRefusedInEveryPlace) {
    struct Kind {
        char const* name;
        std::string target;  // "pipe", "directory", else the link's target
    } const kinds[] = {
        {"a pipe", "pipe"},
        {"a link to /dev/zero", "/dev/zero"},
        {"a link to /dev/urandom", "/dev/urandom"},
        {"a directory", "directory"},
        {"a link that names no file", "missing"},
    };
    for (Program const* program : {&quorvalix, &trelvik}) {
        for (Place place : {Here, AtHome, ByVariable}) {
            for (Kind const& kind : kinds) {
                SCOPED_TRACE(std::string(program->name) + ": " + kind.name + " in " + placeNames[place]);
                Workplace work;
                work.WriteLaterSettings(*program, place);
                std::string path = work.Settings(*program, place);
                bool dangling = kind.target == "missing";
                if (kind.target == "pipe")
                    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
                else if (kind.target == "directory")
                    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
                else
                    ASSERT_EQ(::symlink(dangling ? (path + ".gone").c_str() : kind.target.c_str(), path.c_str()), 0);
                std::string message = dangling ? Unreadable(path, "No such file or directory") : NotRegular(path);
                ExpectRefused(work.Run(*program, {}), *program, message, work);
                if (place == Here && kind.target == "pipe")
                    ExpectRefused(work.Run(*program, {"-help"}), *program, message, work);
            }
        }
    }
}

// A settings file that cannot be opened (EACCES, as another user's file
// gives), or whose read fails after its first block (EIO): a file cut short
// is no settings file either.
TEST(SettingsFiles, FileThatCannotBeReadIsRefusedInEveryPlace) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    // Comments past the readers' first block (131,072 bytes).
    std::string const longFile = std::string(140000, '#') + "\n# the end\n";
    struct Fault {
        char const* call;
        char const* inject;
        char const* reason;
    } const faults[] = {
        {"openat", "error=EACCES", "Permission denied"},
        {"read", "error=EIO:when=2", "Input/output error"},
    };
    for (Program const* program : {&quorvalix, &trelvik}) {
        for (Place place : {Here, AtHome, ByVariable}) {
            for (Fault const& fault : faults) {
                SCOPED_TRACE(std::string(program->name) + ": " + fault.reason + " in " + placeNames[place]);
                Workplace work;
                work.WriteLaterSettings(*program, place);
                std::string path = work.Settings(*program, place);
                WriteFile(path, longFile);
                RunResult r = work.Run(*program, {},
                                       {strace, "-qq", "-o", "/dev/null", "-P", path, "-e",
                                        std::string("trace=") + fault.call, "-e",
                                        std::string("inject=") + fault.call + ":" + fault.inject});
                ExpectRefused(r, *program, Unreadable(path, fault.reason), work);
            }
        }
    }
}

// Only a name that is not there sends the search on: one under a home
// "directory" that is a file (ENOTDIR), and a QUORVALIX_PATH file that names
// no file for trelvik (where quorvalix stops, as before).
TEST(SettingsFiles, NamesThatAreNotThereArePassedOver) {
    Workplace work;
    std::string home = work.Home();
    ASSERT_EQ(::rmdir(home.c_str()), 0);
    WriteFile(home, "a file, not a directory\n");
    std::string third = work.Settings(quorvalix, ByVariable);
    WriteFile(third, "bogus line\n");
    ExpectRefused(work.Run(quorvalix, {}), quorvalix,
                  "bogus line\nERROR: invalid lines in .quorvalixrc file " + third, work);
    ASSERT_EQ(::unlink(third.c_str()), 0);
    ExpectRefused(work.Run(quorvalix, {}), quorvalix, "ERROR: can not open the .quorvalixrc file " + third, work);

    third = work.Settings(trelvik, ByVariable);
    WriteFile(third, "flag -o\n");
    RunResult r = work.Run(trelvik, {});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind(trelvik.banner + "Read file " + third + "\n", 0), 0u) << r.err;
    EXPECT_TRUE(Exists(work.project.Path("phd_dir/t1.phd.1")));
    ASSERT_EQ(::unlink(third.c_str()), 0);
    ASSERT_EQ(::unlink(work.project.Path("phd_dir/t1.phd.1").c_str()), 0);
    r = work.Run(trelvik, {});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind(trelvik.banner + std::string(62, '-'), 0), 0u) << r.err;
    EXPECT_TRUE(Exists(work.project.Path("phd_dir/t1.phd.1")));
}

// A device as trelvik's list of traces, directly or behind a link, and a
// list whose read fails after its first block: the run ends before any
// trace is converted. (A list from a pipe: PipesAndDevices.)
TEST(ListOfTraces, DeviceOrListCutShortIsRefused) {
    std::string const rule = std::string(62, '-') + "\n";
    Workplace work;
    ASSERT_EQ(::symlink("/dev/zero", work.project.Path("zeros").c_str()), 0);
    for (std::string list : {"/dev/zero", "/dev/urandom", "zeros"}) {
        SCOPED_TRACE(list);
        ExpectRefused(work.Run(trelvik, {"-list", list}), trelvik,
                      rule + "ERROR: the list file " + list + " is a device", work);
    }
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    // t1.scf in the first block; the read of the second fails.
    std::string list = work.project.Path("list");
    WriteFile(list, "t1.scf\n" + std::string(140000, ' ') + "\nt1.scf\n");
    RunResult r = work.Run(trelvik, {"-list", list},
                           {strace, "-qq", "-o", "/dev/null", "-P", list, "-e", "trace=read", "-e",
                            "inject=read:error=EIO:when=2"});
    ASSERT_EQ(::unlink(list.c_str()), 0);
    ExpectRefused(r, trelvik, rule + "ERROR: can not read the list file " + list + ": Input/output error", work);
}

// The quorvalix program as a user runs it: its early exits and their
// texts, exit statuses, a fatal signal, and runs broken at chosen points
// (a failing rename, a kill before or after a rename or in the middle of a
// write) that must leave each project file either as it was or wholly new.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "programs.h"
#include "project_test.h"
#include "small_project.h"

namespace {

std::string const banner = "\nQUORVALIX  Version 5.04\n";
std::string const rule = std::string(62, '-') + "\n";
std::string const terminating = "\n\nQUORVALIX is terminating.\n\n";

std::string Help(std::string const& dir, std::string const& score) {
    return " flag               function                    arguments          default"
           "\n ---------------    ------------------------    ---------------    -------"
           "\n -ace       (-a)    set ace file                ace file"
           "\n -blocks            set/remove output blocks    +/- block name"
           "\n -clear             remove Quorvalix tags       "
           "\n -dir       (-d)    set data directory          directory          " + dir +
           "\n -flanking  (-f)    set site flanking length    0 - 50             10"
           "\n -group     (-g)    select reads                regular exp.       "
           "\n -help      (-h)    print this information      "
           "\n -indel     (-i)    mark indels                 * on/off           off"
           "\n -ms                mark microsatellites        * on/off           off"
           "\n -nav       (-n)    set navigation file         * file/on/off      quorvalix.nav"
           "\n -output    (-o)    set output file             * file/on/off      quorvalix.out"
           "\n -quality   (-q)    set quality limit           0 - 50             25"
           "\n -rank      (-r)    set rank limit              * 1 - 6            0"
           "\n -ref               show reference positions    * ref ID/on/off    .REF"
           "\n -refcomp           compare with reference      * ref ID/on/off    .REF"
           "\n -source    (-s)    set source ID positions     posn1 posn2"
           "\n -score             set score limit             0 - 99             " + score +
           "\n -snp               mark SNPs                   * het/hom/on/off   on"
           "\n -tag       (-t)    set tag type                g / p / r          genotype"
           "\n -update            update ace and phd files    * on/off           on"
           "\n -verbosity (-v)    set verbosity               0 / 1 / 2          0"
           "\n -version           print Quorvalix version     "
           "\n -window    (-w)    set window length           5 - 50             20"
           "\n -xml               print output in XML         * on/off           off"
           "\n\n * The argument is optional.\n" + rule + "\n";
}

// Each file of the project as it was or as a whole run makes it.
void ExpectEachOldOrNew(ProjectFiles const& now, ProjectFiles const& old, ProjectFiles const& whole) {
    std::string const ProjectFiles::*const files[] = {&ProjectFiles::ace, &ProjectFiles::r1, &ProjectFiles::r2,
                                                      &ProjectFiles::r3, &ProjectFiles::s1};
    for (auto file : files) EXPECT_TRUE(now.*file == old.*file || now.*file == whole.*file) << now.*file;
}

// The names in a directory that do not begin with '.'.
std::vector<std::string> Visible(std::string const& dir) {
    std::vector<std::string> names = ListDir(dir);
    names.erase(std::remove_if(names.begin(), names.end(), [](std::string const& n) { return n[0] == '.'; }),
                names.end());
    return names;
}

// quorvalix under strace, whose `options` choose the calls traced and the
// fault injected; the faults library, with the clock at `moment`, reaches
// only quorvalix.
RunResult RunTraced(std::string const& strace, std::vector<std::string> const& options,
                    std::vector<std::string> const& args, std::string const& cwd, std::string const& moment) {
    std::vector<std::string> argv = {strace, "-qq", "-E", std::string("LD_PRELOAD=") + QUORVALIX_FAULTS,
                                     "-E", "QUORVALIX_FAULT_TIME=" + moment};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(QUORVALIX_PROGRAM);
    argv.insert(argv.end(), args.begin(), args.end());
    // The leak checker of a sanitizer build cannot run under a tracer.
    return RunProgram(argv, cwd, {"TZ=UTC", "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"});
}

}  // namespace

TEST(ProgramTest, VersionAndHelp) {
    TestProject home;
    struct {
        std::vector<std::string> args;
        std::string err;
    } const cases[] = {
        {{"-version"}, banner + "Build 2006.02.07\n\n"},
        {{"-help", "-version"}, banner + "Build 2006.02.07\n\n"},  // -version is looked for first
        {{"-h"}, banner + rule + Help("", "70")},
        {{"-ace", "-help"}, banner + rule + Help("", "70")},  // whatever flag comes before it
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.args[0]);
        RunResult r = RunQuorvalix(c.args, home.Root());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    // The table shows the settings file's values, never the command line's.
    home.Write(".quorvalixrc", "flag -dir /data/run7 -score 33.5\n");
    RunResult r = RunQuorvalix({"-score", "50", "-h"}, home.Root());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, banner + rule + Help("/data/run7/", "33.5"));
    // A bad settings file stops -help too.
    home.Write(".quorvalixrc", "Flag -xml\n");
    r = RunQuorvalix({"-help"}, home.Root());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, banner + "Flag -xml\nERROR: invalid lines in .quorvalixrc file " + home.Path(".quorvalixrc") +
                         terminating);
}

TEST(ProgramTest, ExitStatuses) {
    TestProject project;
    WriteProject(project, Originals());
    struct {
        std::vector<std::string> args;
        int status;
        std::string message;  // in standard error
    } const cases[] = {
        {{}, 0, "Writing to standard output.\n\n"},
        {{"-clear"}, 0, rule + "Clearing Quorvalix tags\n\n"},
        {{"-H"}, 1, rule + "ERROR in COMMAND LINE : invalid flag -H\n" + terminating},
        {{"--help"}, 1, "ERROR in COMMAND LINE : invalid flag --help\n" + terminating},
        {{"-window", "3"}, 1, "ERROR in COMMAND LINE : invalid parameter -window 3  Must be a number from 5 to 50.\n"},
        {{"-ace", "none.ace"}, 1, "ERROR: can not open the ACE file " + project.Path("edit_dir/none.ace") + terminating},
        {{"-dir", "elsewhere"}, 1, "ERROR: can not access directory " + project.Path("elsewhere/edit_dir/")},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        RunResult r = RunQuorvalix(c.args, project.Root());
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.substr(0, banner.size()), banner);
    }
    // A report that cannot reach standard output fails the run.
    RunResult full = RunQuorvalix({}, project.Root(), {}, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("ERROR: can not write the report to standard output" + terminating), std::string::npos)
        << full.err;
}

TEST(ProgramTest, FatalSignalPrintsTheBannerAndExitsWithItsNumber) {
    TestProject project;
    WriteProject(project, Originals());
    RunResult r = RunQuorvalix({}, project.Root(), {"QUORVALIX_FAULT_RENAME=1:segv"});
    EXPECT_EQ(r.status, SIGSEGV);
    std::string line(68, '-');
    EXPECT_NE(r.err.find("\n" + line + "\n A critical error has occurred." + std::string(37, ' ') + "\n Please report it"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 71), "\n" + line + "\n\n");
}

// Every point of a rewrite at which a run can be broken: the files are each
// either the old ones or the new ones of a whole run, never a mixture, and
// a later run goes through.
TEST(ProgramTest, BrokenRunLeavesEachFileOldOrNew) {
    std::string const moment = "QUORVALIX_FAULT_TIME=1140113107";
    TestProject whole;
    WriteProject(whole, Originals());
    ASSERT_EQ(RunQuorvalix({}, whole.Root(), {moment}).status, 0);
    ProjectFiles before = Originals();
    ProjectFiles after = ReadProject(whole);
    ASSERT_NE(after.r2, before.r2);  // the run changes the files it rewrites

    TestProject later;
    WriteProject(later, Originals());
    ASSERT_EQ(RunQuorvalix({}, later.Root(), {"QUORVALIX_FAULT_TIME=1140113108"}).status, 0);
    ProjectFiles next = ReadProject(later);

    std::vector<std::string> faults;
    for (int n = 1; n <= 4; ++n) {
        faults.push_back("QUORVALIX_FAULT_RENAME=" + std::to_string(n) + ":kill");
        faults.push_back("QUORVALIX_FAULT_RENAME=" + std::to_string(n) + ":killafter");
        faults.push_back("QUORVALIX_FAULT_WRITE=" + std::to_string(n));
    }
    for (std::string const& fault : faults) {
        SCOPED_TRACE(fault);
        TestProject project;
        WriteProject(project, Originals());
        RunResult r = RunQuorvalix({}, project.Root(), {moment, fault});
        EXPECT_EQ(r.status, 128 + SIGKILL) << r.err;
        ExpectEachOldOrNew(ReadProject(project), before, after);
        // What the killed run left is hidden from listings.
        EXPECT_EQ(Visible(project.Path("edit_dir")), std::vector<std::string>{"project.ace"});
        EXPECT_EQ(Visible(project.Path("phd_dir")),
                  (std::vector<std::string>{"r1.phd.1", "r2.phd.1", "r3.phd.1", "s1.phd.1"}));
        // A rerun in the same second, then one a second later, go through.
        RunResult again = RunQuorvalix({}, project.Root(), {moment});
        EXPECT_EQ(again.status, 0) << again.err;
        ExpectSame(ReadProject(project), after);
        again = RunQuorvalix({}, project.Root(), {"QUORVALIX_FAULT_TIME=1140113108"});
        EXPECT_EQ(again.status, 0) << again.err;
        ExpectSame(ReadProject(project), next);
    }
}

// SIGTERM, SIGINT or SIGHUP at any write or rename of an update or of a
// clearing, just before a rename, or on the console before the first file
// is replaced and after the last: the run ends by that signal, no
// temporary file is left, the file being replaced keeps its bytes (each
// file is old or wholly new), and the next run goes through. A first run
// under strace lists the calls; the writes of the files being made are
// each given all three signals, the other calls one.
TEST(ProgramTest, SignalLeavesNoTemporaryFileAndEachFileOldOrNew) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    std::string const moment = "1140113107";
    ProjectFiles const original = Originals();
    ProjectFiles updated;
    {
        TestProject whole;
        WriteProject(whole, original);
        ASSERT_EQ(RunQuorvalix({}, whole.Root(), {"QUORVALIX_FAULT_TIME=" + moment}).status, 0);
        updated = ReadProject(whole);
    }
    int const signals[] = {SIGTERM, SIGINT, SIGHUP};
    struct {
        std::vector<std::string> args;
        ProjectFiles const& from;
        ProjectFiles const& to;
    } const runs[] = {{{}, original, updated}, {{"-clear"}, updated, original}};
    for (auto const& run : runs) {
        std::string what = run.args.empty() ? "update" : "clear";
        struct Point {
            std::string call;
            int when;  // its count among the calls of its name
            bool onProject;
        };
        std::vector<Point> points;
        {
            TestProject listed;
            WriteProject(listed, run.from);
            std::string log = listed.Path("calls");
            ASSERT_EQ(RunTraced(strace, {"-y", "-o", log, "-e", "trace=write,rename,renameat,renameat2"}, run.args,
                                listed.Root(), moment)
                          .status,
                      0);
            std::map<std::string, int> seen;
            std::istringstream lines(ReadFile(log));
            for (std::string line; std::getline(lines, line);) {
                std::string call = line.substr(0, line.find('('));
                std::string first = line.substr(0, line.find(','));  // the file (-y) or path
                points.push_back({call, ++seen[call], first.find(listed.Root()) != std::string::npos});
            }
        }
        // Of the console's calls (the report's are many) only the first,
        // before any file is replaced, and the last, after all of them.
        auto console = [](Point const& p) { return !p.onProject; };
        auto first = std::find_if(points.begin(), points.end(), console);
        auto last = std::find_if(points.rbegin(), points.rend(), console).base() - 1;
        ASSERT_TRUE(first < last) << what;
        points.erase(std::remove_if(first + 1, last, console), last);
        ASSERT_GE(points.size(), 8u) << what;
        for (std::size_t i = 0; i < points.size(); ++i) {
            Point const& point = points[i];
            // What strace injects, and the signal.
            std::vector<std::pair<std::string, int>> faults;
            for (int signal : signals) {
                bool mid = point.onProject && point.call == "write";
                if (!mid && signal != signals[i % 3]) continue;
                std::string name = signal == SIGTERM ? "TERM" : signal == SIGINT ? "INT" : "HUP";
                faults.emplace_back("signal=" + name, signal);
                if (point.call != "write") faults.emplace_back("error=EINTR:signal=" + name, signal);  // not renamed
            }
            for (auto const& [fault, signal] : faults) {
                std::string where = what + ", " + point.call + " " + std::to_string(point.when) + ", " + fault;
                SCOPED_TRACE(where);
                TestProject project;
                WriteProject(project, run.from);
                RunResult r = RunTraced(strace,
                                        {"-o", "/dev/null", "-e", "trace=" + point.call, "-e",
                                         "inject=" + point.call + ":" + fault + ":when=" + std::to_string(point.when)},
                                        run.args, project.Root(), moment);
                EXPECT_EQ(r.signal, signal) << r.err;
                ExpectEachOldOrNew(ReadProject(project), run.from, run.to);
                EXPECT_EQ(project.List("edit_dir"), "project.ace ");
                EXPECT_EQ(project.List("phd_dir"), "r1.phd.1 r2.phd.1 r3.phd.1 s1.phd.1 ");
                RunResult again = RunQuorvalix(run.args, project.Root(), {"QUORVALIX_FAULT_TIME=" + moment});
                EXPECT_EQ(again.status, 0) << again.err;
                ExpectSame(ReadProject(project), run.to);
            }
        }
    }
}

// A signal while the navigation file or the report is written removes the
// file, so no report is ever left cut short; the process ends by the signal.
TEST(ProgramTest, SignalWhileWritingTheReportRemovesIt) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    struct {
        char const* file;
        char const* signal;
        int number;
    } const cases[] = {{"quorvalix.nav", "TERM", SIGTERM}, {"quorvalix.out", "INT", SIGINT},
                       {"quorvalix.out", "HUP", SIGHUP}};
    for (auto const& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.signal);
        TestProject project;
        WriteProject(project, Originals());
        std::string path = project.Path(std::string("edit_dir/") + c.file);
        RunResult r = RunTraced(strace,
                                {"-o", "/dev/null", "-P", path, "-e", "trace=write", "-e",
                                 std::string("inject=write:signal=") + c.signal + ":when=1"},
                                {"-output", "-nav"}, project.Root(), "1140113107");
        EXPECT_EQ(r.signal, c.number) << r.err;
        EXPECT_FALSE(Exists(path));
        EXPECT_FALSE(Exists(project.Path("edit_dir/quorvalix.out")));
        EXPECT_EQ(project.List("edit_dir"), c.number == SIGTERM ? "project.ace " : "project.ace quorvalix.nav ");
    }
}

// A report or navigation file behind a link, given a write failure (no
// room) or a signal at its write: the file the link finally names is
// removed, never left cut short, as a plain file is; the links stay, and
// the next run writes through them again.
TEST(ProgramTest, FileBehindALinkIsRemovedNotCutShort) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    struct {
        char const* what;
        std::vector<std::pair<std::string, std::string>> links;  // each link's path and its target, as written
        std::string file;                                        // the file written; NAME stands for the file's name
        bool there;                                              // before the run
    } const layouts[] = {
        {"a plain file", {}, "edit_dir/NAME", true},
        {"a link to a file", {{"edit_dir/NAME", "report.txt"}}, "edit_dir/report.txt", true},
        {"a link to a file not yet made", {{"edit_dir/NAME", "report.txt"}}, "edit_dir/report.txt", false},
        {"relative links through another directory",
         {{"edit_dir/NAME", "../kept/hop"}, {"kept/hop", "report.txt"}},
         "kept/report.txt",
         true},
    };
    std::pair<char const*, int> const signals[] = {{"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
    int turn = 0;
    for (std::string const name : {"quorvalix.out", "quorvalix.nav"}) {
        for (auto const& layout : layouts) {
            auto named = [&](std::string path) {
                std::size_t at = path.find("NAME");
                return at == std::string::npos ? path : path.replace(at, 4, name);
            };
            std::string file = named(layout.file);
            auto const& [signalName, signal] = signals[turn++ % 3];
            for (std::string const& fault : {std::string("error=ENOSPC"), "signal=" + std::string(signalName)}) {
                SCOPED_TRACE(name + ", " + layout.what + ", " + fault);
                TestProject project;
                WriteProject(project, Originals());
                ::mkdir(project.Path("kept").c_str(), 0755);
                for (auto const& [link, target] : layout.links)
                    ASSERT_EQ(::symlink(target.c_str(), project.Path(named(link)).c_str()), 0);
                if (layout.there) project.Write(file, "an older file\n");
                RunResult r = RunTraced(strace,
                                        {"-o", "/dev/null", "-P", project.Path(file), "-e", "trace=write", "-e",
                                         "inject=write:" + fault + ":when=1"},
                                        {"-output", "-nav"}, project.Root(), "1140113107");
                if (fault == "error=ENOSPC") {
                    EXPECT_EQ(r.status, 1);
                    EXPECT_NE(r.err.find("ERROR: can not write file " + project.Path("edit_dir/" + name) + terminating),
                              std::string::npos)
                        << r.err;
                } else {
                    EXPECT_EQ(r.signal, signal) << r.err;
                }
                EXPECT_FALSE(Exists(project.Path(file)));
                for (auto const& [link, target] : layout.links) {
                    struct stat status;
                    EXPECT_TRUE(::lstat(project.Path(named(link)).c_str(), &status) == 0 && S_ISLNK(status.st_mode))
                        << link;
                }
                RunResult again = RunQuorvalix({"-output", "-nav"}, project.Root());
                EXPECT_EQ(again.status, 0) << again.err;
                EXPECT_NE(project.Read(file), "");
            }
        }
    }
}

// A rename that fails: the file it was to replace and every file after it
// keep their bytes, and no temporary file is left.
TEST(ProgramTest, FailingRenameLeavesTheFileAsItWas) {
    for (int n : {1, 3}) {
        SCOPED_TRACE(n);
        TestProject project;
        WriteProject(project, Originals());
        RunResult r = RunQuorvalix({}, project.Root(), {"QUORVALIX_FAULT_RENAME=" + std::to_string(n) + ":fail"});
        EXPECT_EQ(r.status, 1);
        ProjectFiles now = ReadProject(project);
        ProjectFiles before = Originals();
        std::string target = n == 1 ? project.Path("edit_dir/project.ace") : project.Path("phd_dir/r2.phd.1");
        EXPECT_NE(r.err.find("ERROR: can not rename file " + target + terminating), std::string::npos) << r.err;
        EXPECT_EQ(now.r2, before.r2);
        EXPECT_EQ(now.r3, before.r3);
        if (n == 1) {
            EXPECT_EQ(now.ace, before.ace);
        }
        EXPECT_EQ(project.List("edit_dir"), "project.ace ");
        EXPECT_EQ(project.List("phd_dir"), "r1.phd.1 r2.phd.1 r3.phd.1 s1.phd.1 ");
    }
}

// The quorvalix program as a user runs it: its early exits and their
// texts, exit statuses, a fatal signal, and runs broken at chosen points
// (a failing rename, a kill before or after a rename or in the middle of a
// write) that must leave each project file either as it was or wholly new.
#include <gtest/gtest.h>

#include <csignal>
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
        ProjectFiles now = ReadProject(project);
        std::string const* files[][3] = {{&now.ace, &before.ace, &after.ace}, {&now.r1, &before.r1, &after.r1},
                                         {&now.r2, &before.r2, &after.r2},    {&now.r3, &before.r3, &after.r3},
                                         {&now.s1, &before.s1, &after.s1}};
        for (auto const& f : files) EXPECT_TRUE(*f[0] == *f[1] || *f[0] == *f[2]) << *f[0];
        RunResult again = RunQuorvalix({}, project.Root(), {"QUORVALIX_FAULT_TIME=1140113108"});
        EXPECT_EQ(again.status, 0) << again.err;
        ExpectSame(ReadProject(project), next);
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

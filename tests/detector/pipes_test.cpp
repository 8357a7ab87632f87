// Project files that are named pipes or devices: quorvalix refuses them at
// once, never waiting on a pipe for a writer or reading a device without
// end; inputs that are read once and never rewritten still come from a
// pipe. Every run is killed at a timeout, so that a run that waits fails
// its test instead of holding up the suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "fixtures.h"
#include "project_test.h"
#include "small_project.h"

namespace {

double const Patience = 10;  // seconds a run may take
std::string const terminating = "\n\nQUORVALIX is terminating.\n\n";

}  // namespace

TEST(ChildTimeout, AChildStillRunningIsKilled) {
    ChildSetup setup;
    setup.timeout = 0.2;
    RunResult r = RunInChild([] { return ::pause(); }, setup);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_LT(r.wall, Patience);
    r = RunInChild([] { return 3; }, setup);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 3);
}

// A pipe with no writer, or a link to a device, in the place of each kind
// of project file, in a run and in a clearing. An ACE or PHD file stops the
// run with every file as it was; a POLY file is one that cannot be opened:
// its read is marked as needing data, and the run goes on.
TEST(PipesAndDevices, NoRunWaitsOnAProjectFile) {
    struct {
        std::string file;
        std::string device;  // empty: a named pipe
        std::vector<std::string> args;
        std::string message;  // the path follows
    } const cases[] = {
        {"edit_dir/project.ace", "", {}, "ERROR: not a regular file: "},
        {"phd_dir/r2.phd.1", "", {}, "ERROR: cannot open the PHD file "},
        {"poly_dir/r2.poly", "", {}, "    Unable to open file "},
        {"edit_dir/project.ace", "/dev/zero", {}, "ERROR: not a regular file: "},
        {"phd_dir/r1.phd.1", "/dev/zero", {"-update", "off"}, "ERROR: cannot open the PHD file "},
        {"poly_dir/r1.poly", "/dev/null", {}, "    Unable to open file "},
        {"edit_dir/project.ace", "", {"-clear"}, "ERROR: not a regular file: "},
        {"phd_dir/s1.phd.1", "", {"-clear"}, "ERROR: not a regular file: "},
        {"phd_dir/r1.phd.1", "/dev/zero", {"-clear"}, "ERROR: not a regular file: "},
    };
    for (auto const& c : cases) {
        std::string what = c.file + (c.device.empty() ? " as a pipe" : " as " + c.device) +
                           (c.args.empty() ? "" : " with " + c.args[0]);
        SCOPED_TRACE(what);
        TestProject project;
        WriteProject(project, Originals());
        std::string path = project.Path(c.file);
        std::string original = project.Read(c.file);
        ASSERT_EQ(::unlink(path.c_str()), 0);
        ASSERT_EQ(c.device.empty() ? ::mkfifo(path.c_str(), 0644) : ::symlink(c.device.c_str(), path.c_str()), 0);
        RunResult r = RunQuorvalix(c.args, project.Root(), {}, "", Patience);
        ASSERT_FALSE(r.timedOut) << r.err;
        if (c.file.compare(0, 9, "poly_dir/") == 0) {
            EXPECT_EQ(r.status, 0);
            EXPECT_NE(r.err.find(c.message + path + " - skipping.\n"), std::string::npos) << r.err;
            std::string read = c.file.substr(9, 2);
            std::string length = read == "r1" ? "24" : "21";
            EXPECT_NE(project.Read("phd_dir/" + read + ".phd.1")
                          .find("TYPE: dataNeeded\nSOURCE: quorValix\nUNPADDED_READ_POS: 1 " + length + "\n"),
                      std::string::npos);
            continue;
        }
        EXPECT_EQ(r.status, 1);
        std::string ending = c.message + path + terminating;
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), ending.size())), ending) << r.err;
        // Put back, the file shows that nothing else was touched.
        ASSERT_EQ(::unlink(path.c_str()), 0);
        project.Write(c.file, original);
        ExpectSame(ReadProject(project), Originals());
        EXPECT_EQ(project.List("edit_dir"), "project.ace ");
    }
}

// A FASTA file given to wendlaric through process substitution, and a
// list of traces given to trelvik so: what they write is what they write
// from regular files with the same bytes.
TEST(PipesAndDevices, InputsReadOnceStillComeFromAPipe) {
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash for process substitution";
    std::string const fasta = ">r1\nACGTACGTAC\n>r2\nGGCCAATT\n";
    TestProject fromFiles, fromPipes;
    auto run = [](TestProject const& project, std::string const& cwd, std::string const& command,
                  std::vector<std::string> const& args) {
        std::vector<std::string> argv = {"/bin/bash", "-c", command};
        argv.insert(argv.end(), args.begin(), args.end());
        RunResult r = RunProgram(argv, project.Path(cwd), {}, Patience);
        EXPECT_FALSE(r.timedOut) << command;
        EXPECT_EQ(r.status, 0) << command << "\n" << r.err;
        return r;
    };
    for (TestProject const* project : {&fromFiles, &fromPipes}) {
        MakeDir(project->Path("chromat_dir"));
        project->Write("chromat_dir/t1.scf", ScfFile(BalancedTrace(), '3', 2));
    }
    fromFiles.Write("edit_dir/reads.fa", fasta);
    RunResult fileRun = run(fromFiles, "edit_dir", "\"$0\" reads.fa", {QUORVALIX_WENDLARIC});
    RunResult pipeRun = run(fromPipes, "edit_dir", "\"$0\" <(printf %s \"$1\")", {QUORVALIX_WENDLARIC, fasta});
    EXPECT_EQ(pipeRun.out + pipeRun.err, fileRun.out + fileRun.err);
    fromFiles.Write("list", "r1.scf\nr2.scf\nt1.scf\n");
    fileRun = run(fromFiles, "", "\"$0\" -list list", {QUORVALIX_TRELVIK});
    pipeRun = run(fromPipes, "", "\"$0\" -list <(ls chromat_dir)", {QUORVALIX_TRELVIK});
    EXPECT_EQ(pipeRun.out + pipeRun.err, fileRun.out + fileRun.err);

    ASSERT_EQ(fromPipes.List("phd_dir"), "r1.phd.1 r2.phd.1 t1.phd.1 ");
    for (std::string const dir : {"chromat_dir", "phd_dir", "poly_dir"}) {
        ASSERT_EQ(fromPipes.List(dir), fromFiles.List(dir)) << dir;
        for (std::string const& name : ListDir(fromFiles.Path(dir))) {
            std::string const file = dir + "/" + name;
            EXPECT_EQ(MaskTime(fromPipes.Read(file)), MaskTime(fromFiles.Read(file))) << file;
        }
    }
}

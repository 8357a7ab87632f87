// A report or navigation file that is a project file, by its name, behind a
// link or as a second name of the same file: the run is refused before it
// writes anything, whatever the run (an analysis or a clearing), and every
// project file keeps its bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <unistd.h>

#include "project_test.h"
#include "small_project.h"

namespace {

std::string const terminating = "\n\nQUORVALIX is terminating.\n\n";

// The small project, with edit_dir/report.txt a link to its ACE file and
// edit_dir/sites.nav a second name of the PHD file of s1, the one read of
// Contig2.
void WriteLinkedProject(TestProject const& project) {
    WriteProject(project, Originals());
    ASSERT_EQ(::symlink("project.ace", project.Path("edit_dir/report.txt").c_str()), 0);
    ASSERT_EQ(::link(project.Path("phd_dir/s1.phd.1").c_str(), project.Path("edit_dir/sites.nav").c_str()), 0);
}

std::string PolyFiles(TestProject const& project) {
    return project.Read("poly_dir/r1.poly") + project.Read("poly_dir/r2.poly") + project.Read("poly_dir/s1.poly");
}

}  // namespace

TEST(OutputClash, OutputThatIsAProjectFileIsRefused) {
    struct {
        std::vector<std::string> args;
        std::string output;   // "report" or "navigation", and its path in the project
        std::string path;
        std::string project;  // "ACE", "PHD" or "POLY", and its path
        std::string file;
    } const cases[] = {
        {{"-source", "1", "3", "-output", "project.ace"}, "report", "edit_dir/project.ace", "ACE",
         "edit_dir/project.ace"},
        {{"-output", "phd_dir/r2.phd.1"}, "report", "phd_dir/r2.phd.1", "PHD", "phd_dir/r2.phd.1"},
        // A one-read contig is not analysed, but its files are the project's.
        {{"-output", "poly_dir/s1.poly"}, "report", "poly_dir/s1.poly", "POLY", "poly_dir/s1.poly"},
        {{"-output", "report.txt"}, "report", "edit_dir/report.txt", "ACE", "edit_dir/project.ace"},
        {{"-nav", "sites"}, "navigation", "edit_dir/sites.nav", "PHD", "phd_dir/s1.phd.1"},
        // A clearing writes neither, but a name that is a file it clears is
        // a slip all the same.
        {{"-clear", "-output", "phd_dir/r3.phd.1"}, "report", "phd_dir/r3.phd.1", "PHD", "phd_dir/r3.phd.1"},
        {{"-clear", "-nav", "sites"}, "navigation", "edit_dir/sites.nav", "PHD", "phd_dir/s1.phd.1"},
        {{"-clear", "-output", "report.txt"}, "report", "edit_dir/report.txt", "ACE", "edit_dir/project.ace"},
    };
    for (auto const& c : cases) {
        std::string what;
        for (std::string const& arg : c.args) what += arg + " ";
        SCOPED_TRACE(what);
        TestProject project;
        WriteLinkedProject(project);
        std::string const poly = PolyFiles(project);
        RunResult r = RunQuorvalix(c.args, project.Root());
        EXPECT_EQ(r.status, 1);
        std::string ending = "ERROR: the " + c.output + " file " + project.Path(c.path) + " is the " + c.project +
                             " file " + project.Path(c.file) + terminating;
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), ending.size())), ending) << r.err;
        EXPECT_EQ(r.out, "");
        ExpectSame(ReadProject(project), Originals());
        EXPECT_EQ(PolyFiles(project), poly);
        EXPECT_EQ(project.List("edit_dir"), "project.ace report.txt sites.nav ");
    }
}

// Only an output the run writes is compared: the same names with the
// report on standard output and no navigation file make a whole run.
TEST(OutputClash, NameOfAnOutputNotWrittenIsNoClash) {
    TestProject project;
    WriteLinkedProject(project);
    RunResult r = RunQuorvalix({"-output", "report.txt", "-output", "off", "-nav", "sites", "-nav", "off"},
                               project.Root());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("END_MESSAGE"), std::string::npos);
    EXPECT_EQ(project.Read("edit_dir/report.txt").compare(0, 3, "AS "), 0);  // the ACE file, tagged
    EXPECT_EQ(project.Read("edit_dir/sites.nav"), Originals().s1);
}

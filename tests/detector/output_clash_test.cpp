// A report or navigation file that is a project file, by its name, behind a
// link or as a second name of the same file: the run is refused before it
// writes anything, whatever the run (an analysis or a clearing), and every
// project file keeps its bytes. So is an analysis whose report and
// navigation file are one file, or one of which can not be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
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

void Link(std::string const& target, std::string const& link) { ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0); }

// The end of the messages of a run refused with `message`.
void ExpectRefused(RunResult const& r, std::string const& message) {
    EXPECT_EQ(r.status, 1);
    std::string ending = message + terminating;
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), ending.size())), ending) << r.err;
    EXPECT_EQ(r.out, "");
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

// Found before the PHD files are read: no project file is rewritten, no
// output is made, and the message is the one a failed opening of the file
// gives.
TEST(OutputClash, OutputsThatCanNotBeWrittenAsAskedAreRefusedFirst) {
    bool const root = ::geteuid() == 0;  // the superuser writes any folder
    struct {
        char const* what;
        std::function<void(TestProject const&)> make;
        std::vector<std::string> args;
        std::string message;  // after "ERROR: ", ROOT standing for the project
        bool asUser;          // a permission the superuser does not need
    } const cases[] = {
        {"report and navigation file by one name", nullptr, {"-output", "edit_dir/a.nav", "-nav", "edit_dir/a"},
         "the report file ROOTedit_dir/a.nav is the navigation file ROOTedit_dir/a.nav", false},
        {"the report by the navigation file's default name", nullptr, {"-output", "quorvalix.nav", "-nav"},
         "the report file ROOTedit_dir/quorvalix.nav is the navigation file ROOTedit_dir/quorvalix.nav", false},
        {"one new file by two paths", nullptr, {"-output", "edit_dir/../edit_dir/x.nav", "-nav", "x"},
         "the report file ROOTedit_dir/../edit_dir/x.nav is the navigation file ROOTedit_dir/x.nav", false},
        {"a link to the navigation file not yet made",
         [](TestProject const& p) { Link("sites.nav", p.Path("edit_dir/report")); },
         {"-output", "report", "-nav", "sites"},
         "the report file ROOTedit_dir/report is the navigation file ROOTedit_dir/sites.nav", false},
        {"two names of an existing file",
         [](TestProject const& p) {
             p.Write("edit_dir/old.out", "old");
             ASSERT_EQ(::link(p.Path("edit_dir/old.out").c_str(), p.Path("edit_dir/old.nav").c_str()), 0);
         },
         {"-output", "old.out", "-nav", "old"},
         "the report file ROOTedit_dir/old.out is the navigation file ROOTedit_dir/old.nav", false},
        {"a folder at the default report name",
         [](TestProject const& p) { ::mkdir(p.Path("edit_dir/quorvalix.out").c_str(), 0755); }, {"-output"},
         "can not create the file ROOTedit_dir/quorvalix.out", false},
        {"the edit folder itself", nullptr, {"-output", "."}, "can not create the file ROOTedit_dir/.", false},
        {"a folder at the navigation file's name",
         [](TestProject const& p) { ::mkdir(p.Path("edit_dir/sites.nav").c_str(), 0755); }, {"-nav", "sites"},
         "can not create the file ROOTedit_dir/sites.nav", false},
        {"a link into a folder that is not there",
         [](TestProject const& p) { Link(p.Path("missing/report"), p.Path("edit_dir/report")); },
         {"-output", "report"}, "can not create the file ROOTedit_dir/report", false},
        {"links in a loop", [](TestProject const& p) { Link("loop", p.Path("edit_dir/loop")); },
         {"-output", "loop"}, "can not create the file ROOTedit_dir/loop", false},
        {"a folder that is not there", nullptr, {"-output", "missing/report"},
         "can not access directory ROOTmissing/", false},
        {"a link into a folder without write permission",
         [](TestProject const& p) {
             ::mkdir(p.Path("locked").c_str(), 0555);
             Link("../locked/report", p.Path("edit_dir/report"));
         },
         {"-output", "report", "-nav"}, "can not create the file ROOTedit_dir/report", true},
        {"a report without write permission",
         [](TestProject const& p) {
             p.Write("edit_dir/quorvalix.nav", "old");
             ::chmod(p.Path("edit_dir/quorvalix.nav").c_str(), 0444);
         },
         {"-output", "-nav"}, "can not create the file ROOTedit_dir/quorvalix.nav", true},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asUser && root) continue;
        TestProject project;
        WriteProject(project, Originals());
        if (c.make) c.make(project);
        std::string const poly = PolyFiles(project);
        std::string const edit = project.List("edit_dir");
        std::string message = "ERROR: " + c.message;
        for (std::size_t at; (at = message.find("ROOT")) != std::string::npos;) message.replace(at, 4, project.Root());
        ExpectRefused(RunQuorvalix(c.args, project.Root()), message);
        ExpectSame(ReadProject(project), Originals());
        EXPECT_EQ(PolyFiles(project), poly);
        EXPECT_EQ(project.List("edit_dir"), edit);
    }
}

// What the check lets through: a device, also as both outputs; a clearing,
// which writes neither output; and an analysis that writes both, which
// rewrites the project (so the refusals above left it untouched).
TEST(OutputClash, OutputsThatCanBeWrittenAreWritten) {
    TestProject project;
    WriteProject(project, Originals());
    Link("/dev/null", project.Path("edit_dir/null"));
    Link("/dev/null", project.Path("edit_dir/null.nav"));
    ::mkdir(project.Path("edit_dir/quorvalix.out").c_str(), 0755);
    RunResult r = RunQuorvalix({"-clear", "-output"}, project.Root());
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunQuorvalix({"-output", "null", "-nav", "null"}, project.Root());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(project.List("edit_dir"), "null null.nav project.ace quorvalix.out ");
    r = RunQuorvalix({"-output", "report", "-nav", "sites"}, project.Root());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(project.Read("edit_dir/report").find("END_MESSAGE"), std::string::npos);
    EXPECT_EQ(project.Read("edit_dir/sites.nav").compare(0, 18, "TITLE: QUORVALIX  "), 0);
    ProjectFiles after = ReadProject(project);  // r3, without its POLY file, marked as needing data
    EXPECT_NE(after.r3, Originals().r3);
}

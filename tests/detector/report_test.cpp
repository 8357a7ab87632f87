// The navigation file and the report in both layouts, on the small project
// with its planted sites: whole files worked out by hand, the edge of a
// run without valid contigs, XML that stays well formed whatever the names
// hold, and outputs that cannot be written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "model_test.h"
#include "project_test.h"
#include "small_project.h"

namespace {

// The settings file of these runs: the ACE tag "comment" marks verified
// sites, the PHD tag "comment" manual genotypes.
std::string const settings = "verifiedtag comment\nmanualtag comment\n";

struct Report {
    CallResult result;
    std::string out;  // standard output
};

// Reads the small project, plants its sites and writes the navigation file
// and the report.
Report Write(TestProject const& project, std::string const& flags, bool reference = false) {
    ProjectRun run(project, flags);
    EXPECT_FALSE(run.start.failed) << run.start.messages;
    CallResult read = run.Read();
    EXPECT_FALSE(read.failed) << read.messages;
    if (run.assembly.Get(0L)->Length() > 0) {
        PlantSites(run.assembly);
        if (reference) ModelInspector::UseReference(*run.assembly.Get(0L));
    }
    Report report;
    testing::internal::CaptureStdout();
    report.result = Capture([&] {
        run.files.WriteNavFile();
        run.files.WriteOutFile();
    });
    report.out = testing::internal::GetCapturedStdout();
    return report;
}

class ReportTest : public testing::Test {
protected:
    void SetUp() override {
        WriteProject(project, Originals());
        project.Write(".quorvalixrc", settings);
        // The header names the directory the run started in.
        ProjectRun probe(project);
        current = probe.files.currentDirectory.String();
    }
    std::string Header(bool xml) const {
        std::string time = ProjectRun::Date("%d/%m/%y %H:%M:%S");
        if (xml)
            return "<?xml version=\"1.0\" standalone=\"yes\"?>\n<report program=\"Quorvalix\" version=\"5.04\" "
                   "build=\"2006.02.07\">\n  <header>\n    <thumbprint>1140113107</thumbprint>\n    <time>" +
                   time + "</time>\n    <current_dir>" + current + "</current_dir>\n    <rc_file>" +
                   project.Path(".quorvalixrc") + "</rc_file>\n  </header>\n  <command_line>";
        return "BEGIN_MESSAGE\n\nBEGIN_HEADER\n---------------------------------------------------------\n"
               "QUORVALIX    Version 5.04          Build 2006.02.07\n"
               "---------------------------------------------------------\n"
               "QUORVALIX_THUMBPRINT  1140113107\nTIME                  " +
               time + "\nCURRENT_DIRECTORY     " + current + "\nRC_FILE               " +
               project.Path(".quorvalixrc") + "\nEND_HEADER\n\nBEGIN_COMMAND_LINE";
    }
    TestProject project;
    std::string current;
};

}  // namespace

TEST_F(ReportTest, TextReportAndNavigationFile) {
    Report r = Write(project, "-indel -ms -nav sites -output");
    ASSERT_FALSE(r.result.failed) << r.result.messages;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.result.messages.find("Writing the navigator file " + project.Path("edit_dir/sites.nav") +
                                     "\nWriting the output file " + project.Path("edit_dir/quorvalix.out") +
                                     "\n\n"),
              std::string::npos)
        << r.result.messages;

    std::string region = "\nBEGIN_REGION\nTYPE: CONSENSUS\nCONTIG: Contig1\nUNPADDED_CONS_POS: ";
    EXPECT_EQ(project.Read("edit_dir/sites.nav"),
              "TITLE: QUORVALIX  " + ProjectRun::Date("%m/%d/%y %H:%M:%S") + "\n" + region +
                  "6 6\nCOMMENT: 96\nEND_REGION\n" + region + "9 9\nCOMMENT: 40\nEND_REGION\n" + region +
                  "16 16\nCOMMENT: 99\nEND_REGION\n" + region + "14 14\nCOMMENT: indel\nEND_REGION\n");

    // Columns: positions 10 wide, read names 5 (the longest, 2, and 3),
    // flanks 12 (10 and 2), alleles 3.
    EXPECT_EQ(project.Read("edit_dir/quorvalix.out"),
              Header(false) +
                  "\n -dir      " + project.Root() +
                  "\n -ace      project.ace"
                  "\n -score    70"
                  "\n -quality  25"
                  "\n -window   20"
                  "\n -tag      genotype"
                  "\n -nav      sites"
                  "\nEND_COMMAND_LINE"
                  "\n\nBEGIN_CONTIG\nContig1"
                  "\n\nBEGIN_POLY\n"
                  "6              ACGTA  C  T  GTACGTACGT  96\n"
                  "9           ACGTACGT  A  G  CGTACGTACG  40\n"
                  "16        CGTACGTACG  C  T  ACGTACGT    99\n"
                  "END_POLY"
                  "\n\nBEGIN_GENOTYPE\n"
                  "6         6         r1   C  T  97\n"
                  "6         18        r2   T  T  99\n"
                  "16        16        r1   T  T  90\n"
                  "16        9         r2   C  C  90\n"
                  "END_GENOTYPE"
                  "\n\nBEGIN_COLUMNGENOTYPE\n"
                  "9         9         r1   A  A  80\n"
                  "9         15        r2   A  N  0\n"
                  "END_COLUMNGENOTYPE"
                  "\n\nBEGIN_INDEL\n"
                  "14        11        r2   +- 2\n"
                  "END_INDEL"
                  "\n\nBEGIN_POLYINDEL\n"
                  "19        ACGTACGTAC  G  TACGT     \n"
                  "END_POLYINDEL"
                  "\n\nBEGIN_COLUMNINDEL\n"
                  "19        19        r1   userIndel\n"
                  "19        11        r2   heterozygoteIndel\n"
                  "END_COLUMNINDEL"
                  "\n\nBEGIN_MANUALGENOTYPE\n"
                  "3         3         r1   comment   look here\n"
                  "END_MANUALGENOTYPE"
                  "\n\nBEGIN_VERIFIED\n"
                  "5         comment   user note \n"
                  "END_VERIFIED"
                  "\n\nBEGIN_MICROSATELLITE\n"
                  "17          5    2\n"
                  "END_MICROSATELLITE"
                  "\n\nBEGIN_SAMPLE\n"
                  "r1   1         24        30\n"
                  "r2   3         19        25\n"
                  "r3   1         0         0\n"
                  "END_SAMPLE"
                  "\n\nBEGIN_COVERAGE\n"
                  "1         2         1\n"
                  "3         24        2\n"
                  "END_COVERAGE"
                  "\nEND_CONTIG"
                  "\nEND_MESSAGE\n");
}

// The same content as elements, with the reference's positions after the
// consensus positions and its bases in the flanks.
TEST_F(ReportTest, XmlReportWithTheReference) {
    Report r = Write(project, "-indel -ms -xml -ref", true);
    ASSERT_FALSE(r.result.failed) << r.result.messages;
    EXPECT_NE(r.result.messages.find("Writing to standard output.\n\n"), std::string::npos);
    EXPECT_EQ(r.out, Header(true) +
                         "\n    <work_dir>" + project.Root() + "</work_dir>"
                         "\n    <ace_file>project.ace</ace_file>"
                         "\n    <score_limit>70</score_limit>"
                         "\n    <quality_limit>25</quality_limit>"
                         "\n    <quality_window>20</quality_window>"
                         "\n    <tag_type>genotype</tag_type>"
                         "\n    <ref_id>.REF</ref_id>"
                         "\n  </command_line>"
                         "\n\n  <contig>\n    <contig_name>Contig1</contig_name>"
                         "\n    <reference_name>ref.REF</reference_name>"
                         "\n    <block-snp_site>"
                         "\n      <snp_site>6 6      ACGTA C T GTACGTCGTA 96</snp_site>"
                         "\n      <snp_site>9 9   ACGTACGT A G CGTCGTACGT 40</snp_site>"
                         "\n      <snp_site>16 15 ACGTACGTCG C T ACGTACGT   99</snp_site>"
                         "\n    </block-snp_site>"
                         "\n    <block-snp_genotype>"
                         "\n      <snp_genotype>6 6 6 r1 C T 97</snp_genotype>"
                         "\n      <snp_genotype>6 6 18 r2 T T 99</snp_genotype>"
                         "\n      <snp_genotype>16 15 16 r1 T T 90</snp_genotype>"
                         "\n      <snp_genotype>16 15 9 r2 C C 90</snp_genotype>"
                         "\n    </block-snp_genotype>"
                         "\n    <block-manual_snp>"
                         "\n      <snp_genotype>9 9 9 r1 A A 80</snp_genotype>"
                         "\n      <snp_genotype>9 9 15 r2 A N 0</snp_genotype>"
                         "\n    </block-manual_snp>"
                         "\n    <block-marked_indel>"
                         "\n      <marked_indel>14 13 11 r2 +- 2</marked_indel>"
                         "\n    </block-marked_indel>"
                         "\n    <block-indel_site>"
                         "\n      <indel_site>19 18 TACGTCGTAC G TACGT     "
                         "\n      </indel_site>"
                         "\n    </block-indel_site>"
                         "\n    <block-manual_indel>"
                         "\n      <indel_genotype>19 18 19 r1 userIndel</indel_genotype>"
                         "\n      <indel_genotype>19 18 11 r2 heterozygoteIndel</indel_genotype>"
                         "\n    </block-manual_indel>"
                         "\n    <block-manual_genotype>"
                         "\n      <manual_genotype>3 3 3 r1 comment  look here</manual_genotype>"
                         "\n    </block-manual_genotype>"
                         "\n    <block-verified_site>"
                         "\n      <verified_site>5 5 comment  user note </verified_site>"
                         "\n    </block-verified_site>"
                         "\n    <block-microsatellite>"
                         "\n      <microsatellite>17 16   5 2</microsatellite>"
                         "\n    </block-microsatellite>"
                         "\n    <block-sample_quality>"
                         "\n      <sample_quality>r1 1 24 30</sample_quality>"
                         "\n      <sample_quality>r2 3 19 25</sample_quality>"
                         "\n      <sample_quality>r3 1 0 0</sample_quality>"
                         "\n    </block-sample_quality>"
                         "\n    <block-coverage>"
                         "\n      <coverage>1 2 1</coverage>"
                         "\n      <coverage>3 23 2</coverage>"
                         "\n    </block-coverage>"
                         "\n  </contig>"
                         "\n</report>\n");
    std::string xmllint = FindProgram("xmllint");
    if (xmllint.empty()) return;
    project.Write("report.xml", r.out);
    EXPECT_EQ(RunProgram({xmllint, "--noout", project.Path("report.xml")}, "/").status, 0);
}

TEST_F(ReportTest, RunWithoutValidContigs) {
    Report text = Write(project, "-group zzz -output");
    ASSERT_FALSE(text.result.failed) << text.result.messages;
    EXPECT_EQ(project.Read("edit_dir/quorvalix.out"),
              Header(false) + "\n -dir      " + project.Root() +
                  "\n -ace      project.ace\n -score    70\n -quality  25\n -window   20\n -tag      genotype"
                  "\n -group    zzz\nEND_COMMAND_LINE\nEND_MESSAGE\n");
    Report xml = Write(project, "-group zzz -xml -rank 2 -snp off -source /_ -refcomp X");
    ASSERT_FALSE(xml.result.failed) << xml.result.messages;
    EXPECT_EQ(xml.out, Header(true) + "\n    <work_dir>" + project.Root() +
                           "</work_dir>\n    <ace_file>project.ace</ace_file>\n    <snp_type>off</snp_type>"
                           "\n    <rank_limit>2</rank_limit>\n    <quality_limit>25</quality_limit>"
                           "\n    <quality_window>20</quality_window>\n    <tag_type>genotype</tag_type>"
                           "\n    <source_id>/_</source_id>\n    <group_regex>zzz</group_regex>"
                           "\n    <refcomp>X</refcomp>\n  </command_line>\n</report>\n");
}

TEST_F(ReportTest, OutputsThatCannotBeWrittenFailTheRun) {
    // No room on the device; a directory where the file should be.
    CallResult full = Write(project, "-output /dev/full").result;
    EXPECT_TRUE(full.failed);
    EXPECT_NE(full.messages.find("ERROR: can not write file /dev/full"), std::string::npos) << full.messages;
    // The device is left alone, reached through a link too; the link stays.
    ASSERT_EQ(symlink("/dev/full", project.Path("edit_dir/full.out").c_str()), 0);
    CallResult linked = Write(project, "-output full.out").result;
    EXPECT_TRUE(linked.failed);
    EXPECT_NE(linked.messages.find("ERROR: can not write file " + project.Path("edit_dir/full.out")), std::string::npos)
        << linked.messages;
    struct stat status;
    EXPECT_TRUE(lstat("/dev/full", &status) == 0 && S_ISCHR(status.st_mode));
    EXPECT_TRUE(lstat(project.Path("edit_dir/full.out").c_str(), &status) == 0 && S_ISLNK(status.st_mode));
    mkdir(project.Path("edit_dir/taken.nav").c_str(), 0755);
    CallResult taken = Write(project, "-nav taken").result;
    EXPECT_TRUE(taken.failed);
    EXPECT_NE(taken.messages.find("ERROR: can not create the file " + project.Path("edit_dir/taken.nav")),
              std::string::npos)
        << taken.messages;
}

// Names, comments and paths with markup characters, control bytes and
// bytes that are no UTF-8 still give a well-formed document.
TEST_F(ReportTest, XmlStaysWellFormedWhateverTheNamesHold) {
    std::string xmllint = FindProgram("xmllint");
    if (xmllint.empty()) GTEST_SKIP() << "xmllint is not installed";
    std::string odd = "a&b<c>\"d'\x01\xE9";
    std::string name = "r&<1>\"'";
    std::string ace = originalAce;
    for (size_t at; (at = ace.find(" r1 ")) != std::string::npos;) ace.replace(at, 4, " " + name + " ");
    ace.replace(ace.find("user note"), 9, "user\rnote " + odd);
    project.Write("edit_dir/project.ace", ace);
    project.Write("poly_dir/" + name + ".poly", PolyText(name, smallConsensus));
    project.Write("phd_dir/r1.phd.1",
                  PhdText(name, smallConsensus,
                          "\nBEGIN_TAG\nTYPE: comment\nSOURCE: consed\nUNPADDED_READ_POS: 3 4\nBEGIN_COMMENT\n" + odd +
                              "\nEND_COMMENT\nEND_TAG\n"));
    // The project lies in a directory of an odd name too.
    std::string dir = "p&<>\"'\xE9\xBF";
    std::string root = project.Path(dir + "/");
    mkdir(root.c_str(), 0755);
    for (char const* sub : {"edit_dir", "phd_dir", "poly_dir"})
        ASSERT_EQ(rename(project.Path(sub).c_str(), (root + sub).c_str()), 0);
    ProjectRun run(project, "-dir " + root + " -xml -output -nav -indel -ms");
    ASSERT_FALSE(run.start.failed) << run.start.messages;
    CallResult r = run.Read();
    ASSERT_FALSE(r.failed) << r.messages;
    CallResult written = Capture([&] { run.files.WriteOutFile(); });
    ASSERT_FALSE(written.failed) << written.messages;
    std::string report = root + "edit_dir/quorvalix.out";
    std::string xml = TestProject::ReadFile(report);
    EXPECT_NE(xml.find("<work_dir>" + project.Root() + "p&amp;&lt;&gt;\"'\xEF\xBF\xBD\xEF\xBF\xBD/</work_dir>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<sample_quality>r&amp;&lt;1&gt;\"' "), std::string::npos) << xml;
    EXPECT_NE(xml.find("comment  usernote a&amp;b&lt;c&gt;\"d'\xEF\xBF\xBD </verified_site>"), std::string::npos) << xml;
    EXPECT_EQ(RunProgram({xmllint, "--noout", report}, "/").status, 0) << xml;
}

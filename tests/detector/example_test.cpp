// The bundled example project end to end: a run of the program on a copy
// gives the expected ACE file, PHD files, navigation file and text and XML
// reports whole (tests/data/detector/example/, checked by hand: one
// heterozygous SNP, one homozygous SNP, a 3-base insertion; the foreign
// tags kept); a second run gives the same files; -clear brings back the
// original bytes; Biopython and xmllint read what it wrote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "project_test.h"

namespace {

std::string const example = std::string(QUORVALIX_SOURCE_DIR) + "/examples/project/";
std::string const expected = std::string(QUORVALIX_SOURCE_DIR) + "/tests/data/detector/example/";
std::string const moment = "QUORVALIX_FAULT_TIME=1140113107";  // 2006-02-16 18:05:07 UTC
std::vector<std::string> const flags = {"-source", "1", "3", "-indel", "-nav", "-output"};

std::vector<std::string> PhdNames() {
    std::vector<std::string> names;
    for (std::string const& name : ListDir(example + "phd_dir")) names.push_back("phd_dir/" + name);
    return names;
}

// A copy of the example project; examples/ itself is never written.
void CopyExample(TestProject const& project) {
    for (char const* dir : {"edit_dir/", "phd_dir/", "poly_dir/"})
        for (std::string const& name : ListDir(example + dir))
            project.Write(dir + name, ReadFile(example + dir + name));
}

// The text with the project's directory written as "PROJECT/".
std::string Masked(std::string text, std::string const& root) {
    for (size_t at; (at = text.find(root)) != std::string::npos;) text.replace(at, root.size(), "PROJECT/");
    return text;
}

void ExpectTheRunsFiles(TestProject const& project) {
    EXPECT_EQ(project.Read("edit_dir/example.ace"), ReadFile(expected + "example.ace"));
    for (std::string const& name : PhdNames()) EXPECT_EQ(project.Read(name), ReadFile(expected + name)) << name;
    EXPECT_EQ(project.Read("edit_dir/quorvalix.nav"), ReadFile(expected + "quorvalix.nav"));
    EXPECT_EQ(Masked(project.Read("edit_dir/quorvalix.out"), project.Root()), ReadFile(expected + "quorvalix.out"));
}

class ExampleTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Exists(example + "edit_dir/example.ace"));
        CopyExample(project);
    }
    TestProject project;
};

}  // namespace

TEST_F(ExampleTest, RunWritesTheExpectedFilesAndASecondRunTheSame) {
    RunResult run = RunQuorvalix(flags, project.Root(), {moment});
    ASSERT_EQ(run.status, 0) << run.err;
    ExpectTheRunsFiles(project);
    RunResult again = RunQuorvalix(flags, project.Root(), {moment});
    ASSERT_EQ(again.status, 0) << again.err;
    ExpectTheRunsFiles(project);  // own tags replaced, not added

    // The XML report of the same run.
    RunResult xml = RunQuorvalix({"-source", "1", "3", "-indel", "-xml", "-update", "off"}, project.Root(), {moment});
    ASSERT_EQ(xml.status, 0) << xml.err;
    EXPECT_EQ(Masked(xml.out, project.Root()), ReadFile(expected + "quorvalix.xml"));
    project.Write("report.xml", xml.out);
    std::string xmllint = FindProgram("xmllint");
    if (!xmllint.empty()) {
        EXPECT_EQ(RunProgram({xmllint, "--noout", project.Path("report.xml")}, "/").status, 0);
    }
}

TEST_F(ExampleTest, ClearBringsBackTheOriginalBytes) {
    ASSERT_EQ(RunQuorvalix(flags, project.Root(), {moment}).status, 0);
    RunResult clear = RunQuorvalix({"-clear"}, project.Root());
    ASSERT_EQ(clear.status, 0) << clear.err;
    EXPECT_EQ(project.Read("edit_dir/example.ace"), ReadFile(example + "edit_dir/example.ace"));
    for (std::string const& name : PhdNames()) EXPECT_EQ(project.Read(name), ReadFile(example + name)) << name;
}

// Biopython's readers take the rewritten files: the consensus tags in their
// contig, every PHD file as one record of all its bases.
TEST_F(ExampleTest, BiopythonReadsTheRewrittenFiles) {
    if (RunProgram({"/usr/bin/python3", "-c", "import Bio"}, "/").status != 0) GTEST_SKIP() << "no Biopython";
    ASSERT_EQ(RunQuorvalix(flags, project.Root(), {moment}).status, 0);
    std::vector<std::string> argv = {"/usr/bin/python3", "-c",
                                     "import sys\n"
                                     "from Bio.Sequencing import Ace, Phd\n"
                                     "ace = Ace.read(open(sys.argv[1]))\n"
                                     "for contig in ace.contigs:\n"
                                     "    print(contig.name, len(contig.reads))\n"
                                     "    for tag in contig.ct:\n"
                                     "        print(' ', tag.tag_type, tag.program, tag.padded_start,\n"
                                     "              tag.padded_end, ' '.join(tag.comment))\n"
                                     "for name in sys.argv[2:]:\n"
                                     "    records = list(Phd.parse(open(name)))\n"
                                     "    assert len(records) == 1 and records[0].file_name == name[8:-6]\n"
                                     "    print(len(records[0].sites), end=' ')\n",
                                     "edit_dir/example.ace"};
    std::string bases;
    for (std::string const& name : PhdNames()) {
        argv.push_back(name);
        long count = 0;
        std::string phd = ReadFile(example + name);
        size_t at = phd.find("BEGIN_DNA\n") + 10;
        for (size_t end = phd.find("END_DNA\n"); at < end; at = phd.find('\n', at) + 1) ++count;
        bases += std::to_string(count) + " ";
    }
    RunResult read = RunProgram(argv, project.Root());
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out,
              "Contig1 12\n"
              "  comment consed 20 24 primer site\n"
              "  quorValixRank2 quorValix 91 91 98\n"
              "  quorValixRank1 quorValix 181 181 99\n"
              "  indelSite quorValix 291 291 \n" +
                  bases);
}

// The bundled example project end to end: a run of the program on a copy
// gives the expected ACE file, PHD files, navigation file and text and XML
// reports whole (tests/data/detector/example/, checked by hand: one
// heterozygous SNP, one homozygous SNP, a 3-base insertion; the foreign
// tags kept); a second run gives the same files; -clear brings back the
// original bytes; Biopython and xmllint read what it wrote. A POLY file
// that holds too little leaves its read out as a missing one does.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
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

namespace {

// What a run leaves: its status, its messages and the project's files.
struct RunOutputs {
    int status;
    std::string err;
    std::vector<std::string> files;
};

RunOutputs RunOnPoly(std::string const& read, std::string const* poly) {
    TestProject project;
    CopyExample(project);
    std::string const file = "poly_dir/" + read + ".poly";
    if (poly)
        project.Write(file, *poly);
    else
        std::remove(project.Path(file).c_str());
    RunResult run = RunQuorvalix(flags, project.Root(), {moment});
    RunOutputs outputs{run.status, Masked(run.err, project.Root()), {project.Read("edit_dir/example.ace")}};
    for (std::string const& name : PhdNames()) outputs.files.push_back(project.Read(name));
    outputs.files.push_back(project.Read("edit_dir/quorvalix.nav"));
    outputs.files.push_back(Masked(project.Read("edit_dir/quorvalix.out"), project.Root()));
    return outputs;
}

}  // namespace

// Each file of the table, in place of the POLY file of the forward read s02f
// or the complemented s02r, gives the run that the file's absence gives,
// with its own message in place of "Unable to open file": the run goes on,
// the read is tagged dataNeeded and genotyped nowhere. TraceTuner's layout,
// with lines of no base and lines past the last one, reads as the file of
// one line per base.
TEST(ExamplePolyTest, PolyFileThatHoldsTooLittleIsReadAsAMissingOne) {
    std::string const forward = ReadFile(example + "poly_dir/s02f.poly");
    std::string const complemented = ReadFile(example + "poly_dir/s02r.poly");
    std::mt19937 random(27);
    std::string bytes(4096, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xff);
    // Lines of TraceTuner's kind: one of no base after each base line, one
    // past the last base, and a last line without its line end.
    std::string traceTuner = complemented.substr(0, complemented.find('\n') + 1);
    for (size_t at = traceTuner.size(); at < complemented.size();) {
        size_t end = complemented.find('\n', at) + 1;
        std::string line = complemented.substr(at, end - at);
        long position = std::stol(line.substr(2));
        traceTuner += line + "N " + std::to_string(position + 3) + " 1.5 0.1 N -1 -1.0 -1.0 7.0 7.0 7.0 7.0\n\n";
        at = end;
    }
    traceTuner += "A 999999 1.0 0.1 N -1 -1.0 -1.0 0.0 0.0 0.0 0.0\nA 1000";
    size_t const cut = complemented.find('\n', complemented.size() / 2) + 1;

    std::string const none = " gives none of the read's bases a value - skipping.";
    std::string const shorter = " ends before the read's last base - skipping.";
    struct Case {
        char const* what;
        char const* read;
        std::string poly;
        std::string message;  // empty: read as the example's own file
    } const cases[] = {
        {"empty", "s02f", "", none},
        {"header only", "s02f", forward.substr(0, forward.find('\n') + 1), none},
        {"no POLY file", "s02f", "hello world\n", none},
        {"random bytes", "s02f", bytes, none},
        {"cut inside a line", "s02f", forward.substr(0, forward.size() / 2 + 5), shorter},
        {"complemented, cut after a line", "s02r", complemented.substr(0, cut), shorter},
        {"complemented, TraceTuner's layout", "s02r", traceTuner, ""},
    };
    RunOutputs const whole = RunOnPoly("s02f", &forward);
    ASSERT_EQ(whole.status, 0) << whole.err;
    for (char const* read : {"s02f", "s02r"}) {
        RunOutputs const missing = RunOnPoly(read, nullptr);
        std::string const path = "PROJECT/poly_dir/" + std::string(read) + ".poly";
        std::string const unable = "    Unable to open file " + path + " - skipping.";
        ASSERT_NE(missing.err.find(unable), std::string::npos) << missing.err;
        ASSERT_NE(missing.files, whole.files);
        for (Case const& c : cases) {
            if (std::string(c.read) != read) continue;
            SCOPED_TRACE(c.what);
            RunOutputs outputs = RunOnPoly(read, &c.poly);
            EXPECT_EQ(outputs.status, 0);
            if (c.message.empty()) {
                EXPECT_EQ(outputs.err, whole.err);
                EXPECT_TRUE(outputs.files == whole.files);
                continue;
            }
            std::string const named = "    POLY file " + path + c.message;
            size_t at = outputs.err.find(named);
            ASSERT_NE(at, std::string::npos) << outputs.err;
            EXPECT_EQ(outputs.err.replace(at, named.size(), unable), missing.err);
            EXPECT_TRUE(outputs.files == missing.files);
        }
    }
}

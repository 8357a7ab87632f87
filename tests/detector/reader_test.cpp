// The ACE, PHD and POLY readers: a small project read into the model, each
// broken input with its message, and the real files of other programs.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "contig.h"
#include "files.h"
#include "model_test.h"
#include "parameters.h"
#include "project_test.h"

static std::string Text(Str const& x) { return x.String(); }

static std::string const projectDir = std::string(QUORVALIX_SOURCE_DIR) + "/tests/data/detector/project/";
static std::string const sharedDir = std::string(QUORVALIX_SHARED_DATA) + "/";

// A temporary directory named with its trailing '/', and the files
// written into it.
class ReaderTempDir {
public:
    std::string Path() const { return dir.Path() + "/"; }
    std::string Write(std::string const& name, std::string const& bytes) const {
        dir.Write(name, bytes);
        return dir.File(name);
    }

private:
    TempDir dir;
};

// The component with the members a run's settings would give it.
class ReaderFiles : public Files {
public:
    ReaderFiles(Assembly& model, Parameters& settings) {
        assembly = &model;
        parameters = &settings;
    }
    void SetAceFile(std::string const& file) { aceFile = file.c_str(); }
    void SetDirectories(std::string const& phd, std::string const& poly) {
        phdDirectory = phd.c_str();
        polyDirectory = poly.c_str();
    }
    void SetTags(char const* verified, char const* column, char const* indel, char const* manual) {
        verifiedTags = verified;
        columnTags = column;
        columnIndelTags = indel;
        manualTags = manual;
    }
    void SetVerbosity(long level) { verbosity = level; }
    void SetRcFile(char const* file) { rcFile = file; }
};

static int ProgressLines(std::string const& messages) {
    int count = 0;
    for (size_t at = messages.find("% done"); at != std::string::npos; at = messages.find("% done", at + 1)) ++count;
    return count;
}

// The text after the line "Reading the ACE file ...".
static std::string AfterBanner(std::string const& messages) {
    size_t at = messages.find("Reading the ACE file ");
    if (at == std::string::npos) return messages;
    size_t end = messages.find('\n', at);
    return messages.substr(end + 1);
}

static Contig* ContigNamed(Assembly& assembly, char const* name) {
    for (long i = 0; i < assembly.Length(); ++i)
        if (Text(assembly.Get(i)->GetName()) == name) return assembly.Get(i);
    return nullptr;
}

static Sequence* ReadNamed(Contig& contig, char const* name) {
    for (long i = 0; i < contig.Length(); ++i)
        if (Text(contig.Get(i)->GetName()) == name) return contig.Get(i);
    return nullptr;
}

static std::string Describe(ManualSite* site) {
    long start = 0, end = 0;
    site->GetPositions(start, end);
    std::string text = std::to_string(start) + "-" + std::to_string(end) + " " + Text(site->GetTagName());
    if (site->HasComment()) text += " [" + Text(site->GetComment()) + "]";
    return text + "; ";
}

// The fixture project, its ACE file read.
class ReaderProjectTest : public testing::Test {
protected:
    void SetUp() override {
        settings.SetRefID(".REF");
        files.SetAceFile(projectDir + "edit_dir/project.ace");
        files.SetDirectories(projectDir + "phd_dir/", projectDir + "poly_dir/");
        files.SetTags(" verified both ", " polymorphism both ", " indel ", " genotypeTag ");
        ace = Capture([this] { files.ReadAceFile(); });
        ASSERT_FALSE(ace.failed) << ace.messages;
        contigA = ContigNamed(assembly, "ContigA");
        ASSERT_NE(contigA, nullptr);
    }

    Assembly assembly;
    Parameters settings;
    ReaderFiles files{assembly, settings};
    CallResult ace;
    Contig* contigA = nullptr;
};

TEST_F(ReaderProjectTest, AceFileBuildsContigsReadsAndReference) {
    EXPECT_EQ(ace.messages.substr(0, ace.messages.find('\n') + 1),
              "Reading the ACE file " + projectDir + "edit_dir/project.ace\n");
    ASSERT_EQ(assembly.Length(), 2);
    EXPECT_EQ(assembly.Get(0), contigA);  // three reads before one
    Contig* contigB = assembly.Get(1);
    EXPECT_FALSE(contigB->IsValid());

    EXPECT_EQ(contigA->GetColumnCount(), 20);
    EXPECT_EQ(contigA->GetColumnBase(0), 'A');
    EXPECT_EQ(contigA->GetColumnBase(5), '*');
    EXPECT_EQ(contigA->GetColumnBase(19), 'T');
    EXPECT_FALSE(contigA->GetConsensusSequence()->IsValid());  // bases come with the analysis

    TextSequence* reference = contigA->GetReferenceSequence();
    EXPECT_EQ(Text(reference->GetName()), "sample.REF");
    EXPECT_EQ(reference->GetLength(), 18);
    EXPECT_FALSE(reference->IsSite(5));
    ASSERT_TRUE(reference->IsSite(19));
    EXPECT_EQ(reference->GetBase(), 'T');

    // Reads in file order, the reference not among them.
    ASSERT_EQ(contigA->Length(), 3);
    Sequence* r1 = contigA->Get(0);
    Sequence* r2 = contigA->Get(1);
    Sequence* r3 = contigA->Get(2);
    EXPECT_EQ(Text(r1->GetName()) + Text(r2->GetName()) + Text(r3->GetName()), "r1r2r3");

    EXPECT_FALSE(r1->GetComplement());
    EXPECT_EQ(r1->GetLength(), 11);
    EXPECT_EQ(Text(r1->GetPhdFile()), "r1.phd.1");
    EXPECT_EQ(ModelInspector::Left(*r1), 2);   // quality clip 1 overlapped by alignment clip 2
    EXPECT_EQ(ModelInspector::Right(*r1), 6);  // 6 is a pad: the base after it
    EXPECT_EQ(r1->GetAlignedPosition(6), 6);

    EXPECT_TRUE(r2->GetComplement());
    EXPECT_EQ(ModelInspector::Offset(*r2), 4);
    EXPECT_EQ(r2->GetLength(), 13);
    EXPECT_EQ(r2->GetAlignedPosition(12), 17);
    EXPECT_EQ(ModelInspector::Left(*r2), 2);
    EXPECT_EQ(ModelInspector::Right(*r2), 12);
    EXPECT_EQ(r2->GetLeftLimit(), 2);
    EXPECT_EQ(r2->GetRightLimit(), 12);
    ASSERT_TRUE(r2->IsSite(4));
    EXPECT_EQ(r2->GetSequencePosition(), 13);

    EXPECT_EQ(ModelInspector::Offset(*r3), 9);
    EXPECT_EQ(ModelInspector::Left(*r3), 1);  // no clip: 1 .. n - 1
    EXPECT_EQ(ModelInspector::Right(*r3), 9);
}

TEST_F(ReaderProjectTest, ConsensusTagsBecomeSites) {
    std::string manual;
    MarkedSites& sites = ModelInspector::ManualSites(*contigA);
    sites.Begin();
    while (MarkedSite* site = sites.GetNext()) manual += Describe(static_cast<ManualSite*>(site));
    // The tag before the reads is not read; of two tags at one column the
    // first wins; the comment lines are joined, each followed by a blank.
    EXPECT_EQ(manual, "2-3 both; 6-6 polymorphism [line one RD inside comment ]; ");

    std::string verified;
    contigA->StartVerifiedSites();
    while (ManualSite* site = contigA->GetVerifiedSite()) verified += Describe(site);
    EXPECT_EQ(verified, "2-3 both; 9-11 verified; ");

    std::string indels;
    contigA->StartManualIndels();
    while (ManualSite* site = contigA->GetManualIndel()) indels += Describe(site);
    EXPECT_EQ(indels, "14-14 indel; ");

    // Tags that do not fit their contig are skipped, one warning line each.
    EXPECT_EQ(AfterBanner(ace.messages),
              "WARNING: the consensus tag polymorphism on line 96 names the unknown contig ContigX - skipping it.\n"
              "WARNING: the consensus tag polymorphism on line 100 spans 19 to 21, outside contig ContigA or "
              "reversed - skipping it.\n"
              "WARNING: the consensus tag both on line 104 spans 12 to 11, outside contig ContigA or "
              "reversed - skipping it.\n");  // one warning, though "both" is in two lists
}

TEST_F(ReaderProjectTest, SequenceFilesFillTheReads) {
    CallResult result = Capture([this] { files.ReadSequenceFiles(); });
    ASSERT_FALSE(result.failed) << result.messages;
    EXPECT_EQ(WithoutProgress(result.messages),
              "Reading the PHD and POLY files.\n"
              "  Reading information for contig ContigA\n"
              "WARNING: the genotypeTag tag at position 20 of read r1 lies outside the read - skipping it.\n"
              "    Unable to open file " +
                  projectDir + "poly_dir/r3.poly - skipping.\n" + "  ContigB is an invalid contig. Skipping.\n");
    EXPECT_GT(ProgressLines(result.messages), 1);

    Sequence* r1 = ReadNamed(*contigA, "r1");
    EXPECT_EQ(Text(r1->GetPhdHeader()), "BEGIN_SEQUENCE r1\n\nBEGIN_COMMENT\n\nCHROMAT_FILE: r1\nEND_COMMENT\n\n");
    EXPECT_EQ(Text(r1->GetPhdTags()),
              "\nBEGIN_TAG\nTYPE: genotypeTag\nSOURCE: consed\nUNPADDED_READ_POS: 3 3\nDATE: 01/02/06 10:10:10\n"
              "BEGIN_COMMENT\nhet A/G\nEND_COMMENT\nEND_TAG\n"
              "\nBEGIN_TAG\nTYPE: genotypeTag\nSOURCE: consed\nUNPADDED_READ_POS: 20 20\nDATE: 01/02/06 10:10:10\n"
              "END_TAG\n");
    char base = 0;
    long quality = 0, position = 0;
    r1->GetPhdData(3, base, quality, position);  // a line with a tab and several blanks
    EXPECT_EQ(std::string(1, base) + " " + std::to_string(quality) + " " + std::to_string(position), "g 30 30");
    int capped[] = {10, 20, 30, 40, 59, 59, 59, 0, 25, 35, 45};
    for (long u = 1; u <= 11; ++u) EXPECT_EQ(ModelInspector::Quality(*r1, u), capped[u - 1]) << u;
    r1->GetPhdData(8, base, quality, position);
    EXPECT_EQ(quality, 91);  // kept as read

    // POLY lines joined by position: a line before the first peak belongs
    // to no base; a base without a line is cleared.
    EXPECT_TRUE(r1->IsValid());
    EXPECT_EQ(ModelInspector::Secondary(*r1, 1), 'G');
    EXPECT_FLOAT_EQ(ModelInspector::Ratio(*r1, 1), 0.4f);
    EXPECT_EQ(ModelInspector::Primary(*r1, 1), 100);
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*r1, 1), 300);
    EXPECT_EQ(ModelInspector::Secondary(*r1, 2), 'N');  // equal to the call
    EXPECT_EQ(ModelInspector::Primary(*r1, 2), 2);
    EXPECT_EQ(ModelInspector::Secondary(*r1, 3), 'N');  // at the midpoint towards the next peak
    EXPECT_EQ(ModelInspector::Secondary(*r1, 4), 'N');  // the 'N' field
    EXPECT_EQ(ModelInspector::Primary(*r1, 4), 40);
    EXPECT_EQ(ModelInspector::Secondary(*r1, 5), 'N');  // no line
    EXPECT_EQ(ModelInspector::Amplitude(*r1, 3, 5), 0);
    EXPECT_EQ(ModelInspector::Secondary(*r1, 6), 'A');
    EXPECT_EQ(ModelInspector::Amplitude(*r1, 0, 6), 7);   // 7.9
    EXPECT_EQ(ModelInspector::Amplitude(*r1, 1, 6), -7);  // -7.9
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*r1, 6), 7);
    EXPECT_EQ(ModelInspector::Secondary(*r1, 11), 'N');

    // A complemented read: trace line 1 is alignment position 13; the
    // uncalled letter is complemented, the amplitude columns reversed and
    // scaled by the header's factors of 2.
    Sequence* r2 = ReadNamed(*contigA, "r2");
    r2->GetPhdData(1, base, quality, position);
    EXPECT_EQ(std::string(1, base) + " " + std::to_string(quality) + " " + std::to_string(position), "t 30 15");
    EXPECT_EQ(r2->GetCoordinate(13), 15);
    EXPECT_EQ(ModelInspector::Quality(*r2, 13), 30);
    EXPECT_EQ(ModelInspector::Secondary(*r2, 13), 'T');
    EXPECT_EQ(ModelInspector::Amplitude(*r2, 0, 13), 88);
    EXPECT_EQ(ModelInspector::Amplitude(*r2, 1, 13), 66);
    EXPECT_EQ(ModelInspector::Amplitude(*r2, 2, 13), 44);
    EXPECT_EQ(ModelInspector::Amplitude(*r2, 3, 13), 22);
    EXPECT_EQ(ModelInspector::Primary(*r2, 13), 88);
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*r2, 13), 22);
    EXPECT_FLOAT_EQ(ModelInspector::Ratio(*r2, 13), 0.5f);
    EXPECT_EQ(ModelInspector::Secondary(*r2, 12), 'N');  // 'n'
    EXPECT_EQ(Text(r2->GetPhdTags()),
              "\nBEGIN_TAG\nTYPE: genotypeTag\nSOURCE: user\nUNPADDED_READ_POS: 2 2\nDATE: 01/02/06 10:10:10\n"
              "END_TAG\n");

    Sequence* r3 = ReadNamed(*contigA, "r3");
    EXPECT_FALSE(r3->IsValid());  // no POLY file
    r3->GetPhdData(10, base, quality, position);
    EXPECT_EQ(position, 120);

    // The read of the skipped contig holds zeros only.
    Sequence* s1 = assembly.Get(1)->Get(0);
    for (long u = 0; u <= 9; ++u) EXPECT_TRUE(ModelInspector::AllZero(*s1, u)) << u;

    // Genotype tags: position 3 of r1; position 2 of the complemented r2,
    // that is alignment position 12, column 17.
    std::string genotypes;
    contigA->StartManualGenotypes();
    while (ManualGenotype* site = contigA->GetManualGenotype()) {
        genotypes += std::to_string(site->GetPosition()) + " " + std::to_string(site->GetSeqPosition()) + " " +
                     Text(site->GetName()) + " " + Text(site->GetTagName());
        if (site->HasComment()) genotypes += " [" + Text(site->GetComment()) + "]";
        genotypes += "; ";
    }
    EXPECT_EQ(genotypes, "2 3 r1 genotypeTag [het A/G]; 17 2 r2 genotypeTag; ");
}

TEST_F(ReaderProjectTest, VerbosityTwoNamesEveryFile) {
    files.SetVerbosity(2);
    CallResult result = Capture([this] { files.ReadSequenceFiles(); });
    ASSERT_FALSE(result.failed) << result.messages;
    EXPECT_EQ(WithoutProgress(result.messages),
              "Reading the PHD and POLY files.\n"
              "  Reading information for contig ContigA\n"
              "    Reading file " +
                  projectDir + "phd_dir/r1.phd.1\n" +
                  "WARNING: the genotypeTag tag at position 20 of read r1 lies outside the read - skipping it.\n" +
                  "    Reading file " + projectDir + "poly_dir/r1.poly\n" + "    Reading file " + projectDir +
                  "phd_dir/r2.phd.1\n" + "    Reading file " + projectDir + "poly_dir/r2.poly\n" +
                  "    Reading file " + projectDir + "phd_dir/r3.phd.1\n" + "    Unable to open file " + projectDir +
                  "poly_dir/r3.poly - skipping.\n" + "  ContigB is an invalid contig. Skipping.\n");
    EXPECT_EQ(ProgressLines(result.messages), 1);  // the counter stays at its start
}

// ------------------------------------------------------------------ ACE files

// A valid two-read ACE file; the cases below break it one way each.
static std::string const goodAce =
    "AS 1 2\n"                    // 1
    "\n"                          // 2
    "CO C1 8 2 1 U\n"             // 3
    "acgtacgt\n"                  // 4
    "\n"                          // 5
    "BQ\n"                        // 6
    " 1 1 1 1 1 1 1 1\n"          // 7
    "\n"                          // 8
    "AF a U 1\n"                  // 9
    "AF b C 2\n"                  // 10
    "BS 1 8 a\n"                  // 11
    "\n"                          // 12
    "RD a 8 0 0\n"                // 13
    "acgtacgt\n"                  // 14
    "\n"                          // 15
    "QA 1 8 1 8\n"                // 16
    "DS PHD_FILE: a.phd.1\n"      // 17
    "\n"                          // 18
    "RD b 7 0 0\n"                // 19
    "cgtacgt\n"                   // 20
    "\n"                          // 21
    "QA 1 7 1 7\n"                // 22
    "DS PHD_FILE: b.phd.1\n"      // 23
    "\n";                         // 24

static std::string Replace(std::string text, std::string const& from, std::string const& to) {
    size_t at = text.find(from);
    if (at == std::string::npos) ADD_FAILURE() << "no " << from;
    else text.replace(at, from.size(), to);
    return text;
}

static CallResult ReadAce(std::string const& text, char const* flags = nullptr, Assembly* model = nullptr,
                          char const* columnTags = " ") {
    ReaderTempDir dir;
    Assembly local;
    Assembly& assembly = model ? *model : local;
    Parameters settings;
    settings.SetRefID(".REF");
    if (flags) settings.ParseFlags("COMMAND LINE ", flags);
    ReaderFiles files(assembly, settings);
    files.SetTags(" ", columnTags, " ", " ");
    files.SetAceFile(dir.Write("test.ace", text));
    return Capture([&files] { files.ReadAceFile(); });
}

TEST(ReaderAceTest, EveryBrokenFileSaysLineAndFault) {
    struct Case {
        char const* what;
        std::string text;
        char const* message;
    } cases[] = {
        {"empty", "", "line 0: the file does not begin with an AS line"},
        {"only AS", "AS 1 2\n", "line 1: the file ends after its AS line"},
        {"no AS", Replace(goodAce, "AS 1 2", "XS 1 2"), "line 1: the file does not begin with an AS line"},
        {"no CO", Replace(goodAce, "CO C1", "CX C1"), "line 3: no CO line follows the AS line"},
        {"ends after CO", "AS 1 1\nCO C1 8 1 1 U\n", "line 2: the file ends after the CO line of contig C1"},
        {"consensus count", Replace(goodAce, "CO C1 8", "CO C1 9"),
         "line 3: the consensus of contig C1 has 8 bases, its CO line says 9"},
        {"no BQ", Replace(goodAce, "BQ\n", "XQ\n"), "line 6: no BQ line after the consensus of contig C1"},
        {"no RD at all", goodAce.substr(0, goodAce.find("RD a")), "line 12: contig C1 has no RD record"},
        {"AF twice", Replace(goodAce, "AF b C 2\n", "AF b C 2\nAF b U 3\n"),
         "line 11: the read name \"b\" is used twice"},
        {"AF without start", Replace(goodAce, "AF b C 2", "AF b C"),
         "line 10: the AF line of read b has no start position"},
        {"AF after the consensus", Replace(goodAce, "AF b C 2", "AF b C 9"),
         "line 10: the AF line of read b starts at 9, outside contig C1"},
        {"AF far before it", Replace(goodAce, "AF b C 2", "AF b C -9223372036854775808"),
         "line 10: the AF line of read b starts at -9223372036854775808, outside contig C1"},
        {"AF beyond a long", Replace(goodAce, "AF b C 2", "AF b C -99999999999999999999"),
         "line 10: the AF line of read b starts at -99999999999999999999, outside contig C1"},
        {"count beyond a long", Replace(goodAce, "CO C1 8", "CO C1 18446744073709551624"),
         "line 3: the consensus of contig C1 has 8 bases, its CO line says 18446744073709551624"},
        {"two references", Replace(goodAce, "AF b C 2\n", "AF b C 2\nAF x.REF U 1\nAF y.REF U 1\n"),
         "line 12: contig C1 has a second reference read, y.REF"},
        {"RD without AF", Replace(goodAce, "RD b 7", "RD c 7"),
         "line 19: the RD record of read c has no AF line in contig C1"},
        {"RD twice", Replace(goodAce, "RD b 7 0 0\ncgtacgt", "RD a 8 0 0\nacgtacgt"),
         "line 19: a second RD record of read a"},
        {"RD missing", Replace(goodAce, "RD b 7 0 0\ncgtacgt\n\nQA 1 7 1 7\nDS PHD_FILE: b.phd.1\n", ""),
         "line 19: read b of contig C1 has no RD record"},
        {"base count", Replace(goodAce, "RD a 8", "RD a 9"), "line 13: read a has 8 bases, its RD line says 9"},
        {"bases cut", Replace(goodAce, "acgtacgt\n\nQA 1 8", "acgt\n\ntacg\nQA 1 8"),
         "line 13: read a has 4 bases, its RD line says 8"},
        {"no QA", Replace(goodAce, "QA 1 8 1 8\n", ""), "line 16: no QA line after the bases of read a"},
        {"QA short", Replace(goodAce, "QA 1 8 1 8\n", "QA 1 8 1\n"),
         "line 16: the QA line of read a lacks its four clip positions"},
        {"no DS", Replace(goodAce, "DS PHD_FILE: a.phd.1\n", ""), "line 18: no DS line after the QA line of read a"},
        {"cut after a DS line", goodAce.substr(0, goodAce.find("RD b")),
         "line 18: read b of contig C1 has no RD record"},
        // Cut after a whole contig, or short of reads its AS line counts.
        {"fewer contigs", Replace(goodAce, "AS 1 2", "AS 2 3"),
         "line 1: the AS line announces 2 contigs, the file holds only 1"},
        {"fewer reads", Replace(goodAce, "AS 1 2", "AS 1 3"),
         "line 1: the AS line announces 3 reads, the file holds only 2"},
        {"contig twice", goodAce + "CO C1 4 1 1 U\nacgt\n\nBQ\n1\n\nAF z U 1\n\nRD z 4 0 0\nacgt\n\n",
         "line 25: the contig name \"C1\" is used twice"},
        {"open block", goodAce + "CT{\nC1 polymorphism consed 1 1 060102:101010\n\n",
         "line 27: the block opened on line 25 has no closing }"},
        {"open comment", goodAce + "CT{\nC1 polymorphism consed 1 1 060102:101010\nCOMMENT{\ntext\n",
         "line 28: the block opened on line 25 has no closing }"},
        // A block that runs into the next consensus tag, which the tag
        // rewrite takes as a tag of its own.
        {"block into a tag",
         goodAce + "RT{\nb x phrap 1 1 060102:101010\nCT{\nC1 both consed 1 1 060102:101010\n}\n",
         "line 27: the block opened on line 25 has no closing }"},
        {"tag into a tag",
         goodAce + "CT{\nC1 note consed 1 1 060102:101010\nCT{\nC1 both consed 1 1 060102:101010\n}\n",
         "line 27: the block opened on line 25 has no closing }"},
        {"comment into a tag",
         goodAce + "CT{\nC1 note consed 1 1 060102:101010\nCOMMENT{\ntext\nCT{\nC1 both consed 1 1 060102:101010\n}\n",
         "line 29: the block opened on line 25 has no closing }"},
    };
    for (Case const& c : cases) {
        CallResult result = ReadAce(c.text);
        EXPECT_TRUE(result.failed) << c.what;
        EXPECT_EQ(AfterBanner(result.messages), std::string("ERROR: invalid ACE file, ") + c.message) << c.what;
    }
    EXPECT_FALSE(ReadAce(goodAce).failed);
    // Nothing needs to follow the last read's DS line.
    EXPECT_FALSE(ReadAce(goodAce.substr(0, goodAce.size() - 1)).failed);
    EXPECT_FALSE(ReadAce(Replace(goodAce, "AF b C 2", "AF b C -3")).failed);  // hangs off the left end
    // An AS line without counts, or with smaller ones, bounds nothing.
    EXPECT_FALSE(ReadAce(Replace(goodAce, "AS 1 2", "AS")).failed);
    EXPECT_FALSE(ReadAce(Replace(goodAce, "AS 1 2", "AS 0 0")).failed);
}

TEST(ReaderAceTest, FilesFromOtherSystemsReadAlike) {
    // Carriage returns, trailing blanks and a missing empty line after the
    // bases change nothing; comment lines lose only their carriage return.
    std::string crlf;
    for (char ch : Replace(goodAce, "acgtacgt\n\nQA 1 8", "acgt  \ntacg\nQA 1 8") +
                       "CT{\nC1 polymorphism consed 2 3 060102:101010\nCOMMENT{\nfirst \n\nlast\nC}\n}\n") {
        if (ch == '\n') crlf += '\r';
        crlf += ch;
    }
    Assembly model;
    CallResult result = ReadAce(crlf, nullptr, &model, " polymorphism ");
    ASSERT_FALSE(result.failed) << result.messages;
    Contig* contig = model.Get(0);
    EXPECT_EQ(contig->GetColumnCount(), 8);
    Sequence* a = contig->Get(0);
    EXPECT_EQ(a->GetLength(), 8);
    EXPECT_EQ(Text(a->GetPhdFile()), "a.phd.1");
    EXPECT_EQ(ModelInspector::Right(*a), 8);
    ASSERT_TRUE(a->IsSite(7));
    char call = 0, second = 0;
    a->GetGenotype(call, second);
    EXPECT_EQ(call, 'G');
    EXPECT_EQ(contig->Get(1)->GetLength(), 7);
    MarkedSite* site = ModelInspector::ManualSites(*contig).GetSite(1);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(Text(static_cast<ManualSite*>(site)->GetComment()), "first   last ");
}

// Three reads, one named with the reference identifier, a lower-case
// direction and clip cases.
static std::string const groupAce =
    "AS 1 4\n\nCO C1 12 4 1 U\nacgtacgtacgt\n\nBQ\n1\n\n"
    "AF r1 U 1\nAF r2 c 1\nAF xr3 U 1\nAF r.REF C 1\n\n"
    "RD r1 12 0 0\nacgtacgtacgt\n\nQA 2 9 3 8\nDS PHD_FILE: r1.phd.1\n\n"
    "RD r2 12 0 0\nacgtacgtacgt\n\nQA 4 9 3 10\nDS CHROMAT_FILE: r2\n\n"
    "RD xr3 12 0 0\nacgtacgtacgt\n\n"
    "RD r.REF 12 0 0\nacgtacgtacgt\n\nQA -1 -1 3 10\n\n"
    "CT{\nC1 polymorphism consed 1 1 060102:101010\n}\n";

TEST(ReaderAceTest, GroupExpressionSelectsReads) {
    Assembly model;
    CallResult result = ReadAce(groupAce, " -group ^r ", &model);
    ASSERT_FALSE(result.failed) << result.messages;
    Contig* contig = model.Get(0);
    // xr3 holds the pattern only further on: it and its RD record (without
    // QA and DS lines) are passed over.
    ASSERT_EQ(contig->Length(), 2);
    Sequence* r1 = contig->Get(0);
    Sequence* r2 = contig->Get(1);
    EXPECT_EQ(ModelInspector::Left(*r1), 3);
    EXPECT_EQ(ModelInspector::Right(*r1), 8);
    EXPECT_EQ(ModelInspector::Left(*r2), 4);
    EXPECT_EQ(ModelInspector::Right(*r2), 9);
    EXPECT_FALSE(r2->GetComplement());  // "c" is not "C"
    EXPECT_EQ(Text(r2->GetPhdFile()), "");
    EXPECT_TRUE(contig->GetReferenceSequence()->IsValid());

    CallResult bad = ReadAce(groupAce, " -group ( ");
    EXPECT_TRUE(bad.failed);
    EXPECT_EQ(bad.messages, "ERROR: unable to process the group expression (");

    // Without a group xr3 is a read, and its missing QA line is an error.
    CallResult all = ReadAce(groupAce);
    EXPECT_EQ(AfterBanner(all.messages), "ERROR: invalid ACE file, line 29: no QA line after the bases of read xr3");
}

// One contig of `reads` reads of four bases, the reads named after it.
static std::string AceContig(std::string const& name, int reads) {
    std::string text = "CO " + name + " 4 " + std::to_string(reads) + " 1 U\nacgt\n\nBQ\n1 1 1 1\n\n";
    for (int i = 0; i < reads; ++i) text += "AF " + name + std::to_string(i) + " U 1\n";
    text += "\n";
    for (int i = 0; i < reads; ++i) {
        std::string read = name + std::to_string(i);
        text += "RD " + read + " 4 0 0\nacgt\n\nQA 1 4 1 4\nDS PHD_FILE: " + read + ".phd.1\n\n";
    }
    return text;
}

TEST(ReaderAceTest, ContigsRunByReadCountThenName) {
    Assembly model;
    CallResult result = ReadAce("AS 4 8\n\n" + AceContig("b", 2) + AceContig("z", 1) + AceContig("a", 2) +
                                    AceContig("c", 3),
                                nullptr, &model);
    ASSERT_FALSE(result.failed) << result.messages;
    std::string order;
    model.Begin();
    while (Contig* contig = model.GetNext()) order += Text(contig->GetName()) + std::to_string(contig->Length());
    EXPECT_EQ(order, "c3a2b2z1");
}

TEST(ReaderAceTest, OpeningAndSettingsFileLines) {
    Assembly model;
    Parameters settings;
    ReaderFiles files(model, settings);
    files.SetAceFile("/nonexistent/x.ace");
    files.SetRcFile("/home/u/.quorvalixrc");
    CallResult result = Capture([&files] { files.ReadAceFile(); });
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.messages, "Read file /home/u/.quorvalixrc\nERROR: can not open the ACE file /nonexistent/x.ace");
}

// ------------------------------------------------------ PHD and POLY files

// A project of two reads: "a" forward and "b" complemented, 3 bases each.
class ReaderSequenceTest : public testing::Test {
protected:
    void SetUp() override {
        mkdir((dir.Path() + "phd").c_str(), 0700);
        mkdir((dir.Path() + "poly").c_str(), 0700);
        WritePhd("a", "a 10 10\nc 20 20\ng 30 30\n");
        WritePhd("b", "a 10 10\nc 20 20\ng 30 30\n");
        dir.Write("poly/a.poly", "a 1 1 1 1 1\n");
    }
    std::string Ace(std::string const& dsA) const {
        return "AS 1 2\n\nCO C1 4 2 1 U\nacgt\n\nBQ\n1\n\nAF a U 1\nAF b C 2\n\nRD a 3 0 0\nacg\n\nQA 1 3 1 3\nDS " +
               dsA + "\n\nRD b 3 0 0\ncgt\n\nQA 1 3 1 3\nDS PHD_FILE: b.phd.1\n\n";
    }
    void WritePhd(std::string const& read, std::string const& bases, std::string const& header = "BEGIN_DNA\n") {
        dir.Write("phd/" + read + ".phd.1", "BEGIN_SEQUENCE " + read + "\n\n" + header + bases + "END_DNA\n");
    }
    CallResult Read(std::string const& dsA = "PHD_FILE: a.phd.1") {
        Parameters settings;
        ReaderFiles files(model, settings);
        files.SetAceFile(dir.Write("edit.ace", Ace(dsA)));
        files.SetDirectories(dir.Path() + "phd/", dir.Path() + "poly/");
        CallResult ace = Capture([&files] { files.ReadAceFile(); });
        EXPECT_FALSE(ace.failed) << ace.messages;
        return Capture([&files] { files.ReadSequenceFiles(); });
    }
    // The messages after the progress lines of the contig.
    static std::string Fault(CallResult const& result) {
        size_t at = result.messages.find("ERROR:");
        return at == std::string::npos ? result.messages : result.messages.substr(at);
    }

    ReaderTempDir dir;
    Assembly model;
};

TEST_F(ReaderSequenceTest, BrokenPhdFilesStopTheRun) {
    std::string const a = dir.Path() + "phd/a.phd.1";
    struct Case {
        char const* what;
        std::string bases;
        std::string header;
        std::string message;
    } cases[] = {
        {"longer", "a 1 1\nc 2 2\ng 3 3\nt 4 4\n", "BEGIN_DNA\n",
         "ERROR: sequence in PHD file " + a + " is longer than in ACE file.ERROR: invalid PHD file " + a +
             ", line 7"},
        {"shorter", "a 1 1\nc 2 2\n", "BEGIN_DNA\n",
         "ERROR: sequence in PHD file " + a + " is shorter than in ACE file.ERROR: invalid PHD file " + a +
             ", line 6"},
        {"missing data", "a 1 1\nc 2\ng 3 3\n", "BEGIN_DNA\n",
         "ERROR: Missing data in PHD file " + a + "ERROR: invalid PHD file " + a + ", line 5"},
        {"number too large", "a 1 1\nc 2 99999999999\ng 3 3\n", "BEGIN_DNA\n",
         "ERROR: number out of range in PHD file " + a + "ERROR: invalid PHD file " + a + ", line 5"},
        {"no BEGIN_DNA", "a 1 1\n", "X_BEGIN_DNA\n",
         "ERROR: invalid PHD file " + a + "ERROR: invalid PHD file " + a + ", line 5"},
    };
    for (Case const& c : cases) {
        WritePhd("a", c.bases, c.header);
        model.Clear();
        CallResult result = Read();
        EXPECT_TRUE(result.failed) << c.what;
        EXPECT_EQ(Fault(result), c.message) << c.what;
    }

    dir.Write("phd/a.phd.1", "BEGIN_SEQUENCE a\nBEGIN_DNA\n");  // nothing after BEGIN_DNA
    model.Clear();
    EXPECT_EQ(Fault(Read()), "ERROR: invalid PHD file " + a + "ERROR: invalid PHD file " + a + ", line 2");

    // Cut after its last base line, or inside it: every base read, but the
    // last position may be cut short.
    struct Cut {
        char const* end;
        char const* line;
    } const cuts[] = {{"g 30 30\n", "6"}, {"g 30 3", "5"}};
    for (Cut const& cut : cuts) {
        SCOPED_TRACE(cut.end);
        dir.Write("phd/a.phd.1", std::string("BEGIN_SEQUENCE a\n\nBEGIN_DNA\na 10 10\nc 20 20\n") + cut.end);
        model.Clear();
        CallResult result = Read();
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(Fault(result), "ERROR: no END_DNA line in PHD file " + a + "ERROR: invalid PHD file " + a +
                                     ", line " + cut.line);
    }
}

TEST_F(ReaderSequenceTest, PhdFileNamesStayInThePhdDirectory) {
    struct Case {
        char const* ds;
        std::string message;
    } cases[] = {
        {"PHD_FILE: ../a.phd.1", "ERROR: the PHD file ../a.phd.1 of read a lies outside the PHD directory"},
        {"PHD_FILE: /etc/passwd", "ERROR: the PHD file /etc/passwd of read a lies outside the PHD directory"},
        {"PHD_FILE: ..", "ERROR: the PHD file .. of read a lies outside the PHD directory"},
        {"CHROMAT_FILE: a", "ERROR: the ACE file names no PHD file for read a"},
        {"PHD_FILE: gone.phd.1", "ERROR: cannot open the PHD file " + dir.Path() + "phd/gone.phd.1"},
    };
    for (Case const& c : cases) {
        model.Clear();
        CallResult result = Read(c.ds);
        EXPECT_TRUE(result.failed) << c.ds;
        EXPECT_EQ(Fault(result), c.message) << c.ds;
    }
}

// Positions and areas that no int holds stop the run instead of being
// wrapped or held; an amplitude is a decimal number and is held.
TEST_F(ReaderSequenceTest, PolyNumbersOutOfRange) {
    std::string const path = dir.Path() + "poly/a.poly";
    struct Case {
        char const* lines;
        int line;
    } const cases[] = {
        {"A 3000000000 1 0 N 0 0 0 1 1 1 1\n", 2},
        {"A 5 1\nA -99999999999999999999 1\n", 3},
        {"A 10 2147483648 0 N 0 0 0 1 1 1 1\n", 2},
        {"A 10 1 0 C 99999999999 1 0 1 1 1 1\n", 2},
        {"A 10 1 0 C 12 -2147483649 0 1 1 1 1\n", 2},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.lines);
        dir.Write("poly/a.poly", std::string("a 1 1 1 1 1\n") + c.lines);
        model.Clear();
        CallResult result = Read();
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(Fault(result), "ERROR: number out of range in POLY file " + path + "ERROR: invalid poly file " +
                                     path + ", line " + std::to_string(c.line));
    }
    // Beyond N the columns 6 to 8 are not read.
    dir.Write("poly/a.poly", "a 1 1 1 1 1\nA 10 7 0 N 99999999999 99999999999 0 1e300 1 1 1\n"
                             "C 20 1 0 N 0 0 0 1 1 1 1\nG 30 1 0 N 0 0 0 1 1 1 1\n");
    model.Clear();
    CallResult result = Read();
    ASSERT_FALSE(result.failed) << result.messages;
    EXPECT_EQ(ModelInspector::Amplitude(*model.Get(0)->Get(0), 0, 1), 2147483647);
}

TEST_F(ReaderSequenceTest, PolyLinesJoinedOrPassedOver) {
    // A short line that joins a base is an error; one that joins none, or
    // comes after the last base, is never looked at.
    dir.Write("poly/a.poly", "a 1 1 1 1 1\nA 5 1\nA 10 100 0 N 0 0 0 1 2 3\n");
    CallResult result = Read();
    EXPECT_TRUE(result.failed);
    std::string const path = dir.Path() + "poly/a.poly";
    EXPECT_EQ(Fault(result), "ERROR: missing data in POLY file " + path + "ERROR: invalid poly file " + path +
                                 ", line 3");

    dir.Write("poly/a.poly", "a 1 1 1 1 1\nA 5 1\nA 10 100 0 N 0 0 0 1 2 3 4 5\nC 20 1 0 N 0 0 0 1 1 1 1\n"
                             "G 30 1 0 N 0 0 0 1 1 1 1\nT 40 short\n");
    // No line at b's second peak (20): that base is cleared.
    dir.Write("poly/b.poly", "b 0 5 5 5 5\nA 10 1 0 C 10 1 0 1 1 1 1\nG 30 1 0 C 30 1 0 1 1 1 1\n");
    model.Clear();
    result = Read();
    ASSERT_FALSE(result.failed) << result.messages;
    Sequence* a = model.Get(0)->Get(0);
    Sequence* b = model.Get(0)->Get(1);
    EXPECT_EQ(ModelInspector::Amplitude(*a, 3, 1), 4);  // a thirteenth field is ignored
    EXPECT_TRUE(b->IsValid());
    EXPECT_EQ(ModelInspector::Secondary(*b, 2), 'N');
    EXPECT_EQ(ModelInspector::Amplitude(*b, 0, 2), 0);
    EXPECT_EQ(ModelInspector::Amplitude(*b, 3, 3), 1);
}

// A POLY file that gives the read no value, or stops before its last base
// in trace order (the first for the complemented b), leaves the read out
// as a missing one does: named, not valid, and holding no POLY value. The
// files of other base callers, with lines of no base and lines past the
// last one, are read as they are.
TEST_F(ReaderSequenceTest, PolyFilesThatHoldTooLittleLeaveTheReadOut) {
    std::string const lines = "A 10 1 0 C 10 5 0 1 2 3 4\nC 20 1 0 N 0 0 0 1 1 1 1\nG 30 1 0 N 0 0 0 1 1 1 1\n";
    std::string const none = " gives none of the read's bases a value - skipping.\n";
    std::string const shorter = " ends before the read's last base - skipping.\n";
    struct Case {
        char const* what;
        char const* read;  // whose file the case writes; the other one's is whole
        std::string poly;
        std::string message;  // empty: the read is valid
    } const cases[] = {
        {"empty", "a", "", none},
        {"header only", "a", "a 1 1 1 1 1\n", none},
        {"no POLY file", "a", "hello world\n", none},
        {"random bytes", "a", std::string("\x89\xfe\x00\x13 \x7f\n\x01\x02\t\xc3\n\xff", 14), none},
        {"no line at a peak", "a", "a 1 1 1 1 1\nA 15 1 0 N 0 0 0 1 1 1 1\nA 45 1 0 N 0 0 0 1 1 1 1\n", none},
        {"cut after a line", "a", "a 1 1 1 1 1\n" + lines.substr(0, lines.find("G 30")), shorter},
        {"cut inside a line", "a", "a 1 1 1 1 1\nA 10 1 0 C 10 5 0 1 2 3 4\nC 20 1 0 N", shorter},
        {"last line without its end", "a", "a 1 1 1 1 1\n" + lines.substr(0, lines.size() - 1), shorter},
        {"complemented, cut", "b", "b 1 1 1 1 1\n" + lines.substr(0, lines.find("G 30")), shorter},
        {"complemented, header only", "b", "b 1 1 1 1 1\n", none},
        {"lines of no base and past the last", "a",
         "a 1.0 1.0 1.0 1.0 1.0\nA 5 9 0 N 0 0 0 9 9 9 9\n" + lines.substr(0, 26) + "\nT 15 9\n" +
             lines.substr(26) + "T 35 9 0 N 0 0 0 9 9 9 9\nT 47",
         ""},
        {"a last base without its line", "a", "a 1 1 1 1 1\n" + lines.substr(0, lines.find("G 30")) + "T 40 x\n", ""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("poly/a.poly", "a 1 1 1 1 1\n" + lines);
        dir.Write("poly/b.poly", "b 1 1 1 1 1\n" + lines);
        std::string const path = dir.Path() + "poly/" + c.read + ".poly";
        dir.Write(std::string("poly/") + c.read + ".poly", c.poly);
        model.Clear();
        CallResult result = Read();
        ASSERT_FALSE(result.failed) << result.messages;
        std::string named;
        std::istringstream messages(result.messages);
        for (std::string line; std::getline(messages, line);)
            if (line.compare(0, 4, "    ") == 0) named += line + "\n";
        EXPECT_EQ(named, c.message.empty() ? "" : "    POLY file " + path + c.message);
        for (long k = 0; k < 2; ++k) {
            Sequence* read = model.Get(0)->Get(k);
            bool target = Text(read->GetName()) == c.read;
            bool valid = !target || c.message.empty();
            EXPECT_EQ(read->IsValid(), valid) << Text(read->GetName());
            for (long u = 1; u <= 3; ++u) {
                if (valid) {
                    EXPECT_NE(ModelInspector::Secondary(*read, u), 0) << u;
                    continue;
                }
                EXPECT_EQ(ModelInspector::Secondary(*read, u), 0) << u;
                for (int channel = 0; channel < 4; ++channel)
                    EXPECT_EQ(ModelInspector::Amplitude(*read, channel, u), 0) << u;
            }
        }
    }
    // The base a line joined holds its values; the one without a line, none.
    Sequence* a = model.Get(0)->Get(0);
    EXPECT_EQ(ModelInspector::Secondary(*a, 1), 'C');
    EXPECT_EQ(ModelInspector::Amplitude(*a, 3, 1), 4);
    EXPECT_EQ(ModelInspector::Secondary(*a, 3), 'N');
    EXPECT_EQ(ModelInspector::Amplitude(*a, 2, 3), 0);
}

// ------------------------------------------------- files of other programs

static bool HaveSharedData() {
    struct stat status;
    return stat(sharedDir.c_str(), &status) == 0;
}

TEST(ReaderRealFilesTest, EveryAceFileLoads) {
    if (!HaveSharedData()) GTEST_SKIP() << "no shared sample data at " << sharedDir;
    struct Case {
        char const* file;
        long contigs;  // as the AS line counts them
        long reads;
    } cases[] = {
        {"assemblies/biopython/consed_sample.ace", 1, 8},
        {"assemblies/biopython/seq.cap.ace", 1, 6},
        {"assemblies/mira/tiny.ace", 2, 6},
        {"assemblies/bioperl/acefile.ace.1", 53, 114},
        {"assemblies/bioperl/consed_project/edit_dir/test_project.fasta.screen.ace.1", 1, 2},
    };
    for (Case const& c : cases) {
        Assembly model;
        Parameters settings;
        settings.SetRefID(".REF");
        ReaderFiles files(model, settings);
        files.SetAceFile(sharedDir + c.file);
        CallResult result = Capture([&files] { files.ReadAceFile(); });
        ASSERT_FALSE(result.failed) << c.file << "\n" << result.messages;
        EXPECT_EQ(model.Length(), c.contigs) << c.file;
        long reads = 0;
        for (long i = 0; i < model.Length(); ++i) {
            Contig* contig = model.Get(i);
            reads += contig->Length();
            for (long k = 0; k < contig->Length(); ++k)
                EXPECT_GT(contig->Get(k)->GetLength(), 0) << c.file << " " << Text(contig->Get(k)->GetName());
        }
        EXPECT_EQ(reads, c.reads) << c.file;
    }
}

// Its first contig's reads have no DS lines, and its second contig names one
// read twice, with two different RD records.
TEST(ReaderRealFilesTest, AceFileWithoutDsLinesIsRefused) {
    if (!HaveSharedData()) GTEST_SKIP() << "no shared sample data at " << sharedDir;
    Assembly model;
    Parameters settings;
    ReaderFiles files(model, settings);
    files.SetAceFile(sharedDir + "assemblies/biopython/contig1.ace");
    CallResult result = Capture([&files] { files.ReadAceFile(); });
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(AfterBanner(result.messages),
              "ERROR: invalid ACE file, line 99: no DS line after the QA line of read BL060c3-LR5.g.ab1");
}

TEST(ReaderRealFilesTest, ConsedSampleTagsAndReads) {
    if (!HaveSharedData()) GTEST_SKIP() << "no shared sample data at " << sharedDir;
    Assembly model;
    Parameters settings;
    settings.SetRefID(".REF");
    ReaderFiles files(model, settings);
    files.SetAceFile(sharedDir + "assemblies/biopython/consed_sample.ace");
    files.SetTags(" repeat ", " oligo ", " comment ", " ");
    CallResult result = Capture([&files] { files.ReadAceFile(); });
    ASSERT_FALSE(result.failed) << result.messages;
    Contig* contig = model.Get(0);
    EXPECT_EQ(contig->GetColumnCount(), 1475);
    std::string verified, manual, indels;
    contig->StartVerifiedSites();
    while (ManualSite* site = contig->GetVerifiedSite()) verified += Describe(site);
    MarkedSites& sites = ModelInspector::ManualSites(*contig);
    sites.Begin();
    while (MarkedSite* site = sites.GetNext()) manual += Describe(static_cast<ManualSite*>(site));
    contig->StartManualIndels();
    while (ManualSite* site = contig->GetManualIndel()) indels += Describe(site);
    EXPECT_EQ(verified, "975-985 repeat; ");
    EXPECT_EQ(manual, "962-986 oligo; ");
    EXPECT_EQ(indels, "995-1006 comment; ");  // free text without COMMENT{ is no comment
    Sequence* read = ReadNamed(*contig, "K26-572c");
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->GetComplement());
    EXPECT_EQ(ModelInspector::Offset(*read), 0);
}

TEST(ReaderRealFilesTest, ConsedProjectReadsWithoutPolyFiles) {
    if (!HaveSharedData()) GTEST_SKIP() << "no shared sample data at " << sharedDir;
    std::string const project = sharedDir + "assemblies/bioperl/consed_project/";
    Assembly model;
    Parameters settings;
    settings.SetRefID(".REF");
    ReaderFiles files(model, settings);
    files.SetAceFile(project + "edit_dir/test_project.fasta.screen.ace.1");
    files.SetDirectories(project + "phd_dir/", project + "poly_dir/");
    CallResult result = Capture([&files] {
        files.ReadAceFile();
        files.ReadSequenceFiles();
    });
    ASSERT_FALSE(result.failed) << result.messages;
    EXPECT_NE(result.messages.find("    Unable to open file " + project + "poly_dir/ML4924F.poly - skipping.\n"),
              std::string::npos);
    Contig* contig = model.Get(0);
    ASSERT_EQ(contig->Length(), 2);
    for (long k = 0; k < 2; ++k) {
        Sequence* read = contig->Get(k);
        EXPECT_FALSE(read->IsValid());
        EXPECT_TRUE(Text(read->GetPhdHeader()).find("BEGIN_SEQUENCE " + Text(read->GetName()) + "\n") == 0);
        EXPECT_EQ(Text(read->GetPhdTags()), "");
        for (long u = 1; u <= read->GetLength(); ++u) EXPECT_EQ(ModelInspector::Secondary(*read, u), 0);
    }
    Sequence* forward = ReadNamed(*contig, "ML4924F");
    char base = 0;
    long quality = 0, position = 0;
    forward->GetPhdData(1, base, quality, position);
    EXPECT_EQ(std::string(1, base) + " " + std::to_string(quality) + " " + std::to_string(position), "t 10 3");
}

// The PHD and POLY files of another base caller: its read "3730.ab1"
// complemented in a small contig, beside a second read of the same PHD file.
TEST(ReaderRealFilesTest, TracetunerPhdAndPolyFilesParse) {
    if (!HaveSharedData()) GTEST_SKIP() << "no shared sample data at " << sharedDir;
    std::string const dir = sharedDir + "reference-outputs/tracetuner/";
    std::ifstream in(dir + "3730.ab1.phd.1");
    std::string line, bases;
    bool inDna = false;
    while (std::getline(in, line)) {
        if (line.compare(0, 7, "END_DNA") == 0) break;
        if (inDna) bases += line[0];
        if (line.compare(0, 9, "BEGIN_DNA") == 0) inDna = true;
    }
    ASSERT_EQ(bases.size(), 1165u);
    std::string reversed;
    for (auto it = bases.rbegin(); it != bases.rend(); ++it) {
        char const* from = "acgt";
        char const* to = "tgca";
        char const* hit = std::char_traits<char>::find(from, 4, *it);
        reversed += hit ? to[hit - from] : 'n';
    }
    std::string wrapped;
    for (size_t i = 0; i < reversed.size(); i += 50) wrapped += reversed.substr(i, 50) + "\n";
    std::string const n = std::to_string(bases.size());
    ReaderTempDir temp;
    std::string ace = "AS 1 2\n\nCO C1 " + n + " 2 1 U\n" + wrapped + "\nBQ\n1\n\nAF 3730.ab1 C 1\nAF copy U 1\n\n" +
                      "RD 3730.ab1 " + n + " 0 0\n" + wrapped + "\nQA 1 " + n + " 1 " + n +
                      "\nDS PHD_FILE: 3730.ab1.phd.1\n\nRD copy " + n + " 0 0\n" + wrapped + "\nQA 1 " + n + " 1 " +
                      n + "\nDS PHD_FILE: 3730.ab1.phd.1\n\n";
    Assembly model;
    Parameters settings;
    ReaderFiles files(model, settings);
    files.SetAceFile(temp.Write("tt.ace", ace));
    files.SetDirectories(dir, dir);
    CallResult result = Capture([&files] {
        files.ReadAceFile();
        files.ReadSequenceFiles();
    });
    ASSERT_FALSE(result.failed) << result.messages;
    Sequence* read = ReadNamed(*model.Get(0), "3730.ab1");
    EXPECT_TRUE(read->IsValid());
    EXPECT_FALSE(ReadNamed(*model.Get(0), "copy")->IsValid());  // no POLY file of that name
    EXPECT_EQ(Text(read->GetPhdTags()), "");
    char base = 0;
    long quality = 0, position = 0;
    read->GetPhdData(6, base, quality, position);
    EXPECT_EQ(std::string(1, base) + " " + std::to_string(quality) + " " + std::to_string(position), "a 6 78");
    // PHD base 6 (peak 78) is alignment position 1160; its POLY line
    // "A 78 12061.0 1.0 T 73 9573.0 0.79 411.0 82.0 693.0 942.0" joins it:
    // the uncalled T becomes A, the amplitude columns land reversed.
    long u = 1165 - 6 + 1;
    EXPECT_EQ(ModelInspector::Call(*read, u), 'T');
    EXPECT_EQ(ModelInspector::Secondary(*read, u), 'A');
    EXPECT_EQ(ModelInspector::Amplitude(*read, 0, u), 942);
    EXPECT_EQ(ModelInspector::Amplitude(*read, 1, u), 693);
    EXPECT_EQ(ModelInspector::Amplitude(*read, 2, u), 82);
    EXPECT_EQ(ModelInspector::Amplitude(*read, 3, u), 411);
    EXPECT_EQ(ModelInspector::Primary(*read, u), 411);
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*read, u), 942);
    EXPECT_FLOAT_EQ(ModelInspector::Ratio(*read, u), 9573.0f / 12061.0f);
    // PHD base 1 (peak 2) has no POLY line at its position: cleared.
    EXPECT_EQ(ModelInspector::Secondary(*read, 1165), 'N');
    EXPECT_EQ(ModelInspector::Amplitude(*read, 2, 1165), 0);
}

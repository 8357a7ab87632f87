// The per-contig pipeline on hand-built contigs: the consensus re-call, the
// SNP pass with its repeat cap, reference comparison and coverage, the
// manual sites, and the phase arrays' lifetime.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "contig.h"
#include "markedsite.h"
#include "model_test.h"
#include "parameters.h"
#include "reads.h"

// Sixty bases without runs, with twelve A's at columns 20 to 31.
static std::string const withRun = "ACGTTGCAGCTTCGATCGGTAAAAAAAAAAAACTAGGCATGCATCGTAGCTTGACGTCAG";
static long const snpColumn = 25;

// The consensus is the run text; four reference samples and one
// homozygous C sample at column 25, each with a forward and a complemented
// read named after its sample ("r1f", "r1r", ..., "v1f", "v1r").
class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override { contig = MakeContig("c", withRun); }
    void TearDown() override { delete contig; }
    void AddSample(char const* sample, char variant = 0, long at = snpColumn) {
        for (bool complement : {false, true}) {
            std::string text = withRun;
            if (variant) text[at] = variant;
            contig->Append(MakeRead((std::string(sample) + (complement ? "r" : "f")).c_str(), text, 0, complement));
        }
    }
    void Run(char const* flags) {
        Parameters parameters;
        parameters.SetQualityLimit(25);
        parameters.SetWindow(20);
        parameters.SetScoreLimit(70.0f);
        parameters.ParseFlags("test", flags);
        contig->Process(parameters);
    }
    std::vector<SnpSite*> Sites() {
        std::vector<SnpSite*> sites;
        contig->StartSnpSites();
        while (SnpSite* site = contig->GetSnpSite()) sites.push_back(site);
        return sites;
    }
    // A reference read of the run text with G at column 12, where the
    // consensus has C.
    void SetReferenceG12() {
        std::string text = withRun;
        text[12] = 'G';
        Str bases(text.c_str());
        contig->GetReferenceSequence()->SetAttributes("ref.REF", 0, false);
        contig->GetReferenceSequence()->SetSequence(bases);
    }
    Sequence* ReadNamed(char const* name) {
        for (long r = 0; r < contig->Length(); ++r)
            if (contig->Get(r)->GetName() == name) return contig->Get(r);
        return nullptr;
    }
    Contig* contig;
};

TEST_F(PipelineTest, RepeatCapAppliesOnlyWithTheCapSetting) {
    struct Case {
        char const* flags;
        int score;
    } cases[] = {{" -source 1 2 ", 99}, {" -source 1 2 -ms ", 99}, {" -source 1 2 -ms X ", 70}};
    for (Case c : cases) {
        TearDown();
        SetUp();
        for (char const* sample : {"r1", "r2", "r3", "r4"}) AddSample(sample);
        AddSample("v1", 'C');
        Run(c.flags);
        std::vector<SnpSite*> sites = Sites();
        ASSERT_EQ(sites.size(), 1u) << c.flags;
        EXPECT_EQ(sites[0]->GetPosition(), snpColumn);
        EXPECT_EQ(sites[0]->GetScore(), c.score) << c.flags;
        char first = 0, second = 0;
        sites[0]->GetGenotype(first, second);
        EXPECT_EQ(std::string() + first + second, "AC");
        // Every read carries its sample's genotype.
        contig->Begin();
        while (Sequence* read = contig->GetNext()) {
            ASSERT_TRUE(read->IsValidSite(snpColumn));
            EXPECT_EQ(read->GetGenotype(), read->GetName().Compare("v") ? 1 : 0) << read->GetName();
        }
        // The run is one repeat of unit 1, searched only when asked.
        contig->StartRepeatSites();
        RepeatSite* repeat = contig->GetRepeatSite();
        if (std::string(c.flags).find("-ms") == std::string::npos) {
            EXPECT_EQ(repeat, nullptr);
            continue;
        }
        ASSERT_NE(repeat, nullptr);
        long start = 0, end = 0, unit = 0;
        repeat->GetRepeat(start, end, unit);
        EXPECT_EQ(unit, 1);
        EXPECT_LE(start, snpColumn);
        EXPECT_GE(end, snpColumn);
        EXPECT_EQ(contig->GetRepeatSite(), nullptr);
    }
}

// Peaks all of one height, as synthetic traces have them, leave heights and
// column means of exactly 0 in many columns; the variant is found at every
// column all the same.
TEST_F(PipelineTest, PeaksOfOneHeightFindTheVariantAtEveryColumn) {
    for (long at = 0; at < static_cast<long>(withRun.size()); ++at) {
        TearDown();
        SetUp();
        for (char const* sample : {"r1", "r2", "r3", "r4"}) AddSample(sample);
        char variant = withRun[at] == 'T' ? 'C' : 'T';
        AddSample("v1", variant, at);
        Run(" -source 1 2 ");
        std::vector<SnpSite*> sites = Sites();
        ASSERT_EQ(sites.size(), 1u) << "column " << at;
        EXPECT_EQ(sites[0]->GetPosition(), at);
        EXPECT_EQ(sites[0]->GetScore(), 99) << "column " << at;
    }
}

TEST_F(PipelineTest, EveryReadItsOwnSampleKeepsAWeakerSite) {
    for (char const* sample : {"r1", "r2", "r3", "r4"}) AddSample(sample);
    AddSample("v1", 'C');
    Run(" ");
    std::vector<SnpSite*> sites = Sites();
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_LT(sites[0]->GetScore(), 90);  // one read's evidence, not two
    EXPECT_GE(sites[0]->GetScore(), 70);
}

TEST_F(PipelineTest, ConsensusRecallTiesAndColumnsWithoutVotes) {
    // Two reads call C and G at column 10 (two votes each): C. Column 40 is
    // a pad in every read: no votes, N, never scored.
    std::string text = withRun;
    for (char call : {'C', 'G'}) {
        text[10] = call;
        text[40] = '*';
        contig->Append(MakeRead(call == 'C' ? "a" : "b", text));
    }
    Run(" ");
    TextSequence* consensus = contig->GetConsensusSequence();
    ASSERT_TRUE(consensus->IsValid());
    ASSERT_TRUE(consensus->IsSite(10));
    EXPECT_EQ(consensus->GetBase(), 'C');
    ASSERT_TRUE(consensus->IsSite(40));
    EXPECT_EQ(consensus->GetBase(), 'N');
    EXPECT_FALSE(consensus->IsValidSite(40));
    EXPECT_EQ(contig->GetColumnBase(40), 0);  // masked for the phases
    EXPECT_EQ(ModelInspector::Coverage(*contig, 40), 0);
    EXPECT_EQ(ModelInspector::Coverage(*contig, 39), 2);
    // The phase arrays are gone once the contig is done.
    contig->Begin();
    while (Sequence* read = contig->GetNext()) EXPECT_EQ(ModelInspector::Height(*read), nullptr);
}

TEST_F(PipelineTest, ReferenceComparisonRecordsTheConsensusAgainstTheReference) {
    for (char const* sample : {"r1", "r2", "r3"}) AddSample(sample);
    SetReferenceG12();
    Run(" -refcomp ");
    std::vector<SnpSite*> sites = Sites();
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_EQ(sites[0]->GetPosition(), 12);
    EXPECT_EQ(sites[0]->GetScore(), 99);  // 1 - p with p = 0
    char first = 0, second = 0;
    sites[0]->GetGenotype(first, second);
    EXPECT_EQ(std::string() + first + second, "CG");  // consensus and reference
    contig->Begin();
    while (Sequence* read = contig->GetNext()) {
        ASSERT_TRUE(read->IsValidSite(12));
        EXPECT_EQ(read->GetGenotype(), 0);
        read->GetGenotype(first, second);
        EXPECT_EQ(std::string() + first + second, "CC");
    }
    EXPECT_EQ(ModelInspector::Coverage(*contig, 12), 6);  // every read its own Source
}

TEST_F(PipelineTest, ReferenceComparisonTakesOneMinusTheProbability) {
    for (char const* sample : {"r1", "r2", "r3"}) AddSample(sample);
    // One read calls A at column 12 with qualities of 20 around it: hom
    // M3(20, 20) = 5.7652864858, het 2.4816334, so p = 0.0626 and the site
    // is recorded with 1 - p = 0.9374.
    std::string text = withRun;
    text[12] = 'A';
    Sequence* variant = MakeRead("v1f", text);
    for (long u = 9; u <= 17; ++u) {
        long amplitudes[4] = {40, 40, 40, 40};
        amplitudes[BaseChannel(text[u - 1])] = 1000;  // the C channel weak at the A call
        SetBase(*variant, u, {amplitudes[0], amplitudes[1], amplitudes[2], amplitudes[3]}, 'N', 0, 20);
    }
    contig->Append(variant);
    SetReferenceG12();
    Run(" -refcomp ");
    std::vector<SnpSite*> sites = Sites();
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_EQ(sites[0]->GetPosition(), 12);
    double p = 1 - 1 / (1 + std::exp(2.4816334f - 7.5810998322) + std::exp(5.7652864858 - 8.5684864858));
    EXPECT_EQ(sites[0]->GetScore(), static_cast<int>(100 * (1 - p)));
    EXPECT_EQ(sites[0]->GetScore(), 93);
    // Every read homozygous for the consensus; the read whose call differed
    // says so with code 4.
    contig->Begin();
    while (Sequence* read = contig->GetNext()) {
        ASSERT_TRUE(read->IsValidSite(12));
        EXPECT_EQ(read->GetGenotype(), read == variant ? 4 : 0) << read->GetName();
        char first = 0, second = 0;
        read->GetGenotype(first, second);
        EXPECT_EQ(std::string() + first + second, "CC");
    }
}

TEST_F(PipelineTest, ReferenceFlagWithoutAReferenceScoresOnlyManualSites) {
    for (char const* sample : {"r1", "r2", "r3", "r4"}) AddSample(sample);
    AddSample("v1", 'C');
    contig->AddManualSite(new ManualSite(snpColumn, snpColumn, "manual", ""));
    Run(" -source 1 2 -ref ");
    for (long i = 0; i < contig->GetColumnCount(); ++i) EXPECT_EQ(ModelInspector::Coverage(*contig, i), 0) << i;
    std::vector<SnpSite*> sites = Sites();
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_EQ(sites[0]->GetPosition(), snpColumn);
    EXPECT_TRUE(sites[0]->IsManual());
    EXPECT_FALSE(sites[0]->IsDetected());
    EXPECT_EQ(sites[0]->GetScore(), 99);  // scored without a threshold
}

TEST_F(PipelineTest, ManualSitesMarkDetectedOnesAndAddTheRest) {
    for (char const* sample : {"r1", "r2", "r3", "r4"}) AddSample(sample);
    AddSample("v1", 'C');
    contig->AddManualSite(new ManualSite(5, 5, "manual", ""));
    contig->AddManualSite(new ManualSite(snpColumn, snpColumn, "manual", ""));
    contig->AddManualSite(new ManualSite(500, 500, "manual", ""));  // beyond the contig
    Run(" -source 1 2 ");
    std::vector<SnpSite*> sites = Sites();
    ASSERT_EQ(sites.size(), 2u);
    EXPECT_EQ(sites[0]->GetPosition(), 5);
    EXPECT_TRUE(sites[0]->IsManual());
    EXPECT_FALSE(sites[0]->IsDetected());
    EXPECT_EQ(sites[0]->GetScore(), 0);
    EXPECT_EQ(sites[1]->GetPosition(), snpColumn);
    EXPECT_TRUE(sites[1]->IsManual());
    EXPECT_TRUE(sites[1]->IsDetected());
    // The manual column was scored again: its reads hold genotypes there.
    Sequence* read = ReadNamed("r1f");
    ASSERT_TRUE(read->IsValidSite(5));
    EXPECT_EQ(read->GetGenotype(), 0);
    EXPECT_GT(read->GetScore(), 90);
}

// GetSecondBase upper-cases a background secondary (held in lower case)
// where it gives a Source its strand maximum, and that letter stays in the
// read for the indel pass and the writers, at a column without a site too.
// A twin read after it in the same sample and strand raises no maximum and
// keeps its mark.
TEST_F(PipelineTest, BackgroundSecondaryUpperCasedWhereItsReadRaisesAStrandMaximum) {
    for (char const* sample : {"r1", "r2", "r3"}) AddSample(sample);
    contig->Append(MakeRead("r1x", withRun));
    long const column = 43;  // T between A and C
    long const u = column + 1;
    for (char const* name : {"r1f", "r1x"}) {
        // A G peak at the T, no stronger than the G channel of both
        // neighbours: background.
        Sequence* read = ReadNamed(name);
        SetBase(*read, u - 1, {1000, 40, 450, 40});
        SetBase(*read, u, {40, 40, 400, 1000}, 'G', 0.3f);
        SetBase(*read, u + 1, {40, 1000, 450, 40});
    }
    Run(" -source 1 2 ");
    for (SnpSite* site : Sites()) EXPECT_NE(site->GetPosition(), column);
    struct Case {
        char const* read;
        char secondary;
    } cases[] = {{"r1f", 'G'}, {"r1x", 'g'}};
    for (Case c : cases) {
        Sequence* read = ReadNamed(c.read);
        ASSERT_TRUE(read->IsValidSite(column));
        char first = 0, second = 0;
        read->GetGenotype(first, second);
        EXPECT_EQ(first, 'T') << c.read;
        EXPECT_EQ(second, c.secondary) << c.read;
    }
}

TEST_F(PipelineTest, IndelSettingOffLeavesTheIndelSitesAlone) {
    for (char const* sample : {"r1", "r2"}) AddSample(sample);
    Run(" ");
    contig->StartIndelSites();
    EXPECT_EQ(contig->GetIndelSite(), nullptr);
}

TEST(AssemblyTest, EveryContigIsProcessedWhateverItsReadCount) {
    Assembly assembly;
    for (char const* name : {"one", "two"}) {
        Contig* contig = MakeContig(name, withRun);
        contig->Append(MakeRead("a", withRun));
        if (std::string(name) == "two") contig->Append(MakeRead("b", withRun));
        assembly.Append(contig);
    }
    Parameters parameters;
    parameters.SetQualityLimit(25);
    parameters.SetWindow(20);
    assembly.Process(parameters);
    assembly.Begin();
    while (Contig* contig = assembly.GetNext()) {
        EXPECT_TRUE(contig->GetConsensusSequence()->IsValid()) << contig->GetName();
        EXPECT_EQ(ModelInspector::Coverage(*contig, 30), contig->Length()) << contig->GetName();
    }
}

TEST(IndelColumnTest, FromTheDivergenceBackToTheCandidate) {
    Contig* contig = MakeContig("c", withRun);
    Str text(withRun.c_str());
    contig->GetConsensusSequence()->SetSequence(text);
    std::string padded = withRun;
    for (long i = 33; i <= 35; ++i) padded[i] = '*';
    std::string morePads = withRun;
    for (long i = 31; i <= 35; ++i) morePads[i] = '*';
    Sequence* forward = MakeRead("f", padded);
    Sequence* gaps = MakeRead("g", morePads);
    Sequence* reverse = MakeRead("r", padded, 0, true);
    struct Case {
        char const* what;
        Sequence* read;
        long candidate, divergence, column;
    } cases[] = {
        {"a divergence of 0 is the candidate itself", forward, 30, 0, 30},
        {"a base of the read at the divergence", forward, 30, 2, 32},
        {"pads of the read are passed toward the candidate", forward, 30, 5, 32},
        {"no base of the read: the last column tried", gaps, 30, 5, 31},
        {"a complemented read looks toward lower columns", reverse, 30, 3, 27},
        {"steps beyond the sequence keep the candidate", forward, 58, 5, 58},
        {"a candidate outside the contig", forward, 60, 0, 0},
    };
    for (Case const& c : cases) {
        ASSERT_TRUE(c.read->IsSite(5));  // an earlier column
        EXPECT_EQ(ModelInspector::HetIndelColumn(*contig, c.read, c.candidate, c.divergence), c.column) << c.what;
        if (c.column == 0) continue;
        // The read records its indel there, not at the earlier column.
        c.read->SetIndel(2);
        EXPECT_TRUE(c.read->IsIndelSite(c.column)) << c.what;
    }
    for (Sequence* read : {forward, gaps, reverse}) delete read;
    delete contig;
}

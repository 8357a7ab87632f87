// Sources and Columns: grouping of reads by sample, the combining rule, the
// genotype choice, the SNP probability and the genotypes written back.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "column.h"
#include "contig.h"
#include "model_test.h"
#include "parameters.h"
#include "reads.h"
#include "sequence.h"
#include "source.h"

// Reads of five 'T's in a contig of five 'T's, standing at column 2 with
// the scores a test gives them.
class GenotypeTest : public ::testing::Test {
protected:
    void SetUp() override { contig = MakeContig("c", "TTTTT"); }
    void TearDown() override {
        for (Sequence* read : reads) delete read;
        delete contig;
    }
    void Configure(char const* flags) {
        Parameters parameters;
        parameters.ParseFlags("test", flags);
        column.SetParameters(parameters);
    }
    // A read whose base at column 2 is `call`, with a secondary letter.
    Sequence* Read(char const* name, float het, float hom, bool complement = false, char call = 'T',
                   char secondary = 'N') {
        std::string text = "TTTTT";
        text[2] = call;
        Sequence* read = MakeRead(name, text, 0, complement);
        if (secondary != 'N') SetBase(*read, 3, {40, 500, 40, 1000}, secondary, 0.5f);
        ModelInspector::SetContig(*read, contig);
        ModelInspector::SetScores(*read, het, hom);
        EXPECT_TRUE(read->IsValidSite(2));
        reads.push_back(read);
        return read;
    }
    void Add(Sequence* read) { column.AddSequence(read); }
    Contig* contig;
    Column column;
    std::vector<Sequence*> reads;
};

TEST_F(GenotypeTest, OneReadIsItsOwnSource) {
    Configure(" ");
    Add(Read("a", 5.0f, -6.0f, false, 'T', 'C'));
    float p = column.GetProbability();
    ASSERT_EQ(column.Length(), 1);
    Source* source = column.Get(0);
    EXPECT_EQ(ModelInspector::HetTotal(*source), 5.0f);
    EXPECT_EQ(ModelInspector::HomTotal(*source), -6.0f);
    // The running maxima start at 0, so the hom total -6 counts as 0:
    // e^-7.5810998322 = 0.00051 and e^-8.5684864858 = 0.00019, so
    // 1 - 1 / (1 + 0.00051 e^5 + 0.00019 e^0) = 1 - 1 / 1.0758807 = 0.0705289.
    EXPECT_FLOAT_EQ(p, 0.070528926f);
    EXPECT_EQ(column.GetSecondBase('T'), 'C');
    char first = 0, second = 0;
    reads[0]->GetGenotype(first, second);
    EXPECT_EQ(std::string() + first + second, "CT");  // heterozygous, letters in order
    EXPECT_EQ(reads[0]->GetGenotype(), 2);
}

TEST_F(GenotypeTest, ScoresOfOneStrandCombineBySign) {
    Configure(" -source 1 1 ");
    struct Case {
        float first, second, combined;
    } cases[] = {{2, 3, 3}, {-2, -3, -3}, {2, -3, -1}, {0, 4, 4}};
    for (Case c : cases) {
        column.Clear();
        Add(Read("s1", 0, c.first));
        Add(Read("s2", 0, c.second));
        // The other strand adds its own combined score.
        Add(Read("s3", 0, 1.5f, true));
        column.GetProbability();
        ASSERT_EQ(column.Length(), 1);
        EXPECT_EQ(ModelInspector::HomTotal(*column.Get(0)), c.combined + 1.5f) << c.first << " " << c.second;
    }
}

TEST_F(GenotypeTest, FrequencyHasAFloorAndAnEmptyColumnScoresNothing) {
    Configure(" ");
    EXPECT_EQ(column.GetProbability(), 0.0f);  // no Sources: frequency 0, not 0/0
    EXPECT_EQ(column.GetSecondBase('T'), 'T');

    // A reference read: its expected fraction is far below 0.05.
    Add(Read("a", -4.86f, -6.0f));
    EXPECT_EQ(column.GetProbability(), 0.0f);
    // With f = 0.05: Hm = 0.0025 e^-6 = 6.19688e-6, Ht = 0.095 e^-4.86 =
    // 7.36296e-4, N = Hm + Ht + 0.9025 = 0.9032425; the posteriors are Hm / N
    // and Ht / N.
    Source* source = column.Get(0);
    EXPECT_NEAR(ModelInspector::HomWeight(*source), 6.86071e-6, 1e-11);
    EXPECT_NEAR(ModelInspector::HetWeight(*source), 8.15170e-4, 1e-9);
}

TEST_F(GenotypeTest, SnpTypeMasksGenotypes) {
    // The probability 1 - 1 / (1 + 0.00051 e^maxHet + 0.00019 e^maxHom) of the
    // totals it uses (from 0 up), 0 when no genotype survives the mask.
    struct Case {
        char const* flags;
        float hetScore, homScore;  // of the variant read
        float probability;
    } cases[] = {
        {" -snp het ", -6, 12, 0},  // only a homozygote: nothing
        // A heterozygote, the hom total capped: 1 - 1 / (1 + 83.004944 + 0.018902).
        {" -snp het ", 12, 6, 0.98809862f},
        {" -snp hom ", 12, -6, 0},
        {" -snp hom ", -6, 12, 0.96867553f},  // 1 - 1 / (1 + 0.00051 + 30.923410)
        {" -snp off ", 12, -6, 0},
        {" -snp on ", 12, 6, 0.98810679f},  // 1 - 1 / (1 + 83.004944 + 0.076651)
    };
    for (Case c : cases) {
        Configure(c.flags);
        column.Clear();
        Add(Read("v", c.hetScore, c.homScore, false, c.homScore > c.hetScore ? 'C' : 'T', 'C'));
        Add(Read("r", -4.86f, -6));
        EXPECT_FLOAT_EQ(column.GetProbability(), c.probability) << c.flags << c.hetScore;
    }
}

TEST_F(GenotypeTest, EqualStrandMaximaChooseTheForwardBase) {
    Configure(" -source 1 1 ");
    Add(Read("s1", 6, -6, false, 'T', 'C'));
    Add(Read("s2", 6, -6, true, 'T', 'G'));
    EXPECT_GT(column.GetProbability(), 0.7f);
    EXPECT_EQ(column.GetSecondBase('T'), 'C');
    EXPECT_EQ(reads[1]->GetGenotype(), 2);
}

TEST_F(GenotypeTest, GenotypesWrittenIntoTheReads) {
    Configure(" -source 1 1 ");
    Sequence* hom = Read("h1", -6, 11, false, 'C');
    Sequence* homReverse = Read("h2", -6, 11, true, 'C');
    Sequence* het = Read("e1", 6, -6, false, 'T', 'C');
    Sequence* swapped = Read("r1", -4.86f, -6);
    ModelInspector::SetFlags(*swapped, 3, 0x04);
    for (Sequence* read : {hom, homReverse, het, swapped}) Add(read);
    EXPECT_GT(column.GetProbability(), 0.7f);
    EXPECT_EQ(column.GetSecondBase('T'), 'C');
    char first = 0, second = 0;
    hom->GetGenotype(first, second);
    EXPECT_EQ(std::string() + first + second, "CC");
    EXPECT_EQ(hom->GetGenotype(), 1);
    EXPECT_EQ(homReverse->GetGenotype(), 1);
    het->GetGenotype(first, second);
    EXPECT_EQ(std::string() + first + second, "CT");
    EXPECT_EQ(het->GetGenotype(), 2);
    EXPECT_EQ(swapped->GetGenotype(), 4);  // reference, but its call had been swapped
    EXPECT_GT(hom->GetScore(), 90);

    // The reference-difference write: every read homozygous for the letter.
    column.SetConsensusBase('T');
    hom->GetGenotype(first, second);
    EXPECT_EQ(std::string() + first + second, "TT");
    EXPECT_EQ(hom->GetGenotype(), 0);
}

TEST_F(GenotypeTest, WeightsBeyondTheFloatRangeTakeTheirLimit) {
    Configure(" -source 1 1 ");
    // Totals of 120: e^120 is no float; the fraction and posteriors are
    // still numbers, and everything at the limit says homozygous.
    Add(Read("h1", -6, 60, false, 'C'));
    Add(Read("h2", -6, 60, true, 'C'));
    Add(Read("r1", -4.86f, -6));
    float p = column.GetProbability();
    EXPECT_EQ(p, 1.0f);
    Source* variant = column.Get(0);
    EXPECT_FLOAT_EQ(ModelInspector::HomWeight(*variant), 1.0f);
    EXPECT_EQ(ModelInspector::HetWeight(*variant), 0.0f);
    EXPECT_EQ(column.GetSecondBase('T'), 'C');
    EXPECT_EQ(reads[0]->GetGenotype(), 1);
    EXPECT_EQ(reads[0]->GetScore(), 99);
    EXPECT_EQ(reads[2]->GetGenotype(), 0);

    // Both weights beyond the range: the ratio of the two decides.
    column.Clear();
    Add(Read("e1", 100, 90, false, 'T', 'C'));
    Add(Read("e2", 100, 90, true, 'T', 'C'));
    EXPECT_EQ(column.GetProbability(), 1.0f);
    EXPECT_EQ(column.GetSecondBase('T'), 'C');
    EXPECT_EQ(reads.back()->GetGenotype(), 2);
}

TEST_F(GenotypeTest, GroupingMatchesTheFirstSourceInTheOrderMade) {
    // Each read goes to the first Source, in the order they were made, whose
    // first read's ID it matches; the groups hold the reads' indices.
    struct Case {
        char const* flags;
        std::vector<std::string> names;
        std::vector<std::vector<long>> groups;
    } cases[] = {
        // Delimiter mode: "_s3__s1_" holds "_s1_" and joins the Source of
        // "_s1_b"; a name without two delimiters founds a Source nobody
        // joins, not even the same name.
        {" -source /_ ",
         {"x_s2_a_s1_", "_s1_b", "q_s2_c", "nodelim", "nodelim", "_s3__s1_", "_s1_z"},
         {{0, 2}, {1, 5, 6}, {3}, {4}}},
        // Positions: "ab" ends early and gets the ID "ab", which the longer
        // "abx" matches but "a" does not.
        {" -source 1 3 ", {"abcd", "ab", "abx", "abc9", "a", "zz", "ab"}, {{0, 3}, {1, 2, 6}, {4}, {5}}},
        // "v" ends before the ID's start: an empty ID nobody matches.
        {" -source 2 3 ", {"xab1", "yab2", "zac3", "wab4", "v"}, {{0, 1, 3}, {2}, {4}}},
    };
    for (Case const& c : cases) {
        Configure(c.flags);
        for (Sequence* read : reads) delete read;
        reads.clear();
        for (std::string const& name : c.names) Read(name.c_str(), 0, 0);
        // The same reads in two columns: the second one reuses the pool.
        for (int pass = 0; pass < 2; ++pass) {
            column.Clear();
            for (Sequence* read : reads) Add(read);
            ASSERT_EQ(column.Length(), static_cast<long>(c.groups.size())) << c.flags;
            for (long g = 0; g < column.Length(); ++g) {
                Source* source = column.Get(g);
                ASSERT_EQ(source->Length(), static_cast<long>(c.groups[g].size())) << c.flags << g;
                for (long k = 0; k < source->Length(); ++k)
                    EXPECT_EQ(source->Get(k), reads[c.groups[g][k]]) << c.flags << " source " << g;
            }
        }
    }
}

// The Sources a plain list-order search makes with the reads' own ID
// rules, against which the column's indexed grouping is checked: each read
// goes to the first Source whose first read's ID the read matches.
static std::vector<std::vector<int>> ExpectedGroups(std::vector<Sequence*> const& reads, char idChar, long idPos) {
    std::vector<std::vector<int>> groups;
    std::vector<Str> ids;
    for (int r = 0; r < static_cast<int>(reads.size()); ++r) {
        bool placed = false;
        for (size_t g = 0; g < groups.size() && !placed; ++g)
            if (ids[g].Length() > 0 && reads[r]->IsSameSource(ids[g], idPos)) {
                groups[g].push_back(r);
                placed = true;
            }
        if (placed) continue;
        groups.push_back({r});
        ids.push_back(reads[r]->GetSourceID(idChar, idPos));
    }
    return groups;
}

TEST_F(GenotypeTest, GroupingOfManyNamesAgreesWithTheListOrderSearch) {
    std::mt19937 random(7);
    for (char const* flags : {" -source /_ ", " -source 2 4 "}) {
        Configure(flags);
        for (Sequence* read : reads) delete read;
        reads.clear();
        for (int r = 0; r < 300; ++r) {
            std::string name;
            long length = 1 + random() % 7;
            for (long k = 0; k < length; ++k) name += "ab_"[random() % 3];
            Read(name.c_str(), 0, 0);
        }
        column.Clear();
        for (Sequence* read : reads) Add(read);
        char idChar = flags[9] == '/' ? '_' : 3;
        std::vector<std::vector<int>> expected = ExpectedGroups(reads, idChar, idChar == '_' ? -1 : 1);
        ASSERT_EQ(column.Length(), static_cast<long>(expected.size())) << flags;
        for (long g = 0; g < column.Length(); ++g) {
            ASSERT_EQ(column.Get(g)->Length(), static_cast<long>(expected[g].size())) << flags << g;
            EXPECT_EQ(column.Get(g)->Get(0), reads[expected[g][0]]) << flags << g;
        }
    }
}

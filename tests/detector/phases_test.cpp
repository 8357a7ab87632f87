// The read phases on hand-built reads: the trimming gate and limits, the
// votes, the by-base averages, settled peaks and flags, the strand sums, the
// local variances and the log-odds of each kind of site.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "contig.h"
#include "model_test.h"
#include "reads.h"
#include "sequence.h"

static std::string Repeat(std::string const& unit, size_t length) {
    std::string text;
    while (text.size() < length) text += unit;
    return text.substr(0, length);
}

// A read of n 'A's (usable region 1..n unless QA limits are given) and the
// qualities listed (the rest 0), trimmed in a contig of its own.
struct TrimCase {
    char const* what;
    long n;
    bool valid;
    int quality;
    int window;
    std::vector<std::pair<long, int>> qualities;  // position, quality; others keep `base`
    int base;
    bool passes;
    long left, right;
    int average;
};

TEST(PhasesTest, TrimmingGateAndLimits) {
    std::vector<std::pair<long, int>> none;
    // Positions 1..10 quality 5, 11 quality 10, 12..49 quality 40, 50..60 quality 5.
    std::vector<std::pair<long, int>> ends;
    for (long u = 1; u <= 60; ++u) ends.push_back({u, u <= 10 ? 5 : u == 11 ? 10 : u <= 49 ? 40 : 5});
    // Only position 10 reaches the floor: the region shrinks to one position.
    std::vector<std::pair<long, int>> single = {{10, 59}, {11, 14}, {12, 14}, {13, 14}, {14, 14}};
    TrimCase cases[] = {
        {"25 bases, not longer than the window", 25, true, 0, 25, none, 40, false, 1, 0, 0},
        {"26 bases pass the gate", 26, true, 0, 20, none, 40, true, 1, 26, 40},
        {"26 bases, region shorter than the window", 26, true, 0, 30, none, 40, false, 1, 0, 0},
        {"a read that is not valid never passes", 40, false, 0, 20, none, 40, false, 1, 0, 0},
        {"quality limit 0: nothing moves", 40, true, 0, 10, none, 7, true, 1, 40, 7},
        {"low ends are trimmed", 60, true, 20, 10, ends, 0, true, 12, 49, 40},
        {"no window reaches the target", 60, true, 20, 10, none, 19, false, 1, 0, 0},
        {"a region of one position fails", 30, true, 20, 5, single, 0, false, 1, 0, 0},
    };
    for (TrimCase const& c : cases) {
        std::string text(c.n, 'A');
        Contig* contig = MakeContig("c", text);
        Sequence* read = MakeRead("r", text, 0, false, c.base);
        for (auto [u, q] : c.qualities) SetBase(*read, u, {1000, 40, 40, 40}, 'N', 0, q);
        read->SetValid(c.valid);
        read->Phase1(contig, c.quality, c.window);
        EXPECT_EQ(read->IsValid(), c.passes) << c.what;
        EXPECT_EQ(ModelInspector::Left(*read), c.left) << c.what;
        EXPECT_EQ(ModelInspector::Right(*read), c.right) << c.what;
        if (c.passes) {
            EXPECT_EQ(read->GetAverageQuality(), c.average) << c.what;
        }
        delete read;
        delete contig;
    }
}

TEST(PhasesTest, TrimmedLimitsStayInsideTheRead) {
    // Limits that were never set (0 and n - 1) or lie beyond the read.
    std::string text(40, 'A');
    Contig* contig = MakeContig("c", text);
    Sequence* read = new Sequence;
    read->SetAttributes("r", 0, false);
    read->SetSequence(text.c_str());
    SiteData data;
    data.Clear();
    data.quality = 30;
    for (int k = 1; k <= 40; ++k) read->SetPhdSite(k, data);
    read->Phase1(contig, 20, 10);
    EXPECT_TRUE(read->IsValid());
    EXPECT_EQ(ModelInspector::Left(*read), 1);
    EXPECT_EQ(ModelInspector::Right(*read), 39);
    delete read;
    delete contig;
}

TEST(PhasesTest, VotesCountCallsTwiceAndSecondariesOnce) {
    Contig* contig = MakeContig("c", std::string(12, 'A'));
    // Columns 2..11: a pad at column 5 and an N call at column 7.
    Sequence* first = MakeRead("a", "AAA*ANAAAA", 2);
    SetBase(*first, 2, {1000, 500, 40, 40}, 'C', 0.5f);  // base 2 at column 3
    Sequence* second = MakeRead("b", "GAA", 2, true);
    first->Phase1(contig, 0, 5);
    second->Phase1(contig, 0, 5);  // too short: casts no votes
    EXPECT_FALSE(second->IsValid());
    long expectA[12] = {0, 0, 2, 2, 2, 0, 2, 0, 2, 2, 2, 2};
    for (long i = 0; i < 12; ++i) {
        EXPECT_EQ(ModelInspector::Counts(*contig, 0, i), expectA[i]) << i;
        EXPECT_EQ(ModelInspector::Counts(*contig, 1, i), i == 3 ? 1 : 0) << i;
        EXPECT_EQ(ModelInspector::Counts(*contig, 2, i), 0) << i;
    }
    delete first;
    delete second;
    delete contig;
}

TEST(PhasesTest, AverageByBaseSlidesOverTheNearestMatches) {
    Sequence* read = MakeRead("r", std::string(8, 'A'));
    float values[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 0};
    float out[10] = {0};
    char same[] = " AAAAAAAA ";
    read->AverageByBase(out, values, same, 'A', 2);
    float expected[] = {2.5f, 8 / 3.0f, 3, 4, 5, 6, 19 / 3.0f, 6.5f};
    for (long u = 1; u <= 8; ++u) EXPECT_FLOAT_EQ(out[u], expected[u - 1]) << u;

    // Fewer matches than the count: the mean of all positions.
    char one[] = " AACAAAAA ";
    read->AverageByBase(out, values, one, 'C', 2);
    for (long u = 1; u <= 8; ++u) EXPECT_FLOAT_EQ(out[u], 4.5f) << u;
    delete read;

    // Mixed letters, against the definition (integer values keep the
    // running sum exact).
    long const n = 60;
    Sequence* longer = MakeRead("r", std::string(n, 'A'));
    std::vector<float> in(n + 2), result(n + 2);
    std::string letters(n + 2, ' ');
    for (long u = 1; u <= n; ++u) {
        in[u] = static_cast<float>((u * 7) % 13);
        letters[u] = "ACGT"[(u * u) % 4 == 0 ? 0 : u % 3];
    }
    longer->AverageByBase(result.data(), in.data(), letters.data(), 'A', 5);
    for (long u = 1; u <= n; ++u) {
        float sum = 0;
        int count = 0;
        for (long p = u - 1, found = 0; p >= 1 && found < 5; --p)
            if (letters[p] == 'A') sum += in[p], ++count, ++found;
        for (long p = u + 1, found = 0; p <= n && found < 5; ++p)
            if (letters[p] == 'A') sum += in[p], ++count, ++found;
        EXPECT_FLOAT_EQ(result[u], sum / count) << u;
    }
    delete longer;
}

// The Phase2 read: consensus ACGT repeated; the read's bases as the
// consensus except where a test sets them.
class Phase2Test : public ::testing::Test {
protected:
    void SetUp() override {
        consensus = Repeat("ACGT", 30);
        contig = MakeContig("c", consensus);
        std::string text = consensus;
        text[4] = 'N';   // u = 5
        text[11] = 'C';  // u = 12 against T
        text[14] = 'A';  // u = 15 against G
        read = MakeRead("r", text);
        SetBase(*read, 5, {100, 700, 700, 0});                   // an N call
        SetBase(*read, 9, {1000, 40, 400, 40}, 'G', 0.3f);       // a clean strong secondary
        SetBase(*read, 12, {40, 1000, 40, 500});                 // swapped to T
        SetBase(*read, 15, {1000, 40, 100, 500}, 'T', 0.4f);     // weak consensus channel
        SetBase(*read, 19, {40, 200, 1000, 40});                 // neighbours of u = 20
        SetBase(*read, 20, {40, 350, 40, 1000}, 'C', 0.2f);      // background secondary
        SetBase(*read, 21, {1000, 200, 40, 40});
        SetBase(*read, 25, {-50, 40, 40, 40});                   // a negative amplitude
        reverse = MakeRead("s", consensus, 0, true);
        read->Phase1(contig, 0, 5);
        reverse->Phase1(contig, 0, 5);
        for (int k = 0; k < 4; ++k)  // the votes give way to the height counts
            for (long i = 0; i < 30; ++i) contig->GetBaseCounts(k)[i] = 0;
        for (Sequence* s : {read, reverse}) {
            s->AllocatePhaseArrays();
            s->Phase2();
        }
    }
    void TearDown() override {
        delete read;
        delete reverse;
        delete contig;
    }
    std::string consensus;
    Contig* contig;
    Sequence* read;
    Sequence* reverse;
};

TEST_F(Phase2Test, SecondaryPeaksSwapsAndBackground) {
    struct Expect {
        long u;
        char call, secondary;
        int primary, secondaryAmplitude, flags;
    } expect[] = {
        {5, 'N', 'G', 700, 700, 0x02},    // the call stays N, its peak is the strongest channel
        {9, 'A', 'G', 1000, 400, 0x03},   // strong and clean
        {12, 'T', 'C', 500, 1000, 0x06},  // swapped: the old call is the secondary
        {15, 'A', 'N', 1000, 0, 0x09},    // weak consensus channel: 0x08 replaces 0x02
        {20, 'T', 'c', 1000, 0, 0x11},    // background, clean once its amplitude is 0
        {25, 'A', 'N', -50, 0, 0x00},
        {1, 'A', 'N', 1000, 0, 0x01},
    };
    for (Expect const& e : expect) {
        EXPECT_EQ(ModelInspector::Call(*read, e.u), e.call) << e.u;
        EXPECT_EQ(ModelInspector::Secondary(*read, e.u), e.secondary) << e.u;
        EXPECT_EQ(ModelInspector::Primary(*read, e.u), e.primary) << e.u;
        EXPECT_EQ(ModelInspector::SecondaryAmplitude(*read, e.u), e.secondaryAmplitude) << e.u;
        EXPECT_EQ(ModelInspector::Flags(*read, e.u), e.flags) << e.u;
    }
    EXPECT_EQ(ModelInspector::Ratio(*read, 12), INFINITY);  // 1 / 0
}

TEST_F(Phase2Test, HeightsStayFiniteAndFillTheStrandSums) {
    // The logarithm of a negative amplitude takes 0 + 1: no NaN spreads
    // through the by-base averages.
    for (int k = 0; k < 4; ++k)
        for (long u = 1; u <= 30; ++u) EXPECT_TRUE(std::isfinite(ModelInspector::Phase(*read, k)[u])) << k << " " << u;
    for (long i = 0; i < 30; ++i) {
        long u = i + 1;
        // Clean consensus calls of the forward read: not the N call, not the
        // swap, not the disagreement, not the negative amplitude.
        bool counted = u != 5 && u != 12 && u != 15 && u != 25;
        EXPECT_EQ(ModelInspector::Counts(*contig, 0, i), counted ? 1 : 0) << i;
        EXPECT_EQ(ModelInspector::Counts(*contig, 1, i), u == 9 ? 1 : 0) << i;
        EXPECT_EQ(ModelInspector::Counts(*contig, 2, i), 1) << i;  // the complemented read
        EXPECT_EQ(ModelInspector::Counts(*contig, 3, i), 0) << i;
        if (counted) {
            EXPECT_EQ(ModelInspector::Means(*contig, 0, i), ModelInspector::Phase(*read, 0)[u]) << i;
        }
    }
}

// A valid read of 30 'A's with quality 0 and its phase arrays, in a contig
// of 30 'A's; the test sets the heights and flags itself.
class PhaseValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        contig = MakeContig("c", std::string(30, 'A'));
        read = MakeRead("r", std::string(30, 'A'), 0, false, 0);
        read->Phase1(contig, 0, 5);
        ASSERT_TRUE(read->IsValid());
        read->AllocatePhaseArrays();
    }
    void TearDown() override {
        delete read;
        delete contig;
    }
    void SetHeights(long u, float r1, float r1s, float r2, float r2p) {
        float values[] = {r1, r1s, r2, r2p};
        for (int k = 0; k < 4; ++k) ModelInspector::Phase(*read, k)[u] = values[k];
    }
    Contig* contig;
    Sequence* read;
};

TEST_F(PhaseValuesTest, LocalVariancesScanAtMostTwelvePositionsOrFiveCleanOnes) {
    // Clean positions every fourth base, r1 = 1..7 there: V1 = 140 / 7 = 20.
    for (long u = 1; u <= 30; ++u) {
        bool clean = u % 4 == 0;
        ModelInspector::SetFlags(*read, u, clean ? 0x03 : 0x02);
        SetHeights(u, clean ? static_cast<float>(u / 4) : 0.0f, 0, 0, 0);
    }
    read->Phase3();
    EXPECT_EQ(ModelInspector::Height(*read), nullptr);  // the heights have made the site scores
    float* local = ModelInspector::Phase(*read, 4);
    EXPECT_FLOAT_EQ(local[16], (200 + 14 + 110) / 16.0f);  // 12, 8, 4 behind; 20, 24, 28 ahead
    EXPECT_FLOAT_EQ(local[2], (200 + 14) / 13.0f);          // nothing behind; 4, 8, 12 ahead
    EXPECT_FLOAT_EQ(local[28], (200 + 77) / 13.0f);         // 24, 20, 16 behind

    // Every position clean, r1 = 3 at 10 only: V1 = 0.3; a scan stops after
    // five clean positions.
    read->AllocatePhaseArrays();
    for (long u = 1; u <= 30; ++u) {
        ModelInspector::SetFlags(*read, u, 0x03);
        SetHeights(u, u == 10 ? 3.0f : 0.0f, 0, 0, 0);
    }
    read->Phase3();
    EXPECT_FLOAT_EQ(local[16], 3.0f / 20);
    EXPECT_FLOAT_EQ(local[15], 12.0f / 20);
}

TEST_F(PhaseValuesTest, Phase4GivesTheScoresOfTheCurrentSite) {
    double* calledMeans = contig->GetStrandMeans(0);
    for (long i = 0; i < 30; ++i) calledMeans[i] = 1.0;
    ModelInspector::SetCall(*read, 15, 'C');
    read->Phase3();
    float het = 0, hom = 0;
    ASSERT_TRUE(read->IsValidSite(14));
    read->Phase4();
    read->GetScores(het, hom);
    EXPECT_EQ(het, 2.4816334f);  // a call that differs from the consensus
    ASSERT_TRUE(read->IsValidSite(3));
    read->Phase4();
    read->GetScores(het, hom);
    EXPECT_EQ(het, -4.86f);
    EXPECT_EQ(hom, -6.0f);
    read->SetValid(false);
    read->Phase4();
    read->GetScores(het, hom);
    EXPECT_EQ(het, -6.0f);  // a read that takes no part
}

TEST_F(PhaseValuesTest, LogOddsOfEachKindOfSite) {
    // One clean height of mean 1 in every column of the forward strand.
    double* calledMeans = contig->GetStrandMeans(0);
    for (long i = 0; i < 30; ++i) {
        calledMeans[i] = 1.0;
        contig->GetBaseCounts(0)[i] = 1;
    }
    float het = 0, hom = 0;
    auto score = [&](long u) { ModelInspector::Score(*read, u - 1, het, hom); };

    // A consensus call without a secondary.
    score(10);
    EXPECT_EQ(het, -4.86f);
    EXPECT_EQ(hom, -6.0f);

    // A mean of exactly 0 from heights of one size is still a measurement.
    calledMeans[9] = 0.0;
    score(10);
    EXPECT_EQ(het, -4.86f);
    EXPECT_EQ(hom, -6.0f);
    // No clean consensus call of the strand in the column: no evidence.
    contig->GetBaseCounts(0)[9] = 0;
    score(10);
    EXPECT_EQ(het, -6.0f);
    EXPECT_EQ(hom, -6.0f);
    contig->GetBaseCounts(0)[9] = 1;

    // Calls that differ from the consensus, quality 40 all round (m = 40);
    // near the start only the three qualities after u count, still over 6.
    for (long u = 1; u <= 30; ++u) SetBase(*read, u, {40, 1000, 40, 40}, 'N', 0, 40);
    ModelInspector::SetCall(*read, 15, 'C');
    score(15);
    EXPECT_FLOAT_EQ(hom, 9.6828864858f);  // M3
    EXPECT_EQ(het, 2.4816334f);
    ModelInspector::SetCall(*read, 2, 'C');
    score(2);
    EXPECT_FLOAT_EQ(hom, 6.7596864858f);  // M3 with m = 20
    ModelInspector::SetSecondary(*read, 15, 'A');
    score(15);
    EXPECT_FLOAT_EQ(hom, 10.6884864858f);  // M4
    EXPECT_FLOAT_EQ(het, 3.4010998322f);   // H4
}

TEST_F(PhaseValuesTest, HeterozygoteTermsAndTheirLimits) {
    contig->GetStrandMeans(0)[19] = 1.0;
    contig->GetBaseCounts(0)[19] = 1;
    long const u = 20;
    ModelInspector::SetSecondary(*read, u, 'G');
    SetHeights(u, 0, 0, 0, 0);
    float* primaryLocal = ModelInspector::Phase(*read, 4);
    float* secondaryLocal = ModelInspector::Phase(*read, 5);
    float het = 0, hom = 0;
    auto score = [&]() { ModelInspector::Score(*read, u - 1, het, hom); };

    // Variances 1/6: A = C = -3.5 ln(1 + ln2^2), B = D = 0, q = m = 0.
    primaryLocal[u] = secondaryLocal[u] = 1 / 6.0f;
    score();
    EXPECT_NEAR(het, -7.5936708f, 1e-5);  // H1
    EXPECT_EQ(hom, -6.0f);
    ModelInspector::SetFlags(*read, u, 0x04);  // a swapped call: H2 and M2
    score();
    EXPECT_NEAR(het, -11.514737f, 1e-5);
    EXPECT_NEAR(hom, -6.904075f, 1e-5);
    ModelInspector::SetFlags(*read, u, 0);

    // Variances 0: A and C come out near -94, beyond the limit of 50, and
    // count as no evidence: only the constant of H1 is left.
    primaryLocal[u] = secondaryLocal[u] = 0;
    score();
    EXPECT_FLOAT_EQ(het, -4.1189001678f);
    // A variance that is not a number makes A and B not numbers: no
    // evidence either, never a NaN score.
    primaryLocal[u] = std::nanf("");
    score();
    EXPECT_FLOAT_EQ(het, -4.1189001678f);
}

// The assembly model: contig and read order, site lists, position maps,
// site tests, limits, per-base records and the score rule.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "contig.h"
#include "markedsite.h"
#include "model_test.h"
#include "sequence.h"

static std::string Text(Str const& x) { return x.String(); }

static Sequence* NewRead(char const* name, char const* bases, long offset = 0, bool complement = false) {
    Sequence* read = new Sequence;
    read->SetAttributes(name, offset, complement);
    read->SetSequence(bases);
    return read;
}

static Contig* NewContig(char const* name, int reads) {
    Contig* contig = new Contig;
    contig->GetConsensusSequence()->SetAttributes(name, 0, false);
    for (int i = 0; i < reads; ++i) contig->Append(NewRead("r", "ACGT"));
    return contig;
}

TEST(ModelAssemblyTest, ContigWithOneReadIsNotValid) {
    Contig* one = NewContig("one", 1);
    Contig* two = NewContig("two", 2);
    EXPECT_FALSE(one->IsValid());
    EXPECT_TRUE(two->IsValid());
    delete one;
    delete two;
}

TEST(ModelContigTest, ReadsSortByNameWithoutQuadraticWorstCase) {
    Contig contig;
    // Names in reverse order: the worst case of a first-element pivot.
    const int count = 20000;
    for (int i = count; i > 0; --i) {
        char name[16];
        snprintf(name, sizeof name, "r%06d", i);
        contig.Append(NewRead(name, "A"));
    }
    contig.Append(NewRead("r000005", "C"));
    ModelInspector::SortReads(contig);
    ASSERT_EQ(contig.Length(), count + 1);
    std::string previous;
    contig.Begin();
    while (Sequence* read = contig.GetNext()) {
        std::string name = Text(read->GetName());
        EXPECT_LE(previous, name);
        previous = name;
    }
    EXPECT_EQ(Text(contig.Get(0)->GetName()), "r000001");
}

TEST(ModelContigTest, ConsensusTextIsUpperCasedAndArraysStartZeroed) {
    Contig contig;
    Str text("acg*tn");
    contig.SetConsensusSequence(text);
    EXPECT_EQ(Text(text), "ACG*TN");
    EXPECT_EQ(contig.GetColumnCount(), 6);
    EXPECT_EQ(contig.GetColumnBase(3), '*');
    EXPECT_EQ(contig.GetColumnBase(6), 0);
    EXPECT_EQ(contig.GetColumnBase(-1), 0);
    for (int k = 0; k < 4; ++k)
        for (long i = 0; i < 6; ++i) {
            EXPECT_EQ(ModelInspector::Counts(contig, k, i), 0);
            EXPECT_EQ(ModelInspector::Means(contig, k, i), 0.0);
        }
    EXPECT_FALSE(contig.GetConsensusSequence()->IsValid());
}

// Runs as first position, depth, last position, in column order: rising
// runs end where the next starts, the last at the sequence's length; a
// reference stored complemented counts down, each run to its last base.
TEST(ModelContigTest, CoverageRunsFollowThePositionSequence) {
    struct Case {
        char const* name;
        char const* bases;
        bool reference, complemented;
        std::vector<long> counts, runs;
        char const* referenceBases = nullptr;  // the bases when not the consensus's
    } cases[] = {
        // The pad column (9) does not count.
        {"consensus", "ACG*TA", false, false, {2, 2, 3, 9, 3, 1}, {1, 2, 2, 3, 3, 4, 5, 1, 5}},
        {"one depth", "AC", false, false, {0, 0}, {1, 0, 2}},
        {"reference", "ACG*TA", true, false, {2, 2, 3, 9, 3, 1}, {1, 2, 2, 3, 3, 4, 5, 1, 5}},
        {"complemented reference", "ACG*TA", true, true, {2, 2, 3, 9, 3, 1}, {5, 2, 4, 3, 3, 2, 1, 1, 1}},
        {"reference with a pad first", "*ACGT", true, true, {7, 1, 1, 2, 2}, {4, 1, 3, 2, 2, 1}},
        {"reference past the contig's end", "ACG*TA", true, false, {2, 2, 3, 9, 3, 1}, {1, 2, 2, 3, 3, 4, 5, 1, 7},
         "ACG*TAGG"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Contig contig;
        Str text(c.bases);
        contig.SetConsensusSequence(text);
        contig.GetConsensusSequence()->SetSequence(c.bases, static_cast<long>(c.counts.size()));
        if (c.reference) {
            TextSequence* reference = contig.GetReferenceSequence();
            reference->SetAttributes("ref.REF", 0, c.complemented);
            Str bases(c.referenceBases ? c.referenceBases : c.bases);
            reference->SetSequence(bases);
            ModelInspector::UseReference(contig);
        }
        for (size_t i = 0; i < c.counts.size(); ++i) ModelInspector::SetCoverage(contig, i, c.counts[i]);
        Vector<long> coverage;
        contig.GetCoverage(coverage);
        EXPECT_EQ(std::vector<long>(coverage.Array(), coverage.Array() + coverage.Length()), c.runs);
    }
}

TEST(ModelSitesTest, CollateKeepsTheFirstSiteOfAPosition) {
    MarkedSites sites;
    EXPECT_EQ(sites.GetSite(3), nullptr);
    sites.Collate(new ManualSite(5, 6, "first", "kept"));
    sites.Collate(new ManualSite(2, 2, "two", ""));
    sites.Collate(new ManualSite(5, 9, "second", "dropped"));
    sites.Collate(new ManualSite(9, 9, "nine", ""));
    sites.Collate(new ManualSite(7, 7, "seven", ""));
    sites.Collate(new ManualSite(7, 8, "again", ""));
    std::string order;
    sites.Begin();
    while (MarkedSite* site = sites.GetNext()) order += std::to_string(site->GetPosition()) + " ";
    EXPECT_EQ(order, "2 5 7 9 ");
    EXPECT_EQ(Text(static_cast<ManualSite*>(sites.GetSite(5))->GetTagName()), "first");
    EXPECT_EQ(sites.GetSite(6), nullptr);
    EXPECT_EQ(sites.GetSite(10), nullptr);
}

TEST(ModelSitesTest, StoreKeepsEverySiteInArrivalOrder) {
    MarkedSites sites;
    Str none;
    sites.Store(new ManualGenotype(4, 1, "a", "t", none));
    sites.Store(new ManualGenotype(1, 1, "b", "t", none));
    sites.Store(new ManualGenotype(4, 1, "c", "t", none));
    sites.Store(new ManualGenotype(3, 1, "d", "t", none));
    sites.Store(new ManualGenotype(4, 1, "e", "t", none));
    std::string order;
    sites.Begin();
    while (MarkedSite* site = sites.GetNext()) order += Text(static_cast<ManualGenotype*>(site)->GetName());
    EXPECT_EQ(order, "bdace");
    EXPECT_EQ(Text(static_cast<ManualGenotype*>(sites.GetSite(4))->GetName()), "a");
}

TEST(ModelSitesTest, InsertionAfterRemovalAndClearingStaysSound) {
    MarkedSites sites;
    sites.Collate(new MarkedSite(1));
    sites.Collate(new MarkedSite(3));  // the last insertion point
    sites.Begin(1);
    delete sites.Remove();  // removes the site at 3
    sites.Collate(new MarkedSite(4));
    sites.Collate(new MarkedSite(2));
    EXPECT_EQ(sites.Length(), 3);
    sites.Clear();
    sites.Store(new MarkedSite(8));
    sites.Store(new MarkedSite(6));
    std::string order;
    sites.Begin();
    while (MarkedSite* site = sites.GetNext()) order += std::to_string(site->GetPosition());
    EXPECT_EQ(order, "68");
}

TEST(ModelSitesTest, ManyInOrderInsertionsAreCheap) {
    MarkedSites sites;
    for (long i = 0; i < 200000; ++i) sites.Store(new MarkedSite(i / 2));
    for (long i = 0; i < 200000; ++i) sites.Collate(new MarkedSite(100000 + i));
    EXPECT_EQ(sites.Length(), 400000);
}

TEST(ModelSitesTest, SiteRecords) {
    SnpSite snp(12, 0.9995f, 'T', 'C');
    char a = 0, b = 0;
    snp.GetGenotype(a, b);
    EXPECT_EQ(std::string() + a + b, "CT");
    EXPECT_TRUE(snp.IsDetected());
    EXPECT_FALSE(snp.IsManual());
    EXPECT_EQ(snp.GetScore(), 99);
    snp.SetManual(false);
    EXPECT_TRUE(snp.IsManual());
    EXPECT_FALSE(snp.IsDetected());

    RepeatSite repeat(3, 9, 2);
    long s = 0, e = 0, u = 0;
    repeat.GetRepeat(s, e, u);
    EXPECT_EQ(s * 100 + e * 10 + u, 392);

    ManualSite blank(1, 2, "type", "   ");
    EXPECT_FALSE(blank.HasComment());
    ManualSite noted(1, 2, "type", " x ");
    EXPECT_TRUE(noted.HasComment());
}

TEST(ModelSitesTest, ScoreRule) {
    struct Case {
        float probability;
        int score;
    } cases[] = {{0.9995f, 99}, {1.0f, 99}, {0.5f, 50}, {0.0f, 0}, {0.7f, 70}, {0.123f, 12},
                 // no probability at all
                 {-0.5f, 0}, {std::nanf(""), 0}, {-INFINITY, 0}, {INFINITY, 99}};
    for (Case c : cases) EXPECT_EQ(ProbabilityScore(c.probability), c.score) << c.probability;
}

TEST(ModelTextSequenceTest, SiteTestsAndPositions) {
    TextSequence seq;
    seq.SetAttributes("cons", 2, false);
    Str text("ac*gn*t");
    seq.SetSequence(text);
    EXPECT_EQ(Text(text), "AC*GN*T");
    EXPECT_TRUE(seq.IsValid());
    EXPECT_EQ(seq.GetLength(), 5);
    EXPECT_FALSE(seq.IsSite(1));  // before the offset
    EXPECT_TRUE(seq.IsSite(2));
    EXPECT_EQ(seq.GetBase(), 'A');
    EXPECT_FALSE(seq.IsSite(4));  // a pad
    EXPECT_TRUE(seq.IsSite(6));   // an N base
    EXPECT_FALSE(seq.IsValidSite(6));
    EXPECT_TRUE(seq.IsValidSite(8));
    EXPECT_EQ(seq.GetSequencePosition(), 5);
    EXPECT_FALSE(seq.IsSite(9));
    EXPECT_EQ(seq.GetSequencePosition(4), 2);  // a pad: the base before it
    EXPECT_EQ(seq.GetSequencePosition(20), 0);

    TextSequence rev;
    rev.SetAttributes("ref", 0, true);
    rev.SetSequence("ACG*T", 5);
    EXPECT_TRUE(rev.IsSite(0));
    EXPECT_EQ(rev.GetSequencePosition(), 4);
    EXPECT_EQ(rev.GetSequencePosition(3), 1);  // a pad: the base before it in reverse orientation
    EXPECT_EQ(rev.GetSequencePosition(4), 1);

    TextSequence lower;
    lower.SetSequence("aCgT", 4);  // no case change: lower-case letters become N
    EXPECT_TRUE(lower.IsSite(0));
    EXPECT_EQ(lower.GetBase(), 'N');
}

TEST(ModelTextSequenceTest, AlignedPositionSteps) {
    TextSequence seq;
    seq.SetAttributes("s", 10, false);
    seq.SetSequence("AC*GTA", 6);  // positions 1 2 -2 3 4 5 at columns 10..15
    EXPECT_EQ(seq.GetAlignedPosition(10, 1), 11);
    EXPECT_EQ(seq.GetAlignedPosition(12, 1), 13);  // a pad counts as the base before it
    EXPECT_EQ(seq.GetAlignedPosition(10, 3), 14);
    EXPECT_EQ(seq.GetAlignedPosition(10, 4), 0);   // the last base is never returned
    EXPECT_EQ(seq.GetAlignedPosition(11, -2), 0);
    EXPECT_EQ(seq.GetAlignedPosition(9, 1), 0);

    TextSequence rev;
    rev.SetAttributes("r", 0, true);
    rev.SetSequence("AC*GTA", 6);
    EXPECT_EQ(rev.GetAlignedPosition(2, 0), 3);  // a pad counts as the base after it
}

TEST(ModelTextSequenceTest, IndelSegmentNeedsTwoHundredBases) {
    std::string bases;
    for (int i = 0; i < 400; ++i) bases += "ACGT"[i % 4];
    TextSequence seq;
    seq.SetSequence(bases.c_str(), 400);
    Str segment;
    EXPECT_TRUE(seq.GetIndelSegment(segment, 198, 0));  // position 199: 199 + 200 < 400
    EXPECT_EQ(Text(segment), bases.substr(198, 200));
    EXPECT_FALSE(seq.GetIndelSegment(segment, 199, 0));  // 200 + 200 is not below 400
    EXPECT_FALSE(seq.GetIndelSegment(segment, 198, 1));  // position 199 < 200
    EXPECT_TRUE(seq.GetIndelSegment(segment, 199, 1));
    std::string reversed(bases.rbegin() + 200, bases.rend());
    EXPECT_EQ(Text(segment), reversed);
    EXPECT_FALSE(seq.GetIndelSegment(segment, 400, 0));
}

TEST(ModelTextSequenceTest, FlanksAndIndelSequence) {
    TextSequence seq;
    seq.SetSequence("ACGT*ACGTA", 10);  // positions 1-4, pad, 5-9
    Str left, right;
    seq.GetFlankingSequence(left, right, 5, 6, 3);
    EXPECT_EQ(Text(left), "CGT");
    EXPECT_EQ(Text(right), "GTA");
    seq.GetFlankingSequence(left, right, 1, 8, 4);  // near both ends: blank-filled
    EXPECT_EQ(Text(left), "   A");
    EXPECT_EQ(Text(right), "A   ");
    seq.GetFlankingSequence(left, right, 4, 20, 2);  // a column outside
    EXPECT_EQ(Text(left), "  ");
    EXPECT_EQ(Text(right), "  ");

    Str indel;
    seq.GetIndelSequence(indel, 2, 6);
    EXPECT_EQ(Text(indel), "GTAC");
    seq.GetIndelSequence(indel, 4, 4);  // one pad column: nothing between
    EXPECT_EQ(Text(indel), "");
}

TEST(ModelSequenceTest, PositionMapAndCalls) {
    Sequence* read = NewRead("r", "a*cg**Tx");
    EXPECT_EQ(read->GetLength(), 5);
    EXPECT_EQ(ModelInspector::PaddedLength(*read), 8);
    int expected[] = {1, -1, 2, 3, -3, -3, 4, 5};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(ModelInspector::Map(*read, i), expected[i]) << i;
    EXPECT_EQ(std::string() + ModelInspector::Call(*read, 1) + ModelInspector::Call(*read, 2) +
                  ModelInspector::Call(*read, 4) + ModelInspector::Call(*read, 5),
              "ACTN");
    for (long u = 0; u <= 6; ++u) EXPECT_TRUE(ModelInspector::AllZero(*read, u)) << u;
    EXPECT_EQ(read->GetCoordinate(0), 0);
    EXPECT_EQ(read->GetCoordinate(6), 50000);
    EXPECT_EQ(read->GetAlignedPosition(3), 3);
    EXPECT_EQ(read->GetAlignedPosition(4), 6);
    delete read;

    Sequence* pads = NewRead("p", "***");
    EXPECT_EQ(pads->GetLength(), 0);
    for (long col = -1; col < 4; ++col) EXPECT_FALSE(pads->IsSite(col));
    delete pads;
}

TEST(ModelSequenceTest, QualityLimits) {
    struct Case {
        long left, right;
        long wantLeft, wantRight;
        bool valid;
    } cases[] = {
        {2, 6, 2, 5, true},     // a right limit on a pad gives the base after it
        {3, 5, 2, 4, true},     // a left limit on a pad gives the base before it
        {-1, -1, 1, 4, true},   // no clip: 1 .. n - 1
        {0, 5, 0, 0, false},    // out of range
        {2, 8, 0, 0, false},
        {-1, 5, 0, 0, false},
    };
    for (Case c : cases) {
        Sequence* read = NewRead("r", "AC*GT*A");  // positions 1 2 -2 3 4 -4 5
        read->SetQualityLimits(c.left, c.right);
        EXPECT_EQ(ModelInspector::Left(*read), c.wantLeft) << c.left << " " << c.right;
        EXPECT_EQ(ModelInspector::Right(*read), c.wantRight) << c.left << " " << c.right;
        EXPECT_EQ(read->IsValid(), c.valid);
        delete read;
    }
}

TEST(ModelSequenceTest, LimitsAndPositionsInTraceOrientation) {
    Sequence* read = NewRead("r", "ACGTACGTAC", 5, true);
    read->SetQualityLimits(2, 7);
    EXPECT_EQ(read->GetLeftLimit(), 4);
    EXPECT_EQ(read->GetRightLimit(), 9);
    EXPECT_TRUE(read->IsSite(5));
    EXPECT_EQ(read->GetSequencePosition(), 10);  // alignment position 1 of 10
    EXPECT_FALSE(read->IsValidSite(5));
    EXPECT_TRUE(read->IsValidSite(6));
    EXPECT_FALSE(read->IsSite(4));
    EXPECT_FALSE(read->IsSite(15));
    delete read;
}

TEST(ModelSequenceTest, PhdSitesCapQualitiesAndKeepRawValues) {
    struct Case {
        long quality;
        int capped;
    } cases[] = {{0, 0}, {59, 59}, {60, 59}, {90, 59}, {91, 0}, {200, 0}, {-5, -5}, {-300, -128}};
    Sequence* forward = NewRead("f", "ACGTACGT");
    Sequence* reverse = NewRead("r", "ACGTACGT", 0, true);
    SiteData data;
    data.Clear();
    int line = 1;
    for (Case c : cases) {
        data.base = 'g';
        data.quality = c.quality;
        data.peakPosition = 10 * line;
        forward->SetPhdSite(line, data);
        reverse->SetPhdSite(line, data);
        EXPECT_EQ(ModelInspector::Quality(*forward, line), c.capped) << c.quality;
        EXPECT_EQ(ModelInspector::Quality(*reverse, 9 - line), c.capped) << c.quality;
        char base = 0;
        long quality = 0, position = 0;
        forward->GetPhdData(line, base, quality, position);
        EXPECT_EQ(base, 'g');
        EXPECT_EQ(quality, c.quality);  // as read, for the rewrite
        EXPECT_EQ(position, 10 * line);
        ++line;
    }
    EXPECT_EQ(reverse->GetCoordinate(1), 80);  // alignment position 1 is the last PHD line
    delete forward;
    delete reverse;
}

// A read ACGT with peaks at 10, 20, 30, 40.
static Sequence* PeakedRead(bool complement = false) {
    Sequence* read = NewRead("r", "ACGT", 0, complement);
    SiteData data;
    data.Clear();
    for (int k = 1; k <= 4; ++k) {
        data.peakPosition = 10 * k;
        read->SetPhdSite(k, data);
    }
    return read;
}

static SiteData Poly(char base, long position, float called, float uncalled, long a, long c, long g, long t) {
    SiteData data;
    data.Clear();
    data.base = base;
    data.peakPosition = position;
    data.calledArea = called;
    data.uncalledArea = uncalled;
    data.channelAmplitudes[0] = a;
    data.channelAmplitudes[1] = c;
    data.channelAmplitudes[2] = g;
    data.channelAmplitudes[3] = t;
    return data;
}

TEST(ModelSequenceTest, PolySitesApplyTheSecondaryPeakRule) {
    Sequence* read = PeakedRead();
    read->SetPolySite(2, Poly('G', 21, 100, 25, 1, 500, 300, 4));  // near the peak: kept
    EXPECT_EQ(ModelInspector::Secondary(*read, 2), 'G');
    EXPECT_FLOAT_EQ(ModelInspector::Ratio(*read, 2), 0.25f);
    EXPECT_EQ(ModelInspector::Primary(*read, 2), 500);
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*read, 2), 300);
    EXPECT_EQ(ModelInspector::Amplitude(*read, 3, 2), 4);

    read->SetPolySite(3, Poly('A', 35, 100, 25, 9, 0, 0, 0));  // at the midpoint: dropped
    EXPECT_EQ(ModelInspector::Secondary(*read, 3), 'N');
    EXPECT_EQ(ModelInspector::Ratio(*read, 3), 0.0f);
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*read, 3), 0);

    read->SetPolySite(1, Poly('A', 10, 100, 25, 9, 0, 0, 0));  // the call itself
    EXPECT_EQ(ModelInspector::Secondary(*read, 1), 'N');
    for (long far : {LONG_MAX, LONG_MIN}) {  // positions from a broken file
        read->SetPolySite(1, Poly('G', far, 100, 25, 9, 0, 0, 0));
        EXPECT_EQ(ModelInspector::Secondary(*read, 1), 'N') << far;
    }

    read->SetPolySite(4, Poly('C', 41, 0, 25, 0, 7, 0, 3));  // no called area: ratio 0
    EXPECT_EQ(ModelInspector::Secondary(*read, 4), 'C');
    EXPECT_EQ(ModelInspector::Ratio(*read, 4), 0.0f);
    EXPECT_EQ(ModelInspector::Primary(*read, 4), 3);
    delete read;

    Sequence* n = NewRead("n", "AN");
    SiteData peaks;
    peaks.Clear();
    peaks.peakPosition = 10;
    n->SetPhdSite(1, peaks);
    peaks.peakPosition = 20;
    n->SetPhdSite(2, peaks);
    n->SetPolySite(2, Poly('C', 20, 100, 50, 0, 70, 0, 0));  // an N call has no amplitudes of its own
    EXPECT_EQ(ModelInspector::Secondary(*n, 2), 'C');
    EXPECT_EQ(ModelInspector::Primary(*n, 2), 0);
    EXPECT_EQ(ModelInspector::SecondaryAmplitude(*n, 2), 0);
    delete n;
}

TEST(ModelSequenceTest, ComplementedReadUsesTraceOrderPeaks) {
    Sequence* read = PeakedRead(true);
    // Alignment position 1 is PHD line 4 (peak 40); its neighbours are 30
    // and the sentinel 50000.
    read->SetPolySite(1, Poly('C', 44, 100, 50, 0, 0, 0, 0));
    EXPECT_EQ(ModelInspector::Secondary(*read, 1), 'C');
    read->SetPolySite(4, Poly('A', 4, 100, 50, 0, 0, 0, 0));  // x = -2, below the sentinel 0
    EXPECT_EQ(ModelInspector::Secondary(*read, 4), 'N');
    delete read;
}

TEST(ModelSequenceTest, GenotypesAndScores) {
    Sequence* read = NewRead("r", "ACGTA");
    ASSERT_TRUE(read->IsSite(0));
    read->SetGenotype('T', 'C', 2, 0.9995f);
    char a = 0, b = 0;
    read->GetGenotype(a, b);
    EXPECT_EQ(std::string() + a + b, "CT");
    EXPECT_EQ(read->GetGenotype(), 2);
    EXPECT_EQ(read->GetScore(), 99);

    ASSERT_TRUE(read->IsSite(1));
    ModelInspector::SetFlags(*read, 2, 0x04);
    read->SetGenotype('G', 'G', 0, 0.5f);
    EXPECT_EQ(read->GetGenotype(), 4);
    EXPECT_EQ(read->GetScore(), 50);

    ASSERT_TRUE(read->IsSite(2));
    ModelInspector::SetFlags(*read, 3, 0x08);
    read->SetGenotype('G', 'T', 1, 0.8f);  // the call G differs from T
    EXPECT_EQ(read->GetGenotype(), 5);
    read->GetGenotype(a, b);
    EXPECT_EQ(std::string() + a + b, "TT");
    delete read;
}

TEST(ModelSequenceTest, SecondBaseIsTheNonConsensusLetter) {
    Contig contig;
    Str consensus("AAAA");
    contig.SetConsensusSequence(consensus);
    Sequence* read = NewRead("r", "ACAA");
    ModelInspector::SetContig(*read, &contig);
    SiteData peaks;
    peaks.Clear();
    for (int k = 1; k <= 4; ++k) {
        peaks.peakPosition = 10 * k;
        read->SetPhdSite(k, peaks);
    }
    read->SetPolySite(1, Poly('g', 10, 1, 1, 0, 0, 0, 0));  // a background secondary, lower case
    ASSERT_TRUE(read->IsSite(1));
    EXPECT_EQ(read->GetSecondBase(), 'C');  // the call differs from the consensus
    ASSERT_TRUE(read->IsSite(0));
    EXPECT_EQ(read->GetSecondBase(), 'G');  // else the secondary, upper-cased
    EXPECT_EQ(ModelInspector::Secondary(*read, 1), 'G');
    delete read;
}

TEST(ModelSequenceTest, SourceIdentifiers) {
    Sequence* read = NewRead("pat12_exon3_F", "A");
    EXPECT_EQ(Text(read->GetSourceID('_', -1)), "_exon3_");
    EXPECT_EQ(Text(read->GetSourceID(5, 0)), "pat12");
    EXPECT_EQ(Text(read->GetSourceID('#', -1)), "");
    EXPECT_TRUE(read->IsSameSource("exon3", -1));
    EXPECT_TRUE(read->IsSameSource("pat", 0));
    EXPECT_FALSE(read->IsSameSource("exon", 0));
    // A start at or beyond the end of the name matches no sample.
    EXPECT_EQ(Text(read->GetSourceID(3, 13)), "");
    EXPECT_EQ(Text(read->GetSourceID(3, 40)), "");
    EXPECT_FALSE(read->IsSameSource("F", 13));
    EXPECT_FALSE(read->IsSameSource("pat", 40));
    delete read;
}

TEST(ModelSequenceTest, PhaseArraysComeAndGo) {
    Sequence* read = NewRead("r", "ACGT");
    EXPECT_EQ(ModelInspector::Height(*read), nullptr);
    read->AllocatePhaseArrays();
    ASSERT_NE(ModelInspector::Height(*read), nullptr);
    for (long u = 0; u < 6; ++u) EXPECT_EQ(ModelInspector::Height(*read)[u], 0.0f);
    read->FreePhaseArrays();
    EXPECT_EQ(ModelInspector::Height(*read), nullptr);
    read->AllocatePhaseArrays();  // released by the destructor
    delete read;
}

TEST(ModelSequenceTest, IndelRecordNearnessAndPosition) {
    // 40 bases with a pad after base 20 (column 20); offset 5.
    std::string text = std::string(20, 'A') + "*" + std::string(20, 'C');
    for (bool complement : {false, true}) {
        Sequence* read = NewRead("r", text.c_str(), 5, complement);
        EXPECT_FALSE(read->IsNearIndel(10));  // no indel yet
        ASSERT_TRUE(read->IsSite(5 + 9));     // base 10
        read->SetIndel(2);
        EXPECT_TRUE(read->IsIndelSite(14));
        long position = 0, size = 0;
        char kind = 0;
        read->GetIndel(position, size, kind);
        EXPECT_EQ(position, complement ? 31 : 10);
        EXPECT_EQ(size, 2);
        EXPECT_EQ(kind, 2);
        // Base 24 is 14 bases away (the pad at column 25 is not counted),
        // base 25 is 15 away; the pad column itself stands on base 20.
        EXPECT_TRUE(read->IsNearIndel(5 + 24));
        EXPECT_FALSE(read->IsNearIndel(5 + 25));
        EXPECT_TRUE(read->IsNearIndel(5 + 20));
        EXPECT_FALSE(read->IsNearIndel(4));       // before the read
        EXPECT_FALSE(read->IsNearIndel(5 + 41));  // after it
        // A true answer leaves the current site on the indel.
        ASSERT_TRUE(read->IsSite(5 + 2));
        ASSERT_TRUE(read->IsNearIndel(5 + 3));
        EXPECT_EQ(read->GetSequencePosition(), complement ? 31 : 10);
        delete read;
    }
}

// Indel detection: the homozygous and heterozygous read tests, the read's
// allele strings, and the double alignment that sizes a heterozygous indel.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "alignment.h"
#include "model_test.h"
#include "sequence.h"

static std::string Text(Str const& x) { return x.String(); }

static std::unique_ptr<Sequence> NewRead(std::string const& bases, long offset = 0, bool complement = false) {
    std::unique_ptr<Sequence> read(new Sequence);
    read->SetAttributes("r", offset, complement);
    read->SetSequence(Str(bases.c_str()));
    return read;
}

// Random bases; the generator's output is fixed by the standard.
static std::string RandomBases(std::mt19937& random, long count) {
    std::string bases;
    for (long i = 0; i < count; ++i) bases += "ACGT"[random() % 4];
    return bases;
}

// ------------------------------------------------------------ CheckHomIndel

TEST(HomIndelTest, RunsOfThreePadsOrMore) {
    struct Case {
        char const* text;
        long left, right;  // padded QA limits; 0 = none set
        long column;       // expected result (offset 10)
        long length;
    };
    Case const cases[] = {
        {"AAAA**AAAA", 0, 0, 0, 0},            // two pads are no indel
        {"AAAA***AAAA", 0, 0, 13, 3},          // three: the column of base 4
        {"AC*GT****AAAA***AA", 0, 0, 14, 4},   // the first run of three or more
        {"AAAA***AA", 0, 0, 0, 0},             // the base after the run is the right limit (n - 1)
        {"AAAA***AAA", 0, 0, 13, 3},           // one base further: found
        {"AAAA***AAAAAA", 8, 13, 0, 0},        // the run lies before the left limit
        {"AAAA***AAAAAA", 4, 13, 13, 3},       // left limit on the base before the run
        {"***AAAAAAAA", 0, 0, 0, 0},           // pads before the first base are no run
        {"AAAA*****", 0, 0, 0, 0},             // pads after the last base are no run
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        auto read = NewRead(c.text, 10);
        if (c.left) read->SetQualityLimits(c.left, c.right);
        EXPECT_EQ(read->CheckHomIndel(), c.column);
        EXPECT_EQ(ModelInspector::IndelColumn(*read), c.column);
        EXPECT_EQ(ModelInspector::IndelLength(*read), c.length);
        EXPECT_EQ(ModelInspector::IndelKind(*read), 0);
    }
}

TEST(HomIndelTest, WithoutARunTheRecordedIndelStays) {
    auto read = NewRead("AAAAAAAAAA", 3);
    ASSERT_TRUE(read->IsSite(3 + 5));
    read->SetIndel(2);
    EXPECT_EQ(read->CheckHomIndel(), 8);
    EXPECT_EQ(ModelInspector::IndelKind(*read), 2);
}

// ------------------------------------------------------------ CheckHetIndel

// A read of 300 bases with one pad at padded index 10, so position u lies at
// column offset + u. Forward: usable region 1..150; complemented: 150..299.
// Ratios are placed at limit + x (forward) or limit - x (complemented), so
// one table serves both orientations.
static long const limit = 150;
static long const readOffset = 7;

static std::unique_ptr<Sequence> HetRead(bool complement) {
    std::string text = std::string(10, 'A') + "*" + std::string(290, 'C');
    auto read = NewRead(text, readOffset, complement);
    if (complement)
        read->SetQualityLimits(limit + 1, 300);  // padded positions: one pad before
    else
        read->SetQualityLimits(1, limit + 1);
    return read;
}

static void SetRatio(Sequence& read, bool complement, long x, float ratio) {
    ModelInspector::SetRatio(read, complement ? limit - x : limit + x, ratio);
}

// Ratio r over limit + from .. limit + to.
struct Span {
    long from, to;
    float ratio;
};

TEST(HetIndelTest, WindowsAroundTheLimit) {
    struct Case {
        char const* name;
        std::vector<Span> spans;
        long expected;  // offset of p from the limit (forward sense), or 1 for none
    };
    float const inf = INFINITY;
    Case const cases[] = {
        {"clean first window gives p = limit - 20", {{0, 79, 0.25f}}, -20},
        {"clean side slides until at most 1.0", {{-10, -1, 0.3f}, {0, 79, 0.25f}}, -28},
        {"clean side that never gets clean", {{-79, -1, 0.3f}, {0, 79, 0.25f}}, 1},
        {"mixed side below 4.0", {{0, 79, 0.1f}}, 1},
        // The last window of the first slide is limit + 20 .. limit + 39.
        {"mixed side reaching 4.0 only beyond limit + 40", {{25, 79, 0.25f}}, 1},
        {"mixed side reaching exactly 4.0 in time", {{24, 79, 0.25f}}, -20},
        {"mixed side dropping to exactly 2.0", {{0, 19, 0.25f}}, 1},
        {"mixed side dropping to exactly 2.0 in the last window", {{0, 67, 0.25f}}, 1},
        {"mixed side staying above 2.0 to the last window", {{0, 68, 0.25f}}, -20},
        // A swapped base without a secondary has ratio +inf: the window is
        // infinite while it is inside and its finite sum right afterwards.
        {"infinite ratio on the clean side", {{-5, -5, inf}, {0, 79, 0.25f}}, -26},
        {"infinite ratio on the mixed side", {{5, 5, inf}, {6, 79, 0.25f}}, -20},
    };
    for (bool complement : {false, true}) {
        for (Case const& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (complement ? " (complemented)" : ""));
            auto read = HetRead(complement);
            for (Span const& s : c.spans)
                for (long x = s.from; x <= s.to; ++x) SetRatio(*read, complement, x, s.ratio);
            long column = 0;
            if (c.expected != 1) column = readOffset + (complement ? limit - c.expected : limit + c.expected);
            EXPECT_EQ(read->CheckHetIndel(), column);
        }
    }
}

TEST(HetIndelTest, LimitsMustLeaveEightyBasesOnBothSides) {
    // Forward: right limit R needs left limit <= R - 80 and n > R + 80.
    struct Case {
        long left, right;  // unpadded positions of a pad-free read of 300 bases
        bool found;
    };
    Case const forward[] = {{1, 219, true}, {1, 220, false}, {70, 150, true}, {71, 150, false}};
    for (Case const& c : forward) {
        SCOPED_TRACE(c.right);
        auto read = NewRead(std::string(300, 'A'));
        read->SetQualityLimits(c.left, c.right);
        for (long u = c.right; u < c.right + 80; ++u) ModelInspector::SetRatio(*read, u, 0.25f);
        EXPECT_EQ(read->CheckHetIndel() != 0, c.found);
    }
    // Complemented: left limit L needs L - 80 > 0 and right limit >= L + 80.
    Case const complemented[] = {{81, 300, true}, {80, 300, false}, {150, 230, true}, {150, 229, false}};
    for (Case const& c : complemented) {
        SCOPED_TRACE(c.left);
        auto read = NewRead(std::string(300, 'A'), 0, true);
        read->SetQualityLimits(c.left, c.right);
        for (long u = c.left; u > c.left - 80; --u) ModelInspector::SetRatio(*read, u, 0.25f);
        EXPECT_EQ(read->CheckHetIndel() != 0, c.found);
    }
    // A read that is not valid is never a candidate.
    auto read = NewRead(std::string(300, 'A'));
    read->SetQualityLimits(1, 150);
    for (long u = 150; u < 230; ++u) ModelInspector::SetRatio(*read, u, 0.25f);
    EXPECT_NE(read->CheckHetIndel(), 0);
    read->SetValid(false);
    EXPECT_EQ(read->CheckHetIndel(), 0);
}

TEST(HetIndelTest, ThePositionFoundIsAlwaysABaseOfTheRead) {
    // Forward, left limit 0 (the QA limit on a leading pad) and R = 80: the
    // clean window could slide down to p = 0, which is no base.
    {
        auto read = NewRead("*" + std::string(300, 'A'), 5);
        read->SetQualityLimits(1, 81);
        ASSERT_EQ(ModelInspector::Left(*read), 0);
        ASSERT_EQ(ModelInspector::Right(*read), 80);
        for (long u = 21; u <= 80; ++u) ModelInspector::SetRatio(*read, u, 2.0f);
        for (long u = 80; u < 160; ++u) ModelInspector::SetRatio(*read, u, 0.5f);
        EXPECT_EQ(read->CheckHetIndel(), 0);
        // One base more of clean trace gives position 1: found.
        ModelInspector::SetRatio(*read, 21, 0);
        EXPECT_EQ(read->CheckHetIndel(), 5 + 1);
    }
    // Complemented, right limit n + 1 (the QA limit on a trailing pad): the
    // clean window could slide up to p = n + 1.
    {
        long n = 200;
        auto read = NewRead(std::string(n, 'A') + "*", 5, true);
        read->SetQualityLimits(n - 79, n + 1);
        ASSERT_EQ(ModelInspector::Right(*read), n + 1);
        long left = n - 79;
        for (long u = left; u <= n - 20; ++u) ModelInspector::SetRatio(*read, u, 2.0f);
        for (long u = left; u > left - 80; --u) ModelInspector::SetRatio(*read, u, 0.5f);
        EXPECT_EQ(read->CheckHetIndel(), 0);
        // One base more of clean trace gives a base: found.
        ModelInspector::SetRatio(*read, n - 20, 0);
        EXPECT_EQ(read->CheckHetIndel(), 5 + n - 1);
    }
}

// ------------------------------------------------------- GetIndelSegments

TEST(IndelSegmentsTest, CalledAndMixedStringsRunInTraceDirection) {
    // 100 bases ACGTACGT...; a pad at padded index 50 (after base 50).
    std::string bases;
    for (int i = 0; i < 100; ++i) bases += "ACGT"[i % 4];
    std::string text = bases.substr(0, 50) + "*" + bases.substr(50);
    for (bool complement : {false, true}) {
        SCOPED_TRACE(complement ? "complemented" : "forward");
        auto read = NewRead(text, 20, complement);
        for (long u = 1; u <= 100; ++u) ModelInspector::SetPeak(*read, u, 'N', 1000, 0);
        long start = complement ? 90 : 11;  // position of the first letter
        long step = complement ? -1 : 1;
        // Secondary exactly one fifth of the primary: taken; slightly less:
        // the call; 'N': the call; amplitudes whose 5 x overflows 32 bits.
        ModelInspector::SetPeak(*read, start, 'T', 1000, 200);
        ModelInspector::SetPeak(*read, start + step, 'T', 1000, 199);
        ModelInspector::SetPeak(*read, start + 2 * step, 'N', 1000, 900);
        ModelInspector::SetPeak(*read, start + 3 * step, 'G', 2000000000, 500000000);
        Str called, mixed;
        ASSERT_TRUE(read->GetIndelSegments(called, mixed, read->GetAlignedPosition(start)));
        std::string expectCalled, expectMixed;
        for (long k = 0; k < 80; ++k) expectCalled += bases[start + step * k - 1];
        expectMixed = expectCalled;
        expectMixed[0] = 'T';
        expectMixed[3] = 'G';
        EXPECT_EQ(Text(called), expectCalled);
        EXPECT_EQ(Text(mixed), expectMixed);
    }
}

TEST(IndelSegmentsTest, EightyBasesMustFitAndPadsTakeANeighbour) {
    // n = 99: A at 1..10, C at 11..85, G at 86..99; pads before the first
    // base, after bases 10 and 85, and after the last base.
    std::string text = "**" + std::string(10, 'A') + "*" + std::string(75, 'C') + "*" + std::string(14, 'G') + "*";
    long const afterTen = 12, afterEightyFive = 88, trailing = 103;
    auto forward = NewRead(text, 0, false);
    auto reverse = NewRead(text, 0, true);
    struct Case {
        Sequence* read;
        long column;
        bool ok;
        char first;  // first letter when ok
    };
    Case const cases[] = {
        {forward.get(), forward->GetAlignedPosition(19), true, 'C'},   // 19 + 80 <= 99
        {forward.get(), forward->GetAlignedPosition(20), false, 0},
        {forward.get(), afterTen, true, 'A'},                          // a pad takes the base before it
        {forward.get(), 0, false, 0},                                  // a leading pad has no base before it
        {forward.get(), -1, false, 0},                                 // outside the read
        {forward.get(), trailing + 1, false, 0},
        {reverse.get(), reverse->GetAlignedPosition(80), true, 'C'},   // 80 - 80 >= 0
        {reverse.get(), reverse->GetAlignedPosition(79), false, 0},
        {reverse.get(), afterEightyFive, true, 'G'},                   // a pad takes the base after it
        {reverse.get(), trailing, false, 0},                           // a trailing pad has no base after it
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.column);
        Str a("x"), b("x");
        ASSERT_EQ(c.read->GetIndelSegments(a, b, c.column), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(a.Length(), 80);
        EXPECT_EQ(b.Length(), 80);
        EXPECT_EQ(a.Get(0), c.first);
    }
}

// --------------------------------------------------------- DoubleAlignment

// The direct recurrence, every gap length scanned.
static std::vector<long> DirectCells(std::string const& ref, long rows, std::string const& a1,
                                     std::string const& a2, long columns, long open, long step, long& bestRow) {
    std::vector<long> cells((rows + 1) * (columns + 1), 0);
    auto at = [&](long i, long j) -> long& { return cells[(i + 1) * (columns + 1) + (j + 1)]; };
    long best = 0;
    bestRow = 0;
    for (long i = 0; i < rows; ++i) {
        for (long j = 0; j < columns; ++j) {
            long value = at(i - 1, j - 1) + (ref[i] == a1[j] || ref[i] == a2[j] ? 3 : -1);
            if (value < 0) value = 0;
            for (long g = 1; g <= j; ++g)
                if (at(i, j - g) - (open + step * g) > value) value = at(i, j - g) - (open + step * g);
            for (long g = 1; g <= i; ++g)
                if (at(i - g, j) - (open + step * g) > value) value = at(i - g, j) - (open + step * g);
            at(i, j) = value;
        }
        if (at(i, columns - 1) > best) {
            best = at(i, columns - 1);
            bestRow = i;
        }
    }
    return cells;
}

// A copy of the text with random substitutions, insertions and deletions.
static std::string Mutate(std::mt19937& random, std::string const& text, int rate) {
    std::string out;
    for (char ch : text) {
        int r = random() % 100;
        if (r < rate)
            continue;  // deleted
        else if (r < 2 * rate)
            out += "ACGT"[random() % 4];
        else if (r < 3 * rate)
            out += std::string(1, ch) + "ACGT"[random() % 4];
        else
            out += ch;
    }
    return out;
}

TEST(DoubleAlignmentTest, RunningMaximaGiveTheCellsOfTheDirectRecurrence) {
    std::mt19937 random(12);
    Alignment alignment;
    for (int trial = 0; trial < 300; ++trial) {
        long columns = 1 + random() % 80;
        long rows = columns + 10;
        std::string ref = RandomBases(random, rows);
        int rate = trial % 4 == 0 ? 30 : 5 + trial % 10;
        std::string a1 = (Mutate(random, ref, rate) + RandomBases(random, 100)).substr(random() % 5, columns);
        std::string a2 = trial % 3 == 0 ? a1 : (Mutate(random, ref, rate) + RandomBases(random, 100)).substr(0, columns);
        bool second = trial % 2 == 1;
        long open = second ? 3 : 2;
        long step = second ? 1 : 2;
        long directRow = 0;
        std::vector<long> direct = DirectCells(ref, rows, a1, a2, columns, open, step, directRow);
        long best = 0;
        long bestRow = ModelInspector::Fill(alignment, ref.c_str(), rows, a1.c_str(), a2.c_str(), columns, open, step, best);
        ASSERT_EQ(bestRow, directRow) << "trial " << trial;
        for (long i = 0; i < rows; ++i)
            for (long j = 0; j < columns; ++j)
                ASSERT_EQ(ModelInspector::Cell(alignment, i, j), direct[(i + 1) * (columns + 1) + j + 1])
                    << "trial " << trial << " cell " << i << "," << j;
    }
    // The border row and column are never written.
    for (long j = -1; j < 80; ++j) EXPECT_EQ(ModelInspector::Cell(alignment, -1, j), 0);
    for (long i = -1; i < 200; ++i) EXPECT_EQ(ModelInspector::Cell(alignment, i, -1), 0);
}

TEST(DoubleAlignmentTest, TracebackPrefersStrictlyLargerCellsRowsLast) {
    Alignment alignment;
    long mismatches = 0;
    // All zero: the traceback runs down the diagonal; letters by the rules.
    // ref A C G T A against AXGZB / CXTTD: A=a1 gives a2 'C'; X no match, a1
    // = a2 gives 'X' (mismatch); G=a1 gives 'T'; T=a2 gives 'Z'; A matches
    // neither, a1 != a2 gives '?' (mismatch).
    for (long i = 0; i < 5; ++i)
        for (long j = 0; j < 5; ++j) ModelInspector::Cell(alignment, i, j) = 0;
    EXPECT_EQ(ModelInspector::Trace(alignment, 4, 5, "ACGTA", "AXGZB", "CXTTD", mismatches),
              (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(mismatches, 2);
    EXPECT_EQ(Text(ModelInspector::OtherAllele(alignment)), "CXTZ?");

    // From (4, 4) the next start is (3, 3) = 5. Column 3 above holds 7 at
    // row 1, row 3 to the left holds 7 at column 1: an equal row cell does
    // not cancel the column move. Row and column 0 are not looked at.
    auto set = [&](long i, long j, long v) { ModelInspector::Cell(alignment, i, j) = v; };
    set(3, 3, 5);
    set(1, 3, 7);
    set(3, 1, 7);
    set(0, 3, 100);
    set(3, 0, 100);
    set(0, 1, 2);  // from (0, 2): the row move to (0, 1)
    EXPECT_EQ(ModelInspector::Trace(alignment, 4, 5, "AAAAA", "AAAAA", "AAAAA", mismatches),
              (std::vector<long>{0, 0, 0, 1, 4}));
    EXPECT_EQ(Text(ModelInspector::OtherAllele(alignment)), "AAA");
    // A strictly larger row cell found later cancels the column move.
    set(3, 1, 8);
    EXPECT_EQ(ModelInspector::Trace(alignment, 4, 5, "AAAAA", "AAAAA", "AAAAA", mismatches),
              (std::vector<long>{2, 3, 0, 0, 4}));
}

TEST(DoubleAlignmentTest, SizeIsTheModeOfTheShiftsAfterTheDivergence) {
    Alignment alignment;
    struct Case {
        std::vector<long> path1, path2;
        long size, divergence;
    };
    Case const cases[] = {
        {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, 0, 0},          // never diverge
        {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 9}, 80, 4},         // empty histogram: entry 0, size 80
        {{1, 2, 0, 0}, {1, 3, 5, 6}, 80, 1},               // no column after it with both paths set
        {{5, 6, 7, 8, 9}, {5, 9, 10, 11, 12}, 3, 1},       // shift +3 after the divergence
        {{5, 6, 7, 8}, {6, 8, 6, 8}, 1, 0},                // +2 and -1 once each: the lower entry wins
        {{5, 89, 89, 7, 8}, {6, 1, 1, 9, 10}, 2, 0},       // shifts of -88 lie outside: not counted
    };
    for (Case const& c : cases) {
        EXPECT_EQ(ModelInspector::Size(alignment, c.path1, c.path2), c.size);
        EXPECT_EQ(alignment.GetPosition(), c.divergence);
    }
}

TEST(DoubleAlignmentTest, IdenticalAllelesGiveNoIndel) {
    std::mt19937 random(5);
    Alignment alignment;
    Str reference(RandomBases(random, 200).c_str());
    Str allele(std::string(reference.String(), 80).c_str());
    Str same(allele);
    EXPECT_EQ(alignment.DoubleAlignment(reference, allele, same), 0);
    EXPECT_EQ(alignment.GetPosition(), 0);
    EXPECT_EQ(Text(ModelInspector::OtherAllele(alignment)), Text(allele));
    std::vector<long> diagonal;
    for (long j = 0; j < 80; ++j) diagonal.push_back(j);
    EXPECT_EQ(ModelInspector::Path(alignment, 1, 80), diagonal);
    EXPECT_EQ(ModelInspector::Path(alignment, 2, 80), diagonal);
}

TEST(DoubleAlignmentTest, StringsOfAnyLengthStayInBounds) {
    std::mt19937 random(7);
    Alignment alignment;
    Str reference(RandomBases(random, 200).c_str());
    Str shortReference(std::string(reference.String(), 89).c_str());
    Str empty;
    // Nothing matches: every cell is 0, the best row stays 0 and lies more
    // than 10 rows before the end.
    Str a(std::string(80, 'A').c_str());
    Str c(std::string(200, 'C').c_str());
    EXPECT_EQ(alignment.DoubleAlignment(c, a, a), 0);
    for (long length : {1L, 5L, 9L, 10L, 11L, 79L, 80L, 81L, 200L}) {
        SCOPED_TRACE(length);
        Str allele(std::string(reference.String(), length).c_str());
        EXPECT_EQ(alignment.DoubleAlignment(reference, allele, allele), 0);
        EXPECT_EQ(alignment.DoubleAlignment(reference, allele, empty), 0);
        EXPECT_EQ(alignment.DoubleAlignment(shortReference, allele, allele), 0);
        EXPECT_EQ(alignment.DoubleAlignment(empty, allele, allele), 0);
    }
    EXPECT_EQ(alignment.DoubleAlignment(reference, empty, empty), 0);
}

// A read carrying a heterozygous 2-base deletion: its calls follow the
// allele without the deletion (the consensus), and from the deletion on the
// trace is mixed, the secondary peaks following the other allele, shifted
// by 2 bases in trace direction. The mixed positions have area ratio 0.6.
struct PlantedDeletion {
    TextSequence consensus;
    std::unique_ptr<Sequence> read;
    std::string bases;
    long deletion;  // first mixed position
    long candidate; // expected p

    explicit PlantedDeletion(bool complement) {
        std::mt19937 random(2024);
        bases = RandomBases(random, 400);
        Str text(bases.c_str());
        consensus.SetAttributes("contig", 0, false);
        consensus.SetSequence(text);
        read = NewRead(bases, 0, complement);
        long step = complement ? -1 : 1;
        if (complement) {
            read->SetQualityLimits(195, 399);
            deletion = 190;
            candidate = 215;
        } else {
            read->SetQualityLimits(1, 205);
            deletion = 210;
            candidate = 185;
        }
        for (long u = 1; u <= 400; ++u) ModelInspector::SetPeak(*read, u, 'N', 1000, 0);
        for (long u = deletion; u >= 1 && u <= 400; u += step) {
            long other = u + 2 * step;
            if (other < 1 || other > 400 || bases[other - 1] == bases[u - 1]) continue;
            ModelInspector::SetPeak(*read, u, bases[other - 1], 1000, 400);
            ModelInspector::SetRatio(*read, u, 0.6f);
        }
    }
};

TEST(DoubleAlignmentTest, PlantedHeterozygousDeletionIsSizedTwo) {
    for (bool complement : {false, true}) {
        SCOPED_TRACE(complement ? "complemented" : "forward");
        PlantedDeletion planted(complement);
        long column = planted.read->CheckHetIndel();
        ASSERT_EQ(column, planted.candidate - 1);
        Str segment, called, mixed;
        ASSERT_TRUE(planted.consensus.GetIndelSegment(segment, column, complement));
        ASSERT_TRUE(planted.read->GetIndelSegments(called, mixed, column));
        Alignment alignment;
        EXPECT_EQ(alignment.DoubleAlignment(segment, called, mixed), 2);
        // The tracebacks part one column after the first mixed letter d:
        // coming back from the shifted diagonal, the mismatch cell (d, d) on
        // the old diagonal holds 3d - 1, more than the 3d - 2 of (d + 2, d)
        // reached through the gap.
        long d = 0;
        while (called.Get(d) == mixed.Get(d)) ++d;
        EXPECT_LE(std::labs(planted.candidate - planted.deletion), d);
        EXPECT_EQ(alignment.GetPosition(), d + 1);
        // The alignment object serves the next read unchanged.
        Str same(called);
        EXPECT_EQ(alignment.DoubleAlignment(segment, called, same), 0);
        EXPECT_EQ(alignment.DoubleAlignment(segment, called, mixed), 2);
    }
}

TEST(DoubleAlignmentTest, MoreThanThreeMismatchesStop) {
    PlantedDeletion planted(false);
    long column = planted.candidate - 1;
    Str segment, called, mixed;
    ASSERT_TRUE(planted.consensus.GetIndelSegment(segment, column, 0));
    ASSERT_TRUE(planted.read->GetIndelSegments(called, mixed, column));
    Alignment alignment;
    // Substitutions in both strings, differing from the consensus at the
    // base and two bases on: each is a mismatch of the first traceback.
    long spots[] = {40, 50, 60, 70};
    for (int count = 1; count <= 4; ++count) {
        long j = spots[count - 1];
        char const* seg = segment.String();
        char letter = 'A';
        while (letter == seg[j] || letter == seg[j + 2]) letter = "ACGT"[(std::string("ACGT").find(letter) + 1) % 4];
        called.String()[j] = letter;
        mixed.String()[j] = letter;
        SCOPED_TRACE(count);
        EXPECT_EQ(alignment.DoubleAlignment(segment, called, mixed), count <= 3 ? 2 : 0);
    }
}

// The SNP pass's site window against a plain scan of the reads.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "column.h"
#include "contig.h"
#include "reads.h"
#include "sequence.h"
#include "sitewindow.h"

// At every scored column, the reads valid there in list order with what
// Phase4 and GetSecondBase give them, whatever windows they start and end in
// (before the contig, after it, with pads, N calls and other letters).
TEST(SiteWindowTest, GivesTheReadsValidAtEachColumnInListOrder) {
    std::mt19937 random(11);
    long const columns = 300;
    std::string consensus;
    for (long i = 0; i < columns; ++i) consensus += "ACGT"[random() % 4];
    std::unique_ptr<Contig> contig(MakeContig("c", consensus));
    std::vector<std::unique_ptr<Sequence>> made;
    std::vector<Sequence*> reads;
    for (int r = 0; r < 60; ++r) {
        long offset = static_cast<long>(random() % 320) - 20;
        long length = 30 + static_cast<long>(random() % 150);
        std::string text;
        for (long i = offset; i < offset + length; ++i) {
            long pick = random() % 20;
            char base = i >= 0 && i < columns ? consensus[i] : 'A';
            text += pick == 0 ? '*' : pick == 1 ? 'N' : pick == 2 ? "ACGT"[random() % 4] : base;
        }
        made.emplace_back(MakeRead(("r" + std::to_string(r)).c_str(), text, offset, random() % 2 == 0));
        Sequence* read = made.back().get();
        // Low qualities at the start of some reads: their usable region
        // begins later.
        if (r % 3 == 0)
            for (long u = 1; u <= 12; ++u) SetBase(*read, u, {1000, 1000, 40, 40}, 'N', 0, 5);
        read->Phase1(contig.get(), 25, 20);
        if (read->IsValid()) reads.push_back(read);
    }
    for (Sequence* read : reads) {
        read->AllocatePhaseArrays();
        read->Phase2();
    }
    for (Sequence* read : reads) read->Phase3();
    std::vector<char> scored(columns);
    for (long i = 0; i < columns; ++i) scored[i] = i % 7 != 3;

    SiteWindow window(reads, scored);
    long sites = 0;
    for (long i = 0; i < columns; ++i) {
        if (!scored[i]) continue;
        window.MoveTo(i);
        for (Sequence* read : reads) read->IsSite(0);
        window.PlaceReads();
        std::vector<long> placed;
        for (long k = 0; k < window.Count(); ++k) placed.push_back(reads[window.Site(k).read]->GetSequencePosition());
        std::vector<int> expected;
        for (int r = 0; r < static_cast<int>(reads.size()); ++r)
            if (reads[r]->IsValidSite(i)) expected.push_back(r);
        ASSERT_EQ(window.Count(), static_cast<long>(expected.size())) << "column " << i;
        for (long k = 0; k < window.Count(); ++k) {
            Sequence* read = reads[expected[k]];
            ASSERT_TRUE(read->IsValidSite(i));
            read->Phase4();
            ColumnSite plain = ColumnSite::Of(*read, expected[k]);
            ColumnSite const& site = window.Site(k);
            EXPECT_EQ(site.read, plain.read) << "column " << i;
            EXPECT_EQ(site.het, plain.het);
            EXPECT_EQ(site.hom, plain.hom);
            EXPECT_EQ(site.secondBase, plain.secondBase);
            EXPECT_EQ(site.flags, plain.flags);
            EXPECT_EQ(placed[k], read->GetSequencePosition());
        }
        sites += window.Count();
    }
    EXPECT_GT(sites, 3000);  // the reads cover the contig several times
}

// Microsatellite search on an aligned sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "markedsite.h"
#include "sequence.h"

// Flanks without two equal neighbouring bases.
static std::string const left = "GATCGTCAGCATGTCAGTCGATGCTAGCTG";
static std::string const right = "CTGACTAGTCGACTGATCGTACGATCAGTC";

struct Found {
    long start, end, unit;
    bool operator==(Found const& o) const { return start == o.start && end == o.end && unit == o.unit; }
};

static std::ostream& operator<<(std::ostream& out, Found const& f) {
    return out << "(" << f.start << ", " << f.end << ", " << f.unit << ")";
}

static std::vector<Found> Search(std::string text, MarkedSites* list = nullptr) {
    TextSequence sequence;
    Str padded(text.c_str());
    sequence.SetSequence(padded);
    MarkedSites own;
    MarkedSites& sites = list ? *list : own;
    sequence.RepeatSearch(sites);
    std::vector<Found> found;
    sites.Begin();
    while (MarkedSite* site = sites.GetNext()) {
        Found f{};
        static_cast<RepeatSite*>(site)->GetRepeat(f.start, f.end, f.unit);
        found.push_back(f);
    }
    return found;
}

TEST(RepeatSearchTest, FlanksAloneHoldNoRepeat) {
    EXPECT_TRUE(Search(left + right).empty());
    EXPECT_TRUE(Search(left + "GT" + right).empty());
    EXPECT_TRUE(Search("").empty());
    EXPECT_TRUE(Search("ACGTA").empty());
}

TEST(RepeatSearchTest, RegionsAndUnits) {
    long const l = static_cast<long>(left.size());
    struct Case {
        char const* name;
        std::string text;
        std::vector<Found> sites;
    };
    std::string twelve(12, 'A');
    Case const cases[] = {
        // Reported once, as unit 1: the longer units never report the
        // stretch a shorter one explains. End is the base after the run.
        {"a run of 12 equal bases", left + twelve + right, {{l, l + 12, 1}}},
        // Start and end are padded positions: a pad inside the flank and one
        // inside the run move them.
        {"padded positions", left.substr(0, 10) + "*" + left.substr(10) + "AAAAA**AAAAAAA" + right,
         {{l + 1, l + 15, 1}}},
        // A single mismatch costs 2 and an N 1: the run holds together.
        {"a mismatch inside a run", left + "AAAAAAAAAACAAAAAAAAAA" + right, {{l, l + 21, 1}}},
        {"an N inside a run", left + "AAAAAAAAAANAAAAAAAAAA" + right, {{l, l + 21, 1}}},
        // Twenty equal bases: both scores exist at 7..14 only, 8 positions.
        {"twenty equal bases", std::string(20, 'A'), {{6, 14, 1}}},
        {"nineteen equal bases", std::string(19, 'A'), {}},
        // A dinucleotide run from the first base: the backward score starts
        // at position 7, so the run of 15 scores 9 backward and is supported
        // over 7..15, 9 positions: not longer than the minimum. One more base
        // makes 10 positions.
        {"dinucleotide supported over 9 positions", "ACACACACACACACA" + std::string("GT") + right, {}},
        {"dinucleotide supported over 10 positions", "ACACACACACACACAC" + std::string("GT") + right,
         {{6, 16, 2}}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Search(c.text), c.sites);
    }
}

TEST(RepeatSearchTest, ARegionAtAKnownStartIsNotAddedAgain) {
    long const l = static_cast<long>(left.size());
    MarkedSites sites;
    sites.Collate(new RepeatSite(l, 999, 5));
    EXPECT_EQ(Search(left + std::string(12, 'A') + right, &sites), (std::vector<Found>{{l, 999, 5}}));
}

// The POLY values of a trace: peak windows, normalisation, the balance of
// the channels and the areas.
#include <map>

#include <gtest/gtest.h>

#include "fixtures.h"
#include "peaks.h"

namespace {

// Runs the finder on channels of `samples` zeros with the given samples set.
struct Finder {
    Finder(long samples, std::map<long, int> const (&set)[4], char const* letters, std::vector<long> peaks)
        : text(letters) {
        for (int ch = 0; ch < 4; ++ch) {
            data[ch].assign(samples, 0);
            for (auto const& s : set[ch])
                if (s.first < samples) data[ch][s.first] = static_cast<unsigned short>(s.second);
            channels[ch] = data[ch].data();
        }
        peaks.push_back(samples);
        positions = peaks;
        finder.Compute(channels, samples, text, positions.data());
    }
    PolyLine const& operator[](long base) const { return finder.GetLine(base); }
    std::vector<long> Amplitudes(long base) const {
        PolyLine const& line = finder.GetLine(base);
        return std::vector<long>(line.amplitudes, line.amplitudes + 4);
    }

    std::vector<unsigned short> data[4];
    unsigned short* channels[4];
    Str text;
    std::vector<long> positions;
    PeakFinder finder;
};

}  // namespace

// Windows run from the middle between a base's peak and the previous one to
// the middle to the next; the amplitude is the highest sample where the
// channel bends down by more than 3, the position the sample after it.
TEST(PeakFinder, WindowRules) {
    std::map<long, int> set[4];
    set[0] = {{10, 50}, {11, 100}, {12, 100}, {13, 50}, {65, 7}};  // flat top at the window start
    set[1] = {{27, 500}, {31, 500}, {70, 7}};                       // two equal maxima
    for (long j = 35; j <= 45; ++j) set[2][j] = static_cast<int>(10 * (j - 35));  // a straight slope
    set[3] = {{47, 2}, {48, 1}, {51, 3}, {52, 2}, {199, 65280}};    // bends of 3 and 4
    // Windows: [10,25] [25,35] [35,45] [45,55] [55,80] [80,150].
    Finder f(200, set, "CAGATN", {20, 30, 40, 50, 60, 100});

    EXPECT_EQ(f[0].uncalledBase, 'A');  // the first 100 qualifies, the second is not higher
    EXPECT_EQ(f[0].uncalledPosition, 12);
    EXPECT_EQ(f.Amplitudes(0), (std::vector<long>{100, 0, 0, 0}));
    EXPECT_EQ(f[1].uncalledBase, 'C');  // the first of two equal maxima
    EXPECT_EQ(f[1].uncalledPosition, 28);
    EXPECT_EQ(f.Amplitudes(1), (std::vector<long>{0, 500, 0, 0}));
    // No bend on a slope: a base of the channel's own letter takes its peak.
    EXPECT_EQ(f.Amplitudes(2), (std::vector<long>{0, 0, 50, 0}));
    EXPECT_EQ(f[2].uncalledBase, 'N');
    EXPECT_EQ(f[2].uncalledPosition, 0);
    EXPECT_EQ(f[3].uncalledBase, 'T');  // 2b - a - c = 3 does not count, 4 does
    EXPECT_EQ(f[3].uncalledPosition, 52);
    EXPECT_EQ(f.Amplitudes(3), (std::vector<long>{0, 0, 0, 3}));
    // Equal other channels: the first wins. The called channel is 0 here.
    EXPECT_EQ(f.Amplitudes(4), (std::vector<long>{7, 7, 0, 0}));
    EXPECT_EQ(f[4].uncalledBase, 'A');
    EXPECT_EQ(f[4].uncalledPosition, 66);
    // Another letter has no called channel and no uncalled base.
    EXPECT_EQ(f[5].uncalledBase, 'N');
    EXPECT_EQ(f[5].calledArea, 0);
    // 200 samples: no maxima of the channel sum, so no mean and no area.
    for (long i = 0; i < 6; ++i) EXPECT_EQ(f[i].calledArea, 0) << i;
    EXPECT_EQ(f[0].uncalledArea, 0);
}

// The highest sample of the four channels becomes 65280.
TEST(PeakFinder, NormalisesTheChannelsTogether) {
    std::map<long, int> set[4];
    set[0] = {{9, 100}};
    set[2] = {{15, 300}};
    Finder f(40, set, "AG", {10, 15});
    EXPECT_EQ(f.Amplitudes(0), (std::vector<long>{21760, 0, 0, 0}));  // 100 * 217.6
    EXPECT_EQ(f.Amplitudes(1), (std::vector<long>{0, 0, 65280, 0}));
    EXPECT_EQ(f[0].uncalledBase, 'N');
    EXPECT_EQ(f[1].uncalledBase, 'N');
}

// The channel sum has its first possible maximum at sample 1500, seen only
// when the trace has a sample 1501 after it: the mean of the channel there
// gives its area.
TEST(PeakFinder, ShortTracesHaveNoAreas) {
    std::map<long, int> set[4];
    set[0] = {{1499, 510}, {1500, 1020}, {1501, 510}};
    Finder shortTrace(1501, set, "A", {1499});
    EXPECT_EQ(shortTrace.Amplitudes(0), (std::vector<long>{32640, 0, 0, 0}));
    EXPECT_EQ(shortTrace[0].calledArea, 0);
    Finder longer(1502, set, "A", {1499});
    EXPECT_EQ(longer.Amplitudes(0), (std::vector<long>{32640, 0, 0, 0}));
    // The run sums to 130560; the mean is 32640 (the sample after the
    // maximum): 32640 * 130560 * 32640 / 32640 / 16384.
    EXPECT_EQ(longer[0].calledArea, 260100);
}

// Peaks past the last sample, or out of order, read nothing outside the
// samples and contribute nothing; a peak on the last sample is inside.
TEST(PeakFinder, PeaksOutsideTheSamples) {
    std::map<long, int> set[4];
    for (auto& channel : set) channel = {{0, 9}, {1, 80}, {2, 9}, {8, 70}, {9, 60}};
    Finder f(10, set, "AACGTA", {1, 9, 10, 4000000000L, 3, 7});
    for (long i : {2, 3}) {
        EXPECT_EQ(f.Amplitudes(i), (std::vector<long>{0, 0, 0, 0})) << i;
        EXPECT_EQ(f[i].uncalledBase, 'N') << i;
        EXPECT_EQ(f[i].calledArea, 0) << i;
    }
    EXPECT_EQ(f.Amplitudes(0)[0], 65280);
    // Window 5-9: the bend at 8 (70, scaled by 816), found at 9.
    EXPECT_EQ(f.Amplitudes(1), (std::vector<long>{57120, 57120, 57120, 57120}));
    EXPECT_EQ(f[1].uncalledBase, 'C');
    EXPECT_EQ(f[1].uncalledPosition, 9);
}

// Peaks out of order give windows that overlap: each window still finds
// its highest bend, and a long trace with many such windows takes no time
// quadratic in its length.
TEST(PeakFinder, OverlappingWindowsOfPeaksOutOfOrder) {
    long const samples = 100001;
    std::map<long, int> set[4];
    set[0] = {{29999, 100}, {69999, 65280}};  // sharp peaks, found one sample after
    std::string letters;
    std::vector<long> peaks;
    for (long i = 0; i < 30000; ++i) {
        letters += 'C';
        peaks.push_back(std::vector<long>{0, 50000, 99998}[i % 3]);
    }
    // Windows [25000, 74999] for the peaks at 50000; empty for the others
    // (their start lies past their end).
    Finder f(samples, set, letters.c_str(), peaks);
    for (long i : {0L, 1L, 2L, 29998L, 29999L}) {
        bool middle = i % 3 == 1;
        EXPECT_EQ(f.Amplitudes(i), (std::vector<long>{middle ? 65280 : 0, 0, 0, 0})) << i;
        EXPECT_EQ(f[i].uncalledBase, middle ? 'A' : 'N') << i;
        EXPECT_EQ(f[i].uncalledPosition, middle ? 70000 : 0) << i;
    }
}

// A peak on the last sample has a window that ends there, inside the
// samples: its base gets its amplitudes, areas and uncalled peak like any
// other.
TEST(PeakFinder, PeakOnTheLastSample) {
    std::map<long, int> set[4];
    // One maximum of the channel sum each for A and T (highest 1020, so
    // every sample is scaled by 64): both means are 32640.
    set[0] = {{1499, 510}, {1500, 1020}, {1501, 510}, {2990, 10}, {2991, 40}, {2992, 10}};
    set[3] = {{1510, 510}, {1511, 1020}, {1512, 510}, {2997, 50}, {2998, 100}, {2999, 60}};
    Finder f(3000, set, "AT", {1500, 2999});
    // T bends at 2998 (6400), found at 2999; its run 2997-2999 sums to
    // 13440: area 6400 * (13440 * 32640 / 6400) / 16384. A bends at 2991
    // (2560), found at 2992; run sum 3840: area 2560 * (3840 * 32640 / 2560)
    // / 16384.
    EXPECT_EQ(f[1].position, 2999);
    EXPECT_EQ(f.Amplitudes(1), (std::vector<long>{2560, 0, 0, 6400}));
    EXPECT_EQ(f[1].calledArea, 26775);
    EXPECT_EQ(f[1].uncalledBase, 'A');
    EXPECT_EQ(f[1].uncalledPosition, 2992);
    EXPECT_EQ(f[1].uncalledArea, 7650);
    // Without a bend in its window the base takes the last sample itself.
    std::map<long, int> flat[4];
    flat[3] = {{2999, 255}};  // scaled by 256
    Finder g(3000, flat, "T", {2999});
    EXPECT_EQ(g.Amplitudes(0), (std::vector<long>{0, 0, 0, 65280}));
    EXPECT_EQ(g[0].uncalledBase, 'N');
}

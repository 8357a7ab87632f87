// The peak values of a trace's POLY file: for every called base the area of
// its channel, the strongest peak of another channel under it and the four
// channel amplitudes, from the channels after normalisation and balancing.
#ifndef CONVERTER_PEAKS_H
#define CONVERTER_PEAKS_H

#include <cstdint>
#include <vector>

#include "polyfile.h"
#include "str.h"

class PeakFinder {
public:
    PeakFinder() {}

    // Computes the lines of one trace. The channels (A, C, G, T, `samples`
    // each) are normalised and balanced in place; `peaks` holds a position
    // for every letter and one more entry, the sample count. A mixed-base
    // letter of `letters` is replaced by the strongest of its bases (see
    // ResolveMixedBases), so the letters are those the PHD and POLY files
    // are to hold.
    void Compute(unsigned short* const channels[4], long samples, Str& letters, long const* peaks);
    // The POLY values of a base, its peak position included.
    PolyLine const& GetLine(long base) const { return lines[base]; }

private:
    void FindScale();  // the normalisation scale, which Balance applies
    void Balance();
    void FindPeaks(int ch);
    void FindBends(unsigned short const* trace);
    void BuildBendTree();
    void FindAreas(int ch);
    void ResolveMixedBases();

    // The four channels summed over this sample range decide the balance.
    static long const SumFirst = 1499;
    static long const SumLast = 2499;
    unsigned short sums[SumLast - SumFirst + 1];
    unsigned short stretch[4][SumLast - SumFirst + 1];  // the normalised samples there

    unsigned short* const* x = nullptr;
    long sampleCount = 0;
    char* letter = nullptr;
    long const* peak = nullptr;
    long baseCount = 0;
    float scale = 1;
    float mean[4] = {0, 0, 0, 0};
    std::vector<long> position[4];
    std::vector<long> amplitude[4];
    std::vector<long> area[4];
    std::vector<unsigned short> bend;  // see FindBends
    std::vector<uint64_t> bendTree;    // see BuildBendTree
    std::vector<PolyLine> lines;
};

#endif

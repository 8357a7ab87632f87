#include "peaks.h"

#include <algorithm>

#include "basechannel.h"

namespace {

unsigned short Scaled(unsigned short sample, float factor) {
    return static_cast<unsigned short>(static_cast<double>(sample) * factor);
}


}  // namespace

void PeakFinder::Compute(unsigned short* const channels[4], long samples, Str& letters, long const* peaks) {
    x = channels;
    sampleCount = samples;
    letter = letters.String();
    baseCount = letters.Length();
    peak = peaks;
    FindScale();
    Balance();
    for (int ch = 0; ch < 4; ++ch) {
        FindPeaks(ch);
        FindAreas(ch);
    }
    ResolveMixedBases();
    lines.resize(baseCount);
    for (long i = 0; i < baseCount; ++i) {
        PolyLine& line = lines[i];
        line.position = peak[i];
        for (int ch = 0; ch < 4; ++ch) line.amplitudes[ch] = amplitude[ch][i];
        line.calledArea = 0;
        line.uncalledBase = 'N';
        line.uncalledPosition = 0;
        line.uncalledArea = 0;
        int called = BaseChannel(letter[i]);
        if (called < 0) continue;
        line.calledArea = area[called][i];
        // The strongest other channel under this base, the first on a tie.
        float strongest = 0;
        for (int ch = 0; ch < 4; ++ch) {
            if (ch == called || static_cast<float>(amplitude[ch][i]) <= strongest) continue;
            strongest = static_cast<float>(amplitude[ch][i]);
            line.uncalledBase = ChannelLetters[ch];
            line.uncalledPosition = position[ch][i];
            line.uncalledArea = area[ch][i];
        }
    }
}

// A mixed-base letter (two peaks at one base, as a heterozygote gives)
// becomes the upper-case letter of its strongest channel, the first of A,
// C, G, T on a tie, and is from then on an ordinary call of that letter.
// The amplitudes are those of the POLY line, where no channel has a called
// channel's fallback for such a letter. When all of its channels are 0 the
// letter stays as it is.
void PeakFinder::ResolveMixedBases() {
    for (long i = 0; i < baseCount; ++i) {
        unsigned channels = MixedChannels(letter[i]);
        if (channels == 0) continue;
        int strongest = -1;
        for (int ch = 0; ch < 4; ++ch) {
            if (!(channels & (1u << ch))) continue;
            if (amplitude[ch][i] > 0 && (strongest < 0 || amplitude[ch][i] > amplitude[strongest][i])) strongest = ch;
        }
        if (strongest >= 0) letter[i] = ChannelLetters[strongest];
    }
}

// The normalisation scale: all four channels together so that the highest
// sample becomes 65280.
void PeakFinder::FindScale() {
    unsigned short highest = 0;
    for (int ch = 0; ch < 4; ++ch)
        for (long j = 0; j < sampleCount; ++j) highest = std::max(highest, x[ch][j]);
    scale = highest == 0 ? 1.0f : static_cast<float>(65280.0 / highest);
}

// Each channel's mean height at the maxima of the channel sum (taken one
// sample after each maximum) over a fixed stretch of the normalised trace;
// every channel with maxima is scaled down to the smallest of these means.
// The samples are normalised and balanced in one pass.
void PeakFinder::Balance() {
    long limit = std::min(sampleCount, SumLast + 1);
    for (long j = SumFirst; j < limit; ++j) {
        for (int ch = 0; ch < 4; ++ch) stretch[ch][j - SumFirst] = Scaled(x[ch][j], scale);
        sums[j - SumFirst] = static_cast<unsigned short>(stretch[0][j - SumFirst] + stretch[1][j - SumFirst] +
                                                         stretch[2][j - SumFirst] + stretch[3][j - SumFirst]);
    }
    long count[4] = {0, 0, 0, 0};
    long total[4] = {0, 0, 0, 0};
    for (long j = SumFirst + 2; j < limit; ++j) {
        long i = j - SumFirst;
        if (sums[i - 2] < sums[i - 1] && sums[i] < sums[i - 1]) {
            int best = 0;
            for (int ch = 1; ch < 4; ++ch)
                if (stretch[ch][i] > stretch[best][i]) best = ch;
            if (stretch[best][i] > 0) {
                ++count[best];
                total[best] += stretch[best][i];
            }
        }
    }
    float lowest = 0;
    bool any = false;
    for (int ch = 0; ch < 4; ++ch) {
        mean[ch] = count[ch] > 0 ? static_cast<float>(total[ch] / count[ch]) : 0;
        if (count[ch] > 0 && (!any || mean[ch] < lowest)) lowest = mean[ch];
        any = any || count[ch] > 0;
    }
    for (int ch = 0; ch < 4; ++ch) {
        unsigned short* trace = x[ch];
        // A factor of 1 (no maxima, or the lowest mean) keeps the samples.
        float factor = count[ch] == 0 ? 1.0f : lowest / mean[ch];
        if (factor == 1.0f) {
            for (long j = 0; j < sampleCount; ++j) trace[j] = Scaled(trace[j], scale);
        } else {
            for (long j = 0; j < sampleCount; ++j) trace[j] = Scaled(Scaled(trace[j], scale), factor);
        }
    }
}

// The amplitude of a channel under each base: the highest sample of the
// base's window where the channel bends down by more than 3, its position
// one sample after it (the first of equal highest ones). With none, a base
// of the channel's own letter takes the sample at its peak.
//
// The bends are worked out once per channel (see FindBends). Windows of
// peaks in order follow one another and are scanned. Peaks out of order
// give windows that overlap, and scanning those could take time quadratic
// in the trace's length; they are looked up in a tree of the bends instead
// (see BuildBendTree), which gives the same answer.
void PeakFinder::FindPeaks(int ch) {
    // Every base's entries are set below.
    position[ch].resize(baseCount);
    amplitude[ch].resize(baseCount);
    unsigned short const* trace = x[ch];
    FindBends(trace);
    unsigned short const* bends = bend.data();
    bool tree = false;
    long scanned = 0;  // the windows scanned so far end here
    long previous = 0;
    for (long i = 0; i < baseCount; ++i) {
        long current = peak[i];
        long start = (previous + current) / 2;
        long end = (current + peak[i + 1]) / 2;
        previous = current;
        // A peak past the samples contributes nothing, and no window reads
        // beyond them.
        long best = 0;
        long bestPosition = 0;
        if (current >= sampleCount) {
            position[ch][i] = 0;
            amplitude[ch][i] = 0;
            continue;
        }
        end = std::min(end, sampleCount - 1);
        // The samples with both neighbours inside the window.
        long first = start + 1;
        long last = end - 1;
        if (start >= scanned) {
            scanned = std::max(scanned, end);
            // The highest bend and its first index in one pass, without
            // branches to mispredict.
            long top = 0;
            long at = 0;
            for (long k = first; k <= last; ++k) {
                long v = bends[k];
                bool higher = v > top;
                top = higher ? v : top;
                at = higher ? k : at;
            }
            if (top > 0) {
                best = top;
                bestPosition = at + 1;
            }
        } else {
            if (!tree) {
                BuildBendTree();
                tree = true;
            }
            uint64_t top = 0;
            for (long l = first + sampleCount, r = last + 1 + sampleCount; l < r; l /= 2, r /= 2) {
                if (l & 1) top = std::max(top, bendTree[l++]);
                if (r & 1) top = std::max(top, bendTree[--r]);
            }
            best = static_cast<long>(top >> 32);
            if (best > 0) bestPosition = static_cast<long>(0xffffffffu - (top & 0xffffffffu)) + 1;
        }
        if (best == 0 && letter[i] == ChannelLetters[ch]) {
            bestPosition = current;
            best = trace[current];
        }
        position[ch][i] = bestPosition;
        amplitude[ch][i] = best;
    }
}

// For every sample: itself when the channel bends down there by more than
// 3 (2b - a - c > 3 with its neighbours a and c), else 0. The first and the
// last sample have no two neighbours.
void PeakFinder::FindBends(unsigned short const* trace) {
    bend.resize(sampleCount);
    unsigned short* to = bend.data();
    if (sampleCount == 0) return;
    to[0] = 0;
    for (long k = 1; k + 1 < sampleCount; ++k) {
        int b = trace[k];
        to[k] = 2 * b - trace[k - 1] - trace[k + 1] > 3 ? static_cast<unsigned short>(b) : 0;
    }
    to[sampleCount - 1] = 0;
}

// A tree of maxima over the channel's bends, bottom-up: leaf k, at
// sampleCount + k, holds bend k as the key bend << 32 | ~k, so that the
// largest key of a range is its highest bend at its first index.
void PeakFinder::BuildBendTree() {
    long const leaves = sampleCount;
    bendTree.assign(2 * leaves, 0);
    for (long k = 0; k < leaves; ++k)
        bendTree[leaves + k] = static_cast<uint64_t>(bend[k]) << 32 | (0xffffffffu - static_cast<uint32_t>(k));
    for (long i = leaves - 1; i > 0; --i) bendTree[i] = std::max(bendTree[2 * i], bendTree[2 * i + 1]);
}

// Each run of non-zero samples is shared among the bases whose positions
// fall into it, in proportion to their amplitudes and scaled by the
// channel's mean over 16384.
void PeakFinder::FindAreas(int ch) {
    area[ch].assign(baseCount, 0);
    unsigned short const* trace = x[ch];
    std::vector<long> const& where = position[ch];
    std::vector<long> const& height = amplitude[ch];
    long j = 0;
    long k = 0;
    // Once every base has been passed the remaining runs share nothing.
    while (j < sampleCount && k < baseCount) {
        while (j < sampleCount && trace[j] == 0) ++j;
        if (j == sampleCount) break;
        long start = j;
        long runSum = 0;
        while (j < sampleCount && trace[j] != 0) runSum += trace[j++];
        long end = j - 1;
        while (k < baseCount && where[k] < start) ++k;
        long first = k;
        long heights = 0;
        while (k < baseCount && where[k] <= end) heights += height[k++];
        if (k == first) continue;
        float f = heights == 0 ? mean[ch] : static_cast<float>(static_cast<double>(runSum) * mean[ch] / heights);
        f = f / 16384;
        for (long m = first; m < k; ++m) area[ch][m] = static_cast<long>(static_cast<double>(height[m]) * f);
    }
}

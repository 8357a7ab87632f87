// The read's indel record and the queries on it, the read-level tests for
// homozygous and heterozygous indels, and the read's two allele strings.
#include <cmath>

#include "sequence.h"

void Sequence::SetIndel(int size) {
    indelColumn = currentColumn;
    indelLength = size;
    indelKind = HeterozygousIndel;
}

bool Sequence::IsNearIndel(long column) {
    long indel = indelColumn - offset;
    long i = column - offset;
    if (indelColumn == 0 || i < 0 || i >= paddedLength || indel < 0 || indel >= paddedLength) return false;
    long u = positionMap[i];
    if (u < 0) u = -u;  // a pad: the base before it
    long d = positionMap[indel] - u;
    if (d < -14 || d > 14) return false;
    // The callers read the indel's own position next; an indel recorded at
    // a pad stands on the base before it.
    long here = positionMap[indel] < 0 ? -positionMap[indel] : positionMap[indel];
    if (here < 1) return false;
    currentColumn = indelColumn;
    currentPosition = here;
    return true;
}

void Sequence::GetIndel(long& position, long& indelSize, char& kind) const {
    long indel = indelColumn - offset;
    long u = indel >= 0 && indel < paddedLength ? positionMap[indel] : 0;
    if (!complement) {
        position = u < 0 ? -u : u;  // a pad: the base before it
    } else {
        if (u <= 0) u = 1 - u;  // a pad: the base after it
        position = length - u + 1;
    }
    indelSize = indelLength;
    kind = indelKind;
}

// ------------------------------------------------------------ indel tests

namespace {

// A running float sum of 20 consecutive area ratios, slid one position at a
// time (the entering value added, then the leaving one subtracted).
// Infinite and undefined ratios (a call swapped where there was no secondary
// peak has ratio +inf) are counted apart: the window is infinite while one
// is inside, and the finite sum is still right after it has left.
class RatioWindow {
public:
    RatioWindow(float const* ratio, long first) : ratio(ratio), low(first), high(first + 19) {
        for (long u = low; u <= high; ++u) Add(ratio[u]);
    }
    long Low() const { return low; }
    long High() const { return high; }
    float Sum() const {
        if (undefined > 0 || (positive > 0 && negative > 0)) return NAN;
        if (positive > 0) return INFINITY;
        if (negative > 0) return -INFINITY;
        return sum;
    }
    void Up() {
        Add(ratio[++high]);
        Remove(ratio[low++]);
    }
    void Down() {
        Add(ratio[--low]);
        Remove(ratio[high--]);
    }

private:
    void Add(float value) {
        if (std::isfinite(value))
            sum += value;
        else
            Count(value, 1);
    }
    void Remove(float value) {
        if (std::isfinite(value))
            sum -= value;
        else
            Count(value, -1);
    }
    void Count(float value, int step) {
        if (value > 0)
            positive += step;
        else if (value < 0)
            negative += step;
        else
            undefined += step;
    }

    float const* ratio;
    long low;
    long high;
    float sum = 0;
    int positive = 0;
    int negative = 0;
    int undefined = 0;
};

}  // namespace

long Sequence::CheckHetIndel() const {
    if (!valid) return 0;
    long p = 0;
    if (!complement) {
        // The trace is clean up to the right limit and turns mixed after it.
        long right = rightLimit;
        if (leftLimit > right - 80 || length <= right + 80) return 0;
        RatioWindow clean(areaRatio, right - 19);
        while (clean.Sum() > 1.0 && clean.Low() - 1 > right - 80) clean.Down();
        if (!(clean.Sum() <= 1.0)) return 0;
        p = clean.Low() - 1;
        if (p < 1) return 0;  // below the first base (a left limit of 0)
        RatioWindow mixed(areaRatio, right);
        while (mixed.Sum() < 4.0 && mixed.High() + 1 < right + 40) mixed.Up();
        if (mixed.Sum() < 4.0) return 0;
        while (mixed.Sum() > 2.0 && mixed.High() + 1 < right + 80) mixed.Up();
        if (!(mixed.Sum() > 2.0)) return 0;
    } else {
        // The same mirrored at the left limit.
        long left = leftLimit;
        if (left - 80 <= 0 || rightLimit < left + 80) return 0;
        RatioWindow clean(areaRatio, left);
        while (clean.Sum() > 1.0 && clean.High() + 1 < left + 80) clean.Up();
        if (!(clean.Sum() <= 1.0)) return 0;
        p = clean.High() + 1;
        if (p > length) return 0;  // past the last base (a right limit of n + 1)
        RatioWindow mixed(areaRatio, left - 19);
        while (mixed.Sum() < 4.0 && mixed.Low() - 1 > left - 40) mixed.Down();
        if (mixed.Sum() < 4.0) return 0;
        while (mixed.Sum() > 2.0 && mixed.Low() - 1 > left - 80) mixed.Down();
        if (!(mixed.Sum() > 2.0)) return 0;
    }
    return GetAlignedPosition(p);
}

long Sequence::CheckHomIndel() {
    // From the first base of the usable region: pads before the first base
    // (map value 0) are no run inside the read.
    long first = leftLimit > 1 ? leftLimit : 1;
    long j = 0;
    while (j < paddedLength && positionMap[j] < first) ++j;
    long pads = 0;
    for (; j < paddedLength; ++j) {
        long u = positionMap[j];
        if (u < 0) {
            ++pads;
            continue;
        }
        if (u >= rightLimit) break;
        if (pads >= 3) {
            indelColumn = offset + j - pads - 1;  // the base before the run
            indelLength = pads;
            indelKind = HomozygousIndel;
            return indelColumn;
        }
        pads = 0;
    }
    return indelColumn;
}

bool Sequence::GetIndelSegments(Str& called, Str& mixed, long column) const {
    long i = column - offset;
    if (i < 0 || i >= paddedLength) return false;
    called.Clear();
    mixed.Clear();
    long u = positionMap[i];
    long step = 1;
    if (!complement) {
        if (u < 0) u = -u;  // a pad: the base before it
        if (u + 80 > length) return false;
    } else {
        if (u <= 0) u = 1 - u;  // a pad: the base after it
        if (u - 80 < 0) return false;
        step = -1;
    }
    // A pad before the first base (forward) or after the last one
    // (complemented) has no base to start from.
    if (u < 1 || u > length) return false;
    for (long k = 0; k < 80; ++k, u += step) {
        char call = calls[u];
        char second = secondaries[u];
        // A weak secondary, or none (also where no POLY line reached the
        // base), gives the call again. Amplitudes are 32 bits: 5 x in 64.
        if (second == 'N' || second == '\0' || 5LL * secondaryAmplitude[u] < primaryAmplitude[u]) second = call;
        called.Append(call);
        mixed.Append(second);
    }
    return true;
}

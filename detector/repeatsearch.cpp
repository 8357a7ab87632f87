// Microsatellite search: the sequence compared with itself shifted by the
// unit length (1 to 6), scored forward and backward; stretches that both
// directions support become repeat regions, shorter units first.
#include <vector>

#include "markedsite.h"
#include "sequence.h"

namespace {

constexpr int unitCount = 6;
// Shortest supported stretch of each unit that is no repeat (index = unit).
constexpr long minimumRun[unitCount + 1] = {0, 7, 9, 11, 12, 14, 17};

// Sets to 0 every maximal stretch of nonzero scores over first..last whose
// largest score is below the minimum.
void ClearWeakRuns(long* score, long first, long last, long minimum) {
    long i = first;
    while (i <= last) {
        if (score[i] == 0) {
            ++i;
            continue;
        }
        long start = i;
        long top = 0;
        for (; i <= last && score[i] != 0; ++i)
            if (score[i] > top) top = score[i];
        if (top < minimum)
            for (long k = start; k < i; ++k) score[k] = 0;
    }
}

}  // namespace

void TextSequence::RepeatSearch(MarkedSites& sites) const {
    long n = length;
    long end = n - 5;  // forward scores exist at positions 1..end - 1
    if (!bases || end - 1 < 1) return;
    std::vector<long> store(2 * unitCount * (n + 1), 0);
    long* forward[unitCount + 1] = {};
    long* backward[unitCount + 1] = {};
    for (int k = 1; k <= unitCount; ++k) {
        forward[k] = &store[(k - 1) * (n + 1)];
        backward[k] = &store[(unitCount + k - 1) * (n + 1)];
    }

    // +1 where the base k positions on is the same, -2 where it differs (an
    // N there differs), -1 at an N; never below 0.
    for (int k = 1; k <= unitCount; ++k) {
        long* f = forward[k];
        for (long i = 1; i <= end - 1; ++i) {
            char b = bases[i];
            long value = f[i - 1] + (b == 'N' ? -1 : bases[i + k] == b ? 1 : -2);
            f[i] = value > 0 ? value : 0;
        }
    }
    // The same backward, from position n - 1 down to 7 (0 below).
    for (int k = 1; k <= unitCount; ++k) {
        long* g = backward[k];
        for (long i = n - 1; i >= 7; --i) {
            char b = bases[i];
            long value = g[i + 1] + (b == 'N' ? -1 : bases[i - k] == b ? 1 : -2);
            g[i] = value > 0 ? value : 0;
        }
    }

    for (int k = 1; k <= unitCount; ++k) {
        long* f = forward[k];
        long* g = backward[k];
        ClearWeakRuns(f, 1, end - 1, minimumRun[k]);
        ClearWeakRuns(g, 7, n - 1, minimumRun[k]);
        for (long i = 1; i <= end - 1; ++i) f[i] = f[i] != 0 && g[i] != 0 ? 1 : 0;
        // Padded indices are found with one cursor that only moves up: the
        // stretches come in ascending order.
        long index = 0;
        long i = 1;
        while (i <= end - 1) {
            if (f[i] == 0) {
                ++i;
                continue;
            }
            long s = i;
            while (i <= end - 1 && f[i] != 0) ++i;
            long t = i;  // first position after the stretch
            // A longer unit never reports a stretch a shorter one explains.
            for (int longer = k + 1; longer <= unitCount; ++longer)
                for (long u = s; u < t; ++u) forward[longer][u] = 0;
            if (t - s <= minimumRun[k]) continue;
            if (index < s - 1) index = s - 1;
            while (index < paddedLength && positionMap[index] != s) ++index;
            long first = index;
            while (index < paddedLength && positionMap[index] != t) ++index;
            if (index >= paddedLength) break;
            sites.Collate(new RepeatSite(first, index, k));
        }
    }
}

// The read phases: quality trimming and consensus votes (Phase1), settled
// secondary peaks and normalised peak heights (Phase2), column means and
// variances (Phase3), and the log-odds of the current site (Phase4).
//
// Number types decide the calls, since scores are truncated to integers:
// per-position values are float, per-column sums double, mixed formulas are
// evaluated in double and stored in their target's type, and every sum runs
// in the order given here.
#include <cmath>

#include "contig.h"
#include "sequence.h"

static int const strongPeak = 300;               // amplitude of a peak that counts
static double const lnThreeQuarters = -0.2876820725;
static double const ln2 = 0.6931471806;

// Natural logarithm of an amplitude plus one; a negative amplitude counts 0.
static float LogHeight(int amplitude) { return static_cast<float>(std::log((amplitude > 0 ? amplitude : 0) + 1.0)); }

static long long Smaller(long long a, long long b) { return a < b ? a : b; }

// ------------------------------------------------------------------- Phase1

void Sequence::Phase1(Contig* owner, int qualityLimit, int window) {
    contig = owner;
    columnBases = owner->GetColumnBases();
    int strand = complement ? 2 : 0;
    calledMeans = owner->GetStrandMeans(strand);
    secondaryMeans = owner->GetStrandMeans(strand + 1);
    calledCounts = owner->GetBaseCounts(strand);
    secondaryCounts = owner->GetBaseCounts(strand + 1);
    firstColumn = offset > 0 ? offset : 0;
    endColumn = offset + paddedLength;
    if (endColumn > owner->GetColumnCount()) endColumn = owner->GetColumnCount();

    if (!Trim(qualityLimit, window)) {
        leftLimit = 1;
        rightLimit = 0;
        valid = false;
        return;
    }
    long sum = 0;
    for (long u = leftLimit; u <= rightLimit; ++u) sum += qualities[u];
    averageQuality = static_cast<char>(sum / (rightLimit - leftLimit + 1));

    // Votes for the re-call: 2 for the call, 1 for the secondary letter.
    for (long i = firstColumn; i < endColumn; ++i) {
        if (!IsValidSite(i)) continue;
        int call = BaseChannel(calls[currentPosition]);
        if (call >= 0) owner->GetBaseCounts(call)[i] += 2;
        int secondary = BaseChannel(secondaries[currentPosition]);
        if (secondary >= 0) owner->GetBaseCounts(secondary)[i] += 1;
    }
}

// Slides a window of qualities in from each end of the usable region until
// it holds the target, then moves each limit past the positions below the
// floor. A read that is not valid, or whose region cannot hold one window,
// fails.
bool Sequence::Trim(int qualityLimit, int window) {
    long n = length;
    if (!valid || !(n > 25 || n > window)) return false;
    long w = window > 0 ? window : 1;
    long left = leftLimit < 1 ? 1 : leftLimit;
    long right = rightLimit > n ? n : rightLimit;
    if (right - left + 1 < w) return false;
    long target = static_cast<long>(qualityLimit) * w;
    int floor = static_cast<int>(qualityLimit * 0.75);

    long start = left;
    long sum = 0;
    for (long u = start; u < start + w; ++u) sum += qualities[u];
    while (sum < target && start + w < right) {
        sum += qualities[start + w] - qualities[start];
        ++start;
    }
    if (sum < target) return false;
    // The window holds a quality of at least the floor, so this stops in it.
    while (start < right && qualities[start] < floor) ++start;
    leftLimit = start;

    long end = right;
    sum = 0;
    for (long u = end - w + 1; u <= end; ++u) sum += qualities[u];
    while (sum < target && end - w > leftLimit) {
        sum += qualities[end - w] - qualities[end];
        --end;
    }
    while (end > leftLimit && qualities[end] < floor) --end;
    rightLimit = end;
    return leftLimit < rightLimit;
}

// ------------------------------------------------------------------- Phase2

// Steps run over all positions before the next one starts.
void Sequence::Phase2() {
    if (!valid) return;
    SettleSecondaries();
    AlignCallsWithConsensus();
    MarkBackgroundSecondaries();
    TakeLogHeights();
    NormaliseByBase();
    CorrectSecondaryContext();
    AddToStrandSums();
    // Nothing reads the four channels after this phase: their memory goes
    // back before the next read's heights are made.
    for (int*& channel : amplitudes) {
        delete[] channel;
        channel = nullptr;
    }
}

// The strongest other channel of each position becomes its secondary where
// none was given, and a secondary is kept only when strong. A call of N
// takes its largest channel as the working letter of this step.
void Sequence::SettleSecondaries() {
    for (long u = 1; u <= length; ++u) {
        char work = calls[u];
        if (work == 'N') {
            int best = 0;
            for (int c = 0; c < 4; ++c)
                if (amplitudes[c][u] > best) {
                    best = amplitudes[c][u];
                    work = ChannelLetters[c];
                }
            if (work == 'N') continue;
            primaryAmplitude[u] = best;
        }
        if (secondaries[u] == 'N') {
            int best = secondaryAmplitude[u];
            for (int c = 0; c < 4; ++c)
                if (ChannelLetters[c] != work && amplitudes[c][u] > best) {
                    best = amplitudes[c][u];
                    secondaries[u] = ChannelLetters[c];
                }
            secondaryAmplitude[u] = best;
        }
        if (secondaryAmplitude[u] < strongPeak) {
            secondaries[u] = 'N';
            secondaryAmplitude[u] = 0;
        } else {
            flags[u] |= StrongSecondary;
        }
    }
}

// Calls that disagree with the consensus: swapped to it where its channel
// is strong, else marked.
void Sequence::AlignCallsWithConsensus() {
    for (long i = firstColumn; i < endColumn; ++i) {
        if (!IsValidSite(i)) continue;
        long u = currentPosition;
        char b = columnBases[i];
        if (b == 0 || b == calls[u]) continue;
        int a = amplitudes[BaseChannel(b)][u];
        if (a < strongPeak) {
            flags[u] = WeakConsensus;
            secondaries[u] = 'N';
            secondaryAmplitude[u] = 0;
        } else {
            flags[u] = StrongSecondary | SwappedCall;
            secondaries[u] = calls[u];
            secondaryAmplitude[u] = primaryAmplitude[u];
            calls[u] = b;
            primaryAmplitude[u] = a;
            areaRatio[u] = 1.0f / areaRatio[u];
        }
    }
}

// A secondary no stronger than twice its channel at both neighbours is
// background.
void Sequence::MarkBackgroundSecondaries() {
    for (long u = 2; u < length; ++u) {
        char s = secondaries[u];
        int c = BaseChannel(s);
        long long left = 0, right = 0;
        if (c >= 0) {
            left = calls[u - 1] == s ? 0 : amplitudes[c][u - 1];
            right = calls[u + 1] == s ? 0 : amplitudes[c][u + 1];
        }
        if (secondaryAmplitude[u] < 2 * Smaller(left, right)) {
            secondaries[u] = static_cast<char>(s | BackgroundMark);
            flags[u] = static_cast<char>((flags[u] & ChangedCall) | BackgroundSecondary);
            secondaryAmplitude[u] = 0;
        }
    }
}

// Logarithmic heights; a clean secondary is weak against the call.
void Sequence::TakeLogHeights() {
    for (long u = 1; u <= length; ++u) {
        primaryHeight[u] = primaryHeightAsSecondary[u] = LogHeight(primaryAmplitude[u]);
        secondaryHeight[u] = secondaryHeightAsPrimary[u] = LogHeight(secondaryAmplitude[u]);
        if (2LL * secondaryAmplitude[u] < primaryAmplitude[u] && areaRatio[u] < 0.5f) flags[u] |= CleanSecondary;
    }
}

// The heights of each letter less their mean around the position, one
// letter after the other.
void Sequence::NormaliseByBase() {
    float* r1 = primaryHeight;
    float* r1s = primaryHeightAsSecondary;
    float* r2 = secondaryHeight;
    float* r2p = secondaryHeightAsPrimary;
    for (int c = 0; c < 4; ++c) {
        char x = ChannelLetters[c];
        AverageByBase(primaryLocal, r1, calls, x, 5);
        AverageByBase(secondaryLocal, r2, secondaries, x, 7);
        for (long u = 1; u <= length; ++u) {
            if (calls[u] == x) {
                r1[u] -= primaryLocal[u];
                r1s[u] -= secondaryLocal[u];
            }
            if (secondaries[u] == x) {
                r2[u] -= secondaryLocal[u];
                r2p[u] -= primaryLocal[u];
            }
        }
    }
}

// Strong secondaries less the mean of their class: whether the
// neighbouring calls share the secondary's letter.
void Sequence::CorrectSecondaryContext() {
    long n = length;
    float* r2 = secondaryHeight;
    auto contextClass = [this](long u) {
        char s = secondaries[u];
        bool before = calls[u - 1] == s;
        bool after = calls[u + 1] == s;
        return before && after ? 0 : before ? 1 : after ? 2 : 3;
    };
    float classSums[4] = {0, 0, 0, 0};
    long classCounts[4] = {0, 0, 0, 0};
    for (long u = 2; u < n; ++u) {
        if (!(flags[u] & StrongSecondary)) continue;
        int k = contextClass(u);
        classSums[k] += r2[u];
        ++classCounts[k];
    }
    float classMeans[4];
    for (int k = 0; k < 4; ++k) classMeans[k] = classCounts[k] != 0 ? classSums[k] / classCounts[k] : 0.0f;
    for (long u = 2; u < n; ++u)
        if (flags[u] & StrongSecondary) r2[u] -= classMeans[contextClass(u)];
}

// The read's clean heights at consensus calls go into the strand sums.
void Sequence::AddToStrandSums() {
    for (long i = firstColumn; i < endColumn; ++i) {
        if (!IsValidSite(i)) continue;
        long u = currentPosition;
        if (columnBases[i] != calls[u] || !(flags[u] & CleanSecondary)) continue;
        calledMeans[i] += primaryHeight[u];
        ++calledCounts[i];
        if (secondaryAmplitude[u] != 0) {
            secondaryMeans[i] += secondaryHeight[u];
            ++secondaryCounts[i];
        }
    }
}

// A running float sum over the matching positions on both sides of u: the
// right side takes the next match beyond when u leaves it, the left side
// takes u after out[u] is written and drops its oldest member beyond
// `count`.
void Sequence::AverageByBase(float* out, float const* values, char const* letterOf, char base, int count) const {
    long n = length;
    long matches = 0;
    for (long u = 1; u <= n; ++u)
        if (letterOf[u] == base) ++matches;
    if (matches < count) {
        float sum = 0;
        for (long u = 1; u <= n; ++u) sum += values[u];
        float mean = sum / n;
        for (long u = 1; u <= n; ++u) out[u] = mean;
        return;
    }
    float sum = 0;
    long left = 0, right = 0;
    long next = 1;    // first position not yet examined for the right side
    long oldest = 1;  // first position that may still be on the left side
    auto takeRight = [&]() {
        while (next <= n && letterOf[next] != base) ++next;
        if (next > n) return;
        sum += values[next++];
        ++right;
    };
    for (int k = 0; k < count; ++k) takeRight();
    for (long u = 1; u <= n; ++u) {
        bool match = letterOf[u] == base;
        if (match) {
            sum -= values[u];
            --right;
            takeRight();
        }
        out[u] = sum / (left + right);
        if (!match) continue;
        sum += values[u];
        if (++left <= count) continue;
        while (letterOf[oldest] != base) ++oldest;
        sum -= values[oldest++];
        --left;
    }
}

// ------------------------------------------------------------------- Phase3

void Sequence::Phase3() {
    if (!valid) return;
    long n = length;
    float* r1 = primaryHeight;
    float* r2 = secondaryHeight;
    float* r2p = secondaryHeightAsPrimary;

    // 1. The column means of the read's strand come off, where the strand
    // has heights there.
    for (long i = firstColumn; i < endColumn; ++i) {
        if (!IsValidSite(i) || calledCounts[i] == 0) continue;
        long u = currentPosition;
        r1[u] -= calledMeans[i];
        if (flags[u] & StrongSecondary) {
            r2[u] -= secondaryMeans[i];
            r2p[u] -= calledMeans[i];
        }
    }

    // 2. Global variances over the usable region.
    double sum1 = 0, sum2 = 0;
    long count1 = 0, count2 = 0;
    for (long u = leftLimit; u <= rightLimit; ++u) {
        if (!(flags[u] & (StrongSecondary | BackgroundSecondary))) continue;
        if (flags[u] & CleanSecondary) {
            sum1 += static_cast<double>(r1[u]) * r1[u];
            ++count1;
        }
        if (secondaryAmplitude[u] != 0 && r1[u] > lnThreeQuarters) {
            sum2 += static_cast<double>(r2[u]) * r2[u];
            ++count2;
        }
    }
    double variance1 = count1 != 0 ? sum1 / count1 : 0;
    double variance2 = count2 != 0 ? sum2 / count2 : 0;

    // 3. Local variances: the global ones weighted as ten values, then up to
    // five clean positions within twelve on each side.
    for (long u = 1; u <= n; ++u) {
        double local1 = 10 * variance1, local2 = 10 * variance2;
        long terms1 = 10, terms2 = 10;
        auto scan = [&](long p) {
            bool clean = flags[p] & CleanSecondary;
            if (clean) {
                local1 += static_cast<double>(r1[p]) * r1[p];
                ++terms1;
            }
            if (secondaryAmplitude[p] != 0 && r1[p] > lnThreeQuarters) {
                local2 += static_cast<double>(r2[p]) * r2[p];
                ++terms2;
            }
            return clean;
        };
        int found = 0;
        for (long p = u - 1, k = 0; p >= 1 && k < 12 && found < 5; --p, ++k) found += scan(p);
        found = 0;
        for (long p = u + 1, k = 0; p <= n && k < 12 && found < 5; ++p, ++k) found += scan(p);
        primaryLocal[u] = static_cast<float>(local1 / terms1);
        secondaryLocal[u] = static_cast<float>(local2 / terms2);
    }
    ScoreSites();
    FreeHeights();
}

// ------------------------------------------------------------------- Phase4

// Log-density of a Student t with 6 degrees of freedom, up to a constant.
static double LogLikelihood(double x, double s) { return 3 * std::log(s) - 3.5 * std::log(x * x + s); }

// A log-likelihood term beyond [-50, 50], or not a number, is no evidence.
static float Evidence(double term) {
    float value = static_cast<float>(term);
    return value >= -50.0f && value <= 50.0f ? value : 0.0f;
}

// Sum of coefficient times term, in the order of the rows.
template <int N>
static float Polynomial(double const (&coefficients)[N], double const (&terms)[N]) {
    double sum = 0;
    for (int k = 0; k < N; ++k) sum += coefficients[k] * terms[k];
    return static_cast<float>(sum);
}

// Rows: A, 1, B, C, D, AA, CC, BB, DD, AC, BD, q, m, q2, mm, qm.
static double const H1[16] = {0.755,   -4.1189001678, -0.016,  1.59,   -0.394, -0.0121,  -0.0871,  -0.0289,
                              0.0527,  -0.0358,       0.0228,  0.211,  0.0572, -0.00187, 0.00304,  -0.00493};
static double const H2[16] = {0.802,   -7.318900167800001, -0.294, 2.12,  -1.11,  -0.0163, -0.0574, 0.0154,
                              0.0162,  -0.0235,            0,      0.195, 0.314,  -0.0042, -0.00332, 0.00105};
static double const M2[16] = {0.545,  -5.931513514200001, -0.0945, 0.123, 0.469, -0.077,  0.0228,  0.0247,
                              -0.0273, 0.0249,            0,       0.301, 0.175, -0.0118, -0.0101, 0.0166};
// Rows: q, 1, q2, m, qm, q2m.
static double const M3[6] = {0.58, -5.331513514200001, -0.00877, 0.27, -0.00888, 0.0001446};
static double const M4[6] = {0.3, -1.1515135142000013, -0.0036, 0.14, 0, 0};
static double const H4[6] = {0.27, -3.478900167800001, -0.0077, 0.21, 0, 0};

// The log-odds depend only on the read's own values at the position and on
// the column's mean and letter, which no later step changes before a site
// is scored (genotypes are written only where a site is recorded), so they
// are worked out read by read here and looked up column by column.
void Sequence::ScoreSites() {
    delete[] hetScores;
    delete[] homScores;
    hetScores = new float[length + 2]();
    homScores = new float[length + 2]();
    for (long i = firstColumn; i < endColumn; ++i)
        if (IsValidSite(i)) ScoreSite(i, currentPosition, hetScores[currentPosition], homScores[currentPosition]);
}

void Sequence::Phase4() {
    hetScore = homScore = -6.0f;
    long u = currentPosition;
    if (!valid || !hetScores || currentColumn < firstColumn || currentColumn >= endColumn || u < 1 || u > length)
        return;
    hetScore = hetScores[u];
    homScore = homScores[u];
}

void Sequence::ScoreSite(long i, long u, float& het, float& hom) const {
    het = hom = -6.0f;
    // No clean consensus call of this strand at the column: no evidence. A
    // mean of exactly 0 is a measurement (peaks of one height give it), not
    // the absence of one.
    if (calledCounts[i] == 0) return;

    float q = qualities[u];
    float q2 = q * q;
    long sum = 0;
    for (long p = u - 4 > 1 ? u - 4 : 1; p <= u - 2; ++p) sum += qualities[p];
    for (long p = u + 2; p <= u + 4 && p <= length; ++p) sum += qualities[p];
    float m = static_cast<float>(sum / 6.0);
    double const qualityTerms[6] = {q, 1, q2, m, static_cast<double>(q) * m, static_cast<double>(q2) * m};

    char consensus = columnBases[i];
    bool secondary = secondaries[u] != 'N';
    if (calls[u] != consensus) {
        if (secondary) {
            hom = Polynomial(M4, qualityTerms);
            het = Polynomial(H4, qualityTerms);
        } else {
            hom = Polynomial(M3, qualityTerms);
            het = 2.4816334f;
        }
        return;
    }
    if (!secondary) {
        het = -4.86f;
        return;
    }
    float r1 = primaryHeight[u], r1s = primaryHeightAsSecondary[u];
    float r2 = secondaryHeight[u], r2p = secondaryHeightAsPrimary[u];
    float a = static_cast<float>(6.0 * primaryLocal[u] + 1e-12);
    float b = static_cast<float>(6.0 * secondaryLocal[u] + 1e-12);
    double A = Evidence(LogLikelihood(r1 + ln2, a) - LogLikelihood(r1, a));
    double B = Evidence(LogLikelihood(r1s, b) - LogLikelihood(r1, a));
    double C = Evidence(LogLikelihood(r2p + ln2, b) - LogLikelihood(r2, b));
    double D = Evidence(LogLikelihood(r2p, b) - LogLikelihood(r2, b));
    double const terms[16] = {A,     1,     B,     C,     D, A * A,  C * C, B * B, D * D, A * C, B * D,
                              qualityTerms[0], m, q2, static_cast<double>(m) * m, static_cast<double>(q) * m};
    if (flags[u] & ChangedCall) {
        het = Polynomial(H2, terms);
        hom = Polynomial(M2, terms);
    } else {
        het = Polynomial(H1, terms);
    }
}

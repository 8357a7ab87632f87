// The tests' view of the model's arrays (a friend of the model classes).
#ifndef TESTS_DETECTOR_MODEL_TEST_H
#define TESTS_DETECTOR_MODEL_TEST_H

#include <vector>

#include "alignment.h"
#include "contig.h"
#include "sequence.h"
#include "source.h"

// Read access to the arrays of the model.
class ModelInspector {
public:
    static char Call(Sequence const& s, long u) { return s.calls[u]; }
    static char Secondary(Sequence const& s, long u) { return s.secondaries[u]; }
    static int Quality(Sequence const& s, long u) { return s.qualities[u]; }
    static int Amplitude(Sequence const& s, int channel, long u) { return s.amplitudes[channel][u]; }
    static int Primary(Sequence const& s, long u) { return s.primaryAmplitude[u]; }
    static int SecondaryAmplitude(Sequence const& s, long u) { return s.secondaryAmplitude[u]; }
    static float Ratio(Sequence const& s, long u) { return s.areaRatio[u]; }
    static int Map(Sequence const& s, long i) { return s.positionMap[i]; }
    static long Left(Sequence const& s) { return s.leftLimit; }
    static long Right(Sequence const& s) { return s.rightLimit; }
    static long PaddedLength(Sequence const& s) { return s.paddedLength; }
    static float* Height(Sequence const& s) { return s.primaryHeight; }
    static void SetFlags(Sequence& s, long u, char f) { s.flags[u] = f; }
    static int Flags(Sequence const& s, long u) { return static_cast<unsigned char>(s.flags[u]); }
    // The phase arrays: 0 r1, 1 r1', 2 r2, 3 r2', 4 primary local, 5 secondary local.
    static float* Phase(Sequence const& s, int k) {
        float* arrays[] = {s.primaryHeight,   s.primaryHeightAsSecondary, s.secondaryHeight,
                           s.secondaryHeightAsPrimary, s.primaryLocal, s.secondaryLocal};
        return arrays[k];
    }
    static void SetSecondaryAmplitude(Sequence& s, long u, int a) { s.secondaryAmplitude[u] = a; }
    static void SetSecondary(Sequence& s, long u, char c) { s.secondaries[u] = c; }
    static void SetCall(Sequence& s, long u, char c) { s.calls[u] = c; }
    // The log-odds the read gives the column, from its heights and variances
    // as they stand.
    static void Score(Sequence& s, long column, float& het, float& hom) {
        het = hom = 0;
        if (s.IsValidSite(column)) s.ScoreSite(column, s.currentPosition, het, hom);
    }
    static void SetScores(Sequence& s, float het, float hom) {
        s.hetScore = het;
        s.homScore = hom;
    }
    // A Source's combined totals, and its weights (the posteriors once
    // its genotype is chosen).
    static float HomTotal(Source const& s) { return s.homTotal; }
    static float HetTotal(Source const& s) { return s.hetTotal; }
    static float HomWeight(Source const& s) { return s.homWeight; }
    static float HetWeight(Source const& s) { return s.hetWeight; }
    static void SetContig(Sequence& s, Contig* c) { s.contig = c; }
    // Every per-base value is zero at position u.
    static bool AllZero(Sequence const& s, long u) {
        bool zero = s.secondaries[u] == 0 && s.qualities[u] == 0 && s.primaryAmplitude[u] == 0 &&
                    s.secondaryAmplitude[u] == 0 && s.primaryLocal[u] == 0 && s.areaRatio[u] == 0 &&
                    s.flags[u] == 0 && s.genotypes[u] == 0 && s.phdBases[u] == 0 && s.phdQualities[u] == 0;
        for (int c = 0; c < 4; ++c) zero = zero && s.amplitudes[c][u] == 0;
        return zero;
    }
    static long Counts(Contig const& c, int k, long i) { return c.baseCounts[k][i]; }
    static double Means(Contig const& c, int k, long i) { return c.strandMeans[k][i]; }
    static long Coverage(Contig const& c, long i) { return c.coverage[i]; }
    static void SetCoverage(Contig& c, long i, long v) { c.coverage[i] = v; }
    static void SortReads(Contig& c) { c.QuickSort(c.head, nullptr); }
    static MarkedSites& ManualSites(Contig& c) { return c.manualSites; }
    static long Offset(Sequence const& s) { return s.offset; }
    // Results of an analysis set by hand, for the writers.
    static MarkedSites& SnpSites(Contig& c) { return c.snpSites; }
    static MarkedSites& IndelSites(Contig& c) { return c.indelSites; }
    static MarkedSites& RepeatSites(Contig& c) { return c.repeatSites; }
    static void UseReference(Contig& c) { c.positionSequence = &c.reference; }
    static void SetIndel(Sequence& s, long column, long length, char kind) {
        s.indelColumn = column;
        s.indelLength = length;
        s.indelKind = kind;
    }
    static void SetAverageQuality(Sequence& s, char quality) { s.averageQuality = quality; }
    static void SetLimits(Sequence& s, long left, long right) {
        s.leftLimit = left;
        s.rightLimit = right;
    }
    static void SetRatio(Sequence& s, long u, float ratio) { s.areaRatio[u] = ratio; }
    // The secondary letter and the two amplitudes at position u.
    static void SetPeak(Sequence& s, long u, char secondary, int primary, int secondaryAmplitude) {
        s.secondaries[u] = secondary;
        s.primaryAmplitude[u] = primary;
        s.secondaryAmplitude[u] = secondaryAmplitude;
    }
    static long IndelColumn(Sequence const& s) { return s.indelColumn; }
    static long HetIndelColumn(Contig& c, Sequence* read, long candidate, long divergence) {
        return c.HetIndelColumn(read, candidate, divergence);
    }
    static long IndelLength(Sequence const& s) { return s.indelLength; }
    static int IndelKind(Sequence const& s) { return s.indelKind; }

    // The alignment's matrix, passes, tracebacks and paths.
    static long& Cell(Alignment& a, long row, long column) { return a.Cell(row, column); }
    static long Fill(Alignment& a, char const* reference, long rows, char const* first, char const* second,
                     long columns, long open, long step, long& best) {
        return a.Fill(reference, rows, first, second, columns, open, step, best);
    }
    // The first traceback's path and mismatches; the letters go to the other allele.
    static std::vector<long> Trace(Alignment& a, long row, long columns, char const* reference, char const* first,
                                   char const* second, long& mismatches) {
        for (long& p : a.path1) p = 0;
        a.otherAllele.Clear();
        mismatches = a.Trace(row, columns, a.path1, reference, first, second);
        return std::vector<long>(a.path1, a.path1 + columns);
    }
    static std::vector<long> Path(Alignment const& a, int which, long columns) {
        long const* p = which == 1 ? a.path1 : a.path2;
        return std::vector<long>(p, p + columns);
    }
    static Str OtherAllele(Alignment const& a) { return a.otherAllele; }
    // The size from two given paths.
    static long Size(Alignment& a, std::vector<long> const& first, std::vector<long> const& second) {
        for (size_t j = 0; j < first.size(); ++j) {
            a.path1[j] = first[j];
            a.path2[j] = second[j];
        }
        a.divergence = 0;
        return a.Size(static_cast<long>(first.size()));
    }
};

#endif

// Sizing of a heterozygous indel: two local alignments of a read's called
// and mixed allele strings against the contig's sequence.
#ifndef DETECTOR_ALIGNMENT_H
#define DETECTOR_ALIGNMENT_H

#include "str.h"

class Alignment {
    friend class ModelInspector;  // the tests' view of the matrix and paths

public:
    Alignment();
    ~Alignment();
    Alignment(Alignment const&) = delete;
    Alignment& operator=(Alignment const&) = delete;

    // The indel size (0 for none) of a 200-base reference segment against
    // the two 80-base allele strings; sets the divergence.
    long DoubleAlignment(Str& reference, Str& called, Str& mixed);
    // First allele index where the two tracebacks disagree.
    long GetPosition() const { return divergence; }

private:
    static constexpr long referenceLength = 200;
    static constexpr long alleleLength = 80;
    static constexpr long rowStride = alleleLength + 1;
    static constexpr long histogramSize = 280;

    // Row r, column k of the score matrix; row -1 and column -1 are a border
    // of zeros.
    long& Cell(long row, long column) { return matrix[(row + 1) * rowStride + column + 1]; }
    // One pass over rows 0..rows-1 and columns 0..columns-1: a cell takes the
    // diagonal +3 where the reference base equals the first or the second
    // letter (else -1, and never below 0), or a gap of g cells costing
    // open + step x g. Returns the first row with the best last-column value
    // (row 0 when none is above 0) and that value in `best`.
    long Fill(char const* reference, long rows, char const* first, char const* second, long columns, long open,
              long step, long& best);
    // Traceback from (row, columns - 1) into `path`; with letters it builds
    // the other allele and returns the number of mismatches.
    long Trace(long row, long columns, long* path, char const* reference, char const* first, char const* second);
    // The divergence of the two paths over `columns` and the mode of their
    // shifts after it: the indel size, 0 when the paths never diverge.
    long Size(long columns);

    long* matrix;
    long path1[alleleLength];
    long path2[alleleLength];
    long histogram[histogramSize];
    long divergence = 0;
    long indelSize = 0;
    Str otherAllele;
};

#endif

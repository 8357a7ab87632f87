// The sites of a contig's reads for the SNP pass, gathered a window of
// columns at a time.
#ifndef DETECTOR_SITEWINDOW_H
#define DETECTOR_SITEWINDOW_H

#include <vector>

#include "column.h"

class Sequence;

// Each read's values at a column live in the read's own arrays, so a column
// of depth d would touch d reads' arrays in as many places of memory. The
// window instead walks each covering read once over a run of columns
// (IsValidSite, Phase4, the column site) and keeps the sites column by
// column in read list order: a column then reads contiguous memory, and its
// cost per read no longer grows with the depth.
class SiteWindow {
public:
    // The contig's valid reads in list order (numbered as Column::SetReads
    // numbers them) and, per column, whether the pass scores it.
    SiteWindow(std::vector<Sequence*> const& reads, std::vector<char> const& scored);

    // Moves to a scored column (columns come in ascending order): the reads
    // valid there, in list order, give Site(0) .. Count() - 1.
    void MoveTo(long column);
    long Count() const { return counts[here]; }
    ColumnSite const& Site(long k) const { return sites[here * depth + k]; }
    // Sets those reads to the column (IsValidSite), as writing their
    // genotypes needs; the gathering leaves them elsewhere.
    void PlaceReads() const;

private:
    // Gathers the columns from `start` on.
    void Gather(long start);

    static long const width = 64;  // columns of a window

    std::vector<Sequence*> const& reads;
    std::vector<char> const& scored;
    std::vector<long> firstColumns, endColumns;  // of each read
    std::vector<long> entering;                  // read numbers by first column
    size_t next = 0;                             // first of `entering` not yet covering
    std::vector<long> covering;                  // read numbers in list order
    long start = 0, end = 0;                     // the window's columns
    long here = 0;                               // the current column's offset in the window
    long depth = 0;                              // room for sites per column
    std::vector<ColumnSite> sites;               // by column, then list order
    std::vector<long> counts;                    // per column of the window
};

#endif

// Sizing of a heterozygous indel: two local alignments of a read's called
// and mixed allele strings against the contig's sequence.
#ifndef DETECTOR_ALIGNMENT_H
#define DETECTOR_ALIGNMENT_H

#include "str.h"

class Alignment {
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
};

#endif

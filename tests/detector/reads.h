// Reads and contigs built base by base for the detection tests: every base
// gets a PHD line (quality, peak every 10 samples in trace order) and a POLY
// record (four amplitudes, secondary letter and areas).
#ifndef TESTS_DETECTOR_READS_H
#define TESTS_DETECTOR_READS_H

#include <string>

#include "contig.h"
#include "sequence.h"

struct Amplitudes {
    long a, c, g, t;
};

// A read of the padded text (alignment orientation) at `offset`; each base
// has the quality, `called` in its own channel and `other` in the three
// others, no secondary, and the whole read as its usable region.
Sequence* MakeRead(char const* name, std::string const& text, long offset = 0, bool complement = false,
                   int quality = 40, long called = 1000, long other = 40);

// Gives base u (alignment position) new amplitudes, a secondary letter with
// its area ratio (uncalled / called area) and, when not negative, a quality.
void SetBase(Sequence& read, long u, Amplitudes amplitudes, char secondary = 'N', float ratio = 0,
             int quality = -1);

// A contig named `name` with the consensus text and no reads.
Contig* MakeContig(char const* name, std::string const& consensus);

#endif

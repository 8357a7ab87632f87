// The small project of the writer tests: its ACE, PHD and POLY files as
// they stand before any run, and the sites and genotypes an analysis could
// have found in it, planted by hand.
//
// Contig1 (24 columns) holds r1 (forward, all of it usable), r2
// (complemented, columns 2 to 23 with a pad at column 12, usable from its
// base 3 to 19), r3 (no POLY file, so not valid) and the reference read
// ref.REF (a pad at column 12); Contig2 holds the one read s1.
#ifndef TESTS_DETECTOR_SMALL_PROJECT_H
#define TESTS_DETECTOR_SMALL_PROJECT_H

#include <string>

#include "contig.h"
#include "project_test.h"

extern std::string const smallConsensus;
extern std::string const r2Aligned;
extern std::string const r2Trace;
extern std::string const originalAce;
extern std::string const foreignPhdTag;  // the tag of r1's PHD file

struct ProjectFiles {
    std::string ace, r1, r2, r3, s1;
};

ProjectFiles Originals();
void WriteProject(TestProject const& project, ProjectFiles const& files);
ProjectFiles ReadProject(TestProject const& project);
void ExpectSame(ProjectFiles const& actual, ProjectFiles const& expected);
Sequence* ReadNamed(Contig& contig, char const* name);
// SNP sites at columns 5 (detected), 8 (a manual site not confirmed) and
// 15 (detected), an indel at column 13 that is r2's own, a dinucleotide
// repeat over columns 16 to 21 and a manual indel at column 18, with the
// reads' genotypes.
void PlantSites(Assembly& assembly);

#endif

// Synthetic resequencing projects for the detector: amplicons sequenced in
// many samples, each amplicon one contig of an ACE file, each read with its
// PHD and POLY file. Every amplicon holds the same planted sites:
//
//   - a heterozygous SNP (the het samples' POLY files show the second allele
//     as a secondary peak under the call);
//   - a SNP with homozygous variant samples and heterozygous ones;
//   - a dinucleotide repeat (CA)10;
//   - a 2-base heterozygous deletion: past it the carriers' traces are mixed
//     (secondary peaks of the shifted allele) and their qualities drop;
//   - a 3-base insertion carried homozygously by a few samples: the
//     consensus and the other samples' reads hold three pads there, which is
//     how the detector sees it (a run of pads in every non-carrier read).
//
// Samples take these genotypes in turns of eight (two heterozygous at the
// first SNP, one homozygous and one heterozygous at the second, one carrier
// of each indel), so with eight samples or more every amplicon shows each.
//
// Reads are named "sNNNN_aMM_fK" (forward) and "sNNNN_aMM_rK" (complemented):
// the first five characters name the sample (`-source 1 5`).
#ifndef BENCH_ANALYSIS_SYNTHETIC_PROJECT_H
#define BENCH_ANALYSIS_SYNTHETIC_PROJECT_H

#include <string>
#include <vector>

class Assembly;
class Parameters;

struct ProjectLayout {
    long samples = 96;
    long amplicons = 20;
    long length = 700;        // bases of an amplicon, at least 500
    long readsPerSample = 2;  // per amplicon: forward and complemented in turn
    unsigned long seed = 20060207;
    long tags = 0;  // consensus tags of type "polymorphism" per contig
};

// The planted sites of one amplicon, in alignment columns of its contig,
// and each sample's genotype there.
struct PlantedAmplicon {
    std::string contig;
    std::string consensus;  // padded, upper case
    long hetSnp;
    char hetReference, hetVariant;
    long mixedSnp;
    char mixedReference, mixedVariant;
    long repeatStart, repeatEnd;  // the (CA)10 run: first column, one past the last
    long deletion;                // column of the first deleted base
    long insertion;               // column of the base before the three pads
    // Per sample: 0 reference, 1 homozygous variant, 2 heterozygous.
    std::vector<char> hetSnpGenotype;
    std::vector<char> mixedSnpGenotype;
    std::vector<bool> deletionCarrier;   // heterozygous for the deletion
    std::vector<bool> insertionCarrier;  // homozygous for the insertion
};

class SyntheticProject {
public:
    explicit SyntheticProject(ProjectLayout const& layout);

    // Writes DIR/edit_dir/project.ace, DIR/phd_dir/<read>.phd.1 and
    // DIR/poly_dir/<read>.poly (the directories are made when missing).
    // False, with a message on standard error, when a file cannot be
    // written.
    bool Write(std::string const& dir) const;

    std::vector<PlantedAmplicon> const& Amplicons() const { return amplicons; }
    ProjectLayout const& Layout() const { return layout; }
    // The name of read k (0-based) of a sample in an amplicon, and the
    // sample a read name belongs to.
    std::string ReadName(long sample, long amplicon, long k) const;
    static long SampleOf(std::string const& readName);
    static bool IsComplemented(long k) { return k % 2 == 1; }
    long ReadCount() const { return layout.samples * layout.amplicons * layout.readsPerSample; }

private:
    struct Read;
    void MakeRead(PlantedAmplicon const& amplicon, long a, long sample, long k, Read& read) const;
    bool WriteRead(std::string const& dir, Read const& read) const;

    ProjectLayout layout;
    std::vector<PlantedAmplicon> amplicons;
    std::vector<std::string> references;  // unpadded true sequence of each amplicon
};

// Reads a project directory (DIR/edit_dir/project.ace, DIR/phd_dir,
// DIR/poly_dir) into the model as a detector run would, with consensus tags
// of type "polymorphism" as manual SNP sites; the progress lines go to
// standard error. False, with the reader's message, when reading fails.
bool ReadProject(std::string const& dir, Assembly& assembly, Parameters& parameters);

#endif

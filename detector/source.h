// The reads of one sample (source) at the column being scored, and the
// sample's genotype there.
#ifndef DETECTOR_SOURCE_H
#define DETECTOR_SOURCE_H

#include <vector>

#include "slist.h"

class Sequence;

// The reads are the contig's: the list holds them without owning them. The
// Column decides which reads belong to the sample.
class Source : public SList<Sequence> {
    friend class ModelInspector;  // the tests' view of the totals

public:
    // List nodes kept for reuse (by the column, which deletes them).
    using Nodes = std::vector<SLink<Sequence>*>;

    // An empty Source; the list takes its nodes from `nodes` and gives them
    // back when reset.
    explicit Source(Nodes* nodes) : spareNodes(nodes) { Start(); }
    // Empty again, for the column after: no reads, no scores.
    void Start();

    using SList<Sequence>::Append;
    void Append(Sequence* read) override;
    void Reset() override;

    // Appends a read with its het and hom log-odds at the column, its strand
    // and its variant base there (Sequence::GetSecondBase), and folds the
    // scores into the strand's combined values and maxima. True when the
    // read raised a strand maximum: that is where the base is taken.
    bool Take(Sequence* read, float hetScore, float homScore, bool complement, char secondBase);
    // The totals of the reads taken; the expected variant allele fraction
    // of the sample.
    float GetMinProbability();
    // Raises the running maximum hom and het totals and chooses the
    // genotype for the column frequency: 0 reference, 1 homozygous variant,
    // 2 heterozygous.
    char GetScores(float& maxHomTotal, float& maxHetTotal, float frequency);
    // Writes the genotype into the reads; hands out the variant base and
    // the genotype's probability.
    char GetSecondBase(char consensus, char& base, float& probability);
    // Writes the reference genotype of the letter into the reads.
    void SetConsensusBase(char consensus);

private:
    Nodes* spareNodes;
    float hom[2] = {0, 0}, het[2] = {0, 0};  // combined scores, forward and complemented
    float homTotal = 0, hetTotal = 0;
    float homWeight = 0, hetWeight = 0;  // e^total, then the posteriors
    float maxHom[2] = {0, 0}, maxHet[2] = {0, 0};  // forward, complemented
    char homBase[2] = {0, 0}, hetBase[2] = {0, 0};
    float probability = 0;
    char genotype = 0;
    char variantBase = 0;
};

#endif

// The reads of one sample (source) at the column being scored, and the
// sample's genotype there.
#ifndef DETECTOR_SOURCE_H
#define DETECTOR_SOURCE_H

#include <vector>

#include "slist.h"
#include "str.h"

class Sequence;

// The reads are the contig's: the list holds them without owning them.
class Source : public SList<Sequence> {
    friend class ModelInspector;  // the tests' view of the totals

public:
    // List nodes kept for reuse (by the column, which deletes them).
    using Nodes = std::vector<SLink<Sequence>*>;

    // A Source of one read; with grouping on (`idChar` not 0) its source ID
    // is the read's, cut by the two settings. With `nodes`, the list takes
    // its nodes from there and gives them back when reset.
    Source(Sequence* read, char idChar, long idPos, Nodes* nodes = nullptr) { Start(read, idChar, idPos, nodes); }
    // A Source taken from the column's pool starts again with a first read.
    void Start(Sequence* read, char idChar, long idPos, Nodes* nodes = nullptr);

    using SList<Sequence>::Append;
    void Append(Sequence* read) override;
    void Reset() override;

    // True, and the read taken in, when the read belongs to this sample.
    bool Match(Sequence* read);
    // Combines the reads' scores strand by strand; the expected variant
    // allele fraction of the sample.
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
    Nodes* spareNodes = nullptr;
    Str sourceID;
    long sourceIDPos = 0;
    float homTotal = 0, hetTotal = 0;
    float homWeight = 0, hetWeight = 0;  // e^total, then the posteriors
    float maxHom[2] = {0, 0}, maxHet[2] = {0, 0};  // forward, complemented
    char homBase[2] = {0, 0}, hetBase[2] = {0, 0};
    float probability = 0;
    char genotype = 0;
    char variantBase = 0;
};

#endif

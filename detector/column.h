// The Sources of the column being scored: reads grouped by sample, the SNP
// probability of the column, the second allele and the genotypes written
// back into the reads.
#ifndef DETECTOR_COLUMN_H
#define DETECTOR_COLUMN_H

#include <string>
#include <unordered_map>
#include <vector>

#include "slist.h"
#include "source.h"

class Parameters;
class Sequence;

// What the genotype model takes of one read at one column: the read's
// log-odds there (Phase4), its strand and its variant base
// (Sequence::GetSecondBase).
struct ColumnSite {
    enum : unsigned char { complemented = 1, storesSecondary = 2 };
    // The read stands at its site, after Phase4; `number` is its place in
    // the column's reads (Column::SetReads).
    static ColumnSite Of(Sequence& read, int number);

    float het;
    float hom;
    int read;
    char secondBase;
    unsigned char flags;  // complemented; storesSecondary: GetSecondBase stores an upper-cased secondary
};

// A column owns its Sources. Between columns Clear keeps them in a pool for
// the next column instead of deleting them.
class Column : public SList<Source> {
public:
    Column() {}
    ~Column() override;

    // Sample grouping and the SNP type; forgets the reads.
    void SetParameters(Parameters& parameters);
    // The contig's valid reads in list order, numbered by their place there,
    // with their sample keys worked out once for every column.
    void SetReads(std::vector<Sequence*> const& contigReads);
    // Puts a read, standing at its site after Phase4, into the first Source
    // (in the order they were made) of its sample, or into a new Source.
    void AddSequence(Sequence* read);
    // The same for a site gathered ahead of the column (SiteWindow): the
    // read is set to the column only where its secondary is stored.
    void AddSite(ColumnSite const& site, long column);
    // The column's SNP probability; sets every Source's genotype.
    float GetProbability();
    // The second allele; writes the genotypes into the reads, which stand at
    // the column. After GetProbability.
    char GetSecondBase(char consensus);
    // Every read homozygous for the letter.
    void SetConsensusBase(char consensus);

    void Clear() override;
    using SList<Source>::Append;
    void Append(Source* source) override;

private:
    // The sample texts a read can match, as key numbers: its own source ID
    // and, in delimiter mode, every other delimited text of its name; with
    // positions, the shorter IDs (of names that end early) it starts with.
    struct ReadKeys {
        long version = -1;
        long own = -1;  // -1: an empty ID, the read's Source accepts nobody
        std::vector<long> others;
    };
    long Number(Sequence* read);
    ReadKeys const& KeysOf(long number);
    long Intern(std::string const& id);
    // Appends the read to its Source; true where it raised a strand maximum.
    bool Take(Sequence* read, ColumnSite const& site);
    // Mean expected variant fraction of the Sources, at least 0.05; 0 for
    // a column without Sources.
    float Frequency();

    char sourceIDChar = 0;
    long sourceIDPos = 0;
    signed char snpFlag = 0;
    bool hetOnly = false;

    std::vector<Source*> pool;   // Sources of earlier columns, for reuse
    std::vector<SLink<Source>*> spareNodes;  // list nodes for reuse
    Source::Nodes sourceNodes;               // the Sources' list nodes for reuse
    std::vector<Source*> made;   // this column's Sources in the order made
    std::unordered_map<std::string, long> keyNumbers;
    std::vector<long> keySource;  // per key: index in `made`, or -1
    std::vector<long> usedKeys;   // keys given a Source in this column
    std::vector<bool> shortLength = std::vector<bool>(128, false);  // lengths of IDs cut short by their name
    long keyVersion = 0;            // raised when such an ID appears
    std::vector<Sequence*> reads;   // by number
    std::vector<ReadKeys> readKeys;  // by number
    std::unordered_map<Sequence const*, long> readNumbers;
};

#endif

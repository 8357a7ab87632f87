// The assembly model: the Assembly (every contig) and each Contig with its
// reads, consensus and reference, per-column arrays and site lists.
#ifndef DETECTOR_CONTIG_H
#define DETECTOR_CONTIG_H

#include <vector>

#include "column.h"
#include "markedsite.h"
#include "sequence.h"
#include "slist.h"
#include "str.h"
#include "vector.h"

class Parameters;
class Progress;
class SiteWindow;

// One contig; it owns its reads.
class Contig : public SList<Sequence> {
    friend class ModelInspector;  // the tests' view of the arrays

public:
    Contig() {}
    ~Contig() override;

    // Detection on this contig: trimming, consensus re-call, peak
    // normalisation, repeats, SNP sites with read genotypes, manual sites,
    // indels.
    void Process(Parameters& parameters);

    // Upper-cases the text in place and makes it the column text; sizes and
    // zeroes the per-column arrays.
    void SetConsensusSequence(Str& text);
    // Sorts the read nodes after `before` up to `end` (exclusive) by name.
    // A stable sort (reads of equal names keep their order), not a
    // quicksort: the name is kept as the model's interface has it.
    void QuickSort(SLink<Sequence>* before, SLink<Sequence>* end);
    // Runs of equal coverage for the report, in column order: first
    // position, coverage, last position of each run.
    void GetCoverage(Vector<long>& runs);

    Str GetName() const { return consensus.GetName(); }
    bool IsValid() const { return length > 1; }
    long GetColumnCount() const { return columnCount; }
    TextSequence* GetConsensusSequence() { return &consensus; }
    TextSequence* GetReferenceSequence() { return &reference; }
    // The per-column arrays that the read phases read and add into: the
    // column text, the four strand sums (then means) and the four counts
    // (first the votes, then the number of heights in each sum).
    char const* GetColumnBases() const { return columnBases; }
    double* GetStrandMeans(int k) { return strandMeans[k]; }
    long* GetBaseCounts(int k) { return baseCounts[k]; }
    // Letter of the column text, 0 outside the contig.
    char GetColumnBase(long column) const {
        return column >= 0 && column < columnCount ? columnBases[column] : 0;
    }

    // Site lists: Start puts the list's cursor before its first site, Get
    // steps to the next site (null after the last).
    void StartSnpSites() { snpSites.Begin(); }
    SnpSite* GetSnpSite() { return static_cast<SnpSite*>(snpSites.GetNext()); }
    void StartIndelSites() { indelSites.Begin(); }
    MarkedSite* GetIndelSite() { return indelSites.GetNext(); }
    void StartRepeatSites() { repeatSites.Begin(); }
    RepeatSite* GetRepeatSite() { return static_cast<RepeatSite*>(repeatSites.GetNext()); }
    void StartManualIndels() { manualIndels.Begin(); }
    ManualSite* GetManualIndel() { return static_cast<ManualSite*>(manualIndels.GetNext()); }
    void StartVerifiedSites() { verifiedSites.Begin(); }
    ManualSite* GetVerifiedSite() { return static_cast<ManualSite*>(verifiedSites.GetNext()); }
    void StartManualGenotypes() { manualGenotypes.Begin(); }
    ManualGenotype* GetManualGenotype() { return static_cast<ManualGenotype*>(manualGenotypes.GetNext()); }
    // The first site of a column wins in these three lists...
    void AddManualIndel(MarkedSite* site) { manualIndels.Collate(site); }
    void AddVerifiedSite(MarkedSite* site) { verifiedSites.Collate(site); }
    void AddManualSite(MarkedSite* site) { manualSites.Collate(site); }
    // ...while every manual genotype is kept, several at one column included.
    void AddManualGenotype(MarkedSite* site) { manualGenotypes.Store(site); }

private:
    // The repeat region the SNP pass is in or comes to next; none is
    // [columnCount, columnCount].
    struct RepeatRegion {
        long start;
        long end;
    };

    // The steps of Process, in their order.
    bool ChoosePositionSequence(int referenceFlag);
    void TrimReads(int qualityLimit, int window, Progress& progress);
    void RecallConsensus();
    void NormaliseReads(Progress& progress);
    RepeatRegion FindRepeats(int mode);
    std::vector<SnpSite*> ScanSnpColumns(float limit, int referenceFlag, bool compare, RepeatRegion repeat,
                                         Progress& progress);
    void ScoreManualSites(std::vector<SnpSite*>& siteAt);
    void ReleasePhaseArrays();
    void FindIndels(Progress& progress);
    // Parts of the SNP pass: whether the column is inside the repeat
    // region; whether it is scored (the consensus, and the reference when
    // one is asked for, has a base other than N there; the consensus then
    // stands at the column); the site a scored column gives.
    bool InRepeat(long column, RepeatRegion& region);
    bool IsScored(long column, int referenceFlag);
    SnpSite* ScoreColumn(long column, SiteWindow& sites, float limit, bool inRepeat, bool compare);
    // The column of a read's heterozygous indel: from `divergence` bases
    // away from the candidate column (toward lower columns for a
    // complemented read) back toward it, the first column where the read has
    // a base, else the last one tried; the candidate itself for a divergence
    // of 0. It becomes the read's current column; 0 when it lies outside the
    // contig.
    long HetIndelColumn(Sequence* read, long candidate, long divergence);

    TextSequence consensus;  // named after the contig
    TextSequence reference;  // the reference read's bases, if the contig has one
    TextSequence* positionSequence = &consensus;  // sequence whose positions are reported
    char* columnBases = nullptr;  // columnCount + 1 bytes
    long columnCount = 0;
    double* strandMeans[4] = {nullptr, nullptr, nullptr, nullptr};
    long* baseCounts[4] = {nullptr, nullptr, nullptr, nullptr};
    // Sources scored at each column by the SNP pass; apart from the counts,
    // which the scoring of manual sites after that pass still reads.
    long* coverage = nullptr;
    Column column;  // the Sources of the column being scored
    MarkedSites snpSites;
    MarkedSites indelSites;
    MarkedSites verifiedSites;
    MarkedSites manualSites;
    MarkedSites manualIndels;
    MarkedSites manualGenotypes;
    MarkedSites repeatSites;
};

// Every contig of the assembly, by read count descending, then by name.
class Assembly : public SList<Contig> {
public:
    Assembly() {}
    ~Assembly() override { Clear(); }

    // Processes every contig in list order.
    void Process(Parameters& parameters);
};

#endif

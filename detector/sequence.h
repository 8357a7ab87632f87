// The sequences of a contig: TextSequence (consensus and reference read,
// bases only) and Sequence (one read with its trace data), and SiteData, the
// record in which the PHD and POLY readers hand one base to a read.
//
// Coordinates: a column is a 0-based index into the contig's padded
// alignment; a position is a 1-based index into the unpadded bases in
// alignment orientation. A position map entry holds, for each padded index,
// the position of the base there or, for a pad, minus the position of the
// base before it (0 before the first base).
#ifndef DETECTOR_SEQUENCE_H
#define DETECTOR_SEQUENCE_H

#include "basechannel.h"
#include "str.h"

class Contig;
class MarkedSites;


// Peak flags of a read position, set by Phase2.
enum PeakFlag {
    CleanSecondary = 0x01,       // a secondary weak against the call: half its amplitude, area ratio below 0.5
    StrongSecondary = 0x02,      // a secondary of amplitude 300 or more remains
    SwappedCall = 0x04,          // the call was swapped to the consensus base
    WeakConsensus = 0x08,        // the call differs from the consensus, whose channel is weak
    BackgroundSecondary = 0x10,  // the secondary is no stronger than its channel at the neighbours
    ChangedCall = SwappedCall | WeakConsensus,  // the call was changed or is in doubt
};
// A background secondary letter is kept in lower case: this bit set.
char const BackgroundMark = 0x20;

// Genotype codes of a read position, written by SetGenotype. The codes of
// the two variant genotypes are also the bits of the SNP types that call
// them (SnpMode).
enum GenotypeCode {
    HomozygousReference = 0,  // homozygous for the consensus base
    HomozygousVariant = 1,    // homozygous for the variant base
    Heterozygous = 2,
    ChangedReference = 4,     // homozygous for the consensus base, where the read's call was changed
    ChangedVariant = 5,       // homozygous variant, where the read's own changed evidence disagrees
};

// Kinds of a read's indel.
enum IndelKind {
    HomozygousIndel = 0,    // a run of pads in the read
    HeterozygousIndel = 2,  // the trace turns mixed past the indel
};

// The values of one base as a PHD or a POLY line gives them.
struct SiteData {
    char base;                 // PHD base letter, or the POLY uncalled letter
    long peakPosition;         // PHD peak position, or the uncalled peak's position
    long quality;              // PHD quality
    float calledArea;
    float uncalledArea;
    long channelAmplitudes[4];  // A, C, G, T
    // Base 'N', every number 0.
    void Clear();
};

// A plain aligned sequence: bases and their position map.
class TextSequence {
    friend class ModelInspector;  // the tests' view of the arrays

public:
    TextSequence() {}
    ~TextSequence();
    TextSequence(TextSequence const&) = delete;
    TextSequence& operator=(TextSequence const&) = delete;

    void SetAttributes(Str const& name, long offset, bool complement);
    // Upper-cases the text in place, then builds the sequence from it.
    void SetSequence(Str& text);
    // From a padded text: '*' is a pad, letters other than A, C, G and T
    // become 'N' (no case change).
    void SetSequence(char const* text, long count);

    // Site tests for a column; both set the current position. IsSite is true
    // on any base, IsValidSite on a base other than 'N'.
    bool IsSite(long column);
    bool IsValidSite(long column);
    char GetBase() const { return bases[currentPosition]; }
    // The current position in the sequence's own orientation.
    long GetSequencePosition() const;
    // Position of a column in the sequence's own orientation, a pad giving
    // the base before it in that orientation; 0 outside the sequence.
    long GetSequencePosition(long column) const;
    // Column of the base `step` positions away from the base at a column; 0
    // when there is none (the last base is never returned).
    long GetAlignedPosition(long column, long step) const;
    // The `width` bases before the first column and after the second,
    // blank-filled where the sequence ends.
    void GetFlankingSequence(Str& left, Str& right, long first, long second, int width) const;
    // Bases from the first column through the second; a pad column at the
    // start gives the base after it, at the end the base before it.
    void GetIndelSequence(Str& text, long first, long second) const;
    // 200 bases from the base at a column, forward or backward.
    bool GetIndelSegment(Str& text, long column, char reverse) const;
    // Microsatellites (units of 1 to 6 bases): one RepeatSite per region.
    void RepeatSearch(MarkedSites& sites) const;

    Str GetName() const { return name; }
    long GetLength() const { return length; }
    bool IsValid() const { return bases != nullptr; }

private:
    // Padded index of a column, or -1 outside the sequence.
    long IndexOf(long column) const;
    void Free();

    Str name;
    char* bases = nullptr;       // 1-based, length + 2 entries
    long* positionMap = nullptr;  // paddedLength entries
    long length = 0;
    long paddedLength = 0;
    long offset = 0;
    bool complement = false;
    long currentPosition = 0;
};

// One read of a contig. Per-base arrays have n + 2 entries, indexed by the
// unpadded position 1..n; they start zeroed, so bases that no PHD or POLY
// line reaches hold zeros. Integers per base are 32 bits wide.
class Sequence {
    friend class ModelInspector;  // the tests' view of the arrays

public:
    Sequence() {}
    ~Sequence();
    Sequence(Sequence const&) = delete;
    Sequence& operator=(Sequence const&) = delete;

    // Set by the ACE reader, in this order.
    void SetAttributes(Str const& name, long offset, bool complement);
    void SetSequence(Str const& text);  // padded bases, alignment orientation
    void SetQualityLimits(long left, long right);  // padded, 1-based
    void SetPhdFile(Str const& file) { phdFile = file; }
    // Set by the PHD and POLY readers.
    void SetPhdHeader(Str const& header) { phdHeader = header; }
    void SetPhdTags(Str const& tags) { phdTags = tags; }
    void SetPhdSite(int line, SiteData const& data);   // PHD line, trace order
    void SetPolySite(int position, SiteData const& data);  // alignment orientation
    void SetValid(bool isValid) { valid = isValid; }

    // The working arrays of the read phases exist only while a contig is
    // analysed: Allocate makes the normalised heights and the second
    // local-variance array (zeroed), which Phase3 turns into the site
    // log-odds; Free releases whatever is left.
    void AllocatePhaseArrays();
    void FreePhaseArrays();

    // The read phases, run by the contig's pipeline in this order. Phase1
    // trims the read by quality and casts its votes for the consensus
    // re-call into the contig's count arrays; Phase2 settles the secondary
    // peaks, aligns the calls with the re-called consensus and adds the
    // normalised peak heights into the contig's strand sums (and releases
    // the four channel amplitudes, which nothing reads afterwards); Phase3
    // takes the column means off, computes the local variances and from them
    // the log-odds of every site; Phase4 gives those of the current site (the
    // column of the last IsValidSite).
    void Phase1(Contig* owner, int qualityLimit, int window);
    void Phase2();
    void Phase3();
    void Phase4();
    // out[u], for u = 1..n: the mean of `values` over the `count` nearest
    // positions on each side of u whose letter is `base` (u excluded); the
    // mean over the whole read when fewer than `count` positions have it.
    void AverageByBase(float* out, float const* values, char const* letters, char base, int count) const;

    Str GetName() const { return name; }
    Str GetPhdFile() const { return phdFile; }
    Str GetPhdHeader() const { return phdHeader; }
    Str GetPhdTags() const { return phdTags; }
    long GetLength() const { return length; }
    bool GetComplement() const { return complement; }
    bool IsValid() const { return valid; }
    int GetAverageQuality() const { return averageQuality; }
    // Columns the read covers, set by Phase1: the first and one past the last.
    long GetFirstColumn() const { return firstColumn; }
    long GetEndColumn() const { return endColumn; }
    // Usable region in trace orientation.
    long GetLeftLimit() const;
    long GetRightLimit() const;

    // Sample identifier cut from the name. In delimiter mode (start < 0)
    // the first argument is the delimiter, and the identifier the text from
    // its first occurrence through the next one; otherwise it is the
    // identifier's length, taken from `start`.
    Str GetSourceID(char delimiterOrLength, long start) const;
    // With start < 0 the name contains the identifier, else it holds it
    // from `start`.
    bool IsSameSource(Str const& id, long start) const;

    // Site tests for a column; both set the current site that the per-column
    // operations below work on.
    bool IsSite(long column);
    bool IsValidSite(long column);
    long GetSequencePosition() const;  // current position, trace orientation
    long GetAlignedPosition(long position) const;  // column of a position
    long GetCoordinate(long position) const;       // peak position of a position
    void GetPhdData(long line, char& base, long& quality, long& position) const;
    void SetGenotype(char consensus, char variant, char genotype, float probability);
    int GetGenotype() const { return genotypes[currentPosition]; }
    void GetGenotype(char& first, char& second) const {
        first = calls[currentPosition];
        second = secondaries[currentPosition];
    }
    int GetScore() const;
    void GetScores(float& het, float& hom) const {
        het = hetScore;
        hom = homScore;
    }
    // The variant base the read proposes at the current site: its call where
    // that differs from the column's consensus letter, else its secondary
    // letter, a background secondary upper-cased and stored so.
    char GetSecondBase();
    // The same base without the store; `stores` tells whether GetSecondBase
    // would store it.
    char PeekSecondBase(bool& stores) const;
    bool IsIndelSite(long column) const { return indelColumn == column; }
    // Column of a heterozygous-indel candidate (the trace turns mixed past
    // the quality limit), or 0.
    long CheckHetIndel() const;
    // Column of the base before the first run of three or more pads, which
    // becomes the read's homozygous indel; else the unchanged indel column.
    long CheckHomIndel();
    // The read's called and mixed 80-base strings from a column, running
    // away from the indel in trace direction; false where they do not fit.
    bool GetIndelSegments(Str& called, Str& mixed, long column) const;
    // The read's indel record: a heterozygous indel of `size` bases at the
    // current column.
    void SetIndel(int size);
    // True when the read has an indel within 14 bases of the column; the
    // current site is then the indel's base.
    bool IsNearIndel(long column);
    // The indel's position in trace orientation, its length and its kind
    // (IndelKind).
    void GetIndel(long& position, long& indelSize, char& kind) const;

private:
    void Free();
    // The trimming of Phase1: narrows the limits; false when the read fails.
    bool Trim(int qualityLimit, int window);
    // The steps of Phase2, in their order.
    void SettleSecondaries();
    void AlignCallsWithConsensus();
    void MarkBackgroundSecondaries();
    void TakeLogHeights();
    void NormaliseByBase();
    void CorrectSecondaryContext();
    void AddToStrandSums();
    // End of Phase3: the log-odds of every valid site go into the score
    // arrays and the heights are released; Phase4 then reads the current
    // site's pair.
    void ScoreSites();
    void ScoreSite(long column, long u, float& het, float& hom) const;
    void FreeHeights();

    // What the per-column work reads of every read comes first, so that a
    // column costs each read few cache lines.
    int* positionMap = nullptr;  // paddedLength entries
    char* calls = nullptr;
    char* secondaries = nullptr;
    float* hetScores = nullptr;  // log-odds per position, from Phase3 on
    float* homScores = nullptr;
    long offset = 0;
    long paddedLength = 0;
    long leftLimit = 1;
    long rightLimit = 0;
    long currentColumn = 0;
    long currentPosition = 0;
    float hetScore = 0;
    float homScore = 0;
    Contig* contig = nullptr;  // set by the read phases; not owned
    char const* columnBases = nullptr;  // the contig's masked consensus letters
    bool complement = false;
    bool valid = true;

    Str name;
    Str phdFile;
    Str phdHeader;
    Str phdTags;
    long length = 0;
    signed char* qualities = nullptr;  // capped, alignment orientation
    int* amplitudes[4] = {nullptr, nullptr, nullptr, nullptr};  // A, C, G, T
    int* primaryAmplitude = nullptr;
    int* secondaryAmplitude = nullptr;
    float* primaryHeight = nullptr;
    float* primaryHeightAsSecondary = nullptr;
    float* secondaryHeight = nullptr;
    float* secondaryHeightAsPrimary = nullptr;
    float* primaryLocal = nullptr;  // holds the genotype probability once genotyped
    float* secondaryLocal = nullptr;
    float* areaRatio = nullptr;
    char* flags = nullptr;
    char* genotypes = nullptr;
    char* phdBases = nullptr;     // trace order
    int* phdQualities = nullptr;  // as read, trace order
    int* peakPositions = nullptr;  // trace order; [0] = 0, [n + 1] = 50000
    long firstColumn = 0;
    long endColumn = 0;
    long indelColumn = 0;
    long indelLength = 0;
    char indelKind = HomozygousIndel;
    char averageQuality = 0;
    // The contig's called and secondary sums (then means) of the read's
    // strand with their counts (not owned).
    double* calledMeans = nullptr;
    double* secondaryMeans = nullptr;
    long* calledCounts = nullptr;
    long* secondaryCounts = nullptr;
};

#endif

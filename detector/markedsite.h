// Site records of a contig and the position-ordered list that keeps them.
#ifndef DETECTOR_MARKEDSITE_H
#define DETECTOR_MARKEDSITE_H

#include "slist.h"
#include "str.h"

// Score 0..99 of a probability: 100 p, lowered to 99.9, truncated toward
// zero. Sites and read genotypes share this rule. A value that is no
// probability (below 0, or not a number) scores 0.
inline int ProbabilityScore(float probability) {
    float score = static_cast<float>(100.0 * probability);
    if (score > 99.9f) score = 99.9f;
    if (!(score > 0)) return 0;
    return static_cast<int>(score);
}

// A site at one alignment column; indel sites use the bare record. The
// destructor is virtual because a list deletes its sites through this type.
class MarkedSite {
public:
    explicit MarkedSite(long position) : position(position) {}
    virtual ~MarkedSite() {}
    long GetPosition() const { return position; }

protected:
    long position;
};

class SnpSite : public MarkedSite {
public:
    // The two letters are stored with the smaller one first.
    SnpSite(long position, float probability, char allele1, char allele2);
    // Marks the site as one the user placed; the argument tells whether the
    // scan detected it too, so SetManual(false) means manual and not
    // detected (the name is kept as the model's interface has it).
    void SetManual(bool detected);
    bool IsDetected() const { return detected; }
    bool IsManual() const { return manual; }
    void GetGenotype(char& first, char& second) const {
        first = allele1;
        second = allele2;
    }
    int GetScore() const { return ProbabilityScore(probability); }

private:
    float probability;
    char allele1;
    char allele2;
    bool detected;
    bool manual;
};

// A microsatellite region and the length of its repeated unit (1 to 6).
class RepeatSite : public MarkedSite {
public:
    RepeatSite(long start, long end, long unit) : MarkedSite(start), endPosition(end), unitLength(unit) {}
    void GetPositions(long& start, long& end) const {
        start = position;
        end = endPosition;
    }
    void GetRepeat(long& start, long& end, long& unit) const {
        start = position;
        end = endPosition;
        unit = unitLength;
    }

private:
    long endPosition;
    long unitLength;
};

// A consensus tag of the user: its columns, type and comment.
class ManualSite : public MarkedSite {
public:
    ManualSite(long start, long end, Str const& tagName, Str const& comment)
        : MarkedSite(start), endPosition(end), tagName(tagName), comment(comment) {}
    void GetPositions(long& start, long& end) const {
        start = position;
        end = endPosition;
    }
    Str GetTagName() const { return tagName; }
    Str GetComment() const { return comment; }
    bool HasComment() const { return comment.HasContent(); }

private:
    long endPosition;
    Str tagName;
    Str comment;
};

// A read tag of the user that fixes the read's genotype at one column.
class ManualGenotype : public MarkedSite {
public:
    ManualGenotype(long column, long readPosition, Str const& readName, Str const& tagName, Str const& comment)
        : MarkedSite(column), readPosition(readPosition), readName(readName), tagName(tagName), comment(comment) {}
    long GetSeqPosition() const { return readPosition; }
    Str GetName() const { return readName; }
    Str GetTagName() const { return tagName; }
    Str GetComment() const { return comment; }
    bool HasComment() const { return comment.HasContent(); }

private:
    long readPosition;  // unpadded read position the tag names
    Str readName;
    Str tagName;
    Str comment;
};

// Sites in ascending position; the list owns them. Insertions start from
// the last insertion point when the new site lies at or after it, so sites
// that arrive in order cost no walk from the head.
class MarkedSites : public SList<MarkedSite> {
public:
    MarkedSites() {}
    ~MarkedSites() override { Clear(); }

    // Inserts in order; a site at a position already held is deleted, so
    // the first site of a position wins. The pointer is not to be used after.
    void Collate(MarkedSite* site);
    // Inserts after every site at the same or a smaller position.
    void Store(MarkedSite* site);
    // The first site at the position, or null.
    MarkedSite* GetSite(long position) const;

    void Clear() override;
    void Reset() override;
    MarkedSite* Remove() override;
    using SList<MarkedSite>::Remove;

private:
    // The node to start an insertion walk from for a site at `position`.
    SLink<MarkedSite>* StartFor(long position) const;

    SLink<MarkedSite>* lastInsert = nullptr;
};

#endif

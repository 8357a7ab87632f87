// The per-contig pipeline: read order, trimming and votes, the consensus
// re-call, peak normalisation, repeats, the SNP pass with its coverage, the
// manual SNP sites and the indel pass.
#include <iostream>
#include <vector>

#include "alignment.h"
#include "contig.h"
#include "parameters.h"
#include "progress.h"
#include "sitewindow.h"

void Assembly::Process(Parameters& parameters) {
    Begin();
    while (Contig* contig = GetNext()) contig->Process(parameters);
}

// The steps run in this order; each step's comment gives what it leaves for
// the next.
void Contig::Process(Parameters& parameters) {
    float limit = static_cast<float>(parameters.GetScoreLimit() / 100.0);
    int referenceFlag = parameters.GetRefFlag();
    bool compare = ChoosePositionSequence(referenceFlag);
    column.SetParameters(parameters);
    std::cerr << "Processing the contig " << GetName() << std::endl;
    QuickSort(head, nullptr);
    Progress progress;
    progress.Set(3 * Length(), 100.0);  // a step per read in each of the three read phases
    progress.Begin();
    TrimReads(parameters.GetQualityLimit(), parameters.GetWindow(), progress);
    RecallConsensus();
    NormaliseReads(progress);
    RepeatRegion repeat = FindRepeats(parameters.DoRepeats());
    std::vector<SnpSite*> siteAt = ScanSnpColumns(limit, referenceFlag, compare, repeat, progress);
    ScoreManualSites(siteAt);
    ReleasePhaseArrays();
    if (parameters.DoIndel()) FindIndels(progress);
}

// The reference gives the positions when one is asked for and the contig
// has one; true when its bases are also to be compared with the consensus.
bool Contig::ChoosePositionSequence(int referenceFlag) {
    positionSequence = &consensus;
    if (referenceFlag == NoReference || !reference.IsValid()) return false;
    positionSequence = &reference;
    return referenceFlag == CompareReference;
}

// Phase1 on every read: the usable regions, and the votes for the re-call
// in the four count arrays.
void Contig::TrimReads(int qualityLimit, int window, Progress& progress) {
    Begin();
    while (Sequence* read = GetNext()) {
        read->Phase1(this, qualityLimit, window);
        progress.Next();
    }
}

// The letter with most votes, the earlier of A, C, G, T on ties, N without
// votes; pads stay. The re-called text becomes the consensus sequence, and
// then its N and pads are masked to 0 for the read phases.
void Contig::RecallConsensus() {
    for (long i = 0; i < columnCount; ++i) {
        if (columnBases[i] == '*') continue;
        char letter = 'N';
        long best = 0;
        for (int c = 0; c < 4; ++c)
            if (baseCounts[c][i] > best) {
                best = baseCounts[c][i];
                letter = ChannelLetters[c];
            }
        columnBases[i] = letter;
    }
    consensus.SetSequence(columnBases, columnCount);
    for (long i = 0; i < columnCount; ++i)
        if (columnBases[i] == 'N' || columnBases[i] == '*') columnBases[i] = 0;
}

// Phase2 on every read adds its heights into the zeroed strand sums, which
// become means where the consensus has a base; Phase3 takes the means off
// and leaves every read its site log-odds.
void Contig::NormaliseReads(Progress& progress) {
    for (int k = 0; k < 4; ++k)
        for (long i = 0; i < columnCount; ++i) {
            strandMeans[k][i] = 0;
            baseCounts[k][i] = 0;
        }
    Begin();
    while (Sequence* read = GetNext()) {
        if (read->IsValid()) read->AllocatePhaseArrays();
        read->Phase2();
        progress.Next();
    }
    for (long i = 0; i < columnCount; ++i) {
        if (!consensus.IsValidSite(i)) continue;
        for (int k = 0; k < 4; ++k)
            if (baseCounts[k][i] != 0) strandMeans[k][i] /= baseCounts[k][i];
    }
    Begin();
    while (Sequence* read = GetNext()) {
        read->Phase3();
        progress.Next();
    }
}

// The microsatellites of the consensus. When they cap the SNP pass, its
// first region is the first one whose start is not negative (or the last
// one, when none is), and the list's cursor stands after it.
Contig::RepeatRegion Contig::FindRepeats(int mode) {
    RepeatRegion region{columnCount, columnCount};
    if (mode != RepeatsOff) consensus.RepeatSearch(repeatSites);
    if (mode == RepeatsCapped) {
        StartRepeatSites();
        while (RepeatSite* site = GetRepeatSite()) {
            site->GetPositions(region.start, region.end);
            if (region.start >= 0) break;
        }
    }
    return region;
}

// A column past the region makes the next region of the list current, from
// the next column on.
bool Contig::InRepeat(long i, RepeatRegion& region) {
    if (i < region.start) return false;
    if (i <= region.end) return true;
    if (RepeatSite* next = GetRepeatSite())
        next->GetPositions(region.start, region.end);
    else
        region.start = region.end = columnCount;
    return false;
}

bool Contig::IsScored(long i, int referenceFlag) {
    return consensus.IsValidSite(i) && (referenceFlag == NoReference || reference.IsValidSite(i));
}

// Every column scored, its site recorded and its coverage (the number of
// its Sources) stored; returns the site recorded at each column.
std::vector<SnpSite*> Contig::ScanSnpColumns(float limit, int referenceFlag, bool compare, RepeatRegion repeat,
                                             Progress& progress) {
    std::cerr << "Searching for SNPs" << std::endl;
    progress.Set(columnCount, 100.0);
    progress.Begin();
    std::vector<SnpSite*> siteAt(columnCount > 0 ? columnCount : 0, nullptr);
    std::vector<Sequence*> reads;  // the valid reads, in list order
    Begin();
    while (Sequence* read = GetNext())
        if (read->IsValid()) reads.push_back(read);
    column.SetReads(reads);
    std::vector<char> scored(columnCount > 0 ? columnCount : 0);
    for (long i = 0; i < columnCount; ++i) scored[i] = IsScored(i, referenceFlag);
    SiteWindow sites(reads, scored);
    for (long i = 0; i < columnCount; ++i) {
        progress.Next();
        bool inRepeat = InRepeat(i, repeat);
        column.Clear();
        if (IsScored(i, referenceFlag)) siteAt[i] = ScoreColumn(i, sites, limit, inRepeat, compare);
        coverage[i] = column.Length();
    }
    return siteAt;
}

// A SNP where the probability reaches the limit (capped at it inside a
// repeat); in a reference comparison also a column where the consensus
// differs from the reference and is itself likely enough: every read is
// then homozygous for the consensus. Returns the site, null for none.
SnpSite* Contig::ScoreColumn(long i, SiteWindow& sites, float limit, bool inRepeat, bool compare) {
    char b = consensus.GetBase();
    sites.MoveTo(i);
    for (long k = 0; k < sites.Count(); ++k) column.AddSite(sites.Site(k), i);
    float p = column.GetProbability();
    if (inRepeat && p > limit) p = limit;
    SnpSite* site = nullptr;
    if (p >= limit) {
        sites.PlaceReads();
        char s = column.GetSecondBase(b);
        site = new SnpSite(i, p, b, s);
    } else if (compare && reference.IsValidSite(i) && reference.GetBase() != b && 1 - p >= limit) {
        sites.PlaceReads();
        column.SetConsensusBase(b);
        site = new SnpSite(i, 1 - p, b, reference.GetBase());
    }
    if (site) snpSites.Append(site);  // columns come in ascending order
    return site;
}

// A manual site where the scan found a SNP marks it; elsewhere the column is
// scored as it is, whatever its probability, and added as a site that is
// manual only.
void Contig::ScoreManualSites(std::vector<SnpSite*>& siteAt) {
    manualSites.Begin();
    while (MarkedSite* manual = manualSites.GetNext()) {
        long p = manual->GetPosition();
        if (p >= 0 && p < columnCount && siteAt[p]) {
            siteAt[p]->SetManual(true);  // manual, and detected
            continue;
        }
        if (!consensus.IsValidSite(p)) continue;
        column.Clear();
        char b = consensus.GetBase();
        Begin();
        while (Sequence* read = GetNext()) {
            if (!read->IsValidSite(p)) continue;
            read->Phase4();
            column.AddSequence(read);
        }
        float probability = column.GetProbability();
        char s = column.GetSecondBase(b);
        siteAt[p] = new SnpSite(p, probability, b, s);
        siteAt[p]->SetManual(false);  // manual, not detected
        snpSites.Collate(siteAt[p]);
    }
}

// The indel pass reads none of the read phases' working arrays.
void Contig::ReleasePhaseArrays() {
    column.Clear();
    Begin();
    while (Sequence* read = GetNext()) read->FreePhaseArrays();
}

// Each read's heterozygous indel, sized by the double alignment, else its
// homozygous one; one indel site per column.
void Contig::FindIndels(Progress& progress) {
    Alignment alignment;
    Str segment(200L), called(80L), mixed(80L);
    std::cerr << "Searching for insertion / deletion sites." << std::endl;
    indelSites.Clear();
    progress.Set(Length(), 100.0);
    progress.Begin();
    std::vector<bool> isIndelSite(columnCount > 0 ? columnCount : 0, false);
    Begin();
    while (Sequence* read = GetNext()) {
        progress.Next();
        long pos = 0;
        long h = read->CheckHetIndel();
        if (h != 0 && positionSequence->GetIndelSegment(segment, h, read->GetComplement()) &&
            read->GetIndelSegments(called, mixed, h)) {
            long size = alignment.DoubleAlignment(segment, called, mixed);
            if (size != 0) pos = HetIndelColumn(read, h, alignment.GetPosition());
            if (pos != 0) read->SetIndel(static_cast<int>(size));
        }
        if (pos == 0) pos = read->CheckHomIndel();
        if (pos <= 0 || pos >= columnCount || isIndelSite[pos]) continue;
        isIndelSite[pos] = true;
        indelSites.Collate(new MarkedSite(pos));
    }
}

long Contig::HetIndelColumn(Sequence* read, long candidate, long divergence) {
    long k = read->GetComplement() ? -divergence : divergence;
    long column = candidate;
    for (; k != 0; k += k > 0 ? -1 : 1) {
        long at = positionSequence->GetAlignedPosition(candidate, k);
        if (at <= 0 || at >= columnCount) continue;  // no base there
        column = at;
        if (read->IsSite(at)) break;
    }
    if (column <= 0 || column >= columnCount) return 0;
    read->IsSite(column);  // the read records its indel at its current column
    return column;
}

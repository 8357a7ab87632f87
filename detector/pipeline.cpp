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

void Contig::Process(Parameters& parameters) {
    float limit = static_cast<float>(parameters.GetScoreLimit() / 100.0);
    int window = parameters.GetWindow();
    int quality = parameters.GetQualityLimit();
    int referenceFlag = parameters.GetRefFlag();
    int repeats = parameters.DoRepeats();

    // 1-5. Positions, settings, read order, progress.
    positionSequence = &consensus;
    bool referenceComparison = false;
    if (referenceFlag != NoReference && reference.IsValid()) {
        positionSequence = &reference;
        referenceComparison = referenceFlag == CompareReference;
    }
    column.SetParameters(parameters);
    std::cerr << "Processing the contig " << GetName() << std::endl;
    QuickSort(head, nullptr);
    Progress progress;
    progress.Set(3 * Length(), 100.0);
    progress.Begin();

    // 6. Trimming and votes.
    Begin();
    while (Sequence* read = GetNext()) {
        read->Phase1(this, quality, window);
        progress.Next();
    }

    // 7-9. Consensus re-call: the letter with most votes, the earlier of A,
    // C, G, T on ties, N without votes; then N and pads masked to 0.
    for (long i = 0; i < columnCount; ++i) {
        if (columnBases[i] == '*') continue;
        char letter = 'N';
        long best = 0;
        for (int c = 0; c < 4; ++c)
            if (baseCounts[c][i] > best) {
                best = baseCounts[c][i];
                letter = "ACGT"[c];
            }
        columnBases[i] = letter;
    }
    consensus.SetSequence(columnBases, columnCount);
    for (long i = 0; i < columnCount; ++i)
        if (columnBases[i] == 'N' || columnBases[i] == '*') columnBases[i] = 0;

    // 10-13. Heights, strand means, variances.
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

    // 14. Repeats; capped, the SNP pass caps probabilities in them.
    long start = columnCount, end = columnCount;
    if (repeats != RepeatsOff) consensus.RepeatSearch(repeatSites);
    if (repeats == RepeatsCapped) {
        StartRepeatSites();
        while (RepeatSite* site = GetRepeatSite()) {
            site->GetPositions(start, end);
            if (start >= 0) break;
        }
    }

    // 15-16. SNP pass.
    std::cerr << "Searching for SNPs" << std::endl;
    progress.Set(columnCount, 100.0);
    progress.Begin();
    std::vector<SnpSite*> siteAt(columnCount > 0 ? columnCount : 0, nullptr);
    std::vector<Sequence*> reads;  // the valid reads, in list order
    Begin();
    while (Sequence* read = GetNext())
        if (read->IsValid()) reads.push_back(read);
    column.SetReads(reads);
    auto isScored = [&](long i) {
        return consensus.IsValidSite(i) && (referenceFlag == NoReference || reference.IsValidSite(i));
    };
    std::vector<char> scored(columnCount > 0 ? columnCount : 0);
    for (long i = 0; i < columnCount; ++i) scored[i] = isScored(i);
    SiteWindow sites(reads, scored);
    for (long i = 0; i < columnCount; ++i) {
        progress.Next();
        bool inRepeat = false;
        if (i >= start) {
            if (i <= end) {
                inRepeat = true;
            } else if (RepeatSite* next = GetRepeatSite()) {
                next->GetPositions(start, end);
            } else {
                start = end = columnCount;
            }
        }
        column.Clear();
        if (isScored(i)) {
            char b = consensus.GetBase();
            sites.MoveTo(i);
            for (long k = 0; k < sites.Count(); ++k) column.AddSite(sites.Site(k), i);
            float p = column.GetProbability();
            if (inRepeat && p > limit) p = limit;
            if (p >= limit) {
                sites.PlaceReads();
                char s = column.GetSecondBase(b);
                siteAt[i] = new SnpSite(i, p, b, s);
                snpSites.Append(siteAt[i]);
            } else if (referenceComparison && reference.IsValidSite(i) && reference.GetBase() != b &&
                       1 - p >= limit) {
                // Every read homozygous for the consensus, which differs from
                // the reference base.
                sites.PlaceReads();
                column.SetConsensusBase(b);
                siteAt[i] = new SnpSite(i, 1 - p, b, reference.GetBase());
                snpSites.Append(siteAt[i]);
            }
        }
        coverage[i] = column.Length();
    }

    // 17. Manual SNP sites: marked where detected, else scored as they are.
    manualSites.Begin();
    while (MarkedSite* manual = manualSites.GetNext()) {
        long p = manual->GetPosition();
        if (p >= 0 && p < columnCount && siteAt[p]) {
            siteAt[p]->SetManual(true);
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
        siteAt[p]->SetManual(false);
        snpSites.Collate(siteAt[p]);
    }
    column.Clear();
    Begin();
    while (Sequence* read = GetNext()) read->FreePhaseArrays();

    // 18. Indel pass.
    if (!parameters.DoIndel()) return;
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

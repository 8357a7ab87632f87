#include "contig.h"

#include <algorithm>
#include <cstring>
#include <vector>

Contig::~Contig() {
    delete[] columnBases;
    for (double* means : strandMeans) delete[] means;
    for (long* counts : baseCounts) delete[] counts;
    delete[] coverage;
    Clear();
}

void Contig::SetConsensusSequence(Str& text) {
    text.UpperCase();
    delete[] columnBases;
    columnCount = text.Length();
    columnBases = new char[columnCount + 1];
    std::memcpy(columnBases, text.String(), columnCount + 1);
    long size = columnCount > 0 ? columnCount : 1;
    for (double*& means : strandMeans) {
        delete[] means;
        means = new double[size]();
    }
    for (long*& counts : baseCounts) {
        delete[] counts;
        counts = new long[size]();
    }
    delete[] coverage;
    coverage = new long[size]();
}

void Contig::QuickSort(SLink<Sequence>* before, SLink<Sequence>* end) {
    // The reads are gathered, sorted and written back into the same nodes,
    // so the cost is n log n whatever order they arrive in.
    std::vector<Sequence*> reads;
    for (SLink<Sequence>* node = before->next; node != end; node = node->next) reads.push_back(node->data);
    std::vector<Str> names;
    names.reserve(reads.size());
    for (Sequence* read : reads) names.push_back(read->GetName());
    std::vector<size_t> order(reads.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&names](size_t a, size_t b) { return std::strcmp(names[a], names[b]) < 0; });
    SLink<Sequence>* node = before->next;
    for (size_t i : order) {
        node->data = reads[i];
        node = node->next;
    }
    current = head;
}

// Runs of rising positions end where the next run starts, the last one at
// the position sequence's length. A reference stored complemented gives
// falling positions: there each run ends at its own last base.
void Contig::GetCoverage(Vector<long>& runs) {
    long depth = -1;
    long last = 0;  // position of the last base seen
    bool falling = false;
    for (long i = 0; i < columnCount; ++i) {
        if (!positionSequence->IsSite(i)) continue;
        long position = positionSequence->GetSequencePosition();
        if (depth >= 0 && position < last) falling = true;
        if (coverage[i] != depth) {
            if (depth >= 0) runs.Append(falling ? last : position - 1);
            runs.Append(position);
            runs.Append(coverage[i]);
            depth = coverage[i];
        }
        last = position;
    }
    if (depth >= 0) runs.Append(falling ? last : positionSequence->GetLength());
}

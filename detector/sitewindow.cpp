#include "sitewindow.h"

#include <algorithm>

#include "sequence.h"

SiteWindow::SiteWindow(std::vector<Sequence*> const& contigReads, std::vector<char> const& scoredColumns)
    : reads(contigReads), scored(scoredColumns), counts(width, 0) {
    for (Sequence* read : reads) {
        firstColumns.push_back(read->GetFirstColumn());
        endColumns.push_back(read->GetEndColumn());
        entering.push_back(static_cast<long>(entering.size()));
    }
    std::stable_sort(entering.begin(), entering.end(),
                     [this](long a, long b) { return firstColumns[a] < firstColumns[b]; });
}

void SiteWindow::MoveTo(long column) {
    if (column < start || column >= end) Gather(column);
    here = column - start;
}

void SiteWindow::Gather(long from) {
    start = from;
    end = std::min(from + width, static_cast<long>(scored.size()));
    // The reads that cover a column of the window, in list order.
    size_t kept = 0;
    for (long r : covering)
        if (endColumns[r] > start) covering[kept++] = r;
    covering.resize(kept);
    size_t old = covering.size();
    for (; next < entering.size() && firstColumns[entering[next]] < end; ++next)
        if (endColumns[entering[next]] > start) covering.push_back(entering[next]);
    std::sort(covering.begin() + old, covering.end());
    std::inplace_merge(covering.begin(), covering.begin() + old, covering.end());

    depth = static_cast<long>(covering.size());
    sites.resize(static_cast<size_t>(depth * width));
    std::fill(counts.begin(), counts.end(), 0);
    for (long r : covering) {
        Sequence* read = reads[r];
        long last = std::min(end, endColumns[r]);
        for (long i = std::max(start, firstColumns[r]); i < last; ++i) {
            if (!scored[i] || !read->IsValidSite(i)) continue;
            read->Phase4();
            long c = i - start;
            sites[c * depth + counts[c]++] = ColumnSite::Of(*read, static_cast<int>(r));
        }
    }
}

void SiteWindow::PlaceReads() const {
    for (long k = 0; k < Count(); ++k) reads[Site(k).read]->IsValidSite(start + here);
}

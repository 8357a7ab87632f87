#include "alignment.h"

Alignment::Alignment() : matrix(new long[(referenceLength + 1) * rowStride]()), path1(), path2(), histogram() {}

Alignment::~Alignment() { delete[] matrix; }

long Alignment::Fill(char const* reference, long rows, char const* first, char const* second, long columns,
                     long open, long step, long& best) {
    // A gap cost linear in its length lets a running maximum of
    // cell + step x index per row and per column stand for the scan over
    // every gap length: max over g of cell(i, j - g) - open - step x g is
    // max over k < j of (cell(i, k) + step x k) - open - step x j.
    long columnBest[alleleLength];
    long bestRow = 0;
    best = 0;
    for (long i = 0; i < rows; ++i) {
        long rowBest = 0;
        for (long j = 0; j < columns; ++j) {
            bool match = reference[i] == first[j] || reference[i] == second[j];
            long value = Cell(i - 1, j - 1) + (match ? 3 : -1);
            if (value < 0) value = 0;
            if (j > 0 && rowBest - open - step * j > value) value = rowBest - open - step * j;
            if (i > 0 && columnBest[j] - open - step * i > value) value = columnBest[j] - open - step * i;
            Cell(i, j) = value;
            if (j == 0 || value + step * j > rowBest) rowBest = value + step * j;
            if (i == 0 || value + step * i > columnBest[j]) columnBest[j] = value + step * i;
        }
        if (Cell(i, columns - 1) > best) {
            best = Cell(i, columns - 1);
            bestRow = i;
        }
    }
    return bestRow;
}

long Alignment::Trace(long row, long columns, long* path, char const* reference, char const* first,
                      char const* second) {
    long mismatches = 0;
    long i = row;
    long j = columns - 1;
    for (;;) {
        path[j] = i;
        if (first) {
            char r = reference[i];
            char letter;
            if (r == first[j]) {
                letter = second[j];
            } else if (r == second[j]) {
                letter = first[j];
            } else {
                ++mismatches;
                letter = first[j] == second[j] ? first[j] : '?';
            }
            otherAllele.Append(letter);
        }
        i -= 1;
        j -= 1;
        if (i < 0 || j < 0) break;
        // The best of the cell itself, the cells above it in its column and
        // then those left of it in its row (rows and columns 0 not looked
        // at); only a strictly larger cell replaces the best so far.
        long best = Cell(i, j);
        long bestI = i;
        long bestJ = j;
        for (long r = i - 1; r >= 1; --r)
            if (Cell(r, j) > best) {
                best = Cell(r, j);
                bestI = r;
                bestJ = j;
            }
        for (long c = j - 1; c >= 1; --c)
            if (Cell(i, c) > best) {
                best = Cell(i, c);
                bestI = i;
                bestJ = c;
            }
        i = bestI;
        j = bestJ;
    }
    if (first) otherAllele.Reverse();  // collected from the last column backward
    return mismatches;
}

long Alignment::Size(long columns) {
    long j = 0;
    while (j < columns && path1[j] == path2[j]) ++j;
    if (j == columns) return 0;
    divergence = j;
    for (long& count : histogram) count = 0;
    for (j = divergence + 1; j < columns; ++j) {
        if (path1[j] == 0 || path2[j] == 0) continue;
        long shift = path2[j] - path1[j] + alleleLength;
        if (shift >= 0 && shift < histogramSize) ++histogram[shift];
    }
    long mode = 0;
    for (long k = 1; k < histogramSize; ++k)
        if (histogram[k] > histogram[mode]) mode = k;
    indelSize = mode > alleleLength ? mode - alleleLength : alleleLength - mode;
    return indelSize;
}

long Alignment::DoubleAlignment(Str& reference, Str& called, Str& mixed) {
    indelSize = 0;
    divergence = 0;
    for (long j = 0; j < alleleLength; ++j) path1[j] = path2[j] = 0;
    long length = called.Length();
    long rows = length + 10;  // only the first length + 10 reference bases are used
    // Strings that do not fit the fixed matrix give no indel.
    if (length < 1 || length > alleleLength || mixed.Length() < length || reference.Length() < rows) return 0;
    char const* ref = reference.String();
    long best = 0;
    long bestRow = Fill(ref, rows, called.String(), mixed.String(), length, 2, 2, best);
    if (bestRow + 10 < length) return 0;
    otherAllele.Clear();
    if (Trace(bestRow, length, path1, ref, called.String(), mixed.String()) > 3) return 0;
    long other = otherAllele.Length();
    char const* allele = otherAllele.String();
    bestRow = Fill(ref, rows, allele, allele, other, 3, 1, best);
    if (best <= 2 * other) return 0;
    Trace(bestRow, other, path2, ref, nullptr, nullptr);
    return Size(other);
}

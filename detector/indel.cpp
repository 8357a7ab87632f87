// The read's indel record and the queries on it.
#include "sequence.h"

void Sequence::SetIndel(int size) {
    indelColumn = currentColumn;
    indelLength = size;
    indelKind = 2;
}

bool Sequence::IsNearIndel(long column) {
    long indel = indelColumn - offset;
    long i = column - offset;
    if (indelColumn == 0 || i < 0 || i >= paddedLength || indel < 0 || indel >= paddedLength) return false;
    long u = positionMap[i];
    if (u < 0) u = -u;  // a pad: the base before it
    long d = positionMap[indel] - u;
    if (d < -14 || d > 14) return false;
    // The callers read the indel's own position next; an indel recorded at
    // a pad stands on the base before it.
    long here = positionMap[indel] < 0 ? -positionMap[indel] : positionMap[indel];
    if (here < 1) return false;
    currentColumn = indelColumn;
    currentPosition = here;
    return true;
}

void Sequence::GetIndel(long& position, long& indelSize, char& kind) const {
    long indel = indelColumn - offset;
    long u = indel >= 0 && indel < paddedLength ? positionMap[indel] : 0;
    if (!complement) {
        position = u < 0 ? -u : u;  // a pad: the base before it
    } else {
        if (u <= 0) u = 1 - u;  // a pad: the base after it
        position = length - u + 1;
    }
    indelSize = indelLength;
    kind = indelKind;
}

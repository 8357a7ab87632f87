#include "sequence.h"

#include <cctype>
#include <climits>

#include "contig.h"
#include "markedsite.h"

static bool IsBaseLetter(char ch) { return BaseChannel(ch) >= 0; }

// Amplitudes are held in 32 bits; larger values are held at the limit.
static int ClampToInt(long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Number of bases (characters other than the pad '*') of a padded text.
static long BaseCount(char const* text, long count) {
    long bases = 0;
    for (long i = 0; i < count; ++i)
        if (text[i] != '*') ++bases;
    return bases;
}

// Fills the position map of a padded text and hands every base, with its
// position, to `store`.
template <class T, class Store>
static void MapPositions(char const* text, long count, T* map, Store store) {
    T u = 0;
    for (long i = 0; i < count; ++i) {
        if (text[i] == '*') {
            map[i] = -u;
            continue;
        }
        map[i] = ++u;
        store(u, text[i]);
    }
}

template <class T>
static T* NewZeroed(long count) {
    return new T[count > 0 ? count : 1]();
}

template <class T>
static void Release(T*& array) {
    delete[] array;
    array = nullptr;
}

void SiteData::Clear() {
    base = 'N';
    peakPosition = 0;
    quality = 0;
    calledArea = 0;
    uncalledArea = 0;
    for (long& amplitude : channelAmplitudes) amplitude = 0;
}

// ---------------------------------------------------------------- TextSequence

TextSequence::~TextSequence() { Free(); }

void TextSequence::Free() {
    Release(bases);
    Release(positionMap);
}

void TextSequence::SetAttributes(Str const& newName, long newOffset, bool isComplement) {
    name = newName;
    offset = newOffset;
    complement = isComplement;
}

void TextSequence::SetSequence(Str& text) {
    text.UpperCase();
    SetSequence(text.String(), text.Length());
}

void TextSequence::SetSequence(char const* text, long count) {
    Free();
    paddedLength = count;
    length = BaseCount(text, count);
    bases = NewZeroed<char>(length + 2);
    positionMap = NewZeroed<long>(count);
    MapPositions(text, count, positionMap, [this](long u, char ch) { bases[u] = IsBaseLetter(ch) ? ch : 'N'; });
    currentPosition = 0;
}

long TextSequence::IndexOf(long column) const {
    long i = column - offset;
    return i >= 0 && i < paddedLength ? i : -1;
}

bool TextSequence::IsSite(long column) {
    long i = IndexOf(column);
    if (i < 0) return false;
    currentPosition = positionMap[i];
    return currentPosition >= 1;
}

bool TextSequence::IsValidSite(long column) { return IsSite(column) && bases[currentPosition] != 'N'; }

long TextSequence::GetSequencePosition() const {
    return complement ? length - currentPosition + 1 : currentPosition;
}

long TextSequence::GetSequencePosition(long column) const {
    long i = IndexOf(column);
    if (i < 0) return 0;
    long m = positionMap[i];
    if (!complement) return m >= 1 ? m : -m;
    return m >= 1 ? length - m + 1 : length + m;
}

long TextSequence::GetAlignedPosition(long column, long step) const {
    long i = IndexOf(column);
    if (i < 0) return 0;
    long m = positionMap[i];
    if (!complement) {
        if (m < 0) m = -m;
    } else if (m <= 0) {
        m = 1 - m;
    }
    long u = m + step;
    if (u <= 0 || u >= length) return 0;
    for (long j = u - 1; j < paddedLength; ++j)
        if (positionMap[j] == u) return j + offset;
    return 0;
}

void TextSequence::GetFlankingSequence(Str& left, Str& right, long first, long second, int width) const {
    if (width < 0) width = 0;
    left.Fill(' ', width);
    right.Fill(' ', width);
    long i1 = IndexOf(first);
    long i2 = IndexOf(second);
    if (i1 < 0 || i2 < 0) return;
    char* out = left.String();
    long m1 = positionMap[i1];
    if (m1 <= 0) m1 = 1 - m1;  // a pad: the base after it
    if (width < m1) {
        for (long k = 0; k < width; ++k) out[k] = bases[m1 - width + k];
    } else if (m1 > 1) {
        for (long k = 1; k < m1; ++k) out[width - m1 + k] = bases[k];
    }
    out = right.String();
    long m2 = positionMap[i2];
    if (m2 <= 0) m2 = 1 - m2;
    for (long k = 0; k < width && m2 + 1 + k <= length; ++k) out[k] = bases[m2 + 1 + k];
}

void TextSequence::GetIndelSequence(Str& text, long first, long second) const {
    text.Clear();
    long i1 = IndexOf(first);
    long i2 = IndexOf(second);
    if (i1 < 0 || i2 < 0) return;
    long from = positionMap[i1];
    if (from <= 0) from = 1 - from;
    long to = positionMap[i2];
    if (to < 0) to = -to;
    if (from >= 1 && from <= to && to <= length) text.Copy(bases + from, to - from + 1);
}

bool TextSequence::GetIndelSegment(Str& text, long column, char reverse) const {
    long i = IndexOf(column);
    if (i < 0) return false;
    long m = positionMap[i];
    if (m <= 0) m = complement ? 1 - m : -m;
    if (!reverse) {
        if (m < 1 || m + 200 >= length) return false;
        text.Copy(bases + m, 200);
        return true;
    }
    if (m - 199 <= 0 || m > length) return false;
    text.Copy(bases + m - 199, 200);
    text.Reverse();
    return true;
}

// -------------------------------------------------------------------- Sequence

Sequence::~Sequence() { Free(); }

void Sequence::Free() {
    Release(positionMap);
    Release(calls);
    Release(secondaries);
    Release(qualities);
    for (int*& channel : amplitudes) Release(channel);
    Release(primaryAmplitude);
    Release(secondaryAmplitude);
    Release(primaryLocal);
    Release(areaRatio);
    Release(flags);
    Release(genotypes);
    Release(phdBases);
    Release(phdQualities);
    Release(peakPositions);
    FreePhaseArrays();
}

void Sequence::SetAttributes(Str const& newName, long newOffset, bool isComplement) {
    name = newName;
    offset = newOffset;
    complement = isComplement;
}

void Sequence::SetSequence(Str const& text) {
    Free();
    char const* bases = text.String();
    paddedLength = text.Length();
    length = BaseCount(bases, paddedLength);
    long size = length + 2;
    positionMap = NewZeroed<int>(paddedLength);
    calls = NewZeroed<char>(size);
    secondaries = NewZeroed<char>(size);
    qualities = NewZeroed<signed char>(size);
    for (int*& channel : amplitudes) channel = NewZeroed<int>(size);
    primaryAmplitude = NewZeroed<int>(size);
    secondaryAmplitude = NewZeroed<int>(size);
    primaryLocal = NewZeroed<float>(size);
    areaRatio = NewZeroed<float>(size);
    flags = NewZeroed<char>(size);
    genotypes = NewZeroed<char>(size);
    phdBases = NewZeroed<char>(size);
    phdQualities = NewZeroed<int>(size);
    peakPositions = NewZeroed<int>(size);

    MapPositions(bases, paddedLength, positionMap, [this](int u, char ch) {
        char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        calls[u] = IsBaseLetter(upper) ? upper : 'N';
    });
    peakPositions[length + 1] = 50000;  // sentinel after the last peak
    leftLimit = 0;
    rightLimit = length - 1;
}

// Each array has the size of one channel's amplitudes, whose memory Phase2
// gives back: the next read's arrays take their place.
void Sequence::AllocatePhaseArrays() {
    FreePhaseArrays();
    long size = length + 2;
    primaryHeight = NewZeroed<float>(size);
    primaryHeightAsSecondary = NewZeroed<float>(size);
    secondaryHeight = NewZeroed<float>(size);
    secondaryHeightAsPrimary = NewZeroed<float>(size);
    secondaryLocal = NewZeroed<float>(size);
}

void Sequence::FreeHeights() {
    Release(primaryHeight);
    Release(primaryHeightAsSecondary);
    Release(secondaryHeight);
    Release(secondaryHeightAsPrimary);
    Release(secondaryLocal);
}

void Sequence::FreePhaseArrays() {
    FreeHeights();
    Release(hetScores);
    Release(homScores);
}

void Sequence::SetQualityLimits(long left, long right) {
    if (left >= 1 && left <= paddedLength && right >= 1 && right <= paddedLength) {
        long l = positionMap[left - 1];
        leftLimit = l < 0 ? -l : l;      // a pad: the base before it
        long r = positionMap[right - 1];
        rightLimit = r < 0 ? 1 - r : r;  // a pad: the base after it
    } else if (left < 0 && right < 0) {
        leftLimit = 1;
        rightLimit = length - 1;
    } else {
        rightLimit = 0;
        valid = false;
    }
}

void Sequence::SetPhdSite(int line, SiteData const& data) {
    if (line < 1 || line > length) return;
    phdBases[line] = data.base;
    peakPositions[line] = static_cast<int>(data.peakPosition);
    phdQualities[line] = static_cast<int>(data.quality);
    long capped = data.quality;
    if (capped >= 91)
        capped = 0;
    else if (capped >= 60)
        capped = 59;
    else if (capped < SCHAR_MIN)
        capped = SCHAR_MIN;  // held at the limit, never wrapped
    qualities[complement ? length - line + 1 : line] = static_cast<signed char>(capped);
}

void Sequence::SetPolySite(int k, SiteData const& data) {
    if (k < 1 || k > length) return;
    for (int c = 0; c < 4; ++c) amplitudes[c][k] = ClampToInt(data.channelAmplitudes[c]);
    char secondary = data.base;
    if (secondary == calls[k]) {
        secondary = 'N';
    } else if (secondary != 'N') {
        // The secondary peak must lie nearer to this base's peak than halfway
        // to either neighbouring peak.
        // In double: no position from a file can overflow here.
        long j = complement ? length - k + 1 : k;
        double x = 2.0 * data.peakPosition - peakPositions[j];
        if (!(peakPositions[j - 1] < x && x < peakPositions[j + 1])) secondary = 'N';
    }
    secondaries[k] = secondary;
    if (secondary == 'N' || data.calledArea == 0)
        areaRatio[k] = 0;
    else
        areaRatio[k] = data.uncalledArea / data.calledArea;
    int primary = BaseChannel(calls[k]);
    primaryAmplitude[k] = primary >= 0 ? amplitudes[primary][k] : 0;
    int other = primary >= 0 ? BaseChannel(secondary) : -1;
    secondaryAmplitude[k] = other >= 0 ? amplitudes[other][k] : 0;
}

long Sequence::GetLeftLimit() const {
    if (!complement || rightLimit == 0) return leftLimit;
    return length - rightLimit + 1;
}

long Sequence::GetRightLimit() const {
    if (!complement || leftLimit == 0) return rightLimit;
    return length - leftLimit + 1;
}

Str Sequence::GetSourceID(char delimiterOrLength, long start) const {
    Str id;
    if (start >= 0) {
        long idLength = static_cast<unsigned char>(delimiterOrLength);
        // A start beyond the name gives no identifier: the read matches no sample.
        if (start <= name.Length()) id.CopyMid(name, start, idLength);
        return id;
    }
    char delimiter = delimiterOrLength;
    long first = 0;
    if (!name.Find(delimiter, first)) return id;
    long second = first + 1;
    if (!name.Find(delimiter, second)) return id;
    id.CopyMid(name, first, second - first + 1);
    return id;
}

bool Sequence::IsSameSource(Str const& id, long start) const {
    if (start < 0) return name.Contains(id);
    return start < name.Length() && name.Compare(id, start);
}

bool Sequence::IsSite(long column) {
    currentColumn = column;
    long i = column - offset;
    if (i < 0 || i >= paddedLength) return false;
    currentPosition = positionMap[i];
    return currentPosition >= 1 && calls[currentPosition] != 'N';
}

bool Sequence::IsValidSite(long column) {
    return IsSite(column) && leftLimit <= currentPosition && currentPosition <= rightLimit;
}

long Sequence::GetSequencePosition() const {
    return complement ? length - currentPosition + 1 : currentPosition;
}

long Sequence::GetAlignedPosition(long position) const {
    for (long j = position > 0 ? position - 1 : 0; j < paddedLength; ++j)
        if (positionMap[j] == position) return j + offset;
    return -1;
}

long Sequence::GetCoordinate(long position) const {
    if (position < 0 || position > length + 1) return 0;
    return peakPositions[complement ? length - position + 1 : position];
}

void Sequence::GetPhdData(long line, char& base, long& quality, long& position) const {
    base = phdBases[line];
    quality = phdQualities[line];
    position = peakPositions[line];
}

void Sequence::SetGenotype(char consensus, char variant, char genotype, float probability) {
    long u = currentPosition;
    genotypes[u] = genotype;
    primaryLocal[u] = probability;
    switch (genotype) {
        case HomozygousReference:
            if (flags[u] & ChangedCall) genotypes[u] = ChangedReference;
            calls[u] = secondaries[u] = consensus;
            break;
        case HomozygousVariant:
            if (((flags[u] & WeakConsensus) && calls[u] != variant) ||
                ((flags[u] & SwappedCall) && secondaries[u] != variant))
                genotypes[u] = ChangedVariant;
            calls[u] = secondaries[u] = variant;
            break;
        case Heterozygous:
            calls[u] = consensus < variant ? consensus : variant;
            secondaries[u] = consensus < variant ? variant : consensus;
            break;
        default:
            break;
    }
}

int Sequence::GetScore() const { return ProbabilityScore(primaryLocal[currentPosition]); }

char Sequence::GetSecondBase() {
    bool stores = false;
    char base = PeekSecondBase(stores);
    if (stores) secondaries[currentPosition] = base;
    return base;
}

char Sequence::PeekSecondBase(bool& stores) const {
    stores = false;
    long u = currentPosition;
    char base = calls[u];
    if (!contig || contig->GetColumnBase(currentColumn) != base) return base;
    base = secondaries[u];
    if (!(base & BackgroundMark)) return base;
    stores = true;
    return static_cast<char>(base & ~(BackgroundMark | 0x80));  // the mark and the high bit cleared: upper case
}

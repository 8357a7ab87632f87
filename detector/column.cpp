#include "column.h"

#include <cmath>

#include "parameters.h"
#include "sequence.h"

// The SNP type masks the genotypes of the Sources.
static_assert(int{SnpHomozygous} == HomozygousVariant && int{SnpHeterozygous} == Heterozygous,
              "a SNP type's bits are the codes of the genotypes it calls");

Column::~Column() {
    Clear();
    for (Source* source : pool) delete source;
    for (SLink<Source>* node : spareNodes) delete node;
    for (SLink<Sequence>* node : sourceNodes) delete node;
}

void Column::SetParameters(Parameters& parameters) {
    parameters.GetSourceID(sourceIDChar, sourceIDPos);
    snpFlag = static_cast<signed char>(parameters.GetSnpFlag());
    hetOnly = snpFlag == SnpHeterozygous;
    Clear();
    keyNumbers.clear();
    keySource.clear();
    shortLength.assign(128, false);
    reads.clear();
    readKeys.clear();
    readNumbers.clear();
}

void Column::SetReads(std::vector<Sequence*> const& contigReads) {
    reads.clear();
    readKeys.clear();
    readNumbers.clear();
    for (Sequence* read : contigReads) Number(read);
    if (sourceIDChar == 0) return;
    // Every ID is interned in the first round, so that after the second each
    // read's keys hold every ID of the contig that it matches: a column's
    // Sources have only such IDs, so this groups as working the keys out
    // column by column does.
    for (int round = 0; round < 2; ++round)
        for (long r = 0; r < static_cast<long>(reads.size()); ++r) KeysOf(r);
}

long Column::Number(Sequence* read) {
    auto found = readNumbers.emplace(read, static_cast<long>(reads.size()));
    if (found.second) {
        reads.push_back(read);
        readKeys.emplace_back();
    }
    return found.first->second;
}

void Column::Clear() {
    for (long key : usedKeys) keySource[key] = -1;
    usedKeys.clear();
    for (Source* source : made) {
        source->Start();
        pool.push_back(source);
    }
    made.clear();
    for (SLink<Source>* node = head->next; node; node = node->next) spareNodes.push_back(node);
    head->next = nullptr;
    current = head;
    length = 0;
}

void Column::Append(Source* source) {
    if (spareNodes.empty()) {
        SList<Source>::Append(source);
        return;
    }
    SLink<Source>* node = spareNodes.back();
    spareNodes.pop_back();
    *node = {nullptr, source};
    ToLast();
    current->next = node;
    ++length;
}

long Column::Intern(std::string const& id) {
    auto found = keyNumbers.emplace(id, static_cast<long>(keySource.size()));
    if (found.second) {
        keySource.push_back(-1);
        long length = static_cast<long>(id.size());
        if (sourceIDPos >= 0 && length < static_cast<unsigned char>(sourceIDChar) && !shortLength[length]) {
            shortLength[length] = true;
            ++keyVersion;  // reads seen before may start with this ID
        }
    }
    return found.first->second;
}

Column::ReadKeys const& Column::KeysOf(long number) {
    ReadKeys& keys = readKeys[number];
    if (keys.version == keyVersion) return keys;
    keys.own = -1;
    keys.others.clear();
    Str name = reads[number]->GetName();
    char const* text = name.String();
    long length = name.Length();
    if (sourceIDPos < 0) {
        // A name contains an ID exactly where two successive delimiters
        // enclose it; the first such text is the read's own ID.
        long previous = -1;
        for (long p = 0; p < length; ++p) {
            if (text[p] != sourceIDChar) continue;
            if (previous >= 0) {
                long key = Intern(std::string(text + previous, p - previous + 1));
                if (keys.own < 0)
                    keys.own = key;
                else
                    keys.others.push_back(key);
            }
            previous = p;
        }
    } else if (sourceIDPos < length) {
        long idLength = static_cast<unsigned char>(sourceIDChar);
        long own = length - sourceIDPos < idLength ? length - sourceIDPos : idLength;
        std::string id(text + sourceIDPos, own);
        keys.own = Intern(id);
        // The name also matches shorter IDs that it starts with.
        for (long cut = 1; cut < own; ++cut) {
            if (!shortLength[cut]) continue;
            auto found = keyNumbers.find(id.substr(0, cut));
            if (found != keyNumbers.end()) keys.others.push_back(found->second);
        }
    }
    keys.version = keyVersion;
    return keys;
}

ColumnSite ColumnSite::Of(Sequence& read, int number) {
    ColumnSite site;
    read.GetScores(site.het, site.hom);
    site.read = number;
    bool stores = false;
    site.secondBase = read.PeekSecondBase(stores);
    site.flags = static_cast<unsigned char>((read.GetComplement() ? complemented : 0) | (stores ? storesSecondary : 0));
    return site;
}

void Column::AddSequence(Sequence* read) {
    ColumnSite site = ColumnSite::Of(*read, static_cast<int>(Number(read)));
    if (Take(read, site)) read->GetSecondBase();  // stores a background secondary upper-cased
}

void Column::AddSite(ColumnSite const& site, long column) {
    Sequence* read = reads[site.read];
    if (!Take(read, site) || !(site.flags & ColumnSite::storesSecondary)) return;
    read->IsSite(column);
    read->GetSecondBase();
}

bool Column::Take(Sequence* read, ColumnSite const& site) {
    bool complement = site.flags & ColumnSite::complemented;
    long own = -1;
    if (sourceIDChar != 0) {
        ReadKeys const& keys = KeysOf(site.read);
        long first = keys.own >= 0 ? keySource[keys.own] : -1;
        for (long key : keys.others) {
            long index = keySource[key];
            if (index >= 0 && (first < 0 || index < first)) first = index;
        }
        if (first >= 0) return made[first]->Take(read, site.het, site.hom, complement, site.secondBase);
        own = keys.own;
    }
    Source* source;
    if (pool.empty()) {
        source = new Source(&sourceNodes);
    } else {
        source = pool.back();
        pool.pop_back();
    }
    if (own >= 0) {
        keySource[own] = static_cast<long>(made.size());
        usedKeys.push_back(own);
    }
    made.push_back(source);
    Append(source);
    return source->Take(read, site.het, site.hom, complement, site.secondBase);
}

float Column::Frequency() {
    if (made.empty()) return 0;
    float sum = 0;
    Begin();
    while (Source* source = GetNext()) sum += source->GetMinProbability();
    float f = sum / Length();
    return f < 0.05 ? 0.05f : f;
}

float Column::GetProbability() {
    float f = Frequency();
    float maxHomTotal = 0, maxHetTotal = 0;
    char best = 0;
    Begin();
    while (Source* source = GetNext()) {
        char g = static_cast<char>(source->GetScores(maxHomTotal, maxHetTotal, f) & snpFlag);
        if (g > best) best = g;
    }
    if (best == 0) return 0;
    if (hetOnly && maxHomTotal > 4.6f) maxHomTotal = 4.6f;
    return static_cast<float>(1 - 1 / (1 + std::exp(maxHetTotal - 7.5810998322) + std::exp(maxHomTotal - 8.5684864858)));
}

char Column::GetSecondBase(char consensus) {
    char base = consensus;
    float best = 0;
    Begin();
    while (Source* source = GetNext()) {
        char b = 0;
        float p = 0;
        char g = source->GetSecondBase(consensus, b, p);
        if (g != HomozygousReference && p > best) {
            base = b;
            best = p;
        }
    }
    return base;
}

void Column::SetConsensusBase(char consensus) {
    Begin();
    while (Source* source = GetNext()) source->SetConsensusBase(consensus);
}

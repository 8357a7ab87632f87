#include "source.h"

#include <cmath>

#include "sequence.h"

void Source::Start() {
    Reset();
    maxHom[0] = maxHom[1] = maxHet[0] = maxHet[1] = -80.0f;
    homBase[0] = homBase[1] = hetBase[0] = hetBase[1] = 0;
    hom[0] = hom[1] = het[0] = het[1] = 0;
    probability = 0;
    genotype = HomozygousReference;
    variantBase = 0;
}

void Source::Append(Sequence* read) {
    if (spareNodes->empty()) {
        SList<Sequence>::Append(read);
        return;
    }
    SLink<Sequence>* node = spareNodes->back();
    spareNodes->pop_back();
    *node = {nullptr, read};
    ToLast();
    current->next = node;
    ++length;
}

void Source::Reset() {
    for (SLink<Sequence>* node = head->next; node; node = node->next) spareNodes->push_back(node);
    head->next = nullptr;
    current = head;
    length = 0;
}

// Two scores of one strand: the stronger of two that agree in sign, else
// their sum.
static float Combine(float x, float y) {
    if (x > 0 && y > 0) return x > y ? x : y;
    if (x < 0 && y < 0) return x < y ? x : y;
    return x + y;
}

static float Weight(float total) { return static_cast<float>(std::exp(static_cast<double>(total))); }

// The reads come in list order, so each strand's values are folded in the
// order of its reads.
bool Source::Take(Sequence* read, float hetScore, float homScore, bool complement, char secondBase) {
    Append(read);
    int s = complement ? 1 : 0;
    bool raised = false;
    if (homScore > maxHom[s]) {
        maxHom[s] = homScore;
        homBase[s] = secondBase;
        raised = true;
    }
    hom[s] = Combine(hom[s], homScore);
    if (hetScore > maxHet[s]) {
        maxHet[s] = hetScore;
        hetBase[s] = secondBase;
        raised = true;
    }
    het[s] = Combine(het[s], hetScore);
    return raised;
}

float Source::GetMinProbability() {
    homTotal = hom[0] + hom[1];
    hetTotal = het[0] + het[1];
    homWeight = Weight(homTotal);
    hetWeight = Weight(hetTotal);
    // Prior genotype frequencies for an allele frequency of 0.05.
    if (std::isfinite(homWeight) && std::isfinite(hetWeight)) {
        float h = static_cast<float>(0.0025 * homWeight);
        float e = static_cast<float>(0.095 * hetWeight);
        return static_cast<float>((0.5 * e + h) / (e + h + 0.9025));
    }
    // A weight beyond the float range: the same fraction in log space.
    double h = std::log(0.0025) + homTotal;
    double e = std::log(0.095) + hetTotal;
    double r = std::log(0.9025);
    double top = std::fmax(std::fmax(h, e), r);
    h = std::exp(h - top);
    e = std::exp(e - top);
    r = std::exp(r - top);
    return static_cast<float>((0.5 * e + h) / (e + h + r));
}

char Source::GetScores(float& maxHomTotal, float& maxHetTotal, float f) {
    if (homTotal > maxHomTotal) maxHomTotal = homTotal;
    if (hetTotal > maxHetTotal) maxHetTotal = hetTotal;
    float hom = f * f * homWeight;
    float het = 2 * f * (1 - f) * hetWeight;
    float sum = hom + het + (1 - f) * (1 - f);
    if (std::isfinite(sum) && sum > 0) {
        homWeight = hom / sum;
        hetWeight = het / sum;
    } else {
        // Weights beyond the float range: the posteriors in log space.
        double h = 2 * std::log(static_cast<double>(f)) + homTotal;
        double e = std::log(2.0 * f * (1 - f)) + hetTotal;
        double r = 2 * std::log(1.0 - f);
        double top = std::fmax(std::fmax(h, e), r);
        h = std::exp(h - top);
        e = std::exp(e - top);
        r = std::exp(r - top);
        homWeight = static_cast<float>(h / (h + e + r));
        hetWeight = static_cast<float>(e / (h + e + r));
    }
    float reference = 1 - homWeight - hetWeight;
    if (reference > homWeight && reference > hetWeight) {
        genotype = HomozygousReference;
        probability = reference;
        variantBase = 0;
    } else if (homWeight > hetWeight) {
        genotype = HomozygousVariant;
        probability = homWeight;
        variantBase = maxHom[1] > maxHom[0] ? homBase[1] : homBase[0];
    } else {
        genotype = Heterozygous;
        probability = hetWeight;
        variantBase = maxHet[1] > maxHet[0] ? hetBase[1] : hetBase[0];
    }
    return genotype;
}

char Source::GetSecondBase(char consensus, char& base, float& genotypeProbability) {
    Begin();
    while (Sequence* read = GetNext()) read->SetGenotype(consensus, variantBase, genotype, probability);
    base = variantBase;
    genotypeProbability = probability;
    return genotype;
}

void Source::SetConsensusBase(char consensus) {
    Begin();
    while (Sequence* read = GetNext()) read->SetGenotype(consensus, consensus, HomozygousReference, probability);
}

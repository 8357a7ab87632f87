#include "synthetic_project.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fileio.h"
#include "phdfile.h"
#include "polyfile.h"

namespace {

// splitmix64: cheap to seed per read, so every read is made from its own
// stream and the files come out the same however they are written.
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    long Uniform(long low, long high) { return low + static_cast<long>(Next() % static_cast<uint64_t>(high - low + 1)); }
    double Real(double low, double high) { return low + (high - low) * (Next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    uint64_t state;
};

uint64_t Seed(unsigned long seed, long a, long b = 0, long c = 0) {
    Random mix(seed * 1000003ULL + static_cast<uint64_t>(a) * 7919ULL + static_cast<uint64_t>(b) * 104729ULL +
               static_cast<uint64_t>(c) * 15485863ULL);
    return mix.Next();
}

char const letters[] = "ACGT";

char Complement(char base) {
    switch (base) {
        case 'A': return 'T';
        case 'C': return 'G';
        case 'G': return 'C';
        case 'T': return 'A';
        default: return base;
    }
}

int Channel(char base) {
    for (int c = 0; c < 4; ++c)
        if (letters[c] == base) return c;
    return -1;
}

char Lower(char base) { return static_cast<char>(base - 'A' + 'a'); }

char OtherThan(Random& random, char a, char b = 0) {
    char x;
    do x = letters[random.Uniform(0, 3)];
    while (x == a || x == b);
    return x;
}

void AppendWrapped(FileWriter& out, std::string const& text) {
    for (size_t i = 0; i < text.size(); i += 50) out.AppendLine(text.substr(i, 50).c_str());
}

bool Close(FileWriter& out, std::string const& path) {
    if (out.Close()) return true;
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
}

long const minimumLength = 500;
long const insertionLength = 3;
long const deletionLength = 2;

}  // namespace

// One read as the files hold it, in alignment orientation.
struct SyntheticProject::Read {
    std::string name;
    bool complement;
    long start;        // first column
    std::string text;  // padded calls
    std::vector<char> secondary;  // 'N' without a secondary peak
    std::vector<int> quality;
    std::vector<long> amplitudes;  // four per base, A, C, G, T
    std::vector<double> ratio;     // uncalled / called area
};

SyntheticProject::SyntheticProject(ProjectLayout const& given) : layout(given) {
    if (layout.length < minimumLength) layout.length = minimumLength;
    if (layout.readsPerSample < 1) layout.readsPerSample = 1;
    long n = layout.length;
    for (long a = 0; a < layout.amplicons; ++a) {
        Random random(Seed(layout.seed, a));
        // No run of three equal bases and no dinucleotide repeated twice and
        // a half: the repeat search finds only the planted repeat.
        std::string reference;
        while (static_cast<long>(reference.size()) < n) {
            size_t i = reference.size();
            char x = letters[random.Uniform(0, 3)];
            if (i >= 2 && reference[i - 1] == x && reference[i - 2] == x) continue;
            if (i >= 4 && reference[i - 2] == x && reference[i - 4] == x && reference[i - 1] == reference[i - 3]) continue;
            reference += x;
        }
        PlantedAmplicon planted;
        char name[32];
        std::snprintf(name, sizeof name, "amp%02ld", a + 1);
        planted.contig = name;
        // The deletion lies far enough from the repeat that the mixed trace
        // on each side of it stays mixed for 80 bases (a shift of two bases
        // cannot be seen inside a dinucleotide repeat), and far enough from
        // the end for the 200 bases its sizing aligns.
        long het = n * 10 / 100, mixed = n * 17 / 100, repeat = n * 24 / 100;
        long deletion = repeat + 130, insertion = n * 85 / 100;
        for (long k = 0; k < 20; ++k) reference[repeat + k] = "CA"[k % 2];
        reference[repeat - 1] = 'G';  // the run starts where planted
        reference[repeat + 20] = 'T';
        auto column = [insertion](long b) { return b <= insertion ? b : b + insertionLength; };
        planted.hetSnp = column(het);
        planted.hetReference = reference[het];
        planted.hetVariant = OtherThan(random, reference[het]);
        planted.mixedSnp = column(mixed);
        planted.mixedReference = reference[mixed];
        planted.mixedVariant = OtherThan(random, reference[mixed]);
        planted.repeatStart = column(repeat);
        planted.repeatEnd = column(repeat + 20);
        planted.deletion = column(deletion);
        planted.insertion = column(insertion);
        planted.consensus = reference.substr(0, insertion + 1) + std::string(insertionLength, '*') +
                            reference.substr(insertion + 1);
        // Samples take their genotypes in turns of eight, shifted by one in
        // each amplicon: with eight samples or more every amplicon has each.
        for (long s = 0; s < layout.samples; ++s) {
            long turn = (s + a) % 8;
            planted.hetSnpGenotype.push_back(turn == 1 || turn == 5 ? 2 : 0);
            planted.mixedSnpGenotype.push_back(turn == 2 ? 1 : turn == 6 ? 2 : 0);
            planted.deletionCarrier.push_back(turn == 3);
            planted.insertionCarrier.push_back(turn == 7);
        }
        amplicons.push_back(planted);
        references.push_back(reference);
    }
}

std::string SyntheticProject::ReadName(long sample, long amplicon, long k) const {
    char name[96];
    std::snprintf(name, sizeof name, "s%04ld_a%02ld_%c%ld", sample + 1, amplicon + 1, IsComplemented(k) ? 'r' : 'f',
                  k / 2 + 1);
    return name;
}

long SyntheticProject::SampleOf(std::string const& readName) { return std::atol(readName.c_str() + 1) - 1; }

void SyntheticProject::MakeRead(PlantedAmplicon const& planted, long a, long sample, long k, Read& read) const {
    Random random(Seed(layout.seed, a + 1, sample + 1, k + 1));
    std::string const& reference = references[a];
    long n = static_cast<long>(reference.size());
    long insertion = planted.insertion;  // the truth index equals the column up to here
    long deletion = planted.deletion;
    bool carriesInsertion = planted.insertionCarrier[sample];
    bool carriesDeletion = planted.deletionCarrier[sample];
    read.name = ReadName(sample, a, k);
    read.complement = IsComplemented(k);
    // The haplotypes' letters at a truth index.
    auto allele = [&](long b, int haplotype) -> char {
        if (b < 0 || b >= n) return 'N';
        char x = reference[b];
        long column = b <= insertion ? b : b + insertionLength;
        if (column == planted.hetSnp && planted.hetSnpGenotype[sample] == 2 && haplotype == 2) x = planted.hetVariant;
        char mixed = planted.mixedSnpGenotype[sample];
        if (column == planted.mixedSnp && (mixed == 1 || (mixed == 2 && haplotype == 2))) x = planted.mixedVariant;
        return x;
    };
    // The second haplotype's letter under the first one's at a truth index:
    // past the deletion (in trace direction) the deleted allele is shifted.
    auto second = [&](long b) -> char {
        if (!carriesDeletion) return allele(b, 2);
        // The deletion lies before the insertion: its column is its truth index.
        if (!read.complement) return b >= deletion ? allele(b + deletionLength, 2) : allele(b, 2);
        return b < deletion + deletionLength ? allele(b - deletionLength, 2) : allele(b, 2);
    };
    long columns = static_cast<long>(planted.consensus.size());
    read.start = random.Uniform(0, 4);
    long end = columns - random.Uniform(0, 4);
    read.text.clear();
    read.secondary.clear();
    read.quality.clear();
    read.amplitudes.clear();
    read.ratio.clear();
    double scale = random.Real(0.8, 1.2);
    for (long c = read.start; c < end; ++c) {
        bool padColumn = c > insertion && c <= insertion + insertionLength;
        char call, other;
        bool inMixed = false;
        if (padColumn) {
            if (!carriesInsertion) {
                read.text += '*';
                continue;
            }
            call = other = letters[(c * 7 + a) % 4];  // the inserted bases
        } else {
            long b = c <= insertion ? c : c - insertionLength;
            call = allele(b, 1);
            other = second(b);
            inMixed = carriesDeletion && (read.complement ? b < deletion + deletionLength : b >= deletion);
        }
        read.text += call;
        long amplitudes[4];
        for (long& x : amplitudes) x = random.Uniform(0, 100);
        if (other == call || other == 'N') {
            amplitudes[Channel(call)] = static_cast<long>(scale * random.Uniform(1000, 1300));
            read.secondary.push_back('N');
            read.ratio.push_back(0);
        } else {
            long primary = static_cast<long>(scale * random.Uniform(560, 680));
            long weaker = std::min(primary, static_cast<long>(scale * random.Uniform(460, 580)));
            amplitudes[Channel(call)] = primary;
            amplitudes[Channel(other)] = weaker;
            read.secondary.push_back(other);
            read.ratio.push_back(static_cast<double>(weaker) / primary * random.Real(0.9, 1.1));
        }
        read.amplitudes.insert(read.amplitudes.end(), amplitudes, amplitudes + 4);
        read.quality.push_back(inMixed ? static_cast<int>(random.Uniform(4, 14))
                                       : static_cast<int>(random.Uniform(35, 55)));
    }
    // Low qualities where the trace starts and ends.
    long bases = static_cast<long>(read.quality.size());
    for (long t = 0; t < bases; ++t) {
        long u = read.complement ? bases - 1 - t : t;
        if (t < 12 || t >= bases - 15) read.quality[u] = static_cast<int>(random.Uniform(6, 10));
    }
}

bool SyntheticProject::WriteRead(std::string const& dir, Read const& read) const {
    long n = static_cast<long>(read.quality.size());
    std::string calls;
    for (char ch : read.text)
        if (ch != '*') calls += ch;
    Str name(read.name.c_str());

    FileWriter phd(65536);
    std::string phdPath = dir + "/phd_dir/" + read.name + PhdFile::Suffix;
    phd.Open(phdPath.c_str());
    PhdFile::WriteBegin(phd, name);
    PhdFile::WriteComment(phd, "CHROMAT_FILE", name);
    PhdFile::WriteComment(phd, "TIME", Str("Mon Jan  2 10:10:10 2006"));
    PhdFile::WriteBeginDna(phd);
    for (long t = 0; t < n; ++t) {
        long u = read.complement ? n - 1 - t : t;
        char base = read.complement ? Complement(calls[u]) : calls[u];
        PhdFile::WriteBase(phd, Lower(base), read.quality[u], 12 * (t + 1));
    }
    PhdFile::WriteEnd(phd);
    if (!Close(phd, phdPath)) return false;

    FileWriter poly(65536);
    std::string polyPath = dir + "/poly_dir/" + read.name + PolyFile::Suffix;
    poly.Open(polyPath.c_str());
    PolyFile::WriteHeader(poly, name);
    for (long t = 0; t < n; ++t) {
        long u = read.complement ? n - 1 - t : t;
        long amplitudes[4];
        for (int c = 0; c < 4; ++c) amplitudes[c] = read.amplitudes[4 * u + (read.complement ? 3 - c : c)];
        char base = read.complement ? Complement(calls[u]) : calls[u];
        long position = 12 * (t + 1);
        long calledArea = 10 * read.amplitudes[4 * u + Channel(calls[u])];
        char secondary = read.secondary[u];
        if (secondary == 'N') {
            PolyFile::WriteLine(poly, base, position, calledArea, 'N', 0, 0, amplitudes);
        } else {
            PolyFile::WriteLine(poly, base, position, calledArea, read.complement ? Complement(secondary) : secondary,
                                position + 2, static_cast<long>(read.ratio[u] * calledArea), amplitudes);
        }
    }
    return Close(poly, polyPath);
}

bool SyntheticProject::Write(std::string const& dir) const {
    for (char const* sub : {"", "/edit_dir", "/phd_dir", "/poly_dir"}) mkdir((dir + sub).c_str(), 0755);
    std::string acePath = dir + "/edit_dir/project.ace";
    FileWriter ace(1 << 20);
    ace.Open(acePath.c_str());
    ace.Append("AS ");
    ace.Append(layout.amplicons);
    ace.Append(' ');
    ace.AppendLine(ReadCount());
    ace.AppendLine();
    Read read;
    for (long a = 0; a < layout.amplicons; ++a) {
        PlantedAmplicon const& planted = amplicons[a];
        long reads = layout.samples * layout.readsPerSample;
        ace.Append(("CO " + planted.contig + " ").c_str());
        ace.Append(static_cast<long>(planted.consensus.size()));
        ace.Append(' ');
        ace.Append(reads);
        ace.AppendLine(" 1 U");
        AppendWrapped(ace, planted.consensus);
        ace.AppendLine();
        ace.AppendLine("BQ");
        std::string qualities;
        for (char ch : planted.consensus)
            if (ch != '*') qualities += " 40";
        for (size_t i = 0; i < qualities.size(); i += 150) ace.AppendLine(qualities.substr(i, 150).c_str());
        ace.AppendLine();
        // The AF lines need only the starts, which come first in each
        // read's stream; the reads are made again for their records.
        for (long s = 0; s < layout.samples; ++s)
            for (long k = 0; k < layout.readsPerSample; ++k) {
                Random random(Seed(layout.seed, a + 1, s + 1, k + 1));
                ace.Append(("AF " + ReadName(s, a, k) + (IsComplemented(k) ? " C " : " U ")).c_str());
                ace.AppendLine(random.Uniform(0, 4) + 1);
            }
        ace.AppendLine();
        for (long s = 0; s < layout.samples; ++s)
            for (long k = 0; k < layout.readsPerSample; ++k) {
                MakeRead(planted, a, s, k, read);
                long padded = static_cast<long>(read.text.size());
                ace.Append(("RD " + read.name + " ").c_str());
                ace.Append(padded);
                ace.AppendLine(" 0 0");
                AppendWrapped(ace, read.text);
                ace.AppendLine();
                ace.Append("QA 1 ");
                ace.Append(padded);
                ace.Append(" 1 ");
                ace.AppendLine(padded);
                ace.AppendLine(("DS CHROMAT_FILE: " + read.name + " PHD_FILE: " + read.name +
                                ".phd.1 TIME: Mon Jan  2 10:10:10 2006")
                                   .c_str());
                ace.AppendLine();
                if (!WriteRead(dir, read)) return false;
            }
        Random random(Seed(layout.seed, a, 7));
        for (long t = 0; t < layout.tags; ++t) {
            long column = 1 + random.Uniform(0, static_cast<long>(planted.consensus.size()) - 1);
            ace.AppendLine("CT{");
            ace.Append((planted.contig + " polymorphism consed ").c_str());
            ace.Append(column);
            ace.Append(' ');
            ace.Append(column);
            ace.AppendLine(" 060102:101010");
            ace.AppendLine("}");
            ace.AppendLine();
        }
    }
    return Close(ace, acePath);
}

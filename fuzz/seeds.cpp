// Writes the generated seeds of the trace targets, and cuts real traces
// down to a size that the fuzzer mutates quickly.
//   fuzz_seeds generate SCF_DIR ABIF_DIR
//   fuzz_seeds shrink TRACE OUT   (no OUT when TRACE is no trace it can cut)
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "fixtures.h"
#include "programs.h"
#include "trace.h"

namespace {

// Samples kept of a real trace: past the range that balances the channels.
std::size_t const KeptSamples = 2600;
// ABIF entries above this size that the reader does not use are dropped.
std::size_t const LargeEntry = 8192;

// A trace of `bases` evenly spaced peaks in `samples` samples, the letters
// cycling through ACGT with an N now and then, qualities 12 to 59.
TraceData EvenTrace(std::size_t samples, std::size_t bases) {
    TraceData t;
    for (auto& channel : t.channels) channel.assign(samples, 0);
    std::string const letters = "ACGTAGCTNACT";
    for (std::size_t i = 0; i < bases; ++i) {
        uint32_t peak = static_cast<uint32_t>(20 + i * (samples - 40) / bases);
        char letter = letters[i % letters.size()];
        int ch = DyeChannel(letter);
        for (int d = -6; d <= 6; ++d) {
            int height = static_cast<int>(900 * std::exp(-d * d / 8.0));
            if (ch >= 0) t.channels[ch][peak + d] += height;
            t.channels[(i + 1) % 4][peak + d] += height / 5;  // a smaller second peak
        }
        t.letters += letter;
        t.qualities.push_back(static_cast<int>(12 + (i * 7) % 48));
        t.peaks.push_back(peak);
    }
    t.caller = "fuzz.seed";
    return t;
}

void Generate(std::string const& scf, std::string const& abif) {
    TraceData balanced = BalancedTrace();
    TraceData even = EvenTrace(KeptSamples, 70);
    TraceData tiny = EvenTrace(60, 1);
    TraceData bare = EvenTrace(200, 3);
    bare.letters.clear();
    bare.qualities.clear();
    bare.peaks.clear();
    bare.caller.clear();
    struct {
        char const* name;
        TraceData const& trace;
    } const traces[] = {{"balanced", balanced}, {"even", even}, {"tiny", tiny}, {"bare", bare}};
    for (auto const& t : traces) {
        for (char version : {'2', '3'})
            for (int width : {1, 2})
                WriteFile(scf + "/" + t.name + "-v" + version + "-w" + std::to_string(width) + ".scf",
                          ScfFile(t.trace, version, width));
        WriteFile(abif + "/" + t.name + ".ab1", AbiFile(AbiEntries(t.trace)));
        WriteFile(abif + "/" + t.name + "-macbinary.ab1", AbiFile(AbiEntries(t.trace, "ACGT"), 128));
    }
}

// An SCF trace as the reader loads it, its first samples and the bases
// whose peaks lie among them, in its own version and sample width.
bool ShrinkScf(std::string const& path, std::string const& bytes, std::string& out) {
    TraceReader reader;
    Str name(path.c_str());
    if (bytes.size() < 128 || !reader.ReadTraceFile(name)) return false;
    unsigned short* channels[4];
    long samples = 0;
    reader.GetTraces(channels, samples);
    std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(samples), KeptSamples);
    TraceData t;
    for (int ch = 0; ch < 4; ++ch) {
        t.channels[ch].assign(channels[ch], channels[ch] + kept);
        delete[] channels[ch];
    }
    Str letters;
    Vector<long> quality;
    Vector<long> peaks;
    if (reader.GetSequence(letters, quality, peaks)) {
        for (long i = 0; i < letters.Length() && peaks.Array()[i] < static_cast<long>(kept); ++i) {
            t.letters += letters.String()[i];
            t.qualities.push_back(static_cast<int>(quality.Array()[i]));
            t.peaks.push_back(static_cast<uint32_t>(peaks.Array()[i]));
        }
    }
    t.caller = reader.GetCaller().String();
    int width = Get32(bytes, 40) == 1 ? 1 : 2;
    out = ScfFile(t, bytes[36] >= '3' ? '3' : '2', width);
    return true;
}

// An ABIF file with every entry of the original but the large ones the
// reader does not use; the channels cut to their first samples and the
// bases to those whose peaks lie among them. Odd entries stay as they are.
bool ShrinkAbif(std::string const& bytes, std::size_t m, std::string& out) {
    if (bytes.size() < m + 34) return false;
    std::size_t entrySize = Get16(bytes, m + 16);
    std::size_t count = Get32(bytes, m + 18);
    std::size_t directory = m + Get32(bytes, m + 26);
    if (entrySize < 28 || directory + count * entrySize > bytes.size()) return false;
    std::vector<AbiEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t e = directory + i * entrySize;
        AbiEntry entry{bytes.substr(e, 4), Get32(bytes, e + 4), static_cast<uint16_t>(Get16(bytes, e + 8)),
                       static_cast<uint16_t>(Get16(bytes, e + 10)), Get32(bytes, e + 12), ""};
        std::size_t size = Get32(bytes, e + 16);
        std::size_t at = size <= 4 ? e + 20 : m + Get32(bytes, e + 20);
        if (at > bytes.size() || size > bytes.size() - at) return false;
        entry.data = bytes.substr(at, size);
        bool channel = entry.name == "DATA" && entry.number >= 9 && entry.number <= 12;
        bool used = channel || entry.name == "FWO_" || entry.name == "PBAS" || entry.name == "PCON" ||
                    entry.name == "PLOC" || entry.name == "SPAC";
        if (!used && size > LargeEntry) continue;
        if (channel && entry.count > KeptSamples) {
            entry.count = static_cast<uint32_t>(KeptSamples);
            entry.data.resize(std::min(entry.data.size(), 2 * KeptSamples));
        }
        entries.push_back(entry);
    }
    // Bases whose peaks lie beyond the kept samples go.
    AbiEntry* locations = nullptr;
    for (AbiEntry& entry : entries)
        if (entry.name == "PLOC" && entry.number == 1) locations = &entry;
    if (locations && locations->data.size() == 2 * locations->count) {
        uint32_t bases = 0;
        while (bases < locations->count && Get16(locations->data, 2 * bases) < KeptSamples) ++bases;
        for (AbiEntry& entry : entries) {
            if (entry.number != 1 || entry.count != locations->count) continue;
            std::size_t width = entry.name == "PLOC" ? 2 : 1;
            if ((entry.name == "PBAS" || entry.name == "PCON" || entry.name == "PLOC") &&
                entry.data.size() == width * entry.count) {
                entry.data.resize(width * bases);
                entry.count = bases;
            }
        }
    }
    out = AbiFile(entries, m);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "generate") == 0) {
        Generate(argv[2], argv[3]);
        return 0;
    }
    if (argc != 4 || std::strcmp(argv[1], "shrink") != 0) {
        std::cerr << "usage: fuzz_seeds generate SCF_DIR ABIF_DIR | fuzz_seeds shrink TRACE OUT\n";
        return 2;
    }
    std::string bytes = ReadFile(argv[2]);
    std::string out;
    bool cut = false;
    if (bytes.compare(0, 4, ".scf") == 0)
        cut = ShrinkScf(argv[2], bytes, out);
    else if (bytes.compare(0, 4, "ABIF") == 0)
        cut = ShrinkAbif(bytes, 0, out);
    else if (bytes.size() >= 132 && bytes.compare(128, 4, "ABIF") == 0)
        cut = ShrinkAbif(bytes, 128, out);
    if (!cut && bytes.size() <= 65536) {
        out = bytes;  // small enough to take whole
        cut = true;
    }
    if (cut) WriteFile(argv[3], out);
    return 0;
}

#include "fixtures.h"

#include <algorithm>
#include <stdexcept>

#include <zlib.h>

namespace {

void AppendSample(std::string& bytes, uint32_t value, int width) {
    if (width == 1)
        bytes += static_cast<char>(value & 0xff);
    else
        Append16(bytes, value & 0xffff);
}

}  // namespace

// The fixtures keep their own channel order rather than the converter's, so
// that a fault in the converter's cannot hide in the traces it is tested on.
int DyeChannel(char letter) {
    std::size_t at = std::string("ACGT").find(letter);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

TraceData BalancedTrace() {
    TraceData t;
    for (auto& channel : t.channels) channel.assign(1600, 0);
    auto set = [&](int ch, std::vector<std::pair<int, int>> const& samples) {
        for (auto const& s : samples) t.channels[ch][s.first] = s.second;
    };
    // Peaks of the bases, and the maxima of the channel sum at 1520 (A after
    // it), 1530 (C), 1540 (whose sum wraps, so no maximum there) and 1550 (G).
    set(0, {{98, 400}, {99, 800}, {100, 1200}, {101, 800}, {102, 400}, {179, 200}, {180, 400}, {181, 200},
            {1520, 500}, {1521, 1200}, {1540, 32640}, {1541, 5000}});
    set(1, {{104, 200}, {105, 400}, {106, 200}, {118, 500}, {119, 1000}, {120, 1500}, {121, 1000}, {122, 500},
            {1520, 1500}, {1521, 200}, {1530, 1000}, {1531, 600}, {1540, 5000}});
    set(2, {{158, 250}, {159, 500}, {160, 250}, {1531, 100}, {1550, 500}, {1551, 300}});
    for (int j = 131; j <= 150; ++j) t.channels[3][j] = 50 * (j - 130);  // a straight slope
    t.letters = "ACTNaC";
    t.qualities = {20, 30, 40, 0, 7, 99};
    t.peaks = {100, 120, 140, 160, 180, 1530};
    t.caller = "KB.bcp";
    return t;
}

std::string ScfFile(TraceData const& trace, char version, int width) {
    uint32_t samples = static_cast<uint32_t>(trace.channels[0].size());
    uint32_t count = static_cast<uint32_t>(trace.letters.size());
    std::string data;
    if (version < '3') {
        for (uint32_t i = 0; i < samples; ++i)
            for (int ch = 0; ch < 4; ++ch) AppendSample(data, static_cast<uint32_t>(trace.channels[ch][i]), width);
    } else {
        // Second differences, wrapping in the sample width.
        for (int ch = 0; ch < 4; ++ch) {
            uint32_t previous = 0;
            uint32_t previousDelta = 0;
            for (uint32_t i = 0; i < samples; ++i) {
                uint32_t sample = static_cast<uint32_t>(trace.channels[ch][i]);
                uint32_t delta = sample - previous;
                AppendSample(data, delta - previousDelta, width);
                previous = sample;
                previousDelta = delta;
            }
        }
    }
    uint32_t baseOffset = 128 + static_cast<uint32_t>(data.size());
    std::vector<std::vector<unsigned char>> probability(count);
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char q = static_cast<unsigned char>(trace.qualities[i]);
        int ch = DyeChannel(trace.letters[i]);
        if (ch < 0) {
            probability[i] = {q, 1, 2, 3};
        } else {
            probability[i] = {1, 2, 3};
            probability[i].insert(probability[i].begin() + ch, q);
        }
    }
    std::string bases;
    if (version < '3') {
        for (uint32_t i = 0; i < count; ++i) {
            Append32(bases, trace.peaks[i]);
            for (unsigned char p : probability[i]) bases += static_cast<char>(p);
            bases += trace.letters[i];
            bases += std::string(3, '\0');
        }
    } else {
        for (uint32_t i = 0; i < count; ++i) Append32(bases, trace.peaks[i]);
        for (int ch = 0; ch < 4; ++ch)
            for (uint32_t i = 0; i < count; ++i) bases += static_cast<char>(probability[i][ch]);
        bases += trace.letters;
        bases += std::string(3 * count, '\0');
    }
    std::string comments = trace.caller.empty() ? "SRCE=test\n" : "NAME=x\nBCAL=" + trace.caller + "\n";
    comments += '\0';
    uint32_t commentOffset = baseOffset + static_cast<uint32_t>(bases.size());

    std::string file = ".scf";
    Append32(file, samples);
    Append32(file, 128);
    Append32(file, count);
    Append32(file, 0);
    Append32(file, count);
    Append32(file, baseOffset);
    Append32(file, static_cast<uint32_t>(comments.size()));
    Append32(file, commentOffset);
    file += version;
    file += ".00";
    Append32(file, static_cast<uint32_t>(width));
    file.resize(128, '\0');
    return file + data + bases + comments;
}

std::string ZeroScfFile(TraceData const& trace, uint32_t samples) {
    TraceData bases = trace;
    for (auto& channel : bases.channels) channel.clear();
    std::string file = ScfFile(bases, '2', 1);
    uint32_t const size = 4 * samples;
    Put32(file, 4, samples);
    Put32(file, 24, Get32(file, 24) + size);
    Put32(file, 32, Get32(file, 32) + size);
    return file.insert(128, size, '\0');
}

std::vector<AbiEntry> AbiEntries(TraceData const& trace, std::string const& order) {
    std::vector<AbiEntry> entries;
    entries.push_back({"FWO_", 1, 2, 1, 4, order});
    for (int k = 0; k < 4; ++k) {
        std::vector<int> const& channel = trace.channels[DyeChannel(order[k])];
        std::string data;
        for (int sample : channel) Append16(data, static_cast<uint32_t>(sample));
        entries.push_back({"DATA", static_cast<uint32_t>(9 + k), 4, 2, static_cast<uint32_t>(channel.size()), data});
    }
    uint32_t count = static_cast<uint32_t>(trace.letters.size());
    if (count == 0) return entries;
    std::string quality;
    for (int q : trace.qualities) quality += static_cast<char>(q);
    std::string peaks;
    for (uint32_t p : trace.peaks) Append16(peaks, p);
    entries.push_back({"PBAS", 1, 2, 1, count, trace.letters});
    entries.push_back({"PCON", 1, 2, 1, count, quality});
    entries.push_back({"PLOC", 1, 4, 2, count, peaks});
    std::string name = static_cast<char>(trace.caller.size()) + trace.caller;
    entries.push_back({"SPAC", 2, 18, 1, static_cast<uint32_t>(name.size()), name});
    return entries;
}

std::string AbiFile(std::vector<AbiEntry> const& entries, std::size_t prefix) {
    std::string body(128, '\0');  // the ABIF header, filled in below
    std::string directory;
    for (AbiEntry const& entry : entries) {
        directory += entry.name;
        Append32(directory, entry.number);
        Append16(directory, entry.type);
        Append16(directory, entry.elementSize);
        Append32(directory, entry.count);
        Append32(directory, static_cast<uint32_t>(entry.data.size()));
        if (entry.data.size() <= 4) {
            directory += entry.data + std::string(4 - entry.data.size(), '\0');
        } else {
            Append32(directory, static_cast<uint32_t>(body.size()));
            body += entry.data;
        }
        Append32(directory, 0);
    }
    std::string header = "ABIF";
    Append16(header, 101);
    header += "tdir";
    Append32(header, 1);
    Append16(header, 1023);
    Append16(header, 28);
    Append32(header, static_cast<uint32_t>(entries.size()));
    Append32(header, static_cast<uint32_t>(directory.size()));
    Append32(header, static_cast<uint32_t>(body.size()));
    Append32(header, 0);
    body.replace(0, header.size(), header);
    return std::string(prefix, '\0') + body + directory;
}

std::size_t AbiEntryOffset(std::string const& file, std::size_t i, std::size_t prefix) {
    return prefix + Get32(file, prefix + 26) + 28 * i;
}

void Gzip(std::string const& from, std::string const& to) {
    RunResult result = RunProgram({FindProgram("gzip"), "-c", "-n", from}, "/");
    if (result.status != 0) throw std::runtime_error("gzip failed on " + from);
    WriteFile(to, result.out);
}

std::string Deflate(std::string const& data, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

uint32_t Crc32(std::string const& data) {
    return static_cast<uint32_t>(crc32_z(0, reinterpret_cast<Bytef const*>(data.data()), data.size()));
}

std::string GzipOfZeros(uint64_t size) {
    z_stream z{};
    // Window bits 16 + 15: zlib writes the gzip header and trailer itself.
    if (deflateInit2(&z, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string const zeros(1 << 20, '\0');
    std::string out;
    char block[1 << 16];
    for (uint64_t left = size;;) {
        uInt n = static_cast<uInt>(std::min<uint64_t>(left, zeros.size()));
        left -= n;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        z.avail_in = n;
        int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(block);
            z.avail_out = sizeof block;
            deflate(&z, flush);
            out.append(block, sizeof block - z.avail_out);
        } while (z.avail_out == 0);
        if (flush == Z_FINISH) break;
    }
    deflateEnd(&z);
    return out;
}

std::string Little16(uint32_t value) { return {static_cast<char>(value), static_cast<char>(value >> 8)}; }
std::string Little32(uint32_t value) { return Little16(value) + Little16(value >> 16); }

std::string GzipHeader(int flags, std::string const& fields, char magic1, char method) {
    std::string header = std::string("\x1f") + magic1 + method + static_cast<char>(flags);
    header += std::string(5, '\0') + "\x03" + fields;
    if (flags & 0x02) header += Little16(Crc32(header));
    return header;
}

std::string GzipMember(std::string const& data, std::string const& header, int level) {
    return header + Deflate(data, level) + Little32(Crc32(data)) + Little32(static_cast<uint32_t>(data.size()));
}

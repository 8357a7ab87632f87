#include "trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

uint64_t BigEndian16(unsigned char const* b) { return static_cast<uint64_t>(b[0]) << 8 | b[1]; }

uint64_t BigEndian32(unsigned char const* b) {
    return static_cast<uint64_t>(b[0]) << 24 | static_cast<uint64_t>(b[1]) << 16 |
           static_cast<uint64_t>(b[2]) << 8 | b[3];
}

// Only a regular file can be a trace: opening a pipe or a device could
// wait forever.
bool IsRegularFile(Str const& path) {
    struct stat status;
    return ::stat(path.String(), &status) == 0 && S_ISREG(status.st_mode);
}

// A base letter must be one visible character: a blank, a line end or a
// control byte would break the base-call file built from it.
bool IsLetter(unsigned char letter) { return letter > ' ' && letter < 0x7f; }

// Where an ABIF entry's data lies and how much of it there is.
struct AbiEntry {
    bool found = false;
    uint64_t count = 0;
    uint64_t size = 0;
    uint64_t position = 0;  // in the file
};

}  // namespace

int TraceReader::ChannelOf(char letter) {
    switch (letter) {
    case 'A': return 0;
    case 'C': return 1;
    case 'G': return 2;
    case 'T': return 3;
    default: return -1;
    }
}

TraceReader::TraceReader() : reader(65536), fileSize(0), sampleCount(0), baseCount(0) {}

void TraceReader::Clear() {
    sampleCount = 0;
    baseCount = 0;
    for (auto& channel : traces) channel.clear();
    bases.clear();
    qualities.clear();
    peaks.clear();
    caller.Clear();
}

bool TraceReader::ReadTraceFile(Str& name) {
    Clear();
    Str path(name);
    bool compressed = false;
    if (name.CompareRight(".gz")) {
        compressed = true;
        name.DeleteRight(3);
    } else if (!FileReader::Check(name)) {
        path.Append(".gz");
        if (!FileReader::Check(path)) return false;
        compressed = true;
    }
    if (!IsRegularFile(path)) return false;
    if (!compressed) return Load(path);
    bool loaded = Unpack(path) && Load(tempName);
    if (tempName.Length() > 0) ::unlink(tempName.String());
    tempName.Clear();
    if (!loaded) Clear();
    return loaded;
}

// Runs "gunzip -c -f -- path" with its output going to a new temporary file
// (no shell: the path is one argument whatever it holds). True when gunzip
// ran and reported success.
bool TraceReader::Unpack(Str const& path) {
    char const* dir = std::getenv("TMPDIR");
    tempName = dir && *dir ? dir : "/tmp";
    if (!tempName.CompareRight('/')) tempName.Append('/');
    tempName.Append("trelvik.XXXXXX");
    int fd = ::mkostemp(tempName.String(), O_CLOEXEC);
    if (fd < 0) {
        tempName.Clear();
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
    char program[] = "gunzip";
    char toStdout[] = "-c";
    char force[] = "-f";
    char endOfOptions[] = "--";
    char* argv[] = {program, toStdout, force, endOfOptions, path.String(), nullptr};
    pid_t pid;
    int started = ::posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fd);
    if (started != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool TraceReader::Load(Str const& file) {
    if (!reader.Open(file)) return false;
    fileSize = static_cast<uint64_t>(reader.GetFileSize());
    std::vector<unsigned char> magic;
    int result = 1;
    if (ReadBytes(0, 4, magic) && std::memcmp(magic.data(), ".scf", 4) == 0)
        result = ReadSCFormat();
    else if (magic.size() == 4 && std::memcmp(magic.data(), "ABIF", 4) == 0)
        result = ReadAbiFormat(0);
    else if (ReadBytes(128, 4, magic) && std::memcmp(magic.data(), "ABIF", 4) == 0)
        result = ReadAbiFormat(128);
    reader.Close();
    if (result != 0) Clear();
    return result == 0;
}

// Exactly n bytes at pos, or false when they do not all lie in the file.
bool TraceReader::ReadBytes(uint64_t pos, uint64_t n, std::vector<unsigned char>& to) {
    to.clear();
    if (pos > fileSize || n > fileSize - pos) return false;
    to.resize(n);
    if (n == 0) return true;
    return reader.SetPosition(static_cast<long>(pos)) &&
           reader.GetByte(to.data(), static_cast<long>(n)) == static_cast<long>(n);
}

// The caller's name up to the first control character, so that it stays on
// its one header line.
void TraceReader::SetCaller(unsigned char const* text, uint64_t n) {
    caller.Clear();
    for (uint64_t i = 0; i < n && text[i] >= ' ' && text[i] != 0x7f; ++i) caller.Append(static_cast<char>(text[i]));
}

int TraceReader::ReadSCFormat() {
    std::vector<unsigned char> header;
    if (!ReadBytes(0, 128, header)) return 1;
    unsigned char const* h = header.data();
    uint64_t samples = BigEndian32(h + 4);
    uint64_t sampleOffset = BigEndian32(h + 8);
    uint64_t count = BigEndian32(h + 12);
    uint64_t baseOffset = BigEndian32(h + 24);
    uint64_t commentOffset = BigEndian32(h + 32);
    bool version3 = h[36] >= '3';
    uint64_t width = BigEndian32(h + 40);
    if (width != 1 && width != 2) return 1;

    std::vector<unsigned char> data;
    if (!ReadBytes(sampleOffset, samples * 4 * width, data)) return 1;
    sampleCount = static_cast<long>(samples);
    for (auto& channel : traces) channel.assign(samples, 0);
    auto value = [&](uint64_t index) {
        return width == 1 ? data[index] : BigEndian16(data.data() + 2 * index);
    };
    if (!version3) {
        // Points one after another, each the A, C, G and T sample.
        for (uint64_t i = 0; i < samples; ++i)
            for (int ch = 0; ch < 4; ++ch) traces[ch][i] = static_cast<unsigned short>(value(4 * i + ch));
    } else {
        // Channels one after another, each stored as second differences;
        // the two running sums wrap in the sample width.
        uint64_t mask = width == 1 ? 0xff : 0xffff;
        for (int ch = 0; ch < 4; ++ch) {
            uint64_t p = 0;
            uint64_t q = 0;
            for (uint64_t i = 0; i < samples; ++i) {
                p = (p + value(ch * samples + i)) & mask;
                q = (q + p) & mask;
                traces[ch][i] = static_cast<unsigned short>(q);
            }
        }
    }

    if (!ReadBytes(baseOffset, count * (version3 ? 9 : 12), data)) return 1;
    baseCount = static_cast<long>(count);
    bases.resize(count);
    qualities.resize(count);
    peaks.resize(count + 1);
    for (uint64_t i = 0; i < count; ++i) {
        unsigned char probability[4];
        unsigned char letter;
        if (version3) {
            peaks[i] = static_cast<long>(BigEndian32(data.data() + 4 * i));
            for (int k = 0; k < 4; ++k) probability[k] = data[(4 + k) * count + i];
            letter = data[8 * count + i];
        } else {
            unsigned char const* record = data.data() + 12 * i;
            peaks[i] = static_cast<long>(BigEndian32(record));
            std::memcpy(probability, record + 4, 4);
            letter = record[8];
        }
        if (!IsLetter(letter)) return 1;
        int ch = ChannelOf(static_cast<char>(letter));
        bases[i] = static_cast<char>(letter);
        qualities[i] = static_cast<signed char>(ch < 0 ? 0 : probability[ch]);
    }
    peaks[count] = sampleCount;

    // The comments run to the end of the file; the caller is on a line
    // "BCAL=name".
    if (commentOffset < fileSize && reader.SetPosition(static_cast<long>(commentOffset))) {
        Str line;
        while (reader.GetLine(line)) {
            if (line.Compare("BCAL=")) {
                SetCaller(reinterpret_cast<unsigned char const*>(line.String()) + 5,
                          static_cast<uint64_t>(line.Length() - 5));
                break;
            }
        }
    }
    return 0;
}

int TraceReader::ReadAbiFormat(unsigned long offset) {
    uint64_t m = offset;
    std::vector<unsigned char> header;
    if (!ReadBytes(m, 34, header)) return 1;
    uint64_t entrySize = BigEndian16(header.data() + 16);
    uint64_t entryCount = BigEndian32(header.data() + 18);
    uint64_t directory = m + BigEndian32(header.data() + 26);
    if (entrySize < 28) return 1;
    std::vector<unsigned char> entries;
    if (!ReadBytes(directory, entryCount * entrySize, entries)) return 1;

    AbiEntry order;
    AbiEntry channels[4];
    AbiEntry letters;
    AbiEntry quality;
    AbiEntry locations;
    AbiEntry name;
    for (uint64_t i = 0; i < entryCount; ++i) {
        unsigned char const* e = entries.data() + i * entrySize;
        uint64_t number = BigEndian32(e + 4);
        AbiEntry* kind = nullptr;
        if (std::memcmp(e, "FWO_", 4) == 0 && number == 1)
            kind = &order;
        else if (std::memcmp(e, "DATA", 4) == 0 && number >= 9 && number <= 12)
            kind = &channels[number - 9];
        else if (std::memcmp(e, "PBAS", 4) == 0 && number == 1)
            kind = &letters;
        else if (std::memcmp(e, "PCON", 4) == 0 && number == 1)
            kind = &quality;
        else if (std::memcmp(e, "PLOC", 4) == 0 && number == 1)
            kind = &locations;
        else if (std::memcmp(e, "SPAC", 4) == 0 && number == 2)
            kind = &name;
        if (!kind) continue;
        kind->found = true;
        kind->count = BigEndian32(e + 12);
        kind->size = BigEndian32(e + 16);
        // Data of 4 bytes or fewer is stored in the entry itself.
        kind->position = kind->size <= 4 ? directory + i * entrySize + 20 : m + BigEndian32(e + 20);
    }
    // The element count times the element width must fit in the entry's
    // data, and the data in the file.
    std::vector<unsigned char> data;
    auto read = [&](AbiEntry const& entry, uint64_t width) {
        return entry.count * width <= entry.size && ReadBytes(entry.position, entry.count * width, data);
    };

    // The channel order: a permutation of A, C, G and T.
    if (!order.found || order.size != 4 || !ReadBytes(order.position, 4, data)) return 1;
    int channelOf[4];
    bool seen[4] = {false, false, false, false};
    for (int k = 0; k < 4; ++k) {
        channelOf[k] = ChannelOf(static_cast<char>(data[k]));
        if (channelOf[k] < 0 || seen[channelOf[k]]) return 1;
        seen[channelOf[k]] = true;
    }

    uint64_t samples = channels[0].count;
    for (auto const& channel : channels)
        if (channel.count != samples) return 1;
    if (samples == 0) return 1;
    sampleCount = static_cast<long>(samples);
    for (int k = 0; k < 4; ++k) {
        if (!read(channels[k], 2)) return 1;
        // Samples are signed; below the baseline counts as 0.
        std::vector<unsigned short>& trace = traces[channelOf[k]];
        trace.resize(samples);
        for (uint64_t i = 0; i < samples; ++i) {
            int value = static_cast<int16_t>(BigEndian16(data.data() + 2 * i));
            trace[i] = static_cast<unsigned short>(value < 0 ? 0 : value);
        }
    }

    uint64_t count = letters.found ? letters.count : 0;
    if (count > 0) {
        if (quality.count != count || locations.count != count) return 1;
        if (!read(letters, 1)) return 1;
        bases.resize(count);
        for (uint64_t i = 0; i < count; ++i) {
            if (!IsLetter(data[i])) return 1;
            bases[i] = static_cast<char>(data[i]);
        }
        if (!read(quality, 1)) return 1;
        qualities.resize(count);
        for (uint64_t i = 0; i < count; ++i) qualities[i] = static_cast<signed char>(data[i]);
        if (!read(locations, 2)) return 1;
        peaks.resize(count + 1);
        for (uint64_t i = 0; i < count; ++i) peaks[i] = static_cast<long>(BigEndian16(data.data() + 2 * i));
        peaks[count] = sampleCount;
        // A counted string: a length byte, then count - 1 characters.
        if (name.found && name.count > 0) {
            if (!read(name, 1)) return 1;
            SetCaller(data.data() + 1, name.count - 1);
        }
        baseCount = static_cast<long>(count);
    }
    return 0;
}

void TraceReader::GetTraces(unsigned short** channels, long& count) const {
    count = sampleCount;
    for (int ch = 0; ch < 4; ++ch) {
        channels[ch] = new unsigned short[sampleCount > 0 ? sampleCount : 1];
        std::copy(traces[ch].begin(), traces[ch].end(), channels[ch]);
    }
}

bool TraceReader::GetSequence(Str& letters, Vector<long>& quality, Vector<long>& positions) const {
    if (baseCount == 0) return false;
    letters.Copy(bases.data(), baseCount);
    positions.Copy(peaks.data(), baseCount + 1);
    bool usable = false;
    for (signed char q : qualities) usable = usable || q >= 10;
    if (!usable) return false;
    std::vector<long> values(qualities.begin(), qualities.end());
    quality.Copy(values.data(), baseCount);
    return true;
}

#include "trace.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

unsigned BigEndian16(unsigned char const* b) { return static_cast<unsigned>(b[0]) << 8 | b[1]; }

uint64_t BigEndian32(unsigned char const* b) {
    return static_cast<uint64_t>(b[0]) << 24 | static_cast<uint64_t>(b[1]) << 16 |
           static_cast<uint64_t>(b[2]) << 8 | b[3];
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

TraceReader::TraceReader(uint64_t sizeLimit) : sizeLimit(sizeLimit), fileSize(0), sampleCount(0), baseCount(0) {}

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
    fileSize = 0;
    bool loaded = false;
    if (name.CompareRight(".gz")) {
        Str path(name);
        name.DeleteRight(3);
        loaded = Unpack(path) && Load();
    } else {
        Found plain = ReadPlain(name.String());
        if (plain == Missing) {
            Str path(name);
            path.Append(".gz");
            loaded = Unpack(path) && Load();
        } else {
            loaded = plain == Loaded && Load();
        }
    }
    if (!loaded) Clear();
    return loaded;
}

// The whole file into `file`. Only a regular file can be a trace: reading
// a pipe or a device could wait forever (hence the open without waiting).
TraceReader::Found TraceReader::ReadPlain(char const* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Missing : Refused;
    struct stat status;
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && static_cast<uint64_t>(status.st_size) <= sizeLimit;
    if (ok) {
        uint64_t size = static_cast<uint64_t>(status.st_size);
        if (file.size() < size) file.resize(size);
        while (ok && fileSize < size) {
            ssize_t n = ::read(fd, file.data() + fileSize, size - fileSize);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // shorter than it was: what there is
            fileSize += static_cast<uint64_t>(n);
        }
    }
    ::close(fd);
    return ok ? Loaded : Refused;
}

// Runs "gzip -d -c -f -- path", which is what the gunzip script runs, so
// without a shell started for each trace (and the path is one argument
// whatever it holds), and takes its output through a pipe into `file`.
// True when gzip reported success and its output stayed within the size
// limit; past the limit gzip is stopped.
bool TraceReader::Unpack(Str const& path) {
    struct stat status;
    if (::stat(path.String(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    // gzip must die of a closed pipe even where this process ignores it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    char program[] = "gzip";
    char decompress[] = "-d";
    char toStdout[] = "-c";
    char force[] = "-f";
    char endOfOptions[] = "--";
    char* argv[] = {program, decompress, toStdout, force, endOfOptions, path.String(), nullptr};
    pid_t pid;
    int started = ::posix_spawnp(&pid, program, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipe[1]);
    if (started != 0) {
        ::close(pipe[0]);
        return false;
    }
    // One byte past the limit tells that the output is too long.
    bool tooLong = false;
    for (;;) {
        if (fileSize == file.size()) {
            if (fileSize > sizeLimit) {
                tooLong = true;
                break;
            }
            file.resize(std::min(std::max<uint64_t>(2 * file.size(), 1 << 20), sizeLimit + 1));
        }
        ssize_t n = ::read(pipe[0], file.data() + fileSize, file.size() - fileSize);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        fileSize += static_cast<uint64_t>(n);
    }
    ::close(pipe[0]);
    if (tooLong) ::kill(pid, SIGKILL);
    int result = 0;
    while (::waitpid(pid, &result, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return !tooLong && WIFEXITED(result) && WEXITSTATUS(result) == 0;
}

bool TraceReader::Load() {
    unsigned char const* magic = At(0, 4);
    if (magic && std::memcmp(magic, ".scf", 4) == 0) return ReadSCFormat();
    if (magic && std::memcmp(magic, "ABIF", 4) == 0) return ReadAbiFormat(0);
    magic = At(128, 4);
    return magic && std::memcmp(magic, "ABIF", 4) == 0 && ReadAbiFormat(128);
}

// The n bytes at pos, or null when they do not all lie in the file.
unsigned char const* TraceReader::At(uint64_t pos, uint64_t n) const {
    if (pos > fileSize || n > fileSize - pos) return nullptr;
    return file.data() + pos;
}

// The caller's name up to the first control character, so that it stays on
// its one header line.
void TraceReader::SetCaller(unsigned char const* text, uint64_t n) {
    uint64_t length = 0;
    while (length < n && text[length] >= ' ' && text[length] != 0x7f) ++length;
    caller.Copy(reinterpret_cast<char const*>(text), static_cast<long>(length));
}

bool TraceReader::ReadSCFormat() {
    unsigned char const* h = At(0, 128);
    if (!h) return false;
    uint64_t samples = BigEndian32(h + 4);
    uint64_t sampleOffset = BigEndian32(h + 8);
    uint64_t count = BigEndian32(h + 12);
    uint64_t baseOffset = BigEndian32(h + 24);
    uint64_t commentOffset = BigEndian32(h + 32);
    bool version3 = h[36] >= '3';
    uint64_t width = BigEndian32(h + 40);
    if (width != 1 && width != 2) return false;

    unsigned char const* data = At(sampleOffset, samples * 4 * width);
    if (!data) return false;
    sampleCount = static_cast<long>(samples);
    for (auto& channel : traces) channel.resize(samples);
    if (!version3) {
        // Points one after another, each the A, C, G and T sample.
        for (int ch = 0; ch < 4; ++ch) {
            unsigned short* to = traces[ch].data();
            if (width == 1)
                for (uint64_t i = 0; i < samples; ++i) to[i] = data[4 * i + ch];
            else
                for (uint64_t i = 0; i < samples; ++i) to[i] = static_cast<unsigned short>(BigEndian16(data + 8 * i + 2 * ch));
        }
    } else {
        // Channels one after another, each stored as second differences;
        // the two running sums wrap in the sample width.
        for (int ch = 0; ch < 4; ++ch) {
            unsigned short* to = traces[ch].data();
            if (width == 1) {
                unsigned char const* from = data + ch * samples;
                unsigned char p = 0;
                unsigned char q = 0;
                for (uint64_t i = 0; i < samples; ++i) {
                    p = static_cast<unsigned char>(p + from[i]);
                    q = static_cast<unsigned char>(q + p);
                    to[i] = q;
                }
            } else {
                unsigned char const* from = data + 2 * ch * samples;
                unsigned short p = 0;
                unsigned short q = 0;
                for (uint64_t i = 0; i < samples; ++i) {
                    p = static_cast<unsigned short>(p + BigEndian16(from + 2 * i));
                    q = static_cast<unsigned short>(q + p);
                    to[i] = q;
                }
            }
        }
    }

    data = At(baseOffset, count * (version3 ? 9 : 12));
    if (!data) return false;
    baseCount = static_cast<long>(count);
    bases.resize(count);
    qualities.resize(count);
    peaks.resize(count + 1);
    for (uint64_t i = 0; i < count; ++i) {
        unsigned char probability[4];
        unsigned char letter;
        if (version3) {
            peaks[i] = static_cast<long>(BigEndian32(data + 4 * i));
            for (int k = 0; k < 4; ++k) probability[k] = data[(4 + k) * count + i];
            letter = data[8 * count + i];
        } else {
            unsigned char const* record = data + 12 * i;
            peaks[i] = static_cast<long>(BigEndian32(record));
            std::memcpy(probability, record + 4, 4);
            letter = record[8];
        }
        if (!IsLetter(letter)) return false;
        int ch = ChannelOf(static_cast<char>(letter));
        bases[i] = static_cast<char>(letter);
        qualities[i] = static_cast<signed char>(ch < 0 ? 0 : probability[ch]);
    }
    peaks[count] = sampleCount;

    // The comments run to the end of the file; the caller is on the first
    // line that begins "BCAL=".
    for (uint64_t line = commentOffset; line < fileSize;) {
        unsigned char const* text = file.data() + line;
        uint64_t left = fileSize - line;
        if (left >= 5 && std::memcmp(text, "BCAL=", 5) == 0) {
            SetCaller(text + 5, left - 5);
            break;
        }
        void const* newline = std::memchr(text, '\n', left);
        if (!newline) break;
        line += static_cast<uint64_t>(static_cast<unsigned char const*>(newline) - text) + 1;
    }
    return true;
}

bool TraceReader::ReadAbiFormat(unsigned long offset) {
    uint64_t m = offset;
    unsigned char const* header = At(m, 34);
    if (!header) return false;
    uint64_t entrySize = BigEndian16(header + 16);
    uint64_t entryCount = BigEndian32(header + 18);
    uint64_t directory = m + BigEndian32(header + 26);
    if (entrySize < 28) return false;
    unsigned char const* entries = At(directory, entryCount * entrySize);
    if (!entries) return false;

    AbiEntry order;
    AbiEntry channels[4];
    AbiEntry letters;
    AbiEntry quality;
    AbiEntry locations;
    AbiEntry name;
    for (uint64_t i = 0; i < entryCount; ++i) {
        unsigned char const* e = entries + i * entrySize;
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
    auto read = [&](AbiEntry const& entry, uint64_t width) -> unsigned char const* {
        return entry.count * width <= entry.size ? At(entry.position, entry.count * width) : nullptr;
    };

    // The channel order: a permutation of A, C, G and T.
    unsigned char const* data = order.found && order.size == 4 ? At(order.position, 4) : nullptr;
    if (!data) return false;
    int channelOf[4];
    bool seen[4] = {false, false, false, false};
    for (int k = 0; k < 4; ++k) {
        channelOf[k] = ChannelOf(static_cast<char>(data[k]));
        if (channelOf[k] < 0 || seen[channelOf[k]]) return false;
        seen[channelOf[k]] = true;
    }

    uint64_t samples = channels[0].count;
    for (auto const& channel : channels)
        if (channel.count != samples) return false;
    if (samples == 0) return false;
    sampleCount = static_cast<long>(samples);
    for (int k = 0; k < 4; ++k) {
        if (!(data = read(channels[k], 2))) return false;
        // Samples are signed; below the baseline counts as 0.
        std::vector<unsigned short>& trace = traces[channelOf[k]];
        trace.resize(samples);
        for (uint64_t i = 0; i < samples; ++i) {
            int value = static_cast<int16_t>(BigEndian16(data + 2 * i));
            trace[i] = static_cast<unsigned short>(value < 0 ? 0 : value);
        }
    }

    uint64_t count = letters.found ? letters.count : 0;
    if (count > 0) {
        if (quality.count != count || locations.count != count) return false;
        if (!(data = read(letters, 1))) return false;
        bases.resize(count);
        for (uint64_t i = 0; i < count; ++i) {
            if (!IsLetter(data[i])) return false;
            bases[i] = static_cast<char>(data[i]);
        }
        if (!(data = read(quality, 1))) return false;
        qualities.resize(count);
        for (uint64_t i = 0; i < count; ++i) qualities[i] = static_cast<signed char>(data[i]);
        if (!(data = read(locations, 2))) return false;
        peaks.resize(count + 1);
        for (uint64_t i = 0; i < count; ++i) peaks[i] = static_cast<long>(BigEndian16(data + 2 * i));
        peaks[count] = sampleCount;
        // A counted string: a length byte, then count - 1 characters.
        if (name.found && name.count > 0) {
            if (!(data = read(name, 1))) return false;
            SetCaller(data + 1, name.count - 1);
        }
        baseCount = static_cast<long>(count);
    }
    return true;
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
    for (long q : qualities) usable = usable || q >= 10;
    if (!usable) return false;
    quality.Copy(qualities.data(), baseCount);
    return true;
}

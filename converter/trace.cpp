#include "trace.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "basechannel.h"
#include "bigendian.h"

namespace {

// The first two bytes of a gzip member, and the second byte of the first
// versions' magic, which gzip still unpacks.
unsigned char const GzipMagic[2] = {0x1f, 0x8b};
int const OldGzipMagic1 = 0x9e;
// The second bytes, after 0x1f, of pack, compress and LZH data, and the
// start of a zip file: formats gzip unpacks too.
int const PackMagic1 = 0x1e;
int const LzwMagic1 = 0x9d;
int const LzhMagic1 = 0xa0;
unsigned char const ZipMagic[4] = {'P', 'K', 3, 4};
// A member header's compression method and flags.
int const Deflated = 8;
unsigned const HeaderCrc = 0x02;
unsigned const ExtraField = 0x04;
unsigned const OriginalName = 0x08;
unsigned const Comment = 0x10;
unsigned const Encrypted = 0x20;
unsigned const ReservedFlags = 0xc0;
// The compressed file is read in blocks of this size.
std::size_t const PackedBlock = std::size_t(256) << 10;
// Unpacking starts with room for this many bytes.
uint64_t const FirstRoom = uint64_t(1) << 20;
// Room for more bytes than this is given back once its trace is loaded;
// less serves the next trace too.
uint64_t const KeptRoom = uint64_t(16) << 20;

// A file descriptor, closed when it goes, also when a failed allocation
// ends the reading.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// A raw deflate stream, ended when it goes.
struct Inflater {
    z_stream z{};
    bool ready = ::inflateInit2(&z, -MAX_WBITS) == Z_OK;
    ~Inflater() {
        if (ready) ::inflateEnd(&z);
    }
};

uint64_t LittleEndian32(unsigned char const* b) {
    return static_cast<uint64_t>(b[3]) << 24 | static_cast<uint64_t>(b[2]) << 16 |
           static_cast<uint64_t>(b[1]) << 8 | b[0];
}

// A base letter must be one visible character: a blank, a line end or a
// control byte would break the base-call file built from it.
bool IsLetter(unsigned char letter) { return letter > ' ' && letter < 0x7f; }

// The quality of an SCF base: the probability of its letter's channel; for
// a mixed-base letter the largest of its bases' channels (0 when the writer
// gave none, as io_lib does); 0 for any other letter.
unsigned char ScfQuality(char letter, unsigned char const probability[4]) {
    int ch = BaseChannel(letter);
    if (ch >= 0) return probability[ch];
    unsigned channels = MixedChannels(letter);
    unsigned char best = 0;
    for (int k = 0; k < 4; ++k)
        if (channels & (1u << k)) best = std::max(best, probability[k]);
    return best;
}

// Where an ABIF entry's data lies and how much of it there is.
struct AbiEntry {
    bool found = false;
    uint64_t count = 0;
    uint64_t size = 0;
    uint64_t position = 0;  // in the file
};

}  // namespace

// The compressed file, read one block at a time. The bytes taken through
// Byte, Skip and SkipString are added to `crc`, for a member header's check.
class TraceReader::PackedInput {
public:
    PackedInput(int fd, std::vector<unsigned char>& block) : fd(fd), block(block) {}

    // A new block once the last one is used up; false at the end of the
    // file and on a read error (which sets `error`).
    bool Fill() {
        while (left == 0) {
            ssize_t n = ::read(fd, block.data(), block.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) return false;
            next = block.data();
            left = static_cast<std::size_t>(n);
        }
        return true;
    }
    // The next byte, or -1 at the end.
    int Byte() {
        if (!Fill()) return -1;
        int byte = *next;
        Take(1);
        return byte;
    }
    // Steps over n bytes; false when the file ends first.
    bool Skip(uint64_t n) {
        while (n > 0) {
            if (!Fill()) return false;
            std::size_t part = static_cast<std::size_t>(std::min<uint64_t>(n, left));
            Take(part);
            n -= part;
        }
        return true;
    }
    // Steps over a string and the NUL that ends it.
    bool SkipString() {
        for (;;) {
            if (!Fill()) return false;
            void const* end = std::memchr(next, 0, left);
            if (end) {
                Take(static_cast<std::size_t>(static_cast<unsigned char const*>(end) - next) + 1);
                return true;
            }
            Take(left);
        }
    }

    unsigned char const* next = nullptr;
    std::size_t left = 0;
    int error = 0;  // errno of a failed read
    unsigned long crc = 0;

private:
    void Take(std::size_t n) {
        crc = ::crc32_z(crc, next, n);
        next += n;
        left -= n;
    }

    int fd;
    std::vector<unsigned char>& block;
};

TraceReader::TraceReader(uint64_t sizeLimit)
    : sizeLimit(sizeLimit), fileRoom(0), fileSize(0), sampleCount(0), baseCount(0) {}

void TraceReader::Clear() {
    sampleCount = 0;
    baseCount = 0;
    for (auto& channel : traces) channel.reset();
    bases.clear();
    qualities.clear();
    peaks.clear();
    caller.Clear();
}

bool TraceReader::ReadTraceFile(Str const& path) {
    Clear();
    fileSize = 0;
    readError = 0;
    addedGzip = false;
    Found found = Missing;
    if (path.CompareRight(".gz")) {
        found = Unpack(path.String());
    } else {
        found = ReadPlain(path.String());
        if (found == Missing) {
            addedGzip = true;  // before the name is made, for a failure to make it
            Str packed(path);
            packed.Append(".gz");
            found = Unpack(packed.String());
            if (found == Missing) addedGzip = false;
        }
    }
    bool loaded = found == Loaded && Load();
    if (!loaded) Clear();
    if (fileRoom > KeptRoom) {
        file.reset();
        fileRoom = 0;
    }
    return loaded;
}

char const* TraceReader::GetReadError() const { return std::strerror(readError); }

// Opens a regular file for reading: Loaded with its descriptor and size.
// Only a regular file can be a trace: reading a pipe or a device could wait
// forever (hence the open without waiting). A name that cannot be opened is
// missing when nothing has it, refused when it is no regular file, and
// otherwise a failure to read: so is a link that names nothing.
TraceReader::Found TraceReader::Open(char const* path, int& fd, uint64_t& size) {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status;
    if (fd < 0) {
        int error = errno;
        if (::stat(path, &status) == 0) {
            if (!S_ISREG(status.st_mode)) return Refused;
        } else if (::lstat(path, &status) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            return Missing;
        }
        readError = error;
        return Failed;
    }
    if (::fstat(fd, &status) != 0) {
        readError = errno;
        return Failed;
    }
    if (!S_ISREG(status.st_mode)) return Refused;
    size = static_cast<uint64_t>(status.st_size);
    return Loaded;
}

// The whole file into `file`.
TraceReader::Found TraceReader::ReadPlain(char const* path) {
    uint64_t size = 0;
    Descriptor in;
    Found found = Open(path, in.fd, size);
    if (found != Loaded) return found;
    if (size > sizeLimit) return Refused;
    Reserve(size);
    while (fileSize < size) {
        ssize_t n = ::read(in.fd, file.get() + fileSize, size - fileSize);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            readError = errno;
            return Failed;
        }
        if (n == 0) break;  // shorter than it was: what there is
        fileSize += static_cast<uint64_t>(n);
    }
    return Loaded;
}

// Room for at least one more byte in `file`; false once it holds more than
// the size limit. The room doubles, and its last step goes to one byte
// past the limit, so that a file too large is told without taking more.
bool TraceReader::Room() {
    if (fileSize < fileRoom) return true;
    if (fileSize > sizeLimit) return false;
    uint64_t room = std::max(2 * fileRoom, FirstRoom);
    Reserve(room < sizeLimit ? room : sizeLimit + 1);
    return true;
}

// Room in `file` for `room` bytes, exactly, the first `fileSize` of them
// kept. Old room with nothing to keep is given back first.
void TraceReader::Reserve(uint64_t room) {
    if (room <= fileRoom) return;
    if (fileSize == 0) {
        file.reset();
        fileRoom = 0;
    }
    std::unique_ptr<unsigned char[]> bigger(new unsigned char[room]);
    if (fileSize > 0) std::memcpy(bigger.get(), file.get(), fileSize);
    file = std::move(bigger);
    fileRoom = room;
}

bool TraceReader::Append(unsigned char const* bytes, uint64_t n) {
    while (n > 0) {
        if (!Room()) return false;
        uint64_t part = std::min<uint64_t>(n, fileRoom - fileSize);
        std::memcpy(file.get() + fileSize, bytes, part);
        fileSize += part;
        bytes += part;
        n -= part;
    }
    return true;
}

// Unpacks the file into `file` as `gzip -d -c -f` does: gzip members one
// after another, each checked against the CRC and length it ends with; the
// first bytes that do not start a member are taken as they are, with all
// that follows them, so a file that is not compressed is read unchanged.
// Data compressed by the other programs gzip knows (zip, compress, pack,
// LZH) is refused, and so is all past the size limit, which holds for the
// compressed file as for a plain one.
TraceReader::Found TraceReader::Unpack(char const* path) {
    uint64_t size = 0;
    Descriptor fd;
    Found found = Open(path, fd.fd, size);
    if (found != Loaded) return found;
    if (size > sizeLimit) return Refused;
    if (packed.empty()) packed.resize(PackedBlock);
    PackedInput in(fd.fd, packed);
    Inflater inflater;
    z_stream& z = inflater.z;
    bool ok = inflater.ready;
    for (bool first = true; ok; first = false) {
        int m0 = in.Byte();
        if (m0 < 0) break;
        int m1 = in.Byte();
        if (m0 == GzipMagic[0] && (m1 == GzipMagic[1] || m1 == OldGzipMagic1)) {
            ok = UnpackMember(in, &z, m1);
        } else if ((m0 == GzipMagic[0] && (m1 == PackMagic1 || m1 == LzwMagic1 || m1 == LzhMagic1)) ||
                   (first && m0 == ZipMagic[0] && m1 == ZipMagic[1] && in.left >= 2 &&
                    std::memcmp(in.next, ZipMagic + 2, 2) == 0)) {
            ok = false;
        } else {
            unsigned char start[2] = {static_cast<unsigned char>(m0), static_cast<unsigned char>(m1)};
            ok = Append(start, m1 < 0 ? 1 : 2);
            while (ok && in.Fill()) {
                ok = Append(in.next, in.left);
                in.left = 0;
            }
            break;
        }
    }
    if (in.error != 0) {
        readError = in.error;
        return Failed;
    }
    return ok && fileSize <= sizeLimit ? Loaded : Refused;
}

// One gzip member after its two magic bytes (the second one given): the
// header, the deflate data into `file`, and the CRC and length after it.
bool TraceReader::UnpackMember(PackedInput& in, z_stream_s* z, int magic1) {
    unsigned char const magic[2] = {GzipMagic[0], static_cast<unsigned char>(magic1)};
    in.crc = ::crc32(0, magic, 2);
    int method = in.Byte();
    int flags = in.Byte();
    if (method != Deflated || flags < 0 || (flags & (Encrypted | ReservedFlags)) != 0) return false;
    if (!in.Skip(6)) return false;  // time, extra flags, system
    if (flags & ExtraField) {
        int low = in.Byte();
        int high = in.Byte();
        if (high < 0 || !in.Skip(static_cast<unsigned>(low | high << 8))) return false;
    }
    if ((flags & OriginalName) && !in.SkipString()) return false;
    if ((flags & Comment) && !in.SkipString()) return false;
    if (flags & HeaderCrc) {
        unsigned long expected = in.crc & 0xffff;
        int low = in.Byte();
        int high = in.Byte();
        if (high < 0 || static_cast<unsigned long>(low | high << 8) != expected) return false;
    }

    uint64_t start = fileSize;
    if (::inflateReset(z) != Z_OK) return false;
    for (int status = Z_OK; status != Z_STREAM_END;) {
        if (!Room() || (in.left == 0 && !in.Fill())) return false;
        uInt space = static_cast<uInt>(std::min<uint64_t>(fileRoom - fileSize, UINT_MAX));
        z->next_in = const_cast<Bytef*>(in.next);
        z->avail_in = static_cast<uInt>(in.left);
        z->next_out = file.get() + fileSize;
        z->avail_out = space;
        status = ::inflate(z, Z_NO_FLUSH);
        in.next = z->next_in;
        in.left = z->avail_in;
        fileSize += space - z->avail_out;
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return false;
    }
    unsigned char trailer[8];
    for (unsigned char& byte : trailer) {
        int b = in.Byte();
        if (b < 0) return false;
        byte = static_cast<unsigned char>(b);
    }
    uint64_t length = fileSize - start;
    return LittleEndian32(trailer) == ::crc32_z(0, file.get() + start, length) &&
           LittleEndian32(trailer + 4) == (length & 0xffffffff);
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
    return file.get() + pos;
}

// The caller's name up to the first control character, so that it stays on
// its one header line, and at most MaxCallerLength characters.
void TraceReader::SetCaller(unsigned char const* text, uint64_t n) {
    n = std::min(n, MaxCallerLength);
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
    if (samples > MaxSamples || count > MaxBases) return false;

    unsigned char const* data = At(sampleOffset, samples * 4 * width);
    if (!data) return false;
    sampleCount = static_cast<long>(samples);
    for (auto& channel : traces) channel.reset(new unsigned short[samples]);
    if (!version3) {
        // Points one after another, each the A, C, G and T sample.
        for (int ch = 0; ch < 4; ++ch) {
            unsigned short* to = traces[ch].get();
            if (width == 1)
                for (uint64_t i = 0; i < samples; ++i) to[i] = data[4 * i + ch];
            else
                for (uint64_t i = 0; i < samples; ++i) to[i] = static_cast<unsigned short>(BigEndian16(data + 8 * i + 2 * ch));
        }
    } else {
        // Channels one after another, each stored as second differences;
        // the two running sums wrap in the sample width.
        for (int ch = 0; ch < 4; ++ch) {
            unsigned short* to = traces[ch].get();
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
        bases[i] = static_cast<char>(letter);
        qualities[i] = static_cast<signed char>(ScfQuality(bases[i], probability));
    }
    peaks[count] = sampleCount;

    // The comments run to the end of the file; the caller is on the first
    // line that begins "BCAL=".
    for (uint64_t line = commentOffset; line < fileSize;) {
        unsigned char const* text = file.get() + line;
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
        channelOf[k] = BaseChannel(static_cast<char>(data[k]));
        if (channelOf[k] < 0 || seen[channelOf[k]]) return false;
        seen[channelOf[k]] = true;
    }

    uint64_t samples = channels[0].count;
    for (auto const& channel : channels)
        if (channel.count != samples) return false;
    if (samples == 0 || samples > MaxSamples) return false;
    sampleCount = static_cast<long>(samples);
    for (int k = 0; k < 4; ++k) {
        if (!(data = read(channels[k], 2))) return false;
        // Samples are signed; below the baseline counts as 0.
        unsigned short* trace = new unsigned short[samples];
        traces[channelOf[k]].reset(trace);
        for (uint64_t i = 0; i < samples; ++i) {
            int value = static_cast<int16_t>(BigEndian16(data + 2 * i));
            trace[i] = static_cast<unsigned short>(value < 0 ? 0 : value);
        }
    }

    uint64_t count = letters.found ? letters.count : 0;
    if (count > MaxBases) return false;
    if (count > 0) {
        // A trace without any quality entry, as older ABI sequencers wrote
        // them, loads without qualities.
        if ((quality.found && quality.count != count) || locations.count != count) return false;
        if (!(data = read(letters, 1))) return false;
        bases.resize(count);
        for (uint64_t i = 0; i < count; ++i) {
            if (!IsLetter(data[i])) return false;
            bases[i] = static_cast<char>(data[i]);
        }
        if (quality.found) {
            if (!(data = read(quality, 1))) return false;
            qualities.resize(count);
            for (uint64_t i = 0; i < count; ++i) qualities[i] = static_cast<signed char>(data[i]);
        }
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

void TraceReader::GetTraces(unsigned short** channels, long& count) {
    count = traces[0] ? sampleCount : 0;
    for (auto& channel : traces) *channels++ = channel ? channel.release() : new unsigned short[1];
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

// The chromatogram reader on gzip-compressed traces. The input is two
// shape bytes, then the trace (or anything else); the harness compresses it
// into a gzip file of that shape, and knows the bytes that unpacking it must
// give. The reader must load from the compressed file exactly what it loads
// from those bytes written plain. Shape bits of the first byte:
//   0-1  the magic set at the start of the trace: ".scf", "ABIF", or none
//   2    two members, split where the second byte says
//   3    the part after the split is appended as it is, not compressed
//   4    header fields in the first member: extra field, name, comment, CRC
//   5    empty members before and after
//   6    stored blocks instead of compressed ones
//   7    one byte of the compressed file damaged, where the second byte says:
//        anything may then be refused, nothing may go wrong
#include <cstring>
#include <string>
#include <vector>

#include "fixtures.h"
#include "harness.h"
#include "trace.h"

namespace {

// Small enough that some inputs unpack to more.
uint64_t const SizeLimit = 48 << 10;

std::string packedPath;
std::string plainPath;
TraceReader* packedReader;
TraceReader* plainReader;

void ExpectSameTrace() {
    unsigned short* a[4];
    unsigned short* b[4];
    long aCount = -1;
    long bCount = -2;
    packedReader->GetTraces(a, aCount);
    plainReader->GetTraces(b, bCount);
    bool same = aCount == bCount;
    for (int ch = 0; ch < 4; ++ch) {
        if (same) same = std::memcmp(a[ch], b[ch], sizeof(unsigned short) * static_cast<std::size_t>(aCount)) == 0;
        delete[] a[ch];
        delete[] b[ch];
    }
    if (!same) Finding("the channels differ from the plain trace's");
    Str aLetters;
    Str bLetters;
    Vector<long> aQuality;
    Vector<long> bQuality;
    Vector<long> aPeaks;
    Vector<long> bPeaks;
    bool aUsable = packedReader->GetSequence(aLetters, aQuality, aPeaks);
    bool bUsable = plainReader->GetSequence(bLetters, bQuality, bPeaks);
    auto equal = [](Vector<long> const& x, Vector<long> const& y) {
        return x.Length() == y.Length() &&
               std::memcmp(x.Array(), y.Array(), sizeof(long) * static_cast<std::size_t>(x.Length())) == 0;
    };
    if (aUsable != bUsable || !(aLetters == bLetters) || !equal(aQuality, bQuality) || !equal(aPeaks, bPeaks))
        Finding("the bases differ from the plain trace's");
    if (!(packedReader->GetCaller() == plainReader->GetCaller())) Finding("the caller differs from the plain trace's");
}

// Whether gzip takes the bytes at the start of a part as they are.
bool TakenAsTheyAre(std::string const& part) {
    if (part.size() < 2 || part[0] != '\x1f') return true;
    unsigned char second = static_cast<unsigned char>(part[1]);
    return second != 0x8b && second != 0x9e && second != 0x1e && second != 0x9d && second != 0xa0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    packedPath = FuzzFolder() + "trace.gz";
    plainPath = FuzzFolder() + "plain";
    packedReader = new TraceReader(SizeLimit);
    plainReader = new TraceReader(SizeLimit);
    CaptureConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    if (size < 2) return 0;
    ClearConsole();
    unsigned shape = data[0];
    std::size_t at = data[1];
    std::string trace(reinterpret_cast<char const*>(data) + 2, size - 2);
    if (trace.size() >= 4 && (shape & 3) == 0) std::memcpy(&trace[0], ".scf", 4);
    if (trace.size() >= 4 && (shape & 3) == 1) std::memcpy(&trace[0], "ABIF", 4);

    std::size_t split = shape & 0x04 ? trace.size() * at / 255 : trace.size();
    std::string first = trace.substr(0, split);
    std::string second = trace.substr(split);
    int level = shape & 0x40 ? 0 : 6;
    std::string header = shape & 0x10 ? GzipHeader(0x1e, Little16(2) + "ex" + std::string("name\0comment", 13))
                                      : GzipHeader();
    std::string empty = shape & 0x20 ? GzipMember("", GzipHeader(), level) : "";
    std::string file = empty + GzipMember(first, header, level);
    bool known = true;
    if (shape & 0x08) {
        file += second;
        known = TakenAsTheyAre(second);
    } else {
        file += (second.empty() ? "" : GzipMember(second, GzipHeader(), level)) + empty;
    }
    if (shape & 0x80) {
        file[file.size() * at / 256] ^= static_cast<char>(0x5a);
        known = false;
    }
    WriteFuzzFile(packedPath, file.data(), file.size());
    WriteFuzzFile(plainPath, known ? trace : "");

    Str name(packedPath.c_str());
    bool loaded = false;
    if (Refused([&] { loaded = packedReader->ReadTraceFile(name); })) Finding("the trace reader threw");
    if (packedReader->AddedGzip()) Finding("\".gz\" added to a name that has it");
    if (packedReader->ReadFailed()) Finding("a file that is there could not be read");
    if (known) {
        Str plain(plainPath.c_str());
        bool expected = plainReader->ReadTraceFile(plain);
        if (loaded != expected) Finding(loaded ? "loaded, but not from the bytes plain" : "not loaded, but plain it is");
        if (loaded) ExpectSameTrace();
    }
    ExpectEntries(FuzzFolder(), {"home", "plain", "trace.gz"});
    return 0;
}

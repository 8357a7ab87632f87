// Reading of one chromatogram at a time: SCF (versions 2 and 3) and ABIF
// (plain or behind a 128-byte MacBinary header), each plain or
// gzip-compressed. The whole file is read into memory (a compressed one
// unpacked straight into it), and every count, offset and size taken
// from it is checked against its size before it is used, so a damaged file
// is refused instead of read out of bounds.
#ifndef CONVERTER_TRACE_H
#define CONVERTER_TRACE_H

#include <cstdint>
#include <memory>
#include <vector>

#include "str.h"
#include "vector.h"

struct z_stream_s;

class TraceReader {
public:
    // Real chromatograms are a few megabytes: a file larger than this, or
    // one that unpacks to more, is refused.
    static uint64_t const DefaultSizeLimit = uint64_t(256) << 20;
    // Real traces hold tens of thousands of samples per channel and a few
    // thousand bases at most. A trace with more is refused, so that the
    // memory its conversion takes stays bounded (a damaged or hostile file
    // could announce as many as its size allows, and its data may overlap).
    static constexpr uint64_t MaxSamples = uint64_t(1) << 23;
    static constexpr uint64_t MaxBases = uint64_t(1) << 19;
    // The base caller's name is cut after this many characters.
    static constexpr uint64_t MaxCallerLength = 1024;

    explicit TraceReader(uint64_t sizeLimit = DefaultSizeLimit);
    TraceReader(TraceReader const&) = delete;
    TraceReader& operator=(TraceReader const&) = delete;

    // Finds, unpacks if needed and loads the trace: the file `path` (a
    // name ending in ".gz" is unpacked), or, when nothing has that name,
    // the file `path` + ".gz". False when no trace was loaded: the file is
    // missing or holds no trace, or it could not be read (ReadFailed).
    bool ReadTraceFile(Str const& path);
    // Whether the last ReadTraceFile took the file `path` + ".gz".
    bool AddedGzip() const { return addedGzip; }
    // Whether the last ReadTraceFile that answered false could not read its
    // file (no access, an I/O error, a link that names nothing), so that
    // what it holds is not known; GetReadError then gives the reason.
    bool ReadFailed() const { return readError != 0; }
    char const* GetReadError() const;

    // Hands the four channels (A, C, G, T) over to the caller, who owns them
    // (delete[]); `count` receives the samples per channel. The reader
    // keeps no copy, so this is called once per trace.
    void GetTraces(unsigned short** channels, long& count);
    // The base letters, their quality values (signed) and peak positions,
    // the positions followed by one more entry holding the sample count.
    // False when the trace has no bases or no quality of 10 or more (an
    // ABIF trace without a quality entry has none); the qualities are then
    // left unchanged.
    bool GetSequence(Str& letters, Vector<long>& quality, Vector<long>& positions) const;
    Str& GetCaller() { return caller; }


private:
    // What reading a file into `file` found: its bytes, no file of the
    // name, a file that holds no trace (no regular file, too large, data
    // gzip does not unpack), or a failure to read it (readError).
    enum Found { Loaded, Missing, Refused, Failed };
    class PackedInput;
    Found Open(char const* path, int& fd, uint64_t& size);
    Found ReadPlain(char const* path);
    Found Unpack(char const* path);
    bool UnpackMember(PackedInput& in, z_stream_s* z, int magic1);
    bool Room();
    void Reserve(uint64_t room);
    bool Append(unsigned char const* bytes, uint64_t n);
    bool Load();
    bool ReadSCFormat();
    bool ReadAbiFormat(unsigned long offset);
    unsigned char const* At(uint64_t pos, uint64_t n) const;
    void SetCaller(unsigned char const* text, uint64_t n);
    void Clear();

    uint64_t sizeLimit;
    std::unique_ptr<unsigned char[]> file;  // the trace file's bytes
    uint64_t fileRoom;                      // how many `file` has room for
    uint64_t fileSize;
    std::vector<unsigned char> packed;  // a block of the compressed file
    long sampleCount;
    std::unique_ptr<unsigned short[]> traces[4];
    long baseCount;
    std::vector<char> bases;
    std::vector<long> qualities;
    std::vector<long> peaks;
    Str caller;
    bool addedGzip = false;
    int readError = 0;  // errno of the last read failure
};

#endif

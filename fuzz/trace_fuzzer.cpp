// The chromatogram reader on one plain trace file: SCF (scf_fuzzer) or ABIF
// (abif_fuzzer, plain or behind a MacBinary header). The input is the file;
// its magic is set so that every input reaches the format's reader.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "trace.h"

namespace {

std::string path;
TraceReader* reader;

// What a loaded trace must hold: as many qualities as letters, one peak more
// (the sample count last), and four channels of the sample count.
void CheckLoaded() {
    unsigned short* channels[4];
    long samples = -1;
    reader->GetTraces(channels, samples);
    for (unsigned short* channel : channels) delete[] channel;
    if (samples < 0) Finding("a negative sample count");
    Str letters;
    Vector<long> quality;
    Vector<long> peaks;
    bool usable = reader->GetSequence(letters, quality, peaks);
    if (letters.Length() == 0) return;
    if (peaks.Length() != letters.Length() + 1) Finding("peaks do not match the letters");
    if (peaks.Array()[letters.Length()] != samples) Finding("the last peak is not the sample count");
    if (usable && quality.Length() != letters.Length()) Finding("qualities do not match the letters");
    for (long i = 0; i < letters.Length(); ++i) {
        unsigned char letter = static_cast<unsigned char>(letters.String()[i]);
        if (letter <= ' ' || letter >= 0x7f) Finding("a base letter that is no visible character");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    path = FuzzFolder() + "trace";
    reader = new TraceReader;
    CaptureConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    std::vector<uint8_t> file(data, data + size);
#ifdef FUZZ_SCF
    if (file.size() >= 4) std::memcpy(file.data(), ".scf", 4);
#else
    // ABIF at the start, unless it stands behind a MacBinary header.
    bool macBinary = file.size() >= 132 && std::memcmp(file.data() + 128, "ABIF", 4) == 0;
    if (file.size() >= 4 && !macBinary) std::memcpy(file.data(), "ABIF", 4);
#endif
    WriteFuzzFile(path, file.data(), file.size());
    Str name(path.c_str());
    bool loaded = false;
    if (Refused([&] { loaded = reader->ReadTraceFile(name); })) Finding("the trace reader threw");
    if (reader->ReadFailed()) Finding("a file that is there could not be read");
    if (loaded) CheckLoaded();
    ExpectEntries(FuzzFolder(), {"home", "trace"});
    return 0;
}

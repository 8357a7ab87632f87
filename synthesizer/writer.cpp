#include "writer.h"

#include <iostream>

#include "interruptguard.h"
#include "phdfile.h"
#include "polyfile.h"

namespace {

char const Channels[] = "ACGT";

// The ideal peak: 13 samples around the base's position, highest in the
// middle. The peaks of neighbouring bases in one channel share one sample.
unsigned short const Shape[13] = {32, 128, 320, 464, 576, 624, 640, 624, 576, 464, 320, 128, 32};
long const Spacing = 12;  // samples from one base to the next
long const ShapeStart = 6;  // the first sample of base 0's peak

// The largest file either format can address with its signed 32-bit
// offsets and sizes.
long const LargestFile = 2147483647L;
long const ScfHeaderSize = 128;
long const AbifDirectoryOffset = 128;
long const AbifHeaderSize = 296;  // the header, then six directory entries

void Zeros(FileWriter& out, long n) {
    static unsigned char const zeros[128] = {};
    out.AppendByte(zeros, n);
}

void AbifEntry(FileWriter& out, char const* tag, unsigned long number, unsigned short type, unsigned short size,
               unsigned long count, unsigned long dataSize, unsigned long data) {
    out.AppendByte(tag, 4);
    out.AppendInteger(number);
    out.AppendInteger(type);
    out.AppendInteger(size);
    out.AppendInteger(count);
    out.AppendInteger(dataSize);
    out.AppendInteger(data);
    out.AppendInteger(0UL);  // handle
}

}  // namespace

Writer::Writer() : writer(262144), referenceMode(false), abiFormat(false), recordTime(CTime::Unset()) {}

void Writer::SetFiles(Str& quality, Str& suffix, bool reference, bool abi) {
    qualityText = quality;
    referenceSuffix = suffix;
    referenceMode = reference;
    abiFormat = abi;
    Directory directory;
    if (directory.Check("../chromat_dir/", false, true)) chromatDirectory = "../chromat_dir/";
    if (directory.Check("../phd_dir/", false, true)) phdDirectory = "../phd_dir/";
    if (!referenceMode && directory.Check("../poly_dir/", false, true)) polyDirectory = "../poly_dir/";
}

bool Writer::WriteFiles(Str& name, Str& sequence) {
    recordTime.Set();
    if (referenceMode) name.Append(referenceSuffix);
    letters.Clear();
    for (char const* c = sequence.String(); *c; ++c) {
        char letter = *c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c;
        if (letter >= 'A' && letter <= 'Z') letters.Append(letter);
    }
    long n = letters.Length();
    long samples = Spacing * n + Spacing;
    if ((abiFormat ? AbifHeaderSize : ScfHeaderSize) + 8 * samples > LargestFile) {
        std::cerr << "\nERROR: record " << name << " is too long for a chromatogram (" << n
                  << " bases) - skipping it." << std::endl;
        return false;
    }

    Str chromatName(name);
    if (!abiFormat) chromatName.Append(".scf");
    Str path(chromatDirectory);
    path.Append(chromatName);
    if (!Open(path)) return false;
    if (abiFormat)
        WriteAbif(samples);
    else
        WriteScf(samples);
    if (!Close(path, "\nWriting chromat file ", nullptr)) return false;

    Str phdPath(phdDirectory);
    phdPath.Append(name);
    phdPath.Append(PhdFile::Suffix);
    // A signal before the POLY file is complete removes the PHD file too
    // (behind a link, the file the link names).
    InterruptGuard unpaired;
    if (!referenceMode) unpaired.HoldWritten(phdPath);
    if (!Open(phdPath)) return false;
    WritePhd(name, chromatName, samples);
    if (!Close(phdPath, "Writing ", nullptr)) return false;
    if (referenceMode) return true;

    // Without its POLY file the new PHD file would be read with an older
    // POLY file of the same name, or none: it goes too.
    path.Copy(polyDirectory);
    path.Append(name);
    path.Append(PolyFile::Suffix);
    bool written = Open(path);
    if (written) {
        WritePoly(name);
        written = Close(path, "Writing ", &unpaired);
    }
    if (!written && unpaired.Remove()) {
        std::cerr << "Removed " << phdPath << ", which belongs with it." << std::endl;
    }
    return written;
}

bool Writer::Open(Str const& path) {
    writing.HoldWritten(path);
    if (writer.Open(path)) return true;
    writing.Release();
    std::cerr << "\nERROR: can not write file " << path << std::endl;
    return false;
}

bool Writer::Close(Str const& path, char const* label, InterruptGuard* paired) {
    if (writer.Close()) {
        writing.Release();
        if (paired) paired->Release();
        std::cout << label << path << std::endl;
        return true;
    }
    writing.Remove();
    std::cerr << "\nERROR: can not write file " << path << std::endl;
    return false;
}

unsigned short Writer::Sample(char letter, long j) const {
    long k = j - ShapeStart;
    if (k < 0) return 0;
    long i = k / Spacing;
    long offset = k % Spacing;
    long n = letters.Length();
    char const* base = letters.String();
    if (i < n && base[i] == letter) return Shape[offset];
    // The last sample of the previous base's peak.
    if (offset == 0 && i >= 1 && i - 1 < n && base[i - 1] == letter) return Shape[Spacing];
    return 0;
}

// SCF version 2 with 2-byte samples: the header, then per sample the A, C,
// G and T values. No bases, comments or private data.
void Writer::WriteScf(long samples) {
    writer.AppendByte(".scf", 4);
    writer.AppendInteger(static_cast<unsigned long>(samples));
    writer.AppendInteger(static_cast<unsigned long>(ScfHeaderSize));  // sample offset
    Zeros(writer, 24);  // bases, clips, base offset, comment size and offset
    writer.AppendByte("2.00", 4);
    writer.AppendInteger(2UL);  // sample size
    Zeros(writer, ScfHeaderSize - 44);
    for (long j = 0; j < samples; ++j)
        for (int ch = 0; ch < 4; ++ch) writer.AppendInteger(Sample(Channels[ch], j));
}

// ABIF: the header with the directory's own entry, six entries (channel
// order, lane, the four channels), then the channels A, C, G, T. No bases.
void Writer::WriteAbif(long samples) {
    unsigned long count = static_cast<unsigned long>(samples);
    unsigned long size = 2 * count;
    writer.AppendByte("ABIF", 4);
    writer.AppendInteger(static_cast<unsigned short>(0));  // version
    Zeros(writer, 4);                                       // the directory's tag name
    writer.AppendInteger(0UL);                              // tag number
    writer.AppendInteger(static_cast<unsigned short>(0));   // element type
    writer.AppendInteger(static_cast<unsigned short>(28));  // entry size
    writer.AppendInteger(6UL);                              // entries
    writer.AppendInteger(0UL);                              // data size
    writer.AppendInteger(static_cast<unsigned long>(AbifDirectoryOffset));
    writer.AppendInteger(0UL);  // handle
    for (int k = 34; k < AbifDirectoryOffset; ++k) writer.AppendByte(static_cast<unsigned char>(0xff));  // unused
    // Data of 4 bytes or less is stored in the entry itself, left-aligned.
    AbifEntry(writer, "FWO_", 1, 2, 1, 4, 4, 0x41434754UL);  // "ACGT"
    AbifEntry(writer, "LANE", 1, 4, 2, 1, 2, 80UL << 16);
    for (unsigned long ch = 0; ch < 4; ++ch)
        AbifEntry(writer, "DATA", 9 + ch, 4, 2, count, size, AbifHeaderSize + ch * size);
    for (int ch = 0; ch < 4; ++ch)
        for (long j = 0; j < samples; ++j) writer.AppendInteger(Sample(Channels[ch], j));
}

void Writer::WritePhd(Str const& name, Str const& chromatName, long samples) {
    PhdFile::WriteHeader(writer, {name, chromatName, "wendLaric", Str("wendLaric"), recordTime.GetCTime(), samples,
                                  "unknown", "unknown"});
    char const* base = letters.String();
    for (long i = 0; i < letters.Length(); ++i) PhdFile::WriteBase(writer, base[i], qualityText, Spacing * (i + 1));
    PhdFile::WriteEnd(writer, false);
}

void Writer::WritePoly(Str const& name) {
    PolyFile::WriteHeader(writer, name);
    char const* base = letters.String();
    for (long i = 0; i < letters.Length(); ++i) PolyFile::WriteSyntheticLine(writer, base[i], Spacing * (i + 1));
}

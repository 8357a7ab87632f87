#include "writer.h"

#include <iostream>

#include "pendingfile.h"
#include "phdfile.h"
#include "polyfile.h"

namespace {

char const Program[] = "wendlaric";  // in the names of its hidden files
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

// Reports a file that could not be written or put in place.
bool Unwritten(PendingFile const& file) {
    std::cerr << "\nERROR: can not write file " << file.GetPath() << std::endl;
    return false;
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
    Str chromatPath(chromatDirectory);
    chromatPath.Append(chromatName);
    Str phdPath(phdDirectory);
    phdPath.Append(name);
    phdPath.Append(PhdFile::Suffix);
    Str polyPath(polyDirectory);
    polyPath.Append(name);
    polyPath.Append(PolyFile::Suffix);
    PendingFile chromat(writer, chromatPath, Program);
    PendingFile phd(writer, phdPath, Program);
    PendingFile poly(writer, polyPath, Program);

    if (!chromat.Open()) return Unwritten(chromat);
    if (abiFormat)
        WriteAbif(samples);
    else
        WriteScf(samples);
    if (!chromat.Close()) return Unwritten(chromat);
    if (!phd.Open()) return Unwritten(phd);
    WritePhd(name, chromatName, samples);
    if (!phd.Close()) return Unwritten(phd);
    if (!referenceMode) {
        if (!poly.Open()) return Unwritten(poly);
        WritePoly(name);
        if (!poly.Close()) return Unwritten(poly);
    }
    if (!PutInPlace(chromat, phd, referenceMode ? nullptr : &poly)) return false;
    // Only now, so that a console gone (SIGPIPE) ends the run between two
    // records, never inside one.
    std::cout << "\nWriting chromat file " << chromatPath << std::endl;
    std::cout << "Writing " << phdPath << std::endl;
    if (!referenceMode) std::cout << "Writing " << polyPath << std::endl;
    return true;
}

// The old PHD file goes first, and the new one comes last: so a PHD file is
// only ever there beside the chromatogram and the POLY file of the same
// record, old with old, new with new. In between, with no PHD file there,
// the chromatogram and then the POLY file are replaced, each by removing
// the old file and renaming the new one into its place. (A rename never
// replaces a file: a file system such as ext4 writes a file out at once
// when a rename replaces another with it.)
// What a failure (reported) or a signal leaves at each step; a run killed
// outright (SIGKILL) leaves the same, and may leave the hidden files:
// - removing the old PHD file: the old files as they were;
// - replacing the chromatogram, the POLY file: no PHD file, each other
//   file old, new or gone;
// - renaming the PHD file: no PHD file; a failure removes the new POLY
//   file too;
// - after that rename: the new files.
bool Writer::PutInPlace(PendingFile& chromat, PendingFile& phd, PendingFile* poly) {
    if (!phd.RemoveTarget()) return Unwritten(phd);
    if (!chromat.RemoveTarget() || !chromat.Replace()) return Unwritten(chromat);
    if (poly && (!poly->RemoveTarget() || !poly->Replace())) return Unwritten(*poly);
    if (!phd.Replace()) {
        if (poly) poly->RemoveTarget();
        return Unwritten(phd);
    }
    return true;
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

// Files::ReadSequenceFiles: fills every read of the valid contigs from its
// PHD file (calls, qualities, peak positions, tags) and its POLY file
// (secondary peaks, areas, channel amplitudes).
#include <climits>
#include <iostream>
#include <vector>

#include "charclass.h"
#include "contig.h"
#include "fatalerror.h"
#include "files.h"
#include "phdfile.h"
#include "polyfile.h"
#include "replacement.h"

// Reads the PHD and POLY files of one read after another through the one
// file reader of the run.
class SequenceFileReader {
public:
    SequenceFileReader(FileReader& reader, Str const& phdDirectory, Str const& polyDirectory,
                       Str const& manualTags, long verbosity, bool rewriting)
        : reader(reader),
          phdDirectory(phdDirectory),
          polyDirectory(polyDirectory),
          manualTags(manualTags),
          verbosity(verbosity),
          rewriting(rewriting) {}

    void ReadPhdFile(Contig& contig, Sequence& read);
    void ReadPolyFile(Sequence& read);

private:
    void AddManualGenotype(Contig& contig, Sequence& read);
    // A format error: the message, then the file and line on the same line.
    [[noreturn]] void FormatError(Str const& message, char const* kind, Str const& path);
    // A read that failed ends the run: the data would be incomplete.
    void CheckRead(Str const& path);
    // The next base line of a POLY file, blank lines passed over; false at
    // the end of the file and at a last line without its line end, which a
    // writer stopped in the middle of the line leaves.
    bool GetPolyLine();

    FileReader& reader;
    Str const& phdDirectory;
    Str const& polyDirectory;
    Str const& manualTags;
    long verbosity;
    bool rewriting;  // the PHD files are rewritten from what is read here
    Str line;
    PhdTagKeeper keeper;
    // The POLY values of the read being read, by read base; handed to the
    // read only once the file has proved whole.
    std::vector<SiteData> polySites;
};

// Positions, qualities and areas are held in ints by the read model; a
// number beyond them is refused, never wrapped.
static bool IsInt(long value) { return value >= INT_MIN && value <= INT_MAX; }

void SequenceFileReader::FormatError(Str const& message, char const* kind, Str const& path) {
    long lineNumber = reader.GetLineNumber();
    reader.Close();
    FatalError(message, "ERROR: invalid ", kind, " file ", path, ", line ", lineNumber);
}

void SequenceFileReader::CheckRead(Str const& path) {
    if (!reader.HasFailed()) return;
    reader.Close();
    FatalError("ERROR: can not read the file ", path);
}

void SequenceFileReader::ReadPhdFile(Contig& contig, Sequence& read) {
    // The file is rewritten later: its name must not lead out of the PHD
    // directory.
    Str name = read.GetPhdFile();
    if (name.Length() == 0) FatalError("ERROR: the ACE file names no PHD file for read ", read.GetName());
    if (!PhdFile::IsFileName(name))
        FatalError("ERROR: the PHD file ", name, " of read ", read.GetName(), " lies outside the PHD directory");
    Str path = phdDirectory + name;
    if (reader.OpenRegular(path) != FileReader::Opened) FatalError("ERROR: cannot open the PHD file ", path);
    if (verbosity == 2) std::cerr << "    Reading file " << path << std::endl;

    Str header;
    bool begun = false;
    while (reader.GetLine(line)) {
        if (PhdFile::IsBeginDna(line)) {
            begun = true;
            break;
        }
        header.AppendLine(line);
    }
    if (!begun || reader.IsEndOfFile()) FormatError(Str("ERROR: invalid PHD file ") + path, "PHD", path);
    read.SetPhdHeader(header);

    long length = read.GetLength();
    long i = 1;
    SiteData data;
    data.Clear();
    bool dnaEnded = false;
    while (reader.GetTextLine(line)) {
        if (PhdFile::IsEndDna(line)) {
            dnaEnded = true;
            break;
        }
        if (i > length)
            FormatError(Str("ERROR: sequence in PHD file ") + path + " is longer than in ACE file.", "PHD", path);
        if (!PhdFile::ParseBase(line, data.base, data.quality, data.peakPosition))
            FormatError(Str("ERROR: Missing data in PHD file ") + path, "PHD", path);
        // Qualities and positions are written back as read: refuse what the
        // read model cannot hold exactly.
        if (!IsInt(data.quality) || !IsInt(data.peakPosition))
            FormatError(Str("ERROR: number out of range in PHD file ") + path, "PHD", path);
        read.SetPhdSite(static_cast<int>(i), data);
        ++i;
    }
    if (i <= length)
        FormatError(Str("ERROR: sequence in PHD file ") + path + " is shorter than in ACE file.", "PHD", path);
    // Without it the file was cut short, maybe inside its last base line.
    if (!dnaEnded) FormatError(Str("ERROR: no END_DNA line in PHD file ") + path, "PHD", path);

    keeper.Begin();
    while (reader.GetLine(line))
        if (keeper.Line(line)) AddManualGenotype(contig, read);
    if (keeper.End()) AddManualGenotype(contig, read);
    CheckRead(path);
    // The file is written back from what was read here: a NUL byte would
    // cut a line of it short.
    if (rewriting) Replacement::CheckSource(reader, path);
    // A rewrite from a damaged tag section would bury the lines after the
    // open block inside it, or lose them.
    if (rewriting && keeper.HasUnclosedTag())
        FormatError(Str("ERROR: a tag block in PHD file ") + path + " has no END_TAG line.", "PHD", path);
    read.SetPhdTags(keeper.Kept());
    reader.Close();
}

// A foreign tag has ended: of a manual-genotype type and with a position,
// it fixes the read's genotype at that base.
void SequenceFileReader::AddManualGenotype(Contig& contig, Sequence& read) {
    if (!keeper.HasTagPosition()) return;
    Str type = keeper.TagType();
    Str key(" ");
    key.Append(type);
    key.Append(' ');
    if (!manualTags.Contains(key)) return;
    long position = keeper.TagPosition();
    long length = read.GetLength();
    if (position < 1 || position > length) {
        std::cerr << "WARNING: the " << type << " tag at position " << position << " of read " << read.GetName()
                  << " lies outside the read - skipping it." << std::endl;
        return;
    }
    long base = read.GetComplement() ? length - position + 1 : position;
    contig.AddManualGenotype(
        new ManualGenotype(read.GetAlignedPosition(base), position, read.GetName(), type, keeper.TagComment()));
}

// Complement of an upper-case letter: A and T swap, C and G swap.
static char const complementLetters[] = "TBGDEFCHIJKLMNOPQRSAUVWXYZ";

bool SequenceFileReader::GetPolyLine() {
    for (;;) {
        long lineEnds = reader.GetLineNumber();
        if (!reader.GetLine(line)) return false;
        if (reader.GetLineNumber() == lineEnds) return false;
        char const* text = line.String();
        if (CharClass::ToNonSpace(text, text + line.Length()) != text + line.Length()) return true;
    }
}

void SequenceFileReader::ReadPolyFile(Sequence& read) {
    Str path = polyDirectory + read.GetName() + PolyFile::Suffix;
    if (reader.OpenRegular(path) != FileReader::Opened) {
        std::cerr << "    Unable to open file " << path << " - skipping.\n";
        read.SetValid(false);
        return;
    }
    if (verbosity == 2) std::cerr << "    Reading file " << path << std::endl;

    double factors[4] = {1.0, 1.0, 1.0, 1.0};
    if (reader.GetTextLine(line)) PolyFile::ParseHeader(line, factors);

    // The lines come in trace order: a complemented read is walked from its
    // last base down. A base that no line joins keeps the cleared values.
    long length = read.GetLength();
    bool complement = read.GetComplement();
    long step = complement ? -1 : 1;
    long i = complement ? length : 1;
    SiteData cleared;
    cleared.Clear();
    polySites.assign(static_cast<size_t>(length + 1), cleared);
    long joined = 0;  // bases that a line gave values
    while (i >= 1 && i <= length && GetPolyLine()) {
        Parser parser(line);
        long position = PolyFile::ParsePosition(parser);
        if (!IsInt(position)) FormatError(Str("ERROR: number out of range in POLY file ") + path, "poly", path);
        long peak = 0;
        while (i >= 1 && i <= length) {
            peak = read.GetCoordinate(i);
            if (position <= peak) break;
            i += step;  // no line for this base
        }
        if (i < 1 || i > length) break;
        if (position < peak) continue;  // a line of no base

        PolyLine values;
        if (!PolyFile::ParseRest(parser, factors, values))
            FormatError(Str("ERROR: missing data in POLY file ") + path, "poly", path);
        if (!IsInt(values.calledArea) || !IsInt(values.uncalledPosition) || !IsInt(values.uncalledArea))
            FormatError(Str("ERROR: number out of range in POLY file ") + path, "poly", path);
        SiteData& data = polySites[static_cast<size_t>(i)];
        data.quality = 0;
        data.calledArea = static_cast<float>(values.calledArea);
        data.base = values.uncalledBase;
        if (complement && data.base >= 'A' && data.base <= 'Z') data.base = complementLetters[data.base - 'A'];
        data.peakPosition = values.uncalledPosition;
        data.uncalledArea = static_cast<float>(values.uncalledArea);
        for (int k = 0; k < 4; ++k)
            data.channelAmplitudes[complement ? 3 - k : k] = values.amplitudes[k];
        ++joined;
        i += step;
    }
    CheckRead(path);
    reader.Close();
    // A file that gives the read nothing, or stops short of its last base
    // in trace order (a writer stopped while it wrote), would pass for
    // peaks that are not there: the read goes on as one without its file.
    if (length > 0 && (joined == 0 || (i >= 1 && i <= length))) {
        std::cerr << "    POLY file " << path
                  << (joined == 0 ? " gives none of the read's bases a value" : " ends before the read's last base")
                  << " - skipping.\n";
        read.SetValid(false);
        return;
    }
    for (long k = 1; k <= length; ++k) read.SetPolySite(static_cast<int>(k), polySites[static_cast<size_t>(k)]);
}

void Files::ReadSequenceFiles() {
    std::cerr << "Reading the PHD and POLY files." << std::endl;
    SequenceFileReader files(reader, phdDirectory, polyDirectory, manualTags, verbosity, doUpdate);
    assembly->Begin();
    while (Contig* contig = assembly->GetNext()) {
        if (!contig->IsValid()) {
            std::cerr << "  " << contig->GetName() << " is an invalid contig. Skipping." << std::endl;
            continue;
        }
        std::cerr << "  Reading information for contig " << contig->GetName() << std::endl;
        progress.Set(contig->Length(), 100.0);
        progress.Begin();
        contig->Begin();
        while (Sequence* read = contig->GetNext()) {
            if (verbosity < 2) progress.Next();
            files.ReadPhdFile(*contig, *read);
            files.ReadPolyFile(*read);
        }
    }
}

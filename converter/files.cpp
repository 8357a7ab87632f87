#include "files.h"

#include <errno.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <stdexcept>

#include "basechannel.h"
#include "fatalerror.h"
#include "parameters.h"
#include "pendingfile.h"
#include "peaks.h"
#include "phdfile.h"
#include "polyfile.h"
#include "progress.h"
#include "settingsfile.h"
#include "trace.h"
#include "vector.h"

namespace {

char const Program[] = "trelvik";  // in the names of its hidden files
char const SettingsName[] = ".trelvikrc";
char const TraceExtensions[] = " .abi .ab1 .scf ";

// Whether the exception being handled is a failed allocation: the standard
// library's or that of the string and vector classes.
bool OutOfMemory() {
    try {
        throw;
    } catch (std::bad_alloc const&) {
        return true;
    } catch (std::length_error const&) {
        return true;
    } catch (char const* text) {
        return text == Str::AllocationError || text == VectorAllocationError;
    } catch (...) {
        return false;
    }
}

}  // namespace

Files::Files()
    : reader(131072),
      writer(131072),
      line(1024L),
      token(1024L),
      parser(line),
      parameters(nullptr),
      currentDirectory(Directory::GetCurrentDirectory()) {}


void Files::Initialize(Parameters* settings) {
    parameters = settings;
    runTimeText = runTime.GetCTime();
    // A QUORVALIX_PATH that names no file is as good as none.
    Str path;
    if (SettingsFile::Open(reader, currentDirectory, SettingsName, path) != SettingsFile::Opened) return;
    Str flags;
    while (reader.GetTextLine(line)) {
        parser.SetString(line);
        if (!parser.GetToken(token)) continue;
        if (token == "flag") {
            parser.GetRight(token);
            flags.Append(token);
            flags.Append(' ');
        } else if (token == "chromatdir") {
            if (parser.GetToken(token)) parameters->SetChromatDir(token);
        } else if (token == "phddir") {
            if (parser.GetToken(token)) parameters->SetPhdDir(token);
        } else if (token == "polydir") {
            if (parser.GetToken(token)) parameters->SetPolyDir(token);
        }
    }
    SettingsFile::Close(reader, path);
    std::cerr << "Read file " << path << std::endl;
    if (flags.HasContent()) parameters->ParseFlags(".trelvikrc file", flags);
}

void Files::SetParameters() {
    Str work = parameters->GetWorkDirectory();
    if (work.Compare("/")) {
        line.Copy(work);
    } else {
        line.Copy(currentDirectory);
        line.Append(work);
        // A run started inside the project's edit directory works on the
        // project directory.
        Str ace = parameters->GetAceDir();
        if (ace.Length() > 0 && !ace.Compare("/") && line.CompareRight(ace)) {
            long cut = line.Length() - ace.Length();
            if (line.Get(cut - 1) == '/') line.DeleteEnd(cut);
        }
    }
    CheckDirectory(workDirectory, false);
    ResolveDirectory(parameters->GetChromatDir(), chromatDirectory, false);
    ResolveDirectory(parameters->GetPhdDir(), phdDirectory, true);
    ResolveDirectory(parameters->GetPolyDir(), polyDirectory, true);
}

// `dir` is absolute or relative to the project directory.
void Files::ResolveDirectory(Str const& dir, Str& resolved, bool write) {
    if (dir.Compare("/")) {
        line.Copy(dir);
    } else {
        line.Copy(workDirectory);
        line.Append(dir);
    }
    CheckDirectory(resolved, write);
}

// The directory in `line` must be readable (and writable when asked);
// otherwise the run ends.
void Files::CheckDirectory(Str& resolved, bool write) {
    if (!directory.Check(line, true, write)) FatalError(directory.GetErrorText(), line);
    resolved.Copy(line);
}

Str Files::GetBaseName(Str const& entry) {
    Str name(entry);
    if (name.CompareRight(".gz")) name.DeleteRight(3);
    long dot = name.FindRight('.');
    if (dot >= 0) {
        Str extension;
        extension.CopyEnd(name, dot);
        if (Str(TraceExtensions).Contains(extension)) name.DeleteEnd(dot);
    }
    return name;
}

void Files::GetEntries(StrList& entries) {
    Str list;
    if (!parameters->GetFileList(list)) {
        if (!directory.Open(chromatDirectory, false, true))  // a broken link is a trace that cannot be read
            FatalError("ERROR: can not list the directory ", chromatDirectory, ": ", directory.GetOpenError());
        directory.GetFileList(entries);
        return;
    }
    // Read once from start to end, the list may come from a pipe (a process
    // substitution); a device could give names without end.
    if (FileReader::IsDevice(list)) FatalError("ERROR: the list file ", list, " is a device");
    if (!reader.Open(list)) FatalError("ERROR: can not open the file ", list);
    while (reader.GetTextLine(line)) {
        if (line.CompareRight('\r')) line.DeleteRight(1);  // a list written with CR LF line ends
        entries.Append(line);
    }
    reader.Close();
    // A list cut short would pass over the traces after the failure.
    if (reader.HasFailed())
        FatalError("ERROR: can not read the list file ", list, ": ", std::strerror(reader.GetError()));
}

bool Files::WriteSequenceFiles() {
    failed = false;
    readNames.clear();
    StrList entries;
    GetEntries(entries);
    TraceReader trace;
    PeakFinder finder;
    Progress progress;
    progress.Set(entries.Length(), 100.0);
    progress.Begin();
    entries.Begin();
    while (Str* entry = entries.GetNext()) {
        progress.Next();
        ConvertTrace(*entry, trace, finder);
    }
    entries.Clear();
    readNames.clear();
    return !failed;
}

// A trace as read for its PHD and POLY files: the four channels (owned
// here), the letters, their qualities and peak positions (one more entry:
// the sample count).
struct Files::Trace {
    unsigned short* channels[4] = {nullptr, nullptr, nullptr, nullptr};
    std::unique_ptr<unsigned short[]> owned[4];
    long samples = 0;
    Str letters;
    Vector<long> quality;
    Vector<long> peaks;
    bool hasQuality = false;  // some bases, and a quality of 10 or more
};

// A file that holds no trace, or a trace without usable qualities, is
// skipped with a message, and so is a trace of a read name that an earlier
// entry of the run took; a trace that cannot be read, or converted in the
// memory there is, is reported as a failure of the run. Either way the run
// goes on with the next trace.
void Files::ConvertTrace(Str const& entry, TraceReader& reader, PeakFinder& finder) {
    bool reading = false;  // the reader has been asked for this trace
    try {
        Str name = GetBaseName(entry);
        std::string readName(name.String(), static_cast<std::size_t>(name.Length()));
        auto taken = readNames.find(readName);
        if (taken != readNames.end()) {
            std::cerr << "ERROR: trace file " << chromatDirectory << entry << " has the same read name " << name
                      << " as " << chromatDirectory << taken->second << " - skipping." << std::endl;
            return;
        }
        Str phdPath(phdDirectory);
        phdPath.Append(name);
        phdPath.Append(PhdFile::Suffix);
        // A PHD file there (links followed) keeps the trace as it was
        // converted; a query that fails but for "no such file" leaves that
        // unknown, and the trace unconverted.
        if (!parameters->Overwrite()) {
            struct stat status;
            if (::stat(phdPath.String(), &status) == 0) return;
            if (errno != ENOENT) return ReportUnwritten(phdPath, std::strerror(errno));
        }
        std::string& first = readNames[readName];
        first.assign(entry.String(), static_cast<std::size_t>(entry.Length()));

        Str tracePath(chromatDirectory);
        tracePath.Append(entry);
        Trace trace;
        reading = true;
        bool loaded = ReadTrace(tracePath, reader, trace);
        if (reader.AddedGzip()) first.append(".gz");
        if (!loaded && reader.ReadFailed()) {
            failed = true;
            ReportTrace(std::cerr, "ERROR: can not read trace file ", entry, reader.AddedGzip(), ": ")
                << reader.GetReadError() << std::endl;
            return;
        }
        if (!loaded) {
            ReportTrace(std::cerr, "ERROR: invalid trace file ", entry, reader.AddedGzip(), " - skipping.")
                << std::endl;
            return;
        }
        if (!PassesQualityGate(trace)) {
            ReportTrace(std::cout, "ERROR: missing quality values in trace file ", entry, reader.AddedGzip(), "")
                << std::endl;
            return;
        }
        finder.Compute(trace.channels, trace.samples, trace.letters, trace.peaks.Array());
        WritePair(name, phdPath, trace, reader.GetCaller(), finder);
    } catch (...) {
        if (!OutOfMemory()) throw;
        failed = true;
        ReportTrace(std::cerr, "ERROR: not enough memory to convert trace file ", entry,
                    reading && reader.AddedGzip(), " - skipping.")
            << std::endl;
    }
}

// The message `before` + the trace's file as it is + `after`: the entry in
// the chromatogram directory, with ".gz" when the reader found it so;
// printed in parts, so that it needs no memory.
std::ostream& Files::ReportTrace(std::ostream& out, char const* before, Str const& entry, bool gzip,
                                 char const* after) const {
    out << before << chromatDirectory;
    out.write(entry.String(), entry.Length());
    if (gzip) out << ".gz";
    return out << after;
}

// Loads the trace. False when none was loaded.
bool Files::ReadTrace(Str const& path, TraceReader& reader, Trace& trace) {
    if (!reader.ReadTraceFile(path)) return false;
    reader.GetTraces(trace.channels, trace.samples);
    for (int ch = 0; ch < 4; ++ch) trace.owned[ch].reset(trace.channels[ch]);
    trace.hasQuality = reader.GetSequence(trace.letters, trace.quality, trace.peaks);
    return true;
}

// Bases 40 to 59 must carry qualities of 1 to 99, but for N and mixed-base
// letters: the gate asks whether the trace carries quality values at all,
// and an ambiguous call says nothing about that.
bool Files::PassesQualityGate(Trace const& trace) {
    if (!trace.hasQuality) return false;
    char const* letter = trace.letters.String();
    long const* q = trace.quality.Array();
    for (long i = 40; i < 60 && i < trace.letters.Length(); ++i) {
        bool ambiguous = std::toupper(static_cast<unsigned char>(letter[i])) == 'N' || MixedChannels(letter[i]) != 0;
        if (!ambiguous && (q[i] <= 0 || q[i] > 99)) return false;
    }
    return true;
}

// The PHD file's content, to the open writer.
void Files::WritePhd(Str const& name, Str const& caller, Trace const& trace) {
    PhdFile::WriteHeader(writer, {name, name, "trelvik", caller, runTimeText, trace.samples, "term", "big"});
    char const* letter = trace.letters.String();
    long const* quality = trace.quality.Array();
    long const* peak = trace.peaks.Array();
    for (long i = 0; i < trace.letters.Length(); ++i) PhdFile::WriteBase(writer, letter[i], quality[i], peak[i]);
    PhdFile::WriteEnd(writer);
}

// The POLY file's content, to the open writer.
void Files::WritePoly(Str const& name, Str const& letters, PeakFinder const& finder) {
    PolyFile::WriteHeader(writer, name);
    for (long i = 0; i < letters.Length(); ++i) {
        PolyLine const& values = finder.GetLine(i);
        PolyFile::WriteLine(writer, letters.String()[i], values.position, values.calledArea, values.uncalledBase,
                            values.uncalledPosition, values.uncalledArea, values.amplitudes);
    }
}

// Reports an output that could not be written; the run will end with a
// failure.
void Files::ReportUnwritten(Str const& path, char const* reason) {
    std::cerr << "ERROR: can not write file " << path << ": " << reason << std::endl;
    failed = true;
}

void Files::ReportUnwritten(PendingFile const& file) { ReportUnwritten(file.GetPath(), file.GetErrorText()); }

// Each file of the pair is written whole to a hidden file beside the file
// it replaces (behind links, the file they name), the POLY file first; only
// when both are complete are they put in place: the old PHD and POLY files
// are removed, then the new POLY file is renamed into place, and the new
// PHD file last. So a PHD file is only ever there beside its complete POLY
// file of the same conversion, and a file a link names holds its old bytes,
// its new bytes whole, or is gone; the links themselves stay. (The old POLY
// file is removed rather than renamed over: a file system such as ext4
// writes a file out at once when a rename replaces another with it.)
//
// What a failure (reported) or SIGINT, SIGTERM, SIGHUP or SIGPIPE (the run then
// ends by it) leaves at each step; a run killed outright (SIGKILL) leaves
// the same, and may leave the hidden files:
// - making, writing or closing a hidden file: the old pair as it was; the
//   hidden files are removed;
// - removing the old files, renaming the POLY file: no PHD file (the old
//   POLY file, the new one, or none), so the next run converts the trace
//   again; the hidden files are removed;
// - renaming the PHD file: a failure removes the new POLY file too; a
//   signal leaves it without a PHD file;
// - after that rename: the new pair.
// An output that reaches no regular file (a device, a FIFO, a directory)
// is refused before anything of it is written.
void Files::WritePair(Str const& name, Str const& phdPath, Trace const& trace, Str const& caller,
                      PeakFinder const& finder) {
    Str polyPath(polyDirectory);
    polyPath.Append(name);
    polyPath.Append(PolyFile::Suffix);
    PendingFile poly(writer, polyPath, Program);
    PendingFile phd(writer, phdPath, Program);
    if (!poly.Open()) return ReportUnwritten(poly);
    WritePoly(name, trace.letters, finder);
    if (!poly.Close()) return ReportUnwritten(poly);
    if (!phd.Open()) return ReportUnwritten(phd);
    WritePhd(name, caller, trace);
    if (!phd.Close() || !phd.RemoveTarget()) return ReportUnwritten(phd);
    if (!poly.RemoveTarget() || !poly.Replace()) return ReportUnwritten(poly);
    if (!phd.Replace()) {
        poly.RemoveTarget();
        ReportUnwritten(phd);
    }
}

// The converter's project files: its settings file, the project
// directories, and the conversion of every chromatogram into a PHD file and
// a POLY file.
#ifndef CONVERTER_FILES_H
#define CONVERTER_FILES_H

#include <iosfwd>
#include <string>
#include <unordered_map>

#include "ctime.h"
#include "fileio.h"
#include "str.h"

class Parameters;
class PeakFinder;
class PendingFile;
class TraceReader;

class Files {
public:
    Files();
    Files(Files const&) = delete;
    Files& operator=(Files const&) = delete;

    // Reads the settings file ".trelvikrc" into the given settings.
    void Initialize(Parameters* settings);
    // Resolves and checks the project, chromatogram, PHD and POLY
    // directories; a failed check ends the run (throws 1).
    void SetParameters();
    // Converts every trace of the list file or the chromatogram directory.
    // False when some trace could not be read or converted for want of
    // memory, or some PHD or POLY file could not be written (each is
    // reported); a directory that cannot be listed ends the run (throws 1).
    bool WriteSequenceFiles();

    // The name a trace's PHD and POLY files are called after: the entry
    // without ".gz" and without a trace extension.
    static Str GetBaseName(Str const& entry);

private:
    void ResolveDirectory(Str const& dir, Str& resolved, bool write);
    void CheckDirectory(Str& resolved, bool write);
    void GetEntries(StrList& entries);
    struct Trace;
    // One entry: checks and reads its trace, applies the quality gate,
    // computes the peaks and writes the pair. A trace that is skipped or
    // fails is reported.
    void ConvertTrace(Str const& entry, TraceReader& reader, PeakFinder& finder);
    std::ostream& ReportTrace(std::ostream& out, char const* before, Str const& entry, bool gzip,
                              char const* after) const;
    static bool ReadTrace(Str const& path, TraceReader& reader, Trace& trace);
    static bool PassesQualityGate(Trace const& trace);
    void WritePair(Str const& name, Str const& phdPath, Trace const& trace, Str const& caller,
                   PeakFinder const& finder);
    void WritePhd(Str const& name, Str const& caller, Trace const& trace);
    void WritePoly(Str const& name, Str const& letters, PeakFinder const& finder);
    void ReportUnwritten(Str const& path, char const* reason);
    void ReportUnwritten(PendingFile const& file);

    Directory directory;
    FileReader reader;
    FileWriter writer;
    Str line;
    Str token;
    Parser parser;
    CTime runTime;
    Parameters* parameters;
    Str currentDirectory;
    Str workDirectory;
    Str chromatDirectory;
    Str phdDirectory;
    Str polyDirectory;
    Str runTimeText;
    // The read names of the run's traces so far, each with the file of the
    // entry that took it.
    std::unordered_map<std::string, std::string> readNames;
    bool failed = false;  // some trace could not be read, converted or written
};

#endif

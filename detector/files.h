// Project-file component of the variant detector: the settings file, the
// directory layout and file names of a run, and the state shared by the
// readers and writers of the project files.
#ifndef DETECTOR_FILES_H
#define DETECTOR_FILES_H

#include <regex.h>

#include <string>
#include <unordered_map>

#include "ctime.h"
#include "fileio.h"
#include "progress.h"
#include "str.h"

class Assembly;
class Contig;
class Parameters;
class PhdTagKeeper;
class Sequence;

class InterruptGuard;
class OutputFiles;

class Files {
public:
    Files();
    ~Files();
    Files(Files const&) = delete;
    Files& operator=(Files const&) = delete;

    // Keeps the two pointers, then finds and reads ".quorvalixrc".
    void Initialize(Assembly* assembly, Parameters* parameters);
    // Copies settings into the component, resolves and checks every path.
    void SetParameters();
    // The score itself, or its rank 1 to 6 when asked or when ranks are on.
    int GetScore(int score, bool asRank) const;

    void ReadAceFile();
    // Before anything is written: neither the report nor the navigation
    // file, where the run writes them, is the ACE file or a PHD or POLY
    // file of a read of the assembly, they are not one file, and each can
    // be made. Prints the fault and throws 1.
    void CheckOutputs();
    void ReadSequenceFiles();

    // The detector's findings written back as tags: consensus tags in the
    // ACE file, read tags in every PHD file of the valid contigs. Each
    // rewrite first drops the tags of an earlier run.
    void UpdateAceFile();
    void UpdatePhdFiles();
    // Removes the detector's tags from the ACE file and from every PHD
    // file it names.
    void ClearTags();
    // The sites as consensus regions, when the navigation file is on.
    void WriteNavFile();
    // The report, text or XML, to its file or to standard output.
    void WriteOutFile();

    // One tag from the tag members, appended to the writer.
    void WriteAceTag(long first, long last);
    void WritePhdTag(long first, long last);

protected:
    void ReadSettingsFile();
    // Applies one line; false when it holds no known key or a key that
    // names a directory, a file or a tag type lacks its value. "flag" lines
    // are gathered into `flags`.
    bool ReadSettingsLine(Str& flags);
    // Prints the failed test and throws 1.
    void CheckDirectory(Str const& path, bool read, bool write);
    void FindAceFile();
    // Full name of the report or navigation file.
    Str ResolveFile(Str const& name, char const* message);
    // The report and the navigation file, those of them the run writes.
    OutputFiles Outputs() const;
    // The run's temporary name for a rewrite of a file: the same in every
    // directory; Replacement makes the file in the target's directory, the
    // name followed by a number.
    Str TempName() const;
    // Every file the update will replace may be replaced.
    void CheckUpdateTargets();
    // The permission bits the check found for a file (checked now when it
    // was not checked before).
    int TargetMode(Str const& path);
    void WriteAceTags(Contig& contig);
    void WritePhdTags(Contig& contig, Sequence& read);
    void WriteGenotypeTags(Contig& contig, Sequence& read);
    bool SetGenotypeTag(Sequence& read);
    void WriteIndelTags(Contig& contig, Sequence& read);
    void WriteManualIndelTags(Contig& contig, Sequence& read);
    void WriteDataNeededTags(Sequence& read);
    void WritePhdHead(Sequence& read);
    void ReadClearedPhdFile(Str const& path, PhdTagKeeper& keeper, bool copy);
    void ClearPhdFile(Str const& path);
    // Opens a report or navigation file for `writer`; the run fails when it
    // cannot be created. Until CloseOutput, an interrupting signal removes
    // it (through `guard`; behind a link, the file the link names; never a
    // device) rather than leave it cut short.
    void OpenOutput(Str const& path, InterruptGuard& guard);
    // Closes a report or navigation file; a file that could not be written
    // whole is removed as a signal would remove it, and the run fails.
    void CloseOutput(Str const& path, InterruptGuard& guard);

    Assembly* assembly;
    Directory directory;
    FileReader reader;
    FileWriter writer;
    CoutWriter coutWriter;
    Str line;
    Str token;
    Parser parser;
    CTime runTime;
    Progress progress;
    Parameters* parameters;
    Str currentDirectory;
    Str workDirectory;
    Str editDirectory;
    Str phdDirectory;
    Str polyDirectory;
    Str rcFile;
    Str aceFile;
    Str navFile;
    Str outFile;
    Str tempFile;
    Str snpTag;
    // Blank-framed type lists: " type1 type2 ".
    Str columnTags;
    Str verifiedTags;
    Str manualTags;
    Str columnIndelTags;
    Str indelHetTag;
    long rankThresholds[5];
    long rankLimit;
    bool doUpdate;
    long verbosity;
    regex_t groupRegex;
    bool groupRegexOn;  // groupRegex holds a compiled expression to release
    Str tagContig;
    Str tagType;
    Str tagDate;
    Str tagComment;
    Str dateFormat;
    std::unordered_map<std::string, int> targetModes;  // by path, from CheckUpdateTargets
};

#endif

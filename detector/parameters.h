// Settings of the variant detector: built-in defaults, the setters used by
// start-up and the settings file, and the parser of the flag texts of the
// settings file and the command line.
#ifndef DETECTOR_PARAMETERS_H
#define DETECTOR_PARAMETERS_H

#include "str.h"

// SNP types (-snp): the genotypes a column is called a SNP for, as the bits
// of their genotype codes.
enum SnpMode { SnpOff = 0, SnpHomozygous = 1, SnpHeterozygous = 2, SnpAll = 3 };
// Uses of the reference read (-ref, -refcomp): none, its positions shown
// beside the consensus positions, or also its bases compared with the
// consensus.
enum ReferenceMode { NoReference = 0, ShowReference = 1, CompareReference = 2 };
// Microsatellite marking (-ms): off, on, or on with SNP probabilities
// inside the repeats capped at the score limit (-ms x).
enum RepeatMode { RepeatsOff = 0, RepeatsOn = 1, RepeatsCapped = 2 };

class DetectorFlagText;

class Parameters {
public:
    Parameters();
    Parameters(Parameters const&) = delete;
    Parameters& operator=(Parameters const&) = delete;

    Str GetVersion() const { return Version; }
    Str GetBuild() const { return Build; }
    Str GetWorkDirectory() const { return WorkDirectory; }
    Str GetAceDir() const { return AceDir; }
    Str GetPhdDir() const { return PhdDir; }
    Str GetPolyDir() const { return PolyDir; }
    Str GetAceFile() const { return AceFile; }
    bool IsAceFile() const { return AceFile.Length() > 0; }
    Str GetOutFile() const { return OutFile; }
    Str GetNavFile() const { return NavFile; }
    Str GetSnpType() const { return SnpType; }
    Str GetSnpTag() const { return SnpTag; }
    Str GetRefID() const { return RefID; }
    Str GetGroupID() const { return GroupID; }
    float GetScoreLimit() const { return ScoreLimit; }
    int GetRankLimit() const { return RankLimit; }
    int GetQualityLimit() const { return QualityLimit; }
    int GetWindow() const { return Window; }
    int GetFlanking() const { return Flanking; }
    // Delimiter mode: start -1 and the delimiter; else the 0-based start
    // and the identifier's length (0 = no source identifiers).
    void GetSourceID(char& delimiterOrLength, long& start) const {
        delimiterOrLength = SourceIDChar;
        start = SourceIDPos;
    }
    int GetRefFlag() const { return RefFlag; }
    int GetSnpFlag() const { return SnpFlag; }
    int DoRepeats() const { return Repeats; }
    bool DoXmlFile() const { return XmlFileOn; }
    bool DoFileOutput() const { return FileOutputOn; }
    bool DoNavFile() const { return NavFileOn; }
    bool DoIndel() const { return IndelOn; }
    bool DoUpdate() const { return UpdateOn; }
    bool PrintPoly() const { return BlockPoly; }
    bool PrintGenotype() const { return BlockGenotype; }
    bool PrintColumnGenotype() const { return BlockColumnGenotype; }
    bool PrintIndel() const { return BlockIndel; }
    bool PrintPolyIndel() const { return BlockPolyIndel; }
    bool PrintColumnIndel() const { return BlockColumnIndel; }
    bool PrintManualGenotype() const { return BlockManualGenotype; }
    bool PrintVerified() const { return BlockVerified; }
    bool PrintRepeat() const { return BlockRepeat; }
    bool PrintSample() const { return BlockSample; }
    bool PrintCoverage() const { return BlockCoverage; }
    bool DoClearTags() const { return ClearTagsOn; }
    int GetVerbosity() const { return Verbosity; }

    // Verbatim stores, for the start-up defaults: the text as given. The
    // directory setters taking a Str (below) normalise instead; the two
    // forms share their names as the settings interface has them.
    void SetVersion(char const* x) { Version = x; }
    void SetBuild(char const* x) { Build = x; }
    void SetSnpTag(char const* x) { SnpTag = x; }
    void SetRefID(char const* x) { RefID = x; }
    void SetOutFile(char const* x) { OutFile = x; }
    void SetNavFile(char const* x) { NavFile = x; }
    void SetAceDir(char const* x) { AceDir = x; }
    void SetPhdDir(char const* x) { PhdDir = x; }
    void SetPolyDir(char const* x) { PolyDir = x; }
    // Settings-file and path-resolution setters.
    void SetAceFile(Str const& x) { AceFile = x; }
    void SetOutFile(Str const& x) { OutFile = x; }
    void SetRefID(Str const& x) { RefID = x; }
    // Directories from the settings file, normalised: "." means the work
    // directory itself (empty), any other text ends in '/'.
    void SetAceDir(Str const& x) { SetDirectory(AceDir, x); }
    void SetPhdDir(Str const& x) { SetDirectory(PhdDir, x); }
    void SetPolyDir(Str const& x) { SetDirectory(PolyDir, x); }
    void SetNavFile(Str const& x);  // ".nav" appended when missing
    void SetScoreLimit(float x) { ScoreLimit = x; }
    void SetQualityLimit(int x) { QualityLimit = x; }
    void SetWindow(int x) { Window = x; }
    void SetFlanking(int x) { Flanking = x; }

    // Applies every flag of `flags` in order. On the first bad flag or
    // argument prints one message naming `source` and throws 1.
    void ParseFlags(Str const& source, Str const& flags);

private:
    static void SetDirectory(Str& field, Str const& x);
    // The flags whose argument takes more than a switch, a name or a number.
    void ParseBlocks(DetectorFlagText& f);
    void ParseWorkDirectory(DetectorFlagText& f);
    void ParseRepeats(DetectorFlagText& f);
    void ParseRank(DetectorFlagText& f);
    void ParseReference(DetectorFlagText& f, signed char mode);
    void ParseSource(DetectorFlagText& f);
    void ParseScore(DetectorFlagText& f);
    void ParseSnp(DetectorFlagText& f);
    void ParseTag(DetectorFlagText& f);
    void ParseVerbosity(DetectorFlagText& f);

    Str Version;
    Str Build;
    Str WorkDirectory;
    Str AceDir;
    Str PhdDir;
    Str PolyDir;
    Str AceFile;
    Str OutFile;
    Str NavFile;
    Str SnpType;
    Str SnpTag;
    Str RefID;
    Str GroupID;
    float ScoreLimit;
    int RankLimit;
    int QualityLimit;
    int Window;
    int Flanking;
    char SourceIDChar;
    long SourceIDPos;
    signed char RefFlag;
    signed char SnpFlag;
    signed char Repeats;
    bool XmlFileOn;
    bool FileOutputOn;
    bool NavFileOn;
    bool IndelOn;
    bool UpdateOn;
    bool BlockPoly;
    bool BlockGenotype;
    bool BlockColumnGenotype;
    bool BlockIndel;
    bool BlockPolyIndel;
    bool BlockColumnIndel;
    bool BlockManualGenotype;
    bool BlockVerified;
    bool BlockRepeat;
    bool BlockSample;
    bool BlockCoverage;
    bool ClearTagsOn;
    int Verbosity;
};

#endif

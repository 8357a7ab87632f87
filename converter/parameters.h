// Settings of the trace converter: start-up defaults, the settings file's
// keys and the flags of the settings file and the command line.
#ifndef CONVERTER_PARAMETERS_H
#define CONVERTER_PARAMETERS_H

#include "str.h"

class Parameters {
public:
    Parameters();

    Str GetVersion() const { return Version; }
    Str GetBuild() const { return Build; }
    Str GetWorkDirectory() const { return WorkDirectory; }
    Str GetChromatDir() const { return ChromatDir; }
    Str GetAceDir() const { return AceDir; }
    Str GetPhdDir() const { return PhdDir; }
    Str GetPolyDir() const { return PolyDir; }
    bool Overwrite() const { return OverwriteOn; }
    // False when no list file was named; else its name.
    bool GetFileList(Str& name) const;

    // Start-up values, stored as given. The directory setters taking a Str
    // (below) normalise instead; the two forms share their names as the
    // settings interface has them.
    void SetVersion(char const* text) { Version = text; }
    void SetBuild(char const* text) { Build = text; }
    void SetChromatDir(char const* text) { ChromatDir = text; }
    void SetAceDir(char const* text) { AceDir = text; }
    void SetPhdDir(char const* text) { PhdDir = text; }
    void SetPolyDir(char const* text) { PolyDir = text; }
    // Directories from the settings file: "." is the project directory
    // itself, any other value ends in '/'.
    void SetChromatDir(Str const& dir) { SetDirectory(ChromatDir, dir); }
    void SetPhdDir(Str const& dir) { SetDirectory(PhdDir, dir); }
    void SetPolyDir(Str const& dir) { SetDirectory(PolyDir, dir); }

    // Applies the flags of `text`; `source` names where they come from in
    // the message about an invalid flag, which ends the run (throws 1).
    void ParseFlags(Str const& source, Str& text);

private:
    static void SetDirectory(Str& field, Str const& dir);

    Str Version;
    Str Build;
    Str WorkDirectory;
    Str ChromatDir;
    Str AceDir;
    Str PhdDir;
    Str PolyDir;
    Str FileList;
    bool OverwriteOn;
};

#endif

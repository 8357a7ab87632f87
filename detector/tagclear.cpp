// Files::ClearTags: the detector's tags removed from the ACE file and from
// every PHD file it names.
#include <iostream>

#include "acecopier.h"
#include "fatalerror.h"
#include "files.h"
#include "outputfiles.h"
#include "phdfile.h"
#include "replacement.h"

// Cleared files are left readable and writable by their owner and group.
static int const clearedMode = 0660;

// Reads a PHD file to clear it: the lines through its END_DNA line (the
// first after the BEGIN_DNA line, as the reader takes them: a header line
// may begin with those letters too) go to the writer when `copy` is set,
// the tag section to the keeper. A file the clearing could not rewrite
// whole: prints the fault and throws 1.
void Files::ReadClearedPhdFile(Str const& path, PhdTagKeeper& keeper, bool copy) {
    if (!reader.Open(path)) FatalError("ERROR: can not open the PHD file ", path);
    bool begun = false;
    bool dna = false;
    while (!dna && reader.GetLine(line)) {
        if (copy) writer.AppendLine(line);
        dna = begun && PhdFile::IsEndDna(line);
        begun = begun || PhdFile::IsBeginDna(line);
    }
    keeper.Begin();
    while (reader.GetLine(line)) keeper.Line(line);
    keeper.End();
    reader.Close();
    Replacement::CheckSource(reader, path);
    if (!dna) FatalError("ERROR: invalid PHD file ", path, ": no END_DNA line");
    if (keeper.HasUnclosedTag()) FatalError("ERROR: a tag block in PHD file ", path, " has no END_TAG line.");
}

// The lines through the END_DNA line as they stand, then the tag section
// without the detector's tags.
void Files::ClearPhdFile(Str const& path) {
    Replacement phd(writer, path, TempName());
    PhdTagKeeper keeper;
    ReadClearedPhdFile(path, keeper, true);
    writer.Append(keeper.Kept());
    writer.Append("\nEND_SEQUENCE\n");
    phd.Commit(clearedMode, false);
}

void Files::ClearTags() {
    std::cerr << "Clearing Quorvalix tags\n" << std::endl;
    // A report or navigation file named though none is written: one that
    // is a file to clear is a slip of the user's, stopped before it costs
    // anything.
    OutputFiles outputs = Outputs();
    outputs.Check("the ACE file ", aceFile);
    Replacement::CheckTarget(aceFile);
    if (!reader.Open(aceFile)) FatalError("ERROR: can not open the ACE file ", aceFile);
    StrList names;
    {
        Replacement ace(writer, aceFile, TempName());
        AceCopier(reader, writer, aceFile, AceCopier::ThirdWordAnyCase).Copy(&names);
        reader.Close();
        // Every PHD file is checked, and read, before the first file is
        // replaced: one that could not be cleared leaves the project as it
        // was.
        names.Begin();
        while (Str* name = names.GetNext()) {
            Replacement::CheckTarget(phdDirectory + *name);
            outputs.Check("the PHD file ", phdDirectory + *name);
        }
        PhdTagKeeper keeper;
        names.Begin();
        while (Str* name = names.GetNext()) ReadClearedPhdFile(phdDirectory + *name, keeper, false);
        ace.Commit(clearedMode, true);
    }
    progress.Set(names.Length(), 100.0);
    progress.Begin();
    names.Begin();
    while (Str* name = names.GetNext()) {
        progress.Next();
        ClearPhdFile(phdDirectory + *name);
    }
}

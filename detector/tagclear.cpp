// Files::ClearTags: the detector's tags removed from the ACE file and from
// every PHD file it names.
#include <iostream>

#include "acecopier.h"
#include "files.h"
#include "phdfile.h"
#include "replacement.h"

// Cleared files are left readable and writable by their owner and group.
static int const clearedMode = 0660;

// The lines through "END_DNA" as they stand, then the tag section without
// the detector's tags.
void Files::ClearPhdFile(Str const& path) {
    if (!reader.Open(path)) {
        std::cerr << "ERROR: can not open the PHD file " << path;
        throw 1;
    }
    Replacement phd(writer, path, TempName());
    bool dna = false;
    while (!dna && reader.GetLine(line)) {
        writer.AppendLine(line);
        dna = PhdFile::IsEndDna(line);
    }
    PhdTagKeeper keeper;
    keeper.Begin();
    while (reader.GetLine(line)) keeper.Line(line);
    keeper.End();
    bool failed = reader.HasFailed();
    reader.Close();
    if (failed) {
        std::cerr << "ERROR: can not read the file " << path;
        throw 1;
    }
    if (!dna) {
        std::cerr << "ERROR: invalid PHD file " << path << ": no END_DNA line";
        throw 1;
    }
    if (keeper.HasUnclosedTag()) {
        std::cerr << "ERROR: a tag block in PHD file " << path << " has no END_TAG line.";
        throw 1;
    }
    writer.Append(keeper.Kept());
    writer.Append("\nEND_SEQUENCE\n");
    phd.Commit(clearedMode, false);
}

void Files::ClearTags() {
    std::cerr << "Clearing Quorvalix tags\n" << std::endl;
    Replacement::CheckTarget(aceFile);
    if (!reader.Open(aceFile)) {
        std::cerr << "ERROR: can not open the ACE file " << aceFile;
        throw 1;
    }
    StrList names;
    {
        Replacement ace(writer, aceFile, TempName());
        AceCopier(reader, writer, aceFile, AceCopier::ThirdWordAnyCase).Copy(&names);
        reader.Close();
        // Every PHD file is checked before the first file is replaced.
        names.Begin();
        while (Str* name = names.GetNext()) Replacement::CheckTarget(phdDirectory + *name);
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

// Copies an ACE file line for line without the detector's own consensus
// tags, as the tag update and the tag clearing rewrite it.
#ifndef DETECTOR_ACECOPIER_H
#define DETECTOR_ACECOPIER_H

#include "fileio.h"
#include "str.h"

class AceCopier {
public:
    // How an own tag is told by the source word of its data line (its third
    // word): the update takes "quorValix" as written, the clearing in any
    // case. A tag of another source that names the detector elsewhere on
    // that line is no own tag.
    enum Recognition { ThirdWord, ThirdWordAnyCase };

    AceCopier(FileReader& reader, FileWriter& writer, Str const& path, Recognition recognition)
        : reader(reader), writer(writer), path(path), recognition(recognition) {}

    // Copies the whole file. Each own tag block is dropped from its "CT{"
    // line to its "}" line, with the empty line written before it, so that
    // a file that had tags added and then cleared is byte for byte the one
    // before. When `phdNames` is given, the PHD file named by each DS line
    // is appended to it. An own block that never closes, a PHD name that
    // leads out of the PHD directory, a read error or a NUL byte: prints the
    // fault and throws 1.
    void Copy(StrList* phdNames);

private:
    bool IsOwnTag(Str& data) const;
    void DropOwnTag(long start);
    void AddPhdName(StrList& names);
    void WriteHeldLine();

    FileReader& reader;
    FileWriter& writer;
    Str const& path;
    Recognition recognition;
    Str line;
    bool held = false;  // an empty line not yet written: it goes if an own tag follows
};

#endif

// The PHD base-call file: its key lines, the lines every writer produces,
// and the rules that keep a file's tag section across rewrites. This is the
// one place that knows the layout; the detector, the converter and the
// synthetic writer all read and write PHD files through it.
//
// A file is: header lines, "BEGIN_DNA", one "base quality position" line per
// called base in trace order, "END_DNA", a tag section, "END_SEQUENCE".
#ifndef SUPPORT_PHDFILE_H
#define SUPPORT_PHDFILE_H

#include "filewriter.h"
#include "str.h"

// The header of a base-call file written from a chromatogram: the keys the
// converter and the synthetic writer give, in the order they write them.
struct PhdHeader {
    Str name;               // after BEGIN_SEQUENCE
    Str chromatFile;        // CHROMAT_FILE
    char const* program;    // PHRED_VERSION
    Str callMethod;         // CALL_METHOD
    Str time;               // TIME
    long samples;           // TRACE_ARRAY_MAX_INDEX is one less
    char const* chemistry;  // CHEM
    char const* dye;        // DYE
};

class PhdFile {
public:
    static char const* const Suffix;        // ".phd.1", after the read name
    static char const* const OwnSource;     // "SOURCE: quorValix"
    static char const* const DateFormat;    // "%M/%D/%y %h:%m:%s", for CTime::GetString

    // A name that stays inside the PHD directory: not empty, no '/', not
    // "." or "..". Files named in an ACE file are rewritten, so no other
    // name is followed.
    static bool IsFileName(Str const& name) {
        return name.Length() > 0 && !name.Contains('/') && name != "." && name != "..";
    }

    // Key lines are recognised by their prefix.
    static bool IsBeginDna(Str const& line) { return line.Compare("BEGIN_DNA"); }
    static bool IsEndDna(Str const& line) { return line.Compare("END_DNA"); }

    // A new file, as the converter and the synthetic writer write it:
    // WriteHeader (or WriteBegin, WriteComment for each header key and
    // WriteBeginDna), WriteBase for each base, WriteEnd.
    static void WriteHeader(FileWriter& out, PhdHeader const& header);
    static void WriteBegin(FileWriter& out, Str const& name);  // "BEGIN_SEQUENCE name\n\nBEGIN_COMMENT\n"
    static void WriteComment(FileWriter& out, char const* key, Str const& value);  // "KEY: value\n"
    static void WriteComment(FileWriter& out, char const* key, long value);
    static void WriteBeginDna(FileWriter& out);  // "END_COMMENT\n\nBEGIN_DNA\n"
    static void WriteBase(FileWriter& out, char base, long quality, long position);
    static void WriteBase(FileWriter& out, char base, Str const& quality, long position);
    // "END_DNA\nEND_SEQUENCE", with or without a final line feed.
    static void WriteEnd(FileWriter& out, bool lineFeed = true);

    // One of the detector's own tags, preceded by an empty line. `date` is
    // the run's start in DateFormat; an empty or blank comment writes no
    // comment block.
    static void WriteTag(FileWriter& out, Str const& type, long first, long last, Str const& date,
                         Str const& comment);

    // A base line: the first character of token 1, then the quality and the
    // position (integers from their leading digits). False when the third
    // token is missing.
    static bool ParseBase(Str& line, char& base, long& quality, long& position);
};

// Builds the kept text of a tag section from its lines, one at a time:
// blank lines collapse to one empty line before the next kept line,
// "END_SEQUENCE" lines and the detector's own tag blocks are dropped, every
// other tag block and line is kept as it stands. It also reports each
// foreign tag as it ends, for readers that collect tags of given types.
class PhdTagKeeper {
public:
    PhdTagKeeper() {}
    void Begin();  // starts a new section: empty kept text
    // Takes one line (without its line feed). True when this line closed a
    // foreign tag block, whose details are then available below.
    bool Line(Str const& line);
    // The end of the file. True when it closed an unfinished foreign tag.
    bool End();
    Str& Kept() { return kept; }
    // Since Begin, a tag block ran into the next "BEGIN_TAG" line or into
    // the end of the file without its "END_TAG" line: a damaged file, which
    // a rewrite must not make worse.
    bool HasUnclosedTag() const { return unclosed; }

    Str const& TagType() const { return tagType; }        // token 2 of the TYPE line
    Str const& TagComment() const { return tagComment; }  // comment lines, joined
    bool HasTagPosition() const { return hasPosition; }
    long TagPosition() const { return tagPosition; }  // first number of the last UNPADDED_READ_POS line

private:
    enum State { Outside, TypeLine, SourceLine, Foreign, Own };
    void StartForeign();
    bool ForeignLine(Str const& line);

    Str kept;
    Str typeLine;
    Str tagType;
    Str tagComment;
    State state = Outside;
    bool blank = false;
    bool unclosed = false;
    bool inComment = false;
    bool hasPosition = false;
    long tagPosition = 0;
};

#endif

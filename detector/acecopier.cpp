#include "acecopier.h"

#include <cctype>

#include "fatalerror.h"
#include "phdfile.h"
#include "replacement.h"

bool AceCopier::IsOwnTag(Str& data) const {
    Parser parser(data);
    Str source;
    parser.SkipToken(2);
    parser.GetToken(source);
    if (recognition == ThirdWord) return source == "quorValix";
    source.UpperCase();
    return source == "QUORVALIX";
}

// A line that may stand in the comment of an own tag: none that closes a
// block or opens a block or a record.
static bool IsCommentText(Str& line) {
    Parser parser(line);
    Str word;
    parser.GetToken(word);
    if (word.Compare("}") || word == '{' || word.CompareRight('{')) return false;
    for (char const* key : {"AS", "CO", "BQ", "AF", "BS", "RD", "QA", "DS"})
        if (word == key) return false;
    return true;
}

// Passes over the rest of an own block: the comment, if it has one, from
// "COMMENT{" to "C}", and its line "}". A block of another shape never
// closed where the detector closes its tags (a cut file, a "}" with blanks
// or a carriage return after it, a record or another block before its end):
// dropping on would swallow whatever follows, so the copy stops.
void AceCopier::DropOwnTag(long start) {
    bool first = true;
    bool comment = false;
    while (reader.GetLine(line)) {
        if (comment) {
            if (line == "C}")
                comment = false;
            else if (!IsCommentText(line))
                break;
            continue;
        }
        if (line == "}") return;
        if (!first || line != "COMMENT{") break;
        first = false;
        comment = true;
    }
    if (reader.HasFailed()) return;  // reported by Copy
    FatalError("ERROR: the quorValix tag on line ", start, " of ", path, " has no closing line \"}\"");
}

void AceCopier::WriteHeldLine() {
    if (held) writer.AppendLine();
    held = false;
}

// The token after "PHD_FILE:" anywhere on a DS line, as the ACE reader
// takes it (other assemblers write "DS TEMPLATE: ... PHD_FILE: ...").
void AceCopier::AddPhdName(StrList& names) {
    char after = line.Length() > 2 ? line.String()[2] : '\0';
    if (!line.Compare("DS") || !std::isspace(static_cast<unsigned char>(after))) return;
    Parser parser(line);
    Str token;
    while (parser.GetToken(token)) {
        if (token != "PHD_FILE:") continue;
        parser.GetToken(token);
        if (!PhdFile::IsFileName(token))
            FatalError("ERROR: the PHD file \"", token, "\" on line ", reader.GetLineNumber(), " of ", path,
                       " lies outside the PHD directory");
        names.Append(token);
        return;
    }
}

void AceCopier::Copy(StrList* phdNames) {
    held = false;
    while (reader.GetLine(line)) {
        if (line.Compare("CT{")) {
            long start = reader.GetLineNumber();
            Str open(line);
            if (!reader.GetLine(line)) {
                WriteHeldLine();
                writer.AppendLine(open);
                break;
            }
            if (IsOwnTag(line)) {
                held = false;
                DropOwnTag(start);
                continue;
            }
            WriteHeldLine();
            writer.AppendLine(open);
            writer.AppendLine(line);
            continue;
        }
        if (line.Length() == 0) {
            WriteHeldLine();
            held = true;
            continue;
        }
        WriteHeldLine();
        writer.AppendLine(line);
        if (phdNames) AddPhdName(*phdNames);
    }
    WriteHeldLine();
    Replacement::CheckSource(reader, path);
}

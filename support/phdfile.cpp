#include "phdfile.h"

#include "charclass.h"
#include "parser.h"

char const* const PhdFile::Suffix = ".phd.1";
char const* const PhdFile::OwnSource = "SOURCE: quorValix";
char const* const PhdFile::DateFormat = "%M/%D/%y %h:%m:%s";

void PhdFile::WriteBegin(FileWriter& out, Str const& name) {
    out.Append("BEGIN_SEQUENCE ");
    out.Append(name);
    out.Append("\n\nBEGIN_COMMENT\n");
}

void PhdFile::WriteComment(FileWriter& out, char const* key, Str const& value) {
    out.Append(key);
    out.Append(": ");
    out.AppendLine(value);
}

void PhdFile::WriteComment(FileWriter& out, char const* key, long value) {
    out.Append(key);
    out.Append(": ");
    out.AppendLine(value);
}

void PhdFile::WriteBeginDna(FileWriter& out) { out.Append("END_COMMENT\n\nBEGIN_DNA\n"); }

void PhdFile::WriteHeader(FileWriter& out, PhdHeader const& header) {
    WriteBegin(out, header.name);
    WriteComment(out, "CHROMAT_FILE", header.chromatFile);
    WriteComment(out, "ABI_THUMBPRINT", 0L);
    WriteComment(out, "PHRED_VERSION", header.program);
    WriteComment(out, "CALL_METHOD", header.callMethod);
    WriteComment(out, "QUALITY_LEVELS", 99L);
    WriteComment(out, "TIME", header.time);
    WriteComment(out, "TRACE_ARRAY_MIN_INDEX", 0L);
    WriteComment(out, "TRACE_ARRAY_MAX_INDEX", header.samples - 1);
    WriteComment(out, "CHEM", header.chemistry);
    WriteComment(out, "DYE", header.dye);
    WriteBeginDna(out);
}

void PhdFile::WriteBase(FileWriter& out, char base, long quality, long position) {
    char line[3 * Str::NumberSize];
    char* p = line;
    *p++ = base;
    *p++ = ' ';
    p += Str::IntegerText(quality, p);
    *p++ = ' ';
    p += Str::IntegerText(position, p);
    *p++ = '\n';
    out.AppendByte(line, p - line);
}

void PhdFile::WriteBase(FileWriter& out, char base, Str const& quality, long position) {
    out.AppendToken(base);
    out.AppendToken(quality);
    out.AppendLine(position);
}

void PhdFile::WriteEnd(FileWriter& out, bool lineFeed) {
    out.Append(lineFeed ? "END_DNA\nEND_SEQUENCE\n" : "END_DNA\nEND_SEQUENCE");
}

void PhdFile::WriteTag(FileWriter& out, Str const& type, long first, long last, Str const& date,
                       Str const& comment) {
    out.Append("\nBEGIN_TAG\nTYPE: ");
    out.Append(type);
    out.Append("\n");
    out.Append(OwnSource);
    out.Append("\nUNPADDED_READ_POS: ");
    out.AppendToken(first);
    out.Append(last);
    out.Append("\nDATE: ");
    out.Append(date);
    if (comment.HasContent()) {
        out.Append("\nBEGIN_COMMENT\n");
        out.Append(comment);
        out.Append("\nEND_COMMENT");
    }
    out.Append("\nEND_TAG\n");
}

bool PhdFile::ParseBase(Str& line, char& base, long& quality, long& position) {
    Parser parser(line);
    char const* from;
    char const* to;
    if (!parser.GetToken(from, to)) return false;
    base = *from;
    return parser.GetToken(quality) && parser.GetToken(position);
}

// ---------------------------------------------------------------- tag section

void PhdTagKeeper::Begin() {
    kept.Clear();
    state = Outside;
    blank = false;
    unclosed = false;
}

void PhdTagKeeper::StartForeign() {
    tagType.Clear();
    Parser parser(typeLine);
    parser.SkipToken(1);
    parser.GetToken(tagType);
    tagComment.Clear();
    inComment = false;
    hasPosition = false;
    tagPosition = 0;
}

// A line inside a kept tag block: copied, and looked at for the tag's
// position and comment. True at the END_TAG line.
bool PhdTagKeeper::ForeignLine(Str const& line) {
    kept.AppendLine(line);
    if (line.Compare("END_TAG")) {
        state = Outside;
        return true;
    }
    if (inComment) {
        if (line.Compare("END_COMMENT"))
            inComment = false;
        else
            tagComment.Append(line);
    } else if (line.Compare("BEGIN_COMMENT")) {
        inComment = true;
    } else if (line.Compare("UNPADDED_READ_POS:")) {
        // The leading number of the word after the key.
        char const* end = line.String() + line.Length();
        char const* after = CharClass::ToSpace(CharClass::ToNonSpace(line.String(), end), end);
        tagPosition = Str::ParseInteger(after, end);
        hasPosition = true;
    }
    return false;
}

bool PhdTagKeeper::Line(Str const& line) {
    if (state != Outside && line.Compare("BEGIN_TAG")) unclosed = true;
    switch (state) {
    case TypeLine:
        typeLine = line;
        state = SourceLine;
        return false;
    case SourceLine:
        if (line.Compare(PhdFile::OwnSource)) {
            state = Own;
        } else {
            kept.Append("\nBEGIN_TAG\n");
            kept.AppendLine(typeLine);
            kept.AppendLine(line);
            StartForeign();
            state = Foreign;
        }
        return false;
    case Foreign:
        return ForeignLine(line);
    case Own:
        if (line.Compare("END_TAG")) state = Outside;
        return false;
    case Outside:
        break;
    }
    if (!line.HasContent()) {
        blank = true;
        return false;
    }
    if (line.Compare("BEGIN_TAG")) {
        state = TypeLine;
    } else if (!line.Compare("END_SEQUENCE")) {
        if (blank) kept.AppendLine();
        kept.AppendLine(line);
    }
    blank = false;
    return false;
}

bool PhdTagKeeper::End() {
    State was = state;
    state = Outside;
    if (was != Outside) unclosed = true;
    switch (was) {
    case TypeLine:  // keep what there is of a cut-off block
        kept.Append("\nBEGIN_TAG\n");
        return false;
    case SourceLine:
        kept.Append("\nBEGIN_TAG\n");
        kept.AppendLine(typeLine);
        return false;
    case Foreign:
        return true;
    default:
        return false;
    }
}

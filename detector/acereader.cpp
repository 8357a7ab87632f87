// Files::ReadAceFile: builds the assembly model from the ACE file.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "charclass.h"
#include "contig.h"
#include "fatalerror.h"
#include "files.h"
#include "parameters.h"

// Reads the records of one ACE file into an assembly. Every record is
// checked against the others (unique names, one RD record per AF line, base
// counts as declared), so a broken file stops with the line and the fault
// instead of shifting reads against the consensus.
class AceFileReader {
public:
    AceFileReader(FileReader& reader, Assembly& assembly, Str const& refID, regex_t const* group,
                  Str const& verifiedTags, Str const& columnTags, Str const& columnIndelTags, Str& tagType,
                  Str& tagComment)
        : reader(reader),
          assembly(assembly),
          refID(refID),
          group(group),
          verifiedTags(verifiedTags),
          columnTags(columnTags),
          columnIndelTags(columnIndelTags),
          tagType(tagType),
          tagComment(tagComment) {}

    void Read();

private:
    // A read named by an AF line: kept (read), the reference, or left out of
    // the assembly by the read group (neither).
    struct AfRead {
        Contig* contig;
        Sequence* read;
        bool reference;
        bool hasRecord;  // its RD record has been read
    };

    void ReadContig();
    void AddRead();
    void FinishContig();
    void ReadRead();
    void ReadBases(Str& bases);
    void CheckCount(Str const& count, Str const& bases, long lineNumber, Str const& what, char const* key);
    void CheckAnnounced(Str const& count, long held, char const* what, long lineNumber);
    void ReadTag();
    void SkipBlock(long start);
    [[noreturn]] void Unclosed(long start);
    void CheckInside(long start);
    Contig* TagContig(Str const& contigName, long start, long end, long lineNumber);

    bool NextText();  // the pending line, or the next text line
    [[noreturn]] void Fail(long lineNumber, Str const& message);
    [[noreturn]] void Fail(Str const& message) { Fail(reader.GetLineNumber(), message); }

    FileReader& reader;
    Assembly& assembly;
    Str const& refID;
    regex_t const* group;
    Str const& verifiedTags;
    Str const& columnTags;
    Str const& columnIndelTags;
    Str& tagType;
    Str& tagComment;

    Str line;
    // Scratch texts for the words of the lines, reused from line to line.
    Str name;    // of a CO or RD line
    Str count;
    Str readName;  // of an AF line
    Str direction;
    Str start;
    Str word;
    Str bases;
    Str tagLine;  // the data line of a consensus tag
    bool pending = false;  // `line` is the next line of the scan, not yet handled
    std::unordered_map<std::string, AfRead> reads;
    std::unordered_map<std::string, Contig*> contigs;
    Contig* contig = nullptr;  // the contig being read
    std::vector<std::pair<std::string const*, AfRead*>> contigReads;
    struct Arrived {
        long reads;  // read count after the contig's AF lines
        std::unique_ptr<Contig> contig;
    };
    std::vector<Arrived> arrived;
    bool contigHasReference = false;
};

// The record key at the start of a line, followed by whitespace or the end.
static bool IsRecord(Str const& line, char const* key) {
    if (!line.Compare(key)) return false;
    char after = line.String()[std::char_traits<char>::length(key)];
    return after == '\0' || CharClass::IsSpace(static_cast<unsigned char>(after));
}

// A tag or comment block: its first word ends with '{' (CT{, RT{, WA{ ...).
static bool IsBlockStart(Str const& line) {
    char const* text = line.String();
    long n = 0;
    while (text[n] && !CharClass::IsSpace(static_cast<unsigned char>(text[n]))) ++n;
    return n > 0 && text[n - 1] == '{';
}

// Drops a trailing carriage return and blanks (files from other systems).
static void StripLineEnd(Str& line) {
    long n = line.Length();
    long keep = n;
    while (keep > 0 && CharClass::IsSpace(static_cast<unsigned char>(line.String()[keep - 1]))) --keep;
    if (keep < n) line.DeleteRight(n - keep);
}

// The line after a run of sequence lines: empty, or a record (QA, BQ, a
// line with words or a block) rather than bases.
static bool EndsSequence(Str const& line) {
    if (line.Length() == 0 || line.Compare("QA") || line.Compare("BQ")) return true;
    for (char const* p = line.String(); *p; ++p)
        if (CharClass::IsSpace(static_cast<unsigned char>(*p)) || *p == '{') return true;
    return false;
}

// Words 2 and 3 of a CO or RD line: the name and the base count.
static void NameAndCount(Str& line, Str& name, Str& count) {
    Parser parser(line);
    parser.SkipToken();
    parser.GetToken(name);
    parser.GetToken(count);
}

static Str Quoted(Str const& text) {
    Str quoted("\"");
    quoted.Append(text);
    quoted.Append('"');
    return quoted;
}

void AceFileReader::Fail(long lineNumber, Str const& message) {
    reader.Close();
    FatalError("ERROR: invalid ACE file, line ", lineNumber, ": ", message);
}

bool AceFileReader::NextText() {
    if (pending) {
        pending = false;
        return true;
    }
    return reader.GetTextLine(line);
}

void AceFileReader::Read() {
    if (!NextText() || !line.Compare("AS")) Fail("the file does not begin with an AS line");
    long asLine = reader.GetLineNumber();
    Str contigCount;
    Str readCount;
    NameAndCount(line, contigCount, readCount);  // the same two words after the key
    if (reader.IsEndOfFile()) Fail("the file ends after its AS line");
    if (!NextText() || !IsRecord(line, "CO")) Fail("no CO line follows the AS line");
    ReadContig();
    while (NextText()) {
        if (IsRecord(line, "RD")) {
            ReadRead();
        } else if (IsRecord(line, "CO")) {
            FinishContig();
            ReadContig();
        } else if (line.Compare("CT{")) {
            ReadTag();
        } else if (IsBlockStart(line)) {
            SkipBlock(reader.GetLineNumber());
        }
    }
    FinishContig();
    CheckAnnounced(contigCount, static_cast<long>(contigs.size()), "contigs", asLine);
    CheckAnnounced(readCount, static_cast<long>(reads.size()), "reads", asLine);
    reader.Close();
    // Contigs by read count descending, then by name; equal ones in their
    // order in the file. The same order as inserting each one in its place
    // as it arrives, without walking the list for every contig.
    std::stable_sort(arrived.begin(), arrived.end(), [](Arrived const& a, Arrived const& b) {
        if (a.reads != b.reads) return a.reads > b.reads;
        return a.contig->GetName() < b.contig->GetName();
    });
    for (Arrived& a : arrived) assembly.Append(a.contig.release());
}

// The current line is a CO line. Reads the consensus, the BQ line and every
// AF line up to the contig's first RD record, and puts the contig into the
// assembly; the RD (or next CO) line is left pending for the scan.
void AceFileReader::ReadContig() {
    NameAndCount(line, name, count);
    if (name.Length() == 0) Fail("CO line without a contig name");
    if (contigs.count(name.String())) Fail(Str("the contig name ") + Quoted(name) + " is used twice");
    long coLine = reader.GetLineNumber();
    if (reader.IsEndOfFile()) Fail(Str("the file ends after the CO line of contig ") + name);

    std::unique_ptr<Contig> newContig(new Contig);
    newContig->GetConsensusSequence()->SetAttributes(name, 0, false);
    Str consensus;
    ReadBases(consensus);
    CheckCount(count, consensus, coLine, Str("the consensus of contig ") + name, "CO");
    newContig->SetConsensusSequence(consensus);
    if (!NextText() || !line.Compare("BQ")) Fail(Str("no BQ line after the consensus of contig ") + name);
    if (reader.IsEndOfFile()) Fail(Str("the file ends after the BQ line of contig ") + name);

    contig = newContig.get();
    contigReads.clear();
    contigHasReference = false;
    contigs[name.String()] = contig;
    while (reader.GetLine(line)) {
        if (IsRecord(line, "AF")) {
            AddRead();
        } else if (IsRecord(line, "RD") || IsRecord(line, "CO")) {
            arrived.push_back({contig->Length(), std::move(newContig)});  // its read count is known now
            pending = true;
            return;
        } else if (IsBlockStart(line)) {
            SkipBlock(reader.GetLineNumber());
        }
    }
    Fail(Str("contig ") + name + " has no RD record");
}

void AceFileReader::AddRead() {
    Str& name = readName;
    Parser parser(line);
    parser.SkipToken();
    parser.GetToken(name);
    parser.GetToken(direction);
    parser.GetToken(start);
    if (name.Length() == 0) Fail("AF line without a read name");
    if (start.Length() == 0) Fail(Str("the AF line of read ") + name + " has no start position");
    if (reads.count(name.String())) Fail(Str("the read name ") + Quoted(name) + " is used twice");
    // A read that starts after the consensus, or so far before it that no
    // read of this file could reach it, lies outside the contig (only a
    // start before the consensus needs the file's size).
    long first = static_cast<long>(start);
    if (first > contig->GetColumnCount() || (first < 0 && first < -reader.GetFileSize())) {
        Str message("the AF line of read ");
        message.Append(name);
        message.Append(" starts at ");
        message.Append(start);  // as written: a number beyond a long is held at its limit
        message.Append(", outside contig ");
        message.Append(contig->GetName());
        Fail(message);
    }
    bool complemented = direction == "C";
    long offset = first - 1;
    AfRead entry{contig, nullptr, false, false};
    if (refID.Length() > 0 && name.Contains(refID)) {
        if (contigHasReference) Fail(Str("contig ") + contig->GetName() + " has a second reference read, " + name);
        contigHasReference = true;
        contig->GetReferenceSequence()->SetAttributes(name, offset, complemented);
        entry.reference = true;
    } else if (!group || regexec(group, name.String(), 0, nullptr, 0) == 0) {
        Sequence* read = new Sequence;
        read->SetAttributes(name, offset, complemented);
        contig->Append(read);
        entry.read = read;
    }
    auto added = reads.emplace(name.String(), entry).first;
    contigReads.emplace_back(&added->first, &added->second);
}

// Every read named by the contig's AF lines must have had its RD record.
void AceFileReader::FinishContig() {
    for (auto const& named : contigReads)
        if (!named.second->hasRecord)
            Fail(Str("read ") + Str(named.first->c_str()) + " of contig " + contig->GetName() + " has no RD record");
    contigReads.clear();
}

// Sequence lines (a consensus or a read) up to the empty line that closes
// the record, or up to the next record when that line is missing (left
// pending).
void AceFileReader::ReadBases(Str& bases) {
    while (reader.GetLine(line)) {
        StripLineEnd(line);
        if (EndsSequence(line)) {
            pending = line.Length() > 0;
            return;
        }
        bases.Append(line);
    }
}

// The base count of a CO or RD line, when it gives one, must be the number
// of bases that follow it.
void AceFileReader::CheckCount(Str const& count, Str const& bases, long lineNumber, Str const& what,
                               char const* key) {
    if (count.Length() == 0 || static_cast<long>(count) == bases.Length()) return;
    Str message(what);
    message.Append(" has ");
    message.Append(bases.Length());
    message.Append(" bases, its ");
    message.Append(key);
    message.Append(" line says ");
    message.Append(count);
    Fail(lineNumber, message);
}

// A file that holds fewer contigs or reads than its AS line announces was
// cut short after a whole record: the records it lost would be missed
// without a word.
void AceFileReader::CheckAnnounced(Str const& count, long held, char const* what, long lineNumber) {
    if (count.Length() == 0 || static_cast<long>(count) <= held) return;
    Str message("the AS line announces ");
    message.Append(count);
    message.Append(' ');
    message.Append(what);
    message.Append(", the file holds only ");
    message.Append(held);
    Fail(lineNumber, message);
}

// The current line is an RD line.
void AceFileReader::ReadRead() {
    NameAndCount(line, name, count);
    long rdLine = reader.GetLineNumber();
    auto found = reads.find(name.String());
    if (found == reads.end() || found->second.contig != contig)
        Fail(Str("the RD record of read ") + name + " has no AF line in contig " + contig->GetName());
    AfRead& entry = found->second;
    if (entry.hasRecord) Fail(Str("a second RD record of read ") + name);
    entry.hasRecord = true;

    bases.Clear();
    ReadBases(bases);
    CheckCount(count, bases, rdLine, Str("read ") + name, "RD");
    if (entry.reference) {
        contig->GetReferenceSequence()->SetSequence(bases);
        return;
    }
    Sequence* read = entry.read;
    if (!read) return;  // left out by the read group: its QA and DS lines are passed over
    read->SetSequence(bases);

    if (!NextText() || !line.Compare("QA")) Fail(Str("no QA line after the bases of read ") + name);
    Parser qa(line);
    long limits[4] = {0, 0, 0, 0};
    qa.SkipToken();
    // Without its four clip positions the read would be left out unnamed.
    for (long& limit : limits)
        if (!qa.GetToken(limit)) Fail(Str("the QA line of read ") + name + " lacks its four clip positions");
    long left = limits[0];
    long right = limits[1];
    if (left >= 1 && right >= 1) {
        // The overlap of the quality clip and the alignment clip.
        if (limits[2] > left) left = limits[2];
        if (limits[3] < right) right = limits[3];
    }
    read->SetQualityLimits(left, right);

    // The file may end after this line: the update and the clearing leave
    // the last read's DS line last when no tag follows it. A file cut after
    // an earlier read lacks the records after it, which FinishContig finds.
    if (!NextText() || !IsRecord(line, "DS")) Fail(Str("no DS line after the QA line of read ") + name);
    Parser ds(line);
    while (ds.GetToken(word)) {
        if (word == "PHD_FILE:") {
            ds.GetToken(word);
            read->SetPhdFile(word);
            break;
        }
    }
}

// Passes over a block from its opening line to its "}" line; comment blocks
// inside it run to their "C}" line.
void AceFileReader::SkipBlock(long start) {
    bool inComment = false;
    while (reader.GetLine(line)) {
        CheckInside(start);
        if (inComment) {
            if (line.Compare("C}")) inComment = false;
        } else if (line.Compare("COMMENT{")) {
            inComment = true;
        } else if (line.Compare("}")) {
            return;
        }
    }
    Unclosed(start);
}

void AceFileReader::Unclosed(long start) {
    Str message("the block opened on line ");
    message.Append(start);
    message.Append(" has no closing }");
    Fail(message);
}

// A line of a block (or of its comment) that opens a consensus tag: the
// block never closed. The tag rewrite takes such a line as the start of a
// tag, so reading on would read the file otherwise than the rewrite copies
// it (and hide the tags up to the next "}").
void AceFileReader::CheckInside(long start) {
    if (line.Compare("CT{")) Unclosed(start);
}

// The current line opens a consensus tag: its data line, an optional comment
// block right after it, and the rest of the block.
void AceFileReader::ReadTag() {
    long start = reader.GetLineNumber();
    Str& data = tagLine;
    Str& contigName = word;
    data.Clear();
    if (!reader.GetLine(data)) SkipBlock(start);
    if (data.Compare("}")) return;  // an empty block
    Parser parser(data);
    parser.GetToken(contigName);
    parser.GetToken(tagType);
    parser.SkipToken();
    long first = 0;
    long last = 0;
    parser.GetToken(first);
    parser.GetToken(last);
    tagComment.Clear();

    bool closed = false;
    if (reader.GetLine(line)) {
        CheckInside(start);
        if (line.Compare("COMMENT{")) {
            // Comment lines lose only a carriage return (files from other
            // systems); a comment cut off by the end of the file fails below.
            while (reader.GetLine(line) && !line.Compare("C}")) {
                CheckInside(start);
                if (line.Length() > 0 && line.String()[line.Length() - 1] == '\r') line.DeleteRight(1);
                tagComment.Append(line);
                tagComment.Append(' ');
            }
        } else {
            closed = line.Compare("}");
        }
    }
    if (!closed) SkipBlock(start);

    // A type in several lists makes a site in each.
    Str key(" ");
    key.Append(tagType);
    key.Append(' ');
    bool verified = verifiedTags.Contains(key);
    bool manual = columnTags.Contains(key);
    bool indel = columnIndelTags.Contains(key);
    if (!verified && !manual && !indel) return;
    Contig* target = TagContig(contigName, first, last, start);
    if (!target) return;
    if (verified) target->AddVerifiedSite(new ManualSite(first - 1, last - 1, tagType, tagComment));
    if (manual) target->AddManualSite(new ManualSite(first - 1, last - 1, tagType, tagComment));
    if (indel) target->AddManualIndel(new ManualSite(first - 1, last - 1, tagType, tagComment));
}

// The contig of a consensus tag; a tag that does not fit its contig is
// passed over with a warning (null).
Contig* AceFileReader::TagContig(Str const& contigName, long start, long end, long lineNumber) {
    auto found = contigs.find(contigName.String());
    if (found == contigs.end()) {
        std::cerr << "WARNING: the consensus tag " << tagType << " on line " << lineNumber
                  << " names the unknown contig " << contigName << " - skipping it." << std::endl;
        return nullptr;
    }
    if (start < 1 || end < start || end > found->second->GetColumnCount()) {
        std::cerr << "WARNING: the consensus tag " << tagType << " on line " << lineNumber << " spans " << start
                  << " to " << end << ", outside contig " << contigName << " or reversed - skipping it."
                  << std::endl;
        return nullptr;
    }
    return found->second;
}

void Files::ReadAceFile() {
    if (rcFile.Length() > 0) std::cerr << "Read file " << rcFile << std::endl;
    Str refID = parameters->GetRefID();
    Str groupID = parameters->GetGroupID();
    if (groupID.Length() > 0) {
        if (groupRegexOn) regfree(&groupRegex);
        groupRegexOn = regcomp(&groupRegex, groupID.String(), REG_EXTENDED | REG_NOSUB) == 0;
        if (!groupRegexOn) FatalError("ERROR: unable to process the group expression ", groupID);
    }
    // Only a regular file: the run must not wait on a pipe or read a device
    // without end. (The rewrites that open it again check it first.)
    switch (reader.OpenRegular(aceFile)) {
    case FileReader::Opened: break;
    case FileReader::NotOpened: FatalError("ERROR: can not open the ACE file ", aceFile);
    case FileReader::NotRegular: FatalError("ERROR: not a regular file: ", aceFile);
    }
    std::cerr << "Reading the ACE file " << aceFile << std::endl;
    AceFileReader ace(reader, *assembly, refID, groupID.Length() > 0 ? &groupRegex : nullptr, verifiedTags,
                      columnTags, columnIndelTags, tagType, tagComment);
    ace.Read();
    if (reader.HasFailed()) FatalError("ERROR: can not read the file ", aceFile);
}

#include "parameters.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <iterator>

#include "fatalerror.h"

#include "parser.h"

Parameters::Parameters()
    : SnpType("on"),
      ScoreLimit(70.0f),
      RankLimit(0),
      QualityLimit(0),
      Window(0),
      Flanking(0),
      SourceIDChar(0),
      SourceIDPos(0),
      RefFlag(NoReference),
      SnpFlag(SnpAll),
      Repeats(RepeatsOff),
      XmlFileOn(false),
      FileOutputOn(false),
      NavFileOn(false),
      IndelOn(false),
      UpdateOn(true),
      BlockPoly(true),
      BlockGenotype(true),
      BlockColumnGenotype(true),
      BlockIndel(true),
      BlockPolyIndel(true),
      BlockColumnIndel(true),
      BlockManualGenotype(true),
      BlockVerified(true),
      BlockRepeat(true),
      BlockSample(true),
      BlockCoverage(true),
      ClearTagsOn(false),
      Verbosity(0) {}

void Parameters::SetDirectory(Str& field, Str const& x) {
    if (x == ".") {
        field.Clear();
        return;
    }
    field = x;
    if (!field.CompareRight('/')) field.Append('/');
}

void Parameters::SetNavFile(Str const& x) {
    NavFile = x;
    if (!NavFile.CompareRight(".nav")) NavFile.Append(".nav");
}

// Cursor over one flag text, with the words last read for the messages.
class DetectorFlagText {
public:
    DetectorFlagText(Str const& source, Str const& flags) : source(source), text(flags), parser(text) {}

    bool NextFlag() { return parser.GetToken(flag); }
    bool Is(char const* longForm, char const* shortForm) const {
        return flag == longForm || (shortForm && flag == shortForm);
    }

    // Any next word, also one that begins with '-'; empty when none is left.
    bool ReadWord() {
        bool found = parser.GetToken(word);
        upper = word;
        upper.UpperCase();
        return found;
    }
    // The word after a flag whose argument may be left out: false when
    // there is none or when it is the next flag, which is left to be read.
    bool ReadOptional() {
        if (!ReadWord()) return false;
        if (!word.Compare("-")) return true;
        StepBack();
        return false;
    }
    void StepBack() { parser.SkipBack(); }

    // The text up to the next '-' that follows white space, or to the end,
    // trimmed. A flag right after the flag word leaves the value empty.
    void ReadFreeText() {
        word.Clear();
        char previous = ' ';  // the flag word ended on white space
        for (char ch = parser.Get(); ch != '\0'; ch = parser.Get()) {
            if (ch == '-' && isspace(static_cast<unsigned char>(previous))) break;
            word.Append(ch);
            previous = ch;
            parser.Next();
        }
        word.RemoveEndSpaces();
        upper = word;
        upper.UpperCase();
    }

    // A switch with an optional ON or OFF.
    void ReadSwitch(bool& on) {
        on = true;
        if (!ReadOptional()) return;
        if (upper == "OFF")
            on = false;
        else if (upper != "ON")
            InvalidParameter();
    }
    // An output file with an optional name, ON or OFF.
    void ReadOutput(bool& on, Str& name) {
        on = true;
        ReadFreeText();
        if (upper == "OFF")
            on = false;
        else if (word.Length() > 0 && upper != "ON")
            name = word;
    }

    // A required whole number from lo to hi.
    long ReadInteger(long lo, long hi, char const* detail) {
        ReadWord();
        if (!word.IsNumber()) InvalidParameter();
        long value = static_cast<long>(word);
        if (value < lo || value > hi) InvalidParameter(detail);
        return value;
    }

    [[noreturn]] void InvalidFlag() const { FatalErrorLine("ERROR in ", source, ": invalid flag ", flag); }
    // The detail text only when it has content.
    [[noreturn]] void InvalidParameter(char const* detail = "") const {
        FatalErrorLine("ERROR in ", source, ": invalid parameter ", flag, " ", word,
                       Str(detail).HasContent() ? detail : "");
    }

    Str word;   // the argument word last read
    Str upper;  // its upper-case copy, for the keywords

private:
    Str source;
    Str text;
    Parser parser;
    Str flag;
};

static char const TooLargePosition[] = "  Must be a number from 1 to 2147483647.";

void Parameters::ParseFlags(Str const& source, Str const& flags) {
    // Every flag: its long form, its short form (null when it has none) and
    // what it does with its argument.
    static struct Flag {
        char const* longForm;
        char const* shortForm;
        void (*apply)(Parameters&, DetectorFlagText&);
    } const table[] = {
        {"-ace", "-a", [](Parameters& p, DetectorFlagText& f) {
             f.ReadFreeText();
             p.AceFile = f.word;
         }},
        // The option table names this flag "-blocks": both forms are taken.
        {"-block", "-blocks", [](Parameters& p, DetectorFlagText& f) { p.ParseBlocks(f); }},
        {"-clear", nullptr, [](Parameters& p, DetectorFlagText&) { p.ClearTagsOn = true; }},
        {"-dir", "-d", [](Parameters& p, DetectorFlagText& f) { p.ParseWorkDirectory(f); }},
        {"-flanking", "-f", [](Parameters& p, DetectorFlagText& f) {
             p.Flanking = f.ReadInteger(0, 50, "  Must be a number from 0 to 50.");
         }},
        {"-group", "-g", [](Parameters& p, DetectorFlagText& f) {
             f.ReadWord();
             p.GroupID = f.word;
         }},
        {"-indel", "-i", [](Parameters& p, DetectorFlagText& f) { f.ReadSwitch(p.IndelOn); }},
        {"-ms", nullptr, [](Parameters& p, DetectorFlagText& f) { p.ParseRepeats(f); }},
        {"-nav", "-n", [](Parameters& p, DetectorFlagText& f) { f.ReadOutput(p.NavFileOn, p.NavFile); }},
        {"-output", "-o", [](Parameters& p, DetectorFlagText& f) { f.ReadOutput(p.FileOutputOn, p.OutFile); }},
        {"-quality", "-q", [](Parameters& p, DetectorFlagText& f) {
             p.QualityLimit = f.ReadInteger(0, 50, "  Must be a number from 0 to 50.");
         }},
        {"-rank", "-r", [](Parameters& p, DetectorFlagText& f) { p.ParseRank(f); }},
        {"-ref", nullptr, [](Parameters& p, DetectorFlagText& f) { p.ParseReference(f, ShowReference); }},
        {"-refcomp", nullptr, [](Parameters& p, DetectorFlagText& f) { p.ParseReference(f, CompareReference); }},
        {"-source", "-s", [](Parameters& p, DetectorFlagText& f) { p.ParseSource(f); }},
        {"-score", nullptr, [](Parameters& p, DetectorFlagText& f) { p.ParseScore(f); }},
        {"-snp", nullptr, [](Parameters& p, DetectorFlagText& f) { p.ParseSnp(f); }},
        {"-tag", "-t", [](Parameters& p, DetectorFlagText& f) { p.ParseTag(f); }},
        {"-update", nullptr, [](Parameters& p, DetectorFlagText& f) { f.ReadSwitch(p.UpdateOn); }},
        {"-verbosity", "-v", [](Parameters& p, DetectorFlagText& f) { p.ParseVerbosity(f); }},
        {"-window", "-w", [](Parameters& p, DetectorFlagText& f) {
             p.Window = f.ReadInteger(5, 50, "  Must be a number from 5 to 50.");
         }},
        {"-xml", nullptr, [](Parameters& p, DetectorFlagText& f) { f.ReadSwitch(p.XmlFileOn); }},
    };

    DetectorFlagText f(source, flags);
    while (f.NextFlag()) {
        Flag const* flag = std::find_if(std::begin(table), std::end(table),
                                        [&f](Flag const& entry) { return f.Is(entry.longForm, entry.shortForm); });
        if (flag == std::end(table)) f.InvalidFlag();
        flag->apply(*this, f);
    }
}

// Signed block names: '+' switches a block on, any other sign off. A word
// that names no block ends the list when it is the next flag.
void Parameters::ParseBlocks(DetectorFlagText& f) {
    static struct {
        char const* name;
        bool Parameters::*block;
    } const blocks[] = {
        {"POLY", &Parameters::BlockPoly},
        {"GENOTYPE", &Parameters::BlockGenotype},
        {"COLUMNGENOTYPE", &Parameters::BlockColumnGenotype},
        {"INDEL", &Parameters::BlockIndel},
        {"POLYINDEL", &Parameters::BlockPolyIndel},
        {"COLUMNINDEL", &Parameters::BlockColumnIndel},
        {"MANUALGENOTYPE", &Parameters::BlockManualGenotype},
        {"VERIFIED", &Parameters::BlockVerified},
        {"SAMPLE", &Parameters::BlockSample},
        {"MICROSATELLITE", &Parameters::BlockRepeat},
        {"COVERAGE", &Parameters::BlockCoverage},
    };
    while (f.ReadWord()) {
        Str name;
        name.CopyEnd(f.upper, 1);
        bool known = false;
        for (auto const& b : blocks) {
            if (name == b.name) {
                this->*b.block = f.word.Get(0) == '+';
                known = true;
                break;
            }
        }
        if (known) continue;
        if (!f.word.Compare("-")) f.InvalidParameter();
        f.StepBack();
        return;
    }
}

void Parameters::ParseWorkDirectory(DetectorFlagText& f) {
    f.ReadFreeText();
    if (f.word.Length() == 0) f.InvalidParameter("  Must be followed by a directory.");
    WorkDirectory = f.word;
    if (!WorkDirectory.CompareRight('/')) WorkDirectory.Append('/');
}

void Parameters::ParseRepeats(DetectorFlagText& f) {
    Repeats = RepeatsOn;
    if (!f.ReadOptional()) return;
    if (f.upper == "OFF")
        Repeats = RepeatsOff;
    else if (f.upper == "X")
        Repeats = RepeatsCapped;
    else if (f.upper != "ON")
        f.InvalidParameter();
}

void Parameters::ParseRank(DetectorFlagText& f) {
    RankLimit = 4;
    if (!f.ReadOptional()) return;
    if (f.upper == "OFF") {
        RankLimit = 0;
    } else if (f.upper != "ON") {
        long rank = static_cast<long>(f.word);
        if (rank < 1 || rank > 6) f.InvalidParameter("  Must be a number from 1 to 6.");
        RankLimit = rank;
    }
}

// An optional ON, OFF or reference identifier.
void Parameters::ParseReference(DetectorFlagText& f, signed char mode) {
    RefFlag = mode;
    if (!f.ReadOptional()) return;
    if (f.upper == "OFF")
        RefFlag = NoReference;
    else if (f.upper != "ON")
        RefID = f.word;
}

// "/" and a delimiter, OFF, or the first and last character of the
// identifier in the read names, counted from 1.
void Parameters::ParseSource(DetectorFlagText& f) {
    f.ReadWord();
    if (f.word.Compare("/")) {
        if (f.word.Length() > 2) f.InvalidParameter("  The -source argument must be a single character.");
        SourceIDPos = -1;
        SourceIDChar = f.word.Length() == 1 ? ' ' : f.word.Get(1);
        return;
    }
    if (!f.word.IsNumber()) {
        if (f.upper != "OFF") f.InvalidParameter();
        SourceIDPos = 0;
        SourceIDChar = 0;
        return;
    }
    // Positions in a read name: a number no int holds is refused.
    long first = static_cast<long>(f.word);
    if (first < 1) f.InvalidParameter("  Must be positive integers.");
    if (first > INT_MAX) f.InvalidParameter(TooLargePosition);
    // A single position names no range: both are required.
    f.ReadWord();
    if (!f.word.IsNumber()) f.InvalidParameter("  Must be positive integers.");
    long last = static_cast<long>(f.word);
    if (last < first) f.InvalidParameter("  Second must be greater than or equal to first.");
    if (last > INT_MAX) f.InvalidParameter(TooLargePosition);
    if (last - first + 1 > 127) f.InvalidParameter("  Source ID length must not be greater than 127 characters.");
    SourceIDPos = first - 1;
    SourceIDChar = static_cast<char>(last - first + 1);
}

// Scores instead of ranks, with an optional limit; a word that is no
// number is passed over.
void Parameters::ParseScore(DetectorFlagText& f) {
    RankLimit = 0;
    if (!f.ReadOptional() || !f.word.IsNumber()) return;
    double score = f.word.ToFloat();
    if (score < 0.0 || score > 99.0) f.InvalidParameter("  Must be a number from 0 to 99.");
    ScoreLimit = static_cast<float>(score);
}

// The bare flag and ON leave the SNP type's display text as it was.
void Parameters::ParseSnp(DetectorFlagText& f) {
    SnpFlag = SnpAll;
    SnpType = "on";
    if (!f.ReadOptional()) return;
    if (f.upper == "OFF") {
        SnpFlag = SnpOff;
        SnpType = "off";
    } else if (f.upper == "HET") {
        SnpFlag = SnpHeterozygous;
        SnpType = "het";
    } else if (f.upper == "HOM") {
        SnpFlag = SnpHomozygous;
        SnpType = "hom";
    } else if (f.upper != "ON") {
        f.InvalidParameter();
    }
}

// The tag type's letter or name, as written (case-sensitive).
void Parameters::ParseTag(DetectorFlagText& f) {
    f.ReadWord();
    if (f.word == "g" || f.word == "genotype")
        SnpTag = "genotype";
    else if (f.word == "p" || f.word == "polymorphism")
        SnpTag = "polymorphism";
    else if (f.word == "r" || f.word == "rank")
        SnpTag = "rank";
    else
        f.InvalidParameter();
}

// A level from 0 to 2; any other word is passed over without a message.
void Parameters::ParseVerbosity(DetectorFlagText& f) {
    f.ReadWord();
    if (!f.word.IsNumber()) return;
    long level = static_cast<long>(f.word);
    if (level >= 0 && level <= 2) Verbosity = level;
}

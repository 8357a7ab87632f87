#include "parameters.h"

#include <cctype>
#include <climits>
#include <iostream>

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
      RefFlag(0),
      SnpFlag(3),
      Repeats(0),
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
    bool Is(char const* longForm, char const* shortForm = nullptr) const {
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

    // A required whole number from lo to hi.
    long ReadInteger(long lo, long hi, char const* detail) {
        ReadWord();
        if (!word.IsNumber()) InvalidParameter();
        long value = static_cast<long>(word);
        if (value < lo || value > hi) InvalidParameter(detail);
        return value;
    }

    [[noreturn]] void InvalidFlag() const {
        std::cerr << "ERROR in " << source << ": invalid flag " << flag << std::endl;
        throw 1;
    }
    [[noreturn]] void InvalidParameter(char const* detail = "") const {
        std::cerr << "ERROR in " << source << ": invalid parameter " << flag << " " << word;
        if (Str(detail).HasContent()) std::cerr << detail;
        std::cerr << std::endl;
        throw 1;
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

    DetectorFlagText f(source, flags);
    // Switches with an optional ON or OFF.
    auto onOff = [&f](bool& field) {
        field = true;
        if (!f.ReadOptional()) return;
        if (f.upper == "OFF")
            field = false;
        else if (f.upper != "ON")
            f.InvalidParameter();
    };
    // Output files with an optional name, ON or OFF.
    auto output = [&f](bool& on, Str& name) {
        on = true;
        f.ReadFreeText();
        if (f.upper == "OFF")
            on = false;
        else if (f.word.Length() > 0 && f.upper != "ON")
            name = f.word;
    };
    // Reference modes with an optional ON, OFF or identifier.
    auto reference = [&f, this](signed char mode) {
        RefFlag = mode;
        if (!f.ReadOptional()) return;
        if (f.upper == "OFF")
            RefFlag = 0;
        else if (f.upper != "ON")
            RefID = f.word;
    };

    while (f.NextFlag()) {
        if (f.Is("-ace", "-a")) {
            f.ReadFreeText();
            AceFile = f.word;
        } else if (f.Is("-block") || f.Is("-blocks")) {
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
                break;
            }
        } else if (f.Is("-clear")) {
            ClearTagsOn = true;
        } else if (f.Is("-dir", "-d")) {
            f.ReadFreeText();
            if (f.word.Length() == 0) f.InvalidParameter("  Must be followed by a directory.");
            WorkDirectory = f.word;
            if (!WorkDirectory.CompareRight('/')) WorkDirectory.Append('/');
        } else if (f.Is("-flanking", "-f")) {
            Flanking = f.ReadInteger(0, 50, "  Must be a number from 0 to 50.");
        } else if (f.Is("-group", "-g")) {
            f.ReadWord();
            GroupID = f.word;
        } else if (f.Is("-indel", "-i")) {
            onOff(IndelOn);
        } else if (f.Is("-ms")) {
            Repeats = 1;
            if (f.ReadOptional()) {
                if (f.upper == "OFF")
                    Repeats = 0;
                else if (f.upper == "X")
                    Repeats = 2;
                else if (f.upper != "ON")
                    f.InvalidParameter();
            }
        } else if (f.Is("-nav", "-n")) {
            output(NavFileOn, NavFile);
        } else if (f.Is("-output", "-o")) {
            output(FileOutputOn, OutFile);
        } else if (f.Is("-quality", "-q")) {
            QualityLimit = f.ReadInteger(0, 50, "  Must be a number from 0 to 50.");
        } else if (f.Is("-rank", "-r")) {
            RankLimit = 4;
            if (f.ReadOptional()) {
                if (f.upper == "OFF") {
                    RankLimit = 0;
                } else if (f.upper != "ON") {
                    long rank = static_cast<long>(f.word);
                    if (rank < 1 || rank > 6) f.InvalidParameter("  Must be a number from 1 to 6.");
                    RankLimit = rank;
                }
            }
        } else if (f.Is("-ref")) {
            reference(1);
        } else if (f.Is("-refcomp")) {
            reference(2);
        } else if (f.Is("-source", "-s")) {
            f.ReadWord();
            if (f.word.Compare("/")) {
                if (f.word.Length() > 2) f.InvalidParameter("  The -source argument must be a single character.");
                SourceIDPos = -1;
                SourceIDChar = f.word.Length() == 1 ? ' ' : f.word.Get(1);
            } else if (!f.word.IsNumber()) {
                if (f.upper != "OFF") f.InvalidParameter();
                SourceIDPos = 0;
                SourceIDChar = 0;
            } else {
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
                if (last - first + 1 > 127)
                    f.InvalidParameter("  Source ID length must not be greater than 127 characters.");
                SourceIDPos = first - 1;
                SourceIDChar = static_cast<char>(last - first + 1);
            }
        } else if (f.Is("-score")) {
            RankLimit = 0;
            if (f.ReadOptional() && f.word.IsNumber()) {
                double score = f.word.ToFloat();
                if (score < 0.0 || score > 99.0) f.InvalidParameter("  Must be a number from 0 to 99.");
                ScoreLimit = static_cast<float>(score);
            }
        } else if (f.Is("-snp")) {
            SnpFlag = 3;
            SnpType = "on";
            if (f.ReadOptional()) {
                if (f.upper == "OFF") {
                    SnpFlag = 0;
                    SnpType = "off";
                } else if (f.upper == "HET") {
                    SnpFlag = 2;
                    SnpType = "het";
                } else if (f.upper == "HOM") {
                    SnpFlag = 1;
                    SnpType = "hom";
                } else if (f.upper != "ON") {
                    f.InvalidParameter();
                }
            }
        } else if (f.Is("-tag", "-t")) {
            f.ReadWord();
            if (f.word == "g" || f.word == "genotype")
                SnpTag = "genotype";
            else if (f.word == "p" || f.word == "polymorphism")
                SnpTag = "polymorphism";
            else if (f.word == "r" || f.word == "rank")
                SnpTag = "rank";
            else
                f.InvalidParameter();
        } else if (f.Is("-update")) {
            onOff(UpdateOn);
        } else if (f.Is("-verbosity", "-v")) {
            f.ReadWord();
            if (f.word.IsNumber()) {
                long level = static_cast<long>(f.word);
                if (level >= 0 && level <= 2) Verbosity = level;
            }
        } else if (f.Is("-window", "-w")) {
            Window = f.ReadInteger(5, 50, "  Must be a number from 5 to 50.");
        } else if (f.Is("-xml")) {
            onOff(XmlFileOn);
        } else {
            f.InvalidFlag();
        }
    }
}

// Files::WriteOutFile: the report of a run, in the text layout of labelled
// blocks with padded columns or in XML, to the report file or to standard
// output. Both layouts hold the same values in the same order.
#include <iostream>

#include "contig.h"
#include "fatalerror.h"
#include "files.h"
#include "interruptguard.h"
#include "parameters.h"
#include "vector.h"

namespace {

// The eleven blocks of a contig: the text name and the XML elements of the
// block and of its rows.
struct Block {
    char const* name;
    char const* element;
    char const* row;
};

Block const polyBlock = {"POLY", "block-snp_site", "snp_site"};
Block const genotypeBlock = {"GENOTYPE", "block-snp_genotype", "snp_genotype"};
Block const columnGenotypeBlock = {"COLUMNGENOTYPE", "block-manual_snp", "snp_genotype"};
Block const indelBlock = {"INDEL", "block-marked_indel", "marked_indel"};
Block const polyIndelBlock = {"POLYINDEL", "block-indel_site", "indel_site"};
Block const columnIndelBlock = {"COLUMNINDEL", "block-manual_indel", "indel_genotype"};
Block const manualGenotypeBlock = {"MANUALGENOTYPE", "block-manual_genotype", "manual_genotype"};
Block const verifiedBlock = {"VERIFIED", "block-verified_site", "verified_site"};
Block const repeatBlock = {"MICROSATELLITE", "block-microsatellite", "microsatellite"};
Block const sampleBlock = {"SAMPLE", "block-sample_quality", "sample_quality"};
Block const coverageBlock = {"COVERAGE", "block-coverage", "coverage"};

// Length of the well-formed UTF-8 character that starts at `text`, or 0.
// Surrogates, overlong forms and the non-characters U+FFFE and U+FFFF are
// not characters an XML document may hold.
long Utf8Length(unsigned char const* text) {
    unsigned char c = text[0];
    long n = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text[1] < low || text[1] > high) return 0;
    for (long i = 2; i < n; ++i)
        if (text[i] < 0x80 || text[i] > 0xBF) return 0;
    if (c == 0xEF && text[1] == 0xBF && text[2] >= 0xBE) return 0;
    return n;
}

// True when the byte cannot stand for itself in XML text.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c >= 0x7F || c == '&' || c == '<' || c == '>'; }

// Text as XML character data: the markup characters escaped, control
// bytes other than tab and line feed dropped, and each byte that begins no
// well-formed UTF-8 character replaced by U+FFFD. Text that needs none of
// this is written as it stands. (The only attribute values, the version
// and the build, are the program's own constants.)
void AppendXml(FileWriter& out, Str const& text) {
    unsigned char const* bytes = reinterpret_cast<unsigned char const*>(text.String());
    long n = text.Length();
    long clean = 0;
    while (clean < n && !NeedsEscape(bytes[clean])) ++clean;
    if (clean == n) {
        out.Append(text);
        return;
    }
    out.AppendByte(text.String(), clean);
    for (long i = clean; i < n;) {
        unsigned char c = bytes[i];
        if (c < 0x80) {
            ++i;
            if (c == '&') {
                out.Append("&amp;");
            } else if (c == '<') {
                out.Append("&lt;");
            } else if (c == '>') {
                out.Append("&gt;");
            } else if ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n') {
                out.AppendByte(reinterpret_cast<char const*>(bytes) + i - 1, 1);
            }
            continue;
        }
        long k = Utf8Length(bytes + i);  // the NUL at the end stops a cut sequence
        if (k == 0) {
            out.Append("\xEF\xBF\xBD");
            ++i;
        } else {
            out.AppendByte(reinterpret_cast<char const*>(bytes) + i, k);
            i += k;
        }
    }
}

}  // namespace

// What the report takes from the run besides the settings and the model.
struct ReportRun {
    Str time;  // the run's start in the layout of the "date" setting
    long thumbprint;
    Str currentDirectory;
    Str workDirectory;
    Str rcFile;
    Str snpTag;
    Str indelHetTag;
    long rankLimit;
};

namespace {

class ReportWriter {
public:
    ReportWriter(FileWriter& out, Parameters& parameters, Files const& files, ReportRun const& run)
        : out(out),
          parameters(parameters),
          files(files),
          run(run),
          xml(parameters.DoXmlFile()),
          refFlag(parameters.GetRefFlag()),
          indels(parameters.DoIndel()),
          repeats(parameters.DoRepeats() != RepeatsOff),
          flanking(parameters.GetFlanking()),
          flankWidth(flanking + 2),
          left(512L),
          right(512L) {}

    void Header();
    void CommandLine();
    void WriteContig(Contig& contig);
    void End() { out.Append(xml ? "\n</report>\n" : "\nEND_MESSAGE\n"); }

private:
    // One entry of the command line: the flag's label padded to its column
    // in the text layout, an element in the XML layout.
    void BeginEntry(char const* label, char const* element, char const* indent = "\n    ");
    void EndEntry(char const* element) {
        if (!xml) return;
        out.Append("</");
        out.Append(element);
        out.Append('>');
    }
    void Entry(char const* label, char const* element, Str const& value) {
        BeginEntry(label, element);
        Text(value);
        EndEntry(element);
    }

    // A value of a row: padded to the width in the text layout, a token in
    // the XML layout.
    void Value(Str const& text, long width) {
        if (xml) {
            AppendXml(out, text);
            out.Append(' ');
        } else {
            out.Append(text, width, false);
        }
    }
    void Value(long number, long width) {
        if (xml)
            out.AppendToken(number);
        else
            out.Append(number, width, false);
    }
    void Value(char letter, long width) { Value(Str(letter, 1), width); }
    // A value written as it stands (escaped in XML).
    void Text(Str const& text) {
        if (xml)
            AppendXml(out, text);
        else
            out.Append(text);
    }
    void Text(long number) { out.Append(number); }
    void Comment(Str const& comment) {
        out.Append(xml ? "  " : "   ");
        Text(comment);
    }
    // The consensus position of a column, and the reference position when
    // the reference is shown.
    void Position(long column) {
        Value(consensus->GetSequencePosition(column), 10);
        if (showReference) Value(reference->GetSequencePosition(column), 10);
    }
    long Score(int score) const { return files.GetScore(score, false); }

    void BeginBlock(Block const& block);
    void EndBlock(Block const& block);
    void BeginRow(Block const& block);
    void EndRow(Block const& block);

    void SnpSites(Contig& contig);
    void Genotypes(Contig& contig, Block const& block, bool manual);
    void Indels(Contig& contig);
    void ManualIndelSites(Contig& contig);
    void ManualIndelCalls(Contig& contig);
    void ManualGenotypes(Contig& contig);
    void VerifiedSites(Contig& contig);
    void Repeats(Contig& contig);
    void Samples(Contig& contig);
    void Coverage(Contig& contig);

    FileWriter& out;
    Parameters& parameters;
    Files const& files;
    ReportRun const& run;
    bool xml;
    int refFlag;
    bool indels;
    bool repeats;
    long flanking;
    long flankWidth;
    Str left;
    Str right;
    // The contig being written.
    TextSequence* consensus = nullptr;
    TextSequence* reference = nullptr;
    TextSequence* flankSource = nullptr;
    bool showReference = false;
    long nameWidth = 0;
};

void ReportWriter::BeginBlock(Block const& block) {
    if (xml) {
        out.Append("\n    <");
        out.Append(block.element);
        out.Append('>');
    } else {
        out.Append("\n\nBEGIN_");
        out.Append(block.name);
        out.Append('\n');
    }
}

void ReportWriter::EndBlock(Block const& block) {
    if (xml) {
        out.Append("\n    </");
        out.Append(block.element);
        out.Append('>');
    } else {
        out.Append("END_");
        out.Append(block.name);
    }
}

void ReportWriter::BeginRow(Block const& block) {
    if (!xml) return;
    out.Append("\n      <");
    out.Append(block.row);
    out.Append('>');
}

void ReportWriter::EndRow(Block const& block) {
    if (!xml) {
        out.Append('\n');
        return;
    }
    out.Append("</");
    out.Append(block.row);
    out.Append('>');
}

void ReportWriter::SnpSites(Contig& contig) {
    BeginBlock(polyBlock);
    contig.StartSnpSites();
    while (SnpSite* site = contig.GetSnpSite()) {
        long column = site->GetPosition();
        char a = 0, b = 0;
        site->GetGenotype(a, b);
        flankSource->GetFlankingSequence(left, right, column, column, static_cast<int>(flanking));
        BeginRow(polyBlock);
        Position(column);
        Value(left, flankWidth);
        Value(a, 3);
        Value(b, 3);
        Value(right, flankWidth);
        Text(Score(site->GetScore()));
        EndRow(polyBlock);
    }
    EndBlock(polyBlock);
}

// Every read usable at each detected (or manual) SNP site, with its call.
void ReportWriter::Genotypes(Contig& contig, Block const& block, bool manual) {
    BeginBlock(block);
    contig.StartSnpSites();
    while (SnpSite* site = contig.GetSnpSite()) {
        if (manual ? !site->IsManual() : !site->IsDetected()) continue;
        long column = site->GetPosition();
        contig.Begin();
        while (Sequence* read = contig.GetNext()) {
            if (!read->IsValidSite(column)) continue;
            char a = 0, b = 0;
            read->GetGenotype(a, b);
            BeginRow(block);
            Position(column);
            Value(read->GetSequencePosition(), 10);
            Value(read->GetName(), nameWidth);
            Value(a, 3);
            Value(b, 3);
            Text(Score(read->GetScore()));
            EndRow(block);
        }
    }
    EndBlock(block);
}

void ReportWriter::Indels(Contig& contig) {
    BeginBlock(indelBlock);
    contig.StartIndelSites();
    while (MarkedSite* site = contig.GetIndelSite()) {
        long column = site->GetPosition();
        contig.Begin();
        while (Sequence* read = contig.GetNext()) {
            if (!read->IsIndelSite(column)) continue;
            long position = 0, size = 0;
            char kind = 0;
            read->GetIndel(position, size, kind);
            BeginRow(indelBlock);
            Position(column);
            Value(position, 10);
            if (xml) {
                Text(read->GetName());
                out.Append(kind == HeterozygousIndel ? " +- " : " -- ");
            } else {
                Value(read->GetName(), nameWidth);
                out.Append(kind == HeterozygousIndel ? "+- " : "-- ");
            }
            Text(size);
            EndRow(indelBlock);
        }
    }
    EndBlock(indelBlock);
}

void ReportWriter::ManualIndelSites(Contig& contig) {
    BeginBlock(polyIndelBlock);
    Str bases;
    contig.StartManualIndels();
    while (ManualSite* site = contig.GetManualIndel()) {
        long first = 0, last = 0;
        site->GetPositions(first, last);
        flankSource->GetFlankingSequence(left, right, first, last, static_cast<int>(flanking));
        flankSource->GetIndelSequence(bases, first, last);
        BeginRow(polyIndelBlock);
        Position(first);
        Value(left, flankWidth);
        Text(bases);
        out.Append(xml ? " " : "  ");
        Text(right);
        if (site->HasComment()) Comment(site->GetComment());
        if (xml)
            out.Append("\n      </indel_site>");
        else
            out.Append('\n');
    }
    EndBlock(polyIndelBlock);
}

// Each read at each manual indel: near an indel of its own it gets the
// heterozygous-indel tag, usable there the indel's own tag type.
void ReportWriter::ManualIndelCalls(Contig& contig) {
    BeginBlock(columnIndelBlock);
    contig.StartManualIndels();
    while (ManualSite* site = contig.GetManualIndel()) {
        long column = site->GetPosition();
        Str type = site->GetTagName();
        contig.Begin();
        while (Sequence* read = contig.GetNext()) {
            Str const* tag = &type;
            if (read->IsNearIndel(column))
                tag = &run.indelHetTag;
            else if (!read->IsValidSite(column))
                continue;
            BeginRow(columnIndelBlock);
            Position(column);
            Value(read->GetSequencePosition(), 10);
            Value(read->GetName(), nameWidth);
            Text(*tag);
            EndRow(columnIndelBlock);
        }
    }
    EndBlock(columnIndelBlock);
}

void ReportWriter::ManualGenotypes(Contig& contig) {
    BeginBlock(manualGenotypeBlock);
    contig.StartManualGenotypes();
    while (ManualGenotype* site = contig.GetManualGenotype()) {
        BeginRow(manualGenotypeBlock);
        Position(site->GetPosition());
        Value(site->GetSeqPosition(), 10);
        Value(site->GetName(), nameWidth);
        Text(site->GetTagName());
        if (site->HasComment()) Comment(site->GetComment());
        EndRow(manualGenotypeBlock);
    }
    EndBlock(manualGenotypeBlock);
}

void ReportWriter::VerifiedSites(Contig& contig) {
    BeginBlock(verifiedBlock);
    contig.StartVerifiedSites();
    while (ManualSite* site = contig.GetVerifiedSite()) {
        BeginRow(verifiedBlock);
        Position(site->GetPosition());
        Text(site->GetTagName());
        if (site->HasComment()) Comment(site->GetComment());
        EndRow(verifiedBlock);
    }
    EndBlock(verifiedBlock);
}

// Run lengths count consensus positions, also when the reference is shown.
void ReportWriter::Repeats(Contig& contig) {
    BeginBlock(repeatBlock);
    contig.StartRepeatSites();
    while (RepeatSite* site = contig.GetRepeatSite()) {
        long first = 0, end = 0, unit = 0;
        site->GetRepeat(first, end, unit);
        BeginRow(repeatBlock);
        Position(first);
        out.Append("  ");
        Value(consensus->GetSequencePosition(end) - consensus->GetSequencePosition(first), 5);
        Text(unit);
        EndRow(repeatBlock);
    }
    EndBlock(repeatBlock);
}

void ReportWriter::Samples(Contig& contig) {
    BeginBlock(sampleBlock);
    contig.Begin();
    while (Sequence* read = contig.GetNext()) {
        BeginRow(sampleBlock);
        Value(read->GetName(), nameWidth);
        Value(read->GetLeftLimit(), 10);
        Value(read->GetRightLimit(), 10);
        Text(static_cast<long>(read->GetAverageQuality()));
        EndRow(sampleBlock);
    }
    EndBlock(sampleBlock);
}

// Runs of equal depth: first position, last position, depth.
void ReportWriter::Coverage(Contig& contig) {
    BeginBlock(coverageBlock);
    Vector<long> coverage;
    contig.GetCoverage(coverage);
    long* runs = coverage.Array();
    for (long i = 0; i + 2 < coverage.Length(); i += 3) {
        BeginRow(coverageBlock);
        Value(runs[i], 10);
        Value(runs[i + 2], 10);
        Text(runs[i + 1]);
        EndRow(coverageBlock);
    }
    EndBlock(coverageBlock);
}

void ReportWriter::WriteContig(Contig& contig) {
    consensus = contig.GetConsensusSequence();
    reference = contig.GetReferenceSequence();
    showReference = refFlag != NoReference && reference->IsValid();
    flankSource = showReference ? reference : consensus;
    nameWidth = 0;
    contig.Begin();
    while (Sequence* read = contig.GetNext())
        if (read->GetName().Length() > nameWidth) nameWidth = read->GetName().Length();
    nameWidth += 3;

    if (xml) {
        out.Append("\n\n  <contig>\n    <contig_name>");
        AppendXml(out, consensus->GetName());
        out.Append("</contig_name>");
        if (refFlag != NoReference) {
            out.Append("\n    <reference_name>");
            if (showReference)
                AppendXml(out, reference->GetName());
            else
                out.Append("None");
            out.Append("</reference_name>");
        }
    } else {
        out.Append("\n\nBEGIN_CONTIG\n");
        out.Append(consensus->GetName());
        if (refFlag != NoReference) {
            out.Append("\nREFERENCE  ");
            out.Append(showReference ? reference->GetName() : Str("None"));
        }
    }
    if (parameters.PrintPoly()) SnpSites(contig);
    if (parameters.PrintGenotype()) Genotypes(contig, genotypeBlock, false);
    if (parameters.PrintColumnGenotype()) Genotypes(contig, columnGenotypeBlock, true);
    if (parameters.PrintIndel() && indels) Indels(contig);
    if (parameters.PrintPolyIndel()) ManualIndelSites(contig);
    if (parameters.PrintColumnIndel()) ManualIndelCalls(contig);
    if (parameters.PrintManualGenotype()) ManualGenotypes(contig);
    if (parameters.PrintVerified()) VerifiedSites(contig);
    if (parameters.PrintRepeat() && repeats) Repeats(contig);
    if (parameters.PrintSample()) Samples(contig);
    if (parameters.PrintCoverage()) Coverage(contig);
    out.Append(xml ? "\n  </contig>" : "\nEND_CONTIG");
}

void ReportWriter::Header() {
    if (xml) {
        out.Append("<?xml version=\"1.0\" standalone=\"yes\"?>\n<report program=\"Quorvalix\" version=\"");
        out.Append(parameters.GetVersion());
        out.Append("\" build=\"");
        out.Append(parameters.GetBuild());
        out.Append("\">\n  <header>\n    <thumbprint>");
        out.Append(run.thumbprint);
        out.Append("</thumbprint>\n    <time>");
        AppendXml(out, run.time);
        out.Append("</time>\n    <current_dir>");
        AppendXml(out, run.currentDirectory);
        out.Append("</current_dir>");
        if (run.rcFile.Length() > 0) {
            out.Append("\n    <rc_file>");
            AppendXml(out, run.rcFile);
            out.Append("</rc_file>");
        }
        out.Append("\n  </header>\n  <command_line>");
        return;
    }
    out.Append("BEGIN_MESSAGE\n\nBEGIN_HEADER\n");
    out.Append("---------------------------------------------------------\nQUORVALIX    Version ");
    out.Append(parameters.GetVersion());
    out.Append("          Build ");
    out.Append(parameters.GetBuild());
    out.Append("\n---------------------------------------------------------\nQUORVALIX_THUMBPRINT  ");
    out.Append(run.thumbprint);
    out.Append("\nTIME                  ");
    out.Append(run.time);
    out.Append("\nCURRENT_DIRECTORY     ");
    out.AppendLine(run.currentDirectory);
    if (run.rcFile.Length() > 0) {
        out.Append("RC_FILE               ");
        out.AppendLine(run.rcFile);
    }
    out.Append("END_HEADER\n\nBEGIN_COMMAND_LINE");
}

void ReportWriter::BeginEntry(char const* label, char const* element, char const* indent) {
    if (xml) {
        out.Append(indent);
        out.Append('<');
        out.Append(element);
        out.Append('>');
    } else {
        out.Append("\n ");
        out.Append(label, 10, false);
    }
}

// The settings in force, the same entries under the same conditions in
// both layouts.
void ReportWriter::CommandLine() {
    Entry("-dir", "work_dir", run.workDirectory);
    Entry("-ace", "ace_file", parameters.GetAceFile());
    if (parameters.GetSnpFlag() == SnpOff) Entry("-snp", "snp_type", parameters.GetSnpType());
    if (run.rankLimit == 0) {
        BeginEntry("-score", "score_limit");
        out.Append(static_cast<double>(parameters.GetScoreLimit()));  // each sink's own number text
        EndEntry("score_limit");
    } else {
        BeginEntry("-rank", "rank_limit");
        out.Append(run.rankLimit);
        EndEntry("rank_limit");
    }
    BeginEntry("-quality", "quality_limit");
    out.Append(static_cast<long>(parameters.GetQualityLimit()));
    EndEntry("quality_limit");
    BeginEntry("-window", "quality_window");
    out.Append(static_cast<long>(parameters.GetWindow()));
    EndEntry("quality_window");
    Entry("-tag", "tag_type", run.snpTag);
    // The source identifier as given: "/" and the delimiter, or its first
    // and last character counted from 1.
    char delimiterOrLength = 0;
    long start = 0;
    parameters.GetSourceID(delimiterOrLength, start);
    if (delimiterOrLength != 0) {
        Str source;
        if (start < 0) {
            source.Append('/');
            source.Append(delimiterOrLength);
        } else {
            source.AppendToken(start + 1);
            source.Append(start + delimiterOrLength);
        }
        Entry("-source", "source_id", source);
    }
    if (parameters.GetGroupID().Length() > 0) Entry("-group", "group_regex", parameters.GetGroupID());
    if (refFlag == ShowReference) Entry("-ref", "ref_id", parameters.GetRefID());
    if (refFlag == CompareReference) Entry("-refcomp", "refcomp", parameters.GetRefID());
    if (parameters.DoNavFile()) {
        BeginEntry("-nav", "nav_file", "\n      ");
        Text(parameters.GetNavFile());
        EndEntry("nav_file");
    }
    out.Append(xml ? "\n  </command_line>" : "\nEND_COMMAND_LINE");
}

// The run's time in the layout the settings file's "date" key names.
char const* DatePattern(Str const& setting) {
    if (setting == "YYMD") return "%Y/%M/%D %h:%m:%s";
    if (setting == "YMD") return "%y/%M/%D %h:%m:%s";
    if (setting == "MDYY") return "%M/%D/%Y %h:%m:%s";
    if (setting == "MDY") return "%M/%D/%y %h:%m:%s";
    if (setting == "DMYY") return "%D/%M/%Y %h:%m:%s";
    return "%D/%M/%y %h:%m:%s";
}

}  // namespace

void Files::WriteOutFile() {
    FileWriter* out = &coutWriter;
    InterruptGuard guard;
    if (parameters->DoFileOutput()) {
        std::cerr << "Writing the output file " << outFile << "\n" << std::endl;
        OpenOutput(outFile, guard);
        out = &writer;
    } else {
        std::cerr << "Writing to standard output.\n" << std::endl;
    }
    ReportRun run{runTime.GetString(DatePattern(dateFormat)),
                  static_cast<long>(runTime.GetTimeT()),
                  currentDirectory,
                  workDirectory,
                  rcFile,
                  snpTag,
                  indelHetTag,
                  rankLimit};
    ReportWriter report(*out, *parameters, *this, run);
    report.Header();
    report.CommandLine();
    assembly->Begin();
    while (Contig* contig = assembly->GetNext())
        if (contig->IsValid()) report.WriteContig(*contig);
    report.End();
    if (out == &writer) {
        CloseOutput(outFile, guard);
    } else if (!coutWriter.Close()) {
        FatalError("ERROR: can not write the report to standard output");
    }
}


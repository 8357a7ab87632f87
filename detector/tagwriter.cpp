// Files::UpdateAceFile and Files::UpdatePhdFiles: the findings of a run
// written back into the project as tags, replacing those of the last run.
#include <iostream>

#include "acecopier.h"
#include "contig.h"
#include "fatalerror.h"
#include "files.h"
#include "phdfile.h"
#include "replacement.h"

void Files::WriteAceTag(long first, long last) {
    writer.Append("\nCT{\n");
    writer.Append(tagContig);
    writer.Append(tagType);
    writer.Append(" quorValix ");
    writer.AppendToken(first);
    writer.Append(last);
    writer.Append(tagDate);
    if (tagComment.HasContent()) {
        writer.Append("\nCOMMENT{\n");
        writer.Append(tagComment);
        writer.Append("\nC}");
    }
    writer.Append("\n}\n");
}

void Files::WritePhdTag(long first, long last) {
    PhdFile::WriteTag(writer, tagType, first, last, tagDate, tagComment);
}

// The ACE file and the PHD files of every valid contig are checked before
// the first of them is replaced, so that a file the run may not write stops
// it with the project untouched.
// The permission bits each file had at its check are those its new version
// gets.
void Files::CheckUpdateTargets() {
    targetModes.clear();
    targetModes[aceFile.String()] = Replacement::CheckTarget(aceFile);
    assembly->Begin();
    while (Contig* contig = assembly->GetNext()) {
        if (!contig->IsValid()) continue;
        contig->Begin();
        while (Sequence* read = contig->GetNext()) {
            Str path = phdDirectory + read->GetPhdFile();
            targetModes[path.String()] = Replacement::CheckTarget(path);
        }
    }
}

int Files::TargetMode(Str const& path) {
    auto found = targetModes.find(path.String());
    return found != targetModes.end() ? found->second : Replacement::CheckTarget(path);
}

void Files::WriteAceTags(Contig& contig) {
    tagContig = contig.GetName();
    bool polymorphism = snpTag.Compare("p");
    tagType = polymorphism ? " polymorphism" : " quorValixRank ";
    long digit = tagType.Length() - 1;
    contig.StartSnpSites();
    while (SnpSite* site = contig.GetSnpSite()) {
        if (!site->IsDetected()) continue;
        int score = site->GetScore();
        if (!polymorphism) {
            Str rank;
            rank.Append(static_cast<long>(GetScore(score, true)));
            tagType.Replace(rank, digit, 1);
        }
        tagComment.Clear();
        tagComment.Append(static_cast<long>(GetScore(score, false)));
        long column = site->GetPosition();
        WriteAceTag(column + 1, column + 1);
    }
    tagType = " indelSite";
    tagComment.Clear();
    contig.StartIndelSites();
    while (MarkedSite* site = contig.GetIndelSite()) WriteAceTag(site->GetPosition() + 1, site->GetPosition() + 1);
    tagType = " repeat";
    contig.StartRepeatSites();
    while (RepeatSite* site = contig.GetRepeatSite()) {
        long start = 0, end = 0, unit = 0;
        site->GetRepeat(start, end, unit);
        tagComment.Clear();
        tagComment.Append(unit);
        tagComment.Append("-mer");
        WriteAceTag(start + 1, end);
    }
}

void Files::UpdateAceFile() {
    if (!doUpdate) {
        std::cerr << "Not updating the ACE file." << std::endl;
        return;
    }
    std::cerr << "Updating the ACE file " << aceFile << std::endl;
    CheckUpdateTargets();
    tagDate = runTime.GetString(" %y%M%D:%h%m%s");
    if (!reader.Open(aceFile)) FatalError("ERROR: can not open the ACE file ", aceFile);
    Replacement ace(writer, aceFile, TempName());
    AceCopier(reader, writer, aceFile, AceCopier::ThirdWord).Copy(nullptr);
    reader.Close();
    writer.RemoveEndBlankLines();
    assembly->Begin();
    while (Contig* contig = assembly->GetNext())
        if (contig->IsValid()) WriteAceTags(*contig);
    ace.Commit(TargetMode(aceFile), true);
}

// A word followed by two allele letters.
static Str Letters(char const* word, char first, char second) {
    Str text(word);
    text.Append(first);
    text.Append(second);
    return text;
}

// The tags of one read, in this order: its SNP genotypes, its indel calls,
// its calls at the manual indels, and the regions outside its usable span.
// A read that is not valid is marked as needing data, whole.
void Files::WritePhdTags(Contig& contig, Sequence& read) {
    if (!read.IsValid()) {
        // A read without bases (all pads) has no base 1 to mark.
        tagType = "dataNeeded";
        tagComment.Clear();
        if (read.GetLength() > 0) WritePhdTag(1, read.GetLength());
        return;
    }
    WriteGenotypeTags(contig, read);
    WriteIndelTags(contig, read);
    WriteManualIndelTags(contig, read);
    WriteDataNeededTags(read);
}

// The read's genotype at every SNP site it covers, detected or not.
void Files::WriteGenotypeTags(Contig& contig, Sequence& read) {
    contig.StartSnpSites();
    while (SnpSite* site = contig.GetSnpSite()) {
        if (!read.IsValidSite(site->GetPosition())) continue;
        if (!SetGenotypeTag(read)) continue;
        long p = read.GetSequencePosition();
        WritePhdTag(p, p);
    }
}

// The tag type and comment of the read's genotype at its current site;
// false for a code the read model does not give.
bool Files::SetGenotypeTag(Sequence& read) {
    char a = 0, b = 0;
    read.GetGenotype(a, b);
    int score = read.GetScore();
    tagComment.Clear();
    switch (read.GetGenotype()) {
        case HomozygousReference:
            tagType = Letters("homozygote", a, a);
            return true;
        case HomozygousVariant:
            tagType = Letters("homozygote", b, b);
            tagComment = "minor allele";
            return true;
        case Heterozygous:
            if (snpTag.Compare("r")) {
                tagType = "quorValixRank";
                tagType.Append(static_cast<long>(GetScore(score, true)));
                tagComment = Letters("genotype ", a, b);
            } else {
                tagType = Letters("heterozygote", a, b);
                tagComment.Append(static_cast<long>(GetScore(score, false)));
            }
            return true;
        case ChangedReference:
            tagType = "changedGenotype";
            tagComment = Letters("homozygote", a, a);
            return true;
        case ChangedVariant:
            tagType = "changedGenotype";
            tagComment = Letters("homozygote", b, b);
            tagComment.Append("  minor allele");
            return true;
        default:
            return false;
    }
}

// At each indel site: the read's own indel with its length, else a
// homozygous call where the read covers the column.
void Files::WriteIndelTags(Contig& contig, Sequence& read) {
    contig.StartIndelSites();
    while (MarkedSite* site = contig.GetIndelSite()) {
        long column = site->GetPosition();
        tagComment.Clear();
        if (read.IsIndelSite(column)) {
            long p = 0, size = 0;
            char kind = 0;
            read.GetIndel(p, size, kind);
            tagType = kind == HeterozygousIndel ? "heterozygoteIndel" : "homozygoteIndel";
            tagComment.Append(size);
            WritePhdTag(p, p);
        } else if (read.IsValidSite(column)) {
            tagType = "homozygoteIndel";
            WritePhdTag(read.GetSequencePosition(), read.GetSequencePosition());
        }
    }
}

// At each manual indel: the heterozygous-indel tag type where the read's own
// indel lies near, else the manual indel's own type where the read covers
// the column. No comments.
void Files::WriteManualIndelTags(Contig& contig, Sequence& read) {
    tagComment.Clear();
    contig.StartManualIndels();
    while (ManualSite* site = contig.GetManualIndel()) {
        long column = site->GetPosition();
        if (read.IsNearIndel(column)) {
            tagType = indelHetTag;
        } else if (read.IsValidSite(column)) {
            tagType = site->GetTagName();
        } else {
            continue;
        }
        WritePhdTag(read.GetSequencePosition(), read.GetSequencePosition());
    }
}

// The bases before and after the read's usable span, where there are any
// beyond its first and last base.
void Files::WriteDataNeededTags(Sequence& read) {
    long length = read.GetLength();
    tagType = "dataNeeded";
    tagComment.Clear();
    long left = read.GetLeftLimit() - 1;
    if (left > 1) WritePhdTag(1, left);
    long right = read.GetRightLimit() + 1;
    if (right > 1 && right <= length) WritePhdTag(right, length);
}

// The stored header, the base lines as read and the kept foreign tags.
void Files::WritePhdHead(Sequence& read) {
    writer.Append(read.GetPhdHeader());
    writer.Append("BEGIN_DNA\n");
    long length = read.GetLength();
    for (long i = 1; i <= length; ++i) {
        char base = 0;
        long quality = 0, position = 0;
        read.GetPhdData(i, base, quality, position);
        PhdFile::WriteBase(writer, base, quality, position);
    }
    writer.Append("END_DNA\n");
    writer.Append(read.GetPhdTags());
}

void Files::UpdatePhdFiles() {
    if (!doUpdate) {
        std::cerr << "Not updating the PHD files." << std::endl;
        return;
    }
    std::cerr << "Updating the PHD files." << std::endl;
    tagDate = runTime.GetString(PhdFile::DateFormat);
    assembly->Begin();
    while (Contig* contig = assembly->GetNext()) {
        if (!contig->IsValid()) continue;
        std::cerr << "  Updating information for " << contig->GetName() << std::endl;
        progress.Set(contig->Length(), 100.0);
        progress.Begin();
        contig->Begin();
        while (Sequence* read = contig->GetNext()) {
            if (verbosity == 0) progress.Next();
            Str path = phdDirectory + read->GetPhdFile();
            if (verbosity != 0) std::cerr << "    Updating the file " << path << std::endl;
            Replacement phd(writer, path, TempName());
            WritePhdHead(*read);
            WritePhdTags(*contig, *read);
            writer.Append("\nEND_SEQUENCE\n");
            phd.Commit(TargetMode(path), false);
        }
    }
}

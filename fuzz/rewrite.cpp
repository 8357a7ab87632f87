#include "rewrite.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "contig.h"
#include "detector_project.h"
#include "harness.h"
#include "model_test.h"
#include "phdfile.h"
#include "quorvalix.h"

namespace {

char const* const projectFolders[] = {"edit_dir", "phd_dir", "poly_dir"};

// The command lines of the run components: every tag setting, with and
// without a rank limit, indels and repeats.
char const* const commandLines[] = {"-indel -ms", "-tag p -rank -indel", "-tag r -rank 5 -ms -source 1 2"};

std::string Text(Str const& s) { return std::string(s.String(), static_cast<std::size_t>(s.Length())); }

// One run component, set up once by the program's own start (no settings
// file), with tag types that make sites of every kind. None of them is a
// type the detector writes itself, so that its own tags make no sites.
class RewriteFiles : public Files {
public:
    explicit RewriteFiles(std::string const& commandLine) {
        Quorvalix::SetStartUpDefaults(settings);
        Str line((" " + commandLine + " ").c_str());
        if (Refused([&] {
                Initialize(nullptr, &settings);
                settings.ParseFlags("COMMAND LINE ", line);
                SetParameters();
            }))
            Finding("the fuzz project was refused");
        columnTags = " both snp ";
        verifiedTags = " verified both ";
        columnIndelTags = " indel ";
        manualTags = " genotype ";
    }
    void Use(Assembly& model) { assembly = &model; }
    Parameters& Settings() { return settings; }
    bool Polymorphism() const { return snpTag.Compare("p"); }
    std::string AceDate() const { return Text(runTime.GetString(" %y%M%D:%h%m%s")); }
    std::string PhdDate() const { return Text(runTime.GetString(PhdFile::DateFormat)); }

private:
    Parameters settings;
};

std::string root;
std::vector<std::unique_ptr<RewriteFiles>> runs;

// Where two texts part: the first line that differs in each, for the
// report of a finding.
std::string Difference(std::string const& expected, std::string const& actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    std::size_t start = expected.rfind('\n', at == 0 ? 0 : at - 1);
    start = start == std::string::npos || at == 0 ? 0 : start + 1;
    auto lineAt = [start](std::string const& text) {
        std::size_t end = text.find('\n', start);
        return start >= text.size() ? std::string("(the end)") : "\"" + text.substr(start, end - start) + "\"";
    };
    long line = 1 + static_cast<long>(std::count(expected.begin(), expected.begin() + static_cast<long>(start), '\n'));
    return " (line " + std::to_string(line) + ": " + lineAt(expected) + " became " + lineAt(actual) + ")";
}

void WriteProject(ProjectBytes const& project) {
    for (auto const& file : project) WriteFuzzFile(root + file.first, file.second);
}

// The files of the project as they are now.
ProjectBytes ReadProject(ProjectBytes const& names) {
    ProjectBytes now;
    for (auto const& file : names) now[file.first] = ReadFuzzFile(root + file.first);
    return now;
}

// The project folders hold just these files, and the working folder just
// the project and the empty home: nothing left behind.
void ExpectNames(ProjectBytes const& project, std::string const& what) {
    if (FuzzEntries(FuzzFolder()).size() != 2 || !FuzzEntries(FuzzFolder() + "home/").empty())
        Finding(what + ": a file was left in " + FuzzFolder());
    if (FuzzEntries(root).size() != 3) Finding(what + ": a file was left in " + root);
    for (char const* folder : projectFolders) {
        std::vector<std::string> names = FuzzEntries(root + folder + "/");
        std::vector<std::string> expected;
        std::string prefix = std::string(folder) + "/";
        for (auto const& file : project)
            if (file.first.compare(0, prefix.size(), prefix) == 0) expected.push_back(file.first.substr(prefix.size()));
        std::sort(names.begin(), names.end());
        if (names != expected) Finding(what + ": a file was left in or went missing from " + prefix);
    }
}

void ExpectProject(ProjectBytes const& project, std::string const& what) {
    ExpectNames(project, what);
    for (auto const& file : project)
        if (ReadFuzzFile(root + file.first) != file.second)
            Finding(what + ": " + file.first + " changed" + Difference(file.second, ReadFuzzFile(root + file.first)));
}

// Sites set by hand after the analysis, the same for the same model, so
// that every kind of tag is written whatever the analysis found: in each
// valid contig a detected SNP site half way with a genotype of every read
// there, an indel site and a manual indel a third of the way, a repeat at
// the start. A site the analysis put in the same column stays.
void PlantSites(Assembly& model) {
    model.Begin();
    while (Contig* contig = model.GetNext()) {
        long columns = contig->GetColumnCount();
        if (!contig->IsValid() || columns < 1) continue;
        long snp = columns / 2;
        MarkedSites& snps = ModelInspector::SnpSites(*contig);
        if (!snps.GetSite(snp)) {
            snps.Collate(new SnpSite(snp, 0.97f, 'C', 'T'));
            int k = 0;
            contig->Begin();
            while (Sequence* read = contig->GetNext()) {
                if (read->IsSite(snp)) read->SetGenotype('C', 'T', static_cast<char>(k % 3), 0.9f + 0.02f * (k % 5));
                ++k;
            }
        }
        long indel = columns / 3;
        MarkedSites& indels = ModelInspector::IndelSites(*contig);
        if (!indels.GetSite(indel)) indels.Collate(new MarkedSite(indel));
        contig->AddManualIndel(new ManualSite(indel, indel, "userIndel", ""));
        MarkedSites& repeats = ModelInspector::RepeatSites(*contig);
        if (!repeats.GetSite(0)) repeats.Collate(new RepeatSite(0, columns < 4 ? columns : 4, 2));
    }
}

// Read, analysis, hand-set sites and update: false when the read or the
// update was refused, which must leave the project as it was.
bool Update(RewriteFiles& files, Assembly& model, ProjectBytes const& before) {
    files.Use(model);
    bool refused = Refused([&] {
        files.ReadAceFile();
        files.ReadSequenceFiles();
    });
    if (!refused) {
        model.Process(files.Settings());
        PlantSites(model);
        refused = Refused([&] {
            files.UpdateAceFile();
            files.UpdatePhdFiles();
        });
    }
    if (refused) ExpectProject(before, "a refusal changed the project");
    return !refused;
}

// The lines of a text; a last line without its line feed counts.
std::vector<std::string> Lines(std::string const& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> Words(std::string const& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        std::size_t start = at;
        while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        if (at > start) words.push_back(line.substr(start, at - start));
    }
    return words;
}

bool IsNumber(std::string const& word, long& value) {
    std::size_t digits = word.size() > 0 && word[0] == '-' ? 1 : 0;
    if (word.size() == digits || word.size() > 18) return false;
    for (std::size_t i = digits; i < word.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(word[i]))) return false;
    value = std::stol(word);
    return true;
}

bool IsWord(std::string const& word) {
    if (word.empty()) return false;
    for (char ch : word)
        if (!std::isgraph(static_cast<unsigned char>(ch))) return false;
    return true;
}

// The ACE file after an update: the copy of the file without the
// detector's tags and without trailing blank lines, then one tag per site
// of every valid contig in list order (SNP sites only when detected), each
// after an empty line.
void CheckAceTags(std::string const& ace, Assembly& model, RewriteFiles const& files) {
    struct Expected {
        std::string contig;
        char kind;  // 's' SNP, 'i' indel, 'r' repeat
        long first, last, unit;
    };
    std::vector<Expected> expected;
    model.Begin();
    while (Contig* contig = model.GetNext()) {
        if (!contig->IsValid()) continue;
        std::string name = Text(contig->GetName());
        contig->StartSnpSites();
        while (SnpSite* site = contig->GetSnpSite())
            if (site->IsDetected()) expected.push_back({name, 's', site->GetPosition() + 1, site->GetPosition() + 1, 0});
        contig->StartIndelSites();
        while (MarkedSite* site = contig->GetIndelSite())
            expected.push_back({name, 'i', site->GetPosition() + 1, site->GetPosition() + 1, 0});
        contig->StartRepeatSites();
        while (RepeatSite* site = contig->GetRepeatSite()) {
            long start = 0, end = 0, unit = 0;
            site->GetRepeat(start, end, unit);
            expected.push_back({name, 'r', start + 1, end, unit});
        }
    }
    // The tags begin at the first empty line, "CT{" line and data line of
    // the detector's: the copy holds none.
    std::size_t at = 0;
    while ((at = ace.find("\n\nCT{\n", at)) != std::string::npos) {
        std::size_t data = at + 6;
        std::size_t end = ace.find('\n', data);
        std::vector<std::string> words = Words(ace.substr(data, end == std::string::npos ? end : end - data));
        if (words.size() > 2 && words[2] == "quorValix") break;
        ++at;
    }
    std::string copy = ace.substr(0, at == std::string::npos ? ace.size() : at + 1);
    std::size_t last = copy.find_last_not_of(" \t\n\v\f\r");
    if (copy.empty() || copy.back() != '\n' || copy.find('\n', last) != copy.size() - 1)
        Finding("the ACE copy before the tags does not end with one line end");
    std::vector<std::string> lines = Lines(at == std::string::npos ? std::string() : ace.substr(at + 1));
    std::size_t line = 0;
    auto next = [&]() -> std::string const& {
        if (line >= lines.size()) Finding("an ACE tag of the update is cut off");
        return lines[line++];
    };
    std::string date = files.AceDate().substr(1);
    for (Expected const& e : expected) {
        if (!next().empty() || next() != "CT{") Finding("an ACE tag of the update does not start a block");
        std::vector<std::string> words = Words(next());
        long first = 0, end = 0;
        if (words.size() != 6 || words[0] != e.contig || words[2] != "quorValix" || !IsNumber(words[3], first) ||
            !IsNumber(words[4], end) || words[5] != date)
            Finding("an ACE tag of the update has a wrong data line");
        if (first != e.first || end != e.last) Finding("an ACE tag of the update has wrong positions");
        std::string comment;
        std::string const& after = next();
        if (after == "COMMENT{") {
            comment = next();
            if (next() != "C}") Finding("an ACE tag comment of the update is not closed");
            if (next() != "}") Finding("an ACE tag of the update is not closed");
        } else if (after != "}") {
            Finding("an ACE tag of the update is not closed");
        }
        long value = 0;
        switch (e.kind) {
            case 's': {
                bool polymorphism = files.Polymorphism();
                std::string const& type = words[1];
                bool rank = type.size() == 14 && type.compare(0, 13, "quorValixRank") == 0 && type[13] >= '1' &&
                            type[13] <= '6';
                if ((polymorphism && type != "polymorphism") || (!polymorphism && !rank))
                    Finding("an ACE SNP tag of the update has a wrong type");
                if (!IsNumber(comment, value) || value < 0 || value > 99)
                    Finding("an ACE SNP tag of the update has no score");
                break;
            }
            case 'i':
                if (words[1] != "indelSite" || !comment.empty()) Finding("an ACE indel tag of the update is wrong");
                break;
            default:
                if (words[1] != "repeat" || comment != std::to_string(e.unit) + "-mer")
                    Finding("an ACE repeat tag of the update is wrong");
                break;
        }
    }
    if (line != lines.size()) Finding("the ACE file holds more tags than sites");
}

// A PHD file after the update: the header, the bases as read and the kept
// tags, then only the detector's tags, each inside the read, and the end.
void CheckPhdFile(std::string const& text, Sequence& read, RewriteFiles const& files) {
    std::string head = Text(read.GetPhdHeader()) + "BEGIN_DNA\n";
    if (text.compare(0, head.size(), head) != 0) Finding("a rewritten PHD file lost its header");
    std::size_t at = head.size();
    long length = read.GetLength();
    for (long i = 1; i <= length; ++i) {
        char base = 0;
        long quality = 0, position = 0;
        read.GetPhdData(i, base, quality, position);
        std::string line = std::string(1, base) + " " + std::to_string(quality) + " " + std::to_string(position) + "\n";
        if (text.compare(at, line.size(), line) != 0) Finding("a rewritten PHD file has a wrong base line");
        at += line.size();
    }
    std::string kept = "END_DNA\n" + Text(read.GetPhdTags());
    if (text.compare(at, kept.size(), kept) != 0) Finding("a rewritten PHD file lost its kept tags");
    std::string const end = "\nEND_SEQUENCE\n";
    at += kept.size();
    if (text.size() < at + end.size() || text.compare(text.size() - end.size(), end.size(), end) != 0)
        Finding("a rewritten PHD file does not end with END_SEQUENCE");
    std::vector<std::string> lines = Lines(text.substr(at, text.size() - end.size() - at));
    std::string const date = "DATE: " + files.PhdDate();
    std::size_t line = 0;
    int tags = 0;
    bool dataNeeded = false;
    while (line < lines.size()) {
        auto next = [&]() -> std::string const& {
            if (line >= lines.size()) Finding("a PHD tag of the update is cut off");
            return lines[line++];
        };
        if (!next().empty() || next() != "BEGIN_TAG") Finding("a PHD tag of the update does not start a block");
        std::string const& typeLine = next();
        std::string type = typeLine.substr(0, 6) == "TYPE: " ? typeLine.substr(6) : "";
        if (!IsWord(type)) Finding("a PHD tag of the update has no one-word type");
        if (next() != PhdFile::OwnSource) Finding("a PHD tag of the update has a wrong source");
        std::vector<std::string> words = Words(next());
        long first = 0, last = 0;
        if (words.size() != 3 || words[0] != "UNPADDED_READ_POS:" || !IsNumber(words[1], first) ||
            !IsNumber(words[2], last))
            Finding("a PHD tag of the update has no positions");
        if (first < 1 || last < first || last > length) Finding("a PHD tag of the update lies outside its read");
        if (next() != date) Finding("a PHD tag of the update has a wrong date");
        std::string const* after = &next();
        if (*after == "BEGIN_COMMENT") {
            next();
            if (next() != "END_COMMENT") Finding("a PHD tag comment of the update is not closed");
            after = &next();
        }
        if (*after != "END_TAG") Finding("a PHD tag of the update is not closed");
        ++tags;
        dataNeeded = type == "dataNeeded" && first == 1 && last == length;
    }
    if (!read.IsValid() && (length > 0 ? tags != 1 || !dataNeeded : tags != 0))
        Finding("a read that is not valid lacks its one dataNeeded tag");
}

// Every PHD file of a read of a valid contig; a file that two reads name
// holds what the last of them wrote.
void CheckPhdFiles(ProjectBytes const& project, Assembly& model, RewriteFiles const& files) {
    std::map<std::string, Sequence*> writers;
    model.Begin();
    while (Contig* contig = model.GetNext()) {
        if (!contig->IsValid()) continue;
        contig->Begin();
        while (Sequence* read = contig->GetNext()) writers["phd_dir/" + Text(read->GetPhdFile())] = read;
    }
    for (auto const& w : writers) {
        auto file = project.find(w.first);
        if (file == project.end()) Finding("the update wrote a file outside the project: " + w.first);
        CheckPhdFile(file->second, *w.second, files);
    }
}

void ExpectSameReads(Assembly& first, Assembly& second) {
    first.Begin();
    second.Begin();
    while (true) {
        Contig* a = first.GetNext();
        Contig* b = second.GetNext();
        if (!a || !b) {
            if (a || b) Finding("the updated project holds another number of contigs");
            return;
        }
        if (Text(a->GetName()) != Text(b->GetName()) || a->GetColumnCount() != b->GetColumnCount() || a->Length() != b->Length())
            Finding("the updated project holds another contig");
        if (!a->IsValid()) continue;
        a->Begin();
        b->Begin();
        while (Sequence* r = a->GetNext()) {
            Sequence* s = b->GetNext();
            if (Text(r->GetName()) != Text(s->GetName()) || r->GetLength() != s->GetLength() ||
                r->GetComplement() != s->GetComplement() || r->IsValid() != s->IsValid() ||
                Text(r->GetPhdFile()) != Text(s->GetPhdFile()))
                Finding("the updated project holds another read");
            if (Text(r->GetPhdHeader()) != Text(s->GetPhdHeader())) Finding("a read has another PHD header");
            if (Text(r->GetPhdTags()) != Text(s->GetPhdTags())) Finding("a read has other kept PHD tags");
            for (long i = 1; i <= r->GetLength(); ++i) {
                char base1 = 0, base2 = 0;
                long quality1 = 0, quality2 = 0, position1 = 0, position2 = 0;
                r->GetPhdData(i, base1, quality1, position1);
                s->GetPhdData(i, base2, quality2, position2);
                if (base1 != base2 || quality1 != quality2 || position1 != position2)
                    Finding("a read has other PHD data");
            }
        }
    }
}

// Clears the project as it stands (`before`); true with the cleared files
// in `after`, false when refused.
bool Clear(RewriteFiles& files, ProjectBytes const& before, ProjectBytes& after) {
    if (Refused([&] { files.ClearTags(); })) {
        ExpectProject(before, "a refused clearing changed the project");
        return false;
    }
    ExpectNames(before, "the clearing");
    after = ReadProject(before);
    return true;
}

// The lines of an ACE file that are not empty, without the detector's tags
// as the clearing knows them: a "CT{" line whose data line has the third
// word quorValix in any case, a comment from "COMMENT{" to "C}" or none,
// and the line "}".
std::vector<std::string> ForeignAceLines(std::string const& ace) {
    std::vector<std::string> lines = Lines(ace);
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, 3, "CT{") == 0 && i + 1 < lines.size()) {
            std::vector<std::string> words = Words(lines[i + 1]);
            std::string source = words.size() > 2 ? words[2] : "";
            for (char& ch : source) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            std::size_t end = i + 2;
            if (end < lines.size() && lines[end] == "COMMENT{") {
                while (end < lines.size() && lines[end] != "C}") ++end;
                ++end;
            }
            if (source == "QUORVALIX" && end < lines.size() && lines[end] == "}") {
                i = end;
                continue;
            }
            kept.push_back(lines[i]);
            ++i;  // the data line is no record of its own
        }
        if (!lines[i].empty()) kept.push_back(lines[i]);
    }
    return kept;
}

// The cleared updated ACE file against the cleared original: the same
// lines, but the first may lack blank lines at the end that the second
// keeps. The update cuts the blank lines at the end of its copy; clearing
// cuts none, and the blank lines before a tag that only clearing drops (the
// source word in another case) stay in both.
bool ShortOfEndBlankLines(std::string const& cleared, std::string const& original) {
    return original.compare(0, cleared.size(), cleared) == 0 && (cleared.empty() || cleared.back() == '\n') &&
           original.find_first_not_of(" \t\n\v\f\r", cleared.size()) == std::string::npos;
}

// The text after the END_DNA line: the first line beginning "END_DNA" after
// the first line beginning "BEGIN_DNA".
std::string TagSection(std::string const& phd) {
    std::size_t at = phd.compare(0, 9, "BEGIN_DNA") == 0 ? 0 : phd.find("\nBEGIN_DNA");
    if (at != std::string::npos) at = phd.find("\nEND_DNA", at + 1);
    if (at != std::string::npos) at = phd.find('\n', at + 1);
    return at == std::string::npos ? std::string() : phd.substr(at + 1);
}

// The clearing of the updated project against that of the original: the
// same ACE file but for blank lines at its end, the same tag sections,
// and in each PHD file of a read the tags that the read kept.
void CompareClearings(ProjectBytes const& updated, ProjectBytes const& original, Assembly& model) {
    for (auto const& file : updated) {
        std::string const& before = original.at(file.first);
        if (file.first.compare(0, 9, "edit_dir/") == 0) {
            if (!ShortOfEndBlankLines(file.second, before))
                Finding("clearing the updated ACE file differs from clearing the original" +
                        Difference(before, file.second));
        } else if (file.first.compare(0, 8, "phd_dir/") == 0 && TagSection(file.second) != TagSection(before)) {
            Finding("clearing the updated " + file.first + " differs from clearing the original" +
                    Difference(TagSection(before), TagSection(file.second)));
        }
    }
    model.Begin();
    while (Contig* contig = model.GetNext()) {
        if (!contig->IsValid()) continue;
        contig->Begin();
        while (Sequence* read = contig->GetNext())
            if (TagSection(updated.at("phd_dir/" + Text(read->GetPhdFile()))) !=
                Text(read->GetPhdTags()) + "\nEND_SEQUENCE\n")
                Finding("clearing lost kept tags of read " + Text(read->GetName()));
    }
}

// A cleared project against the files before: every line of the ACE file
// outside the detector's tags, and the PHD files through their END_DNA
// line, as they were.
void CheckClearing(ProjectBytes const& cleared, ProjectBytes const& before) {
    for (auto const& file : cleared) {
        std::string const& old = before.at(file.first);
        if (file.first.compare(0, 9, "edit_dir/") == 0) {
            if (ForeignAceLines(file.second) != ForeignAceLines(old))
                Finding("clearing lost lines of the ACE file" + Difference(old, file.second));
        } else if (file.first.compare(0, 8, "phd_dir/") == 0 && file.second != old) {
            std::size_t head = file.second.size() - TagSection(file.second).size();
            if (file.second.compare(0, head, old, 0, head) != 0 &&
                !(head == old.size() + 1 && file.second.compare(0, old.size(), old) == 0))
                Finding("clearing changed the bases of " + file.first);
        }
    }
}

}  // namespace

void StartRewrite() {
    root = FuzzSubfolder("project");
    for (char const* folder : projectFolders) FuzzSubfolder(("project/" + std::string(folder)).c_str());
    for (char const* line : commandLines)
        runs.emplace_back(new RewriteFiles(std::string("-dir ") + root + " -ace a.ace " + line));
}

void CheckRewrite(ProjectBytes const& project, std::size_t variant) {
    RewriteFiles& files = *runs[variant % runs.size()];
    WriteProject(project);
    ProjectBytes current = project;
    Assembly first;
    bool updated = Update(files, first, project);
    if (updated) {
        current = ReadProject(project);
        ExpectNames(project, "the update");
        CheckAceTags(current.at("edit_dir/a.ace"), first, files);
        CheckPhdFiles(current, first, files);
        Assembly second;
        if (!Update(files, second, current)) Finding("the updated project was refused");
        ExpectSameReads(first, second);
        ExpectProject(current, "a second update wrote other bytes");
    }
    ProjectBytes cleared;
    bool clearedUpdate = Clear(files, current, cleared);
    if (clearedUpdate) CheckClearing(cleared, current);
    if (!updated) return;
    WriteProject(project);
    ProjectBytes clearedOriginal;
    bool clearedOriginalOk = Clear(files, project, clearedOriginal);
    // The update may mend what the clearing refuses (a PHD file without its
    // END_DNA line), never the other way round.
    if (clearedOriginalOk && !clearedUpdate) Finding("clearing took the original project but not the updated one");
    if (!clearedUpdate || !clearedOriginalOk) return;
    CompareClearings(cleared, clearedOriginal, first);
    CheckClearing(clearedOriginal, project);
}

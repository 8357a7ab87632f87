#include "detector_project.h"

#include "harness.h"
#include "phdfile.h"
#include "quorvalix.h"

ProjectFiles::ProjectFiles() {
    settings.SetRefID(".REF");
    parameters = &settings;
    verifiedTags = " verified both ";
    columnTags = " polymorphism both ";
    columnIndelTags = " indel ";
    manualTags = " genotype ";
}

void ProjectFiles::Use(Assembly& model, std::string const& ace, std::string const& phd, std::string const& poly) {
    assembly = &model;
    aceFile = ace.c_str();
    phdDirectory = phd.c_str();
    polyDirectory = poly.c_str();
}

RunFiles const& RunFiles::Pristine() {
    static RunFiles const pristine;
    return pristine;
}

void RunFiles::Restart() {
    RunFiles const& p = Pristine();
    assembly = p.assembly;
    parameters = p.parameters;
    rcFile = p.rcFile;
    columnTags = p.columnTags;
    verifiedTags = p.verifiedTags;
    manualTags = p.manualTags;
    columnIndelTags = p.columnIndelTags;
    indelHetTag = p.indelHetTag;
    for (int k = 0; k < 5; ++k) rankThresholds[k] = p.rankThresholds[k];
    dateFormat = p.dateFormat;
    rankLimit = p.rankLimit;
    doUpdate = p.doUpdate;
    snpTag = p.snpTag;
    verbosity = p.verbosity;
    workDirectory = p.workDirectory;
    editDirectory = p.editDirectory;
    phdDirectory = p.phdDirectory;
    polyDirectory = p.polyDirectory;
    aceFile = p.aceFile;
    navFile = p.navFile;
    outFile = p.outFile;
    tempFile = p.tempFile;
}

void StartRun(Str const* commandLine) {
    Assembly model;
    Parameters settings;
    Quorvalix::SetStartUpDefaults(settings);
    static RunFiles files;
    files.Restart();
    if (Refused([&] {
            files.Initialize(&model, &settings);
            if (commandLine) settings.ParseFlags("COMMAND LINE ", *commandLine);
            files.SetParameters();
        }))
        return;
    long rankLimit = settings.GetRankLimit();
    if (rankLimit < 0 || rankLimit > 6) Finding("a rank limit outside 0 to 6");
    float limit = settings.GetScoreLimit();
    if (rankLimit >= 1 && rankLimit <= 5) {
        if (limit != static_cast<float>(files.Threshold(rankLimit))) Finding("a score limit not its rank's threshold");
    } else if (!(limit >= 0.0f && limit <= 99.0f)) {
        Finding("a score limit outside 0 to 99");
    }
    if (settings.GetVerbosity() < 0 || settings.GetVerbosity() > 2) Finding("a verbosity outside 0 to 2");
    for (int score = -1; score <= 100; ++score) {
        int rank = files.GetScore(score, true);
        if (rank < 1 || rank > 6) Finding("a rank outside 1 to 6");
    }
}

void MakeProject() {
    WriteFuzzFile(FuzzSubfolder("edit_dir") + "a.ace.1", "AS 0 0\n");
    FuzzSubfolder("phd_dir");
    FuzzSubfolder("poly_dir");
}

void CheckProject(char const* settingsFile) {
    if (settingsFile)
        ExpectEntries(FuzzFolder(), {"home", "edit_dir", "phd_dir", "poly_dir", settingsFile});
    else
        ExpectEntries(FuzzFolder(), {"home", "edit_dir", "phd_dir", "poly_dir"});
    ExpectEntries(FuzzFolder() + "edit_dir/", {"a.ace.1"});
    ExpectEntries(FuzzFolder() + "phd_dir/", {});
    ExpectEntries(FuzzFolder() + "poly_dir/", {});
    ExpectEntries(FuzzFolder() + "home/", {});
}

std::string TwoReadAce(std::string const& bases, std::string const& forwardPhd, std::string const& complementedPhd) {
    std::string n = std::to_string(bases.size());
    std::string ace = "AS 1 2\n\nCO C1 " + n + " 2 1 U\n" + bases + "\n\nBQ\n20\n\nAF f U 1\nAF r C 1\n";
    for (char const* read : {"f", "r"})
        ace += std::string("\nRD ") + read + " " + n + " 0 0\n" + bases + "\n\nQA 1 " + n + " 1 " + n +
               "\nDS CHROMAT_FILE: " + read + " PHD_FILE: " + (*read == 'f' ? forwardPhd : complementedPhd) +
               " TIME: Mon Jan  2 10:10:10 2006\n\n";
    return ace;
}

std::string BaseLetters(std::string const& text, std::vector<long>* positions) {
    std::string bases;
    std::size_t at = text.compare(0, 9, "BEGIN_DNA") == 0 ? 0 : text.find("\nBEGIN_DNA");
    if (at != std::string::npos) at = text.find('\n', at + 1);
    while (at != std::string::npos && at + 1 < text.size() && bases.size() < 100000) {
        std::size_t start = at + 1;
        at = text.find('\n', start);
        std::string line = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
        if (line.compare(0, 7, "END_DNA") == 0) break;
        if (line.find_first_not_of(" \t\r\v\f") == std::string::npos) continue;
        char letter = line[0];
        bases += std::string("acgtnACGTN").find(letter) == std::string::npos ? 'n' : letter;
        if (positions) {
            Str parsed(line.c_str());
            char base = 0;
            long quality = 0, position = 0;
            positions->push_back(PhdFile::ParseBase(parsed, base, quality, position) ? position : 0);
        }
    }
    if (bases.empty()) {
        bases = "n";
        if (positions) positions->assign(1, 0);
    }
    return bases;
}

void CheckSites(Assembly& model) {
    model.Begin();
    while (Contig* contig = model.GetNext()) {
        long columns = contig->GetColumnCount();
        auto inContig = [columns](ManualSite* site) {
            long start = 0;
            long end = 0;
            site->GetPositions(start, end);
            if (start < 0 || end < start || end >= columns) Finding("a consensus tag site outside its contig");
        };
        contig->StartVerifiedSites();
        while (ManualSite* site = contig->GetVerifiedSite()) inContig(site);
        contig->StartManualIndels();
        while (ManualSite* site = contig->GetManualIndel()) inContig(site);
        contig->StartManualGenotypes();
        while (ManualGenotype* site = contig->GetManualGenotype()) {
            Sequence* read = nullptr;
            contig->Begin();
            while (Sequence* s = contig->GetNext())
                if (s->GetName() == site->GetName()) read = s;
            if (!read) Finding("a manual genotype of no read");
            if (site->GetSeqPosition() < 1 || site->GetSeqPosition() > read->GetLength())
                Finding("a manual genotype outside its read");
        }
    }
}

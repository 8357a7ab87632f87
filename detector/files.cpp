#include "files.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include <unistd.h>

#include "contig.h"
#include "fatalerror.h"
#include "outputfiles.h"
#include "parameters.h"
#include "polyfile.h"
#include "settingsfile.h"

static char const settingsName[] = ".quorvalixrc";

Files::Files()
    : assembly(nullptr),
      reader(131072L),
      writer(131072L),
      line(1024L),
      token(1024L),
      parser(line),
      parameters(nullptr),
      currentDirectory(Directory::GetCurrentDirectory()),
      columnTags(" "),
      verifiedTags(" "),
      manualTags(" "),
      columnIndelTags(" "),
      indelHetTag("heterozygoteIndel"),
      rankThresholds{99, 95, 90, 70, 50},
      rankLimit(0),
      doUpdate(true),
      verbosity(0),
      groupRegex(),
      groupRegexOn(false) {}

Files::~Files() {
    if (groupRegexOn) regfree(&groupRegex);
}

void Files::Initialize(Assembly* assembly, Parameters* parameters) {
    this->assembly = assembly;
    this->parameters = parameters;

    switch (SettingsFile::Open(reader, currentDirectory, settingsName, rcFile)) {
    case SettingsFile::Opened: ReadSettingsFile(); return;
    case SettingsFile::NotFound: return;
    case SettingsFile::PathNotFound: FatalError("ERROR: can not open the .quorvalixrc file ", rcFile);
    }
}

// Applies the keys line by line; the "flag" lines are gathered and applied
// after all keys. Every bad line is shown before the run stops.
void Files::ReadSettingsFile() {
    Str flags;
    bool bad = false;
    while (reader.GetTextLine(line)) {
        if (ReadSettingsLine(flags)) continue;
        std::cerr << line << std::endl;
        bad = true;
    }
    SettingsFile::Close(reader, rcFile);
    if (bad) FatalError("ERROR: invalid lines in .quorvalixrc file ", rcFile);
    if (flags.HasContent()) parameters->ParseFlags(".quorvalixrc file", flags);
}

bool Files::ReadSettingsLine(Str& flags) {
    parser.SetString(line);
    parser.GetToken(token);
    if (token.Compare("#")) return true;
    if (token == "flag") {
        Str rest;
        parser.GetRight(rest);
        flags.Append(rest);
        flags.Append(' ');
        return true;
    }
    Str key(token);
    parser.GetToken(token);  // the value; empty when missing
    // Left empty, a directory would be the file-system root, a report name
    // the edit directory itself, a navigation name ".nav" and the indel
    // tag type no type at all.
    if (token.Length() == 0 && (key == "acedir" || key == "phddir" || key == "polydir" ||
                                key == "outputfile" || key == "navfile" || key == "indelhettag"))
        return false;
    if (key == "acedir") {
        parameters->SetAceDir(token);
    } else if (key == "phddir") {
        parameters->SetPhdDir(token);
    } else if (key == "polydir") {
        parameters->SetPolyDir(token);
    } else if (key == "outputfile") {
        parameters->SetOutFile(token);
    } else if (key == "navfile") {
        parameters->SetNavFile(token);
    } else if (key == "refID") {
        parameters->SetRefID(token);
    } else if (key == "columntag") {
        columnTags.AppendToken(token);
    } else if (key == "verifiedtag") {
        verifiedTags.AppendToken(token);
    } else if (key == "manualtag") {
        manualTags.AppendToken(token);
    } else if (key == "columnindeltag") {
        columnIndelTags.AppendToken(token);
    } else if (key == "indelhettag") {
        indelHetTag = token;
    } else if (key == "ranks") {
        // A threshold no int holds makes the line bad: it is never wrapped.
        for (int k = 0; k < 5 && token.Length() > 0; ++k) {
            long threshold = static_cast<long>(token);
            if (threshold < INT_MIN || threshold > INT_MAX) return false;
            rankThresholds[k] = threshold;
            parser.GetToken(token);
        }
    } else if (key == "date") {
        dateFormat = token;
    } else {
        return false;
    }
    return true;
}

void Files::SetParameters() {
    rankLimit = parameters->GetRankLimit();
    if (rankLimit >= 1 && rankLimit <= 5)
        parameters->SetScoreLimit(static_cast<float>(rankThresholds[rankLimit - 1]));
    else if (rankLimit == 6)
        parameters->SetScoreLimit(0.0f);  // rank 6 is every score below rank 5
    doUpdate = parameters->DoUpdate();
    snpTag = parameters->GetSnpTag();
    verbosity = parameters->GetVerbosity();

    Str work = parameters->GetWorkDirectory();
    workDirectory = work.Compare("/") ? work : currentDirectory + work;

    // Started inside the edit directory: the project is its parent. The
    // directory name is cut only as a whole path component.
    Str ace = parameters->GetAceDir();
    if (ace.Compare("/")) {
        editDirectory = ace;
    } else {
        long cut = workDirectory.Length() - ace.Length();
        if (ace.Length() > 0 && workDirectory.CompareRight(ace) && workDirectory.Get(cut - 1) == '/')
            workDirectory.DeleteEnd(cut);
        editDirectory = workDirectory + ace;
    }
    CheckDirectory(editDirectory, true, true);

    Str phd = parameters->GetPhdDir();
    phdDirectory = phd.Compare("/") ? phd : workDirectory + phd;
    CheckDirectory(phdDirectory, true, true);

    Str poly = parameters->GetPolyDir();
    polyDirectory = poly.Compare("/") ? poly : workDirectory + poly;
    CheckDirectory(polyDirectory, true, false);

    FindAceFile();

    outFile = ResolveFile(parameters->GetOutFile(), "ERROR: no output file specified in ");
    navFile = ResolveFile(parameters->GetNavFile(), "ERROR: no nav file specified in ");
    if (!navFile.CompareRight(".nav")) navFile.Append(".nav");

    // The run's moment and the process id: a name no other run, killed or
    // alive, makes; each replacement numbers its file under it. The dot
    // keeps the files out of directory listings.
    tempFile = editDirectory + runTime.GetString(".temp%y%M%D%h%m%s.");
    tempFile.Append(static_cast<long>(::getpid()));
    tempFile.Append('.');
}

void Files::CheckDirectory(Str const& path, bool read, bool write) {
    if (directory.Check(path, read, write)) return;
    FatalError(directory.GetErrorText(), path);
}

// The named ACE file, or the one with the greatest version number: the
// number after the first '.' that follows ".ace" in the name (0 when none).
// On equal numbers the first name in byte order wins.
void Files::FindAceFile() {
    if (parameters->IsAceFile()) {
        aceFile = editDirectory + parameters->GetAceFile();
        return;
    }
    Str best;
    long bestVersion = 0;
    bool found = false;
    // A listing cut short could pass over the newest file: it is no answer.
    if (!directory.Open(editDirectory, false))
        FatalError("ERROR: can not list the directory ", editDirectory, ": ", directory.GetOpenError());
    directory.BeginFiles();
    while (directory.GetNextFile(token)) {
        char const* ace = strstr(token.String(), ".ace");
        if (!ace) continue;
        char const* dot = strchr(ace + 1, '.');
        long version = dot ? strtol(dot + 1, nullptr, 10) : 0;  // held at LONG_MAX when longer
        if (found && version <= bestVersion) continue;
        best = token;
        bestVersion = version;
        found = true;
    }
    if (!found) FatalError("ERROR: no ACE file was found in ", editDirectory);
    parameters->SetAceFile(best);
    aceFile = editDirectory + best;
}

// A bare name lies in the edit directory; a name with a path is taken from
// the current directory (or as it stands when absolute), and its directory
// must be writable.
Str Files::ResolveFile(Str const& name, char const* message) {
    if (!name.Contains('/')) return editDirectory + name;
    Str full = name.Compare("/") ? name : currentDirectory + name;
    if (full.CompareRight('/')) FatalError(message, full);
    Str path;
    path.CopyLeft(full, full.FindRight('/') + 1);
    CheckDirectory(path, false, true);
    return full;
}

OutputFiles Files::Outputs() const {
    OutputFiles outputs;
    if (parameters->DoFileOutput()) outputs.Add("the report file ", outFile);
    if (parameters->DoNavFile()) outputs.Add("the navigation file ", navFile);
    return outputs;
}

// The reads of every contig, those of one read too: their files are the
// project's all the same.
void Files::CheckOutputs() {
    OutputFiles outputs = Outputs();
    if (outputs.HasExisting()) {
        outputs.Check("the ACE file ", aceFile);
        assembly->Begin();
        while (Contig* contig = assembly->GetNext()) {
            contig->Begin();
            while (Sequence* read = contig->GetNext()) {
                outputs.Check("the PHD file ", phdDirectory + read->GetPhdFile());
                outputs.Check("the POLY file ", polyDirectory + read->GetName() + PolyFile::Suffix);
            }
        }
    }
    outputs.CheckApart();
    outputs.CheckWritable();
}

int Files::GetScore(int score, bool asRank) const {
    if (!asRank && rankLimit == 0) return score;
    for (int k = 0; k < 5; ++k)
        if (score >= rankThresholds[k]) return k + 1;
    return 6;
}

Str Files::TempName() const {
    Str name;
    name.CopyEnd(tempFile, tempFile.FindRight('/') + 1);
    return name;
}

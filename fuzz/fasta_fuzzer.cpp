// The synthetic writer's FASTA reading: the input is the FASTA file of a
// wendlaric run in a project's edit_dir/; an input of odd length is run with
// -r -abi (only the first record, as a reference, in ABIF). Every file
// the run leaves must be whole: its chromatograms load, its PHD files end
// with END_SEQUENCE, its POLY files have twelve fields on every base line,
// and no PHD file lacks its chromatogram or (outside reference mode) its
// POLY file.
#include <string>
#include <vector>

#include <unistd.h>

#include "harness.h"
#include "phdfile.h"
#include "polyfile.h"
#include "trace.h"

int WendlaricMain(int argc, char** argv);  // synthesizer/main.cpp's main

namespace {

std::string fasta;
std::string chromatDirectory;
std::string phdDirectory;
std::string polyDirectory;
TraceReader* traces;

bool EndsWith(std::string const& text, std::string const& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Has(std::vector<std::string> const& names, std::string const& name) {
    for (std::string const& n : names)
        if (n == name) return true;
    return false;
}

void CheckPoly(std::string const& text) {
    std::size_t start = text.find('\n');
    if (start == std::string::npos) Finding("a POLY file without its header line");
    double factors[4] = {1.0, 1.0, 1.0, 1.0};
    for (std::size_t end; (end = text.find('\n', start + 1)) != std::string::npos; start = end) {
        Str line(text.substr(start + 1, end - start - 1).c_str());
        PolyLine values;
        if (!PolyFile::ParseLine(line, factors, values)) Finding("a POLY line lacks a field");
    }
    if (start + 1 != text.size()) Finding("a POLY file does not end with a line end");
}

// Checks the files of one run, then removes them.
void CheckRun(bool reference, bool abif) {
    std::vector<std::string> chromats = FuzzEntries(chromatDirectory);
    std::vector<std::string> phds = FuzzEntries(phdDirectory);
    std::vector<std::string> polys = FuzzEntries(polyDirectory);
    for (std::string const& name : chromats) {
        Str path((chromatDirectory + name).c_str());
        // A name ending in .gz would be unpacked: its bytes are checked by
        // the other names.
        if (!EndsWith(name, ".gz") && !traces->ReadTraceFile(path)) Finding("a chromatogram that does not load");
    }
    for (std::string const& name : phds) {
        if (!EndsWith(name, ".phd.1")) Finding("a file in phd_dir/ that is no PHD file: " + name);
        std::string read = name.substr(0, name.size() - 6);
        if (!EndsWith(ReadFuzzFile(phdDirectory + name), "END_DNA\nEND_SEQUENCE")) Finding("a PHD file not whole");
        if (!Has(chromats, abif ? read : read + ".scf")) Finding("a PHD file without its chromatogram");
        if (!reference && !Has(polys, read + ".poly")) Finding("a PHD file without its POLY file");
    }
    for (std::string const& name : polys) {
        if (reference) Finding("a POLY file in reference mode");
        if (!EndsWith(name, ".poly")) Finding("a file in poly_dir/ that is no POLY file: " + name);
        if (!Has(phds, name.substr(0, name.size() - 5) + ".phd.1")) Finding("a POLY file without its PHD file");
        CheckPoly(ReadFuzzFile(polyDirectory + name));
    }
    for (std::string const* dir : {&chromatDirectory, &phdDirectory, &polyDirectory})
        for (std::string const& name : FuzzEntries(*dir)) ::unlink((*dir + name).c_str());
}

void Run(std::vector<char const*> arguments) {
    ClearConsole();
    std::vector<std::string> words(arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    int status = 0;
    if (Refused([&] { status = WendlaricMain(static_cast<int>(words.size()), argv.data()); }))
        Finding("wendlaric threw");
    if (status != 0 && ConsoleText().find("ERROR") == std::string::npos) Finding("a failed run without a message");
    bool reference = words.size() > 2;
    CheckRun(reference, reference);
    ExpectEntries(FuzzFolder(), {"home", "edit_dir", "chromat_dir", "phd_dir", "poly_dir"});
    ExpectEntries(FuzzFolder() + "edit_dir/", {"in.fasta"});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    std::string edit = FuzzSubfolder("edit_dir");
    chromatDirectory = FuzzSubfolder("chromat_dir");
    phdDirectory = FuzzSubfolder("phd_dir");
    polyDirectory = FuzzSubfolder("poly_dir");
    fasta = edit + "in.fasta";
    // wendlaric is run in the edit directory and writes beside it.
    if (::chdir(edit.c_str()) != 0) Finding("can not enter " + edit);
    ::setenv("PWD", edit.c_str(), 1);
    traces = new TraceReader;
    CaptureConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    WriteFuzzFile(fasta, data, size);
    if (size % 2 == 0)
        Run({"wendlaric", fasta.c_str()});
    else
        Run({"wendlaric", fasta.c_str(), "-r", "-abi"});
    return 0;
}

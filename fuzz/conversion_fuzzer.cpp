// The conversion of one trace to its PHD and POLY files: the input is the
// only chromatogram of a project, converted by the converter's own pass
// over the chromatogram directory with -overwrite.
#include <string>
#include <vector>

#include <unistd.h>

#include "files.h"
#include "harness.h"
#include "parameters.h"
#include "phdfile.h"
#include "polyfile.h"

namespace {

std::string chromat;
std::string phdPath;
std::string polyPath;
Parameters* parameters;
Files* files;

std::vector<std::string> Lines(std::string const& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) Finding("a file does not end with a line end");
    return lines;
}

// A written pair is whole: the PHD file ends with its END_SEQUENCE line, the
// POLY file has its header and one line of twelve fields per PHD base, at
// the same position, that the detector's readers accept.
void CheckPair() {
    std::vector<std::string> phd = Lines(ReadFuzzFile(phdPath));
    std::vector<std::string> poly = Lines(ReadFuzzFile(polyPath));
    std::size_t begin = 0;
    while (begin < phd.size() && phd[begin] != "BEGIN_DNA") ++begin;
    if (phd.size() < begin + 3 || phd[phd.size() - 2] != "END_DNA" || phd.back() != "END_SEQUENCE")
        Finding("the PHD file is not whole");
    std::size_t bases = phd.size() - 3 - begin;
    if (poly.size() != bases + 1) Finding("the POLY file does not have one line per base");
    double factors[4] = {1.0, 1.0, 1.0, 1.0};
    Str header(poly[0].c_str());
    PolyFile::ParseHeader(header, factors);
    for (std::size_t i = 0; i < bases; ++i) {
        Str base(phd[begin + 1 + i].c_str());
        char letter = 0;
        long quality = 0;
        long position = 0;
        if (!PhdFile::ParseBase(base, letter, quality, position)) Finding("a PHD base line lacks a field");
        Str line(poly[i + 1].c_str());
        PolyLine values;
        if (!PolyFile::ParseLine(line, factors, values)) Finding("a POLY line lacks a field");
        if (values.position != position || line.String()[0] != letter) Finding("PHD and POLY lines disagree");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    std::string project = FuzzFolder();
    chromat = FuzzSubfolder("chromat_dir") + "t.scf";
    phdPath = FuzzSubfolder("phd_dir") + "t.phd.1";
    polyPath = FuzzSubfolder("poly_dir") + "t.poly";
    CaptureConsole();
    // The start-up of trelvik: its defaults, no settings file, -overwrite.
    parameters = new Parameters;
    parameters->SetVersion("1.00");
    parameters->SetBuild("2006.02.07");
    parameters->SetChromatDir("chromat_dir/");
    parameters->SetAceDir("edit_dir/");
    parameters->SetPhdDir("phd_dir/");
    parameters->SetPolyDir("poly_dir/");
    files = new Files;
    Str flags(" -overwrite ");
    if (Refused([&flags] {
            files->Initialize(parameters);
            parameters->ParseFlags("COMMAND LINE ", flags);
            files->SetParameters();
        }))
        Finding("the project was refused");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    ::unlink(phdPath.c_str());
    ::unlink(polyPath.c_str());
    WriteFuzzFile(chromat, data, size);
    if (Refused([] { files->WriteSequenceFiles(); })) Finding("the conversion of one trace ended the run");
    bool phd = FuzzFileExists(phdPath);
    bool poly = FuzzFileExists(polyPath);
    if (phd != poly) Finding("a PHD file without its POLY file, or the reverse");
    if (phd)
        CheckPair();
    else if (ConsoleText().find("ERROR") == std::string::npos)
        Finding("a trace skipped without a message");
    if (phd) {
        ExpectEntries(FuzzFolder() + "phd_dir/", {"t.phd.1"});
        ExpectEntries(FuzzFolder() + "poly_dir/", {"t.poly"});
    } else {
        ExpectEntries(FuzzFolder() + "phd_dir/", {});
        ExpectEntries(FuzzFolder() + "poly_dir/", {});
    }
    ExpectEntries(FuzzFolder(), {"home", "chromat_dir", "phd_dir", "poly_dir"});
    ExpectEntries(FuzzFolder() + "chromat_dir/", {"t.scf"});
    return 0;
}

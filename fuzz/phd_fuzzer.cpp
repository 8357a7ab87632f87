// The PHD reader: the input is the PHD file of both reads of a small
// assembly, one forward and one complemented, as long as the input has base
// lines (at least one), so that every input reaches the bases and the tags.
#include <string>

#include "detector_project.h"
#include "harness.h"

namespace {

std::string ace;
std::string phdDirectory;
ProjectFiles* files;

// The first letters of the text lines between the BEGIN_DNA line and the
// END_DNA line, as the reader takes them; unknown letters become n.
std::string BaseLetters(std::string const& text) {
    std::string bases;
    std::size_t at = text.compare(0, 9, "BEGIN_DNA") == 0 ? 0 : text.find("\nBEGIN_DNA");
    if (at == std::string::npos) return "n";
    at = text.find('\n', at + 1);
    while (at != std::string::npos && at + 1 < text.size() && bases.size() < 100000) {
        std::size_t start = at + 1;
        at = text.find('\n', start);
        std::string line = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
        if (line.compare(0, 7, "END_DNA") == 0) break;
        if (line.find_first_not_of(" \t\r\v\f") == std::string::npos) continue;
        char letter = line[0];
        bases += std::string("acgtnACGTN").find(letter) == std::string::npos ? 'n' : letter;
    }
    return bases.empty() ? "n" : bases;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    ace = FuzzFolder() + "edit.ace";
    phdDirectory = FuzzSubfolder("phd_dir");
    FuzzSubfolder("poly_dir");
    CaptureConsole();
    files = new ProjectFiles;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    std::string text(reinterpret_cast<char const*>(data), size);
    WriteFuzzFile(ace, TwoReadAce(BaseLetters(text), "in.phd.1"));
    WriteFuzzFile(phdDirectory + "in.phd.1", data, size);
    Assembly model;
    files->Use(model, ace, phdDirectory, FuzzFolder() + "poly_dir/");
    if (Refused([] { files->ReadAceFile(); })) Finding("the assembly was refused");
    if (!Refused([] { files->ReadSequenceFiles(); })) CheckSites(model);
    ExpectEntries(FuzzFolder(), {"home", "edit.ace", "phd_dir", "poly_dir"});
    ExpectEntries(phdDirectory, {"in.phd.1"});
    return 0;
}

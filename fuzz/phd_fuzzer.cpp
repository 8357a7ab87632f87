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
    WriteFuzzFile(ace, TwoReadAce(BaseLetters(text), "in.phd.1", "in.phd.1"));
    WriteFuzzFile(phdDirectory + "in.phd.1", data, size);
    Assembly model;
    files->Use(model, ace, phdDirectory, FuzzFolder() + "poly_dir/");
    if (Refused([] { files->ReadAceFile(); })) Finding("the assembly was refused");
    if (!Refused([] { files->ReadSequenceFiles(); })) CheckSites(model);
    ExpectEntries(FuzzFolder(), {"home", "edit.ace", "phd_dir", "poly_dir"});
    ExpectEntries(phdDirectory, {"in.phd.1"});
    return 0;
}

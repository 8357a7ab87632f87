// The ACE reader: the input is the assembly file.
#include <string>

#include "detector_project.h"
#include "harness.h"

namespace {

std::string ace;
ProjectFiles* files;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    ace = FuzzFolder() + "edit.ace";
    CaptureConsole();
    files = new ProjectFiles;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    WriteFuzzFile(ace, data, size);
    Assembly model;
    files->Use(model, ace, FuzzFolder(), FuzzFolder());
    if (!Refused([] { files->ReadAceFile(); })) CheckSites(model);
    ExpectEntries(FuzzFolder(), {"home", "edit.ace"});
    return 0;
}

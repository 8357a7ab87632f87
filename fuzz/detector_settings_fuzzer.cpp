// The detector's settings file: the input is ".quorvalixrc" in the current
// directory of a small project; its keys and flag lines are applied and the
// project's paths resolved, as a run does before reading the assembly.
#include <string>

#include "detector_project.h"
#include "harness.h"

namespace {

std::string settingsFile;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    settingsFile = FuzzFolder() + ".quorvalixrc";
    MakeProject();
    CaptureConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    WriteFuzzFile(settingsFile, data, size);
    StartRun(nullptr);
    CheckProject(".quorvalixrc");
    return 0;
}

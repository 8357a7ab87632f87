// The detector's settings file: the input is ".quorvalixrc" in the current
// directory of a small project; its keys and flag lines are applied and the
// project's paths resolved, as a run does before reading the assembly.
#include <string>

#include "detector_project.h"
#include "harness.h"

namespace {

std::string settingsFile;

// The ranks follow the thresholds in order: the first one a score reaches.
void CheckRanks(RunFiles& files) {
    for (int score = -1; score <= 100; ++score) {
        int rank = files.GetScore(score, true);
        if (rank < 1 || rank > 6) Finding("a rank outside 1 to 6");
    }
}

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
    Assembly model;
    Parameters settings;
    SetStartUpDefaults(settings);
    static RunFiles files;
    files.Restart();
    if (!Refused([&] {
            files.Initialize(&model, &settings);
            files.SetParameters();
        }))
        CheckRanks(files);
    CheckProject(".quorvalixrc");
    return 0;
}

// The detector's command line: the input is its arguments, separated by NUL
// bytes; they are joined as the run joins them and applied to a small
// project after its settings (no settings file), then the paths resolved.
#include <string>

#include "detector_project.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    MakeProject();
    CaptureConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    // Every argument framed by blanks; -version and -help end the run
    // before the parser.
    Str arguments(" ");
    std::string text(reinterpret_cast<char const*>(data), size);
    for (std::size_t start = 0, end; start <= text.size(); start = end + 1) {
        end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        arguments.Append(text.substr(start, end - start).c_str());
        arguments.Append(' ');
    }
    if (arguments.Contains(" -version ") || arguments.Contains(" -h ") || arguments.Contains(" -help ")) return 0;
    Assembly model;
    Parameters settings;
    SetStartUpDefaults(settings);
    static RunFiles files;
    files.Restart();
    if (!Refused([&] {
            files.Initialize(&model, &settings);
            settings.ParseFlags("COMMAND LINE ", arguments);
            files.SetParameters();
        })) {
        float limit = settings.GetScoreLimit();
        if (!(limit >= 0.0f && limit <= 99.0f)) Finding("a score limit outside 0 to 99");
        if (settings.GetRankLimit() < 0 || settings.GetRankLimit() > 6) Finding("a rank limit outside 0 to 6");
        if (settings.GetVerbosity() < 0 || settings.GetVerbosity() > 2) Finding("a verbosity outside 0 to 2");
    }
    CheckProject(nullptr);
    return 0;
}

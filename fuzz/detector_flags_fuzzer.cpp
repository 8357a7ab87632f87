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
    StartRun(&arguments);
    CheckProject(nullptr);
    return 0;
}

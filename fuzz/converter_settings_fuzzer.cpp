// The converter's settings file: the input is ".trelvikrc" in the current
// directory of a small project; its keys and flag lines are applied and the
// project's directories resolved, as a run does before converting.
#include <string>

#include "files.h"
#include "harness.h"
#include "parameters.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    FuzzSubfolder("chromat_dir");
    FuzzSubfolder("phd_dir");
    FuzzSubfolder("poly_dir");
    CaptureConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    WriteFuzzFile(FuzzFolder() + ".trelvikrc", data, size);
    // The start-up of trelvik.
    Parameters settings;
    settings.SetVersion("1.00");
    settings.SetBuild("2006.02.07");
    settings.SetChromatDir("chromat_dir/");
    settings.SetAceDir("edit_dir/");
    settings.SetPhdDir("phd_dir/");
    settings.SetPolyDir("poly_dir/");
    static Files files;  // its settings and directories are set anew by every run
    if (!Refused([&] {
            files.Initialize(&settings);
            files.SetParameters();
        })) {
        Str list;
        if (settings.GetFileList(list) && list.Length() == 0) Finding("an empty list file name");
        if (!settings.GetWorkDirectory().CompareRight('/') && settings.GetWorkDirectory().Length() > 0)
            Finding("a work directory without its '/'");
    }
    ExpectEntries(FuzzFolder(), {"home", "chromat_dir", "phd_dir", "poly_dir", ".trelvikrc"});
    for (char const* dir : {"chromat_dir/", "phd_dir/", "poly_dir/", "home/"}) ExpectEntries(FuzzFolder() + dir, {});
    return 0;
}

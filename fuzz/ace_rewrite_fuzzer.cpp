// The tag rewrite of an ACE file: the input is the ACE file of a project
// whose PHD and POLY files are fixed (those of fuzz/project/ and of the
// detector tests' project, read once at the start). Each input is read,
// analysed, given sites by hand, updated twice and cleared (rewrite.h).
#include <string>

#include "harness.h"
#include "rewrite.h"

namespace {

ProjectBytes project;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    for (char const* source : {FUZZ_PROJECT, TESTS_PROJECT})
        for (std::string folder : {"phd_dir/", "poly_dir/"})
            for (std::string const& name : FuzzEntries(source + folder))
                project[folder + name] = ReadFuzzFile(source + folder + name);
    CaptureConsole();
    StartRewrite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    project["edit_dir/a.ace"].assign(reinterpret_cast<char const*>(data), size);
    CheckRewrite(project, size);
    return 0;
}

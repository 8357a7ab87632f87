#include "trelvik.h"

#include <iostream>

#include "fatalsignal.h"

char const* const Trelvik::ContactLine =
    " Please report it to the quorvalix developers, with the command line and the trace files used.";

namespace {

Str Rule(long width) { return Str('-', width); }

}  // namespace

Trelvik::Trelvik() {
    InstallSignalExit(ContactLine);
    parameters.SetVersion("1.00");
    parameters.SetBuild("2006.02.07");
    parameters.SetChromatDir("chromat_dir/");
    parameters.SetAceDir("edit_dir/");
    parameters.SetPhdDir("phd_dir/");
    parameters.SetPolyDir("poly_dir/");
}

void Trelvik::Run(int argc, char** argv) {
    std::cerr << "\nTRELVIK   Version " << parameters.GetVersion() << std::endl;
    files.Initialize(&parameters);
    // Every word of the command line framed by blanks.
    Str arguments(" ");
    for (int i = 1; i < argc; ++i) {
        arguments.Append(argv[i]);
        arguments.Append(' ');
    }
    if (arguments.Contains(" -version ")) {
        std::cerr << "Build " << parameters.GetBuild() << "\n" << std::endl;
        return;
    }
    std::cerr << Rule(62) << std::endl;
    if (arguments.Contains(" -h ") || arguments.Contains(" -help ")) {
        ShowHelp();
        return;
    }
    parameters.ParseFlags("COMMAND LINE ", arguments);
    files.SetParameters();
    files.WriteSequenceFiles();
}

void Trelvik::ShowHelp() {
    std::cerr << " flag               function"
              << "\n ---------------    ----------------------------"
              << "\n -dir       (-d)    set the data directory"
              << "\n -help      (-h)    print this information"
              << "\n -list      (-l)    set the chomat list file"
              << "\n -overwrite (-o)    overwrite existing files"
              << "\n -version           print Trelvik version"
              << "\n"
              << Rule(62) << "\n"
              << std::endl;
}

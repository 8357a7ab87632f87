#include "trelvik.h"

#include <iostream>

#include "commandline.h"
#include "fatalsignal.h"

char const* const Trelvik::ContactLine =
    " Please report it to the quorvalix developers, with the command line and the trace files used.";

Trelvik::Trelvik() {
    InstallSignalExit(ContactLine);
    parameters.SetVersion("1.00");
    parameters.SetBuild("2006.02.07");
    parameters.SetChromatDir("chromat_dir/");
    parameters.SetAceDir("edit_dir/");
    parameters.SetPhdDir("phd_dir/");
    parameters.SetPolyDir("poly_dir/");
}

bool Trelvik::Run(int argc, char** argv) {
    std::cerr << "\nTRELVIK   Version " << parameters.GetVersion() << std::endl;
    files.Initialize(&parameters);
    CommandLine line(argc, argv);
    if (line.Answers(parameters.GetBuild(), [this] { ShowHelp(); })) return true;
    parameters.ParseFlags("COMMAND LINE ", line.GetWords());
    files.SetParameters();
    return files.WriteSequenceFiles();
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
              << CommandLine::Rule() << "\n"
              << std::endl;
}

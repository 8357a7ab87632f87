// The variant detector's main object: it owns the assembly, the project
// files and the settings, and drives one run.
#ifndef DETECTOR_QUORVALIX_H
#define DETECTOR_QUORVALIX_H

#include "contig.h"
#include "files.h"
#include "parameters.h"

class Quorvalix {
public:
    // Where users are asked to report a fault; ends the error banners.
    static char const* const ContactLine;

    // Installs the fatal-signal handler and sets the start-up defaults.
    Quorvalix();
    // Banner, settings file, command line, paths, then either the clearing
    // of the detector's tags or the whole analysis with its outputs. A
    // fatal error is thrown as the integer 1 after its message.
    void Run(int argc, char** argv);
    // The option table, with the values the settings file gave.
    void ShowHelp();
    // The settings a run starts from, before the settings file.
    static void SetStartUpDefaults(Parameters& parameters);

private:
    Assembly assembly;
    Files files;
    Parameters parameters;
};

#endif

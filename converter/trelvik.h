// The trace converter's main object: it owns the settings and the project
// files and drives one run.
#ifndef CONVERTER_TRELVIK_H
#define CONVERTER_TRELVIK_H

#include "files.h"
#include "parameters.h"

class Trelvik {
public:
    // Where users are asked to report a fault; ends the error banners.
    static char const* const ContactLine;

    Trelvik();
    // Banner, settings file, command line, directories, then the
    // conversion of every trace. A fatal error is thrown as the integer 1
    // after its message. False when some trace could not be read or
    // converted for want of memory, or some output could not be written.
    bool Run(int argc, char** argv);

private:
    void ShowHelp();

    Files files;
    Parameters parameters;
};

#endif

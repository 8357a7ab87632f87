// The trace converter trelvik: SCF and ABIF chromatograms to PHD and POLY
// files. Exit status 0 after a completed run, -help and -version; 1 after a
// fatal error, and after a run in which some trace could not be read or
// converted for want of memory, or some PHD or POLY file could not be
// written.
#include <iostream>

#include "trelvik.h"

namespace {

int const Completed = 0;
int const Failed = 1;

}  // namespace

int main(int argc, char** argv) {
    Trelvik trelvik;
    try {
        return trelvik.Run(argc, argv) ? Completed : Failed;
    } catch (int) {
        std::cerr << "\n\nTRELVIK is terminating.\n" << std::endl;
    } catch (...) {
        std::cerr << "\n A string error has occurred.\n" << Trelvik::ContactLine << "\n" << std::endl;
    }
    return Failed;
}

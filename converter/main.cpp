// The trace converter trelvik: SCF and ABIF chromatograms to PHD and POLY
// files. Exit status 0 after a completed run, -help and -version; 1 after a
// fatal error.
#include <iostream>

#include "trelvik.h"

int main(int argc, char** argv) {
    Trelvik trelvik;
    try {
        trelvik.Run(argc, argv);
    } catch (int) {
        std::cerr << "\n\nTRELVIK is terminating.\n" << std::endl;
        return 1;
    } catch (...) {
        std::cerr << "\n A string error has occurred.\n" << Trelvik::ContactLine << "\n" << std::endl;
        return 1;
    }
    return 0;
}

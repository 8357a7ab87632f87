// The variant detector quorvalix. Exit status 0 after a completed run,
// -clear, -help and -version; 1 after a fatal error; the signal number
// after a fatal signal.
#include <iostream>

#include "quorvalix.h"

int main(int argc, char** argv) {
    Quorvalix quorvalix;
    try {
        quorvalix.Run(argc, argv);
    } catch (int) {
        std::cerr << "\n\nQUORVALIX is terminating.\n" << std::endl;
        return 1;
    } catch (...) {
        std::cerr << "\n A string error has occurred.\n" << Quorvalix::ContactLine << "\n" << std::endl;
        return 1;
    }
    return 0;
}

// The fatal error of the detector and the converter: its message goes to
// standard error and the integer 1 is thrown, which main catches to end the
// run.
#ifndef SUPPORT_FATALERROR_H
#define SUPPORT_FATALERROR_H

#include <iostream>

// Writes the parts of the message one after the other, without a line end
// (main's catch closes the line), and ends the run.
template <class... Parts>
[[noreturn]] void FatalError(Parts const&... parts) {
    (std::cerr << ... << parts);
    throw 1;
}

// The same with a line end after the message.
template <class... Parts>
[[noreturn]] void FatalErrorLine(Parts const&... parts) {
    (std::cerr << ... << parts) << std::endl;
    throw 1;
}

#endif

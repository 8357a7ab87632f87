#include "progress.h"

#include <cstdio>
#include <cstring>

#include "str.h"

void Progress::Set(long steps, double total) {
    nextPercent = 1;
    percentDone = 0;
    percentStep = steps > 0 ? total / steps : 1.0;
}

void Progress::Begin() {
    nextPercent = 1;
    percentDone = 0;
    Print();
}

void Progress::Next() {
    percentDone += percentStep;
    if (percentDone > nextPercent) {
        Print();
        nextPercent = static_cast<long>(percentDone) + 1;
    }
}

// The percentage right-aligned in 4 characters; then the cursor goes one
// line up and the line end brings it back to the start of this line, so the
// next line overwrites it.
void Progress::Print() const {
    char number[Str::NumberSize];
    for (long n = Str::IntegerText(nextPercent, number); n < 4; ++n) std::fputc(' ', stderr);
    std::fputs(number, stderr);
    std::fputs("% done\033[A\n", stderr);
    std::fflush(stderr);
}

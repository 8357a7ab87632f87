#include "progress.h"

#include <cstdio>

#include "str.h"

void Progress::Set(long steps, double total) {
    SetNext(1);
    percentDone = 0;
    percentStep = steps > 0 ? total / steps : 1.0;
}

void Progress::Begin() {
    SetNext(1);
    percentDone = 0;
    Print();
}

void Progress::SetNext(long percent) {
    nextPercent = percent;
    threshold = static_cast<double>(percent);
}

void Progress::Passed() {
    Print();
    SetNext(static_cast<long>(percentDone) + 1);
}

// The percentage right-aligned in 4 characters; then the cursor goes one
// line up and the line end brings it back to the start of this line, so the
// next line overwrites it. The line goes out in one write.
void Progress::Print() const {
    char number[Str::NumberSize];
    long digits = Str::IntegerText(nextPercent, number);
    char line[4 + Str::NumberSize + 16];
    char* p = line;
    for (long n = digits; n < 4; ++n) *p++ = ' ';
    for (long i = 0; i < digits; ++i) *p++ = number[i];
    for (char const* tail = "% done\033[A\n"; *tail; ++tail) *p++ = *tail;
    std::fwrite(line, 1, static_cast<size_t>(p - line), stderr);
    std::fflush(stderr);
}

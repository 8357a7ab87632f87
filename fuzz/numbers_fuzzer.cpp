// The numbers of the readers' fields: Str's conversions of a text and the
// Parser's number tokens give, for any input, exactly what strtol and strtod
// give (the same long, the same double bit for bit, a NaN of the same
// sign), and every form of a token read leaves the cursor in one place.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "harness.h"
#include "parser.h"
#include "str.h"

namespace {

bool SameDouble(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectLibrary(char const* from, char const* to, char const* what) {
    std::string text(from, static_cast<std::size_t>(to - from));
    if (Str::ParseInteger(from, to) != std::strtol(text.c_str(), nullptr, 10))
        Finding(std::string("an integer other than strtol's: ") + what);
    if (!SameDouble(Str::ParseFloat(from, to), std::strtod(text.c_str(), nullptr)))
        Finding(std::string("a double other than strtod's: ") + what);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    char const* bytes = reinterpret_cast<char const*>(data);
    ExpectLibrary(bytes, bytes + size, "the whole input");

    Str text(std::string(bytes, size).c_str());  // up to a NUL, as a line is
    Parser copies(text);
    Parser views(text);
    Parser longs(text);
    Parser doubles(text);
    Str token;
    for (;;) {
        bool found = copies.GetToken(token);
        char const* from = nullptr;
        char const* to = nullptr;
        long integer = 0;
        double number = 0;
        if (views.GetToken(from, to) != found || longs.GetToken(integer) != found ||
            doubles.GetToken(number) != found)
            Finding("the forms of a token read disagree on its presence");
        if (std::string(from, to) != token.String()) Finding("a token view other than its copy");
        ExpectLibrary(token.String(), token.String() + token.Length(), "a token");
        if (integer != std::strtol(token.String(), nullptr, 10)) Finding("a long token other than strtol's");
        if (!SameDouble(number, std::strtod(token.String(), nullptr))) Finding("a double token other than strtod's");
        if (views.Get() != copies.Get() || longs.Get() != copies.Get() || doubles.Get() != copies.Get())
            Finding("the forms of a token read leave the cursor in different places");
        if (!found) break;
    }
    return 0;
}

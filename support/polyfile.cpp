#include "polyfile.h"

#include <algorithm>
#include <climits>
#include <cmath>


char const* const PolyFile::Suffix = ".poly";

// Truncation toward zero, held at the limits of a long; a value that is not
// a number (a damaged file) gives 0.
static long Truncate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775808.0) return LONG_MAX;
    if (value <= -9223372036854775808.0) return LONG_MIN;
    return static_cast<long>(value);
}

void PolyFile::WriteHeader(FileWriter& out, Str const& name) {
    out.Append(name);
    out.Append(" 1 1 1 1 1\n");
}

void PolyFile::WriteLine(FileWriter& out, char base, long position, long calledArea, char uncalledBase,
                         long uncalledPosition, long uncalledArea, long const amplitudes[4]) {
    // The line is put together here and handed over at once.
    char line[12 * Str::NumberSize];
    char* p = line;
    *p++ = base;
    *p++ = ' ';
    p += Str::IntegerText(position, p);
    *p++ = ' ';
    p += Str::IntegerText(calledArea, p);
    p = std::copy_n(" 0 ", 3, p);
    *p++ = uncalledBase;
    *p++ = ' ';
    p += Str::IntegerText(uncalledPosition, p);
    *p++ = ' ';
    p += Str::IntegerText(uncalledArea, p);
    p = std::copy_n(" 0 ", 3, p);
    for (int k = 0; k < 4; ++k) {
        p += Str::IntegerText(amplitudes[k], p);
        *p++ = k < 3 ? ' ' : '\n';
    }
    out.AppendByte(line, p - line);
}

void PolyFile::WriteSyntheticLine(FileWriter& out, char base, long position) {
    out.AppendToken(base);
    out.Append(position);
    out.Append(" 300000 1 N  -1  -1 -1 ");
    switch (base) {
    case 'A': out.Append("60000 0 0 0\n"); break;
    case 'C': out.Append("0 60000 0 0\n"); break;
    case 'G': out.Append("0 0 60000 0\n"); break;
    case 'T': out.Append("0 0 0 60000\n"); break;
    default: out.Append("0 0 0 0\n"); break;
    }
}

void PolyFile::ParseHeader(Str& line, double factors[4]) {
    Parser parser(line);
    char const* from;
    char const* to;
    parser.GetToken(from, to);  // the read name
    double reference = 0;
    parser.GetToken(reference);
    for (int k = 0; k < 4; ++k) {
        double scale = 0;
        parser.GetToken(scale);
        factors[k] = reference == 0 ? 1.0 : scale / reference;
        if (factors[k] == 0) factors[k] = 1.0;
    }
}

bool PolyFile::ParseLine(Str& line, double const factors[4], PolyLine& values) {
    Parser parser(line);
    values.position = ParsePosition(parser);
    return ParseRest(parser, factors, values);
}

long PolyFile::ParsePosition(Parser& parser) {
    parser.SkipToken(1);
    long position = 0;
    parser.GetToken(position);
    return position;
}

// Upper case as toupper has it in the C locale.
static char UpperCase(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

bool PolyFile::ParseRest(Parser& parser, double const factors[4], PolyLine& values) {
    parser.GetToken(values.calledArea);
    parser.SkipToken(1);
    char const* from;
    char const* to;
    parser.GetToken(from, to);
    values.uncalledBase = UpperCase(*from);  // NUL when the line ends before column 5
    if (values.uncalledBase == 'N') {
        parser.SkipToken(3);
        values.uncalledPosition = 0;
        values.uncalledArea = 0;
    } else {
        parser.GetToken(values.uncalledPosition);
        parser.GetToken(values.uncalledArea);
        parser.SkipToken(1);
    }
    for (int k = 0; k < 4; ++k) {
        double amplitude = 0;
        if (!parser.GetToken(amplitude)) return false;  // the line stops before column 12
        values.amplitudes[k] = Truncate(amplitude * factors[k]);
    }
    return true;
}

#include "polyfile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

#include "parser.h"

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
    Str token;
    parser.GetToken(token);  // the read name
    parser.GetToken(token);
    double reference = token.ToFloat();
    for (int k = 0; k < 4; ++k) {
        parser.GetToken(token);
        double scale = token.ToFloat();
        factors[k] = reference == 0 ? 1.0 : scale / reference;
        if (factors[k] == 0) factors[k] = 1.0;
    }
}

long PolyFile::ParsePosition(Str& line) {
    Parser parser(line);
    Str token;
    parser.SkipToken(1);
    parser.GetToken(token);
    return static_cast<long>(token);
}

bool PolyFile::ParseLine(Str& line, double const factors[4], PolyLine& values) {
    Parser parser(line);
    Str token;
    parser.SkipToken(1);
    parser.GetToken(token);
    values.position = static_cast<long>(token);
    parser.GetToken(token);
    values.calledArea = static_cast<long>(token);
    parser.SkipToken(1);
    parser.GetToken(token);
    values.uncalledBase = static_cast<char>(std::toupper(static_cast<unsigned char>(token.String()[0])));
    if (values.uncalledBase == 'N') {
        parser.SkipToken(3);
        values.uncalledPosition = 0;
        values.uncalledArea = 0;
    } else {
        parser.GetToken(token);
        values.uncalledPosition = static_cast<long>(token);
        parser.GetToken(token);
        values.uncalledArea = static_cast<long>(token);
        parser.SkipToken(1);
    }
    for (int k = 0; k < 4; ++k) {
        if (!parser.GetToken(token)) return false;  // the line stops before column 12
        values.amplitudes[k] = Truncate(token.ToFloat() * factors[k]);
    }
    return true;
}

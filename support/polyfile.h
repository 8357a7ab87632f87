// The POLY peak file: a header line "name X t1 t2 t3 t4", then one line of
// twelve fields per called base in trace order:
//   base position calledArea 0 uncalledBase uncalledPosition uncalledArea 0 A C G T
// This is the one place that knows the layout; the converter and the
// synthetic writer write POLY files through it and the detector reads them.
#ifndef SUPPORT_POLYFILE_H
#define SUPPORT_POLYFILE_H

#include "filewriter.h"
#include "parser.h"
#include "str.h"

// The values of one base line as the detector uses them.
struct PolyLine {
    long position;          // column 2
    long calledArea;        // column 3
    char uncalledBase;      // first character of column 5, upper case
    long uncalledPosition;  // column 6; 0 when the uncalled base is 'N'
    long uncalledArea;      // column 7; 0 when the uncalled base is 'N'
    long amplitudes[4];     // columns 9 to 12 (A, C, G, T) times their factors
};

class PolyFile {
public:
    static char const* const Suffix;  // ".poly", after the read name

    // "name 1 1 1 1 1\n": every amplitude factor 1.
    static void WriteHeader(FileWriter& out, Str const& name);
    // A base line computed from a trace.
    static void WriteLine(FileWriter& out, char base, long position, long calledArea, char uncalledBase,
                          long uncalledPosition, long uncalledArea, long const amplitudes[4]);
    // A base line for an ideal synthetic peak of the given letter.
    static void WriteSyntheticLine(FileWriter& out, char base, long position);

    // The four amplitude factors t_k / X of a header line; all 1 when X is
    // 0, and a factor of exactly 0 becomes 1.
    static void ParseHeader(Str& line, double factors[4]);
    // A whole base line; false when it has fewer than twelve fields.
    static bool ParseLine(Str& line, double const factors[4], PolyLine& values);
    // The same in two steps on one parser of the line, for a reader that
    // reads the rest only of a line it joins to a base: columns 1 and 2
    // (the position), then columns 3 to 12 (false when the line stops
    // before column 12).
    static long ParsePosition(Parser& parser);
    static bool ParseRest(Parser& parser, double const factors[4], PolyLine& values);
};

#endif

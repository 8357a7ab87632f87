// Text type of the whole suite.
#ifndef SUPPORT_STR_H
#define SUPPORT_STR_H

#include <iosfwd>

#include "charclass.h"

// Owned, growable, NUL-terminated character string. Errors are thrown as
// the message text (char const*).
class Str {
    friend class Parser;
    friend class FileReader;

public:
    Str();
    explicit Str(long reserve);  // empty text with room for `reserve` characters
    Str(Str const& other);
    explicit Str(Str const* other);
    Str(char const* text);
    Str(char ch, long count);
    ~Str();

    long Length() const { return length; }
    char* String() const { return buffer; }
    operator char*() const { return buffer; }
    explicit operator char() const { return buffer[0]; }
    char Get(long pos) const;
    bool HasContent() const;
    // The leading integer (0 when there is none), held at the limits of the
    // type when the number lies beyond them.
    explicit operator int() const { return ToInteger(); }
    explicit operator long() const;
    int ToInteger() const;
    double ToFloat() const;
    bool IsNumber() const;
    // The leading number of the text from `from` up to `to` (a token, or a
    // text up to its NUL), without a copy: as strtol reads it in base 10,
    // held at the limits of a long beyond them, and as strtod reads it,
    // rounded the same way. 0 when the text holds no number.
    static long ParseInteger(char const* from, char const* to);
    static double ParseFloat(char const* from, char const* to);

    void Clear();
    void SetSize(long n);
    void SetLength(long n);

    // Compare: the text starts with x (from pos).
    bool Compare(Str const& x) const;
    bool Compare(Str const* x) const;
    bool Compare(char const* x) const;
    bool Compare(Str const& x, long pos) const;
    bool Compare(Str const* x, long pos) const;
    bool Compare(char const* x, long pos) const;
    // CompareRight: the text ends with x and is longer than x.
    bool CompareRight(Str const& x) const;
    bool CompareRight(Str const* x) const;
    bool CompareRight(char const* x) const;
    bool CompareRight(char ch) const;
    bool Contains(Str const& x) const;
    bool Contains(Str const* x) const;
    bool Contains(char const* x) const;
    bool Contains(char ch) const;
    bool operator==(char const* x) const;
    bool operator==(Str const& x) const;
    bool operator==(char ch) const;
    bool operator!=(char const* x) const;
    bool operator<(Str const& x) const;
    bool Equals(Str const& x) const;
    bool Equals(Str const* x) const;
    bool IsLessThan(Str const* x) const;
    bool IsGreaterThan(Str const* x) const;
    bool Find(char ch, long& pos) const;
    long FindRight(char ch) const;

    Str& operator=(Str const& x);
    Str& operator=(char const* x);
    Str& operator=(char x);
    Str& operator=(long x);
    Str& operator=(int x) { return operator=(static_cast<long>(x)); }
    Str& operator=(double x);
    void Copy(Str const& x);
    void Copy(Str const* x);
    void Copy(char const* x);
    void Copy(char x);
    void Copy(long x);
    void Copy(int x) { Copy(static_cast<long>(x)); }
    void Copy(double x);
    void Copy(char const* x, long n);
    void CopyLeft(Str const& src, long n);
    void CopyLeft(Str const* src, long n);
    void CopyLeft(char const* src, long n);
    void CopyMid(Str const& src, long pos, long n);
    void CopyMid(Str const* src, long pos, long n);
    void CopyEnd(Str const& src, long pos);
    void CopyEnd(Str const* src, long pos);
    void CopyEnd(char const* src, long pos);
    char* CopyToChar() const;  // new array, freed by the caller with delete[]

    Str operator+(Str const& x) const;
    void Append(Str const& x);
    void Append(Str const* x);
    void Append(char const* x);
    void Append(char x);
    void Append(long x);
    void Append(int x) { Append(static_cast<long>(x)); }
    void Append(double x);
    void AppendLine();
    void AppendLine(Str const& x);
    void AppendLine(Str const* x);
    void AppendLine(char const* x);
    void AppendLine(char x);
    void AppendLine(long x);
    void AppendLine(int x) { AppendLine(static_cast<long>(x)); }
    void AppendLine(double x);
    void AppendToken(Str const& x, char sep = ' ');
    void AppendToken(Str const* x, char sep = ' ');
    void AppendToken(char const* x, char sep = ' ');
    void AppendToken(char x, char sep = ' ');
    void AppendToken(long x, char sep = ' ');
    void AppendToken(int x, char sep = ' ') { AppendToken(static_cast<long>(x), sep); }
    void AppendToken(double x, char sep = ' ');

    // Overwrites from pos with at most n characters of x, growing the text.
    void Replace(Str const& x, long pos, long n);
    void Replace(Str const* x, long pos, long n);
    void Replace(char const* x, long pos, long n);
    void DeleteRight(long n);
    void DeleteEnd(long pos);
    void UpperCase();
    void RemoveEndSpaces();
    void Fill(char ch, long n);
    void Reverse();

    // Number texts used in every file the programs write. The results are
    // new arrays that the caller frees with delete[].
    static char* ConvertInteger(long value);
    static char* ConvertFloat(double value);
    // The same texts written into the caller's array, which must hold
    // NumberSize bytes; the result is the text's length.
    static int const NumberSize = 24;
    static long IntegerText(long value, char* text);
    static long FloatText(double value, char* text);

    [[noreturn]] static void AlError();
    // The text AlError throws, which tells a failed allocation from the
    // other failures.
    static char const AllocationError[];
    [[noreturn]] static void RaError();
    [[noreturn]] static void NvError();

private:
    // The common case of the readers, a plain integer of up to `most`
    // digits, perhaps with a '-', and nothing after it that continues a
    // number: true with its value. False for every other text.
    static bool ParsePlain(char const* from, char const* to, int most, bool floating, unsigned long& magnitude,
                           bool& negative);
    static long ParseAnyInteger(char const* from, char const* to);
    static double ParseAnyFloat(char const* from, char const* to);
    void SetText(char const* text, long n, bool exactFit);
    void Assign(char const* text, long n);     // exact fit
    void CopyBytes(char const* text, long n);  // grow only
    void AppendBytes(char const* text, long n);  // doubling
    static char* Allocate(long n);

    char* buffer;
    long length;
    long size;
};

std::ostream& operator<<(std::ostream& out, Str const& text);

inline bool Str::ParsePlain(char const* from, char const* to, int most, bool floating, unsigned long& magnitude,
                            bool& negative) {
    negative = from != to && *from == '-';
    char const* first = from + (negative ? 1 : 0);
    char const* p = first;
    magnitude = 0;
    while (p != to && p - first < most && CharClass::IsDigit(static_cast<unsigned char>(*p)))
        magnitude = magnitude * 10 + static_cast<unsigned long>(*p++ - '0');
    if (p == first) return false;
    if (p == to) return true;
    char next = *p;
    if (CharClass::IsDigit(static_cast<unsigned char>(next))) return false;  // more digits than `most`
    return !floating || (next != '.' && next != 'e' && next != 'E' && next != 'x' && next != 'X');
}

// Up to 18 digits fit a long.
inline long Str::ParseInteger(char const* from, char const* to) {
    unsigned long magnitude;
    bool negative;
    if (!ParsePlain(from, to, 18, false, magnitude, negative)) return ParseAnyInteger(from, to);
    return negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
}

// Up to 15 digits: the integer itself, which a double holds exactly, as
// strtod gives it (-0 included).
inline double Str::ParseFloat(char const* from, char const* to) {
    unsigned long magnitude;
    bool negative;
    if (!ParsePlain(from, to, 15, true, magnitude, negative)) return ParseAnyFloat(from, to);
    double value = static_cast<double>(magnitude);
    return negative ? -value : value;
}

#endif

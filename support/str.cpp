#include "str.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>
#include <string>

#include "charclass.h"

static bool IsSpace(char ch) { return CharClass::IsSpace(static_cast<unsigned char>(ch)); }
static bool IsDigit(char ch) { return CharClass::IsDigit(static_cast<unsigned char>(ch)); }
static long TextLength(char const* text) { return text ? static_cast<long>(std::strlen(text)) : 0; }
static char const* Text(char const* text) { return text ? text : ""; }


// ---------------------------------------------------------------- errors

char const Str::AllocationError[] = "ERROR: String can not be allocated.";

void Str::AlError() { throw AllocationError; }
void Str::RaError() { throw "ERROR: String position is out of range"; }
void Str::NvError() { throw "ERROR: String parameter is invalid"; }

char* Str::Allocate(long n) {
    if (n < 1) NvError();
    char* block = new (std::nothrow) char[n];
    if (!block) AlError();
    return block;
}

// ---------------------------------------------------------------- growth rules

// Replaces the text by n bytes. Exact fit: the buffer becomes exactly n + 1
// bytes; grow only: a new buffer of n + 1 bytes only when the old one is
// too small. The text may lie in the old buffer.
void Str::SetText(char const* text, long n, bool exactFit) {
    if (exactFit ? size != n + 1 : size <= n) {
        char* block = Allocate(n + 1);
        std::memcpy(block, text, n);
        delete[] buffer;
        buffer = block;
        size = n + 1;
    } else {
        std::memmove(buffer, text, n);
    }
    buffer[n] = '\0';
    length = n;
}
void Str::Assign(char const* text, long n) { SetText(text, n, true); }
void Str::CopyBytes(char const* text, long n) { SetText(text, n, false); }

// Doubling: when the new length L does not fit, a buffer of 2L bytes.
void Str::AppendBytes(char const* text, long n) {
    if (n <= 0) return;
    long total = length + n;
    if (size <= total) {
        char* block = Allocate(2 * total);
        std::memcpy(block, buffer, length);
        std::memcpy(block + length, text, n);  // text may lie in the old buffer
        delete[] buffer;
        buffer = block;
        size = 2 * total;
    } else {
        std::memmove(buffer + length, text, n);
    }
    length = total;
    buffer[length] = '\0';
}

// ---------------------------------------------------------------- construction

Str::Str() : buffer(Allocate(1)), length(0), size(1) { buffer[0] = '\0'; }

Str::Str(long reserve) : buffer(nullptr), length(0), size(0) {
    if (reserve < 0) NvError();
    buffer = Allocate(reserve + 1);
    size = reserve + 1;
    buffer[0] = '\0';
}

Str::Str(Str const& other) : buffer(Allocate(other.size)), length(other.length), size(other.size) {
    std::memcpy(buffer, other.buffer, length + 1);
}

Str::Str(Str const* other) : Str(*other) {}

Str::Str(char const* text) : buffer(nullptr), length(TextLength(text)), size(length + 1) {
    buffer = Allocate(size);
    std::memcpy(buffer, Text(text), length + 1);
}

Str::Str(char ch, long count) : buffer(nullptr), length(0), size(0) {
    if (count < 0) NvError();
    buffer = Allocate(count + 1);
    size = count + 1;
    if (ch != '\0') {
        std::memset(buffer, ch, count);
        length = count;
    }
    buffer[length] = '\0';
}

Str::~Str() { delete[] buffer; }

// ---------------------------------------------------------------- access

char Str::Get(long pos) const {
    if (pos < 0 || pos >= length) RaError();
    return buffer[pos];
}

bool Str::HasContent() const {
    for (long i = 0; i < length; ++i)
        if (!IsSpace(buffer[i])) return true;
    return false;
}

// The leading integer as atol reads it (white space, a sign, digits; 0 when
// there are none), but held at the limits of the type when the text's
// number lies beyond them: atol and atoi leave that case undefined. Readers
// refuse such numbers by testing the limits.
Str::operator long() const { return ParseInteger(buffer, buffer + length); }
int Str::ToInteger() const {
    long value = ParseInteger(buffer, buffer + length);
    return value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : static_cast<int>(value);
}
double Str::ToFloat() const { return ParseFloat(buffer, buffer + length); }

long Str::ParseAnyInteger(char const* from, char const* to) {
    char const* p = CharClass::ToNonSpace(from, to);
    bool negative = p != to && *p == '-';
    if (p != to && (*p == '-' || *p == '+')) ++p;
    unsigned long const limit = negative ? 0UL - static_cast<unsigned long>(LONG_MIN) : LONG_MAX;
    unsigned long magnitude = 0;
    bool beyond = false;
    for (; p != to && IsDigit(*p); ++p) {
        unsigned long digit = static_cast<unsigned long>(*p - '0');
        if (magnitude > (limit - digit) / 10)
            beyond = true;
        else
            magnitude = magnitude * 10 + digit;
    }
    if (beyond) return negative ? LONG_MIN : LONG_MAX;
    return static_cast<long>(negative ? 0UL - magnitude : magnitude);
}

// A decimal number: from_chars rounds it as strtod does. A hexadecimal one,
// infinity, NaN, a '+' sign, no number or one beyond the range of a double:
// strtod itself, on a NUL-terminated copy.
double Str::ParseAnyFloat(char const* from, char const* to) {
    char const* p = CharClass::ToNonSpace(from, to);
    char const* digits = p != to && *p == '-' ? p + 1 : p;
    bool hex = digits != to && *digits == '0' && digits + 1 != to && (digits[1] == 'x' || digits[1] == 'X');
    if (digits != to && (IsDigit(*digits) || *digits == '.') && !hex) {
        double value = 0;
        if (std::from_chars(p, to, value).ec == std::errc()) return value;
    }
    std::string copy(p, static_cast<size_t>(to - p));
    return std::strtod(copy.c_str(), nullptr);
}

// Optional sign, digits with an optional fraction (or a fraction alone),
// an optional exponent, then the end or white space.
bool Str::IsNumber() const {
    char const* p = buffer;
    if (*p == '+' || *p == '-') ++p;
    if (IsDigit(*p)) {
        while (IsDigit(*p)) ++p;
        if (*p == '.') {
            ++p;
            if (!IsDigit(*p)) return false;
            while (IsDigit(*p)) ++p;
        }
    } else if (*p == '.') {
        ++p;
        if (!IsDigit(*p)) return false;
        while (IsDigit(*p)) ++p;
    } else {
        return false;
    }
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        if (!IsDigit(*p)) return false;
        while (IsDigit(*p)) ++p;
    }
    return *p == '\0' || IsSpace(*p);
}

// ---------------------------------------------------------------- capacity

void Str::Clear() {
    length = 0;
    buffer[0] = '\0';
}

void Str::SetSize(long n) {
    if (n < 1) NvError();
    if (size == n) return;
    char* block = Allocate(n);
    if (length > n - 1) length = n - 1;
    std::memcpy(block, buffer, length);
    block[length] = '\0';
    delete[] buffer;
    buffer = block;
    size = n;
}

void Str::SetLength(long n) {
    if (n < 0) NvError();
    if (size > n) return;
    char* block = Allocate(n + 1);
    std::memcpy(block, buffer, length + 1);
    delete[] buffer;
    buffer = block;
    size = n + 1;
}

// ---------------------------------------------------------------- comparison

bool Str::Compare(char const* x) const {
    if (!x || x[0] == '\0') return true;
    if (buffer[0] != x[0]) return false;  // most lines differ at once from a key
    long n = TextLength(x);
    return n <= length && std::strncmp(buffer, x, n) == 0;
}
bool Str::Compare(Str const& x) const { return Compare(x.buffer); }
bool Str::Compare(Str const* x) const { return Compare(x->buffer); }

bool Str::Compare(char const* x, long pos) const {
    if (pos < 0 || pos >= length) RaError();
    long n = TextLength(x);
    return n <= length - pos && std::strncmp(buffer + pos, Text(x), n) == 0;
}
bool Str::Compare(Str const& x, long pos) const { return Compare(x.buffer, pos); }
bool Str::Compare(Str const* x, long pos) const { return Compare(x->buffer, pos); }

bool Str::CompareRight(char const* x) const {
    long n = TextLength(x);
    return length > n && std::strcmp(buffer + length - n, Text(x)) == 0;
}
bool Str::CompareRight(Str const& x) const { return CompareRight(x.buffer); }
bool Str::CompareRight(Str const* x) const { return CompareRight(x->buffer); }
bool Str::CompareRight(char ch) const { return length > 0 && buffer[length - 1] == ch; }

bool Str::Contains(char const* x) const {
    return TextLength(x) > 0 && std::strstr(buffer, x) != nullptr;
}
bool Str::Contains(Str const& x) const { return Contains(x.buffer); }
bool Str::Contains(Str const* x) const { return Contains(x->buffer); }
bool Str::Contains(char ch) const { return ch != '\0' && std::strchr(buffer, ch) != nullptr; }

bool Str::operator==(char const* x) const { return std::strcmp(buffer, Text(x)) == 0; }
bool Str::operator==(Str const& x) const { return std::strcmp(buffer, x.buffer) == 0; }
bool Str::operator==(char ch) const { return length == 1 && buffer[0] == ch; }
bool Str::operator!=(char const* x) const { return !(*this == x); }
bool Str::operator<(Str const& x) const { return std::strcmp(buffer, x.buffer) < 0; }
bool Str::Equals(Str const& x) const { return *this == x; }
bool Str::Equals(Str const* x) const { return *this == *x; }
bool Str::IsLessThan(Str const* x) const { return std::strcmp(buffer, x->buffer) < 0; }
bool Str::IsGreaterThan(Str const* x) const { return std::strcmp(buffer, x->buffer) > 0; }

bool Str::Find(char ch, long& pos) const {
    if (pos < 0 || pos >= length || ch == '\0') return false;
    char const* hit = static_cast<char const*>(std::memchr(buffer + pos, ch, length - pos));
    if (!hit) return false;
    pos = hit - buffer;
    return true;
}

long Str::FindRight(char ch) const {
    for (long i = length - 1; i >= 0; --i)
        if (buffer[i] == ch) return i;
    return -1;
}

// ---------------------------------------------------------------- assignment

Str& Str::operator=(Str const& x) {
    Assign(x.buffer, x.length);
    return *this;
}
Str& Str::operator=(char const* x) {
    Assign(Text(x), TextLength(x));
    return *this;
}
Str& Str::operator=(char x) {
    Assign(&x, x != '\0' ? 1 : 0);
    return *this;
}
Str& Str::operator=(long x) {
    char text[NumberSize];
    Assign(text, IntegerText(x, text));
    return *this;
}
Str& Str::operator=(double x) {
    char text[NumberSize];
    Assign(text, FloatText(x, text));
    return *this;
}

void Str::Copy(Str const& x) { CopyBytes(x.buffer, x.length); }
void Str::Copy(Str const* x) { CopyBytes(x->buffer, x->length); }
void Str::Copy(char const* x) { CopyBytes(Text(x), TextLength(x)); }
void Str::Copy(char x) { CopyBytes(&x, x != '\0' ? 1 : 0); }
void Str::Copy(long x) {
    char text[NumberSize];
    CopyBytes(text, IntegerText(x, text));
}
void Str::Copy(double x) {
    char text[NumberSize];
    CopyBytes(text, FloatText(x, text));
}

void Str::Copy(char const* x, long n) {
    if (n < 0) NvError();
    // The text ends at a NUL within the n bytes, if there is one.
    long real = x ? static_cast<long>(strnlen(x, n)) : 0;
    CopyBytes(Text(x), real);
}

void Str::CopyLeft(char const* src, long n) {
    if (n < 0) NvError();
    long available = TextLength(src);
    if (n == 0 || n > available) n = available;
    CopyBytes(Text(src), n);
}
void Str::CopyLeft(Str const& src, long n) { CopyLeft(src.buffer, n); }
void Str::CopyLeft(Str const* src, long n) { CopyLeft(src->buffer, n); }

void Str::CopyMid(Str const& src, long pos, long n) {
    if (n < 0) NvError();
    if (pos < 0 || pos > src.length) RaError();
    if (n > src.length - pos) n = src.length - pos;
    CopyBytes(src.buffer + pos, n);
}
void Str::CopyMid(Str const* src, long pos, long n) { CopyMid(*src, pos, n); }

void Str::CopyEnd(char const* src, long pos) {
    long available = TextLength(src);
    if (pos < 0 || pos > available) RaError();
    CopyBytes(Text(src) + pos, available - pos);
}
void Str::CopyEnd(Str const& src, long pos) { CopyEnd(src.buffer, pos); }
void Str::CopyEnd(Str const* src, long pos) { CopyEnd(src->buffer, pos); }

char* Str::CopyToChar() const {
    char* text = Allocate(length + 1);
    std::memcpy(text, buffer, length + 1);
    return text;
}

// ---------------------------------------------------------------- appends

Str Str::operator+(Str const& x) const {
    Str sum(length + x.length);
    std::memcpy(sum.buffer, buffer, length);
    std::memcpy(sum.buffer + length, x.buffer, x.length + 1);
    sum.length = length + x.length;
    return sum;
}

void Str::Append(Str const& x) { AppendBytes(x.buffer, x.length); }
void Str::Append(Str const* x) { AppendBytes(x->buffer, x->length); }
void Str::Append(char const* x) { AppendBytes(Text(x), TextLength(x)); }
void Str::Append(char x) { AppendBytes(&x, x != '\0' ? 1 : 0); }
void Str::Append(long x) {
    char text[NumberSize];
    AppendBytes(text, IntegerText(x, text));
}
void Str::Append(double x) {
    char text[NumberSize];
    AppendBytes(text, FloatText(x, text));
}

void Str::AppendLine() { Append('\n'); }
void Str::AppendLine(Str const& x) { Append(x), Append('\n'); }
void Str::AppendLine(Str const* x) { Append(x), Append('\n'); }
void Str::AppendLine(char const* x) { Append(x), Append('\n'); }
void Str::AppendLine(char x) { Append(x), Append('\n'); }
void Str::AppendLine(long x) { Append(x), Append('\n'); }
void Str::AppendLine(double x) { Append(x), Append('\n'); }

void Str::AppendToken(Str const& x, char sep) { Append(x), Append(sep); }
void Str::AppendToken(Str const* x, char sep) { Append(x), Append(sep); }
void Str::AppendToken(char const* x, char sep) { Append(x), Append(sep); }
void Str::AppendToken(char x, char sep) { Append(x), Append(sep); }
void Str::AppendToken(long x, char sep) { Append(x), Append(sep); }
void Str::AppendToken(double x, char sep) { Append(x), Append(sep); }

// ---------------------------------------------------------------- editing

void Str::Replace(char const* x, long pos, long n) {
    if (n < 0) NvError();
    if (pos < 0 || pos >= length) RaError();
    long count = x ? static_cast<long>(strnlen(x, n)) : 0;
    if (x >= buffer && x < buffer + size) {  // a piece of this text: work on a copy
        Str copy;
        copy.CopyBytes(x, count);
        Replace(copy.buffer, pos, count);
        return;
    }
    long total = pos + count;
    if (total > length) {
        if (size <= total) {
            char* block = Allocate(2 * total);
            std::memcpy(block, buffer, length);
            delete[] buffer;
            buffer = block;
            size = 2 * total;
        }
        length = total;
        buffer[length] = '\0';
    }
    std::memcpy(buffer + pos, x, count);
}
void Str::Replace(Str const& x, long pos, long n) { Replace(x.buffer, pos, n); }
void Str::Replace(Str const* x, long pos, long n) { Replace(x->buffer, pos, n); }

void Str::DeleteRight(long n) {
    if (n < 0) NvError();
    length = n >= length ? 0 : length - n;
    buffer[length] = '\0';
}

void Str::DeleteEnd(long pos) {
    if (pos < 0 || pos >= length) RaError();
    length = pos;
    buffer[length] = '\0';
}

// toupper in the C locale, the programs' only one: a to z.
void Str::UpperCase() {
    for (long i = 0; i < length; ++i)
        if (buffer[i] >= 'a' && buffer[i] <= 'z') buffer[i] = static_cast<char>(buffer[i] - 'a' + 'A');
}

void Str::RemoveEndSpaces() {
    long last = length;
    while (last > 0 && IsSpace(buffer[last - 1])) --last;
    long first = 0;
    while (first < last && IsSpace(buffer[first])) ++first;
    length = last - first;
    std::memmove(buffer, buffer + first, length);
    buffer[length] = '\0';
}

void Str::Fill(char ch, long n) {
    if (n < 0) NvError();
    if (ch == '\0') n = 0;
    if (size <= n) {
        char* block = Allocate(2 * n);
        delete[] buffer;
        buffer = block;
        size = 2 * n;
    }
    std::memset(buffer, ch, n);
    length = n;
    buffer[length] = '\0';
}

void Str::Reverse() {
    for (long i = 0, j = length - 1; i < j; ++i, --j) {
        char ch = buffer[i];
        buffer[i] = buffer[j];
        buffer[j] = ch;
    }
}

// ---------------------------------------------------------------- number texts

char* Str::ConvertInteger(long value) {
    char scratch[NumberSize];
    long n = IntegerText(value, scratch);
    char* text = Allocate(n + 1);
    std::memcpy(text, scratch, n + 1);
    return text;
}

char* Str::ConvertFloat(double value) {
    char* text = Allocate(NumberSize);
    FloatText(value, text);
    return text;
}

long Str::IntegerText(long value, char* text) {
    // The magnitude as unsigned, so that the most negative value has one too.
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    long digits = 1;
    for (unsigned long bound = 10; digits < 20 && magnitude >= bound; bound *= 10) ++digits;
    long n = digits + (value < 0 ? 1 : 0);
    // Written from the end, straight into the text.
    char* p = text + n;
    *p = '\0';
    static char const pairs[] =
        "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
        "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";
    while (magnitude >= 100) {  // two digits at a time
        unsigned long pair = magnitude % 100 * 2;
        magnitude /= 100;
        *--p = pairs[pair + 1];
        *--p = pairs[pair];
    }
    if (magnitude >= 10) {
        *--p = pairs[magnitude * 2 + 1];
        *--p = pairs[magnitude * 2];
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (value < 0) *--p = '-';
    return n;
}

// At most 15 significant digits, no trailing zeros: fixed notation for
// decimal exponents -6 to 15, else d.ddde+XX.
long Str::FloatText(double value, char* text) {
    char* out = text;
    double x = value;
    if (std::isnan(x)) {
        std::strcpy(text, "nan");
        return 3;
    }
    if (x == 0) {
        std::strcpy(text, "0");
        return 1;
    }
    if (x < 0) {
        *out++ = '-';
        x = -x;
    }
    if (std::isinf(x)) {
        std::strcpy(out, "inf");
        return out + 3 - text;
    }

    // Normalise to a mantissa in [1, 10), always from the starting value and
    // the accumulated power of ten.
    long exponent = 0;
    if (x < 2.2250738585072014e-308) {  // below the normal range: the power of ten would overflow
        x *= 1e16;
        exponent = -16;
    }
    double m = x;
    double divisor = 1;
    while (m >= 10) {
        ++exponent;
        divisor *= 10;
        m = x / divisor;
    }
    double start = m;
    double factor = 1;
    while (m < 1) {
        --exponent;
        factor *= 10;
        m = start * factor;
    }
    if (m >= 10) {  // the product can land on 10 itself
        m /= 10;
        ++exponent;
    }

    int digits[16];
    for (int& d : digits) {
        int digit = static_cast<int>(m);
        if (digit > 9) digit = 9;
        if (digit < 0) digit = 0;
        d = digit;
        m = (m - digit) * 10;
    }

    int count;  // significant digits
    if (digits[15] >= 5) {
        int i = 14;
        while (i >= 0 && digits[i] == 9) digits[i--] = 0;
        if (i < 0) {
            digits[0] = 1;
            count = 1;
            ++exponent;
        } else {
            ++digits[i];
            count = i + 1;
        }
    } else {
        count = 15;
        while (count > 1 && digits[count - 1] == 0) --count;
    }

    if (exponent < -6 || exponent > 15) {
        *out++ = static_cast<char>('0' + digits[0]);
        *out++ = '.';
        for (int i = 1; i < count; ++i) *out++ = static_cast<char>('0' + digits[i]);
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        long e = exponent < 0 ? -exponent : exponent;
        if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
        *out++ = static_cast<char>('0' + e / 10 % 10);
        *out++ = static_cast<char>('0' + e % 10);
    } else if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        for (long i = 0; i < -exponent - 1; ++i) *out++ = '0';
        for (int i = 0; i < count; ++i) *out++ = static_cast<char>('0' + digits[i]);
    } else {
        for (long i = 0; i <= exponent; ++i) *out++ = i < count ? static_cast<char>('0' + digits[i]) : '0';
        if (count > exponent + 1) {
            *out++ = '.';
            for (long i = exponent + 1; i < count; ++i) *out++ = static_cast<char>('0' + digits[i]);
        }
    }
    *out = '\0';
    return out - text;
}

std::ostream& operator<<(std::ostream& out, Str const& text) { return out << text.String(); }

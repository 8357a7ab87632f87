#ifndef SUPPORT_PARSER_H
#define SUPPORT_PARSER_H

#include "str.h"

// Cursor over a Str for tokens, separated fields and lines. The text is
// never changed; results are written into the targets handed in.
class Parser {
public:
    Parser();
    explicit Parser(Str& text);
    void SetString(Str& text);
    void Begin();
    char Get() const { return *position; }
    bool Next(int n = 1);
    bool Previous(int n = 1);
    bool SkipSpaces();
    bool GetToken(Str& target);
    bool GetToken(Str& target, char separator);
    // The next token without a copy: the bytes [from, to) of the text. The
    // cursor moves as GetToken(Str&) moves it; false at the end.
    bool GetToken(char const*& from, char const*& to);
    // The next token's leading number, as Str's conversions read a token
    // (strtol, strtod); 0 and false at the end.
    bool GetToken(long& value);
    bool GetToken(double& value);
    bool SkipToken(int n = 1);
    bool SkipToken(char separator, int n = 1);
    void SkipBack();
    bool GetLine(Str& target);
    bool GetRight(Str& target);
    bool Contains(char const* text);

private:
    template <class Number>
    bool GetNumber(Number& value, int most, Number (*parse)(char const*, char const*));
    static void Store(Str& target, char const* from, long n);
    bool AtEnd() const { return string == nullptr || *position == '\0'; }

    Str* string;
    char* position;
};

// The forms the readers call for every field of a line, inline.
inline bool Parser::GetToken(char const*& from, char const*& to) {
    if (!string) {
        from = to = position;
        return false;
    }
    char* p = position;
    while (CharClass::IsSpace(static_cast<unsigned char>(*p))) ++p;
    from = p;
    while (!CharClass::EndsToken(static_cast<unsigned char>(*p))) ++p;
    to = p;
    bool found = p != from;
    position = *p != '\0' ? p + 1 : p;  // past the one white-space character after it
    return found;
}

// A token that is a plain integer of up to `most` digits, perhaps with a
// '-', is read in the one pass that finds its end; any other token by the
// general conversion.
template <class Number>
inline bool Parser::GetNumber(Number& value, int most, Number (*parse)(char const*, char const*)) {
    if (string) {
        char* p = position;
        while (CharClass::IsSpace(static_cast<unsigned char>(*p))) ++p;
        bool negative = *p == '-';
        char* first = p + (negative ? 1 : 0);
        char* q = first;
        unsigned long magnitude = 0;
        while (q - first < most && CharClass::IsDigit(static_cast<unsigned char>(*q)))
            magnitude = magnitude * 10 + static_cast<unsigned long>(*q++ - '0');
        if (q != first && CharClass::EndsToken(static_cast<unsigned char>(*q))) {
            value = static_cast<Number>(magnitude);
            if (negative) value = -value;
            position = *q != '\0' ? q + 1 : q;
            return true;
        }
    }
    char const* from;
    char const* to;
    bool found = GetToken(from, to);
    value = parse(from, to);
    return found;
}

// Up to 18 digits fit a long; up to 15 a double holds exactly, as strtod
// gives them (-0 included).
inline bool Parser::GetToken(long& value) { return GetNumber(value, 18, Str::ParseInteger); }
inline bool Parser::GetToken(double& value) { return GetNumber(value, 15, Str::ParseFloat); }

inline bool Parser::SkipToken(int n) {
    if (!string) return false;
    for (int i = 0; i < n; ++i) {
        while (CharClass::IsSpace(static_cast<unsigned char>(*position))) ++position;
        if (*position == '\0') return false;
        while (!CharClass::EndsToken(static_cast<unsigned char>(*position))) ++position;
    }
    return true;
}

#endif

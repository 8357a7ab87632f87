// Character classes of the text readers, by a 256-entry table: white space
// as isspace has it in the C locale (space, tab, line feed, vertical tab,
// form feed, carriage return) and the decimal digits. The programs never
// change the locale, so these are the classes of the standard library.
#ifndef SUPPORT_CHARCLASS_H
#define SUPPORT_CHARCLASS_H

struct CharTable {
    enum : unsigned char { Space = 1, Digit = 2, Nul = 4 };
    unsigned char bits[256];
    constexpr CharTable() : bits() {
        char const spaces[] = " \t\n\v\f\r";
        for (char c : spaces)
            if (c != '\0') bits[static_cast<unsigned char>(c)] = Space;
        for (int c = '0'; c <= '9'; ++c) bits[c] = Digit;
        bits[0] = Nul;
    }
};

class CharClass {
public:
    static bool IsSpace(unsigned char c) { return (table.bits[c] & CharTable::Space) != 0; }
    static bool IsDigit(unsigned char c) { return (table.bits[c] & CharTable::Digit) != 0; }
    // White space or the NUL that ends a text: what ends a token.
    static bool EndsToken(unsigned char c) { return (table.bits[c] & (CharTable::Space | CharTable::Nul)) != 0; }

    // The first byte in [from, to) that is white space, or `to`; and the
    // first that is not.
    static char const* ToSpace(char const* from, char const* to) {
        while (from != to && !IsSpace(static_cast<unsigned char>(*from))) ++from;
        return from;
    }
    static char const* ToNonSpace(char const* from, char const* to) {
        while (from != to && IsSpace(static_cast<unsigned char>(*from))) ++from;
        return from;
    }

private:
    static constexpr CharTable table{};
};

#endif

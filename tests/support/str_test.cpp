#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "str.h"
#include "tempdir.h"

static std::string const rangeError = "ERROR: String position is out of range";
static std::string const invalidError = "ERROR: String parameter is invalid";

static std::string FloatText(double value) {
    char* text = Str::ConvertFloat(value);
    std::string result(text);
    delete[] text;
    return result;
}

static std::string IntegerText(long value) {
    char* text = Str::ConvertInteger(value);
    std::string result(text);
    delete[] text;
    return result;
}

struct FloatCase {
    double value;
    char const* text;
};

TEST(StrConvertFloat, GivesTheNumberTexts) {
    FloatCase const cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {12, "12"},
        {-12, "-12"},
        {12.5, "12.5"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {1234.5678, "1234.5678"},
        {123456789, "123456789"},
        {100, "100"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {0.000001, "0.000001"},
        {-0.000123, "-0.000123"},
        {1.5e-7, "1.5e-07"},
        {1e-7, "1.e-07"},
        {-1e-7, "-1.e-07"},
        {1e15, "1000000000000000"},
        {1e16, "1.e+16"},
        {2.5e20, "2.5e+20"},
        {1e-300, "1.e-300"},
        {0.1 + 0.2, "0.3"},
        {123456789012345678.0, "1.23456789012346e+17"},
        // Rounding that carries through all fifteen digits.
        {999999999999999.9, "1000000000000000"},
        {9.9999999999999995, "10"},
        // The normalisation can end on a mantissa of exactly 10.
        {1e-11, "1.e-11"},
        {1e-23, "1.e-23"},
        {0.09999999999999999, "0.1"},
        {9.999999999999999e-06, "0.00001"},
        // The ends of the double range.
        {1.7976931348623157e308, "1.79769313486232e+308"},
        {1e308, "1.e+308"},
        {2.2250738585072014e-308, "2.2250738585072e-308"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (FloatCase const& c : cases) EXPECT_EQ(FloatText(c.value), c.text) << "value " << c.value;
}

TEST(StrConvertFloat, SubnormalValuesStayFiniteAndClose) {
    for (double value : {1e-310, -1e-315, 5e-324, std::numeric_limits<double>::denorm_min() * 3}) {
        std::string text = FloatText(value);
        ASSERT_LT(text.size(), 24u) << text;
        EXPECT_EQ(text.find("inf"), std::string::npos) << text;
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr) / value, 1.0, 1e-13) << text;
    }
}

TEST(StrConvertFloat, NeverMoreThanFifteenDigits) {
    for (double value = 1.0 / 7; value < 1e20; value *= 13.37) {
        std::string text = FloatText(value);
        std::string digits;
        for (char c : text.substr(0, text.find('e'))) {
            if (c >= '0' && c <= '9') digits += c;
        }
        size_t significant = digits.find_last_not_of('0') - digits.find_first_not_of('0') + 1;
        EXPECT_LE(significant, 15u) << text;
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr) / value, 1.0, 1e-14) << text;
    }
}

TEST(StrConvertInteger, GivesDecimalTexts) {
    struct {
        long value;
        char const* text;
    } const cases[] = {
        {0, "0"},
        {7, "7"},
        {-45, "-45"},
        {1234567890, "1234567890"},
        {-1000000, "-1000000"},
        {LONG_MAX, "9223372036854775807"},
        {LONG_MIN, "-9223372036854775808"},
    };
    for (auto const& c : cases) EXPECT_EQ(IntegerText(c.value), c.text);
}

TEST(StrIsNumber, RecognisesNumbersAtTheStart) {
    struct {
        char const* text;
        bool number;
    } const cases[] = {
        {"12", true},       {"-1.5e+3", true}, {".5", true},    {"12 abc", true}, {"7\tx", true},
        {"12\n", true},     {"+.5", true},     {"1.5E-2", true}, {"3e7", true},   {"5.", false},
        {"1e", false},      {"1e+", false},    {"+", false},     {"-", false},    {"12x", false},
        {"", false},        {".", false},      {"e5", false},    {"1.e5", false}, {" 12", false},
        {"1.5e2x", false},  {"--1", false},
    };
    for (auto const& c : cases) EXPECT_EQ(Str(c.text).IsNumber(), c.number) << '"' << c.text << '"';
}

TEST(StrNumbers, AssignAppendAndRead) {
    Str text;
    text = 12.0;
    EXPECT_STREQ(text.String(), "12");
    text = 45L;
    EXPECT_STREQ(text.String(), "45");
    text.Append(0.25);
    text.AppendToken(-3L, ',');
    text.AppendLine(1e-7);
    EXPECT_STREQ(text.String(), "450.25-3,1.e-07\n");
    text.Copy(-8L);
    EXPECT_STREQ(text.String(), "-8");
    text.Copy(2.5);
    EXPECT_STREQ(text.String(), "2.5");
    EXPECT_EQ(Str("12abc").ToInteger(), 12);
    EXPECT_EQ(static_cast<long>(Str("-77 x")), -77);
    EXPECT_EQ(static_cast<int>(Str("abc")), 0);
    EXPECT_DOUBLE_EQ(Str("2.5e1").ToFloat(), 25.0);
}

// Numbers no long or int holds are held at the type's limits, never
// wrapped, so that readers can refuse them by a range test.
TEST(StrNumbers, BeyondTheLimitsHeldThere) {
    struct {
        char const* text;
        long asLong;
        int asInt;
    } const cases[] = {
        {"3000000000", 3000000000L, INT_MAX},
        {"99999999999", 99999999999L, INT_MAX},
        {"-2147483649", -2147483649L, INT_MIN},
        {"2147483647", 2147483647L, INT_MAX},
        {"-2147483648", -2147483648L, INT_MIN},
        {"99999999999999999999", LONG_MAX, INT_MAX},
        {"-99999999999999999999x", LONG_MIN, INT_MIN},
        {" +12", 12, 12},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(static_cast<long>(Str(c.text)), c.asLong);
        EXPECT_EQ(Str(c.text).ToInteger(), c.asInt);
        EXPECT_EQ(static_cast<int>(Str(c.text)), c.asInt);
    }
}

// The conversions of a text to numbers give exactly what strtol and strtod
// give for it: the same long, the same double bit for bit (NaNs: a NaN of
// the same sign).
static void ExpectAsTheLibrary(std::string const& text) {
    char const* from = text.c_str();
    char const* to = from + text.size();
    EXPECT_EQ(Str::ParseInteger(from, to), std::strtol(from, nullptr, 10)) << '"' << text << '"';
    double ours = Str::ParseFloat(from, to);
    double theirs = std::strtod(from, nullptr);
    if (std::isnan(theirs)) {
        EXPECT_TRUE(std::isnan(ours) && std::signbit(ours) == std::signbit(theirs)) << '"' << text << '"';
    } else {
        EXPECT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0)
            << '"' << text << "\": " << ours << " instead of " << theirs;
    }
}

TEST(StrParseNumber, AsStrtolAndStrtod) {
    char const* const cases[] = {
        "", "0", "-0", "+0", "7", "-7", "+7", "  \t\n12", "12abc", "abc", "-", "+", "+-5", "--5", " - 5",
        "60000", "1079", "999999999999999", "9999999999999999", "12345678901234567", "18446744073709551616",
        "9223372036854775807", "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
        "99999999999999999999999", "000000000000000000000042", "-000", "1.5", "-1.5", ".5", "-.5", "5.", ".",
        "-.", "1e5", "1E5", "1e", "1e+", "1e-2", "2.5e1", "1.e-07", "0.1", "0.3", "123.456e-7", "1e308", "1e309",
        "-1e309", "1e-320", "4.9e-324", "2e-324", "1e-400", "2.2250738585072011e-308", "0x1A", "0X1a", "-0x10",
        "0x", "0x1p3", "0xg", "1x", "inf", "-inf", "INFINITY", "infx", "nan", "-nan", "NaN(123)", "nano", "12 34",
        "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308",
        "3.14159265358979323846264338327950288419716939937510582097494459",
        "0.000000000000000000000000000000000000000000000000000000001e40", "9007199254740993", "-9007199254740993",
        "123456789012345678901234567890e-20", "1\v2", "\f\r9",
    };
    for (char const* c : cases) ExpectAsTheLibrary(c);
    // Random texts of the characters numbers are made of, and a few others.
    std::string const alphabet = "0123456789000111+-..eExXpPinfaINFA \t";
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        state = state * 1103515245u + 12345u;
        int length = static_cast<int>(state >> 16) % 24;
        for (int k = 0; k < length; ++k) {
            state = state * 1103515245u + 12345u;
            text += alphabet[(state >> 16) % alphabet.size()];
        }
        ExpectAsTheLibrary(text);
        if (HasFailure()) break;
    }
}

TEST(StrParseNumber, StopsAtTheEndGiven) {
    char const text[] = "12345 678";
    EXPECT_EQ(Str::ParseInteger(text, text + 3), 123);
    EXPECT_EQ(Str::ParseFloat(text, text + 3), 123.0);
    EXPECT_EQ(Str::ParseFloat(text, text + 9), 12345.0);
    char const decimal[] = "2.5e3";
    EXPECT_EQ(Str::ParseFloat(decimal, decimal + 3), 2.5);
    EXPECT_EQ(Str::ParseInteger(text, text), 0);
    EXPECT_EQ(Str::ParseFloat(text, text), 0.0);
}

TEST(StrConstruction, ReservesCopiesAndRepeats) {
    EXPECT_STREQ(Str(10L).String(), "");  // room reserved, not the digits of ten
    EXPECT_EQ(Str(10L).Length(), 0);
    EXPECT_STREQ(Str('x', 3).String(), "xxx");
    EXPECT_STREQ(Str('x', 0L).String(), "");
    EXPECT_EQ(ThrownText([] { Str('x', -1); }), invalidError);
    Str original("abc");
    Str copy(original);
    Str fromPointer(&original);
    original.UpperCase();
    EXPECT_STREQ(copy.String(), "abc");
    EXPECT_STREQ(fromPointer.String(), "abc");
    char* bare = original.CopyToChar();
    EXPECT_STREQ(bare, "ABC");
    EXPECT_NE(bare, original.String());
    delete[] bare;
}

TEST(StrAccess, PositionsOutsideTheTextRaise) {
    Str text("abc");
    EXPECT_EQ(text.Get(2), 'c');
    EXPECT_EQ(ThrownText([&] { text.Get(-1); }), rangeError);
    EXPECT_EQ(ThrownText([&] { text.Get(3); }), rangeError);
    EXPECT_EQ(static_cast<char>(Str("")), '\0');
    EXPECT_EQ(static_cast<char>(text), 'a');
    EXPECT_FALSE(Str("").HasContent());
    EXPECT_FALSE(Str(" \t\n").HasContent());
    EXPECT_TRUE(Str("  a ").HasContent());
    EXPECT_TRUE(Str("\xa0").HasContent());
}

TEST(StrCompare, StartsWith) {
    Str text("abc");
    Str empty;
    EXPECT_TRUE(text.Compare(""));
    EXPECT_TRUE(empty.Compare(""));
    EXPECT_TRUE(text.Compare("ab"));
    EXPECT_TRUE(text.Compare(Str("abc")));
    EXPECT_FALSE(text.Compare("abcd"));
    EXPECT_FALSE(text.Compare("b"));
    Str part("ab");
    EXPECT_TRUE(text.Compare(&part));
    EXPECT_FALSE(empty.Compare("a"));
}

TEST(StrCompare, StartsWithFromAPosition) {
    Str text("abc");
    EXPECT_TRUE(text.Compare("bc", 1));
    EXPECT_TRUE(text.Compare(Str("c"), 2));
    EXPECT_FALSE(text.Compare("cd", 2));
    EXPECT_EQ(ThrownText([&] { text.Compare("c", 3); }), rangeError);
    EXPECT_EQ(ThrownText([&] { text.Compare("a", -1); }), rangeError);
    Str empty;
    for (long pos : {-1L, 0L, 1L}) EXPECT_EQ(ThrownText([&] { empty.Compare("", pos); }), rangeError);
}

TEST(StrCompare, EndsWithAndIsLonger) {
    Str text("abc");
    Str empty;
    EXPECT_TRUE(text.CompareRight("bc"));
    EXPECT_TRUE(text.CompareRight(""));
    EXPECT_FALSE(empty.CompareRight(""));
    EXPECT_FALSE(text.CompareRight("abc"));  // equal is not enough
    EXPECT_FALSE(text.CompareRight(Str("xabc")));
    EXPECT_FALSE(text.CompareRight("ab"));
    EXPECT_TRUE(text.CompareRight('c'));
    EXPECT_FALSE(text.CompareRight('b'));
    EXPECT_FALSE(empty.CompareRight('c'));
}

TEST(StrCompare, ContainsEqualityAndOrder) {
    Str text("abcab");
    EXPECT_TRUE(text.Contains("ca"));
    EXPECT_TRUE(text.Contains(Str("cab")));
    EXPECT_FALSE(text.Contains(""));
    EXPECT_FALSE(text.Contains('\0'));
    EXPECT_TRUE(text.Contains('b'));
    EXPECT_FALSE(text.Contains('z'));
    EXPECT_FALSE(text.Contains("abcabc"));

    EXPECT_TRUE(Str("a") == 'a');
    EXPECT_FALSE(Str("aa") == 'a');
    EXPECT_FALSE(Str("") == 'a');
    EXPECT_TRUE(text == "abcab");
    EXPECT_TRUE(text == Str("abcab"));
    EXPECT_TRUE(text != "abc");
    Str other("abd");
    EXPECT_TRUE(text < other);
    EXPECT_TRUE(text.IsLessThan(&other));
    EXPECT_TRUE(other.IsGreaterThan(&text));
    EXPECT_TRUE(text.Equals(Str("abcab")));
    EXPECT_FALSE(text.Equals(&other));
    // Byte order: high bytes sort after ASCII.
    EXPECT_TRUE(Str("z") < Str("\xe9"));
}

TEST(StrSearch, FindAndFindRight) {
    Str text("abca");
    long pos = 1;
    EXPECT_TRUE(text.Find('a', pos));
    EXPECT_EQ(pos, 3);
    pos = 4;
    EXPECT_FALSE(text.Find('a', pos));
    EXPECT_EQ(pos, 4);
    pos = -1;
    EXPECT_FALSE(text.Find('a', pos));
    EXPECT_EQ(pos, -1);
    pos = 0;
    EXPECT_FALSE(text.Find('z', pos));
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(text.FindRight('a'), 3);
    EXPECT_EQ(text.FindRight('b'), 1);
    EXPECT_EQ(text.FindRight('z'), -1);
    EXPECT_EQ(Str("").FindRight('a'), -1);
}

TEST(StrCopy, PartsOfAnotherText) {
    Str source("abcde");
    Str text("old");
    text.CopyLeft(source, 2);
    EXPECT_STREQ(text.String(), "ab");
    text.CopyLeft(source, 0);  // 0 takes the whole
    EXPECT_STREQ(text.String(), "abcde");
    text.CopyLeft("xyz", 10);
    EXPECT_STREQ(text.String(), "xyz");
    EXPECT_EQ(ThrownText([&] { text.CopyLeft(source, -1); }), invalidError);

    text.CopyMid(source, 1, 2);
    EXPECT_STREQ(text.String(), "bc");
    text.CopyMid(source, 3, 10);
    EXPECT_STREQ(text.String(), "de");
    text.CopyMid(&source, 1, 0);
    EXPECT_STREQ(text.String(), "");
    text.CopyMid(source, 5, 2);  // at the length: empty
    EXPECT_STREQ(text.String(), "");
    EXPECT_EQ(ThrownText([&] { text.CopyMid(source, 6, 1); }), rangeError);
    EXPECT_EQ(ThrownText([&] { text.CopyMid(source, -1, 1); }), rangeError);
    EXPECT_EQ(ThrownText([&] { text.CopyMid(source, 1, -1); }), invalidError);

    text.CopyEnd(source, 2);
    EXPECT_STREQ(text.String(), "cde");
    text.CopyEnd("xyz", 3);
    EXPECT_STREQ(text.String(), "");
    EXPECT_EQ(ThrownText([&] { text.CopyEnd(source, 6); }), rangeError);

    text.Copy("abcdef", 3);
    EXPECT_STREQ(text.String(), "abc");
    EXPECT_EQ(ThrownText([&] { text.Copy("abc", -1); }), invalidError);
    text.Copy('q');
    EXPECT_STREQ(text.String(), "q");
    text.Copy(&source);
    EXPECT_STREQ(text.String(), "abcde");
}

TEST(StrAppend, ValuesTokensAndLines) {
    Str text;
    text.Append("ab");
    text.Append('c');
    text.Append(Str("d"));
    text.AppendToken("e");
    text.AppendToken('f', ';');
    text.AppendLine("g");
    text.AppendLine();
    text.AppendLine('h');
    EXPECT_STREQ(text.String(), "abcde f;g\n\nh\n");
    EXPECT_EQ(text.Length(), 13);
    Str sum = Str("ab") + Str("cd");
    EXPECT_STREQ(sum.String(), "abcd");
}

TEST(StrAppend, ATextToItself) {
    Str text("abc");
    text.Append(text);
    EXPECT_STREQ(text.String(), "abcabc");
    text.Append(&text);
    EXPECT_STREQ(text.String(), "abcabcabcabc");
    Str line("xy");
    line.AppendLine(line);
    EXPECT_STREQ(line.String(), "xyxy\n");
    Str token("t");
    token.AppendToken(token);
    EXPECT_STREQ(token.String(), "tt ");
    Str same("keep");
    same = same;
    EXPECT_STREQ(same.String(), "keep");
    same.Copy(same);
    EXPECT_STREQ(same.String(), "keep");
}

TEST(StrAppend, GrowsOverManyPieces) {
    Str text;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        text.Append(static_cast<long>(i));
        expected += std::to_string(i);
    }
    EXPECT_EQ(text.Length(), static_cast<long>(expected.size()));
    EXPECT_EQ(std::string(text.String()), expected);
}

TEST(StrEdit, ReplaceDeleteAndTrim) {
    Str text("abcdef");
    text.Replace("XY", 2, 5);
    EXPECT_STREQ(text.String(), "abXYef");
    text.Replace("123", 1, 1);
    EXPECT_STREQ(text.String(), "a1XYef");
    text.Replace(Str("LONG"), 4, 4);  // reaches past the end: grows
    EXPECT_STREQ(text.String(), "a1XYLONG");
    EXPECT_EQ(ThrownText([&] { text.Replace("z", 8, 1); }), rangeError);
    EXPECT_EQ(ThrownText([&] { text.Replace("z", 0, -1); }), invalidError);

    Str five("abcde");
    five.DeleteRight(2);
    EXPECT_STREQ(five.String(), "abc");
    five.DeleteRight(100);
    EXPECT_STREQ(five.String(), "");
    EXPECT_EQ(ThrownText([&] { five.DeleteRight(-1); }), invalidError);

    Str cut("abcde");
    EXPECT_EQ(ThrownText([&] { cut.DeleteEnd(5); }), rangeError);
    cut.DeleteEnd(3);
    EXPECT_STREQ(cut.String(), "abc");
    cut.DeleteEnd(0);
    EXPECT_STREQ(cut.String(), "");

    Str spaces("   ");
    spaces.RemoveEndSpaces();
    EXPECT_STREQ(spaces.String(), "");
    Str padded(" a b \t\n");
    padded.RemoveEndSpaces();
    EXPECT_STREQ(padded.String(), "a b");
}

TEST(StrEdit, CaseFillReverseAndClear) {
    Str text("acgT\xe9n*");
    text.UpperCase();
    EXPECT_STREQ(text.String(), "ACGT\xe9N*");
    text.Fill('z', 3);
    EXPECT_STREQ(text.String(), "zzz");
    EXPECT_EQ(ThrownText([&] { text.Fill('z', -1); }), invalidError);
    text = "abc";
    text.Reverse();
    EXPECT_STREQ(text.String(), "cba");
    Str empty;
    empty.Reverse();
    EXPECT_STREQ(empty.String(), "");
    text.Clear();
    EXPECT_EQ(text.Length(), 0);
    EXPECT_STREQ(text.String(), "");
    text.Append("again");
    EXPECT_STREQ(text.String(), "again");
}

TEST(StrCapacity, NegativeSizesAreInvalid) {
    Str text("abc");
    EXPECT_EQ(ThrownText([&] { text.SetSize(-1); }), invalidError);
    EXPECT_STREQ(text.String(), "abc");
    text.SetSize(3);  // room for two characters and the NUL
    EXPECT_STREQ(text.String(), "ab");
    text.SetLength(100);
    EXPECT_STREQ(text.String(), "ab");
    text.Append("cd");
    EXPECT_STREQ(text.String(), "abcd");
}

TEST(StrStream, WritesTheText) {
    std::ostringstream out;
    out << Str("abc") << '|' << Str("");
    EXPECT_EQ(out.str(), "abc|");
}

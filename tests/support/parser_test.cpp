#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "parser.h"

// Every token the parser gives until it reports the end.
static std::vector<std::string> Tokens(Str& text) {
    Parser parser(text);
    std::vector<std::string> tokens;
    Str token;
    while (parser.GetToken(token)) tokens.push_back(token.String());
    return tokens;
}

static std::vector<std::string> Fields(Str& text, char separator) {
    Parser parser(text);
    std::vector<std::string> fields;
    Str field;
    while (parser.GetToken(field, separator)) fields.push_back(field.String());
    return fields;
}

static std::vector<std::string> Lines(Str& text) {
    Parser parser(text);
    std::vector<std::string> lines;
    Str line;
    while (parser.GetLine(line)) lines.push_back(line.String());
    return lines;
}

using Texts = std::vector<std::string>;

TEST(ParserGetToken, SplitsAtWhiteSpace) {
    struct {
        char const* text;
        Texts tokens;
    } const cases[] = {
        {"", {}},
        {"   ", {}},
        {"a", {"a"}},
        {"  ab\t\tcd \n e\r\n", {"ab", "cd", "e"}},
        {"BS 1 20\n", {"BS", "1", "20"}},
    };
    for (auto const& c : cases) {
        Str text(c.text);
        EXPECT_EQ(Tokens(text), c.tokens) << '"' << c.text << '"';
    }
}

// The forms without a copy read the same tokens and leave the cursor where
// GetToken(Str&) leaves it.
TEST(ParserGetToken, ViewsAndNumbersAsTheCopies) {
    char const* const texts[] = {"", "  ", "g 12 36", " t\t-8  +40x\n", "a 99999999999999999999 1.5e3 x",
                                 "12abc 0x1A .5 - inf", "x\r\n",
                                 "-0 007 -12 123456789012345678 1234567890123456789 999999999999999 1000000000000000",
                                 "-9223372036854775808 9223372036854775808 --1 -x 12\t-3\r\n"};
    for (char const* t : texts) {
        SCOPED_TRACE(t);
        Str text(t);
        Parser copies(text);
        Parser views(text);
        Parser longs(text);
        Parser doubles(text);
        Str token;
        for (;;) {
            bool found = copies.GetToken(token);
            char const* from = nullptr;
            char const* to = nullptr;
            EXPECT_EQ(views.GetToken(from, to), found);
            EXPECT_EQ(std::string(from, to), token.String());
            long integer = -1;
            EXPECT_EQ(longs.GetToken(integer), found);
            EXPECT_EQ(integer, static_cast<long>(token));
            double number = -1;
            EXPECT_EQ(doubles.GetToken(number), found);
            double expected = token.ToFloat();
            EXPECT_EQ(std::memcmp(&number, &expected, sizeof number), 0) << number << " for " << token.String();
            EXPECT_EQ(views.Get(), copies.Get());
            EXPECT_EQ(longs.Get(), copies.Get());
            EXPECT_EQ(doubles.Get(), copies.Get());
            if (!found) break;
        }
    }
}

TEST(ParserGetToken, StepsPastOneSeparatorOnly) {
    Str text("ab   cd");
    Parser parser(text);
    Str token("stale");
    ASSERT_TRUE(parser.GetToken(token));
    EXPECT_STREQ(token.String(), "ab");
    Str rest;
    ASSERT_TRUE(parser.GetRight(rest));
    EXPECT_STREQ(rest.String(), "  cd");  // the cursor is on the second space
    parser.Begin();
    parser.GetToken(token);
    ASSERT_TRUE(parser.GetToken(token));
    EXPECT_STREQ(token.String(), "cd");
    EXPECT_FALSE(parser.GetToken(token));
    EXPECT_STREQ(token.String(), "");
    EXPECT_EQ(parser.Get(), '\0');
}

TEST(ParserGetToken, SeparatedFieldsKeepEmptiesAndSpaces) {
    struct {
        char const* text;
        char separator;
        Texts fields;
    } const cases[] = {
        {"a,,b", ',', {"a", "", "b"}},
        {"a,", ',', {"a"}},
        {",", ',', {""}},
        {" a ,b c", ',', {" a ", "b c"}},
        {"x\ty", '\t', {"x", "y"}},
        {"", ',', {}},
    };
    for (auto const& c : cases) {
        Str text(c.text);
        EXPECT_EQ(Fields(text, c.separator), c.fields) << '"' << c.text << '"';
    }
}

TEST(ParserGetLine, SplitsAtLineFeeds) {
    struct {
        char const* text;
        Texts lines;
    } const cases[] = {
        {"", {}},
        {"x\n", {"x"}},
        {"x", {"x"}},
        {"x\n\ny", {"x", "", "y"}},
        {"a\r\nb\r\n", {"a\r", "b\r"}},
        {"\n", {""}},
    };
    for (auto const& c : cases) {
        Str text(c.text);
        EXPECT_EQ(Lines(text), c.lines) << '"' << c.text << '"';
    }
}

TEST(ParserCursor, NextPreviousAndSkipSpaces) {
    Str text("abc");
    Parser parser(text);
    EXPECT_TRUE(parser.Next(2));
    EXPECT_EQ(parser.Get(), 'c');
    EXPECT_FALSE(parser.Next(1));  // lands exactly on the end
    EXPECT_EQ(parser.Get(), '\0');
    EXPECT_FALSE(parser.Next(5));
    EXPECT_EQ(parser.Get(), '\0');
    EXPECT_TRUE(parser.Previous(3));
    EXPECT_EQ(parser.Get(), 'a');
    EXPECT_FALSE(parser.Previous(1));
    EXPECT_EQ(parser.Get(), 'a');
    parser.Next(1);
    EXPECT_FALSE(parser.Previous(4));
    EXPECT_EQ(parser.Get(), 'a');

    Str spaced("  \tz ");
    Parser skipper(spaced);
    EXPECT_TRUE(skipper.SkipSpaces());
    EXPECT_EQ(skipper.Get(), 'z');
    skipper.Next(1);
    EXPECT_FALSE(skipper.SkipSpaces());
}

TEST(ParserSkip, TokensFieldsAndBack) {
    Str text("a  b c");
    Parser parser(text);
    EXPECT_TRUE(parser.SkipToken(1));
    EXPECT_EQ(parser.Get(), ' ');  // the white space after the token stays
    EXPECT_TRUE(parser.SkipToken(1));
    Str token;
    parser.GetToken(token);
    EXPECT_STREQ(token.String(), "c");
    parser.Begin();
    EXPECT_FALSE(parser.SkipToken(4));

    Str fields("a,b,c");
    Parser fieldParser(fields);
    EXPECT_TRUE(fieldParser.SkipToken(',', 2));
    fieldParser.GetToken(token, ',');
    EXPECT_STREQ(token.String(), "c");
    fieldParser.Begin();
    EXPECT_FALSE(fieldParser.SkipToken(',', 3));

    Str words("ab cd ef");
    Parser back(words);
    back.GetToken(token);
    back.SkipBack();
    back.GetToken(token);
    EXPECT_STREQ(token.String(), "ab");
    back.GetToken(token);
    back.SkipBack();
    back.GetToken(token);
    EXPECT_STREQ(token.String(), "cd");
}

TEST(ParserContains, SearchesTheWholeText) {
    Str text("xab cd");
    Parser parser(text);
    Str token;
    parser.GetToken(token);
    parser.GetToken(token);
    ASSERT_TRUE(parser.Contains("ab"));  // lies before the cursor
    EXPECT_EQ(parser.Get(), 'a');
    Str rest;
    parser.GetRight(rest);
    EXPECT_STREQ(rest.String(), "ab cd");
    EXPECT_FALSE(parser.GetRight(rest));
    EXPECT_STREQ(rest.String(), "");
    parser.Begin();
    parser.Next(2);
    EXPECT_FALSE(parser.Contains(""));
    EXPECT_FALSE(parser.Contains("zz"));
    EXPECT_EQ(parser.Get(), 'b');
}

TEST(ParserResults, LongPiecesGrowTheTarget) {
    std::string longWord(5000, 'w');
    Str text((longWord + " " + longWord + "x\n").c_str());
    Parser parser(text);
    Str token("short");
    ASSERT_TRUE(parser.GetToken(token));
    EXPECT_EQ(std::string(token.String()), longWord);
    ASSERT_TRUE(parser.GetToken(token));
    EXPECT_EQ(token.Length(), 5001);
    parser.Begin();
    ASSERT_TRUE(parser.GetLine(token));
    EXPECT_EQ(token.Length(), 10002);
}

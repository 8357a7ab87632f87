#include <gtest/gtest.h>

#include <climits>

#include "polyfile.h"
#include "written.h"

TEST(PolyFile, WrittenLines) {
    long amplitudes[4] = {120, 0, 3400, 7};
    std::string text = Written([&](FileWriter& out) {
        PolyFile::WriteHeader(out, "r1");
        PolyFile::WriteLine(out, 'a', 12, 5000, 'G', 13, 400, amplitudes);
        PolyFile::WriteLine(out, 'N', 24, 0, 'N', 0, 0, amplitudes);
        PolyFile::WriteSyntheticLine(out, 'A', 12);
        PolyFile::WriteSyntheticLine(out, 'T', 24);
        PolyFile::WriteSyntheticLine(out, 'N', 36);
    });
    EXPECT_EQ(text,
              "r1 1 1 1 1 1\n"
              "a 12 5000 0 G 13 400 0 120 0 3400 7\n"
              "N 24 0 0 N 0 0 0 120 0 3400 7\n"
              "A 12 300000 1 N  -1  -1 -1 60000 0 0 0\n"
              "T 24 300000 1 N  -1  -1 -1 0 0 0 60000\n"
              "N 36 300000 1 N  -1  -1 -1 0 0 0 0\n");
}

TEST(PolyFile, HeaderFactors) {
    struct Case {
        char const* line;
        double factors[4];
    } cases[] = {
        {"r 1 1 1 1 1", {1, 1, 1, 1}},
        {"r 2 4 4 4 4", {2, 2, 2, 2}},
        {"r 0 5 5 5 5", {1, 1, 1, 1}},
        {"r 2 0 4 4 4", {1, 2, 2, 2}},
        {"r", {1, 1, 1, 1}},
    };
    for (Case const& c : cases) {
        Str line(c.line);
        double factors[4];
        PolyFile::ParseHeader(line, factors);
        for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(factors[k], c.factors[k]) << c.line << " column " << k;
    }
}

TEST(PolyFile, BaseLines) {
    double ones[4] = {1, 1, 1, 1};
    PolyLine values;
    Str synthetic("A 12 300000 1 N  -1  -1 -1 60000 0 0 0");
    ASSERT_TRUE(PolyFile::ParseLine(synthetic, ones, values));
    EXPECT_EQ(values.position, 12);
    EXPECT_EQ(values.calledArea, 300000);
    EXPECT_EQ(values.uncalledBase, 'N');
    EXPECT_EQ(values.uncalledPosition, 0);
    EXPECT_EQ(values.uncalledArea, 0);
    EXPECT_EQ(values.amplitudes[0], 60000);
    EXPECT_EQ(values.amplitudes[3], 0);

    Str converter("c 40 900 0 g 41 300 0 7.9 -7.9 12 13 extra");
    double factors[4] = {1, 1, 2, 0.5};
    ASSERT_TRUE(PolyFile::ParseLine(converter, factors, values));
    EXPECT_EQ(values.uncalledBase, 'G');
    EXPECT_EQ(values.uncalledPosition, 41);
    EXPECT_EQ(values.uncalledArea, 300);
    EXPECT_EQ(values.amplitudes[0], 7);
    EXPECT_EQ(values.amplitudes[1], -7);
    EXPECT_EQ(values.amplitudes[2], 24);
    EXPECT_EQ(values.amplitudes[3], 6);
    Parser parser(converter);
    EXPECT_EQ(PolyFile::ParsePosition(parser), 40);
    ASSERT_TRUE(PolyFile::ParseRest(parser, factors, values));  // the rest from where the position left it
    EXPECT_EQ(values.amplitudes[2], 24);

    Str lowerN("c 40 900 0 n 0 0 0 1 2 3 4");
    ASSERT_TRUE(PolyFile::ParseLine(lowerN, ones, values));
    EXPECT_EQ(values.uncalledBase, 'N');
    EXPECT_EQ(values.amplitudes[3], 4);

    // Numbers no long can hold, from a damaged file, are held at the limits.
    Str huge("c 40 900 0 N 0 0 0 1e300 -1e300 nan 5");
    ASSERT_TRUE(PolyFile::ParseLine(huge, ones, values));
    EXPECT_EQ(values.amplitudes[0], LONG_MAX);
    EXPECT_EQ(values.amplitudes[1], LONG_MIN);
    EXPECT_EQ(values.amplitudes[2], 0);

    Str eleven("c 40 900 0 g 41 300 0 1 2 3");
    EXPECT_FALSE(PolyFile::ParseLine(eleven, ones, values));
}

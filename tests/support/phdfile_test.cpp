#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "phdfile.h"
#include "written.h"

// Feeds the lines of a tag section to a keeper and returns the kept text.
static std::string Keep(std::vector<char const*> const& lines) {
    PhdTagKeeper keeper;
    keeper.Begin();
    for (char const* line : lines) keeper.Line(Str(line));
    keeper.End();
    return keeper.Kept().String();
}

TEST(PhdFile, NewFileLayout) {
    std::string text = Written([](FileWriter& out) {
        PhdFile::WriteBegin(out, "r1");
        PhdFile::WriteComment(out, "CHROMAT_FILE", "r1");
        PhdFile::WriteComment(out, "CALL_METHOD", "");
        PhdFile::WriteComment(out, "TRACE_ARRAY_MAX_INDEX", 5235L);
        PhdFile::WriteBeginDna(out);
        PhdFile::WriteBase(out, 'a', 20, 12);
        PhdFile::WriteBase(out, 'N', -3, 0);
        PhdFile::WriteBase(out, 'C', Str("15"), 24);
        PhdFile::WriteEnd(out);
    });
    EXPECT_EQ(text,
              "BEGIN_SEQUENCE r1\n\nBEGIN_COMMENT\nCHROMAT_FILE: r1\nCALL_METHOD: \n"
              "TRACE_ARRAY_MAX_INDEX: 5235\nEND_COMMENT\n\nBEGIN_DNA\n"
              "a 20 12\nN -3 0\nC 15 24\nEND_DNA\nEND_SEQUENCE\n");
    EXPECT_EQ(Written([](FileWriter& out) { PhdFile::WriteEnd(out, false); }), "END_DNA\nEND_SEQUENCE");
}

TEST(PhdFile, OwnTagLayout) {
    std::string text = Written([](FileWriter& out) {
        PhdFile::WriteTag(out, "polymorphism", 10, 12, "02/28/06 09:05:07", "het A/G");
        PhdFile::WriteTag(out, "polymorphism", 5, 5, "02/28/06 09:05:07", " \t");
    });
    EXPECT_EQ(text,
              "\nBEGIN_TAG\nTYPE: polymorphism\nSOURCE: quorValix\nUNPADDED_READ_POS: 10 12\n"
              "DATE: 02/28/06 09:05:07\nBEGIN_COMMENT\nhet A/G\nEND_COMMENT\nEND_TAG\n"
              "\nBEGIN_TAG\nTYPE: polymorphism\nSOURCE: quorValix\nUNPADDED_READ_POS: 5 5\n"
              "DATE: 02/28/06 09:05:07\nEND_TAG\n");
}

TEST(PhdFile, BaseLines) {
    struct Case {
        char const* line;
        bool ok;
        char base;
        long quality;
        long position;
    } cases[] = {
        {"a 20 100", true, 'a', 20, 100},
        {"C\t 15   30  extra fields", true, 'C', 15, 30},
        {"  g 9 7", true, 'g', 9, 7},
        {"t 40 12abc", true, 't', 40, 12},
        {"g 10", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (Case const& c : cases) {
        Str line(c.line);
        char base = 0;
        long quality = 0, position = 0;
        ASSERT_EQ(PhdFile::ParseBase(line, base, quality, position), c.ok) << c.line;
        if (!c.ok) continue;
        EXPECT_EQ(base, c.base) << c.line;
        EXPECT_EQ(quality, c.quality) << c.line;
        EXPECT_EQ(position, c.position) << c.line;
    }
    EXPECT_TRUE(PhdFile::IsBeginDna(Str("BEGIN_DNA and more")));
    EXPECT_FALSE(PhdFile::IsBeginDna(Str(" BEGIN_DNA")));
    EXPECT_TRUE(PhdFile::IsEndDna(Str("END_DNA  ")));
}

TEST(PhdTagKeeper, KeepsForeignLinesAndCollapsesBlanks) {
    EXPECT_EQ(Keep({"", "  ", "\t", "FOO", "", "", "", "BEGIN_TAG  ", "TYPE: comment", "SOURCE: phrap",
                    "UNPADDED_READ_POS: 3 4", "", "END_TAG", "   ", "BAR", "END_SEQUENCE"}),
              "\nFOO\n\nBEGIN_TAG\nTYPE: comment\nSOURCE: phrap\nUNPADDED_READ_POS: 3 4\n\nEND_TAG\n\nBAR\n");
    // Nothing but the end of the sequence: nothing kept.
    EXPECT_EQ(Keep({"END_SEQUENCE", ""}), "");
}

TEST(PhdTagKeeper, DropsOwnTagsWhereverTheyStand) {
    EXPECT_EQ(Keep({"", "BEGIN_TAG", "TYPE: polymorphism", "SOURCE: quorValix", "UNPADDED_READ_POS: 1 1",
                    "DATE: 01/01/06 00:00:00", "END_TAG", "END_SEQUENCE", "", "BEGIN_TAG", "TYPE: x",
                    "SOURCE: quorValixNew", "END_TAG", "", "BEGIN_TAG", "TYPE: edit", "SOURCE: consed",
                    "END_TAG"}),
              "\nBEGIN_TAG\nTYPE: edit\nSOURCE: consed\nEND_TAG\n");
}

TEST(PhdTagKeeper, RewriteIsStable) {
    // What a rewrite writes after END_DNA: the kept text, new own tags and
    // the end line. Reading that again keeps the same foreign text.
    std::vector<char const*> first = {"", "", "BEGIN_TAG", "TYPE: comment", "SOURCE: consed",
                                      "UNPADDED_READ_POS: 7 9", "BEGIN_COMMENT", "look here", "END_COMMENT",
                                      "END_TAG", "END_SEQUENCE"};
    std::string kept = Keep(first);
    std::string rewritten = kept +
                            "\nBEGIN_TAG\nTYPE: polymorphism\nSOURCE: quorValix\nUNPADDED_READ_POS: 2 2\n"
                            "DATE: 02/28/06 09:05:07\nEND_TAG\n\nEND_SEQUENCE\n";
    std::vector<std::string> lines;
    std::stringstream in(rewritten);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    PhdTagKeeper keeper;
    keeper.Begin();
    for (std::string const& line : lines) keeper.Line(Str(line.c_str()));
    keeper.End();
    EXPECT_EQ(kept, keeper.Kept().String());
}

TEST(PhdTagKeeper, ReportsEachForeignTag) {
    PhdTagKeeper keeper;
    keeper.Begin();
    std::vector<char const*> lines = {"BEGIN_TAG", "TYPE: genotype extra", "SOURCE: user",
                                      "UNPADDED_READ_POS: 4 5", "UNPADDED_READ_POS: 10 11", "BEGIN_COMMENT",
                                      "A/", "G", "END_COMMENT", "END_TAG"};
    int ended = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        bool closed = keeper.Line(Str(lines[i]));
        EXPECT_EQ(closed, i + 1 == lines.size()) << lines[i];
        ended += closed;
    }
    EXPECT_EQ(ended, 1);
    EXPECT_STREQ(keeper.TagType().String(), "genotype");
    EXPECT_TRUE(keeper.HasTagPosition());
    EXPECT_EQ(keeper.TagPosition(), 10);
    EXPECT_STREQ(keeper.TagComment().String(), "A/G");

    // A tag without position, cut off by the end of the file.
    keeper.Begin();
    keeper.Line(Str("BEGIN_TAG"));
    keeper.Line(Str("TYPE: note"));
    keeper.Line(Str("SOURCE: user"));
    keeper.Line(Str("DATE: x"));
    EXPECT_TRUE(keeper.End());
    EXPECT_FALSE(keeper.HasTagPosition());
    EXPECT_STREQ(keeper.Kept().String(), "\nBEGIN_TAG\nTYPE: note\nSOURCE: user\nDATE: x\n");
    // Own tags are never reported.
    keeper.Begin();
    keeper.Line(Str("BEGIN_TAG"));
    keeper.Line(Str("TYPE: note"));
    keeper.Line(Str("SOURCE: quorValix"));
    EXPECT_FALSE(keeper.Line(Str("END_TAG")));
    EXPECT_FALSE(keeper.End());
}

TEST(PhdTagKeeper, TellsOfTagBlocksThatNeverClose) {
    struct {
        std::vector<char const*> lines;
        bool unclosed;
    } const cases[] = {
        {{"BEGIN_TAG", "TYPE: a", "SOURCE: user", "END_TAG", "", "BEGIN_TAG", "TYPE: b", "SOURCE: quorValix",
          "END_TAG"},
         false},
        // An own tag cut off by the end of the file, or running into the
        // next tag; a foreign tag likewise; a block of two lines.
        {{"BEGIN_TAG", "TYPE: b", "SOURCE: quorValix", "DATE: x"}, true},
        {{"BEGIN_TAG", "TYPE: b", "SOURCE: quorValix", "", "BEGIN_TAG", "TYPE: a", "SOURCE: user", "END_TAG"},
         true},
        {{"BEGIN_TAG", "TYPE: a", "SOURCE: user", "BEGIN_TAG", "END_TAG"}, true},
        {{"BEGIN_TAG", "TYPE: a"}, true},
    };
    PhdTagKeeper keeper;
    for (auto const& c : cases) {
        keeper.Begin();
        for (char const* line : c.lines) keeper.Line(Str(line));
        keeper.End();
        EXPECT_EQ(keeper.HasUnclosedTag(), c.unclosed) << c.lines.size();
    }
    keeper.Begin();  // a new file starts clean
    EXPECT_FALSE(keeper.HasUnclosedTag());
}


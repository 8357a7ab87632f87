#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "childprocess.h"
#include "filereader.h"
#include "tempdir.h"

using Texts = std::vector<std::string>;

// Block sizes that put block boundaries everywhere in small files, and the
// two sizes the programs use.
static long const blockSizes[] = {1, 2, 3, 4, 5, 7, 8, 13, 1024, 131072};

class FileReaderTest : public testing::Test {
protected:
    // Opens a file holding `bytes` with the given block size.
    void OpenWith(std::string const& bytes, long blockSize = 1024) {
        dir.Write("input", bytes);
        reader.SetSize(blockSize);
        ASSERT_TRUE(reader.Open(dir.File("input").c_str()));
    }

    Texts AllLines() {
        Texts lines;
        Str line;
        while (reader.GetLine(line)) lines.push_back(std::string(line.String(), line.Length()));
        return lines;
    }

    TempDir dir;
    FileReader reader;
};

TEST_F(FileReaderTest, LinesAtEveryBlockSize) {
    struct {
        char const* text;
        Texts lines;
        long lineCount;
    } const cases[] = {
        {"", {}, 0},
        {"one\ntwo\n", {"one", "two"}, 2},
        {"one\ntwo", {"one", "two"}, 1},  // a last line without a line feed
        {"a\r\nb", {"a\r", "b"}, 1},
        {"\n\nx\n\n", {"", "", "x", ""}, 4},
        {"a long line that crosses many blocks\nshort\n",
         {"a long line that crosses many blocks", "short"}, 2},
    };
    for (auto const& c : cases) {
        for (long size : blockSizes) {
            OpenWith(c.text, size);
            EXPECT_EQ(AllLines(), c.lines) << '"' << c.text << "\" block " << size;
            EXPECT_EQ(reader.GetLineNumber(), c.lineCount);
            EXPECT_TRUE(reader.IsEndOfFile());
            Str line("kept");
            EXPECT_FALSE(reader.GetLine(line));
        }
    }
}

TEST_F(FileReaderTest, OneFullBlockHasNoExtraLine) {
    std::string text;
    for (int i = 0; i < 64; ++i) text += "line of fifteen\n";
    ASSERT_EQ(text.size(), 1024u);
    OpenWith(text);
    EXPECT_EQ(AllLines().size(), 64u);
    EXPECT_EQ(reader.GetLineNumber(), 64);
}

TEST_F(FileReaderTest, TextLinesSkipBlankOnes) {
    struct {
        char const* text;
        Texts lines;
    } const cases[] = {
        {"\n  \t\nx\n", {"x"}},
        {"a\n\r\n \nb", {"a", "b"}},  // a last line without a line feed is delivered
        {" \n\t\n", {}},
        {"  lead and trail  \n", {"  lead and trail  "}},
    };
    for (auto const& c : cases) {
        for (long size : blockSizes) {
            OpenWith(c.text, size);
            Texts lines;
            Str line;
            while (reader.GetTextLine(line)) lines.push_back(line.String());
            EXPECT_EQ(lines, c.lines) << '"' << c.text << "\" block " << size;
        }
    }
    OpenWith("\n  \t\nx\n");
    Str line;
    reader.GetTextLine(line);
    EXPECT_FALSE(reader.GetTextLine(line));
    EXPECT_EQ(reader.GetLineNumber(), 3);
}

TEST_F(FileReaderTest, TokensAtEveryBlockSize) {
    std::string const text = "  BS 1 20 readname\n\tCO  Contig1 \r\n\nlast";
    Texts const expected{"BS", "1", "20", "readname", "CO", "Contig1", "last"};
    for (long size : blockSizes) {
        OpenWith(text, size);
        Texts tokens;
        Str token;
        while (reader.GetToken(token)) tokens.push_back(token.String());
        EXPECT_EQ(tokens, expected) << "block " << size;
        EXPECT_STREQ(token.String(), "");
        EXPECT_EQ(reader.GetLineNumber(), 3);
    }
}

TEST_F(FileReaderTest, TokenLeavesTheByteAfterIt) {
    OpenWith("  ab  cd");
    Str token;
    ASSERT_TRUE(reader.GetToken(token));
    EXPECT_STREQ(token.String(), "ab");
    EXPECT_EQ(reader.GetPosition(), 4);
    ASSERT_TRUE(reader.GetToken(token));
    EXPECT_STREQ(token.String(), "cd");
    EXPECT_FALSE(reader.GetToken(token));
}

TEST_F(FileReaderTest, FieldsEndAtTheSeparatorOrTheLine) {
    struct {
        char const* text;
        Texts fields;
    } const cases[] = {
        {"a,,b\n", {"a", "", "b"}},
        {"a,b\nc", {"a", "b", "c"}},
        {" x , y\r\n", {" x ", " y\r"}},
        {",", {""}},
    };
    for (auto const& c : cases) {
        for (long size : blockSizes) {
            OpenWith(c.text, size);
            Texts fields;
            Str field;
            while (reader.GetToken(field, ',')) fields.push_back(field.String());
            EXPECT_EQ(fields, c.fields) << '"' << c.text << "\" block " << size;
        }
    }
}

TEST_F(FileReaderTest, SkipsAndCharacters) {
    for (long size : blockSizes) {
        OpenWith("abc\ndef\nghi jkl mno\np,q,r\n  z", size);
        reader.SkipLine(1);  // its line feed may be the last byte of a block
        Str text;
        ASSERT_TRUE(reader.GetLine(text));
        EXPECT_STREQ(text.String(), "def") << size;
        reader.SkipToken(2);
        ASSERT_TRUE(reader.GetToken(text));
        EXPECT_STREQ(text.String(), "mno");
        reader.SkipLine(1);
        reader.SkipToken(',', 2);
        ASSERT_TRUE(reader.GetLine(text));
        EXPECT_STREQ(text.String(), "r");
        char ch = 0;
        ASSERT_TRUE(reader.GetCharacter(ch));
        EXPECT_EQ(ch, 'z');
        EXPECT_FALSE(reader.GetCharacter(ch));
        EXPECT_EQ(reader.GetLineNumber(), 4);
        reader.SkipLine(3);  // at the end: stops quietly
        reader.SkipToken(3);
        EXPECT_TRUE(reader.IsEndOfFile());
    }
}

TEST_F(FileReaderTest, StreamOperatorReadsLines) {
    OpenWith("x\ny");
    Str line;
    reader >> line;
    EXPECT_STREQ(line.String(), "x");
    reader >> line;
    EXPECT_STREQ(line.String(), "y");
    reader >> line;
    EXPECT_STREQ(line.String(), "");
}

TEST_F(FileReaderTest, LineCountAcrossOperations) {
    OpenWith("a\n\n b\nc,d\ne\n", 3);
    Str text;
    reader.GetToken(text);  // a; the line feed after it stays
    EXPECT_EQ(reader.GetLineNumber(), 0);
    reader.GetToken(text);  // b, past two line feeds
    EXPECT_EQ(reader.GetLineNumber(), 2);
    reader.SkipLine(1);
    reader.GetToken(text, ',');
    reader.GetToken(text, ',');  // d, ended by a line feed
    EXPECT_EQ(reader.GetLineNumber(), 4);
}

TEST_F(FileReaderTest, BigEndianIntegers) {
    std::string const bytes("\x00\x00\x01\x02\xff\xfe\xff\xff\xff\xfe", 10);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        long value = 0;
        ASSERT_TRUE(reader.GetInteger(value));
        EXPECT_EQ(value, 258);
        unsigned short u16 = 0;
        ASSERT_TRUE(reader.GetInteger(4L, u16));
        EXPECT_EQ(u16, 65534);
        short s16 = 0;
        ASSERT_TRUE(reader.GetInteger(4L, s16));
        EXPECT_EQ(s16, -2);
        ASSERT_TRUE(reader.GetInteger(value));
        EXPECT_EQ(value, -2);
        unsigned long u32 = 0;
        ASSERT_TRUE(reader.GetInteger(6L, u32));
        EXPECT_EQ(u32, 4294967294UL);
        EXPECT_FALSE(reader.GetInteger(u16));
        EXPECT_TRUE(reader.IsEndOfFile());
    }
}

TEST_F(FileReaderTest, ValueCutByTheEndIsNotConsumed) {
    for (long size : blockSizes) {
        OpenWith(std::string("\x01\x02\x03\x04\x05\x06", 6), size);
        ASSERT_TRUE(reader.SetPosition(4));
        long value = 0;
        EXPECT_FALSE(reader.GetInteger(value)) << size;
        EXPECT_EQ(reader.GetPosition(), 4) << size;
        unsigned short u16 = 0;
        ASSERT_TRUE(reader.GetInteger(u16));
        EXPECT_EQ(u16, 0x0506);
        EXPECT_FALSE(reader.GetInteger(5L, value));
        unsigned char byte = 0;
        ASSERT_TRUE(reader.GetByte(byte));
        EXPECT_EQ(byte, 6);
    }
}

TEST_F(FileReaderTest, ArraysStopAtTheFirstIncompleteValue) {
    for (long size : {1L, 3L, 1024L}) {
        OpenWith(std::string("\x00\x01\x00\x02\x00", 5), size);
        unsigned short values[3] = {0, 0, 0};
        EXPECT_EQ(reader.GetInteger(values, 3), 2);
        EXPECT_EQ(values[1], 2);
        char rest = 1;
        ASSERT_TRUE(reader.GetByte(rest));
        EXPECT_EQ(rest, 0);

        OpenWith(std::string("\xff\xff\xff\xff\x00\x00\x00\x07\x00", 9), size);
        long longs[3] = {0, 0, 0};
        EXPECT_EQ(reader.GetInteger(longs, 3), 2);
        EXPECT_EQ(longs[0], -1);
        EXPECT_EQ(longs[1], 7);
    }
}

TEST_F(FileReaderTest, FloatsInHostOrder) {
    float f = 1.5f, fs[2] = {-2.25f, 1e-3f};
    double d = 3.141592653589793, ds[2] = {-1e300, 0.1};
    std::string bytes(reinterpret_cast<char*>(&f), sizeof f);
    bytes.append(reinterpret_cast<char*>(fs), sizeof fs);
    bytes.append(reinterpret_cast<char*>(&d), sizeof d);
    bytes.append(reinterpret_cast<char*>(ds), sizeof ds);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        float readF = 0, readFs[2] = {0, 0};
        double readD = 0, readDs[3] = {0, 0, 0};
        ASSERT_TRUE(reader.GetFloat(readF));
        ASSERT_EQ(reader.GetFloat(readFs, 2), 2);
        ASSERT_TRUE(reader.GetFloat(readD));
        ASSERT_EQ(reader.GetFloat(readDs, 3), 2);
        EXPECT_EQ(readF, f);
        EXPECT_EQ(readFs[1], fs[1]);
        EXPECT_EQ(readD, d);
        EXPECT_EQ(readDs[0], ds[0]);
        EXPECT_EQ(readDs[1], ds[1]);
        double at = 0;
        ASSERT_TRUE(reader.GetFloat(12L, at));
        EXPECT_EQ(at, d);
        float atF = 0;
        ASSERT_TRUE(reader.GetFloat(4L, atF));
        EXPECT_EQ(atF, fs[0]);
    }
}

TEST_F(FileReaderTest, BytesAndByteRuns) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        unsigned char first = 0;
        ASSERT_TRUE(reader.GetByte(first));
        EXPECT_EQ(first, 0);
        std::vector<char> run(400, 0);
        EXPECT_EQ(reader.GetByte(run.data(), 250), 250);
        EXPECT_EQ(std::string(run.data(), 250), bytes.substr(1, 250));
        EXPECT_EQ(reader.GetByte(reinterpret_cast<unsigned char*>(run.data()), 400), 49);
        EXPECT_FALSE(reader.GetByte(first));
        char at = 0;
        ASSERT_TRUE(reader.GetByte(255L, at));
        EXPECT_EQ(static_cast<unsigned char>(at), 255);
        ASSERT_TRUE(reader.GetByte(1L, first));
        EXPECT_EQ(first, 1);
    }
}

TEST_F(FileReaderTest, PositionsAndOffsets) {
    std::string bytes;
    for (int i = 0; i < 100; ++i) bytes += static_cast<char>('A' + i % 26);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        EXPECT_EQ(reader.GetFileSize(), 100);
        for (long pos : {0L, 7L, 8L, 99L, 3L, 64L, 100L}) {
            ASSERT_TRUE(reader.SetPosition(pos));
            EXPECT_EQ(reader.GetPosition(), pos) << "block " << size;
        }
        // A read at an offset in another block, then sequential reads: the
        // bytes of the block actually loaded.
        ASSERT_TRUE(reader.SetPosition(2));
        char ch = 0;
        ASSERT_TRUE(reader.GetByte(90L, ch));
        EXPECT_EQ(ch, bytes[90]);
        Str rest;
        ASSERT_TRUE(reader.GetLine(rest));
        EXPECT_EQ(std::string(rest.String()), bytes.substr(91));
        EXPECT_FALSE(reader.SetPosition(-1));
    }
}

TEST_F(FileReaderTest, PositionPastTheEndIsTheEndOfInput) {
    for (long size : {4L, 1024L}) {
        for (long pos : {10L, 11L, 500L, 5000L}) {
            OpenWith("0123456789", size);
            ASSERT_TRUE(reader.SetPosition(pos));
            char ch = 0;
            EXPECT_FALSE(reader.GetByte(ch)) << pos << " block " << size;
            Str text;
            EXPECT_FALSE(reader.GetLine(text));
            EXPECT_FALSE(reader.GetToken(text));
            EXPECT_FALSE(reader.GetString(text));
            EXPECT_TRUE(reader.IsEndOfFile());
            ASSERT_TRUE(reader.SetPosition(8));
            ASSERT_TRUE(reader.GetLine(text));
            EXPECT_STREQ(text.String(), "89");
        }
    }
}

TEST_F(FileReaderTest, NulEndedStrings) {
    std::string const bytes("ab\0line\nfeed\0cd", 15);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        Str text;
        ASSERT_TRUE(reader.GetString(text));
        EXPECT_STREQ(text.String(), "ab");
        ASSERT_TRUE(reader.GetString(text));
        EXPECT_STREQ(text.String(), "line\nfeed");
        EXPECT_EQ(reader.GetLineNumber(), 1);
        ASSERT_TRUE(reader.GetString(text));  // ended by the end of the file
        EXPECT_STREQ(text.String(), "cd");
        EXPECT_FALSE(reader.GetString(text));
        ASSERT_TRUE(reader.GetString(3L, text));
        EXPECT_STREQ(text.String(), "line\nfeed");
        EXPECT_FALSE(reader.GetString(13L, text));  // at an offset the end does not end it
        EXPECT_STREQ(text.String(), "cd");
    }
}

TEST_F(FileReaderTest, CountedStrings) {
    std::string const bytes("abcdef\0gh\0ij", 12);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        Str text("previous");
        ASSERT_TRUE(reader.GetString(text, 3L));
        EXPECT_STREQ(text.String(), "abc");
        ASSERT_TRUE(reader.GetString(text, 0L));
        EXPECT_STREQ(text.String(), "");
        ASSERT_TRUE(reader.GetString(text, -7L));
        EXPECT_STREQ(text.String(), "");
        EXPECT_EQ(reader.GetPosition(), 3);
        // Reading stops at a NUL; the count is still consumed.
        ASSERT_TRUE(reader.GetString(text, 5L));
        EXPECT_STREQ(text.String(), "def");
        EXPECT_EQ(text.Length(), 3);
        EXPECT_EQ(reader.GetPosition(), 8);
        // A count beyond the file is capped at the bytes left.
        ASSERT_TRUE(reader.GetString(text, 1L << 40));
        EXPECT_STREQ(text.String(), "h");
        EXPECT_TRUE(reader.IsEndOfFile());
        EXPECT_FALSE(reader.GetString(text, 2L));
        ASSERT_TRUE(reader.GetString(10L, text, 1L << 40));
        EXPECT_STREQ(text.String(), "ij");

        char raw[8];
        std::memset(raw, 'x', sizeof raw);
        ASSERT_TRUE(reader.GetString(4L, raw, 4L));
        EXPECT_EQ(std::string(raw, 5), std::string("ef\0g\0", 5));  // raw bytes and a NUL
        ASSERT_TRUE(reader.GetString(raw, 7L));
        EXPECT_EQ(std::string(raw, 5), std::string("h\0ij\0", 5));
        EXPECT_FALSE(reader.GetString(raw, 1L));
    }
}

TEST_F(FileReaderTest, FailedOpenLeavesNothingToRead) {
    OpenWith("first file\nsecond line\n", 4);
    Str text;
    reader.GetLine(text);
    EXPECT_FALSE(reader.Open(dir.File("missing").c_str()));
    EXPECT_EQ(reader.GetError(), ENOENT);
    EXPECT_TRUE(reader.IsEndOfFile());
    EXPECT_EQ(reader.GetLineNumber(), 0);
    EXPECT_EQ(reader.GetFileSize(), 0);
    EXPECT_FALSE(reader.GetLine(text));
    EXPECT_FALSE(reader.GetToken(text));
    char ch = 0;
    EXPECT_FALSE(reader.GetByte(ch));
    EXPECT_FALSE(reader.GetByte(0L, ch));
    // A directory is not a file to read.
    EXPECT_FALSE(reader.Open(dir.Path().c_str()));
    EXPECT_EQ(reader.GetError(), EISDIR);
    EXPECT_FALSE(reader.GetLine(text));
    EXPECT_EQ(reader.OpenRegular(Str(dir.File("missing").c_str())), FileReader::NotOpened);
    EXPECT_EQ(reader.GetError(), ENOENT);
    // The same reader goes on with the next file.
    dir.Write("next", "next\n");
    ASSERT_TRUE(reader.Open(dir.File("next").c_str()));
    EXPECT_EQ(reader.GetError(), 0);
    ASSERT_TRUE(reader.GetLine(text));
    EXPECT_STREQ(text.String(), "next");
    EXPECT_EQ(reader.GetLineNumber(), 1);
}

// OpenRegular opens a regular file only: a pipe without a writer or a
// device is refused at once, never waited on or read without end, and the
// reader is left with nothing to read. Run in a child that is killed when
// an open waits.
TEST_F(FileReaderTest, OpenRegularRefusesWhatIsNoRegularFile) {
    dir.Write("plain", "text\n");
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zeros").c_str()), 0);
    struct {
        std::string name;
        FileReader::Opening opening;
    } const cases[] = {{"plain", FileReader::Opened},     {"missing", FileReader::NotOpened},
                       {"pipe", FileReader::NotRegular},  {"zeros", FileReader::NotRegular},
                       {".", FileReader::NotRegular}};
    ChildSetup setup;
    setup.timeout = 10;
    RunResult r = RunInChild(
        [&] {
            int wrong = 0;
            for (auto const& c : cases) {
                reader.SetSize(4);
                Str text;
                FileReader::Opening opening = reader.OpenRegular(Str(dir.File(c.name).c_str()));
                bool read = reader.GetLine(text);
                if (opening != c.opening || read != (c.opening == FileReader::Opened)) {
                    std::cerr << c.name << " ";
                    ++wrong;
                }
            }
            // After a refusal the same reader goes on with the next file.
            Str text;
            if (reader.OpenRegular(Str(dir.File("plain").c_str())) != FileReader::Opened || !reader.GetLine(text) ||
                !(text == "text"))
                ++wrong;
            return wrong;
        },
        setup);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(FileReaderTest, ReadErrorIsNotTheEndOfTheFile) {
    OpenWith("a\nb\n", 2);
    Str text;
    while (reader.GetLine(text)) {
    }
    EXPECT_FALSE(reader.HasFailed());  // a plain end
    // Reading this process's memory at address 0 fails with an I/O error.
    if (!reader.Open("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
    EXPECT_FALSE(reader.GetLine(text));
    EXPECT_TRUE(reader.HasFailed());
    EXPECT_EQ(reader.GetError(), EIO);
    ASSERT_TRUE(reader.Open(dir.File("input").c_str()));  // a new file starts clean
    EXPECT_FALSE(reader.HasFailed());
    EXPECT_EQ(reader.GetError(), 0);
}

TEST_F(FileReaderTest, ReopenStartsAfresh) {
    OpenWith("a\nb\nc\n", 2);
    Str text;
    reader.GetLine(text);
    reader.GetLine(text);
    reader.Close();
    ASSERT_TRUE(reader.Open(dir.File("input").c_str()));
    EXPECT_EQ(reader.GetLineNumber(), 0);
    EXPECT_EQ(reader.GetPosition(), 0);
    ASSERT_TRUE(reader.GetLine(text));
    EXPECT_STREQ(text.String(), "a");
}

TEST_F(FileReaderTest, CheckTellsWhetherAPathExists) {
    dir.Write("there", "");
    EXPECT_TRUE(FileReader::Check(dir.File("there").c_str()));
    EXPECT_TRUE(FileReader::Check(Str(dir.Path().c_str())));
    EXPECT_FALSE(FileReader::Check(dir.File("not there").c_str()));
}

// Devices, behind links too; a pipe, a directory or a regular file is none.
TEST_F(FileReaderTest, IsDeviceTellsADevice) {
    dir.Write("plain", "");
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zeros").c_str()), 0);
    for (std::string device : {std::string("/dev/null"), std::string("/dev/urandom"), dir.File("zeros")})
        EXPECT_TRUE(FileReader::IsDevice(Str(device.c_str()))) << device;
    for (std::string other : {dir.File("plain"), dir.File("pipe"), dir.Path(), dir.File("not there")})
        EXPECT_FALSE(FileReader::IsDevice(Str(other.c_str()))) << other;
}

TEST_F(FileReaderTest, EmbeddedNulEndsTheText) {
    OpenWith(std::string("ab\0cd ef\n", 9));
    Str text;
    ASSERT_TRUE(reader.GetLine(text));
    EXPECT_EQ(text.Length(), 2);
    EXPECT_STREQ(text.String(), "ab");
}

// The reader tells the line of the first text that a NUL cut short, so that
// no file is rewritten from lines that lost bytes.
TEST_F(FileReaderTest, NulLineIsTheFirstCutText) {
    char const raw[] = "one\ntwo\n\0\nfour x\0y\nfive\n";
    std::string const bytes(raw, sizeof raw - 1);
    for (long size : blockSizes) {
        OpenWith(bytes, size);
        Str text;
        ASSERT_TRUE(reader.GetLine(text));
        ASSERT_TRUE(reader.GetLine(text));
        EXPECT_EQ(reader.GetNulLine(), 0);
        ASSERT_TRUE(reader.GetLine(text));  // a NUL and its line end: an empty text
        EXPECT_EQ(reader.GetNulLine(), 3) << size;
        ASSERT_TRUE(reader.GetToken(text));
        ASSERT_TRUE(reader.GetToken(text));
        EXPECT_STREQ(text.String(), "x");
        EXPECT_EQ(reader.GetNulLine(), 3) << size;
        reader.SetSize(size);
        ASSERT_TRUE(reader.Open(dir.File("input").c_str()));
        EXPECT_EQ(reader.GetNulLine(), 0);
        reader.SkipLine(3);
        ASSERT_TRUE(reader.GetToken(text));
        ASSERT_TRUE(reader.GetToken(text));
        EXPECT_EQ(reader.GetNulLine(), 4) << size;
    }
    // Strings that a NUL ends are not cut.
    OpenWith(std::string("ab\0cd\0", 6));
    Str text;
    ASSERT_TRUE(reader.GetString(text));
    ASSERT_TRUE(reader.GetString(text));
    EXPECT_EQ(reader.GetNulLine(), 0);
}

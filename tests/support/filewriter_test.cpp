#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "filewriter.h"
#include "tempdir.h"

class FileWriterTest : public testing::Test {
protected:
    std::string Out() const { return dir.Read("out"); }
    std::string OutPath() const { return dir.File("out"); }

    // The file written by `write` through a writer of the given block size.
    template <class Write>
    std::string Written(long blockSize, Write write) {
        FileWriter writer(blockSize);
        EXPECT_TRUE(writer.Open(OutPath().c_str()));
        write(writer);
        EXPECT_TRUE(writer.Close());
        return Out();
    }

    TempDir dir;
};

static long const blockSizes[] = {1, 2, 3, 4, 5, 7, 8, 16, 1024};

TEST_F(FileWriterTest, TextValuesAndNumbers) {
    for (long size : blockSizes) {
        std::string file = Written(size, [](FileWriter& out) {
            out.Append(Str("str"));
            out.Append("|chars|");
            out.Append('c');
            out.Append(-45L);
            out.Append(0.1);
            out.AppendLine();
            out.AppendLine(Str("line"));
            out.AppendLine(12.5);
            out.AppendLine('x');
            out.AppendLine(7L);
            out.AppendToken("t");
            out.AppendToken(1e-7);
            out.AppendToken(3L, ',');
            out.AppendToken('q', ';');
            out.AppendToken(Str("end"), '\n');
            out << "chain " << 1L << ' ' << 2.5 << Str("!");
        });
        EXPECT_EQ(file, "str|chars|c-450.1\nline\n12.5\nx\n7\nt 1.e-07 3,q;end\nchain 1 2.5!")
            << "block " << size;
    }
}

TEST_F(FileWriterTest, FullBlocksAreWrittenAtOnce) {
    FileWriter writer(16);
    ASSERT_TRUE(writer.Open(OutPath().c_str()));
    writer.Append("0123456789abcdef");  // exactly one block
    EXPECT_EQ(Out(), "0123456789abcdef");
    writer.Append("xyz");
    EXPECT_EQ(Out().size(), 16u);  // pending until Close
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(Out(), "0123456789abcdefxyz");

    std::string longText;
    for (int i = 0; i < 40; ++i) longText += static_cast<char>('a' + i % 26);
    FileWriter blocks(16);
    ASSERT_TRUE(blocks.Open(OutPath().c_str()));
    blocks.Append(longText.c_str());  // 2.5 blocks
    EXPECT_EQ(Out(), longText.substr(0, 32));
    EXPECT_TRUE(blocks.Close());
    EXPECT_EQ(Out(), longText);
}

TEST_F(FileWriterTest, BigEndianIntegersAcrossBlockBoundaries) {
    for (long size : blockSizes) {
        std::string file = Written(size, [](FileWriter& out) {
            out.AppendByte("ab", 2);
            out.AppendInteger(258L);
            out.AppendInteger(static_cast<short>(-2));
            out.AppendInteger(static_cast<unsigned short>(0xABCD));
            out.AppendInteger(4294967294UL);
            short shorts[] = {1, -1};
            out.AppendInteger(shorts, 2);
            unsigned short ushorts[] = {0x0102};
            out.AppendInteger(ushorts, 1);
            long longs[] = {-1, 0x01020304};
            out.AppendInteger(longs, 2);
            unsigned long ulongs[] = {0x0A0B0C0D};
            out.AppendInteger(ulongs, 1);
            out.AppendByte(static_cast<unsigned char>(0xFF));
            unsigned char raw[] = {0, 0x80};
            out.AppendByte(raw, 2);
            out.AppendByte('z');
        });
        std::string const expected(
            "ab\x00\x00\x01\x02\xff\xfe\xab\xcd\xff\xff\xff\xfe\x00\x01\xff\xff\x01\x02"
            "\xff\xff\xff\xff\x01\x02\x03\x04\x0a\x0b\x0c\x0d\xff\x00\x80z",
            36);
        EXPECT_EQ(file, expected) << "block " << size;
    }
}

TEST_F(FileWriterTest, FloatsInHostOrder) {
    float f = -1.5f, fs[] = {2.0f, 1e-3f};
    double d = 0.1, ds[] = {-1e300};
    std::string expected(reinterpret_cast<char*>(&f), sizeof f);
    expected.append(reinterpret_cast<char*>(fs), sizeof fs);
    expected.append(reinterpret_cast<char*>(&d), sizeof d);
    expected.append(reinterpret_cast<char*>(ds), sizeof ds);
    for (long size : {3L, 1024L}) {
        EXPECT_EQ(Written(size,
                          [&](FileWriter& out) {
                              out.AppendFloat(f);
                              out.AppendFloat(fs, 2);
                              out.AppendFloat(d);
                              out.AppendFloat(ds, 1);
                          }),
                  expected);
    }
}

TEST_F(FileWriterTest, StringsEndWithANul) {
    for (long size : {4L, 1024L}) {
        std::string file = Written(size, [](FileWriter& out) {
            out.Append("xy");
            out.AppendString("longer than the room left");
            out.AppendString(Str("s"));
            out.AppendString("");
        });
        EXPECT_EQ(file, std::string("xylonger than the room left\0s\0\0", 31));
    }
}

TEST_F(FileWriterTest, FieldsAndPaddedValues) {
    for (long size : {1L, 8L, 1024L}) {
        std::string file = Written(size, [](FileWriter& out) {
            out.AppendField("abcdef", 4);
            out.Append('|');
            out.AppendField(Str("abcdef"), 8);
            out.Append('|');
            out.AppendField("x", -3);
            out.AppendField("x", 0);
            out.Append("ab", 5, true);
            out.Append('|');
            out.Append(Str("ab"), 5, false);
            out.Append('|');
            out.Append("ab", 1, true);
            out.Append('|');
            out.Append('x', 3, true);
            out.Append('|');
            out.Append(42L, 5, false);
            out.Append('|');
            out.Append(0.5, 4, true);
            out.Append('|');
            out.Append(-7L, 0, true);
            out.Append('|');
            out.Append(3, 2, true);
            out.Append('|');
            out.Append("z", 20, true);  // longer than the block
            out.Append("y", 12, false);
            out.Append('|');
        });
        EXPECT_EQ(file, "abcd|abcdef  |   ab|ab   |ab|  x|42   | 0.5|-7| 3|" + std::string(19, ' ') +
                            "zy" + std::string(11, ' ') + "|")
            << "block " << size;
    }
}

TEST_F(FileWriterTest, ReopenAppendsOpenCuts) {
    dir.Write("out", "old\n");
    FileWriter writer;
    ASSERT_TRUE(writer.Reopen(OutPath().c_str()));
    writer.AppendLine("new");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Out(), "old\nnew\n");
    ASSERT_TRUE(writer.Open(Str(OutPath().c_str())));
    writer.Append("cut");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Out(), "cut");
    ASSERT_TRUE(writer.Reopen(dir.File("created").c_str()));
    writer.Append("made");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(dir.Read("created"), "made");
}

TEST_F(FileWriterTest, PendingBytesNeedClose) {
    {
        FileWriter writer(8);
        ASSERT_TRUE(writer.Open(OutPath().c_str()));
        writer.Append("0123456789");
    }
    EXPECT_EQ(Out(), "01234567");
    FileWriter writer;
    ASSERT_TRUE(writer.Open(OutPath().c_str()));
    writer.Append("pending");
    writer.SetSize(2048);  // drops what is pending
    writer.Append("kept");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Out(), "kept");
}

TEST_F(FileWriterTest, FailuresAreReportedByClose) {
    FileWriter writer;
    writer.Append("dropped");
    EXPECT_FALSE(writer.Close());  // never opened

    ASSERT_TRUE(writer.Open("/dev/full"));
    writer.Append("short text");
    EXPECT_FALSE(writer.Close());
    EXPECT_STREQ(writer.GetErrorText(), std::strerror(ENOSPC));

    ASSERT_TRUE(writer.Open("/dev/full"));
    for (int i = 0; i < 100; ++i) writer.AppendLine("many blocks of text");
    EXPECT_FALSE(writer.Close());
    EXPECT_STREQ(writer.GetErrorText(), std::strerror(ENOSPC));

    EXPECT_FALSE(writer.Open(dir.File("no such dir/out").c_str()));
    writer.Append("lost");
    EXPECT_FALSE(writer.Close());
    EXPECT_STREQ(writer.GetErrorText(), std::strerror(ENOENT));  // the first failure's reason

    ASSERT_TRUE(writer.Open(OutPath().c_str()));  // a new Open clears the failure
    writer.Append("fine");
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(Out(), "fine");
    EXPECT_FALSE(writer.Close());  // already closed
}

TEST_F(FileWriterTest, CreateMakesOnlyNewFilesPrivateByDefaultAndSyncWritesThrough) {
    FileWriter writer(4);
    ASSERT_TRUE(writer.Create(Str(OutPath().c_str())));
    writer.Append("synced text");
    ASSERT_TRUE(writer.Sync());
    EXPECT_EQ(Out(), "synced text");  // on the file before Close
    writer.Append(" and more");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Out(), "synced text and more");
    struct stat status;
    ASSERT_EQ(stat(OutPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    EXPECT_FALSE(writer.Create(Str(OutPath().c_str())));  // never an existing file
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(Out(), "synced text and more");
    ASSERT_EQ(symlink("elsewhere", dir.File("link").c_str()), 0);
    EXPECT_FALSE(writer.Create(Str(dir.File("link").c_str())));  // nor a link, even a dangling one
    EXPECT_NE(stat(dir.File("elsewhere").c_str(), &status), 0);

    // Other bits as for any new file: less the umask.
    mode_t mask = umask(027);
    ASSERT_TRUE(writer.Create(Str(dir.File("shared").c_str()), 0666));
    umask(mask);
    ASSERT_TRUE(writer.Close());
    ASSERT_EQ(stat(dir.File("shared").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    ASSERT_TRUE(writer.Open("/dev/full"));
    writer.Append("lost");
    EXPECT_FALSE(writer.Sync());
    EXPECT_FALSE(writer.Close());
}

TEST_F(FileWriterTest, SetModeGivesTheOpenFileItsPermissions) {
    FileWriter writer;
    EXPECT_FALSE(writer.SetMode(0640));  // no file open
    ASSERT_TRUE(writer.Create(Str(OutPath().c_str())));
    writer.Append("text");
    ASSERT_TRUE(writer.SetMode(02754));
    ASSERT_TRUE(writer.Close());
    struct stat status;
    ASSERT_EQ(stat(OutPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 02754u);
    EXPECT_EQ(Out(), "text");
}

TEST_F(FileWriterTest, CheckTellsWhetherAPathExists) {
    dir.Write("there", "");
    FileWriter writer;
    EXPECT_TRUE(writer.Check(dir.File("there").c_str()));
    EXPECT_TRUE(writer.Check(Str(dir.Path().c_str())));
    EXPECT_FALSE(writer.Check(dir.File("missing").c_str()));
}

TEST_F(FileWriterTest, RemoveEndBlankLinesWhateverTheBlockBoundary) {
    struct {
        std::vector<char const*> pieces;  // RemoveEndBlankLines() after each
        char const* file;
    } const cases[] = {
        {{"line\n\n\n"}, "line\n"},
        {{"a \t\n \n\r\n"}, "a \t\n"},
        {{"a  "}, "a  "},                         // no line feed after the last byte
        {{"a\n   "}, "a\n"},
        {{"\n\n\n"}, "\n\n"},                     // only whitespace: the first byte stays
        {{"  \n\n"}, "  \n"},
        {{"   "}, "   "},
        {{"ab\ncd\n\n", "ef\n\n"}, "ab\ncd\nef\n"},
        {{"x\n\n", "\n\n"}, "x\n"},
        {{"x\n\n", "  \t"}, "x\n"},
        {{"x\n\n", " \n \n"}, "x\n"},
        {{"a long line of text that spans the blocks\n\n\n\n\n\n\n\n\n\n", "tail\n\n"},
         "a long line of text that spans the blocks\ntail\n"},
        {{"", "x"}, "x"},
    };
    for (auto const& c : cases) {
        for (long size : blockSizes) {
            std::string file = Written(size, [&](FileWriter& out) {
                for (char const* piece : c.pieces) {
                    out.Append(piece);
                    out.RemoveEndBlankLines();
                }
            });
            EXPECT_EQ(file, c.file) << '"' << c.pieces[0] << "\" block " << size;
        }
    }
}

TEST_F(FileWriterTest, WhitespaceHeldAtABlockEndStillArrives) {
    for (long size : blockSizes) {
        std::string file = Written(size, [](FileWriter& out) {
            out.Append("a   \n\n   ");
            out.Append("b \t ");
            out.AppendLine();
        });
        EXPECT_EQ(file, "a   \n\n   b \t \n") << "block " << size;
    }
}

TEST(CoutWriter, WritesTextToStandardOutput) {
    CoutWriter console;
    FileWriter& out = console;
    testing::internal::CaptureStdout();
    out.AppendLine(0.1234567);
    out.Append(0.1234567, 0, false);
    out.AppendLine();
    out.Append(25000000.5);
    out.AppendToken(3L, ',');
    out.AppendToken("word");
    out.AppendLine(Str("str"));
    out.Append("ab", 5, true);
    out.Append('x', 3, false);
    out.Append(12L, 4, true);
    out.Append(2.5, 4, false);
    out.Append(Str("s"), 2, true);
    out.AppendByte('!');
    out.AppendByte("raw", 3);
    out << "<" << 4L << ' ' << 1.5 << Str(">");
    EXPECT_TRUE(out.Close());
    std::cout.flush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "0.123457\n0.1234567\n2.5e+07" "3,word str\n   abx    122.5  s!raw<4 1.5>");
}

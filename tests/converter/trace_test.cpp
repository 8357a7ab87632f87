// Reading SCF and ABIF chromatograms: each decoding rule, and damaged files
// that must be refused without reading outside the file.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fixtures.h"
#include "trace.h"

namespace {

TraceData SmallTrace() {
    TraceData t;
    t.channels[0] = {0, 10, 300, 32767, 7, 0, 1, 2};
    t.channels[1] = {32767, 0, 32767, 0, 1, 2, 3, 4};
    t.channels[2] = {5, 5, 5, 5, 5, 5, 5, 5};
    t.channels[3] = {1000, 2000, 3000, 2000, 1000, 0, 0, 30000};
    t.letters = "ACGTNa";
    t.qualities = {20, 30, 40, 50, 60, 70};
    t.peaks = {1, 2, 3, 4, 5, 6};
    t.caller = "KB.bcp";
    return t;
}

// Loads `bytes` written as `name` in a temporary directory.
struct Loaded {
    bool ok = false;
    std::vector<unsigned short> channels[4];
    Str letters;
    Vector<long> quality;
    Vector<long> peaks;
    bool sequence = false;
    Str caller;
};

Loaded Load(std::string const& bytes, std::string const& name = "trace") {
    TempDir dir;
    WriteFile(dir / name, bytes);
    TraceReader reader;
    Str path((dir / name).c_str());
    Loaded result;
    result.ok = reader.ReadTraceFile(path);
    if (!result.ok) return result;
    unsigned short* channels[4];
    long count = 0;
    reader.GetTraces(channels, count);
    for (int ch = 0; ch < 4; ++ch) {
        std::unique_ptr<unsigned short[]> owned(channels[ch]);
        result.channels[ch].assign(channels[ch], channels[ch] + count);
    }
    result.sequence = reader.GetSequence(result.letters, result.quality, result.peaks);
    result.caller = reader.GetCaller();
    return result;
}

std::vector<long> Values(Vector<long> const& v) { return std::vector<long>(v.Array(), v.Array() + v.Length()); }

std::vector<unsigned short> Unsigned(std::vector<int> const& v) {
    return std::vector<unsigned short>(v.begin(), v.end());
}

void ExpectSmallTrace(Loaded const& loaded, bool lettersOnlyQuality) {
    TraceData t = SmallTrace();
    ASSERT_TRUE(loaded.ok);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(loaded.channels[ch], Unsigned(t.channels[ch])) << "channel " << ch;
    ASSERT_TRUE(loaded.sequence);
    EXPECT_STREQ(loaded.letters.String(), "ACGTNa");
    // SCF: only an upper-case A, C, G or T takes the probability of its
    // channel; ABIF stores the qualities themselves.
    std::vector<long> expected = {20, 30, 40, 50, 60, 70};
    if (lettersOnlyQuality) expected = {20, 30, 40, 50, 0, 0};
    EXPECT_EQ(Values(loaded.quality), expected);
    EXPECT_EQ(Values(loaded.peaks), (std::vector<long>{1, 2, 3, 4, 5, 6, 8}));  // then the sample count
    EXPECT_STREQ(loaded.caller.String(), "KB.bcp");
}

}  // namespace

TEST(TraceReaderScf, ReadsVersionsTwoAndThreeWithOneAndTwoByteSamples) {
    for (char version : {'2', '3'}) {
        SCOPED_TRACE(std::string("version ") + version);
        ExpectSmallTrace(Load(ScfFile(SmallTrace(), version, 2)), true);
        TraceData narrow = SmallTrace();
        for (auto& channel : narrow.channels)
            for (int& sample : channel) sample &= 0xff;
        Loaded loaded = Load(ScfFile(narrow, version, 1));
        ASSERT_TRUE(loaded.ok);
        for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(loaded.channels[ch], Unsigned(narrow.channels[ch]));
    }
}

// Version 3 channels are second differences; the two running sums wrap in
// the sample width.
TEST(TraceReaderScf, UndoesSecondDifferencesWithWrap) {
    struct Case {
        int width;
        std::vector<uint32_t> stored;
        std::vector<unsigned short> samples;
    } cases[] = {
        {1, {5, 1, 1}, {5, 11, 18}},
        {1, {200, 100, 0}, {200, 244, 32}},
        {2, {65535, 2, 0}, {65535, 0, 1}},
        {2, {1000, 65036, 0}, {1000, 1500, 2000}},
    };
    for (Case const& c : cases) {
        TraceData t;
        for (auto& channel : t.channels) channel.assign(3, 0);
        std::string file = ScfFile(t, '3', c.width);
        for (std::size_t i = 0; i < 3; ++i) {  // channel A comes first
            if (c.width == 1)
                file[128 + i] = static_cast<char>(c.stored[i]);
            else
                Put16(file, 128 + 2 * i, c.stored[i]);
        }
        Loaded loaded = Load(file);
        ASSERT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.channels[0], c.samples);
        EXPECT_FALSE(loaded.sequence);  // no bases
    }
}

// An SCF mixed-base letter (either case) takes the largest probability
// among its bases' channels. ScfFile gives such a letter the probabilities
// A 40, C 1, G 2, T 3; N and a lower-case base letter get none. ABIF
// stores the qualities themselves.
TEST(TraceReader, MixedBaseQualityIsTheLargestOfItsChannels) {
    TraceData t = SmallTrace();
    t.letters = "RYKMSWBDHVrsNa";
    t.qualities.assign(t.letters.size(), 40);
    t.peaks.clear();
    for (std::size_t i = 0; i < t.letters.size(); ++i) t.peaks.push_back(static_cast<uint32_t>(i % 8));
    std::vector<long> const scf = {40, 3, 3, 40, 2, 40, 3, 40, 40, 40, 40, 2, 0, 0};
    for (char version : {'2', '3'}) {
        Loaded loaded = Load(ScfFile(t, version, 2));
        ASSERT_TRUE(loaded.sequence) << version;
        EXPECT_EQ(Values(loaded.quality), scf) << version;
    }
    Loaded abif = Load(AbiFile(AbiEntries(t)));
    ASSERT_TRUE(abif.sequence);
    EXPECT_EQ(Values(abif.quality), std::vector<long>(t.letters.size(), 40));
}

TEST(TraceReaderScf, CallerOnlyFromBcalLine) {
    TraceData t = SmallTrace();
    t.caller.clear();
    Loaded loaded = Load(ScfFile(t, '2', 2));
    ASSERT_TRUE(loaded.ok);
    EXPECT_STREQ(loaded.caller.String(), "");
}

TEST(TraceReaderAbif, ReadsPlainAndBehindMacBinaryHeader) {
    for (std::size_t prefix : {0, 128}) {
        SCOPED_TRACE(prefix);
        // Channels are stored in the FWO_ order G, A, T, C.
        ExpectSmallTrace(Load(AbiFile(AbiEntries(SmallTrace()), prefix)), false);
    }
}

// A sample below the baseline is 0, not 65535.
TEST(TraceReaderAbif, NegativeSamplesAreZero) {
    TraceData t = SmallTrace();
    t.channels[2] = {-1, -32768, 5, 32767, 0, 0, 0, 0};
    Loaded loaded = Load(AbiFile(AbiEntries(t, "ACGT")));
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.channels[2], (std::vector<unsigned short>{0, 0, 5, 32767, 0, 0, 0, 0}));
}

// Data of four bytes or less is stored in the entry itself.
TEST(TraceReaderAbif, ReadsDataStoredInTheEntry) {
    TraceData t;
    t.channels[0] = {1, 2};
    t.channels[1] = {3, 4};
    t.channels[2] = {5, 6};
    t.channels[3] = {7, 8};
    t.letters = "GT";
    t.qualities = {12, 3};
    t.peaks = {0, 1};
    t.caller = "KBx";
    Loaded loaded = Load(AbiFile(AbiEntries(t)));
    ASSERT_TRUE(loaded.ok);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(loaded.channels[ch], Unsigned(t.channels[ch]));
    ASSERT_TRUE(loaded.sequence);
    EXPECT_STREQ(loaded.letters.String(), "GT");
    EXPECT_EQ(Values(loaded.quality), (std::vector<long>{12, 3}));
    EXPECT_EQ(Values(loaded.peaks), (std::vector<long>{0, 1, 2}));
    EXPECT_STREQ(loaded.caller.String(), "KBx");
}

TEST(TraceReaderAbif, TraceWithoutBasesLoadsWithoutSequence) {
    TraceData t = SmallTrace();
    t.letters.clear();
    Loaded loaded = Load(AbiFile(AbiEntries(t)));
    EXPECT_TRUE(loaded.ok);
    EXPECT_FALSE(loaded.sequence);
}

// An ABIF trace without any PCON entry (older sequencers wrote none) loads
// with its bases and peaks but no qualities; one whose PCON count is not
// the number of bases is damaged.
TEST(TraceReaderAbif, TraceWithoutQualityEntryLoadsWithoutQualities) {
    std::vector<AbiEntry> entries = AbiEntries(SmallTrace());
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](AbiEntry const& e) { return e.name == "PCON"; }),
                  entries.end());
    Loaded loaded = Load(AbiFile(entries));
    ASSERT_TRUE(loaded.ok);
    EXPECT_FALSE(loaded.sequence);
    EXPECT_STREQ(loaded.letters.String(), "ACGTNa");
    EXPECT_EQ(Values(loaded.peaks), (std::vector<long>{1, 2, 3, 4, 5, 6, 8}));
    EXPECT_EQ(loaded.quality.Length(), 0);
}

TEST(TraceReader, SequenceNeedsOneQualityOfTen) {
    TraceData t = SmallTrace();
    t.qualities = {9, 9, 0, -5, 9, 99};  // the last one belongs to "a": not a quality in SCF
    for (std::string const& file : {ScfFile(t, '3', 2), AbiFile(AbiEntries(t))}) {
        TempDir dir;
        WriteFile(dir / "t", file);
        TraceReader reader;
        Str path((dir / "t").c_str());
        ASSERT_TRUE(reader.ReadTraceFile(path));
        Str letters;
        Vector<long> quality;
        quality.Append(42);
        Vector<long> peaks;
        bool abif = file.compare(0, 4, "ABIF") == 0;
        EXPECT_EQ(reader.GetSequence(letters, quality, peaks), abif);
        if (!abif) {
            EXPECT_EQ(Values(quality), std::vector<long>{42});  // left unchanged
        }
        EXPECT_EQ(peaks.Length(), 7);
    }
}

TEST(TraceReader, RefusesWhatIsNoTrace) {
    TempDir dir;
    WriteFile(dir / "fake.ab1", "This is not a chromatogram");
    WriteFile(dir / "empty.scf", "");
    MakeDir(dir / "folder.scf");
    ASSERT_EQ(::mkfifo((dir / "pipe.scf").c_str(), 0600), 0);  // opening it would wait for a writer
    ASSERT_EQ(::mkfifo((dir / "pipe.ab1.gz").c_str(), 0600), 0);
    TraceReader reader;
    for (std::string name : {"fake.ab1", "empty.scf", "folder.scf", "missing.scf", "pipe.scf", "pipe.ab1.gz"}) {
        Str path((dir / name).c_str());
        EXPECT_FALSE(reader.ReadTraceFile(path)) << name;
        EXPECT_FALSE(reader.ReadFailed()) << name;  // what the file holds, or that there is none
        EXPECT_FALSE(reader.AddedGzip()) << name;
    }
}

// A file that is there but cannot be read is a read failure, with the
// system's reason, never taken for a file that holds no trace; a link that
// names nothing is such a file, and is not looked for with ".gz".
TEST(TraceReader, FilesThatCannotBeReadAreReadFailures) {
    TempDir dir;
    std::string const trace = ScfFile(SmallTrace(), '3', 2);
    WriteFile(dir / "locked.scf", trace);
    ::chmod((dir / "locked.scf").c_str(), 0);
    WriteFile(dir / "plain", trace);
    Gzip(dir / "plain", dir / "locked.ab1.gz");
    ::chmod((dir / "locked.ab1.gz").c_str(), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling.scf").c_str()), 0);
    Gzip(dir / "plain", dir / "dangling.scf.gz");  // not read for the dangling link
    ASSERT_EQ(::symlink("loop.scf", (dir / "loop.scf").c_str()), 0);
    struct Case {
        std::string name;
        std::string reason;
        bool addedGzip;
    } const cases[] = {
        {"dangling.scf", "No such file or directory", false},
        {"loop.scf", "Too many levels of symbolic links", false},
        {"locked.scf", "Permission denied", false},
        {"locked.ab1", "Permission denied", true},  // found as locked.ab1.gz
    };
    for (Case const& c : cases) {
        if (c.reason == "Permission denied" && ::geteuid() == 0) continue;  // checked unprivileged below
        TraceReader reader;
        Str path((dir / c.name).c_str());
        EXPECT_FALSE(reader.ReadTraceFile(path)) << c.name;
        EXPECT_TRUE(reader.ReadFailed()) << c.name;
        EXPECT_STREQ(reader.GetReadError(), c.reason.c_str()) << c.name;
        EXPECT_EQ(reader.AddedGzip(), c.addedGzip) << c.name;
    }
    if (::geteuid() != 0) return;
    std::string const locked[] = {dir / "locked.scf", dir / "locked.ab1"};
    ::chmod(dir.Path().c_str(), 0755);
    int code = RunUnprivileged([&] {
        TraceReader reader;
        for (std::string const& name : locked) {
            Str path(name.c_str());
            if (reader.ReadTraceFile(path) || !reader.ReadFailed()) return 1;
            if (std::string(reader.GetReadError()) != "Permission denied") return 2;
        }
        return 0;
    }).status;
    EXPECT_EQ(code, 0);
}

// A file cut anywhere before the end of the data the reader needs is
// refused; an SCF file may lose its comments.
TEST(TraceReader, RefusesEveryTruncation) {
    std::string scf2 = ScfFile(SmallTrace(), '2', 2);
    std::string scf3 = ScfFile(SmallTrace(), '3', 1);
    std::string abif = AbiFile(AbiEntries(SmallTrace()), 128);
    TempDir dir;
    TraceReader reader;
    for (std::string const* file : {&scf2, &scf3, &abif}) {
        // SCF: up to the comments, less the spare bytes of version 3 bases.
        std::size_t needed = file == &abif ? file->size() : Get32(*file, 32) - (file == &scf3 ? 3 * 6 : 0);
        for (std::size_t length = 0; length < file->size(); ++length) {
            WriteFile(dir / "t", file->substr(0, length));
            Str path((dir / "t").c_str());
            EXPECT_EQ(reader.ReadTraceFile(path), length >= needed) << "length " << length;
        }
    }
}

// Counts, offsets and sizes that do not fit the file; none may be used to
// read or allocate.
TEST(TraceReader, RefusesDamagedFields) {
    struct Patch {
        char const* what;
        std::size_t pos;  // SCF: in the file; ABIF: in entry `entry`, or the header when entry < 0
        int entry;
        uint32_t value;
        int bytes;
    };
    Patch const scf[] = {
        {"samples", 4, -1, 0xffffffff, 4},
        {"samples beyond the end", 4, -1, 100000, 4},
        {"sample offset", 8, -1, 0xfffffff0, 4},
        {"bases", 12, -1, 0xffffffff, 4},
        {"base offset", 24, -1, 0xffffff00, 4},
        {"sample size 0", 40, -1, 0, 4},
        {"sample size 4", 40, -1, 4, 4},
    };
    TempDir dir;
    TraceReader reader;
    Str path((dir / "t").c_str());
    for (Patch const& p : scf) {
        std::string file = ScfFile(SmallTrace(), '3', 2);
        Put32(file, p.pos, p.value);
        WriteFile(dir / "t", file);
        EXPECT_FALSE(reader.ReadTraceFile(path)) << p.what;
    }
    // Entries: 0 FWO_, 1-4 DATA 9-12, 5 PBAS, 6 PCON, 7 PLOC, 8 SPAC.
    Patch const abif[] = {
        {"entry size 0", 16, -1, 0, 2},
        {"entry size 27", 16, -1, 27, 2},
        {"entry size 65535", 16, -1, 65535, 2},
        {"entry count", 18, -1, 0xffffffff, 4},
        {"one entry too many", 18, -1, 10, 4},
        {"directory offset", 26, -1, 0xffffff00, 4},
        {"FWO_ letter", 20, 0, 0x47415458, 4},  // "GATX"
        {"FWO_ twice G", 20, 0, 0x47415447, 4},  // "GATG"
        {"FWO_ size", 16, 0, 8, 4},
        {"DATA 12 count", 12, 4, 7, 4},
        {"DATA count", 12, 1, 0x7fffffff, 4},
        {"DATA data size short", 16, 2, 14, 4},
        {"DATA data size", 16, 2, 4, 4},
        {"DATA offset", 20, 3, 0xfffffff0, 4},
        {"PBAS count", 12, 5, 0xffffffff, 4},
        {"PBAS offset", 20, 5, 0xfffffff0, 4},
        {"PCON count", 12, 6, 5, 4},
        {"PLOC offset", 20, 7, 0xffffff00, 4},
        {"PLOC size", 16, 7, 6, 4},
        {"SPAC count", 12, 8, 0xffffffff, 4},
        {"SPAC offset", 20, 8, 0x7fffffff, 4},
    };
    for (Patch const& p : abif) {
        std::string file = AbiFile(AbiEntries(SmallTrace()));
        std::size_t at = p.entry < 0 ? p.pos : AbiEntryOffset(file, static_cast<std::size_t>(p.entry)) + p.pos;
        if (p.bytes == 2)
            Put16(file, at, p.value);
        else
            Put32(file, at, p.value);
        WriteFile(dir / "t", file);
        EXPECT_FALSE(reader.ReadTraceFile(path)) << p.what;
    }
}

// A base letter that is no visible character would break the PHD file.
TEST(TraceReader, RefusesInvisibleBaseLetters) {
    for (char letter : {' ', '\n', '\0', '\x7f', '\xc3'}) {
        TraceData t = SmallTrace();
        t.letters[2] = letter;
        EXPECT_FALSE(Load(ScfFile(t, '2', 2)).ok) << int(letter);
        EXPECT_FALSE(Load(ScfFile(t, '3', 2)).ok) << int(letter);
        EXPECT_FALSE(Load(AbiFile(AbiEntries(t))).ok) << int(letter);
    }
}

TEST(TraceReader, CallerStopsAtControlCharactersAndItsLengthLimit) {
    TraceData t = SmallTrace();
    t.caller = "KB\nBEGIN_DNA";
    EXPECT_STREQ(Load(AbiFile(AbiEntries(t))).caller.String(), "KB");
    t.caller = "KB\r";
    EXPECT_STREQ(Load(ScfFile(t, '3', 2)).caller.String(), "KB");
    std::string const longest(TraceReader::MaxCallerLength, 'k');
    t.caller = longest + "cut";
    EXPECT_EQ(std::string(Load(ScfFile(t, '3', 2)).caller.String()), longest);
}

// A trace may hold at most MaxSamples samples per channel and MaxBases
// bases, whatever its file's size would allow.
TEST(TraceReader, RefusesMoreSamplesOrBasesThanTheBounds) {
    TraceData bases = SmallTrace();
    TraceData many;
    for (uint64_t i = 0; i <= TraceReader::MaxBases; ++i) {
        many.letters += "ACGT"[i % 4];
        many.qualities.push_back(30);
        many.peaks.push_back(static_cast<uint32_t>(i));
    }
    for (auto& channel : many.channels) channel.assign(4, 0);
    std::string tooManyBases = ScfFile(many, '3', 1);
    many.letters.pop_back();
    many.qualities.pop_back();
    many.peaks.pop_back();
    struct Case {
        char const* what;
        std::string file;
        bool loaded;
    } const cases[] = {
        {"the most samples", ZeroScfFile(bases, TraceReader::MaxSamples), true},
        {"one sample more", ZeroScfFile(bases, TraceReader::MaxSamples + 1), false},
        {"the most bases", ScfFile(many, '3', 1), true},
        {"one base more", tooManyBases, false},
    };
    for (Case const& c : cases) EXPECT_EQ(Load(c.file).ok, c.loaded) << c.what;
}

class TraceReaderGzip : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindProgram("gzip").empty()) GTEST_SKIP() << "gzip is not installed";
        tmpdir.Set(temp.Path());
    }
    TempDir dir;
    TempDir temp;  // TMPDIR, which must stay empty
    EnvironmentVariable tmpdir{"TMPDIR"};
};

TEST_F(TraceReaderGzip, UnpacksWithoutLeavingAFile) {
    std::string name = "a b;$(touch pwned)'\"`x`.scf";
    WriteFile(dir / "plain", ScfFile(SmallTrace(), '3', 2));
    Gzip(dir / "plain", dir / (name + ".gz"));
    TraceReader reader;
    // No program is run: with an empty PATH none could be found.
    std::string programs = std::getenv("PATH");
    ::setenv("PATH", temp.Path().c_str(), 1);
    Str path((dir / (name + ".gz")).c_str());
    bool packed = reader.ReadTraceFile(path);
    bool named = reader.AddedGzip();
    Str without((dir / name).c_str());
    bool found = reader.ReadTraceFile(without);  // found as name + ".gz"
    ::setenv("PATH", programs.c_str(), 1);
    ASSERT_TRUE(packed);
    EXPECT_FALSE(named);
    ASSERT_TRUE(found);
    EXPECT_TRUE(reader.AddedGzip());
    Str letters;
    Vector<long> quality;
    Vector<long> peaks;
    EXPECT_TRUE(reader.GetSequence(letters, quality, peaks));
    EXPECT_STREQ(letters.String(), "ACGTNa");
    EXPECT_EQ(ListDir(temp.Path()), std::vector<std::string>{});
    EXPECT_FALSE(Exists("pwned"));
}

// A file larger than the limit, or one that unpacks to more, is refused;
// unpacking stops there instead of filling memory or the disk.
TEST_F(TraceReaderGzip, SizeIsBounded) {
    std::string bytes = ScfFile(SmallTrace(), '3', 2);
    WriteFile(dir / "plain.scf", bytes);
    Gzip(dir / "plain.scf", dir / "packed.scf.gz");
    for (std::string name : {"plain.scf", "packed.scf.gz"}) {
        TraceReader exact(bytes.size());
        Str path((dir / name).c_str());
        EXPECT_TRUE(exact.ReadTraceFile(path)) << name;
        TraceReader smaller(bytes.size() - 1);
        path = (dir / name).c_str();
        EXPECT_FALSE(smaller.ReadTraceFile(path)) << name;
    }
    // The compressed file itself is held to the limit too: a name field
    // makes it larger than the trace it holds.
    for (std::size_t name : {std::size_t(0), bytes.size()}) {
        std::string packed = GzipMember(bytes, GzipHeader(0x08, std::string(name, 'n') + '\0'));
        ASSERT_EQ(packed.size() > bytes.size(), name > 0);
        WriteFile(dir / "named.scf.gz", packed);
        Str path((dir / "named.scf.gz").c_str());
        EXPECT_EQ(TraceReader(bytes.size()).ReadTraceFile(path), name == 0) << name;
    }
    // A trace followed by 64 MiB of zeros (packed into 64 KiB) is read
    // whole within the default limit, and refused at 1 MiB.
    std::string padded = dir / "padded.scf";
    WriteFile(padded, bytes);
    ASSERT_EQ(::truncate(padded.c_str(), static_cast<off_t>(bytes.size() + (64 << 20))), 0);
    Gzip(padded, padded + ".gz");
    ::unlink(padded.c_str());
    Str path(padded.c_str());
    EXPECT_TRUE(TraceReader().ReadTraceFile(path));
    TraceReader reader(1 << 20);
    EXPECT_FALSE(reader.ReadTraceFile(path));
    path = (dir / "plain.scf").c_str();
    EXPECT_TRUE(reader.ReadTraceFile(path));  // the next trace is read as usual
    EXPECT_EQ(ListDir(temp.Path()), std::vector<std::string>{});
}

namespace {

void ExpectSame(Loaded const& a, Loaded const& b) {
    ASSERT_EQ(a.ok, b.ok);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(a.channels[ch], b.channels[ch]);
    EXPECT_STREQ(a.letters.String(), b.letters.String());
    EXPECT_EQ(Values(a.quality), Values(b.quality));
    EXPECT_EQ(Values(a.peaks), Values(b.peaks));
    EXPECT_EQ(a.sequence, b.sequence);
    EXPECT_STREQ(a.caller.String(), b.caller.String());
}

}  // namespace

// Compressed traces are unpacked as `gzip -d -c -f` unpacks them, and
// accepted when it reports success: members one after another, each checked;
// bytes that do not start a member are taken as they are with all that
// follows. Where gzip is installed, each case is checked against it too.
TEST(TraceReaderUnpack, AcceptsWhatGzipAccepts) {
    std::string const t = ScfFile(SmallTrace(), '3', 2);
    std::string const macBinary = AbiFile(AbiEntries(SmallTrace()), 128);
    std::string const whole = GzipMember(t);
    auto cut = [](std::string const& bytes, std::size_t n) { return bytes.substr(0, bytes.size() - n); };
    auto flip = [](std::string bytes, std::size_t fromEnd) {
        bytes[bytes.size() - fromEnd] ^= 0x55;
        return bytes;
    };
    struct Case {
        char const* what;
        std::string file;
        bool loaded;
    } const cases[] = {
        {"one member", whole, true},
        {"three members", GzipMember(t.substr(0, 100)) + GzipMember(t.substr(100, 50)) + GzipMember(t.substr(150)),
         true},
        {"empty members around it", GzipMember("") + whole + GzipMember(""), true},
        {"stored blocks", GzipMember(t, GzipHeader(), 0), true},
        {"the first versions' magic", GzipMember(t, GzipHeader(0, "", '\x9e')), true},
        {"text flag, extra field, name, comment, header CRC",
         GzipMember(t, GzipHeader(0x1f, Little16(3) + "abc" + std::string("name\0comment", 13))), true},
        {"a wrong header CRC", GzipMember(t, GzipHeader(0x02).substr(0, 10) + "\x12\x34"), false},
        {"encrypted", GzipMember(t, GzipHeader(0x20)), false},
        {"reserved flag 0x40", GzipMember(t, GzipHeader(0x40)), false},
        {"reserved flag 0x80", GzipMember(t, GzipHeader(0x80)), false},
        {"another method", GzipMember(t, GzipHeader(0, "", '\x8b', 7)), false},
        {"not compressed", t, true},
        {"not compressed, ABIF behind a MacBinary header", macBinary, true},
        {"empty", "", false},
        {"only the magic", "\x1f\x8b", false},
        {"the magic and no gzip data", "\x1f\x8bnot really gzip at all", false},
        {"the header cut short", whole.substr(0, 6), false},
        {"a name without its end", GzipHeader(0x08) + "name", false},
        {"an extra field cut short", GzipHeader(0x04) + Little16(100) + "abc", false},
        {"the deflate data cut short", cut(whole, 20), false},
        {"no trailer", cut(whole, 8), false},
        {"the trailer cut short", cut(whole, 3), false},
        {"a wrong CRC", flip(whole, 8), false},
        {"a wrong length", flip(whole, 4), false},
        {"damaged deflate data", GzipHeader() + "\x07" + whole.substr(11), false},  // block type 3
        {"trailing garbage, kept", whole + "garbage", true},
        {"trailing zero bytes, kept", whole + std::string(10, '\0'), true},
        {"a trailing 0x1f, kept", whole + "\x1f", true},
        {"a trailing zip signature, kept", whole + "PK\x03\x04" + std::string(40, 'x'), true},
        {"a trailing member cut after its magic", whole + "\x1f\x8b", false},
        {"a trailing member cut in its header", whole + "\x1f\x8b\x08", false},
        {"a trailing member of another method", whole + GzipMember(t, GzipHeader(0, "", '\x8b', 7)), false},
        {"a trailing member with a wrong CRC", whole + flip(whole, 8), false},
        {"a plain trace, then a member, kept whole", t + whole, true},
    };
    std::string gzip = FindProgram("gzip");
    TempDir dir;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        Loaded loaded = Load(c.file, "t.scf.gz");
        EXPECT_EQ(loaded.ok, c.loaded);
        if (loaded.ok) {
            EXPECT_STREQ(loaded.letters.String(), "ACGTNa");
        }
        if (gzip.empty()) continue;
        WriteFile(dir / "t.gz", c.file);
        RunResult unpacked = RunProgram({gzip, "-d", "-c", "-f", "--", dir / "t.gz"}, dir.Path());
        Loaded expected;
        if (unpacked.status == 0) expected = Load(unpacked.out, "t");
        ExpectSame(loaded, expected);
    }
}

// gzip also unpacks zip, compress, pack and LZH data; such a trace is not
// taken as it is, but refused like a damaged one.
TEST(TraceReaderUnpack, RefusesOtherCompressors) {
    std::string const t = ScfFile(SmallTrace(), '3', 2);
    std::string packed = Deflate(t);
    // A zip file of one deflated entry "t": local header, data, nothing more.
    std::string zip = std::string("PK\x03\x04", 4) + Little16(20) + Little16(0) + Little16(8) + Little32(0) +
                      Little32(Crc32(t)) + Little32(static_cast<uint32_t>(packed.size())) +
                      Little32(static_cast<uint32_t>(t.size())) + Little16(1) + Little16(0) + "t" + packed;
    for (std::string const& file : {zip, "\x1f\x9d\x90" + t, "\x1f\x1e" + t, "\x1f\xa0" + t})
        EXPECT_FALSE(Load(file, "t.gz").ok) << file.substr(0, 2);
}

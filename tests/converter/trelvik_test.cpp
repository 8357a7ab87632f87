// The trelvik program run on small projects made by the tests: its console,
// its exit status, and whole PHD and POLY files.
#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

#include <csignal>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fixtures.h"

// A sanitizer build reserves far more address space than a limit leaves.
#if defined(__SANITIZE_ADDRESS__)
#define ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ADDRESS_SANITIZER 1
#endif
#endif

namespace {

std::string const Rule(62, '-');
std::string const Banner = "\nTRELVIK   Version 1.00\n";
std::string const Terminating = "\n\nTRELVIK is terminating.\n\n";

// The PHD file of BalancedTrace() named `name`; `lowerQuality` is the
// quality of its base "a" (the trace's own in ABIF, none in SCF).
std::string ExpectedPhd(std::string const& name, int lowerQuality) {
    return "BEGIN_SEQUENCE " + name +
           "\n\nBEGIN_COMMENT\n"
           "CHROMAT_FILE: " + name +
           "\nABI_THUMBPRINT: 0\n"
           "PHRED_VERSION: trelvik\n"
           "CALL_METHOD: KB.bcp\n"
           "QUALITY_LEVELS: 99\n"
           "TIME: *\n"
           "TRACE_ARRAY_MIN_INDEX: 0\n"
           "TRACE_ARRAY_MAX_INDEX: 1599\n"
           "CHEM: term\n"
           "DYE: big\n"
           "END_COMMENT\n"
           "\n"
           "BEGIN_DNA\n"
           "A 20 100\n"
           "C 30 120\n"
           "T 40 140\n"
           "N 0 160\n"
           "a " + std::to_string(lowerQuality) +
           " 180\n"
           "C 99 1530\n"
           "END_DNA\n"
           "END_SEQUENCE\n";
}

// The POLY file of BalancedTrace(), worked out by hand. The samples are
// doubled (highest 32640 becomes 65280). The channel sum has maxima at
// 1520 (A is highest at 1521: 2400), 1530 (C at 1531: 1200), 1541 (nothing
// at 1542; the sum at 1540, 75280, wraps to 9744 and is no maximum) and
// 1550 (G at 1551: 600); so A is scaled by 600/2400, C by 600/1200, G by 1,
// and T, with no maximum, keeps its samples and has mean 0.
//   A: amplitude 600 at 101 (window 50-110), run 98-102 sums 1800:
//      area 600 * (1800 * 2400 / 600) / 16384 = 263; C's peak 400 at 106 is
//      the uncalled one, run 104-106 sums 800: area 400 * 2400 / 16384 = 58.
//   C: amplitude 1500 at 121, run 118-122 sums 4500: area 1500 * 3600 / 16384 = 329.
//   T: a straight slope has no bend, so its own peak, 1000 at 140; mean 0, area 0.
//   N: no called channel and no uncalled base; G's peak 1000.
//   a: lower case is no channel letter; A's small peak 200 at 181.
//   C at 1530 (window 855-1565): C's highest bend 5000 at 1541, whose
//      run ends at 1540, so area 0; A's 16320 at 1541 is higher: uncalled,
//      area 16320 * float(18820 * 2400 / 16320) / 16384 = 2756.
std::string ExpectedPoly(std::string const& name) {
    return name + " 1 1 1 1 1\n"
           "A 100 263 0 C 106 58 0 600 400 0 0\n"
           "C 120 329 0 N 0 0 0 0 1500 0 0\n"
           "T 140 0 0 N 0 0 0 0 0 0 1000\n"
           "N 160 0 0 N 0 0 0 0 0 1000 0\n"
           "a 180 0 0 N 0 0 0 200 0 0 0\n"
           "C 1530 0 0 A 1541 2756 0 16320 5000 1000 0\n";
}

class TrelvikRun : public ::testing::Test {
protected:
    void SetUp() override {
        project = dir.Path() + "/project";
        MakeDir(project);
        MakeDir(project + "/chromat_dir");
        MakeDir(project + "/phd_dir");
        MakeDir(project + "/poly_dir");
        MakeDir(home.Path() + "/tmp");
    }
    // `launcher`: a program and its arguments that run trelvik.
    RunResult Run(std::vector<std::string> args, std::string const& cwd = "", std::vector<std::string> env = {},
                  std::vector<std::string> launcher = {}) {
        args.insert(args.begin(), TRELVIK_PATH);
        args.insert(args.begin(), launcher.begin(), launcher.end());
        // The leak checker of a sanitizer build cannot run under a tracer.
        if (!launcher.empty()) env.push_back("ASAN_OPTIONS=detect_leaks=0");
        env.push_back("HOME=" + home.Path());
        env.push_back("TMPDIR=" + home.Path() + "/tmp");
        return RunProgram(args, cwd.empty() ? project : cwd, env);
    }
    // trelvik run with its address space limited to `kib` KiB.
    RunResult RunLimited(long kib, std::vector<std::string> args = {}) {
        ChildSetup setup;
        setup.cwd = project;
        std::vector<std::string> env = {"HOME=" + home.Path(), "TMPDIR=" + home.Path() + "/tmp"};
        std::vector<char*> envp;
        for (std::string& entry : env) envp.push_back(&entry[0]);
        envp.push_back(nullptr);
        args.insert(args.begin(), TRELVIK_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        return RunInChild(
            [&] {
                rlimit limit{static_cast<rlim_t>(kib) << 10, static_cast<rlim_t>(kib) << 10};
                if (::setrlimit(RLIMIT_AS, &limit) != 0) return ChildProcess::CannotSetUp;
                ::execve(TRELVIK_PATH, argv.data(), envp.data());
                return ChildProcess::CannotRun;
            },
            setup);
    }
    std::string Chromat(std::string const& name) const { return project + "/chromat_dir/" + name; }
    std::string Phd(std::string const& name) const { return project + "/phd_dir/" + name + ".phd.1"; }
    std::string Poly(std::string const& name) const { return project + "/poly_dir/" + name + ".poly"; }

    TempDir dir;
    TempDir home;
    std::string project;
};

// The console of a run, progress lines removed.
std::string WithoutProgress(std::string const& err) {
    std::istringstream lines(err);
    std::string kept;
    std::string const progress = "% done\x1b[A";
    for (std::string line; std::getline(lines, line);) {
        bool isProgress = line.size() > progress.size() &&
                          line.compare(line.size() - progress.size(), progress.size(), progress) == 0;
        if (!isProgress) kept += line + "\n";
    }
    return kept;
}

}  // namespace

TEST_F(TrelvikRun, ConvertsScfAndAbifIntoWholeFiles) {
    TraceData trace = BalancedTrace();
    WriteFile(Chromat("r1.scf"), ScfFile(trace, '3', 2));
    // ABIF behind a MacBinary header, with a sample below the baseline
    // (read as 0, so the files are the same as for SCF).
    trace.channels[3][10] = -7;
    WriteFile(Chromat("r2.ab1"), AbiFile(AbiEntries(trace), 128));
    WriteFile(home.Path() + "/r3", AbiFile(AbiEntries(trace)));
    Gzip(home.Path() + "/r3", Chromat("r3.ab1.gz"));

    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n");
    EXPECT_EQ(MaskTime(ReadFile(Phd("r1"))), ExpectedPhd("r1", 0));
    EXPECT_EQ(ReadFile(Poly("r1")), ExpectedPoly("r1"));
    for (std::string name : {"r2", "r3"}) {
        EXPECT_EQ(MaskTime(ReadFile(Phd(name))), ExpectedPhd(name, 7)) << name;
        EXPECT_EQ(ReadFile(Poly(name)), ExpectedPoly(name)) << name;
    }
    // One time for the whole run, in the standard date layout.
    std::string time = TimeOf(ReadFile(Phd("r1")));
    EXPECT_TRUE(IsDateText(time)) << time;
    EXPECT_EQ(TimeOf(ReadFile(Phd("r3"))), time);
    EXPECT_EQ(ListDir(home.Path() + "/tmp"), std::vector<std::string>{});  // no unpacked copy left
}

// Mixed-base letters become the strongest of their bases. BalancedTrace()
// with four more bases between its fifth and sixth (the windows of the old
// bases keep their samples, the balance its maxima, so their lines are as
// above); after doubling and balancing (A x 0.25, C x 0.5, G x 1, T keeps
// its samples and has mean 0):
//   R at 300: A 200, 400, 200 and G 1000, 2000, 1000 at 299-301, so G:
//      area 2000 * (4000 * 600 / 2000) / 16384 = 146; A the uncalled peak,
//      area 400 * (800 * 2400 / 400) / 16384 = 117.
//   M at 400: A and C both 200, 400, 200: a tie, so A (area 117); C the
//      uncalled peak, area 400 * (800 * 1200 / 400) / 16384 = 58.
//   K at 500: only C has a peak, G and T are 0: K stays, a letter of no
//      channel.
//   y at 600: C 100, 200, 100 and T 300, 600, 300, so T (area 0: mean 0);
//      C the uncalled peak, area 200 * (400 * 1200 / 200) / 16384 = 29.
// Qualities and peak positions stay the trace's.
TEST_F(TrelvikRun, MixedBasesBecomeTheirStrongestBase) {
    TraceData trace = BalancedTrace();
    auto set = [&](int ch, int at, std::vector<int> const& samples) {
        for (std::size_t k = 0; k < samples.size(); ++k) trace.channels[ch][at + k] = samples[k];
    };
    set(0, 299, {400, 800, 400});
    set(2, 299, {500, 1000, 500});
    set(0, 399, {400, 800, 400});
    set(1, 399, {200, 400, 200});
    set(1, 499, {200, 400, 200});
    set(1, 599, {100, 200, 100});
    set(3, 599, {150, 300, 150});
    trace.letters = "ACTNaRMKyC";
    trace.qualities = {20, 30, 40, 0, 7, 35, 36, 37, 38, 99};
    trace.peaks = {100, 120, 140, 160, 180, 300, 400, 500, 600, 1530};
    WriteFile(Chromat("r1.ab1"), AbiFile(AbiEntries(trace)));

    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    std::string phd = ExpectedPhd("r1", 7);
    phd.replace(phd.find("C 99 1530\n"), 0, "G 35 300\nA 36 400\nK 37 500\nT 38 600\n");
    EXPECT_EQ(MaskTime(ReadFile(Phd("r1"))), phd);
    std::string poly = ExpectedPoly("r1");
    poly.replace(poly.find("C 1530 "), 0,
                 "G 300 146 0 A 301 117 0 400 0 2000 0\n"
                 "A 400 117 0 C 401 58 0 400 400 0 0\n"
                 "K 500 0 0 N 0 0 0 0 400 0 0\n"
                 "T 600 0 0 C 601 29 0 0 200 0 600\n");
    EXPECT_EQ(ReadFile(Poly("r1")), poly);
}

TEST_F(TrelvikRun, VersionAndHelp) {
    std::string const help =
        " flag               function\n"
        " ---------------    ----------------------------\n"
        " -dir       (-d)    set the data directory\n"
        " -help      (-h)    print this information\n"
        " -list      (-l)    set the chomat list file\n"
        " -overwrite (-o)    overwrite existing files\n"
        " -version           print Trelvik version\n" +
        Rule + "\n\n";
    struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-version"}, Banner + "Build 2006.02.07\n\n"},
        {{"-help", "-version"}, Banner + "Build 2006.02.07\n\n"},
        {{"-help"}, Banner + Rule + "\n" + help},
        {{"-o", "-h"}, Banner + Rule + "\n" + help},
    };
    for (Case const& c : cases) {
        RunResult run = Run(c.args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(TrelvikRun, FatalErrorsExitWithOne) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"-v"}, "ERROR in COMMAND LINE : invalid flag -v\n"},
        {{"-list", "nolist.txt"}, "ERROR: can not open the file nolist.txt"},
        {{"-dir", "nowhere"}, "ERROR: can not access directory " + project + "/nowhere/"},
    };
    for (Case const& c : cases) {
        RunResult run = Run(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n" + c.message + Terminating);
    }
    ::rmdir((project + "/poly_dir").c_str());
    RunResult run = Run({});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Banner + Rule + "\nERROR: can not access directory " + project + "/poly_dir/" + Terminating);
}

// Files that are no traces are each reported, named as they are, and the
// run goes on.
TEST_F(TrelvikRun, SkipsInvalidTracesAndGoesOn) {
    std::string whole = ScfFile(BalancedTrace(), '2', 2);
    WriteFile(Chromat("a_fake.ab1"), "This is not a chromatogram");
    WriteFile(Chromat("b_cut.scf"), whole.substr(0, 3000));
    WriteFile(Chromat("c_bad.scf.gz"), "not gzip data at all, and no trace either");
    WriteFile(Chromat("d_good.scf"), whole);
    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n" +
                                            "ERROR: invalid trace file " + Chromat("a_fake.ab1") + " - skipping.\n" +
                                            "ERROR: invalid trace file " + Chromat("b_cut.scf") + " - skipping.\n" +
                                            "ERROR: invalid trace file " + Chromat("c_bad.scf.gz") + " - skipping.\n");
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{"d_good.phd.1"});
    EXPECT_EQ(ListDir(project + "/poly_dir"), std::vector<std::string>{"d_good.poly"});
}

// Memory stays bounded whatever a trace holds, and a trace that does not
// fit in the memory left is reported as such: the run goes on, and ends
// with status 1. The traces: a gzip bomb (300 MiB of zeros, packed into
// 1.3 MB), refused for its size after taking less than 300 MB; a trace of
// the most samples a trace may hold, with peaks out of order so that the
// peak search builds its tree (about 140 MiB to read, 210 MiB to convert);
// and an ordinary trace.
TEST_F(TrelvikRun, MemoryIsBoundedAndATraceWithoutRoomIsSkipped) {
#ifdef ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizer's reserved address space exceeds the limits";
#endif
    WriteFile(Chromat("a_bomb.scf.gz"), GzipOfZeros(uint64_t(300) << 20));
    TraceData large;
    large.letters = "ACG";
    large.qualities = {30, 30, 30};
    large.peaks = {4000000, 100, 200};  // the third window lies inside the first
    WriteFile(Chromat("b_large.scf.gz"), GzipMember(ZeroScfFile(large, 1 << 23), GzipHeader(), 1));
    WriteFile(Chromat("c_good.scf"), ScfFile(BalancedTrace(), '3', 2));
    std::string const invalid = "ERROR: invalid trace file ";
    std::string const noRoom = "ERROR: not enough memory to convert trace file ";
    struct Case {
        long kib;
        std::vector<std::pair<std::string, std::string>> messages;  // for each trace skipped
        std::vector<std::string> converted;
    } const cases[] = {
        {600000, {{invalid, "a_bomb.scf.gz"}}, {"b_large.phd.1", "c_good.phd.1"}},
        // No room to unpack the bomb, or to convert the large trace.
        {176 << 10, {{noRoom, "a_bomb.scf.gz"}, {noRoom, "b_large.scf.gz"}}, {"c_good.phd.1"}},
    };
    for (Case const& c : cases) {
        for (std::string const dir : {"/phd_dir/", "/poly_dir/"})
            for (std::string const& file : ListDir(project + dir)) ::unlink((project + dir + file).c_str());
        RunResult run = RunLimited(c.kib);
        EXPECT_EQ(run.status, c.converted.size() == 2 ? 0 : 1) << c.kib;
        std::string err = Banner + Rule + "\n";
        for (auto const& [message, name] : c.messages) err += message + Chromat(name) + " - skipping.\n";
        EXPECT_EQ(WithoutProgress(run.err), err) << c.kib;
        EXPECT_EQ(ListDir(project + "/phd_dir"), c.converted) << c.kib;
        EXPECT_EQ(ListDir(project + "/poly_dir").size(), c.converted.size()) << c.kib;
        EXPECT_EQ(ReadFile(Poly("c_good")), ExpectedPoly("c_good")) << c.kib;
        if (c.kib == 600000) {
            EXPECT_LT(run.peakKiB, 300000000 / 1024) << "peak resident memory";
        }
    }
}

// Everything a trace needs is under its guard, the text of its path too:
// an entry of 32 MiB (a list file's line) whose path finds no room is
// reported like any trace without room, and the run ends with status 1.
TEST_F(TrelvikRun, AnEntryWithoutRoomForItsPathIsSkipped) {
#ifdef ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizer's reserved address space exceeds the limits";
#endif
    std::string const entry(32 << 20, 'x');
    WriteFile(project + "/list", entry + "\n");
    // Room to read the list (about 130 MiB), not for the copies of the
    // entry that the trace's paths make.
    RunResult run = RunLimited(165 << 10, {"-list", "list"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(WithoutProgress(run.err) == Banner + Rule + "\nERROR: not enough memory to convert trace file " +
                                                Chromat(entry) + " - skipping.\n")
        << run.err.substr(0, 200);
}

// Bases 40 to 59 that are not N or mixed-base letters need qualities of 1
// to 99. The traces are ABIF, but for those given the probabilities of A,
// C, G and T at base 45: SCF, where a mixed-base letter's quality is the
// largest of its bases' (io_lib writes none: all four 0).
TEST_F(TrelvikRun, QualityGate) {
    struct Case {
        char const* name;
        int bases;
        char letter45;
        int quality45;
        bool converted;
        std::string probabilities45 = "";
    } cases[] = {
        {"q0", 60, 'A', 0, false}, {"q100", 60, 'C', 100, false}, {"qneg", 60, 'G', -3, false},
        {"n0", 60, 'n', 0, true},  {"q99", 60, 'T', 99, true},    {"short", 40, 'A', 0, true},
        {"low", 10, 'A', 9, false}, {"m0", 60, 'M', 0, true},     {"r100", 60, 'r', 100, true},
        {"scf_m0", 60, 'M', 0, true, std::string(4, '\0')},
        {"scf_y25", 60, 'y', 25, true, std::string("\0\x19\x46\x05", 4)},  // C 25, T 5; G 70 is no base of y
        {"scf_c0", 60, 'C', 0, false, std::string("\x46\0\x46\x46", 4)},
    };
    std::string expectedOut;
    for (Case const& c : cases) {
        TraceData t;
        for (auto& channel : t.channels) channel.assign(700, 0);
        for (int i = 0; i < c.bases; ++i) {
            t.letters += "ACGT"[i % 4];
            t.qualities.push_back(c.bases == 10 ? 9 : 30);
            t.peaks.push_back(static_cast<uint32_t>(10 * i + 5));
        }
        if (c.bases > 45) {
            t.letters[45] = c.letter45;
            t.qualities[45] = c.quality45;
        }
        if (c.probabilities45.empty()) {
            WriteFile(Chromat(std::string(c.name) + ".ab1"), AbiFile(AbiEntries(t)));
            continue;
        }
        std::string file = ScfFile(t, '2', 2);
        file.replace(Get32(file, 24) + 12 * 45 + 4, 4, c.probabilities45);
        WriteFile(Chromat(std::string(c.name) + ".scf"), file);
    }
    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    for (char const* name : {"low.ab1", "q0.ab1", "q100.ab1", "qneg.ab1", "scf_c0.scf"})  // in listing order
        expectedOut += "ERROR: missing quality values in trace file " + Chromat(name) + "\n";
    EXPECT_EQ(run.out, expectedOut);
    for (Case const& c : cases) {
        EXPECT_EQ(Exists(Phd(c.name)), c.converted) << c.name;
        EXPECT_EQ(Exists(Poly(c.name)), c.converted) << c.name;
        if (!c.converted || c.bases <= 45) continue;
        std::string line = std::string(1, c.letter45) + " " + std::to_string(c.quality45) + " 455\n";
        EXPECT_NE(ReadFile(Phd(c.name)).find(line), std::string::npos) << c.name;
    }
}

TEST_F(TrelvikRun, ExistingPhdFileIsKeptUnlessOverwrite) {
    WriteFile(Chromat("r1.scf"), ScfFile(BalancedTrace(), '3', 2));
    WriteFile(Phd("r1"), "old");
    EXPECT_EQ(Run({}).status, 0);
    EXPECT_EQ(ReadFile(Phd("r1")), "old");
    EXPECT_FALSE(Exists(Poly("r1")));
    EXPECT_EQ(Run({"-overwrite"}).status, 0);
    EXPECT_EQ(MaskTime(ReadFile(Phd("r1"))), ExpectedPhd("r1", 0));
    EXPECT_EQ(ReadFile(Poly("r1")), ExpectedPoly("r1"));
}

// Hidden files a killed run left (here of another process) are never read
// as traces, never block a conversion and are left as they are.
TEST_F(TrelvikRun, HiddenFilesLeftBehindAreNeverRead) {
    WriteFile(Chromat("r1.scf"), ScfFile(BalancedTrace(), '3', 2));
    std::string const left[] = {project + "/phd_dir/.r1.phd.1.trelvik1", Chromat(".r1.phd.1.trelvik1")};
    for (std::string const& file : left) WriteFile(file, "left behind");
    for (bool overwrite : {false, true}) {
        RunResult run = Run(overwrite ? std::vector<std::string>{"-overwrite"} : std::vector<std::string>{});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n");
        EXPECT_EQ(MaskTime(ReadFile(Phd("r1"))), ExpectedPhd("r1", 0));
        EXPECT_EQ(ReadFile(Poly("r1")), ExpectedPoly("r1"));
        for (std::string const& file : left) EXPECT_EQ(ReadFile(file), "left behind") << file;
        EXPECT_EQ(ListDir(project + "/phd_dir"), (std::vector<std::string>{".r1.phd.1.trelvik1", "r1.phd.1"}));
    }
}

// An output that reaches no regular file (a device, a FIFO, a directory, a
// loop of links) is refused, never opened, and reported with its reason;
// what was there stays. The other traces are converted, and the run ends
// with status 1.
TEST_F(TrelvikRun, OutputsThatAreNoRegularFilesAreRefused) {
    for (std::string name : {"a", "b", "c", "d", "e", "f", "g"})
        WriteFile(Chromat(name + ".scf"), ScfFile(BalancedTrace(), '3', 2));
    ASSERT_EQ(::symlink("/dev/full", Phd("a").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/full", Poly("b").c_str()), 0);
    MakeDir(Phd("d"));
    WriteFile(Poly("d"), "old");
    MakeDir(Poly("e"));
    ASSERT_EQ(::mkfifo(Phd("f").c_str(), 0600), 0);  // opening it would wait for a reader
    ASSERT_EQ(::symlink(Poly("g").c_str(), (home.Path() + "/loop").c_str()), 0);
    ASSERT_EQ(::symlink((home.Path() + "/loop").c_str(), Poly("g").c_str()), 0);
    RunResult run = Run({"-o"});
    EXPECT_EQ(run.status, 1);
    std::string err = Banner + Rule + "\n";
    for (std::string const& path : {Phd("a"), Poly("b"), Phd("d"), Poly("e"), Phd("f"), Poly("g")})
        err += "ERROR: can not write file " + path + ": not a regular file\n";
    EXPECT_EQ(WithoutProgress(run.err), err);
    EXPECT_EQ(ListDir(project + "/phd_dir"), (std::vector<std::string>{"a.phd.1", "c.phd.1", "d.phd.1", "f.phd.1"}));
    EXPECT_EQ(ListDir(project + "/poly_dir"),
              (std::vector<std::string>{"b.poly", "c.poly", "d.poly", "e.poly", "g.poly"}));
    EXPECT_EQ(ReadFile(Poly("c")), ExpectedPoly("c"));
    EXPECT_EQ(ReadFile(Poly("d")), "old");
}

// A chromatogram directory that cannot be listed, at its opening or part
// way, ends the run with the system's reason: nothing is converted.
TEST_F(TrelvikRun, UnlistableChromatogramDirectory) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    WriteFile(Chromat("r1.scf"), ScfFile(BalancedTrace(), '3', 2));
    // The listing's opening among the run's openat calls.
    std::string const log = home.Path() + "/calls";
    ASSERT_EQ(Run({}, "", {}, {strace, "-qq", "-o", log, "-e", "trace=openat"}).status, 0);
    ::unlink(Phd("r1").c_str());
    ::unlink(Poly("r1").c_str());
    int opening = 0;
    std::string line;
    std::istringstream lines(ReadFile(log));
    for (int count = 1; opening == 0 && std::getline(lines, line); ++count) {
        if (line.find("\"" + Chromat("") + "\"") != std::string::npos && line.find("O_DIRECTORY") != std::string::npos)
            opening = count;
    }
    ASSERT_GT(opening, 0);
    struct Case {
        std::string call;
        std::string fault;
        std::string reason;
    } const cases[] = {
        {"openat", "error=EMFILE:when=" + std::to_string(opening), "Too many open files"},
        {"getdents64", "error=EIO:when=1", "Input/output error"},
    };
    for (Case const& c : cases) {
        RunResult run = Run({}, "", {}, {strace, "-qq", "-o", "/dev/null", "-e", "trace=" + c.call, "-e",
                                         "inject=" + c.call + ":" + c.fault});
        EXPECT_EQ(run.status, 1) << c.call;
        EXPECT_EQ(WithoutProgress(run.err),
                  Banner + Rule + "\nERROR: can not list the directory " + Chromat("") + ": " + c.reason + Terminating)
            << c.call;
        EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{}) << c.call;
    }
}

// What a run leaves of a trace's pair, read through any links, when it is
// consistent: "new" (the pair of BalancedTrace()), "old" (the given old
// pair), "none" (no PHD file); anything else, such as a PHD file without its
// POLY file, is described as it is.
std::string PairState(std::string const& phdPath, std::string const& polyPath, std::string const& newPhd,
                      std::string const& newPoly, std::string const& oldPhd, std::string const& oldPoly) {
    if (!Reaches(phdPath)) return "none";
    std::string phd = MaskTime(ReadFile(phdPath));
    std::string poly = Reaches(polyPath) ? ReadFile(polyPath) : "(no POLY file)";
    if (phd == newPhd && poly == newPoly) return "new";
    if (phd == oldPhd && poly == oldPoly) return "old";
    return "PHD file:\n" + phd + "POLY file:\n" + poly;
}

// Two traces: r1, whose outputs are regular files, and r2, whose outputs
// sit behind links: a relative link to the PHD file and a chain of two to
// the POLY file, in another directory (kept/).
class TrelvikLinkedRun : public TrelvikRun {
protected:
    void SetUp() override {
        TrelvikRun::SetUp();
        kept = project + "/kept/";
        MakeDir(kept);
        WriteFile(Chromat("r1.scf"), ScfFile(BalancedTrace(), '3', 2));
        WriteFile(Chromat("r2.ab1"), AbiFile(AbiEntries(BalancedTrace())));
        links = {{Phd("r2"), "../kept/r2.phd.1"},
                 {Poly("r2"), "r2.hop"},
                 {project + "/poly_dir/r2.hop", "../kept/r2.poly"}};
    }
    // Every file of the output directories and kept/ removed (hidden files
    // a killed run left too), the links made again (dangling) and, with
    // `old`, the old pair written through them, r1's POLY file with the
    // permission bits 0604 and r2's PHD file with 0640.
    void Reset(bool old) {
        for (std::string const& dir : {project + "/phd_dir/", project + "/poly_dir/", kept})
            for (std::string const& file : ListDir(dir)) ::unlink((dir + file).c_str());
        for (auto const& [link, target] : links) ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
        if (!old) return;
        for (std::string const& name : names) {
            WriteFile(Phd(name), oldPhd);
            WriteFile(Poly(name), oldPoly);
        }
        ::chmod(Poly("r1").c_str(), 0604);
        ::chmod((kept + "r2.phd.1").c_str(), 0640);
    }
    // The PHD file of a trace as the run writes it.
    std::string NewPhd(std::string const& name) const { return ExpectedPhd(name, name == "r1" ? 0 : 7); }

    std::string const names[2] = {"r1", "r2"};
    std::string const oldPhd = "old PHD file\n";
    std::string const oldPoly = "old POLY file, longer than the new one" + std::string(1000, '.') + "\n";
    std::string kept;
    std::vector<std::pair<std::string, std::string>> links;  // each link and what it names
};

// Killed (SIGKILL), interrupted (SIGTERM, SIGINT, SIGHUP) or failing (EIO,
// ENOSPC at a write) at any call on its files, a run leaves each trace with
// its complete new pair, its old pair, or no PHD file at all; an
// interrupted or failing run leaves no hidden file, and a failing one
// reports the file with the system's reason, converts the other trace and
// ends with status 1. So it is for r1's regular files and for r2's, which
// sit behind links; without -overwrite the files they name are not there
// yet (dangling links). The links always stay. The next
// run then converts what is missing. A first run under strace lists the
// calls to stop at; each is given SIGKILL, one of the other signals, with
// the call undone too, and a failure in turn.
TEST_F(TrelvikLinkedRun, KilledInterruptedOrFailingAnywhereLeavesNoPhdFileWithoutItsPolyFile) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    auto state = [&](std::string const& name) {
        return PairState(Phd(name), Poly(name), NewPhd(name), ExpectedPoly(name), oldPhd, oldPoly);
    };
    auto linksKept = [&] { return LinksKept(links); };
    auto hiddenFiles = [&] { return HiddenFiles({project + "/phd_dir/", project + "/poly_dir/", kept}); };
    mode_t const mask = ::umask(0);
    ::umask(mask);
    std::string const log = home.Path() + "/calls";
    for (bool overwrite : {false, true}) {
        std::vector<std::string> const args = overwrite ? std::vector<std::string>{"-overwrite"} : std::vector<std::string>{};
        auto reset = [&] { Reset(overwrite); };
        // The calls on the project's files (-y shows the file of each
        // descriptor), each as its name and its count among the calls of
        // that name, and the output a failure there is reported for.
        reset();
        ASSERT_EQ(Run(args, "", {},
                      {strace, "-qq", "-y", "-o", log, "-e",
                       "trace=openat,fchmod,write,close,unlink,unlinkat,rename,renameat,renameat2"})
                      .status,
                  0);
        struct Point {
            std::string call;
            int count;
            std::string output;
        };
        std::vector<Point> points;
        std::map<std::string, int> seen;
        std::istringstream lines(ReadFile(log));
        for (std::string line; std::getline(lines, line);) {
            std::string call = line.substr(0, line.find('('));
            int count = ++seen[call];
            bool reading = line.find("/chromat_dir") != std::string::npos ||
                           (call == "openat" && line.find("O_CREAT") == std::string::npos);
            if (line.find(project) == std::string::npos || reading) continue;
            std::string name = line.find("r1.") != std::string::npos ? "r1" : "r2";
            points.push_back({call, count, line.find(".poly") != std::string::npos ? Poly(name) : Phd(name)});
        }
        // Made, filled and closed each, with its permission bits when it
        // replaces a file; the old files removed and the new renamed in.
        EXPECT_EQ(points.size(), overwrite ? 24u : 20u);
        for (std::string const& name : names) EXPECT_EQ(state(name), "new");
        EXPECT_TRUE(linksKept());
        EXPECT_EQ(hiddenFiles(), "");
        struct stat status;
        for (auto const& [file, mode] : {std::pair<std::string, mode_t>{Poly("r1"), overwrite ? 0604 : 0666 & ~mask},
                                         {Phd("r2"), overwrite ? 0640 : 0666 & ~mask}}) {
            ASSERT_EQ(::stat(file.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, mode) << file;
        }

        std::pair<char const*, int> const interruptions[] = {{"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
        for (std::size_t i = 0; i < points.size(); ++i) {
            Point const& point = points[i];
            auto const& other = interruptions[i % 3];
            auto const& before = interruptions[(i + 1) % 3];
            bool write = point.call == "write";
            // What strace injects, and the signal (0: none).
            std::vector<std::pair<std::string, int>> faults = {{"signal=KILL", SIGKILL},
                                                               {std::string("signal=") + other.first, other.second},
                                                               {write ? "error=ENOSPC" : "error=EIO", 0}};
            if (!write) faults.emplace_back(std::string("error=EINTR:signal=") + before.first, before.second);
            for (auto const& [fault, signal] : faults) {
                reset();
                std::string where = point.call + " " + std::to_string(point.count) + " " + fault +
                                    (overwrite ? " -overwrite" : "");
                RunResult run = Run(args, "", {},
                                    {strace, "-qq", "-o", "/dev/null", "-e", "trace=" + point.call, "-e",
                                     "inject=" + point.call + ":" + fault + ":when=" + std::to_string(point.count)});
                if (signal) {
                    EXPECT_EQ(run.signal, signal) << where;
                    for (std::string const& name : names) {
                        std::string left = state(name);
                        EXPECT_TRUE(left == "new" || left == "none" || (overwrite && left == "old"))
                            << where << ", " << name << ":\n" << left;
                    }
                } else {
                    EXPECT_EQ(run.status, 1) << where;
                    std::string reason = write ? "No space left on device" : "Input/output error";
                    EXPECT_EQ(WithoutProgress(run.err),
                              Banner + Rule + "\nERROR: can not write file " + point.output + ": " + reason + "\n")
                        << where;
                    for (std::string const& name : names) {
                        std::string left = state(name);
                        if (point.output == Phd(name) || point.output == Poly(name)) {
                            EXPECT_TRUE(left == "none" || (overwrite && left == "old")) << where << ":\n" << left;
                        } else {
                            EXPECT_EQ(left, "new") << where << ", " << name;
                        }
                    }
                }
                EXPECT_TRUE(linksKept()) << where;
                if (signal != SIGKILL) {
                    EXPECT_EQ(hiddenFiles(), "") << where;
                }
                // The next run converts every trace that has no PHD file.
                ASSERT_EQ(Run({}).status, 0) << where;
                for (std::string const& name : names) {
                    std::string left = state(name);
                    EXPECT_TRUE(left == "new" || (overwrite && left == "old")) << where << ", " << name << ":\n"
                                                                               << left;
                }
                EXPECT_TRUE(linksKept()) << where;
            }
        }
    }
}

// A fatal signal prints the critical-error banner and exits with the
// signal's number.
TEST_F(TrelvikRun, FatalSignal) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer handles fatal signals itself";
#endif
    std::string list = project + "/list";
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);  // opening it waits for a writer
    ChildSetup setup;
    setup.cwd = project;
    setup.env = {"HOME=" + home.Path(), "PWD=" + project};
    setup.err = Stream::File;
    setup.errFile = home.Path() + "/err";
    ChildProcess run(setup);
    ASSERT_TRUE(run.Start({TRELVIK_PATH, "-list", "list"}));
    // Wait until the run is in the list file's open, then send the signal.
    for (int i = 0; i < 500 && ReadFile(setup.errFile).find(Rule) == std::string::npos; ++i) ::usleep(10000);
    ::usleep(50000);
    run.Signal(SIGSEGV);
    EXPECT_EQ(run.Wait().status, SIGSEGV);  // an exit with the number, not the signal's default end
    std::string const wide(68, '-');
    std::string err = ReadFile(setup.errFile);
    std::string banner = "\n" + wide + "\n A critical error has occurred." + std::string(37, ' ') + "\n";
    ASSERT_NE(err.find(banner), std::string::npos) << err;
    std::string rest = err.substr(err.find(banner) + banner.size());
    ASSERT_NE(rest.find('\n'), std::string::npos);
    EXPECT_EQ(rest.substr(rest.find('\n')), "\n" + wide + "\n\n");  // after the one contact line
}

// Names with blanks, quotes and shell syntax are file names like any other.
TEST_F(TrelvikRun, AwkwardFileNames) {
    std::string const names[] = {"with blank", "quote'\"", "semi;colon", "$(touch pwned)", "`touch pwned`"};
    for (std::string const& name : names) {
        WriteFile(home.Path() + "/plain", ScfFile(BalancedTrace(), '3', 2));
        Gzip(home.Path() + "/plain", Chromat(name + ".scf.gz"));
        WriteFile(Chromat(name + "-plain.ab1"), AbiFile(AbiEntries(BalancedTrace())));
    }
    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n");
    for (std::string const& name : names) {
        EXPECT_EQ(ReadFile(Poly(name)), ExpectedPoly(name)) << name;
        EXPECT_EQ(MaskTime(ReadFile(Phd(name + "-plain"))), ExpectedPhd(name + "-plain", 7)) << name;
    }
    EXPECT_FALSE(Exists(project + "/pwned"));
    EXPECT_FALSE(Exists(project + "/chromat_dir/pwned"));
}

TEST_F(TrelvikRun, ListFile) {
    MakeDir(project + "/chromat_dir/sub");
    MakeDir(project + "/phd_dir/sub");
    MakeDir(project + "/poly_dir/sub");
    WriteFile(Chromat("sub/r1.scf"), ScfFile(BalancedTrace(), '3', 2));
    WriteFile(home.Path() + "/r2", ScfFile(BalancedTrace(), '2', 2));
    Gzip(home.Path() + "/r2", Chromat("r2.scf.gz"));
    WriteFile(Chromat("unlisted.scf"), ScfFile(BalancedTrace(), '2', 2));
    // An entry with a path is still taken in the chromatogram directory; a
    // trace named without ".gz" is found compressed; CR LF line ends.
    WriteFile(project + "/my-list.txt", "sub/r1.scf\r\n\n  \nr2.scf\r\nmissing.ab1\n");
    RunResult run = Run({"-list", "my-list.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutProgress(run.err),
              Banner + Rule + "\nERROR: invalid trace file " + Chromat("missing.ab1") + " - skipping.\n");
    EXPECT_EQ(ReadFile(Poly("sub/r1")), ExpectedPoly("sub/r1"));
    EXPECT_EQ(ReadFile(Poly("r2")), ExpectedPoly("r2"));
    EXPECT_FALSE(Exists(Phd("unlisted")));
}

TEST_F(TrelvikRun, SettingsFile) {
    // Traces in the project directory itself, PHD files in out/.
    WriteFile(project + "/r1.scf", ScfFile(BalancedTrace(), '3', 2));
    MakeDir(project + "/out");
    WriteFile(Phd("r1"), "old");
    std::string settings = home.Path() + "/.trelvikrc";
    WriteFile(settings, "# a comment line\n\nchromatdir .\nphddir out\nflag -o\nunknown key\n");
    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutProgress(run.err), Banner + "Read file " + settings + "\n" + Rule + "\n");
    EXPECT_EQ(MaskTime(ReadFile(project + "/out/r1.phd.1")), ExpectedPhd("r1", 0));
    EXPECT_EQ(ReadFile(Poly("r1")), ExpectedPoly("r1"));

    // Found through QUORVALIX_PATH, the name appended directly.
    ::unlink(settings.c_str());
    WriteFile(home.Path() + "/xyz.trelvikrc", "flag -x\n");
    run = Run({}, "", {"QUORVALIX_PATH=" + home.Path() + "/xyz"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Banner + "Read file " + home.Path() + "/xyz.trelvikrc\n" +
                           "ERROR in .trelvikrc file: invalid flag -x\n" + Terminating);

    // A QUORVALIX_PATH that names no file is no settings file (where the
    // detector stops): the run goes on with the defaults.
    run = Run({"-o"}, "", {"QUORVALIX_PATH=" + home.Path() + "/none"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n");
}

TEST_F(TrelvikRun, ProjectDirectory) {
    WriteFile(Chromat("r1.scf"), ScfFile(BalancedTrace(), '3', 2));
    // Started inside the project's edit_dir: the project is its parent.
    MakeDir(project + "/edit_dir");
    EXPECT_EQ(Run({}, project + "/edit_dir").status, 0);
    EXPECT_TRUE(Exists(Poly("r1")));
    // Relative to the working directory.
    ::unlink(Phd("r1").c_str());
    EXPECT_EQ(Run({"-dir", "project"}, dir.Path()).status, 0);
    EXPECT_TRUE(Exists(Phd("r1")));
    // Only a whole edit_dir is cut off.
    MakeDir(dir.Path() + "/myedit_dir");
    RunResult run = Run({}, dir.Path() + "/myedit_dir");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Banner + Rule + "\nERROR: can not access directory " + dir.Path() + "/myedit_dir/chromat_dir/" +
                           Terminating);
}

namespace {

// The count, among the calls of `call` in an strace log, of the first one
// on `path` (its name quoted, or a descriptor shown as <path> by -y); 0 when
// there is none.
int CallOn(std::string const& log, std::string const& call, std::string const& path) {
    std::istringstream lines(log);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, call.size() + 1, call + "(") != 0) continue;
        ++count;
        if (line.find("\"" + path + "\"") != std::string::npos || line.find("<" + path + ">") != std::string::npos)
            return count;
    }
    return 0;
}

}  // namespace

// A trace that is there but cannot be read (a link that names nothing or
// links in a loop, no access, an I/O error at its opening, status or
// reading, plain or compressed) is reported with the system's reason and
// ends the run with status 1, after the other traces are converted. A list
// entry found compressed is named as the file it is.
TEST_F(TrelvikRun, TracesThatCannotBeReadFailTheRun) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    ASSERT_EQ(::symlink("nowhere.scf", Chromat("a_dangling.scf").c_str()), 0);
    ASSERT_EQ(::symlink("b_loop.scf", Chromat("b_loop.scf").c_str()), 0);
    WriteFile(Chromat("c_plain.scf"), ScfFile(BalancedTrace(), '3', 2));
    WriteFile(home.Path() + "/d", ScfFile(BalancedTrace(), '2', 2));
    Gzip(home.Path() + "/d", Chromat("d_packed.scf.gz"));
    WriteFile(Chromat("e_good.ab1"), AbiFile(AbiEntries(BalancedTrace())));
    WriteFile(project + "/list", "d_packed.scf\ne_good.ab1\n");
    std::string const links = "ERROR: can not read trace file " + Chromat("a_dangling.scf") +
                              ": No such file or directory\n"
                              "ERROR: can not read trace file " + Chromat("b_loop.scf") +
                              ": Too many levels of symbolic links\n";
    struct Case {
        std::vector<std::string> args;
        std::string call;  // empty: no fault
        std::string file;
        std::string fault;
        std::string reason;
    } const cases[] = {
        {{}, "", "", "", ""},
        {{}, "openat", "c_plain.scf", "EACCES", "Permission denied"},
        {{}, "newfstatat", "c_plain.scf", "EIO", "Input/output error"},
        {{}, "read", "c_plain.scf", "EIO", "Input/output error"},
        {{}, "openat", "d_packed.scf.gz", "EACCES", "Permission denied"},
        {{}, "read", "d_packed.scf.gz", "EIO", "Input/output error"},
        {{"-list", "list"}, "openat", "d_packed.scf.gz", "ENOMEM", "Cannot allocate memory"},
    };
    std::string const log = home.Path() + "/calls";
    for (Case const& c : cases) {
        std::string where = c.call + " " + c.file + " " + c.fault;
        bool listed = !c.args.empty();
        auto clear = [&] {
            for (std::string const& dir : {project + "/phd_dir/", project + "/poly_dir/"})
                for (std::string const& file : ListDir(dir)) ::unlink((dir + file).c_str());
        };
        clear();
        std::vector<std::string> launcher;
        if (!c.call.empty()) {
            ASSERT_EQ(Run(c.args, "", {}, {strace, "-qq", "-y", "-o", log, "-e", "trace=" + c.call}).status,
                      listed ? 0 : 1)
                << where;
            int at = CallOn(ReadFile(log), c.call, Chromat(c.file));
            ASSERT_GT(at, 0) << where;
            launcher = {strace,         "-qq", "-o", "/dev/null", "-e", "trace=" + c.call, "-e",
                        "inject=" + c.call + ":error=" + c.fault + ":when=" + std::to_string(at)};
            clear();
        }
        RunResult run = Run(c.args, "", {}, launcher);
        EXPECT_EQ(run.status, listed && c.call.empty() ? 0 : 1) << where;
        std::string err = Banner + Rule + "\n" + (listed ? "" : links);
        if (!c.call.empty()) err += "ERROR: can not read trace file " + Chromat(c.file) + ": " + c.reason + "\n";
        EXPECT_EQ(WithoutProgress(run.err), err) << where;
        EXPECT_EQ(run.out, "") << where;
        std::vector<std::string> converted;
        for (std::string name : {"c_plain", "d_packed", "e_good"})
            if ((!listed || name != "c_plain") && c.file.compare(0, name.size(), name) != 0)
                converted.push_back(name + ".phd.1");
        EXPECT_EQ(ListDir(project + "/phd_dir"), converted) << where;
        EXPECT_EQ(ListDir(project + "/poly_dir").size(), converted.size()) << where;
    }
}

// Two traces of one read name: the first in the order of the listing (or
// of the list file) is converted, the other is skipped with a message that
// names both, with or without -overwrite; nothing failed, so the status is
// 0. A read name whose PHD file was there before the run is skipped
// without a message, as ever, all its traces alike. The ABIF traces give
// the base "a" quality 7, the SCF ones 0, which tells which was converted.
TEST_F(TrelvikRun, TracesOfOneReadName) {
    std::string const abif = AbiFile(AbiEntries(BalancedTrace()));
    std::string const scf = ScfFile(BalancedTrace(), '3', 2);
    for (std::string name : {"X", "Z"}) {
        WriteFile(Chromat(name + ".ab1"), abif);
        WriteFile(Chromat(name + ".scf"), scf);
    }
    WriteFile(Chromat("Y.ab1"), abif);
    WriteFile(home.Path() + "/scf", scf);
    Gzip(home.Path() + "/scf", Chromat("Y.ab1.gz"));
    Gzip(home.Path() + "/scf", home.Path() + "/W.scf.gz");
    WriteFile(Phd("Z"), "old");
    auto same = [&](std::string const& second, std::string const& name, std::string const& first) {
        return "ERROR: trace file " + Chromat(second) + " has the same read name " + name + " as " + Chromat(first) +
               " - skipping.\n";
    };
    WriteFile(project + "/list", "X.scf\nX.ab1\nY.ab1.gz\nY.ab1\nW.scf\nW.scf.gz\n");
    struct Case {
        std::vector<std::string> args;
        std::string err;
        std::map<std::string, std::string> phd;  // read name: its PHD file
    } const cases[] = {
        {{}, same("X.scf", "X", "X.ab1") + same("Y.ab1.gz", "Y", "Y.ab1"),
         {{"X", ExpectedPhd("X", 7)}, {"Y", ExpectedPhd("Y", 7)}, {"Z", "old"}}},
        {{"-overwrite"}, same("X.scf", "X", "X.ab1") + same("Y.ab1.gz", "Y", "Y.ab1") + same("Z.scf", "Z", "Z.ab1"),
         {{"X", ExpectedPhd("X", 7)}, {"Y", ExpectedPhd("Y", 7)}, {"Z", ExpectedPhd("Z", 7)}}},
        // W.scf is found as W.scf.gz, and named so.
        {{"-overwrite", "-list", "list"},
         same("X.ab1", "X", "X.scf") + same("Y.ab1", "Y", "Y.ab1.gz") + same("W.scf.gz", "W", "W.scf.gz"),
         {{"W", ExpectedPhd("W", 0)}, {"X", ExpectedPhd("X", 0)}, {"Y", ExpectedPhd("Y", 0)},
          {"Z", ExpectedPhd("Z", 7)}}},
    };
    for (Case const& c : cases) {
        std::string where = c.args.empty() ? "no flags" : c.args.back();
        if (c.args.size() == 3) ::rename((home.Path() + "/W.scf.gz").c_str(), Chromat("W.scf.gz").c_str());
        RunResult run = Run(c.args);
        EXPECT_EQ(run.status, 0) << where;
        EXPECT_EQ(run.out, "") << where;
        EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n" + c.err) << where;
        for (auto const& [name, phd] : c.phd) {
            EXPECT_EQ(MaskTime(ReadFile(Phd(name))), phd) << where << ", " << name;
            if (phd != "old") {
                EXPECT_EQ(ReadFile(Poly(name)), ExpectedPoly(name)) << where << ", " << name;
            }
        }
        EXPECT_EQ(ListDir(project + "/phd_dir").size(), c.phd.size()) << where;
    }
}

// An ABIF trace with bases and peaks but no quality entry at all, as older
// sequencers wrote them, is a trace without quality values; the message
// names a compressed one as it is.
TEST_F(TrelvikRun, AbifWithoutQualityEntryHasMissingQualities) {
    std::vector<AbiEntry> entries = AbiEntries(BalancedTrace());
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](AbiEntry const& e) { return e.name == "PCON"; }),
                  entries.end());
    WriteFile(Chromat("n1.abi"), AbiFile(entries));
    WriteFile(home.Path() + "/n2", AbiFile(entries));
    Gzip(home.Path() + "/n2", Chromat("n2.abi.gz"));
    RunResult run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutProgress(run.err), Banner + Rule + "\n");
    EXPECT_EQ(run.out, "ERROR: missing quality values in trace file " + Chromat("n1.abi") +
                           "\nERROR: missing quality values in trace file " + Chromat("n2.abi.gz") + "\n");
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{});
    EXPECT_EQ(ListDir(project + "/poly_dir"), std::vector<std::string>{});
}

// A status query of an output that fails for another reason than "no such
// file" (EIO, ENOMEM, ESTALE, as on a network file system) is a failure of
// that trace: reported with the reason, its outputs left as they are (the
// links, what they name, the permission bits, an existing PHD file without
// -overwrite), the other trace converted, and status 1. So at each query on
// r1's regular files and r2's links, with the old pair there or, without
// -overwrite, not yet (dangling links).
TEST_F(TrelvikLinkedRun, FailedStatusQueriesOfOutputsLeaveThemAsTheyAre) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    // The files of a trace: each link with what it names, each regular
    // file with its permission bits and what it holds.
    auto files = [&](std::string const& name) {
        std::string found;
        for (std::string const& dir : {project + "/phd_dir/", project + "/poly_dir/", kept})
            for (std::string const& file : ListDir(dir)) {
                struct stat status;
                if (file.compare(0, name.size() + 1, name + ".") != 0 || ::lstat((dir + file).c_str(), &status) != 0)
                    continue;
                found += dir + file;
                if (S_ISLNK(status.st_mode)) {
                    char named[4096];
                    ssize_t n = ::readlink((dir + file).c_str(), named, sizeof named);
                    found += " -> " + std::string(named, n > 0 ? n : 0) + "\n";
                    continue;
                }
                std::string bytes = MaskTime(ReadFile(dir + file));
                bool made = bytes == NewPhd(name) || bytes == ExpectedPoly(name);
                std::string what = bytes == oldPhd || bytes == oldPoly ? "old" : made ? "new" : bytes;
                std::ostringstream bits;
                bits << std::oct << (status.st_mode & 07777);
                found += " " + bits.str() + " " + what + "\n";
            }
        return found;
    };
    std::string const log = home.Path() + "/calls";
    for (int state = 0; state < 3; ++state) {
        bool overwrite = state == 2;
        bool old = state != 1;  // the old pair is there
        std::vector<std::string> const args = overwrite ? std::vector<std::string>{"-overwrite"}
                                                        : std::vector<std::string>{};
        auto reset = [&] { Reset(old); };
        // The run's status queries on the outputs' paths (those of the
        // directories themselves, which end in '/', left out).
        reset();
        std::map<std::string, std::string> before, converted;
        for (std::string const& name : names) before[name] = files(name);
        ASSERT_EQ(Run(args, "", {}, {strace, "-qq", "-o", log, "-e", "trace=newfstatat"}).status, 0);
        for (std::string const& name : names) converted[name] = files(name);
        std::vector<std::pair<int, std::string>> points;  // the count of the call, the output
        std::istringstream lines(ReadFile(log));
        int count = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.compare(0, 11, "newfstatat(") != 0) continue;
            ++count;
            bool output = false;
            for (std::string const dir : {"/phd_dir/", "/poly_dir/"}) {
                std::size_t at = line.find("\"" + project + dir);
                output = output || (at != std::string::npos && line[at + 1 + project.size() + dir.size()] != '"');
            }
            if (!output) continue;
            std::string name = line.find("r1.") != std::string::npos ? "r1" : "r2";
            bool poly = line.find(".poly") != std::string::npos || line.find(".hop") != std::string::npos;
            points.emplace_back(count, poly ? Poly(name) : Phd(name));
        }
        // The PHD file's query without -overwrite; each step of the links
        // followed to each output when it is written.
        EXPECT_EQ(points.size(), std::vector<std::size_t>({2, 9, 7})[state]) << state;
        for (auto const& [at, output] : points) {
            for (auto const& [fault, reason] : {std::pair<std::string, std::string>{"EIO", "Input/output error"},
                                               {"ENOMEM", "Cannot allocate memory"},
                                               {"ESTALE", "Stale file handle"}}) {
                reset();
                std::string where = std::to_string(state) + " newfstatat " + std::to_string(at) + " " + fault;
                RunResult run = Run(args, "", {},
                                    {strace, "-qq", "-o", "/dev/null", "-e", "trace=newfstatat", "-e",
                                     "inject=newfstatat:error=" + fault + ":when=" + std::to_string(at)});
                EXPECT_EQ(run.status, 1) << where;
                EXPECT_EQ(WithoutProgress(run.err),
                          Banner + Rule + "\nERROR: can not write file " + output + ": " + reason + "\n")
                    << where;
                // The failing trace's files as before the run, the other's as
                // the run without a fault left them.
                for (std::string const& name : names) {
                    bool failing = output == Phd(name) || output == Poly(name);
                    EXPECT_EQ(files(name), failing ? before[name] : converted[name]) << where << ", " << name;
                }
                for (std::string const& dir : {project + "/phd_dir/", project + "/poly_dir/", kept})
                    for (std::string const& file : ListDir(dir)) EXPECT_NE(file[0], '.') << where << ": " << file;
            }
        }
    }
}

// The wendlaric program run on small FASTA files: its console, its exit
// status, and whole chromatogram, PHD and POLY files.
#include <algorithm>
#include <csignal>
#include <sstream>

#include <unistd.h>

#include "synthetic.h"

namespace {

std::string const Usage =
    "\nwendlaric [filename] [arguments]\n\n"
    "  [filename]  is the file containing sequences in FASTA format.\n"
    "  [arguments] can be one or more of the following:\n"
    "     -q [number]  to set the quality value for the phd file\n"
    "     -r [string]  write a reference phd file; [string] is optional\n"
    "     -abi         write the chromat file in ABI format.\n\n"
    "wendlaric -h (or -help)     print this help message\n"
    "wendlaric -v (or -version)  print the version\n\n";

// The PHD file of the record ACGN, worked out by hand.
std::string AcgnPhd(std::string const& name, std::string const& chromat, std::string const& quality) {
    return "BEGIN_SEQUENCE " + name +
           "\n\nBEGIN_COMMENT\n"
           "CHROMAT_FILE: " + chromat +
           "\nABI_THUMBPRINT: 0\n"
           "PHRED_VERSION: wendLaric\n"
           "CALL_METHOD: wendLaric\n"
           "QUALITY_LEVELS: 99\n"
           "TIME: *\n"
           "TRACE_ARRAY_MIN_INDEX: 0\n"
           "TRACE_ARRAY_MAX_INDEX: 59\n"
           "CHEM: unknown\n"
           "DYE: unknown\n"
           "END_COMMENT\n"
           "\n"
           "BEGIN_DNA\n"
           "A " + quality + " 12\n"
           "C " + quality + " 24\n"
           "G " + quality + " 36\n"
           "N " + quality + " 48\n"
           "END_DNA\n"
           "END_SEQUENCE";
}

std::string const AcgnPoly =
    "r1 1 1 1 1 1\n"
    "A 12 300000 1 N  -1  -1 -1 60000 0 0 0\n"
    "C 24 300000 1 N  -1  -1 -1 0 60000 0 0\n"
    "G 36 300000 1 N  -1  -1 -1 0 0 60000 0\n"
    "N 48 300000 1 N  -1  -1 -1 0 0 0 0\n";

using Synthetic = SyntheticProject;

}  // namespace

TEST_F(Synthetic, ScfPhdAndPolyFilesByteForByte) {
    WriteFile(Edit("in.fa"), ">r1 first record\nACGN\n>two\nac\n>empty\n");
    RunResult run = Run({"in.fa"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Written({"r1", "two", "empty"}));

    std::string scf = ReadFile(Chromat("r1.scf"));
    EXPECT_EQ(scf.size(), 608u);
    EXPECT_EQ(scf, ScfBytes(IdealChannels("ACGN")));
    // Sample 12 of channel A, 24 of C, 36 of G: the tops of the peaks.
    EXPECT_EQ(Get16(scf, 128 + 8 * 12), 640u);
    EXPECT_EQ(Get16(scf, 128 + 8 * 24 + 2), 640u);
    EXPECT_EQ(Get16(scf, 128 + 8 * 36 + 4), 640u);
    EXPECT_EQ(Get16(scf, 128 + 8 * 48 + 6), 0u);  // nothing for N
    EXPECT_EQ(Get16(scf, 128 + 8 * 18), 32u);     // where A's peak meets C's
    EXPECT_EQ(Get16(scf, 128 + 8 * 18 + 2), 32u);
    std::string two = ReadFile(Chromat("two.scf"));
    EXPECT_EQ(two.size(), 416u);
    EXPECT_EQ(two, ScfBytes(IdealChannels("AC")));
    EXPECT_EQ(ReadFile(Chromat("empty.scf")), ScfBytes(IdealChannels("")));  // 12 zero points

    std::string phd = ReadFile(Phd("r1"));
    EXPECT_EQ(MaskTime(phd), AcgnPhd("r1", "r1.scf", "59"));
    EXPECT_TRUE(IsDateText(TimeOf(phd))) << TimeOf(phd);
    EXPECT_EQ(ReadFile(Poly("r1")), AcgnPoly);
    EXPECT_EQ(MaskTime(ReadFile(Phd("empty"))),
              "BEGIN_SEQUENCE empty\n\nBEGIN_COMMENT\nCHROMAT_FILE: empty.scf\nABI_THUMBPRINT: 0\n"
              "PHRED_VERSION: wendLaric\nCALL_METHOD: wendLaric\nQUALITY_LEVELS: 99\nTIME: *\n"
              "TRACE_ARRAY_MIN_INDEX: 0\nTRACE_ARRAY_MAX_INDEX: 11\nCHEM: unknown\nDYE: unknown\nEND_COMMENT\n\n"
              "BEGIN_DNA\nEND_DNA\nEND_SEQUENCE");
    EXPECT_EQ(ReadFile(Poly("empty")), "empty 1 1 1 1 1\n");
}

TEST_F(Synthetic, AbifFileByteForByte) {
    WriteFile(Edit("in.fa"), ">r1\nACGN\n");
    RunResult run = Run({"in.fa", "-abi"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Written({"r1"}, true));
    std::string abif = ReadFile(Chromat("r1"));
    EXPECT_EQ(abif.size(), 776u);
    EXPECT_EQ(abif, AbifBytes(IdealChannels("ACGN")));
    // The four DATA entries: 60 samples, 120 bytes, at 296, 416, 536, 656.
    std::size_t const offsets[] = {296, 416, 536, 656};
    for (std::size_t k = 0; k < 4; ++k) {
        std::size_t entry = 184 + 28 * k;
        EXPECT_EQ(abif.substr(entry, 4), "DATA");
        EXPECT_EQ(Get32(abif, entry + 4), 9 + k);
        EXPECT_EQ(Get32(abif, entry + 12), 60u);
        EXPECT_EQ(Get32(abif, entry + 16), 120u);
        EXPECT_EQ(Get32(abif, entry + 20), offsets[k]);
    }
    EXPECT_EQ(Get16(abif, 296 + 2 * 12), 640u);  // A at 12
    EXPECT_EQ(Get16(abif, 416 + 2 * 24), 640u);  // C at 24
    EXPECT_EQ(Get16(abif, 536 + 2 * 36), 640u);  // G at 36
    EXPECT_EQ(MaskTime(ReadFile(Phd("r1"))), AcgnPhd("r1", "r1", "59"));
    EXPECT_EQ(ReadFile(Poly("r1")), AcgnPoly);
}

// Reference mode writes only the first record, under its name and the
// suffix, and no POLY file.
TEST_F(Synthetic, ReferenceMode) {
    WriteFile(Edit("in.fa"), ">r1\nACGN\n>r2\nAAAA\n>r3\nCCCC\n");
    RunResult run = Run({"in.fa", "-q", "30", "-r", "-abi"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Written({"r1.REF"}, true, false));
    EXPECT_EQ(ReadFile(Chromat("r1.REF")), AbifBytes(IdealChannels("ACGN")));
    EXPECT_EQ(MaskTime(ReadFile(Phd("r1.REF"))), AcgnPhd("r1.REF", "r1.REF", "30"));
    EXPECT_EQ(ListDir(project + "/chromat_dir"), std::vector<std::string>{"r1.REF"});
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{"r1.REF.phd.1"});
    EXPECT_EQ(ListDir(project + "/poly_dir"), std::vector<std::string>{});

    // A suffix given, one kept by a later -r without a value; a quality
    // with a fraction is written as given.
    struct Case {
        std::vector<std::string> args;
        std::string name;
        std::string quality;
    } cases[] = {
        {{"in.fa", "-r", "ALT"}, "r1ALT", "59"},
        {{"in.fa", "-r", "_x", "-q", "30.5", "-r"}, "r1_x", "30.5"},
        {{"in.fa", "-r", "-q", "0"}, "r1.REF", "0"},
    };
    for (Case const& c : cases) {
        run = Run(c.args);
        EXPECT_EQ(run.status, 0) << c.name;
        EXPECT_EQ(run.out, Written({c.name}, false, false));
        EXPECT_EQ(MaskTime(ReadFile(Phd(c.name))), AcgnPhd(c.name, c.name + ".scf", c.quality));
        EXPECT_FALSE(Exists(Poly(c.name))) << c.name;
    }
}

TEST_F(Synthetic, CommandLine) {
    WriteFile(Edit("in.fa"), ">r1\nACGN\n");
    MakeDir(Edit("folder.fa"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{}, 1, "\nERROR: no file name was specified.\n\n"},
        {{"-h"}, 0, Usage},
        {{"-help", "in.fa"}, 0, Usage},
        {{"-v"}, 0, "\nwendlaric Version 3.2  (Build 2005.07.08)\n\n"},
        {{"-version"}, 0, "\nwendlaric Version 3.2  (Build 2005.07.08)\n\n"},
        {{"in.fa", "-h"}, 1, "\nERROR: invalid command line argument -h\n\n"},
        {{"in.fa", "-version"}, 1, "\nERROR: invalid command line argument -version\n\n"},
        {{"in.fa", "-abi", "-x"}, 1, "\nERROR: invalid command line argument -x\n\n"},
        {{"in.fa", "-q", "60"}, 1, "\nERROR: quality value must be from 0 to 59.\n\n"},
        {{"in.fa", "-q", "-1"}, 1, "\nERROR: quality value must be from 0 to 59.\n\n"},
        // Beyond an int: it must not wrap into the range (2^32 + 30).
        {{"in.fa", "-q", "4294967326"}, 1, "\nERROR: quality value must be from 0 to 59.\n\n"},
        {{"in.fa", "-q", "18446744073709551646"}, 1, "\nERROR: quality value must be from 0 to 59.\n\n"},  // 2^64 + 30
        {{"in.fa", "-q", "abc"}, 1, "\nERROR: invalid quality value abc\n\n"},
        {{"in.fa", "-q"}, 1, "\nERROR: invalid quality value \n\n"},
        {{"in.fa", "-r", "../x"}, 1, "\nERROR: invalid reference suffix ../x\n\n"},
        {{"-q", "30"}, 1, "\nERROR: invalid command line argument 30\n\n"},  // the first word is the file
        {{"missing.fa"}, 1, "\nERROR: can not open file missing.fa\n"},
        {{"folder.fa", "-abi"}, 1, "\nERROR: can not open file folder.fa\n"},
    };
    for (Case const& c : cases) {
        std::string line;
        for (std::string const& a : c.args) line += " " + a;
        RunResult run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << line;
        EXPECT_EQ(run.err, c.err) << line;
        EXPECT_EQ(run.out, "") << line;
    }
    EXPECT_EQ(ListDir(project + "/chromat_dir"), std::vector<std::string>{});
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{});
}

TEST_F(Synthetic, FastaReading) {
    // Lines before the first header start the first record; a header may
    // be indented; case, blanks, digits and gaps are dropped from the
    // sequence; CR LF line ends.
    WriteFile(Edit("in.fa"), "a\n\n  >r1 description\r\n c 1 g*-\r\n\n   \nn\r\n>r2\tmore\nacgt\n");
    RunResult run = Run({"in.fa"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Written({"r1", "r2"}));
    EXPECT_EQ(ReadFile(Chromat("r1.scf")), ScfBytes(IdealChannels("ACGN")));
    EXPECT_EQ(ReadFile(Poly("r1")), AcgnPoly);
    EXPECT_EQ(ReadFile(Chromat("r2.scf")), ScfBytes(IdealChannels("ACGT")));

    // No header, or nothing at all: no record, nothing is written, and the
    // run fails.
    WriteFile(Edit("plain.txt"), "ACGT\nACGT\n");
    WriteFile(Edit("empty.fa"), "");
    for (char const* file : {"plain.txt", "empty.fa"}) {
        run = Run({file});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("\nERROR: no record in file ") + file + " (no line begins with '>')\n");
        EXPECT_EQ(run.out, "\n");
    }
    EXPECT_EQ(ListDir(project + "/phd_dir"), (std::vector<std::string>{"r1.phd.1", "r2.phd.1"}));
}

// A read error in the FASTA file is not its end: the records completed
// before it are written, the one it cut short is not, and the run fails.
TEST_F(Synthetic, FastaReadError) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    WriteFile(Edit("in.fa"), ">r1\nACGT\n>r2\n" + std::string(3000, 'A') + "\n");
    RunResult run = Run({"in.fa"}, "",
                        {strace, "-qq", "-o", "/dev/null", "-P", Edit("in.fa"), "-e", "trace=read", "-e",
                         "inject=read:error=EIO:when=2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "\nERROR: can not read file in.fa\n");
    EXPECT_EQ(run.out, Written({"r1"}));
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{"r1.phd.1"});
    EXPECT_EQ(ListDir(project + "/chromat_dir"), std::vector<std::string>{"r1.scf"});
}

// A name that is empty, holds '/', or is "." or ".." is refused, so that no
// file lands outside the output directories; the other records are written
// and the run ends with status 1.
TEST_F(Synthetic, RecordNamesMustBePlainFileNames) {
    WriteFile(Edit("in.fa"), ">\nAC\n>../../escape\nAC\n>.\nAC\n>..\nAC\n>sub/r\nAC\n>ok\nAC\n>   \nAC\n");
    MakeDir(project + "/chromat_dir/sub");
    RunResult run = Run({"in.fa"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "\nERROR: record 1 has no name - skipping it.\n"
              "\nERROR: record 2 has the invalid name ../../escape - skipping it.\n"
              "\nERROR: record 3 has the invalid name . - skipping it.\n"
              "\nERROR: record 4 has the invalid name .. - skipping it.\n"
              "\nERROR: record 5 has the invalid name sub/r - skipping it.\n"
              "\nERROR: record 7 has no name - skipping it.\n");
    EXPECT_EQ(run.out, Written({"ok"}));
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"project"});
    EXPECT_EQ(ListDir(project), (std::vector<std::string>{"chromat_dir", "edit_dir", "phd_dir", "poly_dir"}));
    EXPECT_EQ(ListDir(project + "/chromat_dir"), (std::vector<std::string>{"ok.scf", "sub"}));
    EXPECT_EQ(ListDir(project + "/chromat_dir/sub"), std::vector<std::string>{});
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{"ok.phd.1"});
    EXPECT_EQ(ListDir(project + "/poly_dir"), std::vector<std::string>{"ok.poly"});
    EXPECT_EQ(ListDir(project + "/edit_dir"), std::vector<std::string>{"in.fa"});
}

// A missing output directory sends its files to the working directory.
TEST_F(Synthetic, MissingDirectoriesMeanTheWorkingDirectory) {
    ASSERT_EQ(::rmdir((project + "/phd_dir").c_str()), 0);
    ASSERT_EQ(::rmdir((project + "/poly_dir").c_str()), 0);
    WriteFile(Edit("in.fa"), ">r1\nACGN\n");
    RunResult run = Run({"in.fa"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "\nWriting chromat file ../chromat_dir/r1.scf\nWriting r1.phd.1\nWriting r1.poly\n\n");
    EXPECT_EQ(MaskTime(ReadFile(Edit("r1.phd.1"))), AcgnPhd("r1", "r1.scf", "59"));
    EXPECT_EQ(ReadFile(Edit("r1.poly")), AcgnPoly);

    // Run in the project directory, everything goes there.
    WriteFile(project + "/in.fa", ">r2\nAC\n");
    run = Run({"in.fa", "-abi"}, project);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "\nWriting chromat file r2\nWriting r2.phd.1\nWriting r2.poly\n\n");
    EXPECT_EQ(ReadFile(project + "/r2"), AbifBytes(IdealChannels("AC")));
}

// "Writing ..." only for a file written whole. A file that cannot be
// written is reported and removed (a POLY file with its PHD file), the
// record's later files are not written, the next record is, and the run
// ends with status 1. A file that cannot be opened is left as it was.
TEST_F(Synthetic, WriteFailures) {
    if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    WriteFile(Edit("in.fa"), ">a\nAC\n>b\nAC\n>c\nAC\n>d\nAC\n>e\nAC\n");
    ASSERT_EQ(::symlink("/dev/full", Chromat("a.scf").c_str()), 0);  // opens, then is full
    ASSERT_EQ(::symlink("/dev/full", Phd("b").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/full", Poly("c").c_str()), 0);
    MakeDir(Phd("d"));  // cannot be opened
    RunResult run = Run({"in.fa"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "\nERROR: can not write file ../chromat_dir/a.scf\n"
              "\nERROR: can not write file ../phd_dir/b.phd.1\n"
              "\nERROR: can not write file ../poly_dir/c.poly\n"
              "Removed ../phd_dir/c.phd.1, which belongs with it.\n"
              "\nERROR: can not write file ../phd_dir/d.phd.1\n");
    EXPECT_EQ(run.out,
              "\nWriting chromat file ../chromat_dir/b.scf\n"
              "\nWriting chromat file ../chromat_dir/c.scf\nWriting ../phd_dir/c.phd.1\n"
              "\nWriting chromat file ../chromat_dir/d.scf\n" +
                  Written({"e"}));
    // The links to the device stay: a device is never removed.
    EXPECT_EQ(ListDir(project + "/chromat_dir"),
              (std::vector<std::string>{"a.scf", "b.scf", "c.scf", "d.scf", "e.scf"}));
    EXPECT_EQ(ListDir(project + "/phd_dir"), (std::vector<std::string>{"b.phd.1", "d.phd.1", "e.phd.1"}));
    EXPECT_EQ(ListDir(project + "/poly_dir"), (std::vector<std::string>{"c.poly", "e.poly"}));
    EXPECT_EQ(ReadFile(Chromat("e.scf")), ScfBytes(IdealChannels("AC")));
}

// Files behind links, given no room or a signal at the write of the PHD
// or the POLY file: the file a link names is removed, never left cut short
// (and the PHD file with a POLY file that failed); the links stay.
TEST_F(Synthetic, FilesBehindLinksAreRemovedNotCutShort) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    WriteFile(Edit("in.fa"), ">r1\nACGN\n");
    std::string const kept = project + "/kept/";
    MakeDir(kept);
    ASSERT_EQ(::symlink("../kept/r1.phd.1", Phd("r1").c_str()), 0);
    ASSERT_EQ(::symlink("../kept/r1.poly", Poly("r1").c_str()), 0);
    struct {
        std::string file;  // where the fault strikes
        std::string fault;
        int status;
        int signal;
    } const cases[] = {
        {"r1.phd.1", "error=ENOSPC", 1, 0},
        {"r1.poly", "error=ENOSPC", 1, 0},
        {"r1.phd.1", "signal=TERM", -1, SIGTERM},
        {"r1.poly", "signal=INT", -1, SIGINT},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.file + ", " + c.fault);
        WriteFile(kept + "r1.phd.1", "an older file\n");
        WriteFile(kept + "r1.poly", "an older file\n");
        RunResult run = Run({"in.fa"}, "",
                            {strace, "-qq", "-o", "/dev/null", "-P", kept + c.file, "-e", "trace=write", "-e",
                             "inject=write:" + c.fault + ":when=1"});
        if (c.signal) {
            EXPECT_EQ(run.signal, c.signal);
        } else {
            EXPECT_EQ(run.status, c.status);
        }
        // A PHD file that fails comes before the POLY file, which is left
        // as it was; one whose POLY file fails goes with it.
        if (c.file == "r1.phd.1") {
            EXPECT_EQ(ListDir(kept), std::vector<std::string>{"r1.poly"});
            EXPECT_EQ(ReadFile(kept + "r1.poly"), "an older file\n");
        } else {
            EXPECT_EQ(ListDir(kept), std::vector<std::string>{});
        }
        EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{"r1.phd.1"});
        EXPECT_EQ(ListDir(project + "/poly_dir"), std::vector<std::string>{"r1.poly"});
    }
    ASSERT_EQ(Run({"in.fa"}).status, 0);
    EXPECT_EQ(MaskTime(ReadFile(kept + "r1.phd.1")), AcgnPhd("r1", "r1.scf", "59"));
    EXPECT_EQ(ReadFile(kept + "r1.poly"), AcgnPoly);
}

// A chromatogram beyond what the formats' 32-bit offsets can address is
// refused before anything of the record is written.
TEST_F(Synthetic, RecordTooLongForTheFormat) {
    std::size_t const bases = 22369618;  // 296 + 8 * (12 * bases + 12) bytes: just over 2^31 - 1
    std::string fasta = ">big\n";
    std::string const line(100, 'A');
    for (std::size_t n = 0; n < bases; n += line.size())
        fasta += line.substr(0, std::min(line.size(), bases - n)) + "\n";
    fasta += ">small\nAC\n";
    WriteFile(Edit("in.fa"), fasta);
    fasta.clear();
    RunResult run = Run({"in.fa", "-abi"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "\nERROR: record big is too long for a chromatogram (22369618 bases) - skipping it.\n");
    EXPECT_EQ(run.out, Written({"small"}, true));
    EXPECT_EQ(ListDir(project + "/chromat_dir"), std::vector<std::string>{"small"});
    EXPECT_EQ(ListDir(project + "/phd_dir"), std::vector<std::string>{"small.phd.1"});
}

// SIGTERM, SIGINT or SIGHUP at any write, to a file or to the console:
// the run ends by that signal, the files written before stay whole, the
// one being written is removed, and so is a PHD file whose POLY file is not
// yet complete, so that no POLY file is left without its PHD file; once
// the POLY file is complete, the announcement of it removes nothing. A
// first run under strace lists the writes.
TEST_F(Synthetic, SignalRemovesOnlyTheFilesNotYetWhole) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    WriteFile(Edit("in.fa"), ">r1\nACGN\n>r2\nAC\n");
    struct {
        std::vector<std::string> args;
        std::vector<std::string> files;  // in the order written
    } const modes[] = {
        {{"in.fa"}, {Chromat("r1.scf"), Phd("r1"), Poly("r1"), Chromat("r2.scf"), Phd("r2"), Poly("r2")}},
        {{"in.fa", "-r"}, {Chromat("r1.REF.scf"), Phd("r1.REF")}},
    };
    std::pair<char const*, int> const signals[] = {{"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
    auto reset = [&] {
        for (std::string const dir : {"/chromat_dir/", "/phd_dir/", "/poly_dir/"})
            for (std::string const& file : ListDir(project + dir)) ::unlink((project + dir + file).c_str());
    };
    auto isPoly = [](std::string const& file) { return file.find("/poly_dir/") != std::string::npos; };
    std::string const log = dir.Path() + "/calls";
    for (auto const& mode : modes) {
        reset();
        ASSERT_EQ(Run(mode.args, "", {strace, "-qq", "-y", "-o", log, "-e", "trace=write"}).status, 0);
        // The files' whole bytes, a PHD file's TIME masked.
        auto bytes = [](std::string const& file) {
            return file.find("/phd_dir/") != std::string::npos ? MaskTime(ReadFile(file)) : ReadFile(file);
        };
        std::vector<std::string> whole;
        for (std::string const& file : mode.files) whole.push_back(bytes(file));
        // The count of each file's write among all writes.
        std::vector<int> writtenAt(mode.files.size(), 0);
        std::istringstream lines(ReadFile(log));
        int writes = 0;
        for (std::string line; std::getline(lines, line);) {
            ++writes;
            std::string first = line.substr(0, line.find(','));
            for (std::size_t k = 0; k < mode.files.size(); ++k)
                if (first.find("<" + mode.files[k] + ">") != std::string::npos) {
                    ASSERT_EQ(writtenAt[k], 0) << mode.files[k] << " is written once";
                    writtenAt[k] = writes;
                }
        }
        ASSERT_EQ(std::count(writtenAt.begin(), writtenAt.end(), 0), 0);
        ASSERT_GT(writes, static_cast<int>(mode.files.size()));  // the console's writes too
        for (int when = 1; when <= writes; ++when) {
            for (auto const& [name, signal] : signals) {
                std::string where = "write " + std::to_string(when) + ", SIG" + name;
                reset();
                RunResult run = Run(mode.args, "",
                                    {strace, "-qq", "-o", "/dev/null", "-e", "trace=write", "-e",
                                     "inject=write:signal=" + std::string(name) + ":when=" + std::to_string(when)});
                EXPECT_EQ(run.signal, signal) << where;
                for (std::size_t j = 0; j < mode.files.size(); ++j) {
                    // A POLY file's PHD file comes just before it.
                    bool paired = j + 1 < mode.files.size() && isPoly(mode.files[j + 1]);
                    bool kept = writtenAt[j] < when && !(paired && writtenAt[j + 1] >= when);
                    EXPECT_EQ(Exists(mode.files[j]), kept) << where << ": " << mode.files[j];
                    if (kept) {
                        EXPECT_EQ(bytes(mode.files[j]), whole[j]) << where << ": " << mode.files[j];
                    }
                }
            }
        }
    }
}

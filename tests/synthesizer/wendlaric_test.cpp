// The wendlaric program run on small FASTA files: its console, its exit
// status, and whole chromatogram, PHD and POLY files.
#include <algorithm>
#include <csignal>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

#include <sys/stat.h>
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

// "Writing ..." only for the files of a record put in place. An output
// that reaches no regular file (a device, a directory, a FIFO, which would
// wait for a reader) is refused before anything of the record is written:
// it is reported, the record's files are left as they were (the links
// too), the next record is written, and the run ends with status 1.
TEST_F(Synthetic, OutputsThatAreNoRegularFilesLeaveTheRecordAsItWas) {
    WriteFile(Edit("in.fa"), ">a\nAC\n>b\nAC\n>c\nAC\n>d\nAC\n>e\nAC\n>f\nAC\n");
    ASSERT_EQ(::symlink("/dev/full", Chromat("a.scf").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", Phd("b").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/full", Poly("c").c_str()), 0);
    MakeDir(Phd("d"));
    ASSERT_EQ(::mkfifo(Poly("e").c_str(), 0600), 0);
    for (std::string name : {"b", "c"}) WriteFile(Chromat(name + ".scf"), "old chromatogram");
    WriteFile(Phd("c"), "old PHD file");
    RunResult run = Run({"in.fa"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "\nERROR: can not write file ../chromat_dir/a.scf\n"
              "\nERROR: can not write file ../phd_dir/b.phd.1\n"
              "\nERROR: can not write file ../poly_dir/c.poly\n"
              "\nERROR: can not write file ../phd_dir/d.phd.1\n"
              "\nERROR: can not write file ../poly_dir/e.poly\n");
    EXPECT_EQ(run.out, Written({"f"}));
    EXPECT_EQ(ListDir(project + "/chromat_dir"), (std::vector<std::string>{"a.scf", "b.scf", "c.scf", "f.scf"}));
    EXPECT_EQ(ListDir(project + "/phd_dir"), (std::vector<std::string>{"b.phd.1", "c.phd.1", "d.phd.1", "f.phd.1"}));
    EXPECT_EQ(ListDir(project + "/poly_dir"), (std::vector<std::string>{"c.poly", "e.poly", "f.poly"}));
    EXPECT_EQ(ReadFile(Chromat("b.scf")), "old chromatogram");
    EXPECT_EQ(ReadFile(Chromat("c.scf")), "old chromatogram");
    EXPECT_EQ(ReadFile(Phd("c")), "old PHD file");
    EXPECT_EQ(ReadFile(Chromat("f.scf")), ScfBytes(IdealChannels("AC")));
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


namespace {

struct Start {
    bool reference;  // -r
    bool old;        // each record's files there from an earlier run
};

void PrintTo(Start const& start, std::ostream* out) {
    *out << (start.reference ? "-r" : "no flag") << (start.old ? ", over old files" : ", no old files");
}

class SyntheticInterrupted : public SyntheticProject, public ::testing::WithParamInterface<Start> {};

}  // namespace

// Killed (SIGKILL), interrupted (SIGTERM, SIGINT, SIGHUP), its console gone
// (SIGPIPE) or failing (ENOSPC at a write, EIO at any other call) at any
// call on its files or its console, a run leaves each record with its
// complete new files, its old files, or no PHD file (the chromatogram and
// the POLY file each old, new or gone, never cut short): so a PHD file only
// ever stands beside the chromatogram and POLY file of its own run. An
// interrupted or failing run leaves no hidden file; a killed one may leave
// the hidden files of the record being written, which the next run passes
// over. A failing run reports the file, writes the other records and ends
// with status 1. The last record's files sit behind links in another
// directory (an absolute link to the chromatogram, a relative one to the
// PHD file, a chain of two to the POLY file), dangling without old files:
// the links always stay. A first run under strace lists the calls; each is
// given SIGKILL, SIGPIPE, one of the other three signals and, on a file, a
// failure. One test per mode and start, so that they run side by side.
TEST_P(SyntheticInterrupted, EveryPhdFileStandsBesideTheFilesOfItsRecord) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    bool const reference = GetParam().reference;
    bool const withOld = GetParam().old;
    WriteFile(Edit("in.fa"), ">r1\nACGN\n>r2\nAC\n");
    std::vector<std::string> const args = reference ? std::vector<std::string>{"in.fa", "-r"} : std::vector<std::string>{"in.fa"};
    std::vector<std::string> const names = reference ? std::vector<std::string>{"r1.REF"} : std::vector<std::string>{"r1", "r2"};
    std::string const linked = names.back();
    std::string const kept = project + "/kept/";
    MakeDir(kept);
    std::vector<std::pair<std::string, std::string>> links = {{Chromat(linked + ".scf"), kept + linked + ".scf"},
                                                              {Phd(linked), "../kept/" + linked + ".phd.1"}};
    if (!reference) {
        links.push_back({Poly(linked), linked + ".hop"});
        links.push_back({project + "/poly_dir/" + linked + ".hop", "../kept/" + linked + ".poly"});
    }
    auto linksKept = [&] { return LinksKept(links); };
    std::vector<std::string> const dirs = {project + "/chromat_dir/", project + "/phd_dir/", project + "/poly_dir/",
                                           kept};
    // A record's chromatogram, PHD file and (but in reference mode) POLY file.
    auto files = [&](std::string const& name) {
        std::vector<std::string> paths = {Chromat(name + ".scf"), Phd(name)};
        if (!reference) paths.push_back(Poly(name));
        return paths;
    };
    std::string const oldBytes[] = {"old chromatogram\n", "old PHD file\n",
                                    "old POLY file, longer than the new one" + std::string(1000, '.') + "\n"};
    mode_t const mask = ::umask(0);
    ::umask(mask);
    auto reset = [&] {  // hidden files a killed run left go too
        for (std::string const& dir : dirs)
            for (std::string const& file : ListDir(dir)) ::unlink((dir + file).c_str());
        for (auto const& [link, target] : links) ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
        if (!withOld) return;
        for (std::string const& name : names) {
            std::vector<std::string> paths = files(name);
            for (std::size_t k = 0; k < paths.size(); ++k) WriteFile(paths[k], oldBytes[k]);  // through the links
        }
        ::chmod(Chromat(names[0] + ".scf").c_str(), 0604);
        ::chmod((kept + linked + ".phd.1").c_str(), 0640);
    };
    auto bytes = [](std::string const& file) {
        return file.find("/phd_dir/") != std::string::npos ? MaskTime(ReadFile(file)) : ReadFile(file);
    };

    // The calls on the record's files (-y names the file of a descriptor)
    // and on the console, each as its name and count among the calls of
    // that name; the record and the output a call is for.
    reset();
    std::string const log = dir.Path() + "/calls";
    RunResult clean = Run(args, "", {strace, "-qq", "-y", "-o", log, "-e",
                                     "trace=openat,fchmod,write,close,unlink,unlinkat,rename,renameat,renameat2"});
    ASSERT_EQ(clean.status, 0);
    ASSERT_EQ(clean.out, Written(names, false, !reference));
    std::map<std::string, std::vector<std::string>> fresh;  // each record's new files
    for (std::string const& name : names)
        for (std::string const& file : files(name)) fresh[name].push_back(bytes(file));
    EXPECT_EQ(fresh[names[0]][0], ScfBytes(IdealChannels("ACGN")));
    EXPECT_EQ(fresh[names[0]][1], AcgnPhd(names[0], names[0] + ".scf", "59"));
    EXPECT_TRUE(linksKept());
    EXPECT_EQ(HiddenFiles(dirs), "");
    // An old file's permission bits pass to its new version.
    struct stat status;
    for (auto const& [file, mode] : {std::pair<std::string, mode_t>{Chromat(names[0] + ".scf"), withOld ? 0604 : 0666 & ~mask},
                                     {Phd(linked), withOld ? 0640 : 0666 & ~mask}}) {
        ASSERT_EQ(::stat(file.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode) << file;
    }
    struct Point {
        std::string call;
        int count;
        std::string record;  // empty for the console
        std::string output;  // as the run names it
    };
    std::vector<Point> points;
    std::map<std::string, std::size_t> removal, renaming;  // of each record's PHD file, among the points
    std::map<std::string, int> seen;
    std::istringstream lines(ReadFile(log));
    for (std::string line; std::getline(lines, line);) {
        std::string call = line.substr(0, line.find('('));
        int count = ++seen[call];
        if (call == "write" && line.compare(0, 8, "write(1<") == 0) {
            points.push_back({call, count, "", ""});
            continue;
        }
        if (line.find("in.fa") != std::string::npos) continue;
        for (std::string const& name : names) {
            std::pair<std::string, std::string> const outputs[] = {{name + ".scf", "../chromat_dir/"},
                                                                   {name + ".phd.1", "../phd_dir/"},
                                                                   {name + ".poly", "../poly_dir/"}};
            for (auto const& [file, directory] : outputs) {
                if (line.find("/" + file) == std::string::npos && line.find("/." + file + ".") == std::string::npos)
                    continue;
                if (file == name + ".phd.1" && call == "unlink") removal[name] = points.size();
                if (file == name + ".phd.1" && call.compare(0, 6, "rename") == 0) renaming[name] = points.size();
                points.push_back({call, count, name, directory + file});
            }
        }
    }
    // Made, given the old file's permission bits, filled and closed each;
    // the old files removed and the new renamed in; three lines per record
    // on the console and one at the end.
    std::size_t const perRecord = reference ? 2 : 3;
    ASSERT_EQ(points.size(), names.size() * perRecord * (withOld ? 6 : 5) + names.size() * perRecord + 1);
    ASSERT_EQ(removal.size(), names.size());
    ASSERT_EQ(renaming.size(), names.size());

    // What a run left of a record, read through the links: "new" or "old"
    // (the PHD file beside the other files of the same run), "none" (no PHD
    // file; the others each old, new or gone); anything else as it is.
    auto state = [&](std::string const& name) {
        std::vector<std::string> paths = files(name);
        std::vector<std::string> kinds;
        std::string found;
        for (std::size_t k = 0; k < paths.size(); ++k) {
            std::string kind = "gone";
            if (Reaches(paths[k])) {
                std::string content = bytes(paths[k]);
                kind = content == fresh[name][k] ? "new" : withOld && content == oldBytes[k] ? "old" : "cut";
                found += paths[k] + ":\n" + content + "\n";
            }
            kinds.push_back(kind);
        }
        bool cut = std::count(kinds.begin(), kinds.end(), "cut") > 0;
        if (kinds[1] == "gone" && !cut) return std::string("none");
        if (std::count(kinds.begin(), kinds.end(), kinds[1]) == static_cast<long>(kinds.size())) return kinds[1];
        return found;
    };

    std::pair<char const*, int> const others[] = {{"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
    for (std::size_t i = 0; i < points.size(); ++i) {
        Point const& point = points[i];
        std::vector<std::pair<std::string, int>> faults = {
            {"signal=KILL", SIGKILL}, {"signal=PIPE", SIGPIPE}, {std::string("signal=") + others[i % 3].first, others[i % 3].second}};
        if (!point.record.empty()) faults.emplace_back(point.call == "write" ? "error=ENOSPC" : "error=EIO", 0);
        for (auto const& [fault, signal] : faults) {
            reset();
            std::string where = point.call + " " + std::to_string(point.count) + " " +
                                (point.record.empty() ? "(console)" : point.output) + " " + fault;
            RunResult run = Run(args, "",
                                {strace, "-qq", "-o", "/dev/null", "-e", "trace=" + point.call, "-e",
                                 "inject=" + point.call + ":" + fault + ":when=" + std::to_string(point.count)});
            std::vector<std::string> written;  // the records a failing run writes
            for (std::string const& name : names) {
                // A signal at the removal of the PHD file or its renaming
                // may strike before the call or after it.
                std::set<std::string> expected;
                if (signal) {
                    if (i <= removal[name]) expected.insert(withOld ? "old" : "none");
                    if (i >= removal[name] && i <= renaming[name]) expected.insert("none");
                    if (i >= renaming[name]) expected.insert("new");
                } else if (point.record == name) {
                    expected.insert(withOld && i <= removal[name] ? "old" : "none");
                } else {
                    expected.insert("new");
                    written.push_back(name);
                }
                std::string left = state(name);
                EXPECT_EQ(expected.count(left), 1u) << where << ", " << name << ":\n" << left;
            }
            if (signal) {
                EXPECT_EQ(run.signal, signal) << where;
                EXPECT_EQ(clean.out.compare(0, run.out.size(), run.out), 0) << where << ":\n" << run.out;
            } else {
                EXPECT_EQ(run.status, 1) << where;
                EXPECT_EQ(run.err, "\nERROR: can not write file " + point.output + "\n") << where;
                EXPECT_EQ(run.out, Written(written, false, !reference)) << where;
            }
            EXPECT_TRUE(linksKept()) << where;
            if (signal != SIGKILL) {
                EXPECT_EQ(HiddenFiles(dirs), "") << where;
                continue;
            }
            // Only this program's own hidden files, and the next run writes
            // every record whole.
            for (std::string const& dir : dirs)
                for (std::string const& file : ListDir(dir))
                    if (file[0] == '.') {
                        EXPECT_NE(file.find(".wendlaric"), std::string::npos) << where << ": " << file;
                    }
            ASSERT_EQ(Run(args).status, 0) << where;
            for (std::string const& name : names) EXPECT_EQ(state(name), "new") << where << ", " << name;
            EXPECT_TRUE(linksKept()) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, SyntheticInterrupted,
                         ::testing::Values(Start{false, false}, Start{false, true}, Start{true, false},
                                           Start{true, true}),
                         [](::testing::TestParamInfo<Start> const& info) {
                             return std::string(info.param.reference ? "Reference" : "Reads") +
                                    (info.param.old ? "OverOldFiles" : "New");
                         });

// The console a pipe whose reader stops after one line, as in
// `wendlaric in.fa | head -1`: the run ends by SIGPIPE (a shell shows 141)
// at an announcement, so each record is written whole or left as it was,
// the first ones written, and no hidden file stays.
TEST_F(Synthetic, ConsoleClosedByItsReader) {
    std::string bash = FindProgram("bash");
    if (bash.empty() || FindProgram("head").empty()) GTEST_SKIP() << "bash or head is not installed";
    // More announcements than a pipe holds: the run must meet the closed pipe.
    std::vector<std::string> names;
    std::string fasta;
    for (int i = 0; i < 300; ++i) {
        names.push_back(std::to_string(1000 + i) + std::string(200, 'x'));
        fasta += ">" + names.back() + "\nACGT\n";
        WriteFile(Chromat(names.back() + ".scf"), "old");
        WriteFile(Phd(names.back()), "old");
        WriteFile(Poly(names.back()), "old");
    }
    WriteFile(Edit("in.fa"), fasta);
    // A process started with SIGPIPE ignored would pass that on.
    struct sigaction before;
    ::sigaction(SIGPIPE, nullptr, &before);
    ::signal(SIGPIPE, SIG_DFL);
    RunResult run = RunProgram({bash, "-c", "\"$0\" in.fa | head -1; echo \"${PIPESTATUS[0]}\" >&2", WENDLARIC_PATH},
                               Edit(""));
    ::sigaction(SIGPIPE, &before, nullptr);
    EXPECT_EQ(run.out, "\n");
    EXPECT_EQ(run.err, "141\n");
    std::string const newPoly = "1 1 1 1 1\n"
                                "A 12 300000 1 N  -1  -1 -1 60000 0 0 0\n"
                                "C 24 300000 1 N  -1  -1 -1 0 60000 0 0\n"
                                "G 36 300000 1 N  -1  -1 -1 0 0 60000 0\n"
                                "T 48 300000 1 N  -1  -1 -1 0 0 0 60000\n";
    std::size_t written = 0;
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::string const& name = names[k];
        std::string chromat = ReadFile(Chromat(name + ".scf"));
        std::string phd = ReadFile(Phd(name));
        std::string poly = ReadFile(Poly(name));
        bool old = chromat == "old" && phd == "old" && poly == "old";
        bool fresh = chromat == ScfBytes(IdealChannels("ACGT")) && phd.rfind("BEGIN_SEQUENCE " + name + "\n", 0) == 0 &&
                     phd.size() > 12 && phd.compare(phd.size() - 12, 12, "END_SEQUENCE") == 0 &&
                     poly == name + " " + newPoly;
        EXPECT_TRUE(old || fresh) << name << ":\n" << chromat.substr(0, 8) << "\n" << phd << "\n" << poly;
        if (fresh) {
            EXPECT_EQ(written, k) << name << " written after an old one";
            ++written;
        }
    }
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, names.size());
    EXPECT_EQ(HiddenFiles({project + "/chromat_dir/", project + "/phd_dir/", project + "/poly_dir/"}), "");
}

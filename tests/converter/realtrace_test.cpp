// Real chromatograms written by instruments and other tools: each converts,
// or is refused with the message for its case, and the PHD files agree with
// independent readers of the same files.
#include <algorithm>
#include <array>
#include <cctype>
#include <iostream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fixtures.h"

namespace {

std::string const Traces = std::string(QUORVALIX_SHARED_DATA) + "/traces";
std::string const Samples = std::string(QUORVALIX_SHARED_DATA) + "/projects/cutepeaks";

// What a trace's PHD file says about its bases, or an independent reader
// about the trace.
struct Bases {
    std::string letters;
    std::vector<long> qualities;
    std::vector<long> peaks;
    long samples = -1;
};

// Every trace file under the shared folder (or `top`), by name.
std::vector<std::pair<std::string, std::string>> TraceFiles(std::string const& top = Traces) {
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> dirs = {top};
    while (!dirs.empty()) {
        std::string dir = dirs.back();
        dirs.pop_back();
        for (std::string const& name : ListDir(dir)) {
            struct stat status;
            std::string path = dir + "/" + name;
            if (::stat(path.c_str(), &status) != 0) continue;
            if (S_ISDIR(status.st_mode))
                dirs.push_back(path);
            else
                files.push_back({name, path});
        }
    }
    return files;
}

std::string BaseName(std::string const& name) { return name.substr(0, name.rfind('.')); }

bool IsAbif(std::string const& name) { return name.find(".ab") != std::string::npos; }

// A project holding every shared trace (linked, as compressed copies when
// `gzip`), or the traces of `top`, converted by trelvik.
struct Converted {
    explicit Converted(bool gzip = false, std::string const& top = Traces) {
        project = dir.Path();
        for (char const* sub : {"/chromat_dir", "/phd_dir", "/poly_dir", "/tmp"}) MakeDir(project + sub);
        for (auto const& file : TraceFiles(top)) {
            std::string target = project + "/chromat_dir/" + file.first;
            if (gzip)
                Gzip(file.second, target + ".gz");
            else if (::symlink(file.second.c_str(), target.c_str()) != 0)
                ADD_FAILURE() << "cannot link " << target;
        }
        run = RunProgram({TRELVIK_PATH}, project, {"TMPDIR=" + project + "/tmp"});
    }
    std::string Phd(std::string const& name) const { return project + "/phd_dir/" + BaseName(name) + ".phd.1"; }
    std::string Poly(std::string const& name) const { return project + "/poly_dir/" + BaseName(name) + ".poly"; }
    std::string Chromat(std::string const& name) const { return project + "/chromat_dir/" + name; }

    TempDir dir;
    std::string project;
    RunResult run;
};

Bases ReadPhd(std::string const& path) {
    Bases bases;
    std::istringstream in(ReadFile(path));
    std::string line;
    bool dna = false;
    while (std::getline(in, line)) {
        if (line.compare(0, 23, "TRACE_ARRAY_MAX_INDEX: ") == 0) bases.samples = std::stol(line.substr(23)) + 1;
        if (line == "END_DNA") dna = false;
        if (dna) {
            std::istringstream fields(line);
            char letter;
            long quality;
            long peak;
            fields >> letter >> quality >> peak;
            bases.letters += letter;
            bases.qualities.push_back(quality);
            bases.peaks.push_back(peak);
        }
        if (line == "BEGIN_DNA") dna = true;
    }
    return bases;
}

// Columns 9 to 12 of every base line of a POLY file: the amplitudes of
// A, C, G and T.
std::vector<std::array<long, 4>> PolyAmplitudes(std::string const& path) {
    std::vector<std::array<long, 4>> amplitudes;
    std::istringstream in(ReadFile(path));
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string skip;
        for (int k = 0; k < 8; ++k) fields >> skip;
        std::array<long, 4> a{};
        fields >> a[0] >> a[1] >> a[2] >> a[3];
        amplitudes.push_back(a);
    }
    return amplitudes;
}

// The bases a mixed-base letter names, empty for any other letter.
std::string MixedBases(char letter) {
    static std::map<char, std::string> const codes = {
        {'R', "AG"}, {'Y', "CT"}, {'K', "GT"}, {'M', "AC"}, {'S', "CG"},
        {'W', "AT"}, {'B', "CGT"}, {'D', "AGT"}, {'H', "ACT"}, {'V', "ACG"}};
    auto code = codes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return code == codes.end() ? "" : code->second;
}

// The trace's own letters against the PHD file's: every letter but a
// mixed-base one as it was; a mixed-base one the strongest of its bases by
// the POLY file's amplitudes (the first of A, C, G, T on a tie), or as it
// was when they are all 0. The number of mixed-base letters.
int ExpectResolvedLetters(std::string const& own, std::string const& called,
                          std::vector<std::array<long, 4>> const& amplitudes) {
    EXPECT_EQ(called.size(), own.size());
    EXPECT_EQ(amplitudes.size(), own.size());
    int mixed = 0;
    for (std::size_t i = 0; i < own.size() && i < called.size() && i < amplitudes.size(); ++i) {
        std::string bases = MixedBases(own[i]);
        char expected = own[i];
        long strongest = 0;
        for (char base : bases) {
            long amplitude = amplitudes[i][std::string("ACGT").find(base)];
            if (amplitude > strongest) {
                strongest = amplitude;
                expected = base;
            }
        }
        if (!bases.empty()) {
            ++mixed;
            if (strongest > 0) {
                EXPECT_NE(bases.find(called[i]), std::string::npos) << "base " << i;
            }
        }
        EXPECT_EQ(called[i], expected) << "base " << i << ", trace letter " << own[i];
    }
    return mixed;
}

// Whether a trace's qualities let it through: one of 10 or more, and 1 to
// 99 at bases 40 to 59 other than N and mixed-base letters.
bool Usable(Bases const& bases) {
    bool any = false;
    for (long q : bases.qualities) any = any || q >= 10;
    for (std::size_t i = 40; i < 60 && i < bases.letters.size(); ++i) {
        long q = bases.qualities[i];
        char letter = bases.letters[i];
        bool ambiguous = std::toupper(static_cast<unsigned char>(letter)) == 'N' || !MixedBases(letter).empty();
        if (!ambiguous && (q <= 0 || q > 99)) return false;
    }
    return any;
}

// Biopython's raw ABIF entries PBAS 1, PCON 1 (as signed bytes), PLOC 1 and
// the length of DATA 9.
char const BiopythonScript[] =
    "import sys\n"
    "from Bio import SeqIO\n"
    "raw = SeqIO.read(sys.argv[1], 'abi').annotations['abif_raw']\n"
    "print(raw['PBAS1'].decode('latin-1'))\n"
    "print(' '.join(str(b - 256 if b > 127 else b) for b in raw['PCON1']))\n"
    "print(' '.join(str(p) for p in raw['PLOC1']))\n"
    "print(len(raw['DATA9']))\n";

Bases FromBiopython(std::string const& path) {
    RunResult run = RunProgram({"/usr/bin/python3", "-c", BiopythonScript, path}, "/");
    Bases bases;
    std::istringstream out(run.out);
    std::string line;
    std::getline(out, bases.letters);
    for (std::vector<long>* values : {&bases.qualities, &bases.peaks}) {
        std::getline(out, line);
        std::istringstream fields(line);
        for (long v; fields >> v;) values->push_back(v);
    }
    out >> bases.samples;
    return bases;
}

// staden's trace_dump: the header's sample count, then per base the letter,
// the peak and the probabilities of A, C, G and T; the quality is the
// probability of the letter's own channel, for a mixed-base letter the
// largest of its bases' channels.
Bases FromTraceDump(std::string const& path) {
    RunResult run = RunProgram({FindProgram("trace_dump"), path}, "/");
    Bases bases;
    std::istringstream out(run.out);
    std::string line;
    std::string section;
    while (std::getline(out, line)) {
        if (!line.empty() && line[0] == '[') {
            section = line;
            continue;
        }
        std::istringstream fields(line);
        if (section == "[Header]" && line.find("# NPoints") != std::string::npos) fields >> bases.samples;
        if (section != "[Bases]" || line.empty()) continue;
        char letter;
        long peak;
        long probability[4];
        fields >> letter >> peak >> probability[0] >> probability[1] >> probability[2] >> probability[3];
        std::string channels = MixedBases(letter);
        if (std::string("ACGT").find(letter) != std::string::npos) channels = std::string(1, letter);
        long quality = 0;
        for (char base : channels) quality = std::max(quality, probability[std::string("ACGT").find(base)]);
        bases.letters += letter;
        bases.peaks.push_back(peak);
        bases.qualities.push_back(quality);
    }
    return bases;
}

// GTEST_SKIP returns from the function it stands in, so each test skips itself.
#define SKIP_WITHOUT_TRACES() \
    if (!Exists(Traces)) GTEST_SKIP() << "no shared traces at " << Traces

// Compares trelvik's PHD file, or its refusal, with the reader's view of
// every trace that `take` selects.
void CompareWithReader(bool (*take)(std::string const&), Bases (*reader)(std::string const&)) {
    Converted converted;
    int compared = 0;
    for (auto const& file : TraceFiles()) {
        if (!take(file.first)) continue;
        SCOPED_TRACE(file.first);
        Bases expected = reader(file.second);
        ASSERT_GT(expected.samples, 0);
        ASSERT_EQ(expected.letters.size(), expected.peaks.size());
        std::string refused = "ERROR: missing quality values in trace file " + converted.Chromat(file.first) + "\n";
        if (!Usable(expected)) {
            EXPECT_NE(converted.run.out.find(refused), std::string::npos);
            EXPECT_FALSE(Exists(converted.Phd(file.first)));
            continue;
        }
        Bases phd = ReadPhd(converted.Phd(file.first));
        ExpectResolvedLetters(expected.letters, phd.letters, PolyAmplitudes(converted.Poly(file.first)));
        EXPECT_EQ(phd.qualities, expected.qualities);
        EXPECT_EQ(phd.peaks, expected.peaks);
        EXPECT_EQ(phd.samples, expected.samples);
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

}  // namespace

// Every trace converts, or is refused with the message for its case: fake.ab1
// is no chromatogram, and four traces have no usable qualities, abiview.abi
// none at all (no PCON entry).
TEST(RealTraces, EveryTraceConvertsOrIsRefused) {
    SKIP_WITHOUT_TRACES();
    Converted converted;
    EXPECT_EQ(converted.run.status, 0);
    std::string err = converted.run.err;
    EXPECT_NE(err.find("ERROR: invalid trace file " + converted.Chromat("fake.ab1") + " - skipping.\n"),
              std::string::npos);
    EXPECT_EQ(err.find("invalid trace file " + converted.Chromat("abiview.abi")), std::string::npos);
    std::string out;
    for (char const* name : {"13-pilE-F.scf", "310.ab1", "abiview.abi", "empty.ab1"})
        out += "ERROR: missing quality values in trace file " + converted.Chromat(name) + "\n";
    EXPECT_EQ(converted.run.out, out);
    int count = 0;
    for (auto const& file : TraceFiles()) {
        std::string name = file.first;
        if (name == "abiview.abi" || name == "fake.ab1" || converted.run.out.find("/" + name + "\n") != std::string::npos)
            continue;
        SCOPED_TRACE(name);
        Bases phd = ReadPhd(converted.Phd(name));
        ASSERT_GT(phd.letters.size(), 0u);
        // One POLY line per base, at the base's peak, in the sample range.
        std::istringstream poly(ReadFile(converted.Poly(name)));
        std::string line;
        std::getline(poly, line);
        EXPECT_EQ(line, BaseName(name) + " 1 1 1 1 1");
        std::size_t i = 0;
        for (; std::getline(poly, line); ++i) {
            std::istringstream fields(line);
            std::vector<std::string> columns;
            for (std::string column; fields >> column;) columns.push_back(column);
            ASSERT_EQ(columns.size(), 12u) << line;
            ASSERT_LT(i, phd.letters.size());
            EXPECT_EQ(columns[0], std::string(1, phd.letters[i]));
            EXPECT_EQ(std::stol(columns[1]), phd.peaks[i]);
            EXPECT_LT(std::stol(columns[1]), phd.samples);
        }
        EXPECT_EQ(i, phd.letters.size());
        ++count;
    }
    EXPECT_EQ(count, 11);
}

// Gzip-compressed copies give the same files, and the same messages, which
// name each compressed file as it is.
TEST(RealTraces, CompressedCopiesGiveTheSameFiles) {
    SKIP_WITHOUT_TRACES();
    if (FindProgram("gzip").empty()) GTEST_SKIP() << "gzip is not installed";
    Converted plain;
    Converted packed(true);
    EXPECT_EQ(packed.run.status, 0);
    std::string out = plain.run.out;
    for (std::size_t at = 0; (at = out.find('\n', at)) != std::string::npos; at += 4) out.insert(at, ".gz");
    std::string const root = plain.project;
    for (std::size_t at = 0; (at = out.find(root, at)) != std::string::npos; at += packed.project.size())
        out.replace(at, root.size(), packed.project);
    EXPECT_EQ(packed.run.out, out);
    std::string fake = "ERROR: invalid trace file " + packed.Chromat("fake.ab1.gz") + " - skipping.\n";
    EXPECT_NE(packed.run.err.find(fake), std::string::npos) << packed.run.err;
    EXPECT_EQ(ListDir(packed.project + "/phd_dir"), ListDir(plain.project + "/phd_dir"));
    EXPECT_EQ(ListDir(packed.project + "/tmp"), std::vector<std::string>{});
    for (std::string const& name : ListDir(plain.project + "/phd_dir")) {
        EXPECT_EQ(MaskTime(ReadFile(packed.project + "/phd_dir/" + name)),
                  MaskTime(ReadFile(plain.project + "/phd_dir/" + name)))
            << name;
        std::string poly = name.substr(0, name.size() - 6) + ".poly";
        EXPECT_EQ(ReadFile(packed.project + "/poly_dir/" + poly), ReadFile(plain.project + "/poly_dir/" + poly));
    }
}

TEST(RealTraces, AbifAgreesWithBiopython) {
    SKIP_WITHOUT_TRACES();
    if (RunProgram({"/usr/bin/python3", "-c", "import Bio"}, "/").status != 0)
        GTEST_SKIP() << "python3-biopython is not installed";
    CompareWithReader(
        [](std::string const& name) { return IsAbif(name) && name != "fake.ab1" && name != "abiview.abi"; },
        FromBiopython);
}

// A mixed-base letter (R, Y, K, M, ...: two peaks at one base) becomes the
// stronger of its bases; every other letter stays as the trace holds it.
// The multi-sample traces and 3730.ab1 hold such letters.
TEST(RealTraces, MixedBasesBecomeTheirStrongestBase) {
    SKIP_WITHOUT_TRACES();
    if (!Exists(Samples)) GTEST_SKIP() << "no sample traces at " << Samples;
    if (RunProgram({"/usr/bin/python3", "-c", "import Bio"}, "/").status != 0)
        GTEST_SKIP() << "python3-biopython is not installed";
    std::vector<std::pair<std::string, std::string>> traces = TraceFiles(Samples);
    for (auto const& file : TraceFiles())
        if (file.first == "3730.ab1") traces.push_back(file);
    ASSERT_GE(traces.size(), 2u);
    Converted samples(false, Samples);
    Converted shared;
    for (auto const& file : traces) {
        SCOPED_TRACE(file.first);
        Converted const& converted = file.first == "3730.ab1" ? shared : samples;
        Bases own = FromBiopython(file.second);
        Bases phd = ReadPhd(converted.Phd(file.first));
        int mixed = ExpectResolvedLetters(own.letters, phd.letters, PolyAmplitudes(converted.Poly(file.first)));
        EXPECT_GT(mixed, 0);
        EXPECT_EQ(phd.qualities, own.qualities);
        std::cout << file.first << ": " << mixed << " mixed-base letters" << std::endl;
    }
}

// io_lib writes a mixed-base letter into SCF with all four probabilities 0:
// its SCF copies of the sample traces, two of which hold such a letter
// among bases 40 to 59, all convert, and each mixed-base letter becomes one
// of its bases.
TEST(RealTraces, IoLibScfCopiesWithMixedBasesConvert) {
    if (!Exists(Samples)) GTEST_SKIP() << "no sample traces at " << Samples;
    std::string convert = FindProgram("convert_trace");
    if (convert.empty() || FindProgram("trace_dump").empty())
        GTEST_SKIP() << "staden-io-lib-utils (convert_trace, trace_dump) is not installed";
    TempDir copies;
    std::string list;
    for (auto const& file : TraceFiles(Samples)) list += file.second + " " + copies / (BaseName(file.first) + ".scf") + "\n";
    WriteFile(copies / "list", list);
    ASSERT_EQ(RunProgram({convert, "-in_format", "abi", "-out_format", "scf", "-fofn", copies / "list"}, copies.Path()).status, 0);
    ::unlink((copies / "list").c_str());
    Converted converted(false, copies.Path());
    EXPECT_EQ(converted.run.status, 0);
    EXPECT_EQ(converted.run.out, "");
    std::vector<std::pair<std::string, std::string>> traces = TraceFiles(copies.Path());
    EXPECT_EQ(traces.size(), 4u);
    int inGate = 0;  // mixed-base letters among bases 40 to 59
    for (auto const& file : traces) {
        SCOPED_TRACE(file.first);
        Bases own = FromTraceDump(file.second);
        Bases phd = ReadPhd(converted.Phd(file.first));
        ExpectResolvedLetters(own.letters, phd.letters, PolyAmplitudes(converted.Poly(file.first)));
        EXPECT_EQ(phd.qualities, own.qualities);
        for (std::size_t i = 40; i < 60 && i < own.letters.size(); ++i) inGate += !MixedBases(own.letters[i]).empty();
    }
    EXPECT_GE(inGate, 2);
}

TEST(RealTraces, ScfAgreesWithTraceDump) {
    SKIP_WITHOUT_TRACES();
    if (FindProgram("trace_dump").empty()) GTEST_SKIP() << "staden-io-lib-utils (trace_dump) is not installed";
    CompareWithReader([](std::string const& name) { return !IsAbif(name); }, FromTraceDump);
}

// What wendlaric writes, read back by others: io_lib (scf_info,
// trace_dump) and Biopython for the chromatograms, the converter trelvik,
// and the detector's own PHD and POLY readers.
#include <cctype>
#include <map>
#include <sstream>

#include "contig.h"
#include "files.h"
#include "model_test.h"
#include "parameters.h"
#include "synthetic.h"

namespace {

// Three records: the worked example, a longer one with neighbouring peaks
// in one channel, and an empty one.
std::string const Fasta = ">r1\nACGN\n>r2\nGATTACAnnCCGGTTAA\n>e\n";
struct Record {
    std::string name;
    std::string letters;
};
std::vector<Record> const Records = {{"r1", "ACGN"}, {"r2", "GATTACANNCCGGTTAA"}, {"e", ""}};

// The samples of each "[X_Trace]" section of trace_dump, and the numbers
// of its header lines ("60\t\t# NPoints") by name.
struct Dump {
    Channels channels;
    std::map<std::string, long> header;
};

Dump ParseDump(std::string const& text) {
    Dump dump;
    std::istringstream lines(text);
    int channel = -1;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        if (line[0] == '[') {
            std::size_t at = std::string("ACGT").find(line[1]);
            channel = line.size() == 9 && line.compare(2, 7, "_Trace]") == 0 && at != std::string::npos
                          ? static_cast<int>(at)
                          : -1;
            continue;
        }
        std::size_t hash = line.find("# ");
        if (hash == std::string::npos) continue;
        if (channel >= 0)
            dump.channels[channel].push_back(static_cast<uint16_t>(std::stol(line)));
        else if (std::isdigit(static_cast<unsigned char>(line[0])) || line[0] == '-')
            dump.header[line.substr(hash + 2)] = std::stol(line);
    }
    return dump;
}

// The value after `key` on its line of scf_info's output.
std::string InfoValue(std::string const& info, std::string const& key) {
    std::istringstream lines(info);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::size_t at = line.find_first_not_of(' ', key.size());
        return at == std::string::npos ? "" : line.substr(at);
    }
    return "(no " + key + ")";
}

std::string Joined(std::vector<uint16_t> const& samples) {
    std::string text;
    for (uint16_t s : samples) text += (text.empty() ? "" : " ") + std::to_string(s);
    return text;
}

class SyntheticReaders : public SyntheticProject {
protected:
    // Writes the records as SCF, then as ABIF.
    void WriteBoth() {
        WriteFile(Edit("in.fa"), Fasta);
        ASSERT_EQ(Run({"in.fa"}).status, 0);
        ASSERT_EQ(Run({"in.fa", "-abi"}).status, 0);
    }
};

// The detector's project-file component set to read this project.
class SyntheticFiles : public Files {
public:
    SyntheticFiles(Assembly& model, Parameters& settings, std::string const& ace, std::string const& project) {
        assembly = &model;
        parameters = &settings;
        aceFile = ace.c_str();
        phdDirectory = (project + "/phd_dir/").c_str();
        polyDirectory = (project + "/poly_dir/").c_str();
    }
};

}  // namespace

TEST_F(SyntheticReaders, IoLibReadsEveryScf) {
    std::string scfInfo = FindProgram("scf_info");
    std::string traceDump = FindProgram("trace_dump");
    if (scfInfo.empty() || traceDump.empty()) GTEST_SKIP() << "scf_info or trace_dump (staden-io-lib-utils) missing";
    WriteBoth();
    for (Record const& record : Records) {
        std::string file = Chromat(record.name + ".scf");
        Channels ideal = IdealChannels(record.letters);
        RunResult info = RunProgram({scfInfo, file}, dir.Path());
        ASSERT_EQ(info.status, 0) << info.err;
        EXPECT_EQ(InfoValue(info.out, "Version_number"), "2.00") << record.name;
        EXPECT_EQ(InfoValue(info.out, "Number_of_samples"), std::to_string(ideal[0].size())) << record.name;
        EXPECT_EQ(InfoValue(info.out, "Samples_size"), "2") << record.name;
        EXPECT_EQ(InfoValue(info.out, "Number_of_bases"), "0") << record.name;

        // Both chromatograms, sample for sample: each base's peak of 640 at
        // 12 (i + 1) in its channel.
        for (std::string const& path : {file, Chromat(record.name)}) {
            RunResult dumped = RunProgram({traceDump, path}, dir.Path());
            ASSERT_EQ(dumped.status, 0) << dumped.err;
            Dump dump = ParseDump(dumped.out);
            EXPECT_EQ(dump.header["NPoints"], static_cast<long>(ideal[0].size())) << path;
            EXPECT_EQ(dump.header["NBases"], 0) << path;
            EXPECT_EQ(dump.header["maxTraceVal"], record.letters.empty() ? 0 : 640) << path;
            for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(dump.channels[ch], ideal[ch]) << path << " channel " << ch;
            if (record.name == "r2" && dump.channels[2].size() > 156) {
                // The G peaks of bases 11 and 12 meet at 150 with one 32.
                EXPECT_EQ(dump.channels[2][144], 640);
                EXPECT_EQ(dump.channels[2][150], 32);
                EXPECT_EQ(dump.channels[2][156], 640);
            }
        }
    }
}

TEST_F(SyntheticReaders, BiopythonReadsEveryAbif) {
    std::string const python = "/usr/bin/python3";
    if (!Exists(python) || RunProgram({python, "-c", "import Bio"}, dir.Path()).status != 0)
        GTEST_SKIP() << "Biopython (/usr/bin/python3 with Bio) missing";
    std::string traceDump = FindProgram("trace_dump");
    WriteBoth();
    std::string const script =
        "import sys\n"
        "from Bio import SeqIO\n"
        "record = SeqIO.read(sys.argv[1], 'abi')\n"
        "raw = record.annotations['abif_raw']\n"
        "print(raw['FWO_1'].decode(), raw['LANE1'], len(record.seq))\n"
        "for k in (9, 10, 11, 12):\n"
        "    print(' '.join(str(v) for v in raw['DATA%d' % k]))\n";
    for (Record const& record : Records) {
        RunResult read = RunProgram({python, "-c", script, Chromat(record.name)}, dir.Path());
        ASSERT_EQ(read.status, 0) << read.err;
        // The channels as the SCF file of the record holds them.
        Channels scf = IdealChannels(record.letters);
        if (!traceDump.empty())
            scf = ParseDump(RunProgram({traceDump, Chromat(record.name + ".scf")}, dir.Path()).out).channels;
        std::string expected = "ACGT 80 0\n";
        for (auto const& channel : scf) expected += Joined(channel) + "\n";
        EXPECT_EQ(read.out, expected) << record.name;
        EXPECT_EQ(scf, IdealChannels(record.letters)) << record.name;
    }
}

// The chromatograms hold no bases, so the converter reads them and skips
// them with its missing-quality message. The ABIF and the SCF file of a
// record share its read name: the second is skipped as such.
TEST_F(SyntheticReaders, TrelvikRefusesThemForMissingQualities) {
    WriteBoth();
    std::string other = dir / "converted";
    MakeDir(other);
    for (char const* sub : {"chromat_dir", "phd_dir", "poly_dir"}) MakeDir(other + "/" + sub);
    std::string expected;
    std::vector<std::string> skipped;
    std::string const chromat = other + "/chromat_dir/";
    for (std::string const& name : ListDir(project + "/chromat_dir")) {
        WriteFile(chromat + name, ReadFile(Chromat(name)));
        std::size_t dot = name.find('.');
        if (dot == std::string::npos) {
            expected += "ERROR: missing quality values in trace file " + chromat + name + "\n";
        } else {
            std::string read = name.substr(0, dot);
            skipped.push_back("ERROR: trace file " + chromat + name + " has the same read name " + read + " as " +
                              chromat + read + " - skipping.\n");
        }
    }
    EXPECT_EQ(ListDir(other + "/chromat_dir"),
              (std::vector<std::string>{"e", "e.scf", "r1", "r1.scf", "r2", "r2.scf"}));
    RunResult run = RunProgram({TRELVIK_PATH}, other);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected);
    for (std::string const& message : skipped) EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("invalid trace file"), std::string::npos) << run.err;
    EXPECT_EQ(ListDir(other + "/phd_dir"), std::vector<std::string>{});
    EXPECT_EQ(ListDir(other + "/poly_dir"), std::vector<std::string>{});
}

// The detector loads the PHD and POLY files of an assembly of the records.
TEST_F(SyntheticReaders, DetectorLoadsThePhdAndPolyFiles) {
    WriteBoth();
    std::string ace = Edit("synthetic.ace");
    WriteFile(ace,
              "AS 1 2\n\n"
              "CO Contig1 17 2 0 U\nGATTACANNCCGGTTAA\n\n"
              "BQ\n 30 30 30 30 30 30 30 30 30 30 30 30 30 30 30 30 30\n\n"
              "AF r1 U 5\nAF r2 U 1\nBS 1 17 r2\n\n"
              "RD r1 4 0 0\nACGN\n\nQA 1 4 1 4\n"
              "DS CHROMAT_FILE: r1 PHD_FILE: r1.phd.1 TIME: Thu Jan  1 10:00:00 2026\n\n"
              "RD r2 17 0 0\nGATTACANNCCGGTTAA\n\nQA 1 17 1 17\n"
              "DS CHROMAT_FILE: r2 PHD_FILE: r2.phd.1 TIME: Thu Jan  1 10:00:00 2026\n\n");
    Assembly assembly;
    Parameters settings;
    settings.SetRefID(".REF");
    SyntheticFiles files(assembly, settings, ace, project);
    testing::internal::CaptureStderr();
    bool failed = false;
    try {
        files.ReadAceFile();
        files.ReadSequenceFiles();
    } catch (int) {
        failed = true;
    }
    std::string messages = testing::internal::GetCapturedStderr();
    ASSERT_FALSE(failed) << messages;
    EXPECT_EQ(messages.find("ERROR"), std::string::npos) << messages;
    EXPECT_EQ(messages.find("Unable"), std::string::npos) << messages;
    ASSERT_EQ(assembly.Length(), 1);
    Contig* contig = assembly.Get(0);
    ASSERT_EQ(contig->Length(), 2);
    for (long r = 0; r < 2; ++r) {
        Sequence* read = contig->Get(r);
        std::string letters = read->GetName() == Str("r1") ? "ACGN" : "GATTACANNCCGGTTAA";
        ASSERT_EQ(read->GetLength(), static_cast<long>(letters.size()));
        EXPECT_TRUE(read->IsValid());
        for (long u = 1; u <= read->GetLength(); ++u) {
            char base = 0;
            long quality = 0, position = 0;
            read->GetPhdData(u, base, quality, position);
            EXPECT_EQ(base, letters[u - 1]);
            EXPECT_EQ(quality, 59);
            EXPECT_EQ(position, 12 * u);
            EXPECT_EQ(ModelInspector::Secondary(*read, u), 'N') << u;
            std::size_t own = std::string("ACGT").find(letters[u - 1]);
            for (int ch = 0; ch < 4; ++ch)
                EXPECT_EQ(ModelInspector::Amplitude(*read, ch, u), static_cast<std::size_t>(ch) == own ? 60000 : 0)
                    << read->GetName() << " " << u << " " << ch;
        }
    }
}

// Synthetic reads through the detector: wendlaric writes the traces of six
// samples, each read forward and reverse, one sample homozygous for another
// base at column 51, and with -r the reference record; the test writes the
// ACE file an assembler would (every read at column 1 without pads, the
// reference from column 6 on); quorvalix must report that one site, the
// genotype of every sample, and the reference's positions.
#include <algorithm>

#include "synthetic.h"

namespace {

// Sixty bases without runs of three; column 51 holds T. There the clean
// heights of the other reads, all of one size, average to exactly 0.
std::string const Amplicon = "GATCCTGACAGTTCGACATGCTAGCATTGCGAACTGTCAGGTACTTGCAGTCAAGCTGAC";
long const VariantColumn = 51;
char const Variant = 'C';

std::string ReverseComplement(std::string bases) {
    std::reverse(bases.begin(), bases.end());
    for (char& base : bases) base = "TGCA"[std::string("ACGT").find(base)];
    return bases;
}

std::string Sample(int k) {
    std::string bases = Amplicon;
    if (k == 4) bases[VariantColumn - 1] = Variant;
    return bases;
}

std::string Read(char const* name, std::string const& bases) {
    std::string length = std::to_string(bases.size());
    return "RD " + std::string(name) + " " + length + " 0 0\n" + bases + "\n\nQA 1 " + length + " 1 " + length +
           "\nDS CHROMAT_FILE: " + name + ".scf PHD_FILE: " + name + ".phd.1 TIME: Thu Dec 10 10:00:00 2026\n\n";
}

// The ACE file: the reads in alignment orientation, the reverse ones
// complemented ("C"), the reference read named with the detector's ".REF".
std::string AceFile() {
    std::string ace = "AS 1 13\n\nCO Contig1 60 13 1 U\n" + Amplicon + "\n\nBQ\n";
    for (std::size_t i = 0; i < Amplicon.size(); ++i) ace += " 40";
    ace += "\n\n";
    for (int k = 1; k <= 6; ++k) {
        std::string sample = "s" + std::to_string(k);
        ace += "AF " + sample + "f U 1\nAF " + sample + "r C 1\n";
    }
    ace += "AF amplicon.REF U 6\nBS 1 60 s1f\n\n";
    for (int k = 1; k <= 6; ++k) {
        std::string sample = "s" + std::to_string(k);
        ace += Read((sample + "f").c_str(), Sample(k)) + Read((sample + "r").c_str(), Sample(k));
    }
    return ace + Read("amplicon.REF", Amplicon.substr(5));
}

// Worked out by hand: the site at consensus position 51, reference
// position 46, flanked by the reference's bases; the forward reads hold
// it as base 51, the reverse ones as base 10; every read's genotype
// certain; all 60 bases usable at quality 40; six samples over the
// reference's 55 positions.
std::string const Report =
    "BEGIN_COMMAND_LINE\n"
    " -dir      PROJECT/\n"
    " -ace      samples.ace\n"
    " -score    70\n"
    " -quality  25\n"
    " -window   20\n"
    " -tag      genotype\n"
    " -source   1 2\n"
    " -ref      .REF\n"
    "END_COMMAND_LINE\n"
    "\n"
    "BEGIN_CONTIG\n"
    "Contig1\n"
    "REFERENCE  amplicon.REF\n"
    "\n"
    "BEGIN_POLY\n"
    "51        46        TGCAG  C  T  CAAGC  99\n"
    "END_POLY\n"
    "\n"
    "BEGIN_GENOTYPE\n"
    "51        46        51        s1f   T  T  99\n"
    "51        46        10        s1r   T  T  99\n"
    "51        46        51        s2f   T  T  99\n"
    "51        46        10        s2r   T  T  99\n"
    "51        46        51        s3f   T  T  99\n"
    "51        46        10        s3r   T  T  99\n"
    "51        46        51        s4f   C  C  99\n"
    "51        46        10        s4r   C  C  99\n"
    "51        46        51        s5f   T  T  99\n"
    "51        46        10        s5r   T  T  99\n"
    "51        46        51        s6f   T  T  99\n"
    "51        46        10        s6r   T  T  99\n"
    "END_GENOTYPE\n"
    "\n"
    "BEGIN_COLUMNGENOTYPE\n"
    "END_COLUMNGENOTYPE\n"
    "\n"
    "BEGIN_INDEL\n"
    "END_INDEL\n"
    "\n"
    "BEGIN_POLYINDEL\n"
    "END_POLYINDEL\n"
    "\n"
    "BEGIN_COLUMNINDEL\n"
    "END_COLUMNINDEL\n"
    "\n"
    "BEGIN_MANUALGENOTYPE\n"
    "END_MANUALGENOTYPE\n"
    "\n"
    "BEGIN_VERIFIED\n"
    "END_VERIFIED\n"
    "\n"
    "BEGIN_SAMPLE\n"
    "s1f   1         60        40\n"
    "s1r   1         60        40\n"
    "s2f   1         60        40\n"
    "s2r   1         60        40\n"
    "s3f   1         60        40\n"
    "s3r   1         60        40\n"
    "s4f   1         60        40\n"
    "s4r   1         60        40\n"
    "s5f   1         60        40\n"
    "s5r   1         60        40\n"
    "s6f   1         60        40\n"
    "s6r   1         60        40\n"
    "END_SAMPLE\n"
    "\n"
    "BEGIN_COVERAGE\n"
    "1         55        6\n"
    "END_COVERAGE\n"
    "END_CONTIG\n"
    "END_MESSAGE\n";

using SyntheticDetection = SyntheticProject;

}  // namespace

TEST_F(SyntheticDetection, QuorvalixFindsThePlantedHomozygousDifference) {
    std::string fasta;
    std::vector<std::string> names;
    for (int k = 1; k <= 6; ++k) {
        std::string sample = "s" + std::to_string(k);
        fasta += ">" + sample + "f\n" + Sample(k) + "\n>" + sample + "r\n" + ReverseComplement(Sample(k)) + "\n";
        names.push_back(sample + "f");
        names.push_back(sample + "r");
    }
    WriteFile(Edit("samples.fa"), fasta);
    RunResult samples = Run({"samples.fa", "-q", "40"});
    ASSERT_EQ(samples.status, 0) << samples.err;
    EXPECT_EQ(samples.out, Written(names));
    WriteFile(Edit("reference.fa"), ">amplicon\n" + Amplicon.substr(5) + "\n");
    RunResult reference = Run({"reference.fa", "-r"});
    ASSERT_EQ(reference.status, 0) << reference.err;
    EXPECT_EQ(reference.out, Written({"amplicon.REF"}, false, false));
    std::string referencePhd = ReadFile(Phd("amplicon.REF"));
    WriteFile(Edit("samples.ace"), AceFile());

    // The samples are told apart by the first two letters of the read names.
    RunResult run = RunProgram({QUORVALIX_PATH, "-ref", "-source", "1", "2", "-flanking", "5", "-indel", "-output"},
                               project);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string report = ReadFile(Edit("quorvalix.out"));
    std::size_t start = report.find("BEGIN_COMMAND_LINE\n");
    ASSERT_NE(start, std::string::npos) << report;
    report.erase(0, start);
    std::size_t dir = report.find(project + "/");
    ASSERT_NE(dir, std::string::npos);
    report.replace(dir, project.size() + 1, "PROJECT/");
    EXPECT_EQ(report, Report);

    // The two reads of the variant sample carry its genotype in their PHD
    // files, the reverse one at its own base 10; the reference is no read.
    for (char const* name : {"s4f", "s4r"}) {
        std::string phd = ReadFile(Phd(name));
        std::string position = name[2] == 'f' ? "51 51" : "10 10";
        EXPECT_NE(phd.find("END_DNA\n\nBEGIN_TAG\nTYPE: homozygoteCC\nSOURCE: quorValix\nUNPADDED_READ_POS: " + position +
                           "\n"),
                  std::string::npos)
            << phd;
        EXPECT_NE(phd.find("\nminor allele\n"), std::string::npos) << name;
    }
    EXPECT_EQ(ReadFile(Phd("amplicon.REF")), referencePhd);
}

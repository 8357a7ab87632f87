// The README's pipeline guide on real traces, run as it stands there: its
// shell blocks, in bash, on two samples of one amplicon, each read forward
// and reverse. trelvik converts them, Debian's MIRA assembles them into an
// ACE file, quorvalix must take the PHD names from MIRA's DS lines and find
// the two homozygous differences between the samples, and the report must
// read as the guide shows it. Around it, what the guide tells a user to do
// when things go wrong: trace names with a blank and with a character MIRA
// warns about renamed, a read MIRA leaves out named by the check and placed
// by its quality clip, the contigs listed with their reads, the grouping of
// reads into samples shown before the run, and a variant all samples share
// found against a reference. Beside it, the guide's commands that need no
// assembler: the renaming, and the sample check against the detector's own
// grouping.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "basechannel.h"
#include "column.h"
#include "contig.h"
#include "model_test.h"
#include "parameters.h"
#include "programs.h"
#include "reads.h"
#include "sequence.h"
#include "source.h"

namespace {

std::string const traces = std::string(QUORVALIX_SHARED_DATA) + "/projects/cutepeaks/";
char const* const reads[] = {"A_forward", "A_reverse", "B_forward", "B_reverse"};

std::string Lines(std::vector<std::string> const& lines) {
    std::string text;
    for (std::string const& line : lines) text += line + "\n";
    return text;
}

std::vector<std::string> SplitLines(std::string const& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string Replace(std::string text, std::string const& from, std::string const& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The shell blocks (fenced as sh) of the README's guide, each without the
// indentation of its list item, as a reader copies it.
std::vector<std::string> GuideBlocks() {
    std::string readme = TempDir::ReadFile(std::string(QUORVALIX_SOURCE_DIR) + "/README.md");
    size_t start = readme.find("\n## From chromatograms to a report\n");
    std::vector<std::string> blocks;
    if (start == std::string::npos) return blocks;
    size_t end = readme.find("\n## ", start + 1);
    std::string block, indent;
    bool inside = false;
    for (std::string const& line : SplitLines(readme.substr(start, end - start))) {
        size_t fence = line.find("```");
        if (!inside && fence != std::string::npos && line.substr(fence) == "```sh") {
            inside = true;
            indent = line.substr(0, fence);
            block.clear();
        } else if (inside && fence != std::string::npos && line.substr(fence) == "```") {
            inside = false;
            blocks.push_back(block);
        } else if (inside) {
            block += (line.compare(0, indent.size(), indent) == 0 ? line.substr(indent.size()) : line) + "\n";
        }
    }
    return blocks;
}

// The guide's block that holds `text`; it must be the only one.
std::string Step(std::vector<std::string> const& blocks, std::string const& text) {
    std::string found;
    int count = 0;
    for (std::string const& block : blocks)
        if (block.find(text) != std::string::npos) {
            found = block;
            ++count;
        }
    EXPECT_EQ(count, 1) << "the guide's shell blocks holding " << text;
    return found;
}

// The report of the guide's walk-through, as the README shows it.
std::string GuideReport() {
    std::string readme = TempDir::ReadFile(std::string(QUORVALIX_SOURCE_DIR) + "/README.md");
    size_t at = readme.find("The report of the unclipped assembly then holds");
    if (at == std::string::npos || (at = readme.find("```\n", at)) == std::string::npos) return "";
    at += 4;
    return readme.substr(at, readme.find("```", at) - at);
}

// The contig lines of the guide's assembly check, each contig with its
// reads in name order, in the order printed; the other lines, in order,
// must be `others`.
std::vector<std::string> Contigs(std::string const& out, std::string const& others) {
    std::vector<std::string> contigs;
    std::string rest;
    for (std::string const& line : SplitLines(out)) {
        size_t colon = line.find(": ");
        if (colon == std::string::npos || line.find_first_of(" \"") < colon) {
            rest += line + "\n";
            continue;
        }
        std::istringstream in(line.substr(colon + 2));
        std::vector<std::string> names;
        for (std::string name; in >> name;) names.push_back(name);
        std::sort(names.begin(), names.end());
        std::string contig = line.substr(0, colon + 1);
        for (std::string const& name : names) contig += " " + name;
        contigs.push_back(contig);
    }
    EXPECT_EQ(rest, others);
    return contigs;
}

std::string Directory(std::string const& program) { return program.substr(0, program.rfind('/')); }

// Runs blocks of the guide one after another in one bash, which stops at the
// first command that fails; the home directory is `home`, and the programs
// are found on PATH.
RunResult Guide(std::string const& home, std::vector<std::string> const& blocks) {
    std::string script = "set -e\n";
    for (std::string const& block : blocks) script += block;
    char const* path = std::getenv("PATH");
    return RunProgram({"/bin/bash", "-c", script}, home,
                      {"PATH=" + Directory(QUORVALIX_TRELVIK) + ":" + Directory(QUORVALIX_PROGRAM) + ":" +
                       Directory(QUORVALIX_WENDLARIC) + ":" + (path ? path : "/usr/bin:/bin")});
}

// A copy of a read's PHD and POLY files under another name, its first and
// last `noise` bases made random calls of quality 4: a trace with bad ends.
void WriteNoisyCopy(std::string const& project, std::string const& read, std::string const& copy, size_t noise) {
    std::vector<std::string> phd = SplitLines(ReadFile(project + "phd_dir/" + read + ".phd.1"));
    std::vector<std::string> poly = SplitLines(ReadFile(project + "poly_dir/" + read + ".poly"));
    size_t dna = 0;
    while (dna < phd.size() && phd[dna] != "BEGIN_DNA") ++dna;
    ++dna;
    size_t bases = poly.size() - 1;
    ASSERT_GT(bases, 2 * noise);
    ASSERT_EQ(phd.at(dna + bases), "END_DNA");
    std::minstd_rand random(7);
    for (size_t k = 0; k < bases; ++k) {
        if (k >= noise && k < bases - noise) continue;
        char base = ChannelLetters[random() % 4];
        std::string& call = phd[dna + k];
        call = std::string(1, base) + " 4" + call.substr(call.find(' ', 2));
        poly[1 + k][0] = base;
    }
    WriteFile(project + "phd_dir/" + copy + ".phd.1", Replace(Lines(phd), read, copy));
    WriteFile(project + "poly_dir/" + copy + ".poly", Replace(Lines(poly), read, copy));
}

// The consensus of an ACE file's first contig, without pads, in upper case,
// each mixed letter as the first of its bases.
std::string Consensus(std::string const& ace) {
    std::string bases;
    size_t at = ace.find("\nCO ");
    for (std::string const& line : SplitLines(ace.substr(ace.find('\n', at + 1) + 1))) {
        if (line.empty()) break;
        for (char c : line) {
            if (c == '*') continue;
            unsigned mixed = MixedChannels(c);
            int channel = 0;
            while (mixed && !(mixed & (1u << channel))) ++channel;
            bases += mixed ? ChannelLetters[channel] : static_cast<char>(std::toupper(c));
        }
    }
    return bases;
}

// The rows of a block of the text report.
std::string Block(std::string const& report, std::string const& name) {
    size_t start = report.find("\nBEGIN_" + name + "\n");
    size_t end = report.find("END_" + name + "\n", start);
    if (start == std::string::npos || end == std::string::npos) return "";
    start += name.size() + 8;
    return report.substr(start, end - start);
}

// The fields of each row of a block.
std::vector<std::vector<std::string>> Rows(std::string const& report, std::string const& name) {
    std::vector<std::vector<std::string>> rows;
    for (std::string const& line : SplitLines(Block(report, name))) {
        std::istringstream in(line);
        std::vector<std::string> fields;
        std::string field;
        while (in >> field) fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

// The two sites of the samples, found by their flanks; either orientation
// of the contig.
struct Site {
    std::string flanked;  // left flank, the two alleles, right flank
    char sampleA, sampleB;
    std::string position;  // consensus position
    int score;
};

std::vector<Site> SampleSites(bool complemented) {
    if (complemented)
        return {{"AGGGGCCACG  C  G  GGGGAGCAGC  ", 'C', 'G', "", 0}, {"GTGGGGGCAG  C  T  GCCTCACAAC  ", 'C', 'T', "", 0}};
    return {{"GCTGCTCCCC  C  G  CGTGGCCCCT  ", 'G', 'C', "", 0}, {"GTTGTGAGGC  A  G  CTGCCCCCAC  ", 'G', 'A', "", 0}};
}

// Finds the sites in the POLY block (a reference position, when shown, is
// the second field) and checks that each sample is homozygous for its
// allele there; returns the number of POLY rows.
int CheckSampleSites(std::string const& report, std::vector<Site>& sites, std::vector<std::string> const& samples) {
    int rows = 0;
    for (std::string const& row : SplitLines(Block(report, "POLY"))) {
        ++rows;
        for (Site& site : sites) {
            size_t at = row.find(site.flanked);
            if (at == std::string::npos) continue;
            site.position = row.substr(0, row.find(' '));
            site.score = std::stoi(row.substr(at + site.flanked.size()));
        }
    }
    for (Site const& site : sites) {
        SCOPED_TRACE(site.flanked);
        EXPECT_GE(site.score, 70) << report;
        std::vector<int> calls(samples.size(), 0);
        for (std::vector<std::string> const& row : Rows(report, "GENOTYPE")) {
            if (row[0] != site.position) continue;
            std::string const& name = row[row.size() - 4];
            char allele = name[0] == 'B' ? site.sampleB : site.sampleA;  // C_forward copies A_forward
            EXPECT_EQ(row[row.size() - 3] + row[row.size() - 2], std::string(2, allele)) << name;
            for (size_t k = 0; k < samples.size(); ++k) calls[k] += name.compare(0, 1, samples[k]) == 0;
        }
        for (size_t k = 0; k < samples.size(); ++k) EXPECT_GE(calls[k], 1) << "sample " << samples[k];
    }
    return rows;
}

}  // namespace

TEST(RealTracesTest, TheReadmeGuide) {
    if (!Exists(traces)) GTEST_SKIP() << "no sample traces at " << traces;
    if (FindProgram("mira").empty()) GTEST_SKIP() << "MIRA (Debian's mira-assembler) is not installed";
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::vector<std::string> blocks = GuideBlocks();
    // The traces as a user has them, one with a blank in its name and one
    // with a character MIRA warns about.
    TempDir source;
    for (char const* name : reads)
        source.Write(Replace(Replace(std::string(name) + ".ab1", "A_forward", "A forward"), "B_reverse", "B;reverse"),
                     TempDir::ReadFile(traces + name + ".ab1"));
    TempDir home;  // the guide's project is ~/cutepeaks
    std::string const project = home.File("cutepeaks/");
    std::string const referenceFasta = home.File("reference.fasta");
    std::string const setup = Replace(Step(blocks, "mkdir -p"), "/path/to/cutepeaks", source.Path());
    std::string const rename = Step(blocks, "[[:space:]");
    std::string const trelvik = Step(blocks, "trelvik\n");
    std::string const fasta = Step(blocks, "reads.fasta.qual");
    std::string const assemble = Step(blocks, "cat > mira/manifest.conf");
    std::string const check = Step(blocks, "comm -23");
    std::string const clip = Step(blocks, "-CL:qc=yes");
    std::string const samples = Step(blocks, "LC_ALL=C sort");
    std::string const detect = Step(blocks, "quorvalix $samples -output");
    std::string const reference = Replace(Step(blocks, "wendlaric"), "/path/to/reference.fasta", referenceFasta);
    std::string const compare = Step(blocks, "-refcomp");
    ASSERT_FALSE(HasFailure());

    // Steps 1 and 2: the blank and the ';' renamed away before the
    // conversion.
    RunResult converted = Guide(home.Path(), {setup, rename, trelvik});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(ListDir(project + "chromat_dir"),
              (std::vector<std::string>{"A_forward.ab1", "A_reverse.ab1", "B_forward.ab1", "B_reverse.ab1"}));

    // Steps 3 to 5, with a fifth read whose ends are noise: MIRA leaves it
    // out, says so only in its debris list, and the check names it; the
    // one contig holds the other four.
    WriteNoisyCopy(project, "A_forward", "C_forward", 200);
    RunResult assembled = Guide(home.Path(), {setup, fasta, assemble, check});
    ASSERT_EQ(assembled.status, 0) << assembled.err;
    EXPECT_EQ(Contigs(assembled.out, "left out: C_forward\n"),
              (std::vector<std::string>{"cutepeaks_c1: A_forward A_reverse B_forward B_reverse"}))
        << assembled.out;
    std::string debris = ReadFile(project + "mira/cutepeaks_assembly/cutepeaks_d_info/cutepeaks_info_debrislist.txt");
    size_t left = debris.find("C_forward\t");
    ASSERT_NE(left, std::string::npos) << debris;
    std::cout << "MIRA's debris list: " << debris.substr(left, debris.find('\n', left) - left) << std::endl;
    std::string ace = ReadFile(project + "edit_dir/cutepeaks.ace");
    // MIRA names the PHD files on DS lines that begin with other words.
    EXPECT_NE(ace.find("DS TEMPLATE: A_reverse CHROMAT_FILE: A_reverse PHD_FILE: A_reverse.phd.1"), std::string::npos);
    std::string consensus = Consensus(ace);

    // Step 6: the samples A and B shown before the run; the two sites, and
    // nothing else, at the default score limit: their flanks, alleles and
    // scores, and each sample homozygous for its allele; and the report as
    // the guide shows it, from the command line on.
    RunResult detected = Guide(home.Path(), {setup, samples, detect});
    ASSERT_EQ(detected.status, 0) << detected.err;
    std::string const grouped = "cutepeaks_c1 \"A\": A_forward A_reverse\ncutepeaks_c1 \"B\": B_forward B_reverse\n";
    EXPECT_EQ(detected.out, grouped);
    std::string report = ReadFile(project + "edit_dir/quorvalix.out");
    std::string shown = Replace(GuideReport(), "/home/you/cutepeaks/", project);
    size_t commands = report.find("\nBEGIN_COMMAND_LINE\n");
    ASSERT_NE(commands, std::string::npos) << report;
    ASSERT_NE(shown.find("\nBEGIN_COMMAND_LINE\n"), std::string::npos) << shown;
    EXPECT_EQ(report.substr(commands), shown.substr(shown.find("\nBEGIN_COMMAND_LINE\n")));
    // Every read was read and rewritten through the PHD name of its DS line.
    for (char const* name : reads) {
        EXPECT_NE(report.find(std::string("\n") + name + "   "), std::string::npos) << name;
        EXPECT_NE(ReadFile(project + "phd_dir/" + name + ".phd.1").find("SOURCE: quorValix"), std::string::npos)
            << name;
    }
    std::vector<Site> sites = SampleSites(false);
    EXPECT_EQ(CheckSampleSites(report, sites, {"A", "B"}), 2) << report;
    // The scores, for the record.
    std::cout << "site scores: " << sites[0].score << " and " << sites[1].score << std::endl;

    // MIRA's quality clip: the noisy read placed, in the one contig and a
    // sample of its own, the same sites and calls, the noisy read genotyped
    // as the read it copies, and none of its noise used.
    RunResult clipped = Guide(home.Path(), {setup, clip, check, samples, detect});
    ASSERT_EQ(clipped.status, 0) << clipped.err;
    EXPECT_EQ(Contigs(clipped.out, grouped + "cutepeaks_c1 \"C\": C_forward\n"),
              (std::vector<std::string>{"cutepeaks_c1: A_forward A_reverse B_forward B_reverse C_forward"}))
        << clipped.out;
    report = ReadFile(project + "edit_dir/quorvalix.out");
    std::vector<Site> clippedSites = SampleSites(false);
    EXPECT_EQ(CheckSampleSites(report, clippedSites, {"A", "B", "C"}), 2) << report;
    bool sampled = false;
    for (std::vector<std::string> const& row : Rows(report, "SAMPLE"))
        if (row[0] == "C_forward") {
            sampled = true;
            EXPECT_GT(std::stol(row[1]), 200);
            EXPECT_LE(std::stol(row[2]), 610);
            std::cout << "the noisy read used from " << row[1] << " to " << row[2] << std::endl;
        }
    EXPECT_TRUE(sampled) << report;
    ASSERT_EQ(unlink((project + "phd_dir/C_forward.phd.1").c_str()), 0);
    ASSERT_EQ(unlink((project + "poly_dir/C_forward.poly").c_str()), 0);

    // The reference route, with the consensus of the first assembly as the
    // reference, one base changed: the samples' sites at their old positions,
    // and with -refcomp the changed base too, every read homozygous there.
    ASSERT_GE(consensus.size(), 600u);
    EXPECT_EQ(consensus[599], 'C');
    std::string changed = consensus;
    changed[599] = 'T';
    WriteFile(referenceFasta, ">amplicon\n" + changed + "\n");
    RunResult written = Guide(home.Path(), {setup, reference});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_TRUE(Exists(project + "phd_dir/amplicon.REF.phd.1")) << written.out;
    RunResult compared = Guide(home.Path(), {setup, fasta, assemble, check, samples, compare});
    ASSERT_EQ(compared.status, 0) << compared.err;
    EXPECT_EQ(Contigs(compared.out, grouped),
              (std::vector<std::string>{"cutepeaks_c1: A_forward A_reverse B_forward B_reverse amplicon.REF"}))
        << compared.out;
    ace = ReadFile(project + "edit_dir/cutepeaks.ace");
    size_t af = ace.find("\nAF amplicon.REF ");
    ASSERT_NE(af, std::string::npos) << ace;
    bool complemented = ace[af + 17] == 'C';
    report = ReadFile(project + "edit_dir/quorvalix.out");
    EXPECT_NE(report.find("\nREFERENCE  amplicon.REF\n"), std::string::npos);
    std::vector<Site> referenceSites = SampleSites(complemented);
    EXPECT_EQ(CheckSampleSites(report, referenceSites, {"A", "B"}), 3) << report;
    std::string shared;  // the consensus base at the changed one, as the contig holds it
    for (std::vector<std::string> const& row : Rows(report, "POLY")) {
        for (size_t k = 0; k < sites.size(); ++k) {
            if (row[0] == referenceSites[k].position) {
                EXPECT_EQ(row[1], sites[k].position);
            }
        }
        if (row[1] != "600") continue;
        shared = complemented ? "G" : "C";
        std::string other = complemented ? "A" : "T";
        EXPECT_EQ(row[3] + row[4], std::min(shared, other) + std::max(shared, other)) << report;
    }
    ASSERT_FALSE(shared.empty()) << report;
    int homozygous = 0;
    for (std::vector<std::string> const& row : Rows(report, "GENOTYPE"))
        if (row[1] == "600") {
            EXPECT_EQ(row[4] + row[5], shared + shared);
            ++homozygous;
        }
    EXPECT_EQ(homozygous, 4) << report;
    std::cout << "the reference placed " << (complemented ? "reversed" : "forward") << std::endl;

    // -ref: the samples' sites only, at the same reference positions.
    RunResult positions = Guide(home.Path(), {setup, "quorvalix -source 1 1 -ref -output\n"});
    ASSERT_EQ(positions.status, 0) << positions.err;
    report = ReadFile(project + "edit_dir/quorvalix.out");
    std::vector<Site> positioned = SampleSites(complemented);
    EXPECT_EQ(CheckSampleSites(report, positioned, {"A", "B"}), 2) << report;
    for (size_t k = 0; k < sites.size(); ++k) EXPECT_EQ(positioned[k].position, referenceSites[k].position);
}

// Step 1's renaming: every blank and every character MIRA warns about in a
// read name (it keeps such names) becomes '_'; what MIRA takes silently
// stays.
TEST(ReadmeGuideTest, TraceNamesLoseWhatMiraWarnsAbout) {
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::string const rename = Step(GuideBlocks(), "[[:space:]");
    ASSERT_FALSE(HasFailure());
    TempDir project;
    ASSERT_EQ(mkdir(project.File("chromat_dir").c_str(), 0755), 0);
    std::string const renamed = " \t\"&';?`";
    std::string const kept = "!#$%()*+,-.:<=>@[]^_{|}~";
    std::vector<std::string> expected;
    for (char c : renamed + kept) {
        std::string name = "r" + std::to_string(expected.size()) + c + "x.ab1";
        WriteFile(project.File("chromat_dir/" + name), "");
        if (renamed.find(c) != std::string::npos) name[name.size() - 6] = '_';
        expected.push_back(name);
    }
    RunResult run = RunProgram({"/bin/bash", "-c", rename}, project.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListDir(project.File("chromat_dir")), expected);
}

// Step 5's check: a trace in no contig, and one whose contig holds nothing
// else but the reference read, are named as left out, since quorvalix
// analyses neither; then every contig with its reads.
TEST(ReadmeGuideTest, TheAssemblyCheckNamesWhatIsNotAnalysed) {
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::string const check = Step(GuideBlocks(), "comm -23");
    ASSERT_FALSE(HasFailure());
    TempDir project;
    ASSERT_EQ(mkdir(project.File("edit_dir").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(project.File("phd_dir").c_str(), 0755), 0);
    for (char const* read : {"s1_f", "s1_r", "s2_f", "s3_f", "amplicon.REF"})
        WriteFile(project.File("phd_dir/" + std::string(read) + ".phd.1"), "");
    WriteFile(project.File("edit_dir/test.ace"),
              "AS 2 4\n\nCO c1 5 2 1 U\nTTTTT\n\nAF s1_r C 1\nAF s1_f U 1\n\n"
              "RD s1_r 5 0 0\nTTTTT\n\nRD s1_f 5 0 0\nTTTTT\n\n"
              "CO c2 5 2 1 U\nTTTTT\n\nAF amplicon.REF U 1\nAF s2_f U 1\n\n"
              "RD amplicon.REF 5 0 0\nTTTTT\n\nRD s2_f 5 0 0\nTTTTT\n\n");
    RunResult run = RunProgram({"/bin/bash", "-c", "name=test\n" + check}, project.Path(), {"LC_ALL=C"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "left out: amplicon.REF\nleft out: s2_f\nleft out: s3_f\n"
              "c1: s1_r s1_f\nc2: amplicon.REF s2_f\n");
}

// Step 6's check prints, for each contig, the samples quorvalix makes of its
// reads at a column that all of them cover: its Sources in the order made,
// each with its first read's identifier and its reads, the reads taken in
// the contig's (name) order, the reference read left out.
TEST(ReadmeGuideTest, TheSampleCheckGroupsReadsAsTheDetectorDoes) {
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::string check = Step(GuideBlocks(), "LC_ALL=C sort");
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(check.compare(0, 9, "samples='"), 0) << check;
    check = check.substr(check.find('\n') + 1);  // each case sets its own choice
    // Names of fixed and varying width, delimited IDs in any field, names
    // that end before the ID, the reference; then many short random names,
    // in a second contig.
    std::vector<std::vector<std::string>> contigs = {
        {"25922_ThaMuv7_F", "25922_ThaMuv7_R", "KT1760018_ThaMuv7_F", "BB1410006_ThaMuv7_F", "BB1410007_ThaMuv7_R",
         "x_s2_a_s1_", "_s1_b", "q_s2_c", "nodelim", "_s3__s1_", "_s1_z", "abcd", "ab", "abx", "abc9", "a", "zz",
         "xab1", "v", "amplicon.REF"},
        {}};
    std::set<std::string> names(contigs[0].begin(), contigs[0].end());
    std::mt19937 random(11);
    while (contigs[1].size() < 150) {
        std::string name;
        for (long k = 1 + random() % 7; k > 0; --k) name += "ab_"[random() % 3];
        if (names.insert(name).second) contigs[1].push_back(name);
    }
    TempDir project;
    ASSERT_EQ(mkdir(project.File("edit_dir").c_str(), 0755), 0);
    std::string ace = "AS 2 " + std::to_string(names.size()) + "\n\n";
    for (size_t c = 0; c < contigs.size(); ++c) {
        ace += "CO c" + std::to_string(c + 1) + " 5 " + std::to_string(contigs[c].size()) + " 1 U\nTTTTT\n\n";
        for (std::string const& name : contigs[c]) ace += "RD " + name + " 5 0 0\nTTTTT\n\n";
    }
    WriteFile(project.File("edit_dir/test.ace"), ace);

    for (char const* choice : {"", "-source 1 1", "-source 1 3", "-source 2 3", "-source 2 4", "-source 1 9",
                               "-source /_", "-source /a", "-source /", "-source off"}) {
        SCOPED_TRACE(choice);
        Parameters parameters;
        parameters.ParseFlags("test", (" " + std::string(choice) + " ").c_str());
        char idChar;
        long idPos;
        parameters.GetSourceID(idChar, idPos);
        std::string expected;
        for (size_t c = 0; c < contigs.size(); ++c) {
            std::string contigName = "c" + std::to_string(c + 1);
            Contig* contig = MakeContig(contigName.c_str(), "TTTTT");
            std::vector<std::string> sorted;
            for (std::string const& name : contigs[c])
                if (name.find(".REF") == std::string::npos) sorted.push_back(name);
            std::sort(sorted.begin(), sorted.end());
            std::vector<Sequence*> reads;
            for (std::string const& name : sorted) {
                reads.push_back(MakeRead(name.c_str(), "TTTTT"));
                ModelInspector::SetContig(*reads.back(), contig);
                ModelInspector::SetScores(*reads.back(), 0, 0);
                EXPECT_TRUE(reads.back()->IsValidSite(2));
            }
            Column column;
            column.SetParameters(parameters);
            column.SetReads(reads);
            column.Clear();
            for (Sequence* read : reads) column.AddSequence(read);
            for (long g = 0; g < column.Length(); ++g) {
                Source* source = column.Get(g);
                expected += contigName + " \"" + source->Get(0)->GetSourceID(idChar, idPos).String() + "\":";
                for (long k = 0; k < source->Length(); ++k) expected += " " + std::string(source->Get(k)->GetName());
                expected += "\n";
            }
            for (Sequence* read : reads) delete read;
            delete contig;
        }
        RunResult run = RunProgram({"/bin/bash", "-c", "name=test\nsamples='" + std::string(choice) + "'\n" + check},
                                   project.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, expected);
    }
}

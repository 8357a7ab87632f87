// The pipeline guide (docs/guide.md) on real traces, run as the file holds
// it: its shell blocks, indentation and all, in bash, on two samples of one
// amplicon, each read forward and reverse. trelvik converts them, Debian's
// MIRA assembles them into an ACE file, quorvalix must take the PHD names
// from MIRA's DS lines and find the two homozygous differences between the
// samples, and the report must read as the guide shows it. Around it, what
// the guide tells a user to do when things go wrong: trace names with a
// blank and with a character MIRA warns about renamed, traces without
// quality values named and called again with TraceTuner, a read MIRA leaves
// out named by the check and placed by its quality clip, a sample that MIRA
// leaves out or sets apart placed by mapping the reads onto a reference,
// the contigs listed with their reads, the grouping of reads into samples
// shown before the run, and a variant all samples share found against the
// reference. Beside it, the guide's commands that need no assembler: the
// renaming, the checks against the detector's own grouping, and every
// shell block parsed as the raw file holds it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
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

std::string const guideFile = std::string(QUORVALIX_SOURCE_DIR) + "/docs/guide.md";

// The shell blocks (fenced as sh) of a Markdown file, each as the raw file
// holds it, the indentation of its list item kept: a reader may copy it so.
std::vector<std::string> ShellBlocks(std::string const& file) {
    std::vector<std::string> blocks;
    std::string block;
    bool inside = false;
    for (std::string const& line : SplitLines(TempDir::ReadFile(file))) {
        size_t fence = line.find("```");
        bool blank = fence != std::string::npos && line.find_first_not_of(' ') == fence;
        if (!inside && blank && line.substr(fence) == "```sh") {
            inside = true;
            block.clear();
        } else if (inside && blank && line.substr(fence) == "```") {
            inside = false;
            blocks.push_back(block);
        } else if (inside) {
            block += line + "\n";
        }
    }
    return blocks;
}

std::vector<std::string> GuideBlocks() { return ShellBlocks(guideFile); }

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

// The first plain fenced block of the guide after `text`, without the
// indentation of its list item.
std::string GuideShows(std::string const& text) {
    std::string guide = TempDir::ReadFile(guideFile);
    size_t at = guide.find(text);
    if (at == std::string::npos || (at = guide.find("```\n", at)) == std::string::npos) return "";
    size_t indent = at - guide.rfind('\n', at) - 1;
    std::string shown;
    for (std::string const& line : SplitLines(guide.substr(at + 4))) {
        std::string unindented = line.substr(std::min({indent, line.size(), line.find_first_not_of(' ')}));
        if (unindented == "```") break;
        shown += unindented + "\n";
    }
    return shown;
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

// A copy of a read's PHD and POLY files under another name, without its
// bases `first` to `first + count - 1` (from 1): a read of a sample that
// carries a deletion.
void WriteCopyWithDeletion(std::string const& project, std::string const& read, std::string const& copy,
                           size_t first, size_t count) {
    std::vector<std::string> phd = SplitLines(ReadFile(project + "phd_dir/" + read + ".phd.1"));
    std::vector<std::string> poly = SplitLines(ReadFile(project + "poly_dir/" + read + ".poly"));
    size_t dna = 0;
    while (dna < phd.size() && phd[dna] != "BEGIN_DNA") ++dna;
    ++dna;
    ASSERT_GT(poly.size(), first + count);
    ASSERT_EQ(phd.at(dna + poly.size() - 1), "END_DNA");
    phd.erase(phd.begin() + dna + first - 1, phd.begin() + dna + first - 1 + count);
    poly.erase(poly.begin() + first, poly.begin() + first + count);
    WriteFile(project + "phd_dir/" + copy + ".phd.1", Replace(Lines(phd), read, copy));
    WriteFile(project + "poly_dir/" + copy + ".poly", Replace(Lines(poly), read, copy));
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

// The two sites of the samples, found by their flanks.
struct Site {
    std::string flanked;  // left flank, the two alleles, right flank
    char sampleA, sampleB;
    std::string position;  // consensus position
    int score;
};

std::vector<Site> SampleSites() {
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
            char allele = name[0] == 'B' ? site.sampleB : site.sampleA;  // C's reads copy A's
            EXPECT_EQ(row[row.size() - 3] + row[row.size() - 2], std::string(2, allele)) << name;
            for (size_t k = 0; k < samples.size(); ++k) calls[k] += name.compare(0, 1, samples[k]) == 0;
        }
        for (size_t k = 0; k < samples.size(); ++k) EXPECT_GE(calls[k], 1) << "sample " << samples[k];
    }
    return rows;
}

}  // namespace

// Every shell block of the README and of the guide parses as the raw file
// holds it: a here-document whose end line is indented would never end
// there, and bash only warns about it.
TEST(ReadmeGuideTest, EveryShellBlockParsesAsTheFileHoldsIt) {
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::vector<std::string> blocks = GuideBlocks();
    EXPECT_GE(blocks.size(), 12u);
    for (std::string const& block : ShellBlocks(std::string(QUORVALIX_SOURCE_DIR) + "/README.md"))
        blocks.push_back(block);
    for (std::string const& block : blocks) {
        RunResult run = RunProgram({"/bin/bash", "-n", "-c", block}, "/");
        EXPECT_EQ(run.status, 0) << block << run.err;
        EXPECT_EQ(run.err, "") << block;
    }
    // What the check catches: a here-document in a list item.
    RunResult indented = RunProgram({"/bin/bash", "-n", "-c", "   cat > f <<END\n   x\n   END\n   echo\n"}, "/");
    EXPECT_NE(indented.err.find("here-document"), std::string::npos) << indented.err;
}

// Steps 1 to 6 of the guide on two samples of one amplicon, each read
// forward and reverse: trace names with a blank and with a character MIRA
// warns about renamed, every trace converted, a read MIRA leaves out named
// by the check and placed by its quality clip, the contigs listed with their
// reads, the samples shown before the run, and the report as the guide
// shows it.
TEST(RealTracesTest, TheGuide) {
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
    std::string const setup = Replace(Step(blocks, "mkdir -p \"$p\""), "/path/to/cutepeaks", source.Path());
    std::string const rename = Step(blocks, "[[:space:]");
    std::string const trelvik = "   trelvik\n";
    EXPECT_EQ(std::count(blocks.begin(), blocks.end(), trelvik), 1);
    std::string const converted = Step(blocks, "not converted:");
    std::string const fasta = Step(blocks, "reads.fasta.qual");
    std::string const assemble = Step(blocks, "genome,denovo");
    std::string const check = Step(blocks, "comm -23");
    std::string const clip = Step(blocks, "-CL:qc=yes");
    std::string const samples = Step(blocks, "LC_ALL=C sort");
    std::string const detect = Step(blocks, "quorvalix $samples -output");
    ASSERT_FALSE(HasFailure());

    // Steps 1 and 2: the blank and the ';' renamed away before the
    // conversion, and the check finds every trace converted.
    RunResult conversion = Guide(home.Path(), {setup, rename, trelvik, converted});
    ASSERT_EQ(conversion.status, 0) << conversion.err;
    EXPECT_EQ(conversion.out, "");
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
    // MIRA names the PHD files on DS lines that begin with other words.
    EXPECT_NE(ReadFile(project + "edit_dir/cutepeaks.ace")
                  .find("DS TEMPLATE: A_reverse CHROMAT_FILE: A_reverse PHD_FILE: A_reverse.phd.1"),
              std::string::npos);

    // Step 6: the samples A and B shown before the run; the two sites, and
    // nothing else, at the default score limit: their flanks, alleles and
    // scores, and each sample homozygous for its allele; and the report as
    // the guide shows it, from the command line on.
    RunResult detected = Guide(home.Path(), {setup, samples, detect});
    ASSERT_EQ(detected.status, 0) << detected.err;
    std::string const grouped = "cutepeaks_c1 \"A\": A_forward A_reverse\ncutepeaks_c1 \"B\": B_forward B_reverse\n";
    EXPECT_EQ(detected.out, grouped);
    std::string report = ReadFile(project + "edit_dir/quorvalix.out");
    std::string shown = Replace(GuideShows("The report of the unclipped assembly then holds"), "/home/you/cutepeaks/",
                                project);
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
    std::vector<Site> sites = SampleSites();
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
    std::vector<Site> clippedSites = SampleSites();
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
}

// The guide's reference route on the four traces and a sample C that
// carries a deletion (A's two reads without the same 20 bases): the de novo
// assembly leaves C out and the check names its reads, and with the clip
// sets C apart in a contig of its own; the reference made from the
// consensus of the first assembly, one base changed, and MIRA's mapping put
// all six reads and the reference into one contig; every sample is
// compared, and with -refcomp the changed base is a site, every read
// homozygous there.
TEST(RealTracesTest, TheGuidesReferenceRoute) {
    if (!Exists(traces)) GTEST_SKIP() << "no sample traces at " << traces;
    if (FindProgram("mira").empty()) GTEST_SKIP() << "MIRA (Debian's mira-assembler) is not installed";
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::vector<std::string> blocks = GuideBlocks();
    TempDir home;
    std::string const project = home.File("cutepeaks/");
    std::string const referenceFasta = home.File("reference.fasta");
    std::string const setup = Replace(Step(blocks, "mkdir -p \"$p\""), "/path/to/cutepeaks", traces);
    std::string const fasta = Step(blocks, "reads.fasta.qual");
    std::string const assemble = Step(blocks, "genome,denovo");
    std::string const check = Step(blocks, "comm -23");
    std::string const clip = Step(blocks, "-CL:qc=yes");
    std::string const samples = Step(blocks, "LC_ALL=C sort");
    std::string const consensus = Step(blocks, "unpadded.fasta");
    std::string const reference = Replace(Step(blocks, "cp /path/to/reference.fasta"), "/path/to/reference.fasta",
                                          referenceFasta);
    std::string const map = Step(blocks, "genome,mapping");
    std::string const compare = Step(blocks, "-refcomp");
    ASSERT_FALSE(HasFailure());

    RunResult converted = Guide(home.Path(), {setup, "   trelvik\n"});
    ASSERT_EQ(converted.status, 0) << converted.err;
    WriteCopyWithDeletion(project, "A_forward", "C_forward", 305, 20);
    WriteCopyWithDeletion(project, "A_reverse", "C_reverse", 227, 20);
    RunResult assembled = Guide(home.Path(), {setup, fasta, assemble, check});
    ASSERT_EQ(assembled.status, 0) << assembled.err;
    EXPECT_EQ(Contigs(assembled.out, "left out: C_forward\nleft out: C_reverse\n"),
              (std::vector<std::string>{"cutepeaks_c1: A_forward A_reverse B_forward B_reverse"}))
        << assembled.out;

    // The reference from the consensus, as the guide makes it: plain bases
    // only; then its base 600 changed, a variant all the samples share.
    RunResult made = Guide(home.Path(), {setup, consensus});
    ASSERT_EQ(made.status, 0) << made.err;
    std::string fromConsensus = ReadFile(project + "edit_dir/reference.fasta");
    ASSERT_EQ(fromConsensus.compare(0, 10, ">amplicon\n"), 0) << fromConsensus;
    std::string bases;
    for (std::string const& line : SplitLines(fromConsensus.substr(10))) bases += line;
    EXPECT_EQ(bases.find_first_not_of("ACGTN"), std::string::npos) << bases;
    EXPECT_TRUE(Exists(project + "phd_dir/amplicon.REF.phd.1"));
    ASSERT_GE(bases.size(), 600u);
    EXPECT_EQ(bases[599], 'C');
    bases[599] = 'T';
    WriteFile(referenceFasta, ">amplicon\n" + bases + "\n");
    RunResult written = Guide(home.Path(), {setup, reference});
    ASSERT_EQ(written.status, 0) << written.err;

    // With the clip, C in a contig of its own, where it is compared with
    // no other sample.
    RunResult apart = Guide(home.Path(), {setup, clip, check, samples});
    ASSERT_EQ(apart.status, 0) << apart.err;
    EXPECT_EQ(Contigs(apart.out, "cutepeaks_c1 \"A\": A_forward A_reverse\ncutepeaks_c1 \"B\": B_forward B_reverse\n"
                                 "cutepeaks_c2 \"C\": C_forward C_reverse\n"),
              (std::vector<std::string>{"cutepeaks_c1: A_forward A_reverse B_forward B_reverse",
                                        "cutepeaks_c2: C_forward C_reverse"}))
        << apart.out;

    // Mapped: one contig of every read and the reference, and C a sample
    // of it.
    RunResult mapped = Guide(home.Path(), {setup, fasta, map, check, samples, compare});
    ASSERT_EQ(mapped.status, 0) << mapped.err;
    std::string const grouped = "amplicon.REF_bb \"A\": A_forward A_reverse\namplicon.REF_bb \"B\": B_forward B_reverse\n"
                                "amplicon.REF_bb \"C\": C_forward C_reverse\n";
    EXPECT_EQ(Contigs(mapped.out, grouped), Contigs(GuideShows("step 5's check prints nothing after"), ""))
        << mapped.out;
    std::string ace = ReadFile(project + "edit_dir/cutepeaks.ace");
    EXPECT_NE(ace.find("\nAF amplicon.REF U "), std::string::npos) << ace;
    std::string report = ReadFile(project + "edit_dir/quorvalix.out");
    EXPECT_NE(report.find("\nREFERENCE  amplicon.REF\n"), std::string::npos);
    EXPECT_EQ(Block(report, "POLY"), Block("\n" + GuideShows("`-refcomp` gives this POLY block"), "POLY")) << report;
    std::vector<Site> sites = SampleSites();
    EXPECT_EQ(CheckSampleSites(report, sites, {"A", "B", "C"}), 3) << report;
    int homozygous = 0;
    for (std::vector<std::string> const& row : Rows(report, "GENOTYPE"))
        if (row[1] == "600") {
            EXPECT_EQ(row[4] + row[5], "CC");
            ++homozygous;
        }
    EXPECT_EQ(homozygous, 6) << report;

    // -ref: the samples' sites only, at the same reference positions.
    RunResult positions = Guide(home.Path(), {setup, "quorvalix -source 1 1 -ref -output\n"});
    ASSERT_EQ(positions.status, 0) << positions.err;
    report = ReadFile(project + "edit_dir/quorvalix.out");
    std::vector<Site> positioned = SampleSites();
    EXPECT_EQ(CheckSampleSites(report, positioned, {"A", "B", "C"}), 2) << report;
    for (size_t k = 0; k < sites.size(); ++k) EXPECT_EQ(positioned[k].position, sites[k].position);
}

// Step 2's check and TraceTuner route: traces trelvik cannot convert (an
// SCF and an ABIF trace without quality values, a wendlaric chromatogram
// without bases) are named; TraceTuner calls the first two again, under
// their own names, and trelvik converts them; the third, which TraceTuner
// refuses, is named again; a trace already converted stays as it was.
TEST(RealTracesTest, TheGuidesTraceTunerRoute) {
    std::string const shared = std::string(QUORVALIX_SHARED_DATA) + "/traces/";
    if (!Exists(traces) || !Exists(shared)) GTEST_SKIP() << "no sample traces at " << traces << " and " << shared;
    if (FindProgram("ttuner").empty()) GTEST_SKIP() << "TraceTuner (Debian's tracetuner) is not installed";
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::vector<std::string> blocks = GuideBlocks();
    TempDir source;
    source.Write("A_forward.ab1", TempDir::ReadFile(traces + "A_forward.ab1"));
    TempDir home;
    std::string const project = home.File("cutepeaks/");
    std::string const setup = Replace(Step(blocks, "mkdir -p \"$p\""), "/path/to/cutepeaks", source.Path());
    std::string const check = Step(blocks, "not converted:");
    std::string const route = Step(blocks, "ttuner");
    ASSERT_FALSE(HasFailure());
    RunResult made = Guide(home.Path(), {setup});
    ASSERT_EQ(made.status, 0) << made.err;
    WriteFile(project + "chromat_dir/abiview.abi", ReadFile(shared + "abiview.abi"));
    WriteFile(project + "chromat_dir/13-pilE-F.scf", ReadFile(shared + "bioperl/13-pilE-F.scf"));
    TempDir synthetic;
    WriteFile(synthetic.File("s.fasta"), ">synthetic\nACGTTGCAAGCTTGACCTGAGGTCAACGTTGCAAGCTAGGCTTAACG\n");
    RunResult wrote = RunProgram({QUORVALIX_WENDLARIC, "s.fasta"}, synthetic.Path());
    ASSERT_EQ(wrote.status, 0) << wrote.err;
    WriteFile(project + "chromat_dir/synthetic.scf", ReadFile(synthetic.File("synthetic.scf")));

    RunResult first = Guide(home.Path(), {setup, "   trelvik\n", check});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(SplitLines(first.out).back(), "not converted: chromat_dir/synthetic.scf") << first.out;
    std::string const named = "not converted: chromat_dir/13-pilE-F.scf\nnot converted: chromat_dir/abiview.abi\n"
                              "not converted: chromat_dir/synthetic.scf\n";
    EXPECT_NE(first.out.find(named), std::string::npos) << first.out;
    std::string const converted = ReadFile(project + "phd_dir/A_forward.phd.1");

    RunResult second = Guide(home.Path(), {setup, route, check});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(SplitLines(second.out).back(), "not converted: unconverted/synthetic.scf") << second.out;
    EXPECT_EQ(second.out.find("not converted: chromat_dir/"), std::string::npos) << second.out;
    EXPECT_EQ(ListDir(project + "chromat_dir"),
              (std::vector<std::string>{"13-pilE-F.scf", "A_forward.ab1", "abiview.scf"}));
    EXPECT_EQ(ListDir(project + "unconverted"),
              (std::vector<std::string>{"13-pilE-F.scf", "abiview.abi", "synthetic.scf"}));
    EXPECT_EQ(ReadFile(project + "phd_dir/A_forward.phd.1"), converted);
    for (char const* read : {"13-pilE-F", "abiview"}) {
        SCOPED_TRACE(read);
        std::vector<std::string> phd = SplitLines(ReadFile(project + "phd_dir/" + read + ".phd.1"));
        size_t dna = std::find(phd.begin(), phd.end(), "BEGIN_DNA") - phd.begin();
        size_t end = std::find(phd.begin(), phd.end(), "END_DNA") - phd.begin();
        ASSERT_LT(dna + 100, end);
        EXPECT_TRUE(Exists(project + "poly_dir/" + read + ".poly"));
        std::cout << read << ": " << end - dna - 1 << " bases from TraceTuner" << std::endl;
    }
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
// analyses neither; the reference read is never named; then every contig
// with its reads.
TEST(ReadmeGuideTest, TheAssemblyCheckNamesWhatIsNotAnalysed) {
    if (!Exists("/bin/bash")) GTEST_SKIP() << "no /bin/bash to run the guide's commands";
    std::string const check = Step(GuideBlocks(), "comm -23");
    ASSERT_FALSE(HasFailure());
    TempDir project;
    ASSERT_EQ(mkdir(project.File("edit_dir").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(project.File("phd_dir").c_str(), 0755), 0);
    for (char const* read : {"s1_f", "s1_r", "s2_f", "s3_f", "amplicon.REF", "unplaced.REF"})
        WriteFile(project.File("phd_dir/" + std::string(read) + ".phd.1"), "");
    WriteFile(project.File("edit_dir/test.ace"),
              "AS 2 4\n\nCO c1 5 2 1 U\nTTTTT\n\nAF s1_r C 1\nAF s1_f U 1\n\n"
              "RD s1_r 5 0 0\nTTTTT\n\nRD s1_f 5 0 0\nTTTTT\n\n"
              "CO c2 5 2 1 U\nTTTTT\n\nAF amplicon.REF U 1\nAF s2_f U 1\n\n"
              "RD amplicon.REF 5 0 0\nTTTTT\n\nRD s2_f 5 0 0\nTTTTT\n\n");
    RunResult run = RunProgram({"/bin/bash", "-c", "name=test\n" + check}, project.Path(), {"LC_ALL=C"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "left out: s2_f\nleft out: s3_f\n"
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
    ASSERT_EQ(check.compare(0, check.find('\n'), "   samples='-source 1 1'"), 0) << check;
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

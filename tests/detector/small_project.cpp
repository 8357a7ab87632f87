#include "small_project.h"

#include <gtest/gtest.h>

#include "model_test.h"

std::string const smallConsensus = "ACGTACGTACGTACGTACGTACGT";
std::string const r2Aligned = "GTACGTACGT*CGTACGTACGT";  // columns 2 to 23, a pad at column 12
std::string const r2Trace = "ACGTACGTACGACGTACGTAC";     // its bases as the trace gives them

static std::string const dsTime = " TIME: Mon Jan  2 10:10:10 2006\n";

// The project's ACE file before any run: foreign tags of several kinds, one
// contig of three reads (r3 has no POLY file) and a reference read, one
// contig of one read, a DS line as another assembler writes it.
std::string const originalAce =
    "AS 2 5\n\nCO Contig1 24 4 1 U\n" + smallConsensus +
    "\n\nBQ\n 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20\n\n"
    "AF r1 U 1\nAF r2 C 3\nAF r3 U 1\nAF ref.REF U 1\nBS 1 24 r1\n\n"
    "RD r1 24 0 0\n" + smallConsensus + "\n\nQA 1 24 1 24\nDS CHROMAT_FILE: r1 PHD_FILE: r1.phd.1" + dsTime +
    "\nRD r2 22 0 0\n" + r2Aligned + "\n\nQA 3 20 1 22\nDS CHROMAT_FILE: r2 PHD_FILE: r2.phd.1" + dsTime +
    "\nRD r3 24 0 0\n" + smallConsensus + "\n\nQA 1 24 1 24\nDS TEMPLATE: r3 PHD_FILE: r3.phd.1" + dsTime +
    "\nRD ref.REF 24 0 0\nACGTACGTACGT*CGTACGTACGT\n\nQA 1 24 1 24\nDS CHROMAT_FILE: ref.REF" + dsTime +
    "\nRT{\nr1 matchElsewhereLowQual phrap 2 4 060102:101010\n}\n"
    "\nCO Contig2 8 1 1 U\nACGTACGT\n\nBQ\n 20 20 20 20 20 20 20 20\n\nAF s1 U 1\nBS 1 8 s1\n\n"
    "RD s1 8 0 0\nACGTACGT\n\nQA 1 8 1 8\nDS CHROMAT_FILE: s1 PHD_FILE: s1.phd.1" + dsTime +
    "\nCT{\nContig1 comment consed 5 6 060102:101010\nCOMMENT{\nuser note\nC}\n}\n"
    "\nWA{\nphrap_params phrap 060102:101010\nphrap standard.fasta.screen\n}\n";

std::string const foreignPhdTag =
    "\nBEGIN_TAG\nTYPE: comment\nSOURCE: consed\nUNPADDED_READ_POS: 3 4\nDATE: 01/02/06 10:10:10\n"
    "BEGIN_COMMENT\nlook here\nEND_COMMENT\nEND_TAG\n\n";

ProjectFiles Originals() {
    return {originalAce, PhdText("r1", smallConsensus, foreignPhdTag), PhdText("r2", r2Trace),
            PhdText("r3", smallConsensus), PhdText("s1", "ACGTACGT")};
}

void WriteProject(TestProject const& project, ProjectFiles const& files) {
    project.Write("edit_dir/project.ace", files.ace);
    project.Write("phd_dir/r1.phd.1", files.r1);
    project.Write("phd_dir/r2.phd.1", files.r2);
    project.Write("phd_dir/r3.phd.1", files.r3);
    project.Write("phd_dir/s1.phd.1", files.s1);
    project.Write("poly_dir/r1.poly", PolyText("r1", smallConsensus));
    project.Write("poly_dir/r2.poly", PolyText("r2", r2Trace));
    project.Write("poly_dir/s1.poly", PolyText("s1", "ACGTACGT"));
}

ProjectFiles ReadProject(TestProject const& project) {
    return {project.Read("edit_dir/project.ace"), project.Read("phd_dir/r1.phd.1"), project.Read("phd_dir/r2.phd.1"),
            project.Read("phd_dir/r3.phd.1"), project.Read("phd_dir/s1.phd.1")};
}

void ExpectSame(ProjectFiles const& actual, ProjectFiles const& expected) {
    EXPECT_EQ(actual.ace, expected.ace);
    EXPECT_EQ(actual.r1, expected.r1);
    EXPECT_EQ(actual.r2, expected.r2);
    EXPECT_EQ(actual.r3, expected.r3);
    EXPECT_EQ(actual.s1, expected.s1);
}

Sequence* ReadNamed(Contig& contig, char const* name) {
    contig.Begin();
    while (Sequence* read = contig.GetNext())
        if (read->GetName() == name) return read;
    return nullptr;
}

static void Genotype(Sequence& read, long column, char c1, char c2, char code, float probability, char flags = 0) {
    ASSERT_TRUE(read.IsSite(column)) << column;
    if (flags) ModelInspector::SetFlags(read, ModelInspector::Map(read, column - ModelInspector::Offset(read)), flags);
    read.SetGenotype(c1, c2, code, probability);
}

void PlantSites(Assembly& assembly) {
    Contig* contig = assembly.Get(0L);
    ASSERT_TRUE(contig && contig->GetName() == "Contig1");
    Str text(smallConsensus.c_str());
    contig->GetConsensusSequence()->SetSequence(text);
    MarkedSites& snps = ModelInspector::SnpSites(*contig);
    snps.Collate(new SnpSite(5, 0.965f, 'T', 'C'));
    SnpSite* manual = new SnpSite(8, 0.4f, 'A', 'G');
    manual->SetManual(false);
    snps.Collate(manual);
    snps.Collate(new SnpSite(15, 0.9995f, 'C', 'T'));
    ModelInspector::IndelSites(*contig).Collate(new MarkedSite(13));
    ModelInspector::RepeatSites(*contig).Collate(new RepeatSite(16, 21, 2));
    contig->AddManualIndel(new ManualSite(18, 18, "userIndel", ""));

    Sequence* r1 = ReadNamed(*contig, "r1");
    Sequence* r2 = ReadNamed(*contig, "r2");
    ASSERT_TRUE(r1 && r2);
    Genotype(*r1, 5, 'C', 'T', 2, 0.975f);
    Genotype(*r2, 5, 'C', 'T', 1, 0.99f);
    Genotype(*r1, 8, 'A', 'G', 0, 0.8f);
    Genotype(*r1, 15, 'T', 'C', 0, 0.9f, 0x04);
    Genotype(*r2, 15, 'T', 'C', 1, 0.9f, 0x08);
    ModelInspector::SetIndel(*r2, 13, 2, 2);
    ModelInspector::SetAverageQuality(*r1, 30);
    ModelInspector::SetAverageQuality(*r2, 25);
    // The read phases leave a read that is not valid without usable bases.
    Sequence* r3 = ReadNamed(*contig, "r3");
    ASSERT_TRUE(r3 && !r3->IsValid());
    ModelInspector::SetLimits(*r3, 1, 0);
    // Depth 1 over the first two columns, 2 from there on.
    for (long column = 0; column < 24; ++column) ModelInspector::SetCount(*contig, column, column < 2 ? 1 : 2);
}


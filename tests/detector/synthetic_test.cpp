// Synthetic projects from the generator, read from their files and
// processed: every planted site is found with the planted genotype in each
// read, and no other site.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <set>
#include <string>

#include "contig.h"
#include "model_test.h"
#include "parameters.h"
#include "synthetic_project.h"
#include "tempdir.h"

namespace {

struct ProjectCase {
    char const* what;
    long samples, amplicons, length, reads;
    unsigned long seed;
};

// The case as ctest lists it and a failure names it, not as its bytes.
void PrintTo(ProjectCase const& c, std::ostream* out) {
    *out << c.what << " (samples " << c.samples << ", amplicons " << c.amplicons << ", length " << c.length
         << ", reads " << c.reads << ", seed " << c.seed << ")";
}

class ProjectTest : public ::testing::TestWithParam<ProjectCase> {
protected:
    // Writes the project, reads it back and runs the pipeline with `flags`.
    void Run(char const* flags) {
        ProjectCase const& c = GetParam();
        ProjectLayout layout;
        layout.samples = c.samples;
        layout.amplicons = c.amplicons;
        layout.length = c.length;
        layout.readsPerSample = c.reads;
        layout.seed = c.seed;
        project = new SyntheticProject(layout);
        ASSERT_TRUE(project->Write(dir.Path()));
        parameters.SetQualityLimit(25);
        parameters.SetWindow(20);
        parameters.SetScoreLimit(70.0f);
        parameters.SetRefID(".REF");
        ASSERT_TRUE(ReadProject(dir.Path(), assembly, parameters));
        parameters.ParseFlags("test", flags);
        assembly.Process(parameters);
        ASSERT_EQ(assembly.Length(), c.amplicons);
    }
    void TearDown() override { delete project; }
    PlantedAmplicon const& Planted(Contig* contig) {
        for (PlantedAmplicon const& a : project->Amplicons())
            if (contig->GetName() == a.contig.c_str()) return a;
        ADD_FAILURE() << "no planted amplicon " << contig->GetName();
        return project->Amplicons()[0];
    }

    TempDir dir;
    SyntheticProject* project = nullptr;
    Assembly assembly;
    Parameters parameters;
};

// Every read valid at the column carries its sample's genotype, and every
// sample is seen there.
void ExpectGenotypes(Contig* contig, long column, std::vector<char> const& genotypes) {
    std::set<long> seen;
    contig->Begin();
    while (Sequence* read = contig->GetNext()) {
        if (!read->IsValidSite(column)) continue;
        long sample = SyntheticProject::SampleOf(read->GetName().String());
        EXPECT_EQ(read->GetGenotype(), genotypes[sample]) << read->GetName() << " at " << column;
        seen.insert(sample);
    }
    EXPECT_EQ(seen.size(), genotypes.size()) << "samples seen at " << column;
}

TEST_P(ProjectTest, EveryPlantedSiteAndNoOther) {
    Run(" -source 1 5 -ms -indel ");
    assembly.Begin();
    while (Contig* contig = assembly.GetNext()) {
        PlantedAmplicon const& planted = Planted(contig);
        SCOPED_TRACE(planted.contig);

        contig->StartSnpSites();
        SnpSite* het = contig->GetSnpSite();
        SnpSite* mixed = contig->GetSnpSite();
        ASSERT_NE(mixed, nullptr);
        EXPECT_EQ(contig->GetSnpSite(), nullptr);
        EXPECT_EQ(het->GetPosition(), planted.hetSnp);
        EXPECT_EQ(mixed->GetPosition(), planted.mixedSnp);
        EXPECT_GE(het->GetScore(), 70);
        EXPECT_GE(mixed->GetScore(), 70);
        char first = 0, second = 0;
        het->GetGenotype(first, second);
        EXPECT_EQ(std::set<char>({first, second}), std::set<char>({planted.hetReference, planted.hetVariant}));
        mixed->GetGenotype(first, second);
        EXPECT_EQ(std::set<char>({first, second}), std::set<char>({planted.mixedReference, planted.mixedVariant}));
        ExpectGenotypes(contig, planted.hetSnp, planted.hetSnpGenotype);
        ExpectGenotypes(contig, planted.mixedSnp, planted.mixedSnpGenotype);

        contig->StartRepeatSites();
        RepeatSite* repeat = contig->GetRepeatSite();
        ASSERT_NE(repeat, nullptr);
        EXPECT_EQ(contig->GetRepeatSite(), nullptr);
        long start = 0, end = 0, unit = 0;
        repeat->GetRepeat(start, end, unit);
        EXPECT_EQ(unit, 2);
        EXPECT_EQ(start, planted.repeatStart);
        EXPECT_GE(end, planted.repeatEnd);
        EXPECT_LE(end, planted.repeatEnd + 6);

        // The insertion at its column; the deletion, placed from the reads'
        // mixed traces, within five columns of where it was planted.
        bool insertion = false, deletion = false;
        contig->StartIndelSites();
        while (MarkedSite* site = contig->GetIndelSite()) {
            long at = site->GetPosition();
            if (at == planted.insertion) {
                insertion = true;
                continue;
            }
            EXPECT_LE(std::labs(at - planted.deletion), 5) << "indel site " << at;
            deletion = true;
        }
        EXPECT_TRUE(insertion);
        EXPECT_TRUE(deletion);

        // Each read's indel: the deletion in its carriers, the three pads in
        // the reads of samples without the insertion, none in its carriers.
        contig->Begin();
        while (Sequence* read = contig->GetNext()) {
            long sample = SyntheticProject::SampleOf(read->GetName().String());
            long column = ModelInspector::IndelColumn(*read);
            long position = 0, size = 0;
            char kind = 0;
            if (planted.insertionCarrier[sample]) {
                EXPECT_EQ(column, 0) << read->GetName();
                continue;
            }
            read->GetIndel(position, size, kind);
            if (planted.deletionCarrier[sample]) {
                EXPECT_EQ(kind, 2) << read->GetName();
                EXPECT_EQ(size, 2) << read->GetName();
                EXPECT_LE(std::labs(column - planted.deletion), 5) << read->GetName();
            } else {
                EXPECT_EQ(kind, 0) << read->GetName();
                EXPECT_EQ(size, 3) << read->GetName();
                EXPECT_EQ(column, planted.insertion) << read->GetName();
            }
        }
    }
}

TEST_P(ProjectTest, WithoutGroupingOnlyPlantedColumnsAreSites) {
    // Each read its own sample: a heterozygote seen in a few reads may stay
    // below the limit, but nothing else comes up.
    Run(" ");
    assembly.Begin();
    while (Contig* contig = assembly.GetNext()) {
        PlantedAmplicon const& planted = Planted(contig);
        contig->StartSnpSites();
        while (SnpSite* site = contig->GetSnpSite())
            EXPECT_TRUE(site->GetPosition() == planted.hetSnp || site->GetPosition() == planted.mixedSnp)
                << planted.contig << " " << site->GetPosition();
        contig->StartIndelSites();
        EXPECT_EQ(contig->GetIndelSite(), nullptr);  // no indel pass
        contig->StartRepeatSites();
        EXPECT_EQ(contig->GetRepeatSite(), nullptr);
    }
}

ProjectCase const cases[] = {
    {"two amplicons", 16, 2, 500, 2, 1},
    {"four reads a sample", 12, 1, 500, 4, 9},
    {"long amplicon", 20, 1, 900, 2, 77},
};

INSTANTIATE_TEST_SUITE_P(Synthetic, ProjectTest, ::testing::ValuesIn(cases),
                         [](::testing::TestParamInfo<ProjectCase> const& info) {
                             std::string name = info.param.what;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name;
                         });

}  // namespace

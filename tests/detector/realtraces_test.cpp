// The whole pipeline on real traces: two samples of one amplicon, each read
// forward and reverse, converted by trelvik, assembled by Debian's MIRA
// into an ACE file, and analysed by quorvalix, which must take the PHD
// names from MIRA's DS lines and find the two homozygous differences
// between the samples.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

#include "programs.h"
#include "project_test.h"

namespace {

std::string const traces = std::string(QUORVALIX_SHARED_DATA) + "/projects/cutepeaks/";
char const* const reads[] = {"A_forward", "A_reverse", "B_forward", "B_reverse"};

// The FASTA and quality files MIRA reads, made from the PHD files.
void WriteFastaAndQualities(TestProject const& project) {
    std::string fasta, qualities;
    for (char const* name : reads) {
        std::istringstream phd(project.Read(std::string("phd_dir/") + name + ".phd.1"));
        std::string line, bases, values;
        bool dna = false;
        while (std::getline(phd, line)) {
            if (line.compare(0, 9, "BEGIN_DNA") == 0) {
                dna = true;
            } else if (line.compare(0, 7, "END_DNA") == 0) {
                break;
            } else if (dna) {
                std::istringstream fields(line);
                std::string base, quality;
                if (fields >> base >> quality) {
                    bases += base;
                    values += quality + " ";
                }
            }
        }
        fasta += std::string(">") + name + "\n" + bases + "\n";
        qualities += std::string(">") + name + "\n" + values + "\n";
    }
    project.Write("mira/reads.fasta", fasta);
    project.Write("mira/reads.fasta.qual", qualities);
}

// The rows of a block of the text report.
std::string Block(std::string const& report, std::string const& name) {
    size_t start = report.find("\nBEGIN_" + name + "\n");
    size_t end = report.find("END_" + name + "\n", start);
    if (start == std::string::npos || end == std::string::npos) return "";
    start += name.size() + 8;
    return report.substr(start, end - start);
}

}  // namespace

TEST(RealTracesTest, TrelvikMiraAndQuorvalix) {
    if (!Exists(traces)) GTEST_SKIP() << "no sample traces at " << traces;
    std::string mira = FindProgram("mira");
    if (mira.empty()) GTEST_SKIP() << "MIRA (Debian's mira-assembler) is not installed";
    TestProject project;
    mkdir(project.Path("chromat_dir").c_str(), 0755);
    mkdir(project.Path("mira").c_str(), 0755);
    for (char const* name : reads)
        project.Write(std::string("chromat_dir/") + name + ".ab1",
                      TestProject::ReadFile(traces + name + ".ab1"));
    RunResult trelvik = RunProgram({QUORVALIX_TRELVIK}, project.Root());
    ASSERT_EQ(trelvik.status, 0) << trelvik.err;

    WriteFastaAndQualities(project);
    // MIRA must not edit the reads (-ED:...), or they no longer match their
    // PHD files; -AS:nop=1 keeps reads it would otherwise leave unplaced.
    project.Write("mira/manifest.conf",
                  "project = cutepeaks\n"
                  "job = genome,denovo,accurate\n"
                  "parameters = COMMON_SETTINGS -GE:not=4 -AS:nop=1 -ED:mace=no:eks=no:gbre=no "
                  "-NW:cmrnl=no:cac=no -OUT:ora=yes -CO:asir=yes -CL:gbcdc=no:kjd=no "
                  "SANGER_SETTINGS -AS:mrpc=1 -CL:qc=no:pec=no\n\n"
                  "readgroup = samples\ntechnology = sanger\ndata = reads.fasta\n");
    RunResult assembly = RunProgram({mira, "manifest.conf"}, project.Path("mira"));
    ASSERT_EQ(assembly.status, 0) << assembly.out << assembly.err;
    std::string ace = project.Read("mira/cutepeaks_assembly/cutepeaks_d_results/cutepeaks_out.ace");
    ASSERT_FALSE(ace.empty());
    // MIRA names the PHD files on DS lines that begin with other words.
    EXPECT_NE(ace.find("DS TEMPLATE: A_reverse CHROMAT_FILE: A_reverse PHD_FILE: A_reverse.phd.1"), std::string::npos);
    project.Write("edit_dir/cutepeaks.ace", ace);

    // The samples are told apart by the first letter of the read names.
    RunResult run = RunProgram({QUORVALIX_PROGRAM, "-source", "1", "1", "-flanking", "5", "-output"}, project.Root());
    ASSERT_EQ(run.status, 0) << run.err;
    std::string report = project.Read("edit_dir/quorvalix.out");
    // Every read was read and rewritten through the PHD name of its DS line.
    for (char const* name : reads) {
        EXPECT_NE(report.find(std::string("\n") + name + "   "), std::string::npos) << name;
        EXPECT_NE(project.Read(std::string("phd_dir/") + name + ".phd.1").find("SOURCE: quorValix"), std::string::npos)
            << name;
    }

    // The two sites, and nothing else, at the default score limit: their
    // flanks, alleles and scores, and each sample homozygous for its allele.
    struct Site {
        char const* flanked;  // left flank, the two alleles, right flank
        char sampleA, sampleB;
        std::string position;
        int score = 0;
    } sites[] = {{"TCCCC  C  G  CGTGG  ", 'G', 'C', "", 0}, {"GAGGC  A  G  CTGCC  ", 'G', 'A', "", 0}};
    std::istringstream poly(Block(report, "POLY"));
    std::string row;
    int rows = 0;
    while (std::getline(poly, row)) {
        ++rows;
        for (Site& site : sites) {
            size_t at = row.find(site.flanked);
            if (at == std::string::npos) continue;
            site.position = row.substr(0, row.find(' '));
            site.score = std::stoi(row.substr(at + std::string(site.flanked).size()));
        }
    }
    EXPECT_EQ(rows, 2) << report;
    std::istringstream genotypes(Block(report, "GENOTYPE"));
    int calls[2][2] = {{0, 0}, {0, 0}};  // per site, per sample
    while (std::getline(genotypes, row)) {
        std::istringstream fields(row);
        std::string position, readPosition, name, first, second;
        fields >> position >> readPosition >> name >> first >> second;
        for (int k = 0; k < 2; ++k) {
            if (position != sites[k].position) continue;
            char allele = name[0] == 'A' ? sites[k].sampleA : sites[k].sampleB;
            EXPECT_EQ(first + second, std::string(2, allele)) << row;
            ++calls[k][name[0] == 'A' ? 0 : 1];
        }
    }
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(sites[k].flanked);
        EXPECT_GE(sites[k].score, 70) << report;
        EXPECT_GE(calls[k][0], 1);
        EXPECT_GE(calls[k][1], 1);
    }
    // The scores, for the record.
    std::cout << "site scores: " << sites[0].score << " and " << sites[1].score << std::endl;
}

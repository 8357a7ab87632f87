// make_project DIR [--samples N] [--amplicons M] [--length L] [--reads R]
//                  [--seed S] [--tags T]
//
// Writes a synthetic project (DIR/edit_dir/project.ace, DIR/phd_dir,
// DIR/poly_dir) of M amplicons of L bases, each sequenced in N samples with
// R reads per sample (forward and complemented in turn), with the planted
// sites described in synthetic_project.h, and prints where they are. L is
// at least 500.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "synthetic_project.h"

static int Usage(char const* program) {
    std::fprintf(stderr,
                 "usage: %s DIR [--samples N] [--amplicons M] [--length L] [--reads R] [--seed S] [--tags T]\n",
                 program);
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return Usage(argv[0]);
    ProjectLayout layout;
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc) return Usage(argv[0]);
        char* end = nullptr;
        long value = std::strtol(argv[i + 1], &end, 10);
        if (*end != '\0' || value < 0) return Usage(argv[0]);
        if (std::strcmp(argv[i], "--samples") == 0 && value > 0)
            layout.samples = value;
        else if (std::strcmp(argv[i], "--amplicons") == 0 && value > 0)
            layout.amplicons = value;
        else if (std::strcmp(argv[i], "--length") == 0 && value >= 500)
            layout.length = value;
        else if (std::strcmp(argv[i], "--reads") == 0 && value > 0)
            layout.readsPerSample = value;
        else if (std::strcmp(argv[i], "--seed") == 0)
            layout.seed = static_cast<unsigned long>(value);
        else if (std::strcmp(argv[i], "--tags") == 0)
            layout.tags = value;
        else
            return Usage(argv[0]);
    }
    SyntheticProject project(layout);
    if (!project.Write(argv[1])) return 1;
    std::printf("%ld reads in %ld contigs; planted columns (0-based) of each contig:\n", project.ReadCount(),
                layout.amplicons);
    for (PlantedAmplicon const& a : project.Amplicons())
        std::printf("  %s: het SNP %ld %c/%c, SNP %ld %c/%c, repeat %ld-%ld, het deletion %ld, insertion after %ld\n",
                    a.contig.c_str(), a.hetSnp, a.hetReference, a.hetVariant, a.mixedSnp, a.mixedReference,
                    a.mixedVariant, a.repeatStart, a.repeatEnd, a.deletion, a.insertion);
    std::printf("group the reads by sample with -source 1 5\n");
    return 0;
}

// The tag rewrite of a PHD file: the input is the PHD file of both reads of
// a small assembly, each read with its own copy ("f" forward, "r"
// complemented). The ACE file is made from the input's base lines, with
// consensus tags that make a manual SNP site, a verified site and a manual
// indel, and an old tag of the detector's; each read's POLY file has a line
// at the peak of every base line, a secondary peak under every fourth.
// Each input is read, analysed, given sites by hand, updated twice and
// cleared (rewrite.h).
#include <cctype>
#include <string>
#include <vector>

#include "detector_project.h"
#include "harness.h"
#include "rewrite.h"

namespace {

ProjectBytes project;

std::string Poly(char const* name, std::string const& bases, std::vector<long> const& positions) {
    std::string poly = std::string(name) + " 1 1 1 1 1\n";
    std::string const letters = "ACGT";
    for (std::size_t i = 0; i < bases.size(); ++i) {
        std::string peak = std::to_string(positions[i]);
        std::string base(1, static_cast<char>(std::toupper(static_cast<unsigned char>(bases[i]))));
        std::string second = i % 4 == 3 ? letters[(i / 4) % 4] + (" " + peak + " 450")
                                        : std::string("N 0 0");
        poly += base + " " + peak + " 900 0 " + second + " 0 900 450 40 10\n";
    }
    return poly;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    CaptureConsole();
    StartRewrite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    std::string text(reinterpret_cast<char const*>(data), size);
    std::vector<long> positions;
    std::string bases = BaseLetters(text, &positions);
    std::string n = std::to_string(bases.size());
    project["edit_dir/a.ace"] = TwoReadAce(bases, "f.phd.1", "r.phd.1") +
                                "CT{\nC1 both consed 1 1 060102:101010\n}\n\n"
                                "CT{\nC1 indel consed " + n + " " + n + " 060102:101010\n}\n\n"
                                "CT{\nC1 polymorphism quorValix 1 1 060102:101010\nCOMMENT{\n97\nC}\n}\n";
    project["phd_dir/f.phd.1"] = text;
    project["phd_dir/r.phd.1"] = text;
    project["poly_dir/f.poly"] = Poly("f", bases, positions);
    project["poly_dir/r.poly"] = Poly("r", bases, positions);
    CheckRewrite(project, size);
    return 0;
}

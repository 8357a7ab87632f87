// The POLY reader: the input is the POLY file of both reads of a small
// assembly, one forward and one complemented (the second file is a link to
// the first). The reads' PHD file is made from the input: one base for each
// line after the header whose first word begins with A, C, G, T or N, at the
// position in its second word, so that lines join bases; other lines are
// peaks of no base. A read that the file leaves out must be named; a read
// kept holds a POLY value at every base.
#include <climits>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "contig.h"
#include "detector_project.h"
#include "harness.h"
#include "model_test.h"

namespace {

std::string ace;
std::string phdDirectory;
std::string polyDirectory;
ProjectFiles* files;

// The bases and the PHD file of the POLY text.
void MakeReads(std::string const& text, std::string& bases, std::string& phd) {
    phd = "BEGIN_SEQUENCE f\n\nBEGIN_DNA\n";
    std::size_t at = text.find('\n');  // after the header line
    while (at != std::string::npos && at + 1 < text.size() && bases.size() < 100000) {
        std::size_t start = at + 1;
        at = text.find('\n', start);
        std::string line = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
        std::size_t word = line.find_first_not_of(" \t\r\v\f");
        if (word == std::string::npos || std::string("ACGTN").find(line[word]) == std::string::npos) continue;
        std::size_t second = line.find_first_of(" \t\r\v\f", word);
        long position = second == std::string::npos ? 0 : std::strtol(line.c_str() + second, nullptr, 10);
        if (position < INT_MIN || position > INT_MAX) position = 0;
        bases += static_cast<char>(line[word] - 'A' + 'a');
        phd += std::string(1, line[word]) + " 20 " + std::to_string(position) + "\n";
    }
    if (bases.empty()) {
        bases = "n";
        phd += "N 0 0\n";
    }
    phd += "END_DNA\n\nEND_SEQUENCE\n";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzing(argc, argv);
    ace = FuzzFolder() + "edit.ace";
    phdDirectory = FuzzSubfolder("phd_dir");
    polyDirectory = FuzzSubfolder("poly_dir");
    if (::symlink("f.poly", (polyDirectory + "r.poly").c_str()) != 0) Finding("can not link r.poly");
    CaptureConsole();
    files = new ProjectFiles;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ClearConsole();
    std::string bases;
    std::string phd;
    MakeReads(std::string(reinterpret_cast<char const*>(data), size), bases, phd);
    WriteFuzzFile(ace, TwoReadAce(bases, "in.phd.1", "in.phd.1"));
    WriteFuzzFile(phdDirectory + "in.phd.1", phd);
    WriteFuzzFile(polyDirectory + "f.poly", data, size);
    Assembly model;
    files->Use(model, ace, phdDirectory, polyDirectory);
    if (Refused([] { files->ReadAceFile(); })) Finding("the assembly was refused");
    if (!Refused([] { files->ReadSequenceFiles(); })) {
        Contig& contig = *model.Get(0);
        for (long k = 0; k < contig.Length(); ++k) {
            Sequence const& read = *contig.Get(k);
            std::string name = read.GetName().String();
            bool named = ConsoleText().find("    POLY file " + polyDirectory + name + ".poly ") != std::string::npos;
            if (read.IsValid() == named) Finding("read " + name + (named ? " named but kept" : " left out unnamed"));
            for (long u = 1; read.IsValid() && u <= read.GetLength(); ++u)
                if (ModelInspector::Secondary(read, u) == 0) Finding("read " + name + " kept without a POLY value");
        }
    }
    ExpectEntries(FuzzFolder(), {"home", "edit.ace", "phd_dir", "poly_dir"});
    ExpectEntries(phdDirectory, {"in.phd.1"});
    ExpectEntries(polyDirectory, {"f.poly", "r.poly"});
    return 0;
}

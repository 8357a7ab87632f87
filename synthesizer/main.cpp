// The synthetic trace writer wendlaric: the records of a FASTA file become
// synthetic chromatograms with their PHD and POLY files. Exit status 0
// after -h, -v and a run that wrote every record; 1 after a bad command
// line, an unreadable FASTA file or one without a record, or a record that
// was refused or could not be written.
#include <iostream>

#include "fileio.h"
#include "str.h"
#include "writer.h"

namespace {

char const Usage[] =
    "\nwendlaric [filename] [arguments]\n\n"
    "  [filename]  is the file containing sequences in FASTA format.\n"
    "  [arguments] can be one or more of the following:\n"
    "     -q [number]  to set the quality value for the phd file\n"
    "     -r [string]  write a reference phd file; [string] is optional\n"
    "     -abi         write the chromat file in ABI format.\n\n"
    "wendlaric -h (or -help)     print this help message\n"
    "wendlaric -v (or -version)  print the version\n";

struct Options {
    Str quality{"59"};
    Str suffix;
    bool reference = false;
    bool abi = false;
};

// The words after the file name. False, after the message, for a bad one.
bool ParseOptions(int argc, char** argv, Options& options) {
    Str arguments(1024L);
    arguments.Append(' ');
    for (int i = 2; i < argc; ++i) arguments.AppendToken(argv[i]);
    Parser parser(arguments);
    Str word(128L);
    while (parser.GetToken(word)) {
        if (word == "-q") {
            parser.GetToken(word);  // empty when there is none
            if (!word.IsNumber()) {
                std::cerr << "\nERROR: invalid quality value " << word << "\n" << std::endl;
                return false;
            }
            // The leading integer part; a long holds every number that
            // could wrap into range as an int.
            long value = static_cast<long>(word);
            if (value < 0 || value > 59) {
                std::cerr << "\nERROR: quality value must be from 0 to 59.\n" << std::endl;
                return false;
            }
            options.quality = word;
        } else if (word == "-r") {
            options.reference = true;
            if (parser.GetToken(word)) {
                if (word.Get(0) == '-')
                    parser.SkipBack();  // the next option, not a suffix
                else
                    options.suffix = word;
            }
            if (options.suffix.Contains('/')) {
                std::cerr << "\nERROR: invalid reference suffix " << options.suffix << "\n" << std::endl;
                return false;
            }
            if (!options.suffix.HasContent()) options.suffix = ".REF";
        } else if (word == "-abi") {
            options.abi = true;
        } else {
            std::cerr << "\nERROR: invalid command line argument " << word << "\n" << std::endl;
            return false;
        }
    }
    return true;
}

// A record is written only under a plain file name, so that no file lands
// outside the output directories. `number` counts the records from 1.
bool WriteRecord(Writer& writer, Str& name, Str& sequence, long number) {
    if (name.Length() == 0) {
        std::cerr << "\nERROR: record " << number << " has no name - skipping it." << std::endl;
        return false;
    }
    if (name.Contains('/') || name == "." || name == "..") {
        std::cerr << "\nERROR: record " << number << " has the invalid name " << name << " - skipping it."
                  << std::endl;
        return false;
    }
    return writer.WriteFiles(name, sequence);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "\nERROR: no file name was specified.\n" << std::endl;
        return 1;
    }
    Str fileName(argv[1]);
    if (fileName == "-h" || fileName == "-help") {
        std::cerr << Usage << std::endl;
        return 0;
    }
    if (fileName == "-v" || fileName == "-version") {
        std::cerr << "\nwendlaric Version 3.2  (Build 2005.07.08)\n" << std::endl;
        return 0;
    }
    Options options;
    if (!ParseOptions(argc, argv, options)) return 1;
    Writer writer;
    writer.SetFiles(options.quality, options.suffix, options.reference, options.abi);

    FileReader reader;
    if (!reader.Open(fileName)) {
        std::cerr << "\nERROR: can not open file " << fileName << std::endl;
        return 1;
    }
    // A line whose first visible character is '>' starts a record named by
    // the word after it; every other line is sequence, taken whole. Lines
    // before the first header belong to the first record.
    Str line(1024L);
    Parser parser(line);
    Str name;
    Str sequence(1024L);
    long records = 0;
    bool failed = false;
    while (reader.GetTextLine(line)) {
        parser.Begin();
        parser.SkipSpaces();
        if (parser.Get() != '>') {
            sequence.Append(line);
            continue;
        }
        if (records > 0) {
            if (options.reference) break;  // only the first record
            failed |= !WriteRecord(writer, name, sequence, records);
            sequence.Clear();
        }
        parser.Next();
        parser.GetToken(name);
        ++records;
    }
    if (reader.HasFailed()) {
        // The record being read may be cut short: it is not written.
        std::cerr << "\nERROR: can not read file " << fileName << std::endl;
        reader.Close();
        std::cout << std::endl;
        return 1;
    }
    if (records == 0) {
        // Not one header line: an empty file, or one of another kind.
        std::cerr << "\nERROR: no record in file " << fileName << " (no line begins with '>')" << std::endl;
        reader.Close();
        std::cout << std::endl;
        return 1;
    }
    failed |= !WriteRecord(writer, name, sequence, records);
    reader.Close();
    std::cout << std::endl;
    return failed ? 1 : 0;
}

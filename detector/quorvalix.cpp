#include "quorvalix.h"

#include <iostream>
#include <string>

#include "commandline.h"
#include "fatalsignal.h"

char const* const Quorvalix::ContactLine =
    " Please report it to the quorvalix developers, with the command line and the project files used.";

namespace {

// One row of the option table: the long flag from column 1, its short form
// from column 12, the function from column 20 and the argument from column
// 48, each padded to the next; rows that show a value pad the argument to
// column 67.
std::ostream& Row(char const* flag, char const* shortFlag, char const* function, char const* argument,
                  bool value) {
    std::string row = " ";
    row += flag;
    row.resize(12, ' ');
    row += shortFlag;
    row.resize(20, ' ');
    row += function;
    row.resize(48, ' ');
    row += argument;
    if (value) row.resize(67, ' ');
    return std::cerr << "\n" << row;
}

char const* OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

Quorvalix::Quorvalix() {
    InstallSignalExit(ContactLine);
    SetStartUpDefaults(parameters);
}

void Quorvalix::SetStartUpDefaults(Parameters& parameters) {
    parameters.SetVersion("5.04");
    parameters.SetBuild("2006.02.07");
    parameters.SetAceDir("edit_dir/");
    parameters.SetPhdDir("phd_dir/");
    parameters.SetPolyDir("poly_dir/");
    parameters.SetOutFile("quorvalix.out");
    parameters.SetNavFile("quorvalix.nav");
    parameters.SetRefID(".REF");
    parameters.SetScoreLimit(70.0f);
    parameters.SetQualityLimit(25);
    parameters.SetWindow(20);
    parameters.SetSnpTag("genotype");
    parameters.SetFlanking(10);
}

void Quorvalix::Run(int argc, char** argv) {
    std::cerr << "\nQUORVALIX  Version " << parameters.GetVersion() << std::endl;
    files.Initialize(&assembly, &parameters);
    CommandLine line(argc, argv);
    if (line.Answers(parameters.GetBuild(), [this] { ShowHelp(); })) return;
    parameters.ParseFlags("COMMAND LINE ", line.GetWords());
    files.SetParameters();
    if (parameters.DoClearTags()) {
        files.ClearTags();
        return;
    }
    files.ReadAceFile();
    files.CheckOutputs();
    files.ReadSequenceFiles();
    assembly.Process(parameters);
    files.UpdateAceFile();
    files.UpdatePhdFiles();
    files.WriteNavFile();
    files.WriteOutFile();
}

void Quorvalix::ShowHelp() {
    Parameters const& p = parameters;
    std::cerr << " flag               function                    arguments          default"
              << "\n ---------------    ------------------------    ---------------    -------";
    Row("-ace", "(-a)", "set ace file", "ace file", false);
    Row("-blocks", "", "set/remove output blocks", "+/- block name", false);
    Row("-clear", "", "remove Quorvalix tags", "", false);
    Row("-dir", "(-d)", "set data directory", "directory", true) << p.GetWorkDirectory();
    Row("-flanking", "(-f)", "set site flanking length", "0 - 50", true) << p.GetFlanking();
    Row("-group", "(-g)", "select reads", "regular exp.", true);
    Row("-help", "(-h)", "print this information", "", false);
    Row("-indel", "(-i)", "mark indels", "* on/off", true) << OnOff(p.DoIndel());
    Row("-ms", "", "mark microsatellites", "* on/off", true) << OnOff(p.DoRepeats() != RepeatsOff);
    Row("-nav", "(-n)", "set navigation file", "* file/on/off", true) << p.GetNavFile();
    Row("-output", "(-o)", "set output file", "* file/on/off", true) << p.GetOutFile();
    Row("-quality", "(-q)", "set quality limit", "0 - 50", true) << p.GetQualityLimit();
    Row("-rank", "(-r)", "set rank limit", "* 1 - 6", true) << p.GetRankLimit();
    Row("-ref", "", "show reference positions", "* ref ID/on/off", true) << p.GetRefID();
    Row("-refcomp", "", "compare with reference", "* ref ID/on/off", true) << p.GetRefID();
    Row("-source", "(-s)", "set source ID positions", "posn1 posn2", false);
    Row("-score", "", "set score limit", "0 - 99", true) << p.GetScoreLimit();
    Row("-snp", "", "mark SNPs", "* het/hom/on/off", true) << p.GetSnpType();
    Row("-tag", "(-t)", "set tag type", "g / p / r", true) << p.GetSnpTag();
    Row("-update", "", "update ace and phd files", "* on/off", true) << OnOff(p.DoUpdate());
    Row("-verbosity", "(-v)", "set verbosity", "0 / 1 / 2", true) << p.GetVerbosity();
    Row("-version", "", "print Quorvalix version", "", false);
    Row("-window", "(-w)", "set window length", "5 - 50", true) << p.GetWindow();
    Row("-xml", "", "print output in XML", "* on/off", true) << OnOff(p.DoXmlFile());
    std::cerr << "\n\n * The argument is optional."
              << "\n" << CommandLine::Rule() << "\n" << std::endl;
}

// The detector's tag rewrite of a whole project, as the fuzz targets of the
// ACE and the PHD rewrite drive it: the project written to a fixed folder,
// read, analysed, given sites by hand, updated twice, cleared, and checked
// after every step.
#ifndef FUZZ_REWRITE_H
#define FUZZ_REWRITE_H

#include <cstddef>
#include <map>
#include <string>

// The files of a project by their path in the project folder:
// "edit_dir/a.ace" (the ACE file of every run), "phd_dir/NAME",
// "poly_dir/NAME".
using ProjectBytes = std::map<std::string, std::string>;

// Called by LLVMFuzzerInitialize after StartFuzzing: makes the project
// folder and the run components, one for each of a few command lines
// (the three tag settings, rank limits, indels and repeats on or off).
void StartRewrite();

// One input, on the component `variant` picks (any number):
//  - the project is written; a refusal of the read, the update or the
//    clearing leaves every file as it was and no temporary file;
//  - after an update the ACE file ends in exactly the tags of the sites,
//    every PHD file of a read holds its kept tags and then only the
//    detector's new tags, well formed and inside the read;
//  - reading the updated project gives the same reads, and a second update
//    writes the same bytes;
//  - clearing the updated project leaves what clearing the original leaves
//    (the ACE file may lack blank lines at its end), and clearing keeps
//    every line of the ACE file outside the detector's tags.
void CheckRewrite(ProjectBytes const& project, std::size_t variant);

#endif

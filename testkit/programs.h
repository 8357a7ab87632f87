// What the end-to-end tests use: the programs under test run as child
// processes, with temporary folders, whole files, big-endian bytes and the
// TIME lines of PHD files.
#ifndef TESTKIT_PROGRAMS_H
#define TESTKIT_PROGRAMS_H

#include <cstdint>
#include <string>
#include <vector>

#include "bytestring.h"
#include "childprocess.h"
#include "filetree.h"
#include "phdtime.h"
#include "tempdir.h"
#include "envvariable.h"

// Runs argv[0] (a path) in `cwd` with an environment of HOME (`cwd`), PWD,
// PATH and `env` (NAME=value entries, replacing those), standard input
// closed, both output streams captured; killed after `timeout` seconds
// when that is not 0 (ChildSetup::timeout).
RunResult RunProgram(std::vector<std::string> const& argv, std::string const& cwd,
                     std::vector<std::string> const& env = {}, double timeout = 0);
// The path of a program on $PATH, or empty.
std::string FindProgram(std::string const& name);

#endif

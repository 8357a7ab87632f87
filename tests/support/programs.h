// Helpers of the end-to-end tests: whole files, directories, running a
// program as a child process without a shell, big-endian integers in
// bytes, and the texts of PHD files.
#ifndef TESTS_SUPPORT_PROGRAMS_H
#define TESTS_SUPPORT_PROGRAMS_H

#include <cstdint>
#include <string>
#include <vector>

#include "tempdir.h"

void WriteFile(std::string const& path, std::string const& bytes);
std::string ReadFile(std::string const& path);
bool Exists(std::string const& path);
void MakeDir(std::string const& path);
std::vector<std::string> ListDir(std::string const& path);

struct RunResult {
    int status = -1;  // the exit status, or 128 + the signal
    int signal = 0;   // the signal that ended the program; 0 when it exited
    std::string out;
    std::string err;
};
// Runs argv[0] (a path) in `cwd` with an environment of HOME (`cwd`), PWD,
// PATH and `env` (NAME=value entries, replacing those), standard input
// closed.
RunResult RunProgram(std::vector<std::string> const& argv, std::string const& cwd,
                     std::vector<std::string> const& env = {});
// The path of a program on $PATH, or empty.
std::string FindProgram(std::string const& name);

// Big-endian integers in byte strings.
void Append16(std::string& bytes, uint32_t value);
void Append32(std::string& bytes, uint32_t value);
void Put16(std::string& bytes, std::size_t pos, uint32_t value);
void Put32(std::string& bytes, std::size_t pos, uint32_t value);
uint32_t Get16(std::string const& bytes, std::size_t pos);
uint32_t Get32(std::string const& bytes, std::size_t pos);

// A PHD file's text with the value of its TIME line replaced by "*".
std::string MaskTime(std::string const& phd);
// The value of a PHD file's TIME line.
std::string TimeOf(std::string const& phd);
// The standard library's date text, as "Thu Feb  7 09:05:07 2006".
bool IsDateText(std::string const& text);

#endif

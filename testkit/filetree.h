// Whole files and folders for the tests and the benchmarks: files written
// and read in one piece, folders made, listed and removed.
#ifndef TESTKIT_FILETREE_H
#define TESTKIT_FILETREE_H

#include <string>
#include <utility>
#include <vector>

// Replaces the file with the bytes; throws std::runtime_error when it
// cannot.
void WriteFile(std::string const& path, std::string const& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadFile(std::string const& path);
// Something (a file, a folder, a link, even a dangling one) has the name.
bool Exists(std::string const& path);
// The path reaches a file, its links followed.
bool Reaches(std::string const& path);
// Each link (first) still names what it named (second), as written.
bool LinksKept(std::vector<std::pair<std::string, std::string>> const& links);
// The hidden files (names that begin with '.') in these folders, each
// folder's path (ending in '/') before the name, a blank after each.
std::string HiddenFiles(std::vector<std::string> const& dirs);
// Makes one folder (mode 0755); throws std::runtime_error when it cannot.
void MakeDir(std::string const& path);
// The names in a folder in byte order, "." and ".." left out; empty when it
// cannot be listed.
std::vector<std::string> ListDir(std::string const& path);
// Removes a folder with everything in it; folders a test made unreadable
// are opened up first. Links are removed, never followed.
void RemoveTree(std::string const& path);

#endif

#include "tempdir.h"

#include <stdlib.h>

#include <stdexcept>
#include <vector>

#include "filetree.h"

TempDir::TempDir(std::string const& parent) {
    std::string pattern = parent + "/testkit.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder in " + parent);
    path = name.data();
}

TempDir::~TempDir() { RemoveTree(path); }

void TempDir::Write(std::string const& name, std::string const& bytes) const { WriteFile(File(name), bytes); }

std::string TempDir::Read(std::string const& name) const { return ReadFile(File(name)); }

std::string TempDir::ReadFile(std::string const& file) { return ::ReadFile(file); }

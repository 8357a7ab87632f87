// Helpers of the synthetic writer's tests: a project whose edit directory
// wendlaric runs in, and the chromatograms it should write, laid out here
// byte by byte from the formats.
#ifndef TESTS_SYNTHESIZER_SYNTHETIC_H
#define TESTS_SYNTHESIZER_SYNTHETIC_H

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "programs.h"

using Channels = std::array<std::vector<uint16_t>, 4>;  // A, C, G, T

// The ideal samples of `letters` (upper case): 12 per base and 12 more;
// each A, C, G or T peaks with 640 at 12 (i + 1) in its own channel.
Channels IdealChannels(std::string const& letters);
// The SCF version 2 file of those samples, and the ABIF file.
std::string ScfBytes(Channels const& channels);
std::string AbifBytes(Channels const& channels);

// A project with chromat_dir/, phd_dir/ and poly_dir/ beside edit_dir/,
// where the runs start.
class SyntheticProject : public ::testing::Test {
protected:
    SyntheticProject();
    // wendlaric run with `args` in `cwd` (default: the edit directory),
    // under `launcher` when one is given.
    RunResult Run(std::vector<std::string> args, std::string const& cwd = "",
                  std::vector<std::string> const& launcher = {}) const;
    std::string Edit(std::string const& name) const { return project + "/edit_dir/" + name; }
    std::string Chromat(std::string const& name) const { return project + "/chromat_dir/" + name; }
    std::string Phd(std::string const& name) const { return project + "/phd_dir/" + name + ".phd.1"; }
    std::string Poly(std::string const& name) const { return project + "/poly_dir/" + name + ".poly"; }
    // The console of a run that wrote the files of these records, as paths
    // relative to the edit directory.
    static std::string Written(std::vector<std::string> const& records, bool abi = false, bool poly = true);

    TempDir dir;
    std::string project;
};

#endif

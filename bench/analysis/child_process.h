// For the benchmarks: this program run again in a fresh process, so that
// each measurement has a process (and a peak memory) of its own, and the
// removal of a temporary project.
#ifndef BENCH_ANALYSIS_CHILD_PROCESS_H
#define BENCH_ANALYSIS_CHILD_PROCESS_H

#include <string>
#include <vector>

// Runs /proc/self/exe with the arguments (argv[0] first); true when it exits
// with status 0. Its standard output and its peak resident memory (KiB).
bool RunSelf(std::vector<std::string> const& arguments, std::string& output, long& peakKiB);

// Removes a directory and everything in it.
void RemoveTree(std::string const& dir);

#endif

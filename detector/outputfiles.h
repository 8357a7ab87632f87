// The report and the navigation file of a run, as the files they reach
// (links followed): written over a project file, either would destroy it,
// so every file the run reads or rewrites is compared with them before
// anything is written.
#ifndef DETECTOR_OUTPUTFILES_H
#define DETECTOR_OUTPUTFILES_H

#include <sys/types.h>

#include <vector>

#include "str.h"

class OutputFiles {
public:
    // An output the run will write, called `what` in the message ("the
    // report file "). Only a regular file that exists already can be a
    // project file: anything else is left out, so that a run whose outputs
    // are new asks nothing of the project files.
    void Add(char const* what, Str const& path);
    // No output can be a project file.
    bool IsEmpty() const { return outputs.empty(); }
    // Prints the clash and throws 1 when an output is the file at `path`,
    // called `what` ("the ACE file ").
    void Check(char const* what, Str const& path) const;

private:
    struct Output {
        char const* what;
        Str path;
        dev_t device;
        ino_t inode;
    };
    std::vector<Output> outputs;
};

#endif

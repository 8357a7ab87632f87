// The report and the navigation file of a run, as the files they reach
// (links followed): written over a project file, either would destroy it,
// so every file the run reads or rewrites is compared with them before
// anything is written; written over each other, one would be lost; and
// one that can not be made is found before the project is rewritten.
#ifndef DETECTOR_OUTPUTFILES_H
#define DETECTOR_OUTPUTFILES_H

#include <sys/types.h>

#include <vector>

#include "str.h"

class OutputFiles {
public:
    // An output the run will write, called `what` in the messages ("the
    // report file "): what is at its name is looked up once, here.
    void Add(char const* what, Str const& path);
    // Some output is a regular file there already: only such a one can be
    // a project file, so a run whose outputs are new asks nothing of the
    // project files.
    bool HasExisting() const;
    // Prints the clash and throws 1 when an output is the file at `path`,
    // called `what` ("the ACE file ").
    void Check(char const* what, Str const& path) const;
    // No two outputs are one file, there already or to be made: prints
    // both and throws 1.
    void CheckApart() const;
    // Every output can be opened for writing, as far as can be told
    // without making or changing a file: not a folder, a regular file that
    // may be written, or a new file in a folder that is there and may be
    // written. A device is taken as it is. Prints the output and throws 1.
    void CheckWritable() const;

private:
    enum class Kind {
        Existing,    // a regular file there already
        New,         // to be made in `directory`, as `name`
        Device,      // a device or a pipe: never compared, written as it is
        Unwritable,  // a folder, a socket, a chain of links opening refuses
    };
    struct Output {
        char const* what;
        Str path;
        Kind kind;
        Str directory;  // New: the folder of the file to be made
        Str name;       // New: its name there
        dev_t device;   // Existing: of the file; New: of its folder
        ino_t inode;
    };
    std::vector<Output> outputs;
};

#endif

// Where a program of the suite finds its settings file: the first of the
// working directory, the home directory and $QUORVALIX_PATH followed
// directly by the file's name (no '/' put between) where it opens.
#ifndef SUPPORT_SETTINGSFILE_H
#define SUPPORT_SETTINGSFILE_H

#include "filereader.h"
#include "str.h"

class SettingsFile {
public:
    enum Result {
        Opened,         // `path` names the file open in the reader
        NotFound,       // none of the three; QUORVALIX_PATH is not set
        PathNotOpened,  // QUORVALIX_PATH is set and `path`, its name, did not open
    };

    // Opens the settings file `name` (".quorvalixrc", ".trelvikrc") for
    // `reader`; `currentDirectory` ends in '/'.
    static Result Open(FileReader& reader, Str const& currentDirectory, char const* name, Str& path);
};

#endif

// Where a program of the suite finds its settings file: the first of the
// working directory, the home directory and $QUORVALIX_PATH followed
// directly by the file's name (no '/' put between) where it is there.
#ifndef SUPPORT_SETTINGSFILE_H
#define SUPPORT_SETTINGSFILE_H

#include "filereader.h"
#include "str.h"

class SettingsFile {
public:
    enum Result {
        Opened,        // `path` names the file open in the reader
        NotFound,      // none of the three; QUORVALIX_PATH is not set
        PathNotFound,  // QUORVALIX_PATH is set and `path`, its name, names no file
    };

    // Opens the settings file `name` (".quorvalixrc", ".trelvikrc") for
    // `reader`; `currentDirectory` ends in '/'. Only a name that is not
    // there (not even as a link) sends the search on: a file that is there
    // but cannot be opened, or is no regular file (a pipe, a device, a
    // directory), ends the run with the reason (FatalError), since the
    // user's settings passed over would change the run.
    static Result Open(FileReader& reader, Str const& currentDirectory, char const* name, Str& path);
    // Closes the file once its lines are read; a read that failed ends the
    // run (FatalError): what was read is not the whole file.
    static void Close(FileReader& reader, Str const& path);
};

#endif

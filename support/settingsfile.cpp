#include "settingsfile.h"

#include <cstdlib>

#include "directory.h"

SettingsFile::Result SettingsFile::Open(FileReader& reader, Str const& currentDirectory, char const* name,
                                        Str& path) {
    path = currentDirectory;
    path.Append(name);
    if (reader.Open(path)) return Opened;
    // Without a home directory this would be the working directory again.
    Str home = Directory::GetHomeDirectory();
    if (home.Length() > 0) {
        path = home;
        path.Append(name);
        if (reader.Open(path)) return Opened;
    }
    char const* variable = std::getenv("QUORVALIX_PATH");
    if (!variable) {
        path.Clear();
        return NotFound;
    }
    path = variable;
    path.Append(name);
    return reader.Open(path) ? Opened : PathNotOpened;
}

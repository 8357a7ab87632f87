#include "settingsfile.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "directory.h"
#include "fatalerror.h"

namespace {

[[noreturn]] void Unreadable(Str const& path, int error) {
    FatalError("ERROR: can not read the settings file ", path, ": ", std::strerror(error));
}

// Opens `path` when it is there; false when it is not.
bool OpenIfThere(FileReader& reader, Str const& path) {
    switch (reader.OpenRegular(path)) {
    case FileReader::Opened: return true;
    case FileReader::NotRegular: FatalError("ERROR: the settings file ", path, " is not a regular file");
    case FileReader::NotOpened: break;
    }
    int error = reader.GetError();
    struct stat status;
    // A link that names no file is there all the same.
    bool there = !(error == ENOENT || error == ENOTDIR) || ::lstat(path.String(), &status) == 0;
    if (there) Unreadable(path, error);
    return false;
}

}  // namespace

SettingsFile::Result SettingsFile::Open(FileReader& reader, Str const& currentDirectory, char const* name,
                                        Str& path) {
    path = currentDirectory;
    path.Append(name);
    if (OpenIfThere(reader, path)) return Opened;
    // Without a home directory this would be the working directory again.
    Str home = Directory::GetHomeDirectory();
    if (home.Length() > 0) {
        path = home;
        path.Append(name);
        if (OpenIfThere(reader, path)) return Opened;
    }
    char const* variable = std::getenv("QUORVALIX_PATH");
    if (!variable) {
        path.Clear();
        return NotFound;
    }
    path = variable;
    path.Append(name);
    return OpenIfThere(reader, path) ? Opened : PathNotFound;
}

void SettingsFile::Close(FileReader& reader, Str const& path) {
    reader.Close();
    if (reader.HasFailed()) Unreadable(path, reader.GetError());
}

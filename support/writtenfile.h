// The file that writing to a path reaches: its symbolic links followed as
// opening it follows them, so that an output cut short is removed itself,
// not the link that names it.
#ifndef SUPPORT_WRITTENFILE_H
#define SUPPORT_WRITTENFILE_H

#include <sys/stat.h>

#include "str.h"

// What opening a path for writing reaches.
enum class WrittenFile {
    Regular,     // an existing regular file
    New,         // nothing yet (a link to a file not yet there included): a new file
    NotRegular,  // a device, a directory, a FIFO, or more links than opening follows
    Unknown,     // a status query failed for another reason than "no such file"; errno tells why
};

// Follows the links of `path`; `file` receives the path of the file reached
// (`path` itself when it is no link), or, for Unknown, the path whose query
// failed. A relative link target is taken from the link's own directory.
// `status`, when given, receives the status of what stands at `file` for
// Regular and NotRegular (of the last link when there are too many).
WrittenFile FindWrittenFile(Str const& path, Str& file, struct stat* status = nullptr);

#endif

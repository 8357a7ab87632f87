// The file that writing to a path reaches: its symbolic links followed as
// opening it follows them, so that an output cut short is removed itself,
// not the link that names it.
#ifndef SUPPORT_WRITTENFILE_H
#define SUPPORT_WRITTENFILE_H

#include <sys/stat.h>

#include "str.h"

// True when opening `path` for writing writes a regular file or makes a new
// one (a link to a file not yet there included); `file` then receives that
// file's path, `path` itself when it is no link. A relative link target is
// taken from the link's own directory. False for a device, a directory or
// a chain of more links than opening follows.
bool FindWrittenFile(Str const& path, Str& file);
// The same, telling also what was found at `file`: `error` 0 and its
// status when it is there (a device or a directory too), else the reason
// it was not found (ENOENT: a file to be made; ELOOP: too many links).
bool FindWrittenFile(Str const& path, Str& file, struct stat& status, int& error);

#endif

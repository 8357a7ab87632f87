#ifndef SUPPORT_DIRECTORY_H
#define SUPPORT_DIRECTORY_H

#include "str.h"
#include "strlist.h"

// Directory listing into sorted name lists, and directory checks.
class Directory {
public:
    Directory() {}
    ~Directory();
    Directory(Directory const&) = delete;
    Directory& operator=(Directory const&) = delete;

    // Lists the directory: subdirectories and other entries, each sorted by
    // byte order. Names starting with '.' are skipped unless `all`. An
    // entry that cannot be probed (a subdirectory without access, a
    // symbolic link that reaches no file) is in neither list, but for the
    // links with `brokenLinks`, which lists them as files. False when it
    // cannot be listed whole (it cannot be opened or read, or the process
    // is out of descriptors or memory for an entry's probe); the lists are
    // then left as they were, and GetOpenError tells why.
    bool Open(Str const& path, bool all, bool brokenLinks = false);
    bool Open(char const* path, bool all, bool brokenLinks = false);
    // The system's text for the last failed Open.
    char const* GetOpenError() const;
    // Result codes of Check, as GetError gives them.
    enum CheckError { Usable = 0, NotADirectory = 1, NotReadable = 2, NotWritable = 3 };
    // True when the path is a directory (links followed) that may be
    // entered, and read and written as asked; GetError then tells which
    // test failed.
    bool Check(Str const& path, bool read, bool write);
    bool Check(char const* path, bool read, bool write);
    long GetError() const { return checkError; }
    // The programs' message for the last failed check, to be followed by
    // the path: "ERROR: can not access directory ", "... read from ...",
    // "... write to ...".
    char const* GetErrorText() const;
    static Str GetHomeDirectory();     // $HOME with a trailing '/'
    static Str GetCurrentDirectory();  // $PWD when it is the working directory, else getcwd()
    void BeginFiles() { files.Begin(); }
    bool GetNextFile(Str& name);
    void GetFileList(StrList& list);

private:
    StrList dirs;
    StrList files;
    long checkError = 0;
    int openError = 0;  // errno of the last failed Open
};

#endif

// A temporary folder removed with everything in it afterwards, and the text
// a call throws.
#ifndef TESTKIT_TEMPDIR_H
#define TESTKIT_TEMPDIR_H

// Tests written against this header use these without including them.
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TempDir {
public:
    // A new folder in `parent`; throws std::runtime_error when none can be
    // made.
    explicit TempDir(std::string const& parent = "/tmp");
    // Removes the folder, opening up first any folder a test made
    // unreadable.
    ~TempDir();
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::string const& Path() const { return path; }
    std::string File(std::string const& name) const { return path + "/" + name; }
    std::string operator/(std::string const& name) const { return File(name); }

    // Whole files in the folder (WriteFile and ReadFile of filetree.h).
    void Write(std::string const& name, std::string const& bytes) const;
    std::string Read(std::string const& name) const;
    static std::string ReadFile(std::string const& file);

private:
    std::string path;
};

// The message text a call throws, or "(nothing thrown)".
template <class Call>
std::string ThrownText(Call call) {
    try {
        call();
    } catch (char const* text) {
        return text;
    }
    return "(nothing thrown)";
}

#endif

// Helpers of the tests: a temporary directory removed with its
// contents afterwards, whole-file reads and writes, and the text a call
// throws.
#ifndef TESTS_SUPPORT_TEMPDIR_H
#define TESTS_SUPPORT_TEMPDIR_H

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
    TempDir() {
        char name[] = "/tmp/support_test.XXXXXX";
        if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
        path = name;
    }
    ~TempDir() {
        // Directories a test made unreadable are opened up first, then the
        // tree is removed from the leaves up.
        nftw(path.c_str(), OpenUp, 16, FTW_PHYS);
        nftw(path.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
    }
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::string const& Path() const { return path; }
    std::string File(std::string const& name) const { return path + "/" + name; }
    std::string operator/(std::string const& name) const { return File(name); }

    void Write(std::string const& name, std::string const& bytes) const {
        std::ofstream out(File(name), std::ios::binary);
        out << bytes;
    }
    std::string Read(std::string const& name) const { return ReadFile(File(name)); }

    static std::string ReadFile(std::string const& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    static int OpenUp(char const* file, struct stat const* status, int type, struct FTW*) {
        if (type == FTW_D || type == FTW_DNR) chmod(file, status->st_mode | S_IRWXU);
        return 0;
    }
    static int RemoveOne(char const* file, struct stat const*, int, struct FTW*) {
        std::remove(file);
        return 0;
    }

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

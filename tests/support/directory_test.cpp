#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "childprocess.h"
#include "directory.h"
#include "envvariable.h"
#include "tempdir.h"

using Texts = std::vector<std::string>;

static Texts Names(StrList& list) {
    Texts names;
    list.Begin();
    while (Str* name = list.GetNext()) names.push_back(name->String());
    return names;
}

static Texts FileNames(Directory& directory) {
    StrList list;
    directory.GetFileList(list);
    Texts names = Names(list);
    list.Clear();
    return names;
}

class DirectoryTest : public testing::Test {
protected:
    void SetUp() override {
        chmod(dir.Path().c_str(), 0755);
        dir.Write("b.txt", "b");
        dir.Write("a.txt", "a");
        dir.Write(".hidden", "");
        mkdir(dir.File("sub").c_str(), 0755);
        ASSERT_EQ(symlink("sub", dir.File("linkdir").c_str()), 0);
        ASSERT_EQ(symlink("a.txt", dir.File("linkfile").c_str()), 0);
        ASSERT_EQ(symlink("nowhere", dir.File("dangling").c_str()), 0);
    }

    TempDir dir;
    Directory directory;
};

TEST_F(DirectoryTest, ListsSortedDirectoriesAndFiles) {
    ASSERT_TRUE(directory.Open(dir.Path().c_str(), false));
    EXPECT_EQ(FileNames(directory), (Texts{"a.txt", "b.txt", "linkfile"}));
    directory.BeginFiles();
    Str name;
    Texts walked;
    while (directory.GetNextFile(name)) walked.push_back(name.String());
    EXPECT_EQ(walked, (Texts{"a.txt", "b.txt", "linkfile"}));
    name = "unchanged";
    EXPECT_FALSE(directory.GetNextFile(name));
    EXPECT_STREQ(name.String(), "unchanged");
}

TEST_F(DirectoryTest, AllNamesIncludeHiddenOnes) {
    ASSERT_TRUE(directory.Open(Str((dir.Path() + "/").c_str()), true));
    EXPECT_EQ(FileNames(directory), (Texts{".hidden", "a.txt", "b.txt", "linkfile"}));
}

// Asked for, links that reach no file (one that names nothing, links in a
// loop) are listed as files; a link to a directory stays a directory.
TEST_F(DirectoryTest, BrokenLinksAsFiles) {
    ASSERT_EQ(symlink("loop", dir.File("loop").c_str()), 0);
    ASSERT_TRUE(directory.Open(dir.Path().c_str(), false));
    EXPECT_EQ(FileNames(directory), (Texts{"a.txt", "b.txt", "linkfile"}));
    ASSERT_TRUE(directory.Open(dir.Path().c_str(), false, true));
    EXPECT_EQ(FileNames(directory), (Texts{"a.txt", "b.txt", "dangling", "linkfile", "loop"}));
}

TEST_F(DirectoryTest, FailedOpenKeepsThePreviousListing) {
    ASSERT_TRUE(directory.Open(dir.Path().c_str(), false));
    EXPECT_FALSE(directory.Open(dir.File("a.txt").c_str(), false));
    EXPECT_STREQ(directory.GetOpenError(), std::strerror(ENOTDIR));
    EXPECT_FALSE(directory.Open(dir.File("missing").c_str(), false));
    EXPECT_STREQ(directory.GetOpenError(), std::strerror(ENOENT));
    EXPECT_EQ(FileNames(directory), (Texts{"a.txt", "b.txt", "linkfile"}));
}

// Out of descriptors, a directory cannot be listed, nor whole when only its
// entries' probes fail: either is a failed listing, never a shorter one.
TEST_F(DirectoryTest, OutOfDescriptorsIsAFailedListing) {
    std::string path = dir.Path();
    int code = RunInChild([&] {
        Directory listing;
        // Every descriptor but one taken: opendir gets the last one, the
        // first probe none.
        int last = -1;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) last = fd;
        if (last < 0) return 1;
        if (listing.Open(path.c_str(), false)) return 2;
        if (std::strcmp(listing.GetOpenError(), std::strerror(EMFILE)) != 0) return 3;
        ::close(last);
        if (listing.Open(path.c_str(), false)) return 4;  // the subdirectory's probe
        if (std::strcmp(listing.GetOpenError(), std::strerror(EMFILE)) != 0) return 5;
        ::close(last - 1);
        return listing.Open(path.c_str(), false) && FileNames(listing) == Texts{"a.txt", "b.txt", "linkfile"} ? 0
                                                                                                           : 6;
    }).status;
    EXPECT_EQ(code, 0);
}

TEST_F(DirectoryTest, UnreadableEntries) {
    // A subdirectory that cannot be opened is in neither list; a file that
    // cannot be read is still a file.
    mkdir(dir.File("locked").c_str(), 0);
    dir.Write("secret", "s");
    chmod(dir.File("secret").c_str(), 0);
    std::string path = dir.Path();
    int code = RunUnprivileged([&] {
        Directory listing;
        if (!listing.Open(path.c_str(), false)) return 1;
        Texts files = FileNames(listing);
        return files == Texts{"a.txt", "b.txt", "linkfile", "secret"} ? 0 : 2;
    }).status;
    EXPECT_EQ(code, 0);
}

TEST_F(DirectoryTest, ManyEntriesInByteOrder) {
    TempDir many;
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) names.push_back("read" + std::to_string(i * 7919 % 10007) + ".phd.1");
    std::shuffle(names.begin(), names.end(), std::mt19937(5));
    for (std::string const& name : names) close(open(many.File(name).c_str(), O_CREAT | O_WRONLY, 0644));
    ASSERT_TRUE(directory.Open(many.Path().c_str(), false));
    Texts listed = FileNames(directory);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(listed, names);
}

TEST_F(DirectoryTest, CheckCodes) {
    EXPECT_TRUE(directory.Check(dir.Path().c_str(), true, true));
    EXPECT_EQ(directory.GetError(), 0);
    EXPECT_TRUE(directory.Check(Str(dir.File("linkdir").c_str()), true, true));  // a linked folder
    EXPECT_EQ(directory.GetError(), 0);
    EXPECT_FALSE(directory.Check(dir.File("a.txt").c_str(), false, false));
    EXPECT_EQ(directory.GetError(), 1);
    EXPECT_FALSE(directory.Check(dir.File("linkfile").c_str(), false, false));
    EXPECT_EQ(directory.GetError(), 1);
    EXPECT_FALSE(directory.Check(dir.File("missing").c_str(), true, false));
    EXPECT_EQ(directory.GetError(), 1);
    EXPECT_FALSE(directory.Check(dir.File("dangling").c_str(), false, false));
    EXPECT_EQ(directory.GetError(), 1);
}

TEST_F(DirectoryTest, CheckCodesForPermissions) {
    // The directories belong to the user who checks them.
    chmod(dir.Path().c_str(), 0777);
    std::string path = dir.Path();
    int made = 0;
    auto code = [&](mode_t mode, bool read, bool write) {
        std::string name = path + "/made" + std::to_string(made++);
        return RunUnprivileged([&] {
            if (mkdir(name.c_str(), 0700) != 0 || chmod(name.c_str(), mode) != 0) return 8;
            Directory check;
            bool usable = check.Check(name.c_str(), read, write);
            return usable == (check.GetError() == 0) ? static_cast<int>(check.GetError()) : 9;
        }).status;
    };
    EXPECT_EQ(code(0555, true, true), 3);
    EXPECT_EQ(code(0555, true, false), 0);
    EXPECT_EQ(code(0333, true, true), 2);
    EXPECT_EQ(code(0333, false, true), 0);
    EXPECT_EQ(code(0300, false, false), 0);
    EXPECT_EQ(code(0755, true, true), 0);
}

TEST(DirectoryEnvironment, HomeDirectoryEndsInASlash) {
    EnvironmentVariable home("HOME");
    struct {
        char const* value;
        char const* directory;
    } const cases[] = {{"/home/u", "/home/u/"}, {"/home/u/", "/home/u/"}, {"/", "/"}, {"", ""}};
    for (auto const& c : cases) {
        home.Set(c.value);
        EXPECT_STREQ(Directory::GetHomeDirectory().String(), c.directory) << c.value;
    }
    home.Unset();
    EXPECT_STREQ(Directory::GetHomeDirectory().String(), "");
}

TEST(DirectoryEnvironment, CurrentDirectoryTrustsPwdOnlyWhenItIsTrue) {
    TempDir place;
    TempDir other;
    ASSERT_EQ(symlink(place.Path().c_str(), other.File("alias").c_str()), 0);
    EnvironmentVariable pwd("PWD");
    std::vector<char> saved(4096);
    ASSERT_NE(getcwd(saved.data(), saved.size()), nullptr);
    ASSERT_EQ(chdir(place.Path().c_str()), 0);
    std::vector<char> real(4096);
    ASSERT_NE(getcwd(real.data(), real.size()), nullptr);
    std::string const actual = std::string(real.data()) + "/";

    pwd.Set(place.Path());
    EXPECT_EQ(std::string(Directory::GetCurrentDirectory().String()), place.Path() + "/");
    pwd.Set(other.File("alias"));  // a link to the same place: the user's name for it
    EXPECT_EQ(std::string(Directory::GetCurrentDirectory().String()), other.File("alias") + "/");
    pwd.Set(other.Path());  // stale
    EXPECT_EQ(std::string(Directory::GetCurrentDirectory().String()), actual);
    pwd.Set("/no/such/place");
    EXPECT_EQ(std::string(Directory::GetCurrentDirectory().String()), actual);
    pwd.Unset();
    EXPECT_EQ(std::string(Directory::GetCurrentDirectory().String()), actual);

    ASSERT_EQ(chdir(saved.data()), 0);
}

// The file that writing to a path reaches, its links followed: which paths
// name a file that may be removed, and which file that is.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <string>

#include "tempdir.h"
#include "writtenfile.h"

namespace {

void Link(std::string const& target, std::string const& link) { ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0); }

// `links` links in `dir`, each naming the one made before it, the first
// naming "file"; the last is "link<links>".
void Chain(TempDir const& dir, int links) {
    std::string previous = "file";
    for (int k = 1; k <= links; ++k) {
        std::string name = "link" + std::to_string(k);
        Link(previous, dir / name);
        previous = name;
    }
}

}  // namespace

TEST(WrittenFileTest, LinksFollowedToTheFileTheyName) {
    struct Case {
        char const* what;
        std::function<void(TempDir const&)> make;
        std::string path;  // in the directory
        WrittenFile found;
        std::string file;  // in the directory
    } const cases[] = {
        {"a regular file", [](TempDir const& d) { d.Write("out", "old"); }, "out", WrittenFile::Regular, "out"},
        {"no file yet", [](TempDir const&) {}, "out", WrittenFile::New, "out"},
        {"a link to a file beside it",
         [](TempDir const& d) {
             d.Write("report.txt", "old");
             Link("report.txt", d / "out");
         },
         "out", WrittenFile::Regular, "report.txt"},
        {"a link to a file not yet made", [](TempDir const& d) { Link("report.txt", d / "out"); }, "out",
         WrittenFile::New, "report.txt"},
        {"each target taken from its link's directory",
         [](TempDir const& d) {
             ::mkdir((d / "a").c_str(), 0755);
             ::mkdir((d / "b").c_str(), 0755);
             Link("../b/hop", d / "a/out");
             Link("report.txt", d / "b/hop");
         },
         "a/out", WrittenFile::New, "a/../b/report.txt"},
        {"an absolute target", [](TempDir const& d) { Link(d / "elsewhere", d / "out"); }, "out", WrittenFile::New,
         "elsewhere"},
        {"a link to a device", [](TempDir const& d) { Link("/dev/null", d / "out"); }, "out",
         WrittenFile::NotRegular, ""},
        {"a link to a directory", [](TempDir const& d) { Link(".", d / "out"); }, "out", WrittenFile::NotRegular, ""},
        {"a directory", [](TempDir const& d) { ::mkdir((d / "out").c_str(), 0755); }, "out",
         WrittenFile::NotRegular, ""},
        {"links in a loop",
         [](TempDir const& d) {
             Link("back", d / "out");
             Link("out", d / "back");
         },
         "out", WrittenFile::NotRegular, ""},
        {"as many links as opening follows", [](TempDir const& d) { Chain(d, 40); }, "link40", WrittenFile::New,
         "file"},
        {"one link more, which opening refuses", [](TempDir const& d) { Chain(d, 41); }, "link41",
         WrittenFile::NotRegular, ""},
        // A status query that fails for another reason leaves the file
        // unknown; `file` is the path whose query failed.
        {"a path through a file", [](TempDir const& d) { d.Write("file", "old"); }, "file/out", WrittenFile::Unknown,
         "file/out"},
        {"a link into a path through a file",
         [](TempDir const& d) {
             d.Write("file", "old");
             Link("file/out", d / "out");
         },
         "out", WrittenFile::Unknown, "file/out"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.make(dir);
        Str file;
        struct stat status;
        errno = 0;
        EXPECT_EQ(FindWrittenFile(Str((dir / c.path).c_str()), file, &status), c.found);
        if (c.found == WrittenFile::Unknown) {
            EXPECT_EQ(errno, ENOTDIR);
        }
        if (c.found != WrittenFile::NotRegular) {
            EXPECT_EQ(std::string(file.String()), dir / c.file);
        }
        // A regular file's status, with its permission bits.
        if (c.found == WrittenFile::Regular) {
            ASSERT_EQ(::chmod((dir / c.file).c_str(), 0640), 0);
            EXPECT_EQ(FindWrittenFile(Str((dir / c.path).c_str()), file, &status), WrittenFile::Regular);
            EXPECT_EQ(status.st_mode & 07777, 0640u);
        }
    }
}

// What stands at the end of the links when it is no regular file, for a
// caller that tells a device from a directory.
TEST(WrittenFileTest, TheStatusOfWhatIsNoRegularFile) {
    TempDir dir;
    Link("/dev/null", dir / "device");
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
    Str file;
    struct stat status;
    EXPECT_EQ(FindWrittenFile(Str((dir / "device").c_str()), file, &status), WrittenFile::NotRegular);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(FindWrittenFile(Str((dir / "folder").c_str()), file, &status), WrittenFile::NotRegular);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
}

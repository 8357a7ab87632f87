// The file that writing to a path reaches, its links followed: which paths
// name a file that may be removed, and which file that is.
#include <gtest/gtest.h>

#include <errno.h>

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
        bool found;
        std::string file;  // in the directory
        int error;         // why nothing is at `file`; 0: something is there
    } const cases[] = {
        {"a regular file", [](TempDir const& d) { d.Write("out", "old"); }, "out", true, "out", 0},
        {"no file yet", [](TempDir const&) {}, "out", true, "out", ENOENT},
        // Opening refuses it too, for its own reason.
        {"a path through a file", [](TempDir const& d) { d.Write("file", "old"); }, "file/out", true, "file/out",
         ENOTDIR},
        {"a link to a file beside it",
         [](TempDir const& d) {
             d.Write("report.txt", "old");
             Link("report.txt", d / "out");
         },
         "out", true, "report.txt", 0},
        {"a link to a file not yet made", [](TempDir const& d) { Link("report.txt", d / "out"); }, "out", true,
         "report.txt", ENOENT},
        {"each target taken from its link's directory",
         [](TempDir const& d) {
             ::mkdir((d / "a").c_str(), 0755);
             ::mkdir((d / "b").c_str(), 0755);
             Link("../b/hop", d / "a/out");
             Link("report.txt", d / "b/hop");
         },
         "a/out", true, "a/../b/report.txt", ENOENT},
        {"an absolute target", [](TempDir const& d) { Link(d / "elsewhere", d / "out"); }, "out", true, "elsewhere",
         ENOENT},
        {"a link to a device", [](TempDir const& d) { Link("/dev/null", d / "out"); }, "out", false, "", 0},
        {"a link to a directory", [](TempDir const& d) { Link(".", d / "out"); }, "out", false, "", 0},
        {"a directory", [](TempDir const& d) { ::mkdir((d / "out").c_str(), 0755); }, "out", false, "", 0},
        {"links in a loop",
         [](TempDir const& d) {
             Link("back", d / "out");
             Link("out", d / "back");
         },
         "out", false, "", ELOOP},
        {"as many links as opening follows", [](TempDir const& d) { Chain(d, 40); }, "link40", true, "file", ENOENT},
        {"one link more, which opening refuses", [](TempDir const& d) { Chain(d, 41); }, "link41", false, "", ELOOP},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.make(dir);
        Str file;
        struct stat status;
        int error = -1;
        EXPECT_EQ(FindWrittenFile(Str((dir / c.path).c_str()), file, status, error), c.found);
        EXPECT_EQ(error, c.error);
        if (c.found) {
            EXPECT_EQ(std::string(file.String()), dir / c.file);
        }
        Str plain;
        EXPECT_EQ(FindWrittenFile(Str((dir / c.path).c_str()), plain), c.found);
    }
}

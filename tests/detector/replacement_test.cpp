// Replacements of files beside one another and interrupted by a signal:
// temporary names that never collide, and a signal that leaves the file as
// it was and no temporary file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tempdir.h"
#include "programs.h"
#include "replacement.h"

// Two replacements under one temporary name at once, in one directory:
// the second takes the next number, and each puts its own bytes in place.
TEST(ReplacementTest, SameNameAtOnceTakesTheNextNumber) {
    TempDir dir;
    dir.Write("a", "old a");
    dir.Write("b", "old b");
    FileWriter first(1024), second(1024);
    {
        Replacement a(first, Str((dir / "a").c_str()), ".t.");
        Replacement b(second, Str((dir / "b").c_str()), ".t.");
        EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{".t.0", ".t.1", "a", "b"}));
        first.Append("new a");
        second.Append("new b");
        b.Commit(Replacement::CheckTarget(Str((dir / "b").c_str())), false);
        a.Commit(Replacement::CheckTarget(Str((dir / "a").c_str())), false);
    }
    EXPECT_EQ(dir.Read("a"), "new a");
    EXPECT_EQ(dir.Read("b"), "new b");
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"a", "b"}));
}

// A signal while the new bytes are written: the process ends by it, the
// temporary file is gone and the file keeps its bytes.
TEST(ReplacementTest, SignalLeavesTheFileAsItWas) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        dir.Write("a", "old a");
        pid_t pid = ::fork();
        if (pid == 0) {
            FileWriter writer(1024);
            Replacement a(writer, Str((dir / "a").c_str()), ".t.");
            writer.Append("new a");
            writer.Sync();
            ::raise(signal);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(dir.Read("a"), "old a");
        EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"a"});
    }
}

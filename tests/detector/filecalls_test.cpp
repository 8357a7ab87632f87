// The system calls a run makes on the project's files, counted under
// strace: one status query for each file where it is opened to be read
// (only a regular file is read) and one where it is checked before a
// rewrite, the permission bits of a new version set on its open
// descriptor, and no access test where opening the file answers the
// question.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "project_test.h"
#include "replacement.h"

namespace {

std::string const example = std::string(QUORVALIX_SOURCE_DIR) + "/examples/project/";

struct Calls {
    std::map<std::string, int> statuses;  // stat, fstat and the like, by file
    std::vector<std::string> byPath;       // access and chmod tests of a file by its name
};

// The calls of one run on the files below `root` (strace -y names the file
// of every descriptor); directories are left out.
Calls Count(std::string const& log, std::string const& root) {
    Calls calls;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        std::size_t call = line.find_first_not_of(' ', line.find(' '));  // after the process id
        if (call == std::string::npos || line.find('(') == std::string::npos) continue;
        std::string name = line.substr(call, line.find('(') - call);
        std::size_t at = line.find(root);
        if (at == std::string::npos) continue;
        std::size_t stop = line.find_first_of("\">", at);
        std::string file = line.substr(at + root.size(), stop - at - root.size());
        if (file.empty() || file.back() == '/' || file.find('/') == std::string::npos) continue;
        if (name == "access" || name == "faccessat" || name == "faccessat2" || name == "chmod" || name == "fchmodat")
            calls.byPath.push_back(line);
        else if (name != "fchmod")
            ++calls.statuses[file];
    }
    return calls;
}

}  // namespace

TEST(FileCalls, FewStatusQueriesForEachFileOfARun) {
    std::string strace = FindProgram("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed";
    TestProject project;
    for (char const* dir : {"edit_dir/", "phd_dir/", "poly_dir/"})
        for (std::string const& name : ListDir(example + dir)) project.Write(dir + name, ReadFile(example + dir + name));
    std::string const log = project.Path("calls");
    // An analysis reads each file once; a run that rewrites the files
    // checks each one once more before the first is replaced; clearing
    // reads none of them before that check. A report or navigation file
    // that is there already may be a project file: each file is compared
    // with it once; a new one is compared with nothing. The report and the
    // navigation file are looked at by the comparison and by the guard
    // that removes them when the run is interrupted.
    struct {
        std::vector<std::string> flags;
        int reads;
        int checks;
        int compares;
        bool outputs;
    } const runs[] = {{{"-source", "1", "3", "-indel", "-nav", "-output"}, 1, 1, 0, true},
                      {{"-update", "off"}, 1, 0, 0, false},
                      {{"-clear"}, 0, 1, 0, false},
                      {{"-nav", "-output"}, 1, 1, 1, true}};
    for (auto const& r : runs) {
        SCOPED_TRACE(r.flags[0]);
        std::vector<std::string> argv = {strace, "-f", "-qq", "-y", "-o", log, "-e",
                                         "trace=stat,lstat,fstat,newfstatat,statx,access,faccessat,faccessat2,chmod,"
                                         "fchmod,fchmodat",
                                         QUORVALIX_PROGRAM};
        argv.insert(argv.end(), r.flags.begin(), r.flags.end());
        // The leak checker of a sanitizer build can not run under strace.
        RunResult run = RunProgram(argv, project.Root(), {"ASAN_OPTIONS=detect_leaks=0"});
        ASSERT_EQ(run.status, 0) << run.err;
        std::map<std::string, int> expected;
        for (std::string const& name : ListDir(example + "phd_dir"))
            expected["phd_dir/" + name] = r.reads + r.checks + r.compares;
        if (r.reads + r.compares > 0)
            for (std::string const& name : ListDir(example + "poly_dir"))
                expected["poly_dir/" + name] = r.reads + r.compares;
        expected["edit_dir/example.ace"] = r.reads + r.checks + r.compares;
        if (r.outputs) expected["edit_dir/quorvalix.out"] = expected["edit_dir/quorvalix.nav"] = 2;
        Calls calls = Count(ReadFile(log), project.Root());
        EXPECT_EQ(calls.statuses, expected);
        for (std::string const& line : calls.byPath) ADD_FAILURE() << line;
    }
}

// The check before a rewrite opens the file for writing: what it finds,
// and the permission bits it hands on, whatever the file is.
TEST(FileCalls, TheCheckBeforeARewriteTellsWhatTheFileIs) {
    TestProject project;
    project.Write("edit_dir/kept.ace", "AS 0 0\n");
    chmod(project.Path("edit_dir/kept.ace").c_str(), 0640);
    project.Write("edit_dir/readonly.ace", "AS 0 0\n");
    chmod(project.Path("edit_dir/readonly.ace").c_str(), 0444);
    mkfifo(project.Path("edit_dir/fifo").c_str(), 0644);  // no reader: opening it must not wait
    struct {
        std::string name;
        std::string message;  // empty: the check passes
        int mode;
    } const cases[] = {
        {"edit_dir/kept.ace", "", 0640},
        {"edit_dir/missing.ace", "ERROR: can not find the file ", 0},
        {"edit_dir/missing/x.ace", "ERROR: can not find the file ", 0},
        {"phd_dir", "ERROR: not a regular file: ", 0},
        {"edit_dir/fifo", "ERROR: not a regular file: ", 0},
        // Not writable for its owner; the superuser may write it all the same.
        {"edit_dir/readonly.ace", geteuid() == 0 ? "" : "ERROR: can not write to file ", 0444},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        int mode = -1;
        CallResult r = Capture([&] { mode = Replacement::CheckTarget(Str(project.Path(c.name).c_str())); });
        EXPECT_EQ(r.failed, !c.message.empty());
        EXPECT_EQ(r.messages, c.message.empty() ? "" : c.message + project.Path(c.name));
        if (c.message.empty()) {
            EXPECT_EQ(mode, c.mode);
        }
    }
}

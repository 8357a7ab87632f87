// The settings file, its search order and the project paths, run inside
// temporary project trees with HOME, PWD and QUORVALIX_PATH set by the tests.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "childprocess.h"
#include "envvariable.h"
#include "files.h"
#include "filetree.h"
#include "parameters.h"
#include "quorvalix.h"
#include "tempdir.h"

static std::string Text(Str const& x) { return std::string(x.String()); }

// Opens the component's state to the tests.
class SettingsFiles : public Files {
public:
    using Files::aceFile;
    using Files::columnIndelTags;
    using Files::columnTags;
    using Files::currentDirectory;
    using Files::dateFormat;
    using Files::doUpdate;
    using Files::editDirectory;
    using Files::indelHetTag;
    using Files::manualTags;
    using Files::navFile;
    using Files::outFile;
    using Files::phdDirectory;
    using Files::polyDirectory;
    using Files::rankThresholds;
    using Files::rcFile;
    using Files::runTime;
    using Files::snpTag;
    using Files::tempFile;
    using Files::verbosity;
    using Files::verifiedTags;
    using Files::workDirectory;
};

struct SettingsRunResult {
    bool failed;
    std::string message;
};

class SettingsProjectTest : public testing::Test {
protected:
    void SetUp() override {
        char* real = realpath(dir.Path().c_str(), nullptr);
        root = real;
        free(real);
        char* cwd = getcwd(nullptr, 0);
        startDirectory = cwd;
        free(cwd);
        home = root + "/home";
        MakeDirs(home);
        homeVariable.Set(home);
        pathVariable.Unset();
    }

    void TearDown() override { ASSERT_EQ(chdir(startDirectory.c_str()), 0); }

    // Makes the folder and those above it that are missing.
    static void MakeDirs(std::string const& path) { std::filesystem::create_directories(path); }
    // A project with the default layout and one ACE file.
    void MakeProject(std::string const& p) {
        MakeDirs(p + "/edit_dir");
        MakeDirs(p + "/phd_dir");
        MakeDirs(p + "/poly_dir");
        WriteFile(p + "/edit_dir/a.ace.1", "AS 0 0\n");
    }
    // Enters a directory as a shell does: the process and PWD move there.
    static void Enter(std::string const& path) {
        ASSERT_EQ(chdir(path.c_str()), 0);
        setenv("PWD", path.c_str(), 1);
    }

    // Settings file, command line and paths, in the order of a run.
    static SettingsRunResult Run(SettingsFiles& files, Parameters& p, char const* flags = "") {
        SettingsRunResult result{false, ""};
        testing::internal::CaptureStderr();
        try {
            files.Initialize(nullptr, &p);
            p.ParseFlags("COMMAND LINE ", flags);
            files.SetParameters();
        } catch (int code) {
            EXPECT_EQ(code, 1);
            result.failed = true;
        }
        result.message = testing::internal::GetCapturedStderr();
        return result;
    }

    std::string root;
    std::string home;

private:
    TempDir dir;
    EnvironmentVariable homeVariable{"HOME"};
    EnvironmentVariable pwdVariable{"PWD"};
    EnvironmentVariable pathVariable{"QUORVALIX_PATH"};
    std::string startDirectory;
};

// ---- settings file ----

TEST_F(SettingsProjectTest, SettingsFileAppliesEveryKey) {
    std::string p = root + "/p";
    MakeProject(p);
    MakeDirs(p + "/sub/myedit");
    MakeDirs(p + "/sub/phd");
    MakeDirs(p + "/poly");
    WriteFile(p + "/.quorvalixrc",
              "# project settings\n"
              "flag -dir sub -xml\n"
              "\n"
              "   \t\n"
              "acedir  myedit\n"
              "phddir phd\r\n"
              "polydir " + p + "/poly\n"
              "#navfile ignored\n"
              "outputfile report.txt\n"
              "navfile sites\n"
              "refID .REFX\n"
              "columntag snpA\n"
              "columntag snpB\n"
              "verifiedtag ver\n"
              "manualtag man\n"
              "columnindeltag ind\n"
              "indelhettag hetInd\n"
              "ranks 98 90\n"
              "date %Y/%M/%D\n"
              "flag -rank 2 -ace my.ace\r\n");
    WriteFile(p + "/sub/myedit/my.ace", "AS 0 0\n");
    Enter(p);
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    SettingsRunResult r = Run(files, params);
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(Text(files.rcFile), p + "/.quorvalixrc");
    EXPECT_EQ(Text(params.GetAceDir()), "myedit/");
    EXPECT_EQ(Text(params.GetPhdDir()), "phd/");
    EXPECT_EQ(Text(params.GetPolyDir()), p + "/poly/");
    EXPECT_EQ(Text(params.GetOutFile()), "report.txt");
    EXPECT_EQ(Text(params.GetNavFile()), "sites.nav");
    EXPECT_EQ(Text(params.GetRefID()), ".REFX");
    EXPECT_EQ(Text(files.columnTags), " snpA snpB ");
    EXPECT_EQ(Text(files.verifiedTags), " ver ");
    EXPECT_EQ(Text(files.manualTags), " man ");
    EXPECT_EQ(Text(files.columnIndelTags), " ind ");
    EXPECT_EQ(Text(files.indelHetTag), "hetInd");
    long const thresholds[5] = {98, 90, 90, 70, 50};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(files.rankThresholds[k], thresholds[k]) << k;
    EXPECT_EQ(Text(files.dateFormat), "%Y/%M/%D");
    // Flag lines act after every key, wherever they stand.
    EXPECT_EQ(Text(params.GetWorkDirectory()), "sub/");
    EXPECT_TRUE(params.DoXmlFile());
    EXPECT_EQ(params.GetRankLimit(), 2);
    EXPECT_EQ(Text(params.GetAceFile()), "my.ace");
    // The paths built from them; rank 2 takes its score limit from the table.
    EXPECT_EQ(Text(files.editDirectory), p + "/sub/myedit/");
    EXPECT_EQ(Text(files.phdDirectory), p + "/sub/phd/");
    EXPECT_EQ(Text(files.polyDirectory), p + "/poly/");
    EXPECT_EQ(Text(files.aceFile), p + "/sub/myedit/my.ace");
    EXPECT_EQ(Text(files.outFile), p + "/sub/myedit/report.txt");
    EXPECT_EQ(Text(files.navFile), p + "/sub/myedit/sites.nav");
    EXPECT_EQ(params.GetScoreLimit(), 90.0f);
}

TEST_F(SettingsProjectTest, SettingsFileFlagLinesPrecedeTheCommandLine) {
    std::string p = root + "/p";
    MakeProject(p);
    WriteFile(p + "/.quorvalixrc", "flag -nav from_flag -window 30\nnavfile from_key\nranks 1 2 3 4 5 6 7\n");
    Enter(p);
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    SettingsRunResult r = Run(files, params, " -window 40 ");
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(Text(params.GetNavFile()), "from_flag");
    EXPECT_EQ(Text(files.navFile), p + "/edit_dir/from_flag.nav");
    EXPECT_EQ(params.GetWindow(), 40);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(files.rankThresholds[k], k + 1);
}

TEST_F(SettingsProjectTest, SettingsFileBadLinesAreAllShown) {
    std::string p = root + "/p";
    MakeProject(p);
    std::string rc = p + "/.quorvalixrc";
    // Names and the indel tag type need a value; the other keys take an
    // empty one.
    WriteFile(rc,
              "Flag -xml\nacedir\nphddir other\nbogus  value \nphddir   \noutputfile\nnavfile \n"
              "indelhettag\nrefID\ndate\n");
    Enter(p);
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    SettingsRunResult r = Run(files, params);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.message,
              "Flag -xml\nacedir\nbogus  value \nphddir   \noutputfile\nnavfile \nindelhettag\n"
              "ERROR: invalid lines in .quorvalixrc file " + rc);
    EXPECT_EQ(Text(params.GetPhdDir()), "other/");  // good lines are still applied
    EXPECT_EQ(Text(params.GetRefID()), "");
    EXPECT_EQ(Text(params.GetOutFile()), "quorvalix.out");
    EXPECT_EQ(Text(files.indelHetTag), "heterozygoteIndel");
    EXPECT_EQ(Text(params.GetAceDir()), "edit_dir/");
    EXPECT_FALSE(params.DoXmlFile());
}

// Thresholds that no int holds make the line bad instead of wrapping.
TEST_F(SettingsProjectTest, SettingsFileRanksOutOfRange) {
    std::string p = root + "/p";
    MakeProject(p);
    Enter(p);
    std::string rc = p + "/.quorvalixrc";
    for (char const* line : {"ranks 3000000000 99999999999 -2147483649", "ranks 90 2147483648",
                             "ranks -2147483649", "ranks 1 2 3 4 99999999999999999999"}) {
        SCOPED_TRACE(line);
        WriteFile(rc, std::string(line) + "\n");
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params);
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.message, std::string(line) + "\nERROR: invalid lines in .quorvalixrc file " + rc);
    }
    WriteFile(rc, "ranks 2147483647 -2147483648\n");
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    ASSERT_FALSE(Run(files, params).failed);
    EXPECT_EQ(files.rankThresholds[0], 2147483647L);
    EXPECT_EQ(files.rankThresholds[1], -2147483648L);
    EXPECT_EQ(files.GetScore(0, true), 2);
}

TEST_F(SettingsProjectTest, SettingsFileBadFlagLine) {
    struct {
        char const* file;
        char const* message;
    } const cases[] = {
        {"flag -window 3\n",
         "ERROR in .quorvalixrc file: invalid parameter -window 3  Must be a number from 5 to 50.\n"},
        {"flag -help\n", "ERROR in .quorvalixrc file: invalid flag -help\n"},
        {"flag -xml\nflag -ace a.ace -Dir x\n", "ERROR in .quorvalixrc file: invalid flag -Dir\n"},
    };
    std::string p = root + "/p";
    MakeProject(p);
    Enter(p);
    for (auto const& c : cases) {
        SCOPED_TRACE(c.file);
        WriteFile(p + "/.quorvalixrc", c.file);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params);
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.message, c.message);
    }
}

TEST_F(SettingsProjectTest, SettingsFileSearchOrder) {
    std::string p = root + "/p";
    MakeProject(p);
    Enter(p);
    auto read = [](std::string* rcFile, std::string* date) {
        SettingsFiles files;
        Parameters params;
        testing::internal::CaptureStderr();
        bool failed = false;
        try {
            files.Initialize(nullptr, &params);
        } catch (int) {
            failed = true;
        }
        std::string message = testing::internal::GetCapturedStderr();
        *rcFile = Text(files.rcFile);
        *date = Text(files.dateFormat);
        return failed ? message : std::string("ok") + message;
    };
    std::string rcFile, date;

    // Nothing anywhere and no QUORVALIX_PATH: no settings file, no message.
    EXPECT_EQ(read(&rcFile, &date), "ok");
    EXPECT_EQ(rcFile, "");

    // QUORVALIX_PATH gets the name appended as it stands.
    std::string cfg = root + "/cfg";
    MakeDirs(cfg);
    WriteFile(cfg + "/.quorvalixrc", "date in_dir\n");
    WriteFile(cfg + ".quorvalixrc", "date beside_dir\n");
    setenv("QUORVALIX_PATH", (cfg + "/").c_str(), 1);
    EXPECT_EQ(read(&rcFile, &date), "ok");
    EXPECT_EQ(rcFile, cfg + "/.quorvalixrc");
    EXPECT_EQ(date, "in_dir");
    setenv("QUORVALIX_PATH", cfg.c_str(), 1);
    EXPECT_EQ(read(&rcFile, &date), "ok");
    EXPECT_EQ(rcFile, cfg + ".quorvalixrc");
    EXPECT_EQ(date, "beside_dir");
    setenv("QUORVALIX_PATH", (root + "/none/").c_str(), 1);
    EXPECT_EQ(read(&rcFile, &date), "ERROR: can not open the .quorvalixrc file " + root + "/none/.quorvalixrc");

    // The home directory comes before QUORVALIX_PATH.
    WriteFile(home + "/.quorvalixrc", "date home\n");
    EXPECT_EQ(read(&rcFile, &date), "ok");
    EXPECT_EQ(rcFile, home + "/.quorvalixrc");
    EXPECT_EQ(date, "home");

    // The working directory comes first; only one file is read.
    WriteFile(p + "/.quorvalixrc", "date here\n");
    EXPECT_EQ(read(&rcFile, &date), "ok");
    EXPECT_EQ(rcFile, p + "/.quorvalixrc");
    EXPECT_EQ(date, "here");

    // Without HOME the search goes on to QUORVALIX_PATH.
    unlink((p + "/.quorvalixrc").c_str());
    unsetenv("HOME");
    setenv("QUORVALIX_PATH", (cfg + "/").c_str(), 1);
    EXPECT_EQ(read(&rcFile, &date), "ok");
    EXPECT_EQ(date, "in_dir");
}

// ---- project paths ----

TEST_F(SettingsProjectTest, PathsFromTheProjectAndFromItsEditDirectory) {
    std::string p = root + "/p";
    MakeProject(p);
    for (std::string start : {p, p + "/edit_dir"}) {
        SCOPED_TRACE(start);
        Enter(start);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params, " -rank 3 -update off -tag p -v 2 ");
        ASSERT_FALSE(r.failed) << r.message;
        EXPECT_EQ(r.message, "");
        EXPECT_EQ(Text(files.currentDirectory), start + "/");
        EXPECT_EQ(Text(files.workDirectory), p + "/");
        EXPECT_EQ(Text(files.editDirectory), p + "/edit_dir/");
        EXPECT_EQ(Text(files.phdDirectory), p + "/phd_dir/");
        EXPECT_EQ(Text(files.polyDirectory), p + "/poly_dir/");
        EXPECT_EQ(Text(files.aceFile), p + "/edit_dir/a.ace.1");
        EXPECT_EQ(Text(params.GetAceFile()), "a.ace.1");
        EXPECT_EQ(Text(files.outFile), p + "/edit_dir/quorvalix.out");
        EXPECT_EQ(Text(files.navFile), p + "/edit_dir/quorvalix.nav");
        // Hidden, the run's moment, the process id; Replacement numbers the files.
        std::string stamp = Text(files.runTime.GetString("%y%M%D%h%m%s"));
        EXPECT_EQ(stamp.size(), 12u);
        EXPECT_EQ(Text(files.tempFile), p + "/edit_dir/.temp" + stamp + "." + std::to_string(::getpid()) + ".");
        EXPECT_EQ(params.GetScoreLimit(), 90.0f);
        EXPECT_FALSE(files.doUpdate);
        EXPECT_EQ(Text(files.snpTag), "polymorphism");
        EXPECT_EQ(files.verbosity, 2);
    }
}

TEST_F(SettingsProjectTest, CurrentDirectoryFromPwdOnlyWhenItIsTheRealOne) {
    std::string p = root + "/p";
    MakeProject(p);
    std::string link = root + "/link";
    ASSERT_EQ(symlink(p.c_str(), link.c_str()), 0);
    Enter(link);  // PWD keeps the name the user went through
    {
        SettingsFiles files;
        EXPECT_EQ(Text(files.currentDirectory), link + "/");
    }
    setenv("PWD", home.c_str(), 1);  // stale: names another directory
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    SettingsRunResult r = Run(files, params);
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(Text(files.currentDirectory), p + "/");
    EXPECT_EQ(Text(files.editDirectory), p + "/edit_dir/");
}

TEST_F(SettingsProjectTest, WorkDirectoryFromDir) {
    std::string p = root + "/p";
    MakeProject(p);
    std::string odd = root + "/myedit_dir";
    MakeProject(odd);
    MakeProject(root);
    struct {
        char const* flags;
        std::string work;
        std::string edit;
    } const cases[] = {
        {" -dir p ", p + "/", p + "/edit_dir/"},
        {" -dir p/edit_dir/ ", p + "/", p + "/edit_dir/"},
        // The edit directory's name is cut only as a whole path component.
        {" -dir myedit_dir ", odd + "/", odd + "/edit_dir/"},
        {" -dir edit_dir ", root + "/", root + "/edit_dir/"},
    };
    Enter(root);
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params, c.flags);
        ASSERT_FALSE(r.failed) << r.message;
        EXPECT_EQ(Text(files.workDirectory), c.work);
        EXPECT_EQ(Text(files.editDirectory), c.edit);
        EXPECT_EQ(Text(files.phdDirectory), c.work + "phd_dir/");
    }
    // An absolute -dir does not depend on where the run starts.
    Enter(home);
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    std::string flags = " -dir " + p + " ";
    SettingsRunResult r = Run(files, params, flags.c_str());
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(Text(files.workDirectory), p + "/");
    EXPECT_EQ(Text(files.aceFile), p + "/edit_dir/a.ace.1");
    EXPECT_EQ(Text(files.outFile), p + "/edit_dir/quorvalix.out");
}

TEST_F(SettingsProjectTest, AceDirectoryIsTheWorkDirectory) {
    std::string p = root + "/p";
    MakeProject(p);
    WriteFile(p + "/p.ace", "AS 0 0\n");
    WriteFile(p + "/edit_dir/.quorvalixrc", "acedir .\n");
    Enter(p + "/edit_dir");
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    SettingsRunResult r = Run(files, params, " -dir .. ");
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(Text(files.workDirectory), p + "/edit_dir/../");
    EXPECT_EQ(Text(files.editDirectory), p + "/edit_dir/../");
    EXPECT_EQ(Text(files.aceFile), p + "/edit_dir/../p.ace");
}

TEST_F(SettingsProjectTest, NewestAceFile) {
    struct {
        std::vector<char const*> names;
        char const* chosen;
    } const cases[] = {
        {{"a.ace.1", "a.ace.10", "a.ace.9"}, "a.ace.10"},
        {{"b.ace", "a.ace"}, "a.ace"},
        {{"a.ace.2", "b.ace.2.bak", "notes.txt", "c.acex"}, "a.ace.2"},
        {{"a.ace", "x.ace.3.wrk", "phd.1"}, "x.ace.3.wrk"},
        // Versions no long holds count as the greatest, never wrapped.
        {{"a.ace.9223372036854775807", "b.ace.99999999999999999999", "c.ace.18446744073709551617"},
         "a.ace.9223372036854775807"},
        {{"a.ace.5", "b.ace.18446744073709551617"}, "b.ace.18446744073709551617"},
    };
    std::string p = root + "/p";
    for (auto const& c : cases) {
        SCOPED_TRACE(c.chosen);
        std::filesystem::remove_all(p);
        MakeDirs(p + "/edit_dir");
        MakeDirs(p + "/phd_dir");
        MakeDirs(p + "/poly_dir");
        MakeDirs(p + "/edit_dir/z.ace.99");  // a directory is not a candidate
        for (char const* name : c.names) WriteFile(p + "/edit_dir/" + name, "AS 0 0\n");
        Enter(p);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params);
        ASSERT_FALSE(r.failed) << r.message;
        EXPECT_EQ(Text(params.GetAceFile()), c.chosen);
        EXPECT_EQ(Text(files.aceFile), p + "/edit_dir/" + c.chosen);
    }
    // A named file is taken as given, without a listing.
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    SettingsRunResult r = Run(files, params, " -ace other.ace ");
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(Text(files.aceFile), p + "/edit_dir/other.ace");
}

TEST_F(SettingsProjectTest, PathErrors) {
    std::string p = root + "/p";
    MakeProject(p);
    MakeDirs(p + "/results");
    MakeDirs(p + "/empty/edit_dir");
    MakeDirs(p + "/empty/phd_dir");
    MakeDirs(p + "/empty/poly_dir");
    MakeDirs(p + "/nophd/edit_dir");
    MakeDirs(p + "/nophd/poly_dir");
    struct {
        std::string flags;
        std::string message;
    } const cases[] = {
        {" -dir nothing ", "ERROR: can not access directory " + p + "/nothing/edit_dir/"},
        {" -dir nophd ", "ERROR: can not access directory " + p + "/nophd/phd_dir/"},
        {" -dir empty ", "ERROR: no ACE file was found in " + p + "/empty/edit_dir/"},
        {" -output results/ ", "ERROR: no output file specified in " + p + "/results/"},
        {" -o missing/out.txt ", "ERROR: can not access directory " + p + "/missing/"},
        {" -nav results/ ", "ERROR: no nav file specified in " + p + "/results/"},
        {" -nav -o " + root + "/gone/out ", "ERROR: can not access directory " + root + "/gone/"},
    };
    Enter(p);
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params, c.flags.c_str());
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.message, c.message);
    }
}

// The edit directory listed only in part (here: no descriptor is left for
// it) is no answer to which ACE file is the newest, nor a proof that there
// is none.
TEST_F(SettingsProjectTest, EditDirectoryThatCannotBeListed) {
    std::string p = root + "/p";
    MakeProject(p);
    Enter(p);
    RunResult r = RunInChild([] {
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        files.Initialize(nullptr, &params);
        params.ParseFlags("COMMAND LINE ", "");
        // The limit is given back before anything else runs: a sanitizer
        // build's checks need descriptors too.
        struct rlimit limit;
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
        struct rlimit none = {0, limit.rlim_max};
        if (setrlimit(RLIMIT_NOFILE, &none) != 0) return 2;
        int status = 0;
        try {
            files.SetParameters();
        } catch (int) {
            status = 1;
        }
        setrlimit(RLIMIT_NOFILE, &limit);
        return status;
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: can not list the directory " + p + "/edit_dir/: " + strerror(EMFILE));
}

TEST_F(SettingsProjectTest, ReportAndNavigationNames) {
    std::string p = root + "/p";
    MakeProject(p);
    MakeDirs(p + "/results");
    MakeDirs(p + "/sub");
    struct {
        std::string flags;
        std::string out;
        std::string nav;
    } const cases[] = {
        {" -output results/out.txt -nav x ", p + "/results/out.txt", p + "/edit_dir/x.nav"},
        {" -nav sub/x.nav -o off ", p + "/edit_dir/quorvalix.out", p + "/sub/x.nav"},
        {" -nav " + p + "/sub/y ", p + "/edit_dir/quorvalix.out", p + "/sub/y.nav"},
    };
    Enter(p);
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params, c.flags.c_str());
        ASSERT_FALSE(r.failed) << r.message;
        EXPECT_EQ(Text(files.outFile), c.out);
        EXPECT_EQ(Text(files.navFile), c.nav);
    }
    // A report name with a path is taken from the current directory, not
    // from the work directory.
    Enter(root);
    SettingsFiles files;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    MakeDirs(root + "/results");
    SettingsRunResult r = Run(files, params, " -dir p -output results/r.txt ");
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(Text(files.outFile), root + "/results/r.txt");
}

// A run of a command line in a child process that first gives up root's
// rights, so that directory permissions hold whoever runs the tests.
static RunResult RunWithoutRoot(char const* flags) {
    return RunUnprivileged([flags] {
        try {
            SettingsFiles files;
            Parameters params;
            Quorvalix::SetStartUpDefaults(params);
            files.Initialize(nullptr, &params);
            params.ParseFlags("COMMAND LINE ", flags);
            files.SetParameters();
        } catch (int) {
            return 1;
        }
        return 0;
    });
}

TEST_F(SettingsProjectTest, DirectoryPermissions) {
    std::string p = root + "/p";
    MakeProject(p);
    chmod(root.c_str(), 0755);
    chmod(p.c_str(), 0755);
    chmod((p + "/edit_dir").c_str(), 0777);
    MakeDirs(p + "/results");
    struct {
        mode_t phd;
        mode_t poly;
        mode_t results;
        char const* flags;
        std::string message;
    } const cases[] = {
        {0555, 0333, 0777, "", "ERROR: can not write to directory " + p + "/phd_dir/"},
        {0777, 0333, 0777, "", "ERROR: can not read from directory " + p + "/poly_dir/"},
        {0777, 0555, 0777, "", ""},  // read only is enough for POLY files
        {0000, 0555, 0777, "", "ERROR: can not read from directory " + p + "/phd_dir/"},
        // A report or navigation directory is only written to.
        {0777, 0555, 0333, " -o results/r.txt -nav results/n ", ""},
        {0777, 0555, 0555, " -nav results/n ", "ERROR: can not write to directory " + p + "/results/"},
    };
    Enter(p);
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags + c.message);
        chmod((p + "/phd_dir").c_str(), c.phd);
        chmod((p + "/poly_dir").c_str(), c.poly);
        chmod((p + "/results").c_str(), c.results);
        RunResult r = RunWithoutRoot(c.flags);
        if (r.status == ChildProcess::CannotDropRoot) GTEST_SKIP() << "could not run as an unprivileged user";
        EXPECT_EQ(r.status != 0, !c.message.empty());
        EXPECT_EQ(r.err, c.message);
    }
}

TEST_F(SettingsProjectTest, RanksAndScores) {
    std::string p = root + "/p";
    MakeProject(p);
    Enter(p);
    struct {
        char const* flags;
        float scoreLimit;
    } const limits[] = {
        {" -rank ", 70.0f}, {" -rank 1 ", 99.0f}, {" -rank 5 ", 50.0f}, {" -rank 6 ", 0.0f},
        {" -score 33 ", 33.0f}, {" -rank 2 -score 33 ", 33.0f},
    };
    for (auto const& c : limits) {
        SCOPED_TRACE(c.flags);
        SettingsFiles files;
        Parameters params;
        Quorvalix::SetStartUpDefaults(params);
        SettingsRunResult r = Run(files, params, c.flags);
        ASSERT_FALSE(r.failed) << r.message;
        EXPECT_EQ(params.GetScoreLimit(), c.scoreLimit);
    }

    SettingsFiles scores;
    Parameters params;
    Quorvalix::SetStartUpDefaults(params);
    ASSERT_FALSE(Run(scores, params).failed);
    int const ranks[][2] = {{100, 1}, {99, 1}, {98, 2}, {95, 2}, {94, 3}, {90, 3}, {89, 4},
                            {70, 4},  {69, 5}, {50, 5}, {49, 6}, {0, 6},   {-3, 6}};
    for (auto const& c : ranks) {
        EXPECT_EQ(scores.GetScore(c[0], false), c[0]);
        EXPECT_EQ(scores.GetScore(c[0], true), c[1]) << c[0];
    }
    SettingsFiles ranked;
    Parameters rankParams;
    Quorvalix::SetStartUpDefaults(rankParams);
    ASSERT_FALSE(Run(ranked, rankParams, " -rank 4 ").failed);
    EXPECT_EQ(ranked.GetScore(85, false), 4);

    // Thresholds out of order: the first one reached wins.
    WriteFile(p + "/.quorvalixrc", "ranks 90 99 20\n");
    SettingsFiles odd;
    Parameters oddParams;
    Quorvalix::SetStartUpDefaults(oddParams);
    ASSERT_FALSE(Run(odd, oddParams).failed);
    EXPECT_EQ(odd.GetScore(95, true), 1);
    EXPECT_EQ(odd.GetScore(80, true), 3);
    EXPECT_EQ(odd.GetScore(10, true), 6);
}

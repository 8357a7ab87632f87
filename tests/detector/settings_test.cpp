// Flag texts of the command line and the settings file against the
// settings and the messages they give.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "parameters.h"
#include "quorvalix.h"

static std::string Text(Str const& x) { return std::string(x.String()); }

struct SettingsFlagResult {
    bool failed;
    std::string message;  // everything written to standard error
};

// Applies `flags` as the command line does and catches the failure.
static SettingsFlagResult Apply(Parameters& p, char const* flags, char const* source = "COMMAND LINE ") {
    SettingsFlagResult result{false, ""};
    testing::internal::CaptureStderr();
    try {
        p.ParseFlags(source, flags);
    } catch (int code) {
        EXPECT_EQ(code, 1);
        result.failed = true;
    }
    result.message = testing::internal::GetCapturedStderr();
    return result;
}

TEST(SettingsFlagsTest, ConstructorDefaults) {
    Parameters p;
    EXPECT_EQ(Text(p.GetSnpType()), "on");
    EXPECT_EQ(p.GetScoreLimit(), 70.0f);
    EXPECT_EQ(p.GetSnpFlag(), 3);
    EXPECT_TRUE(p.DoUpdate());
    EXPECT_FALSE(p.DoXmlFile() || p.DoFileOutput() || p.DoNavFile() || p.DoIndel() || p.DoClearTags());
    EXPECT_EQ(p.DoRepeats(), 0);
    EXPECT_EQ(p.GetRankLimit(), 0);
    EXPECT_FALSE(p.IsAceFile());
    EXPECT_TRUE(p.PrintPoly() && p.PrintGenotype() && p.PrintColumnGenotype() && p.PrintIndel() &&
                p.PrintPolyIndel() && p.PrintColumnIndel() && p.PrintManualGenotype() && p.PrintVerified() &&
                p.PrintRepeat() && p.PrintSample() && p.PrintCoverage());
    char ch = 'x';
    long pos = 5;
    p.GetSourceID(ch, pos);
    EXPECT_EQ(ch, 0);
    EXPECT_EQ(pos, 0);
}

// What the program's start-up sets before the settings file; the
// directories as given, without the '/' rule.
TEST(SettingsFlagsTest, StartUpDefaults) {
    Parameters p;
    Quorvalix::SetStartUpDefaults(p);
    EXPECT_EQ(Text(p.GetVersion()), "5.04");
    EXPECT_EQ(Text(p.GetBuild()), "2006.02.07");
    EXPECT_EQ(Text(p.GetAceDir()), "edit_dir/");
    EXPECT_EQ(Text(p.GetPhdDir()), "phd_dir/");
    EXPECT_EQ(Text(p.GetPolyDir()), "poly_dir/");
    EXPECT_EQ(Text(p.GetOutFile()), "quorvalix.out");
    EXPECT_EQ(Text(p.GetNavFile()), "quorvalix.nav");
    EXPECT_EQ(Text(p.GetRefID()), ".REF");
    EXPECT_EQ(p.GetScoreLimit(), 70.0f);
    EXPECT_EQ(p.GetQualityLimit(), 25);
    EXPECT_EQ(p.GetWindow(), 20);
    EXPECT_EQ(Text(p.GetSnpTag()), "genotype");
    EXPECT_EQ(p.GetFlanking(), 10);
}

TEST(SettingsFlagsTest, SettersApplyTheDirectoryAndNavRules) {
    Parameters p;
    p.SetAceDir(Str("."));
    EXPECT_EQ(Text(p.GetAceDir()), "");
    p.SetPhdDir(Str("phd"));
    EXPECT_EQ(Text(p.GetPhdDir()), "phd/");
    p.SetPolyDir(Str("/abs/poly/"));
    EXPECT_EQ(Text(p.GetPolyDir()), "/abs/poly/");
    p.SetAceDir("edit_dir");  // the verbatim form of the start-up defaults
    EXPECT_EQ(Text(p.GetAceDir()), "edit_dir");

    p.SetNavFile(Str("sites"));
    EXPECT_EQ(Text(p.GetNavFile()), "sites.nav");
    p.SetNavFile(Str("sites.nav"));
    EXPECT_EQ(Text(p.GetNavFile()), "sites.nav");
    p.SetNavFile(Str(".nav"));  // only a longer text counts as ending in ".nav"
    EXPECT_EQ(Text(p.GetNavFile()), ".nav.nav");
    p.SetNavFile("plain");
    EXPECT_EQ(Text(p.GetNavFile()), "plain");
}

struct SettingsFlagCase {
    char const* flags;
    std::function<void(Parameters const&)> check;
};

TEST(SettingsFlagsTest, FlagsSetTheirSettings) {
    SettingsFlagCase const cases[] = {
        {"-ace my run.ace -dir x ",
         [](Parameters const& p) {
             EXPECT_EQ(Text(p.GetAceFile()), "my run.ace");
             EXPECT_EQ(Text(p.GetWorkDirectory()), "x/");
         }},
        {"-a run-2.ace ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetAceFile()), "run-2.ace"); }},
        {"-ace a--b.ace -xml ",
         [](Parameters const& p) {
             EXPECT_EQ(Text(p.GetAceFile()), "a--b.ace");
             EXPECT_TRUE(p.DoXmlFile());
         }},
        {"-ace ", [](Parameters const& p) { EXPECT_FALSE(p.IsAceFile()); }},
        // A free-text flag right before another flag gets an empty value.
        {"-ace -dir x ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.IsAceFile());
             EXPECT_EQ(Text(p.GetWorkDirectory()), "x/");
         }},
        {"-d /abs/p/ ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetWorkDirectory()), "/abs/p/"); }},
        {"-dir\tmy dir\t-xml ",
         [](Parameters const& p) {
             EXPECT_EQ(Text(p.GetWorkDirectory()), "my dir/");
             EXPECT_TRUE(p.DoXmlFile());
         }},
        {"-dir / ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetWorkDirectory()), "/"); }},
        {"-rank ", [](Parameters const& p) { EXPECT_EQ(p.GetRankLimit(), 4); }},
        {"-r 2.9 ", [](Parameters const& p) { EXPECT_EQ(p.GetRankLimit(), 2); }},
        {"-rank 6 -rank OfF ", [](Parameters const& p) { EXPECT_EQ(p.GetRankLimit(), 0); }},
        {"-rank 2 -rank on ", [](Parameters const& p) { EXPECT_EQ(p.GetRankLimit(), 4); }},
        {"-score 80 -rank 3 ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetRankLimit(), 3);
             EXPECT_EQ(p.GetScoreLimit(), 80.0f);
         }},
        {"-rank 3 -score 80.5 ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetRankLimit(), 0);
             EXPECT_EQ(p.GetScoreLimit(), 80.5f);
         }},
        {"-rank 3 -score high ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetRankLimit(), 0);
             EXPECT_EQ(p.GetScoreLimit(), 70.0f);
         }},
        {"-verbosity 5 -v x ", [](Parameters const& p) { EXPECT_EQ(p.GetVerbosity(), 0); }},
        {"-v 18446744073709551617 ", [](Parameters const& p) { EXPECT_EQ(p.GetVerbosity(), 0); }},
        {"-v 2 ", [](Parameters const& p) { EXPECT_EQ(p.GetVerbosity(), 2); }},
        {"-snp HeT ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetSnpFlag(), 2);
             EXPECT_EQ(Text(p.GetSnpType()), "het");
         }},
        {"-snp hom ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetSnpFlag(), 1);
             EXPECT_EQ(Text(p.GetSnpType()), "hom");
         }},
        {"-snp OFF ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetSnpFlag(), 0);
             EXPECT_EQ(Text(p.GetSnpType()), "off");
         }},
        // Switched on again, the mode text follows.
        {"-snp off -snp ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetSnpFlag(), 3);
             EXPECT_EQ(Text(p.GetSnpType()), "on");
         }},
        {"-tag g ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetSnpTag()), "genotype"); }},
        {"-t polymorphism ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetSnpTag()), "polymorphism"); }},
        {"-tag r ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetSnpTag()), "rank"); }},
        {"-ms -xml ",
         [](Parameters const& p) {
             EXPECT_EQ(p.DoRepeats(), 1);
             EXPECT_TRUE(p.DoXmlFile());
         }},
        {"-ms x ", [](Parameters const& p) { EXPECT_EQ(p.DoRepeats(), 2); }},
        {"-ms x -ms OFF ", [](Parameters const& p) { EXPECT_EQ(p.DoRepeats(), 0); }},
        {"-i -update off -xml on ",
         [](Parameters const& p) {
             EXPECT_TRUE(p.DoIndel());
             EXPECT_FALSE(p.DoUpdate());
             EXPECT_TRUE(p.DoXmlFile());
         }},
        {"-indel -indel Off -xml -xml OFF ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.DoIndel());
             EXPECT_FALSE(p.DoXmlFile());
         }},
        {"-block -POLY -sample +coverage -dir x ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.PrintPoly());
             EXPECT_FALSE(p.PrintSample());
             EXPECT_TRUE(p.PrintCoverage());
             EXPECT_TRUE(p.PrintGenotype());
             EXPECT_EQ(Text(p.GetWorkDirectory()), "x/");
         }},
        // The spelling of the option table is accepted too.
        {"-blocks -genotype -columngenotype -polyindel -columnindel -manualgenotype -verified "
         "-microsatellite ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.PrintGenotype() || p.PrintColumnGenotype() || p.PrintPolyIndel() ||
                          p.PrintColumnIndel() || p.PrintManualGenotype() || p.PrintVerified() ||
                          p.PrintRepeat());
             EXPECT_TRUE(p.PrintPoly() && p.PrintIndel() && p.PrintSample() && p.PrintCoverage());
         }},
        // A flag that is also a block name is read as that block.
        {"-block -poly -indel ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.PrintIndel());
             EXPECT_FALSE(p.DoIndel());
         }},
        {"-block -indel +indel ", [](Parameters const& p) { EXPECT_TRUE(p.PrintIndel()); }},
        {"-source / ",
         [](Parameters const& p) {
             char ch;
             long pos;
             p.GetSourceID(ch, pos);
             EXPECT_EQ(ch, ' ');
             EXPECT_EQ(pos, -1);
         }},
        {"-s /_ ",
         [](Parameters const& p) {
             char ch;
             long pos;
             p.GetSourceID(ch, pos);
             EXPECT_EQ(ch, '_');
             EXPECT_EQ(pos, -1);
         }},
        {"-source 3 8 ",
         [](Parameters const& p) {
             char ch;
             long pos;
             p.GetSourceID(ch, pos);
             EXPECT_EQ(ch, 6);
             EXPECT_EQ(pos, 2);
         }},
        {"-source 1 127 ",
         [](Parameters const& p) {
             char ch;
             long pos;
             p.GetSourceID(ch, pos);
             EXPECT_EQ(ch, 127);
             EXPECT_EQ(pos, 0);
         }},
        {"-source 3 8 -source oFF ",
         [](Parameters const& p) {
             char ch;
             long pos;
             p.GetSourceID(ch, pos);
             EXPECT_EQ(ch, 0);
             EXPECT_EQ(pos, 0);
         }},
        {"-nav ",
         [](Parameters const& p) {
             EXPECT_TRUE(p.DoNavFile());
             EXPECT_EQ(Text(p.GetNavFile()), "");
         }},
        {"-nav sub/x -n off ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.DoNavFile());
             EXPECT_EQ(Text(p.GetNavFile()), "sub/x");  // ".nav" is added with the paths
         }},
        {"-n On ",
         [](Parameters const& p) {
             EXPECT_TRUE(p.DoNavFile());
             EXPECT_EQ(Text(p.GetNavFile()), "");
         }},
        {"-output results/out.txt ",
         [](Parameters const& p) {
             EXPECT_TRUE(p.DoFileOutput());
             EXPECT_EQ(Text(p.GetOutFile()), "results/out.txt");
         }},
        {"-o my Report -o OFF ",
         [](Parameters const& p) {
             EXPECT_FALSE(p.DoFileOutput());
             EXPECT_EQ(Text(p.GetOutFile()), "my Report");
         }},
        {"-ref ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetRefFlag(), 1);
             EXPECT_EQ(Text(p.GetRefID()), "");
         }},
        {"-ref MyRef ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetRefFlag(), 1);
             EXPECT_EQ(Text(p.GetRefID()), "MyRef");
         }},
        {"-ref MyRef -refcomp ON ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetRefFlag(), 2);
             EXPECT_EQ(Text(p.GetRefID()), "MyRef");
         }},
        {"-refcomp off ", [](Parameters const& p) { EXPECT_EQ(p.GetRefFlag(), 0); }},
        {"-f 0 -q 50 -w 5 ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetFlanking(), 0);
             EXPECT_EQ(p.GetQualityLimit(), 50);
             EXPECT_EQ(p.GetWindow(), 5);
         }},
        {"-flanking 50 -quality 0 -window 50.7 ",
         [](Parameters const& p) {
             EXPECT_EQ(p.GetFlanking(), 50);
             EXPECT_EQ(p.GetQualityLimit(), 0);
             EXPECT_EQ(p.GetWindow(), 50);
         }},
        {"-group ^Ab.*x ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetGroupID()), "^Ab.*x"); }},
        {"-g ", [](Parameters const& p) { EXPECT_EQ(Text(p.GetGroupID()), ""); }},
        {"-clear ", [](Parameters const& p) { EXPECT_TRUE(p.DoClearTags()); }},
        {"   ", [](Parameters const& p) { EXPECT_FALSE(p.DoClearTags()); }},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags);
        Parameters p;
        SettingsFlagResult r = Apply(p, c.flags);
        EXPECT_FALSE(r.failed);
        EXPECT_EQ(r.message, "");
        c.check(p);
    }
}

TEST(SettingsFlagsTest, FlagErrorsPrintOneMessage) {
    struct {
        char const* flags;
        char const* message;
    } const cases[] = {
        {"x ", "ERROR in COMMAND LINE : invalid flag x\n"},
        {"- ", "ERROR in COMMAND LINE : invalid flag -\n"},
        {"-Ace a ", "ERROR in COMMAND LINE : invalid flag -Ace\n"},
        {"-H ", "ERROR in COMMAND LINE : invalid flag -H\n"},
        {"--help ", "ERROR in COMMAND LINE : invalid flag --help\n"},
        {"-help ", "ERROR in COMMAND LINE : invalid flag -help\n"},
        {"-version ", "ERROR in COMMAND LINE : invalid flag -version\n"},
        {"-clear on ", "ERROR in COMMAND LINE : invalid flag on\n"},
        {"-verbosity -dir x ", "ERROR in COMMAND LINE : invalid flag x\n"},
        {"-rank 7 ", "ERROR in COMMAND LINE : invalid parameter -rank 7  Must be a number from 1 to 6.\n"},
        {"-rank x ", "ERROR in COMMAND LINE : invalid parameter -rank x  Must be a number from 1 to 6.\n"},
        {"-window -5 ", "ERROR in COMMAND LINE : invalid parameter -window -5  Must be a number from 5 to 50.\n"},
        {"-w 4.9 ", "ERROR in COMMAND LINE : invalid parameter -w 4.9  Must be a number from 5 to 50.\n"},
        {"-window abc ", "ERROR in COMMAND LINE : invalid parameter -window abc\n"},
        {"-window 99999999999 ",
         "ERROR in COMMAND LINE : invalid parameter -window 99999999999  Must be a number from 5 to 50.\n"},
        {"-quality 51 ", "ERROR in COMMAND LINE : invalid parameter -quality 51  Must be a number from 0 to 50.\n"},
        {"-quality ", "ERROR in COMMAND LINE : invalid parameter -quality \n"},
        {"-f -1 ", "ERROR in COMMAND LINE : invalid parameter -f -1  Must be a number from 0 to 50.\n"},
        {"-score 99.5 ", "ERROR in COMMAND LINE : invalid parameter -score 99.5  Must be a number from 0 to 99.\n"},
        {"-score -5 ", "ERROR in COMMAND LINE : invalid flag -5\n"},
        {"-snp maybe ", "ERROR in COMMAND LINE : invalid parameter -snp maybe\n"},
        {"-tag G ", "ERROR in COMMAND LINE : invalid parameter -tag G\n"},
        {"-tag ", "ERROR in COMMAND LINE : invalid parameter -tag \n"},
        {"-indel yes ", "ERROR in COMMAND LINE : invalid parameter -indel yes\n"},
        {"-update 0 ", "ERROR in COMMAND LINE : invalid parameter -update 0\n"},
        {"-xml x ", "ERROR in COMMAND LINE : invalid parameter -xml x\n"},
        {"-ms y ", "ERROR in COMMAND LINE : invalid parameter -ms y\n"},
        {"-block poly ", "ERROR in COMMAND LINE : invalid parameter -block poly\n"},
        {"-blocks +POLY +nothing ", "ERROR in COMMAND LINE : invalid parameter -blocks +nothing\n"},
        {"-source /ab ",
         "ERROR in COMMAND LINE : invalid parameter -source /ab  The -source argument must be a single "
         "character.\n"},
        {"-source 5 200 ",
         "ERROR in COMMAND LINE : invalid parameter -source 200  Source ID length must not be greater than 127 "
         "characters.\n"},
        {"-source 0 4 ", "ERROR in COMMAND LINE : invalid parameter -source 0  Must be positive integers.\n"},
        {"-source 8 3 ",
         "ERROR in COMMAND LINE : invalid parameter -source 3  Second must be greater than or equal to first.\n"},
        {"-source abc ", "ERROR in COMMAND LINE : invalid parameter -source abc\n"},
        // Numbers that no int (or no long) holds are refused, never wrapped.
        {"-source 2147483647 2147483648 ",
         "ERROR in COMMAND LINE : invalid parameter -source 2147483648  Must be a number from 1 to 2147483647.\n"},
        {"-source 99999999999999999999 99999999999999999999 ",
         "ERROR in COMMAND LINE : invalid parameter -source 99999999999999999999  Must be a number from 1 to "
         "2147483647.\n"},
        {"-rank 18446744073709551617 ",
         "ERROR in COMMAND LINE : invalid parameter -rank 18446744073709551617  Must be a number from 1 to 6.\n"},
        {"-quality -18446744073709551615 ",
         "ERROR in COMMAND LINE : invalid parameter -quality -18446744073709551615  Must be a number from 0 to "
         "50.\n"},
        {"-window 18446744073709551621 ",
         "ERROR in COMMAND LINE : invalid parameter -window 18446744073709551621  Must be a number from 5 to 50.\n"},
        // One position alone names no range.
        {"-source 3 ", "ERROR in COMMAND LINE : invalid parameter -source   Must be positive integers.\n"},
        {"-source 3 x ", "ERROR in COMMAND LINE : invalid parameter -source x  Must be positive integers.\n"},
        // An empty work directory is refused rather than read as the root.
        {"-dir ", "ERROR in COMMAND LINE : invalid parameter -dir   Must be followed by a directory.\n"},
        {"-d -xml ", "ERROR in COMMAND LINE : invalid parameter -d   Must be followed by a directory.\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags);
        Parameters p;
        SettingsFlagResult r = Apply(p, c.flags);
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.message, c.message);
    }
}

TEST(SettingsFlagsTest, SettingsFileSourceAndEarlierFlagsKept) {
    Parameters p;
    SettingsFlagResult r = Apply(p, "-xml -window 3 -indel ", ".quorvalixrc file");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.message, "ERROR in .quorvalixrc file: invalid parameter -window 3  Must be a number from 5 to 50.\n");
    EXPECT_TRUE(p.DoXmlFile());
    EXPECT_FALSE(p.DoIndel());
}

TEST(SettingsFlagsTest, TextWithoutTrailingBlank) {
    Parameters p;
    SettingsFlagResult r = Apply(p, "-xml -ace last.ace");
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(Text(p.GetAceFile()), "last.ace");
    r = Apply(p, "-ms");
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(p.DoRepeats(), 1);
}

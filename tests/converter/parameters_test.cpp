// The converter's flags and the names its files are given.
#include <gtest/gtest.h>

#include "files.h"
#include "parameters.h"

TEST(Parameters, ParsesFlagsAndTheirValues) {
    struct Case {
        char const* text;
        char const* dir;
        char const* list;
        bool overwrite;
    } cases[] = {
        {" -list my-traces.txt -o ", "", "my-traces.txt", true},
        {" -list -o ", "", "-o", false},  // a '-' right after the flag does not end the value
        {" -dir /data/run1 ", "/data/run1/", "", false},
        {" -d my run -o ", "my run/", "", true},
        {" -d a-b-c/ -l x-y ", "a-b-c/", "x-y", false},
        {" -o -overwrite ", "", "", true},
        {"-dir last", "last/", "", false},
        {" ", "", "", false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        Parameters p;
        Str text(c.text);
        p.ParseFlags("COMMAND LINE ", text);
        EXPECT_STREQ(p.GetWorkDirectory().String(), c.dir);
        Str list("unchanged");
        EXPECT_EQ(p.GetFileList(list), *c.list != '\0');
        if (*c.list) {
            EXPECT_STREQ(list.String(), c.list);
        }
        EXPECT_EQ(p.Overwrite(), c.overwrite);
    }
}

TEST(Parameters, InvalidFlagEndsTheRun) {
    struct Case {
        char const* text;
        char const* word;
    } cases[] = {
        {" -v ", "-v"},         {" -o -x ", "-x"},  {" - ", "-"},          {" -dirx a ", "-dirx"},
        {" -od ", "-od"},       {" o ", "o"},       {" -dir ", "-dir"},    {" -list ", "-list"},
        {" -version ", "-version"},
    };
    for (Case const& c : cases) {
        Parameters p;
        Str text(c.text);
        testing::internal::CaptureStderr();
        int thrown = 0;
        try {
            p.ParseFlags(".trelvikrc file", text);
        } catch (int code) {
            thrown = code;
        }
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(thrown, 1) << c.text;
        EXPECT_EQ(err, std::string("ERROR in .trelvikrc file: invalid flag ") + c.word + "\n");
    }
}

TEST(Parameters, DirectorySetters) {
    Parameters p;
    p.SetChromatDir(Str("."));
    p.SetPhdDir(Str("out"));
    p.SetPolyDir(Str("/abs/poly/"));
    EXPECT_STREQ(p.GetChromatDir().String(), "");
    EXPECT_STREQ(p.GetPhdDir().String(), "out/");
    EXPECT_STREQ(p.GetPolyDir().String(), "/abs/poly/");
}

TEST(Files, BaseNameDropsGzipAndTraceExtensions) {
    struct Case {
        char const* entry;
        char const* name;
    } cases[] = {
        {"r1.ab1.gz", "r1"}, {"r1.scf", "r1"},         {"r1.abi", "r1"},      {"r1.txt", "r1.txt"},
        {"r1.SCF", "r1.SCF"}, {"r1.", "r1"},           {"r1.ab", "r1"},       {"r1.gz", "r1"},
        {"a.b.scf", "a.b"},  {"run.v2/r1", "run.v2/r1"}, {"r1", "r1"},
    };
    for (Case const& c : cases) EXPECT_STREQ(Files::GetBaseName(Str(c.entry)).String(), c.name) << c.entry;
}

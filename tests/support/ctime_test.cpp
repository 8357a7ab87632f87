#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "ctime.h"
#include "envvariable.h"

// Local time is UTC for these tests.
class CTimeTest : public testing::Test {
protected:
    void SetUp() override {
        zone.Set("UTC0");
        tzset();
    }
    void TearDown() override {
        zone.Restore();
        tzset();
    }

    EnvironmentVariable zone{"TZ"};
};

static time_t const february7 = 1139303103;  // 2006-02-07 09:05:03 UTC

TEST_F(CTimeTest, FormatCodesAtAFixedMoment) {
    CTime moment(february7);
    struct {
        char const* format;
        char const* text;
    } const cases[] = {
        {"%y%M%D", "060207"},
        {"temp%y%M%D%h%m%s", "temp060207090503"},
        {" %y%M%D:%h%m%s", " 060207:090503"},
        {"%M/%D/%y %h:%m:%s", "02/07/06 09:05:03"},
        {"%Y/%M/%D %h:%m:%s", "2006/02/07 09:05:03"},
        {"%D/%M/%y %h:%m:%s", "07/02/06 09:05:03"},
        {"\nDATE: %M/%D/%y %h:%m:%s", "\nDATE: 02/07/06 09:05:03"},
        {"%%", "%"},
        {"100%% %Q", "100% 00"},
        {"a%", "a"},  // a lone '%' at the end
        {"%", ""},
        {"", ""},
        {"no codes", "no codes"},
    };
    for (auto const& c : cases) EXPECT_STREQ(moment.GetString(c.format).String(), c.text) << c.format;
    EXPECT_EQ(moment.GetTimeT(), february7);
    EXPECT_STREQ(moment.GetCTime().String(), "Tue Feb  7 09:05:03 2006");
}

TEST_F(CTimeTest, CenturyAndLongFormats) {
    CTime y1999(946684799);  // 1999-12-31 23:59:59
    EXPECT_STREQ(y1999.GetString("%y %Y %M %D %h %m %s").String(), "99 1999 12 31 23 59 59");
    CTime y2000(946684800);
    EXPECT_STREQ(y2000.GetString("%y%Y").String(), "002000");
    std::string format, expected;
    for (int i = 0; i < 700; ++i) {
        format += "%Y-";
        expected += "2000-";
    }
    EXPECT_EQ(std::string(y2000.GetString(format.c_str()).String()), expected);
}

TEST_F(CTimeTest, UnsetHoldsNoTimeUntilSet) {
    CTime none = CTime::Unset();
    EXPECT_STREQ(none.GetString("%Y%M%D").String(), "");
    EXPECT_STREQ(none.GetCTime().String(), "");
    time_t before = time(nullptr);
    none.Set();
    time_t after = time(nullptr);
    EXPECT_STRNE(none.GetCTime().String(), "");
    EXPECT_GE(none.GetTimeT(), before);
    EXPECT_LE(none.GetTimeT(), after);
    EXPECT_EQ(none.GetString("%Y").Length(), 4);
}

TEST_F(CTimeTest, DefaultIsTheMomentOfConstruction) {
    time_t before = time(nullptr);
    CTime now;
    time_t after = time(nullptr);
    EXPECT_GE(now.GetTimeT(), before);
    EXPECT_LE(now.GetTimeT(), after);
    EXPECT_EQ(now.GetCTime().Length(), 24);
}

#include <gtest/gtest.h>

#include <cctype>

#include "charclass.h"

TEST(CharClass, AsTheStandardLibraryForEveryByte) {
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(CharClass::IsSpace(static_cast<unsigned char>(c)), std::isspace(c) != 0);
        EXPECT_EQ(CharClass::IsDigit(static_cast<unsigned char>(c)), std::isdigit(c) != 0);
    }
}

TEST(CharClass, FindsTheEdgesOfATokenWithinItsRange) {
    char const text[] = "  ab\tc";
    char const* end = text + sizeof text - 1;
    char const* token = CharClass::ToNonSpace(text, end);
    EXPECT_EQ(token, text + 2);
    EXPECT_EQ(CharClass::ToSpace(token, end), text + 4);
    EXPECT_EQ(CharClass::ToSpace(text + 5, end), end);
    EXPECT_EQ(CharClass::ToNonSpace(text, text + 2), text + 2);  // stops at the range's end
}

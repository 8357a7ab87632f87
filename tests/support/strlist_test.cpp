#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strlist.h"

static std::vector<std::string> Contents(StrList& list) {
    std::vector<std::string> texts;
    list.Begin();
    while (Str* text = list.GetNext()) texts.push_back(text->String());
    return texts;
}

using Texts = std::vector<std::string>;

TEST(StrList, StoresCopies) {
    StrList list;
    Str text("one");
    list.Append(text);
    list.Append("two");
    text = "changed";
    EXPECT_EQ(Contents(list), (Texts{"one", "two"}));
    // The list's own slots store copies too, through a base pointer as well;
    // Clear() then deletes only the copies, never the caller's objects.
    Str local("three");
    SList<Str>* base = &list;
    base->Append(&local);
    base->Insert(&local);
    base->InsertNext(&local);
    list.Begin();
    while (Str* element = list.GetNext()) EXPECT_NE(element, &local);
    EXPECT_EQ(list.Length(), 5);
    list.Clear();
    EXPECT_EQ(list.Length(), 0);
    EXPECT_STREQ(local.String(), "three");
}

TEST(StrList, InsertionsAndTheCursor) {
    StrList list;
    list.Append("b");
    list.Begin();
    list.Insert("a");  // before the current element, and current itself
    EXPECT_STREQ(list.Get()->String(), "a");
    list.Begin();
    list.InsertNext(Str("first"));  // before the current element, which stays current
    EXPECT_STREQ(list.Get()->String(), "a");
    EXPECT_EQ(Contents(list), (Texts{"first", "a", "b"}));
    list.Append(Str("c"));
    EXPECT_STREQ(list.Get()->String(), "c");
    list.Clear();
}

TEST(StrList, CollateSortsByBytes) {
    StrList list;
    for (char const* text : {"b", "a", "c"}) list.Collate(Str(text));
    list.Collate(Str("a"));
    EXPECT_EQ(list.GetPosition(), 1);  // after the equal text already there
    for (char const* text : {"B", "_x", "\xe9", "aa"}) list.Collate(Str(text));
    EXPECT_EQ(Contents(list), (Texts{"B", "_x", "a", "a", "aa", "b", "c", "\xe9"}));
    list.Clear();
}

TEST(StrList, GetStringCopiesTheCurrentText) {
    StrList list;
    list.Append("x");
    list.Append("y");
    Str target("unchanged");
    EXPECT_TRUE(list.GetString(target));
    EXPECT_STREQ(target.String(), "y");
    list.GetNext();  // cursor on the last node: no current element
    target = "unchanged";
    EXPECT_FALSE(list.GetString(target));
    EXPECT_STREQ(target.String(), "unchanged");
    list.Begin();
    EXPECT_TRUE(list.GetString(target));
    EXPECT_STREQ(target.String(), "x");
    list.Clear();
}

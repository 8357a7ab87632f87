#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tempdir.h"
#include "vector.h"

static std::string const rangeError = "ERROR: Vector array parameter is out of range";

static std::vector<long> Values(Vector<long> const& v) {
    return std::vector<long>(v.Array(), v.Array() + v.Length());
}

static Vector<long> Of(std::vector<long> const& values) {
    Vector<long> v;
    for (long value : values) v.Append(value);
    return v;
}

using Longs = std::vector<long>;

TEST(Vector, CursorReads) {
    Vector<long> v = Of({5, 6, 7});
    v.Begin();
    EXPECT_EQ(v.GetNext(), 5);
    EXPECT_EQ(v.Get(), 6);
    EXPECT_EQ(v.Get(2), 7);
    EXPECT_EQ(v.GetPrevious(), 7);
    EXPECT_EQ(v.GetPrevious(), 6);
    EXPECT_EQ(ThrownText([&] { v.GetPrevious(); }), rangeError);  // position 0
    EXPECT_EQ(v[1], 6);
    v.Put(9, 0);
    EXPECT_EQ(v.Get(), 9);
    while (v.IsNotEnd()) v.GetNext();
    EXPECT_EQ(ThrownText([&] { v.GetNext(); }), rangeError);
    EXPECT_EQ(ThrownText([&] { v.Get(); }), rangeError);
    EXPECT_EQ(ThrownText([&] { v.GetPrevious(); }), rangeError);
    for (long i : {-1L, 3L}) {
        EXPECT_EQ(ThrownText([&] { v.Get(i); }), rangeError);
        EXPECT_EQ(ThrownText([&] { v.Put(1, i); }), rangeError);
        EXPECT_EQ(ThrownText([&] { v.Replace(1L, i); }), rangeError);
        EXPECT_EQ(ThrownText([&] { v.Delete(i); }), rangeError);
        EXPECT_EQ(ThrownText([&] { v.DeleteEnd(i); }), rangeError);
    }
    EXPECT_EQ(Values(v), (Longs{9, 6, 7}));
}

TEST(Vector, SortAscending) {
    Vector<long> empty;
    empty.Sort();
    EXPECT_EQ(empty.Length(), 0);
    Vector<long> v = Of({3, 1, 2, 1});
    v.Sort();
    EXPECT_EQ(Values(v), (Longs{1, 1, 2, 3}));
    // Sorted, reversed and constant inputs of many elements: no deep
    // recursion, no quadratic cost.
    Vector<long> sorted, reversed, constant;
    for (long i = 0; i < 200000; ++i) {
        sorted.Append(i);
        reversed.Append(200000 - i);
        constant.Append(4);
    }
    sorted.Sort();
    reversed.Sort();
    constant.Sort();
    EXPECT_EQ(sorted.Get(199999), 199999);
    EXPECT_EQ(reversed.Get(0), 1);
    EXPECT_EQ(reversed.Get(199999), 200000);
    EXPECT_EQ(constant.Get(100), 4);
}

struct CountingVector : Vector<long> {
    void QuickSort(long lo, long hi) override {
        ++calls;
        Vector<long>::QuickSort(lo, hi);
    }
    int calls = 0;
};

TEST(Vector, SortGoesThroughTheVirtualQuickSort) {
    CountingVector v;
    v.Append(2);
    v.Append(1);
    v.Sort();
    EXPECT_GE(v.calls, 1);
    EXPECT_EQ(Values(v), (Longs{1, 2}));
}

TEST(Vector, CopiesAndAssignment) {
    Vector<long> source = Of({1, 2, 3});
    Vector<long> copy;
    copy.Copy(source);
    EXPECT_FALSE(copy.IsNotEnd());  // cursor at the end after Copy
    copy.Begin();
    EXPECT_EQ(copy.GetNext(), 1);
    Vector<long> assigned;
    assigned = source;
    EXPECT_EQ(Values(assigned), (Longs{1, 2, 3}));
    EXPECT_FALSE(assigned.IsNotEnd());
    Vector<long> constructed(source);
    EXPECT_TRUE(constructed.IsNotEnd());
    EXPECT_EQ(Values(constructed), (Longs{1, 2, 3}));
    long raw[] = {7, 8};
    copy.Copy(raw, 2);
    EXPECT_EQ(Values(copy), (Longs{7, 8}));
    EXPECT_EQ(ThrownText([&] { copy.Copy(raw, -1); }), rangeError);
    copy.Copy(5L);
    EXPECT_EQ(Values(copy), Longs{5});
    long* array = source.CopyToArray();
    EXPECT_EQ(array[2], 3);
    delete[] array;
    long out[2] = {0, 0};
    source.CopyToArray(out, 2);
    EXPECT_EQ(out[1], 2);
    EXPECT_TRUE(source.Contains(3));
    EXPECT_FALSE(source.Contains(4));
    source.Clear();
    EXPECT_EQ(source.Length(), 0);
    EXPECT_FALSE(source.IsNotEnd());
}

TEST(Vector, AppendInsertAndReplace) {
    Vector<long> v = Of({1, 2});
    v.Append(v);  // itself
    EXPECT_EQ(Values(v), (Longs{1, 2, 1, 2}));
    long raw[] = {8, 9};
    v.Append(raw, 2);
    EXPECT_EQ(ThrownText([&] { v.Append(raw, -1); }), rangeError);
    EXPECT_EQ(Values(v), (Longs{1, 2, 1, 2, 8, 9}));

    Vector<long> w = Of({1, 2, 3});
    w.Insert(0L, 0);
    w.Insert(4L, 4);  // at the length: appends
    EXPECT_EQ(ThrownText([&] { w.Insert(5L, 6); }), rangeError);
    EXPECT_EQ(ThrownText([&] { w.Insert(5L, -1); }), rangeError);
    w.Insert(raw, 2, 2);
    EXPECT_EQ(Values(w), (Longs{0, 1, 8, 9, 2, 3, 4}));
    w.Insert(w, 1);  // itself
    EXPECT_EQ(Values(w), (Longs{0, 0, 1, 8, 9, 2, 3, 4, 1, 8, 9, 2, 3, 4}));

    Vector<long> r = Of({0, 0, 0, 0});
    r.Replace(raw, 2, 1);  // ends before the last element
    EXPECT_EQ(Values(r), (Longs{0, 8, 9, 0}));
    EXPECT_EQ(ThrownText([&] { r.Replace(raw, 2, 2); }), rangeError);  // would end on it
    EXPECT_EQ(ThrownText([&] { r.Replace(raw, -1, 0); }), rangeError);
    r.Replace(5L, 3);  // the last index is fine here
    EXPECT_EQ(Values(r), (Longs{0, 8, 9, 5}));
    Vector<long> two = Of({6, 7});
    r.Replace(two, 0);
    EXPECT_EQ(Values(r), (Longs{6, 7, 9, 5}));
}

TEST(Vector, DeleteForms) {
    Vector<long> v = Of({1, 2, 3, 4, 5});
    v.Delete(0);
    EXPECT_EQ(Values(v), (Longs{2, 3, 4, 5}));
    v.Remove(3);
    EXPECT_EQ(Values(v), (Longs{2, 3, 4}));
    v.Delete(1, 2);  // up to the end
    EXPECT_EQ(Values(v), Longs{2});
    EXPECT_EQ(ThrownText([&] { v.Delete(0, 2); }), rangeError);
    EXPECT_EQ(ThrownText([&] { v.Delete(0, -1); }), rangeError);
    Vector<long> w = Of({1, 2, 3});
    w.DeleteEnd(2);
    EXPECT_EQ(Values(w), (Longs{1, 2}));
    EXPECT_EQ(ThrownText([&] { w.DeleteEnd(2); }), rangeError);  // at the length
    w.DeleteEnd(0);
    EXPECT_EQ(w.Length(), 0);
}

TEST(Vector, DeletedThroughABasePointer) {
    Vector<long>* v = new CountingVector;
    v->Append(1);
    delete v;  // the derived part goes too (checked by the address sanitizer)
}

#include <gtest/gtest.h>

#include <vector>

#include "slist.h"

static std::vector<int> Values(SList<int>& list) {
    std::vector<int> values;
    list.Begin();
    while (int* value = list.GetNext()) values.push_back(*value);
    return values;
}

// A list of ints that owns them: Clear() in the destructor.
struct IntList : SList<int> {
    explicit IntList(std::vector<int> const& values) {
        for (int value : values) Append(new int(value));
    }
    ~IntList() override { Clear(); }
};

using Ints = std::vector<int>;

TEST(SList, NewListIsEmpty) {
    SList<int> list;
    EXPECT_TRUE(list.IsEnd());
    EXPECT_TRUE(list.IsHead());
    EXPECT_FALSE(list.IsNotEnd());
    EXPECT_FALSE(list.IsNotHead());
    EXPECT_EQ(list.Get(), nullptr);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetPosition(), 0);
    EXPECT_EQ(list.Length(), 0);
}

TEST(SList, AppendMakesTheLastElementCurrent) {
    int a = 1, b = 2, c = 3;
    SList<int> list;
    list.Append(&a);
    list.Append(&b);
    list.Begin();
    list.Append(&c);  // from the head: still goes last
    EXPECT_EQ(list.Get(), &c);
    EXPECT_EQ(list.GetNext(), &c);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(Values(list), (Ints{1, 2, 3}));
}

TEST(SList, InsertAndInsertNextAtTheHead) {
    int a = 1, b = 2, c = 3;
    SList<int> list;
    list.Append(&b);
    list.Begin();
    list.Insert(&a);
    EXPECT_EQ(list.Get(), &a);
    list.Begin();
    list.InsertNext(&c);
    EXPECT_EQ(list.Get(), &a);  // the old first element stays current
    EXPECT_EQ(Values(list), (Ints{3, 1, 2}));
}

TEST(SList, IndexOutsideTheListChangesNothing) {
    IntList list({10, 20, 30});
    int x = 99;
    for (long i : {-1L, 3L, 100L}) {
        list.Begin(1);
        EXPECT_EQ(list.Get(i), nullptr);
        EXPECT_FALSE(list.SetPosition(i));
        EXPECT_EQ(list.Remove(i), nullptr);
        EXPECT_EQ(list.Replace(&x, i), nullptr);
        list.Insert(&x, i);
        EXPECT_EQ(list.GetPosition(), 1) << i;
        EXPECT_EQ(list.Length(), 3);
    }
    EXPECT_EQ(Values(list), (Ints{10, 20, 30}));
}

TEST(SList, InsertAtEveryIndex) {
    for (long i = 0; i < 3; ++i) {
        IntList list({0, 1, 2});
        list.Insert(new int(7), i);
        Ints expected{0, 1, 2};
        expected.insert(expected.begin() + i, 7);
        EXPECT_EQ(Values(list), expected);
        EXPECT_EQ(*list.Get(i), 7);
    }
    SList<int> empty;
    int x = 1;
    empty.Insert(&x, 0);
    EXPECT_EQ(empty.Length(), 0);
}

TEST(SList, CursorPastEitherEndStays) {
    IntList list({1, 2});
    list.Begin(10);
    EXPECT_TRUE(list.IsEnd());
    EXPECT_EQ(list.GetPosition(), 2);
    list.Next();
    list.Next(5);
    EXPECT_TRUE(list.IsEnd());
    EXPECT_EQ(list.GetPosition(), 2);
    list.Back();
    EXPECT_EQ(*list.Get(), 2);
    list.Begin();
    list.Back();
    EXPECT_TRUE(list.IsHead());
    EXPECT_EQ(*list.Get(), 1);
}

TEST(SList, RemoveReplaceAndContains) {
    IntList list({1, 2, 3});
    list.Begin(1);
    int* removed = list.Remove();
    EXPECT_EQ(*removed, 2);
    delete removed;
    EXPECT_EQ(*list.Get(), 3);  // the following element is now current
    int* replaced = list.Replace(new int(4));
    EXPECT_EQ(*replaced, 3);
    delete replaced;
    EXPECT_EQ(Values(list), (Ints{1, 4}));
    int absent = 0;
    EXPECT_EQ(list.Replace(&absent), nullptr);  // at the end: not stored
    EXPECT_EQ(list.Remove(), nullptr);
    EXPECT_FALSE(list.Contains(&absent));
    EXPECT_TRUE(list.IsEnd());
    int* second = list.Get(1);
    list.Begin();
    EXPECT_TRUE(list.Contains(second));
    EXPECT_EQ(list.Get(), second);
}

struct Counted {
    explicit Counted(int& destroyed) : destroyed(destroyed) {}
    virtual ~Counted() { ++destroyed; }
    int& destroyed;
};

struct Derived : Counted {
    Derived(int& destroyed, int& derivedDestroyed) : Counted(destroyed), derivedDestroyed(derivedDestroyed) {}
    ~Derived() override { ++derivedDestroyed; }
    int& derivedDestroyed;
};

TEST(SList, ClearDeletesThroughVirtualDestructorsResetDoesNot) {
    int destroyed = 0, derivedDestroyed = 0;
    {
        SList<Counted> list;
        list.Append(new Derived(destroyed, derivedDestroyed));
        list.Append(nullptr);
        list.Append(new Counted(destroyed));
        list.Clear();
        EXPECT_EQ(destroyed, 2);
        EXPECT_EQ(derivedDestroyed, 1);
        EXPECT_EQ(list.Length(), 0);
        EXPECT_TRUE(list.IsHead());
        Counted kept(destroyed);
        list.Append(&kept);
        list.Reset();  // nodes only
        EXPECT_EQ(destroyed, 2);
        list.Append(&kept);
    }  // destroying the list frees nodes only
    EXPECT_EQ(destroyed, 3);  // just `kept` leaving its scope
    // A list deleted through a base pointer runs the derived destructor.
    SList<int>* owner = new IntList({1, 2});
    delete owner;
}

TEST(SList, SpliceMovesAllNodes) {
    IntList list({1, 4});
    IntList other({2, 3});
    list.Begin(1);
    list.Insert(other);
    EXPECT_EQ(*list.Get(), 4);  // the old current element stays current
    EXPECT_EQ(list.Length(), 4);
    EXPECT_EQ(Values(list), (Ints{1, 2, 3, 4}));
    EXPECT_EQ(other.Length(), 0);
    EXPECT_TRUE(other.IsHead());
    EXPECT_TRUE(other.IsEnd());
    other.Append(new int(5));  // still usable
    EXPECT_EQ(Values(other), Ints{5});
}

TEST(SList, ArraysCopiesAndReverse) {
    int values[] = {1, 2, 3};
    int* pointers[] = {&values[0], &values[1], &values[2]};
    SList<int> list;
    list.Append(pointers, 3);
    EXPECT_TRUE(list.IsEnd());
    SList<int> shared;
    shared.Append(&values[2]);
    shared.Append(list);  // both point to the same elements
    EXPECT_EQ(Values(shared), (Ints{3, 1, 2, 3}));
    EXPECT_EQ(list.Length(), 3);
    shared.Copy(pointers, 2);
    EXPECT_EQ(Values(shared), (Ints{1, 2}));
    shared.Copy(list);
    EXPECT_EQ(shared.Length(), 3);
    int** array = list.CopyToArray();
    EXPECT_EQ(array[0], &values[0]);
    EXPECT_EQ(array[2], &values[2]);
    delete[] array;

    list.Reverse();
    EXPECT_EQ(Values(list), (Ints{3, 2, 1}));
    SList<int> one;
    one.Append(&values[0]);
    one.Reverse();
    EXPECT_EQ(Values(one), Ints{1});
    SList<int> none;
    none.Reverse();
    EXPECT_EQ(none.Length(), 0);
    EXPECT_TRUE(none.IsEnd());
}

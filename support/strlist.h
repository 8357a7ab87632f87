#ifndef SUPPORT_STRLIST_H
#define SUPPORT_STRLIST_H

#include "slist.h"
#include "str.h"

// List of owned Str copies: every insertion stores a copy of its argument.
class StrList : public SList<Str> {
public:
    StrList() {}
    ~StrList() override;
    StrList(StrList const&) = delete;
    StrList& operator=(StrList const&) = delete;

    void Append(Str const& x);
    void Append(char const* x);
    void Append(Str* x) override;
    void Insert(Str const& x);
    void Insert(char const* x);
    void Insert(Str* x) override;
    void InsertNext(Str const& x);
    void InsertNext(char const* x);
    void InsertNext(Str* x) override;
    void Collate(Str const& x);  // sorted insertion, after equal texts
    bool GetString(Str& target);
};

#endif

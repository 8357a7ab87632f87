#include "strlist.h"

// The list holds copies that nobody else owns, so it frees them.
StrList::~StrList() { Clear(); }

void StrList::Append(Str const& x) { SList<Str>::Append(new Str(x)); }
void StrList::Append(char const* x) { SList<Str>::Append(new Str(x)); }
void StrList::Append(Str* x) { SList<Str>::Append(new Str(*x)); }
void StrList::Insert(Str const& x) { SList<Str>::Insert(new Str(x)); }
void StrList::Insert(char const* x) { SList<Str>::Insert(new Str(x)); }
void StrList::Insert(Str* x) { SList<Str>::Insert(new Str(*x)); }
void StrList::InsertNext(Str const& x) { SList<Str>::InsertNext(new Str(x)); }
void StrList::InsertNext(char const* x) { SList<Str>::InsertNext(new Str(x)); }
void StrList::InsertNext(Str* x) { SList<Str>::InsertNext(new Str(*x)); }

void StrList::Collate(Str const& x) {
    current = head;
    while (current->next && !(x < *current->next->data)) current = current->next;
    SList<Str>::Insert(new Str(x));
}

bool StrList::GetString(Str& target) {
    Str* element = Get();
    if (!element) return false;
    target.Copy(*element);
    return true;
}

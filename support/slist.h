// Singly linked list of element pointers with a sentinel head and a cursor.
//
// The cursor designates the node BEFORE the current element: the cursor on
// the sentinel means the first element is current; a cursor node without a
// next node means there is no current element (the end). The list owns its
// nodes; only Clear() deletes the elements.
#ifndef SUPPORT_SLIST_H
#define SUPPORT_SLIST_H

template <class T>
struct SLink {
    SLink* next;
    T* data;
};

template <class T>
class SList {
public:
    SList() : head(new SLink<T>{nullptr, nullptr}), current(head), length(0) {}
    SList(SList const&) = delete;
    SList& operator=(SList const&) = delete;

    virtual ~SList() {
        FreeNodes();
        delete head;
    }

    long Length() const { return length; }

    // Frees the element nodes; the elements stay alive.
    virtual void Reset() {
        FreeNodes();
        current = head;
        length = 0;
    }

    // Deletes every element and frees its node.
    virtual void Clear() {
        SLink<T>* node = head->next;
        while (node) {
            SLink<T>* next = node->next;
            delete node->data;
            delete node;
            node = next;
        }
        head->next = nullptr;
        current = head;
        length = 0;
    }

    virtual void Begin() { current = head; }
    virtual void Begin(long n) {
        current = head;
        Next(n);
    }
    // Steps forward; at the end the cursor stays where it is.
    virtual void Next() {
        if (current->next) current = current->next;
    }
    virtual void Next(long n) {
        while (n-- > 0 && current->next) current = current->next;
    }
    // Steps back; on the sentinel the cursor stays there.
    virtual void Back() {
        if (current == head) return;
        SLink<T>* node = head;
        while (node->next != current) node = node->next;
        current = node;
    }
    virtual bool IsNotEnd() { return current->next != nullptr; }
    virtual bool IsEnd() { return current->next == nullptr; }
    virtual bool IsNotHead() { return current != head; }
    virtual bool IsHead() { return current == head; }

    virtual bool SetPosition(long i) {
        if (i < 0 || i >= length) return false;
        current = head;
        while (i-- > 0) current = current->next;
        return true;
    }
    virtual long GetPosition() {
        long i = 0;
        for (SLink<T>* node = head; node != current && node; node = node->next) ++i;
        return i;
    }
    virtual T* Get() { return current->next ? current->next->data : nullptr; }
    virtual T* Get(long i) { return SetPosition(i) ? current->next->data : nullptr; }
    virtual T* GetNext() {
        if (!current->next) return nullptr;
        current = current->next;
        return current->data;
    }

    virtual void Append(T* x) {
        ToLast();
        current->next = new SLink<T>{nullptr, x};
        ++length;
    }
    virtual void Append(T** a, long n) {
        ToLast();
        for (long i = 0; i < n; ++i) {
            current->next = new SLink<T>{nullptr, a[i]};
            current = current->next;
            ++length;
        }
    }
    virtual void Append(SList<T>& other) {
        ToLast();
        for (SLink<T>* node = other.head->next; node; node = node->next) {
            current->next = new SLink<T>{nullptr, node->data};
            current = current->next;
            ++length;
        }
    }
    virtual void Copy(T** a, long n) {
        Reset();
        Append(a, n);
    }
    virtual void Copy(SList<T>& other) {
        Reset();
        Append(other);
    }

    virtual void Insert(T* x) {
        current->next = new SLink<T>{current->next, x};
        ++length;
    }
    virtual void Insert(T* x, long i) {
        if (SetPosition(i)) Insert(x);
    }
    virtual void Insert(SList<T>& other) {
        if (!other.head->next) return;
        SLink<T>* after = current->next;
        current->next = other.head->next;
        while (current->next) current = current->next;
        current->next = after;
        length += other.length;
        other.head->next = nullptr;
        other.current = other.head;
        other.length = 0;
    }
    virtual void InsertNext(T* x) {
        current->next = new SLink<T>{current->next, x};
        current = current->next;
        ++length;
    }

    virtual T* Replace(T* x) {
        if (!current->next) return nullptr;
        T* old = current->next->data;
        current->next->data = x;
        return old;
    }
    virtual T* Replace(T* x, long i) { return SetPosition(i) ? Replace(x) : nullptr; }
    virtual T* Remove() {
        SLink<T>* node = current->next;
        if (!node) return nullptr;
        current->next = node->next;
        T* data = node->data;
        delete node;
        --length;
        return data;
    }
    virtual T* Remove(long i) { return SetPosition(i) ? Remove() : nullptr; }

    // New array of the element pointers in list order (delete[] by the
    // caller). The cursor is left on the sentinel.
    virtual T** CopyToArray() {
        T** a = new T*[length > 0 ? length : 1];
        CopyToArray(a);
        return a;
    }
    virtual void CopyToArray(T** a) {
        long i = 0;
        for (SLink<T>* node = head->next; node; node = node->next) a[i++] = node->data;
        current = head;
    }
    // Reverses the element order in place; the cursor is left on the sentinel.
    virtual void Reverse() {
        SLink<T>* previous = nullptr;
        SLink<T>* node = head->next;
        while (node) {
            SLink<T>* next = node->next;
            node->next = previous;
            previous = node;
            node = next;
        }
        head->next = previous;
        current = head;
    }
    // Searches by pointer identity: the cursor stands before the hit, or on
    // the last node when there is none.
    virtual bool Contains(T* x) {
        current = head;
        while (current->next) {
            if (current->next->data == x) return true;
            current = current->next;
        }
        return false;
    }

protected:
    void ToLast() {
        while (current->next) current = current->next;
    }
    void FreeNodes() {
        SLink<T>* node = head->next;
        while (node) {
            SLink<T>* next = node->next;
            delete node;
            node = next;
        }
        head->next = nullptr;
    }

    SLink<T>* head;
    SLink<T>* current;
    long length;
};

#endif

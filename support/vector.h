// Growable array with a cursor and an in-place sort. Misuse throws the
// message text (char const*).
#ifndef SUPPORT_VECTOR_H
#define SUPPORT_VECTOR_H

#include <algorithm>
#include <new>

// The text Vector<T>::AlError throws, which tells a failed allocation from
// the other failures.
inline constexpr char VectorAllocationError[] = "ERROR: Can not allocate memory for vector array";

template <class T>
class Vector {
public:
    Vector() : array(Allocate(1)), length(0), size(1), position(0) {}
    Vector(Vector const& other)
        : array(Allocate(other.size)), length(other.length), size(other.size), position(0) {
        std::copy(other.array, other.array + length, array);
    }
    virtual ~Vector() { delete[] array; }

    void Begin() { position = 0; }
    bool IsNotEnd() const { return position < length; }
    T* Array() const { return array; }
    long Length() const { return length; }

    // Ascending sort of elements lo to hi. Equal values cannot be told
    // apart, so any correct sort gives the same result; this one has no
    // quadratic worst case and no deep recursion.
    virtual void QuickSort(long lo, long hi) {
        if (lo < 0 || hi >= length || hi <= lo) return;
        std::sort(array + lo, array + hi + 1);
    }

    virtual void Clear() { length = position = 0; }
    virtual T Get() const {
        if (position >= length) RaError();
        return array[position];
    }
    virtual T Get(long i) {
        CheckIndex(i);
        position = i;
        return array[i];
    }
    virtual T GetNext() {
        if (position >= length) RaError();
        return array[position++];
    }
    virtual T GetPrevious() {
        if (position == 0 || position >= length) RaError();
        return array[position--];
    }
    virtual void Put(T value, long i) {
        CheckIndex(i);
        position = i;
        array[i] = value;
    }
    virtual T operator[](long i) { return Get(i); }

    virtual Vector& operator=(Vector const& other) {
        if (this == &other) return *this;
        if (size != other.size) {
            T* block = Allocate(other.size);
            delete[] array;
            array = block;
            size = other.size;
        }
        std::copy(other.array, other.array + other.length, array);
        length = position = other.length;
        return *this;
    }
    virtual void Copy(Vector const& other) {
        if (this == &other) return;
        Reserve(other.length);
        std::copy(other.array, other.array + other.length, array);
        length = position = other.length;
    }
    virtual void Copy(T const* a, long n) {
        if (n < 0) RaError();
        Reserve(n);
        std::copy(a, a + n, array);
        length = n;
        position = 0;
    }
    virtual void Copy(T v) {
        array[0] = v;
        length = 1;
        position = 0;
    }
    // New array of the values (delete[] by the caller).
    virtual T* CopyToArray() const {
        T* a = Allocate(length > 0 ? length : 1);
        std::copy(array, array + length, a);
        return a;
    }
    virtual void CopyToArray(T* a, long n) const {
        std::copy(array, array + std::min(length, n < 0 ? 0 : n), a);
    }

    virtual void Append(Vector const& other) {
        long n = other.length;  // read first: other may be this vector
        Grow(length + n);
        std::copy(other.array, other.array + n, array + length);
        length += n;
    }
    virtual void Append(T const* a, long n) {
        if (n < 0) RaError();
        Grow(length + n);
        std::copy(a, a + n, array + length);
        length += n;
    }
    virtual void Append(T v) {
        Grow(length + 1);
        array[length++] = v;
    }

    virtual void Replace(Vector const& other, long at) { Replace(other.array, other.length, at); }
    virtual void Replace(T const* a, long n, long at) {
        if (n < 0 || at < 0 || at + n >= length) RaError();
        std::copy(a, a + n, array + at);
    }
    virtual void Replace(T v, long i) {
        CheckIndex(i);
        array[i] = v;
    }

    virtual void Insert(Vector const& other, long at) {
        if (this == &other) {
            Vector copy(other);
            Insert(copy.array, copy.length, at);
        } else {
            Insert(other.array, other.length, at);
        }
    }
    virtual void Insert(T const* a, long n, long at) {
        if (n < 0 || at < 0 || at > length) RaError();
        Grow(length + n);
        std::copy_backward(array + at, array + length, array + length + n);
        std::copy(a, a + n, array + at);
        length += n;
    }
    virtual void Insert(T v, long at) { Insert(&v, 1, at); }

    virtual void Remove(long i) { Delete(i); }
    virtual void Delete(long i) {
        CheckIndex(i);
        std::copy(array + i + 1, array + length, array + i);
        --length;
        position = 0;
    }
    virtual void Delete(long i, long n) {
        if (i < 0 || i >= length || n < 0 || i + n > length) RaError();
        std::copy(array + i + n, array + length, array + i);
        length -= n;
        position = 0;
    }
    virtual void DeleteEnd(long i) {
        CheckIndex(i);
        length = i;
        position = 0;
    }
    virtual bool Contains(T v) const { return std::find(array, array + length, v) != array + length; }
    virtual void Sort() { QuickSort(0, length - 1); }

    [[noreturn]] static void AlError() { throw VectorAllocationError; }
    [[noreturn]] static void RaError() { throw "ERROR: Vector array parameter is out of range"; }

private:
    static T* Allocate(long n) {
        if (n <= 0) RaError();
        T* block = new (std::nothrow) T[n];
        if (!block) AlError();
        return block;
    }
    void CheckIndex(long i) const {
        if (i < 0 || i >= length) RaError();
    }
    // Grows to exactly n elements when the capacity is smaller.
    void Reserve(long n) {
        if (size >= n) return;
        T* block = Allocate(n);
        std::copy(array, array + length, block);
        delete[] array;
        array = block;
        size = n;
    }
    // Growth of the appends: twice the new length when it exceeds the capacity.
    void Grow(long n) {
        if (n > size) Reserve(2 * n);
    }

    T* array;
    long length;
    long size;
    long position;
};

#endif

#include "filewriter.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <iostream>

#include "charclass.h"

static char* NewBuffer(long n) { return n > 0 ? new char[n] : nullptr; }

FileWriter::FileWriter() : FileWriter(1024) {}

FileWriter::FileWriter(long blockSize)
    : fd(-1),
      failed(false),
      error(0),
      buffer(NewBuffer(blockSize)),
      current(buffer),
      end(buffer + std::max(blockSize, 0L)),
      size(std::max(blockSize, 0L)),
      written(false) {}

FileWriter::~FileWriter() {
    if (fd >= 0) {
        // Held bytes belong to blocks already given to the file; only the
        // pending bytes are lost without Close().
        WriteOut(held.data(), static_cast<long>(held.size()));
        ::close(fd);
    }
    delete[] buffer;
}

void FileWriter::SetSize(long blockSize) {
    char* fresh = NewBuffer(blockSize);
    delete[] buffer;
    buffer = fresh;
    size = std::max(blockSize, 0L);
    current = buffer;
    end = buffer + size;
}

bool FileWriter::OpenFile(char const* path, int flags, unsigned mode) {
    if (fd >= 0) ::close(fd);
    fd = -1;
    current = buffer;
    held.clear();
    written = false;
    failed = false;
    error = 0;
    if (path) fd = ::open(path, flags | O_WRONLY | O_CREAT | O_CLOEXEC, mode);
    if (fd < 0) {
        Fail(path ? errno : EINVAL);
        return false;
    }
    struct stat status;
    written = (flags & O_APPEND) && ::fstat(fd, &status) == 0 && status.st_size > 0;
    return true;
}

bool FileWriter::Open(Str const& path) { return OpenFile(path.String(), O_TRUNC, 0666); }
bool FileWriter::Open(char const* path) { return OpenFile(path, O_TRUNC, 0666); }
bool FileWriter::Reopen(Str const& path) { return OpenFile(path.String(), O_APPEND, 0666); }
bool FileWriter::Reopen(char const* path) { return OpenFile(path, O_APPEND, 0666); }

bool FileWriter::Create(Str const& path, int mode) {
    return OpenFile(path.String(), O_EXCL, static_cast<unsigned>(mode));
}

bool FileWriter::Sync() {
    if (fd < 0) return false;
    if (!held.empty() || current != buffer) written = true;
    WriteOut(held.data(), static_cast<long>(held.size()));
    WriteOut(buffer, current - buffer);
    held.clear();
    current = buffer;
    if (!failed && ::fsync(fd) != 0) Fail(errno);
    return !failed;
}

bool FileWriter::SetMode(int mode) {
    if (fd < 0) return false;
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) Fail(errno);
    return !failed;
}

bool FileWriter::Close() {
    if (fd < 0) {
        current = buffer;
        held.clear();
        return false;
    }
    WriteOut(held.data(), static_cast<long>(held.size()));
    WriteOut(buffer, current - buffer);
    held.clear();
    current = buffer;
    if (::close(fd) != 0) Fail(errno);
    fd = -1;
    return !failed;
}

void FileWriter::Fail(int number) {
    if (!failed) error = number;
    failed = true;
}

char const* FileWriter::GetErrorText() const { return std::strerror(error); }

bool FileWriter::Check(Str const& path) { return Check(path.String()); }

bool FileWriter::Check(char const* path) {
    struct stat status;
    return path && ::stat(path, &status) == 0;
}

void FileWriter::WriteOut(char const* bytes, long n) {
    if (fd < 0 || failed) return;
    while (n > 0) {
        ssize_t k = ::write(fd, bytes, static_cast<size_t>(n));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            Fail(k < 0 ? errno : EIO);
            return;
        }
        bytes += k;
        n -= k;
    }
}

void FileWriter::Emit(char const* bytes, long n) {
    long kept = n;
    while (kept > 0 && CharClass::IsSpace(static_cast<unsigned char>(bytes[kept - 1]))) --kept;
    if (kept == 0) {
        held.append(bytes, static_cast<size_t>(n));
        return;
    }
    WriteOut(held.data(), static_cast<long>(held.size()));
    WriteOut(bytes, kept);
    held.assign(bytes + kept, static_cast<size_t>(n - kept));
    written = true;
}

void FileWriter::Store(char const* bytes, long n) {
    if (n <= 0) return;
    if (size == 0) {
        Emit(bytes, n);
        return;
    }
    while (n > 0) {
        long k = std::min(n, static_cast<long>(end - current));
        std::memcpy(current, bytes, static_cast<size_t>(k));
        current += k;
        bytes += k;
        n -= k;
        if (current == end) {
            Emit(buffer, size);
            current = buffer;
        }
    }
}

void FileWriter::StoreSpaces(long n) {
    static char const spaces[] = "                                                                ";
    long const chunk = sizeof spaces - 1;
    for (; n > 0; n -= chunk) Store(spaces, std::min(n, chunk));
}

void FileWriter::StorePadded(char const* text, long n, long width, bool right) {
    if (right) StoreSpaces(width - n);
    Store(text, n);
    if (!right) StoreSpaces(width - n);
}

void FileWriter::RemoveEndBlankLines() {
    long heldLength = static_cast<long>(held.size());
    long total = heldLength + (current - buffer);
    auto at = [&](long i) { return i < heldLength ? held[i] : buffer[i - heldLength]; };
    long other = total - 1;  // the last byte that is not whitespace
    while (other >= 0 && CharClass::IsSpace(static_cast<unsigned char>(at(other)))) --other;
    if (other < 0 && !written) other = 0;  // only whitespace so far: keep the first byte
    long newline = other + 1;
    while (newline < total && at(newline) != '\n') ++newline;
    if (newline >= total) return;
    long keep = newline + 1;
    if (keep <= heldLength) {
        held.resize(static_cast<size_t>(keep));
        current = buffer;
    } else {
        current = buffer + (keep - heldLength);
    }
}

void FileWriter::Append(Str const& x) { Store(x.String(), x.Length()); }
void FileWriter::Append(char const* x) { Store(x, x ? static_cast<long>(std::strlen(x)) : 0); }
void FileWriter::Append(char x) { Store(&x, 1); }
void FileWriter::Append(long x) {
    char text[Str::NumberSize];
    Store(text, Str::IntegerText(x, text));
}

void FileWriter::Append(double x) {
    char text[Str::NumberSize];
    Store(text, Str::FloatText(x, text));
}

void FileWriter::AppendLine() { Store("\n", 1); }

void FileWriter::AppendLine(Str const& x) {
    FileWriter::Append(x);
    Store("\n", 1);
}

void FileWriter::AppendLine(char const* x) {
    FileWriter::Append(x);
    Store("\n", 1);
}

void FileWriter::AppendLine(char x) {
    Store(&x, 1);
    Store("\n", 1);
}

void FileWriter::AppendLine(long x) {
    FileWriter::Append(x);
    Store("\n", 1);
}

void FileWriter::AppendLine(double x) {
    FileWriter::Append(x);
    Store("\n", 1);
}

void FileWriter::AppendToken(Str const& x) { FileWriter::AppendToken(x, ' '); }
void FileWriter::AppendToken(char const* x) { FileWriter::AppendToken(x, ' '); }
void FileWriter::AppendToken(char x) { FileWriter::AppendToken(x, ' '); }
void FileWriter::AppendToken(long x) { FileWriter::AppendToken(x, ' '); }
void FileWriter::AppendToken(double x) { FileWriter::AppendToken(x, ' '); }

void FileWriter::AppendToken(Str const& x, char sep) {
    FileWriter::Append(x);
    Store(&sep, 1);
}

void FileWriter::AppendToken(char const* x, char sep) {
    FileWriter::Append(x);
    Store(&sep, 1);
}

void FileWriter::AppendToken(char x, char sep) {
    Store(&x, 1);
    Store(&sep, 1);
}

void FileWriter::AppendToken(long x, char sep) {
    FileWriter::Append(x);
    Store(&sep, 1);
}

void FileWriter::AppendToken(double x, char sep) {
    FileWriter::Append(x);
    Store(&sep, 1);
}

void FileWriter::AppendByte(char x) { Store(&x, 1); }
void FileWriter::AppendByte(char const* x, long n) { Store(x, n); }
void FileWriter::AppendByte(unsigned char x) { Store(reinterpret_cast<char const*>(&x), 1); }

void FileWriter::AppendByte(unsigned char const* x, long n) {
    Store(reinterpret_cast<char const*>(x), n);
}

void FileWriter::AppendInteger(short x) { AppendInteger(static_cast<unsigned short>(x)); }

void FileWriter::AppendInteger(short const* x, long n) {
    for (long i = 0; i < n; ++i) AppendInteger(static_cast<unsigned short>(x[i]));
}

void FileWriter::AppendInteger(unsigned short x) {
    char b[2] = {static_cast<char>(x >> 8), static_cast<char>(x)};
    Store(b, 2);
}

void FileWriter::AppendInteger(unsigned short const* x, long n) {
    for (long i = 0; i < n; ++i) AppendInteger(x[i]);
}

void FileWriter::AppendInteger(long x) { AppendInteger(static_cast<unsigned long>(x)); }

void FileWriter::AppendInteger(long const* x, long n) {
    for (long i = 0; i < n; ++i) AppendInteger(static_cast<unsigned long>(x[i]));
}

void FileWriter::AppendInteger(unsigned long x) {
    char b[4] = {static_cast<char>(x >> 24), static_cast<char>(x >> 16), static_cast<char>(x >> 8),
                 static_cast<char>(x)};
    Store(b, 4);
}

void FileWriter::AppendInteger(unsigned long const* x, long n) {
    for (long i = 0; i < n; ++i) AppendInteger(x[i]);
}

void FileWriter::AppendFloat(float x) { Store(reinterpret_cast<char const*>(&x), sizeof x); }

void FileWriter::AppendFloat(float const* x, long n) {
    if (n > 0) Store(reinterpret_cast<char const*>(x), n * static_cast<long>(sizeof *x));
}

void FileWriter::AppendFloat(double x) { Store(reinterpret_cast<char const*>(&x), sizeof x); }

void FileWriter::AppendFloat(double const* x, long n) {
    if (n > 0) Store(reinterpret_cast<char const*>(x), n * static_cast<long>(sizeof *x));
}

void FileWriter::AppendString(Str const& x) { Store(x.String(), x.Length() + 1); }

void FileWriter::AppendString(char const* x) {
    if (x) Store(x, static_cast<long>(std::strlen(x)));
    Store("", 1);
}

void FileWriter::AppendField(Str const& x, long width) {
    if (width <= 0) return;
    long n = std::min(x.Length(), width);
    Store(x.String(), n);
    StoreSpaces(width - n);
}

void FileWriter::AppendField(char const* x, long width) {
    if (width <= 0) return;
    long n = x ? static_cast<long>(strnlen(x, static_cast<size_t>(width))) : 0;
    Store(x, n);
    StoreSpaces(width - n);
}

void FileWriter::Append(Str const& x, long width, bool right) {
    StorePadded(x.String(), x.Length(), width, right);
}

void FileWriter::Append(char const* x, long width, bool right) {
    StorePadded(x, x ? static_cast<long>(std::strlen(x)) : 0, width, right);
}

void FileWriter::Append(char x, long width, bool right) { StorePadded(&x, 1, width, right); }

void FileWriter::Append(long x, long width, bool right) {
    char text[Str::NumberSize];
    StorePadded(text, Str::IntegerText(x, text), width, right);
}

void FileWriter::Append(double x, long width, bool right) {
    char text[Str::NumberSize];
    StorePadded(text, Str::FloatText(x, text), width, right);
}

FileWriter& FileWriter::operator<<(Str const& x) {
    FileWriter::Append(x);
    return *this;
}

FileWriter& FileWriter::operator<<(char const* x) {
    FileWriter::Append(x);
    return *this;
}

FileWriter& FileWriter::operator<<(char x) {
    Store(&x, 1);
    return *this;
}

FileWriter& FileWriter::operator<<(long x) {
    FileWriter::Append(x);
    return *this;
}

FileWriter& FileWriter::operator<<(double x) {
    FileWriter::Append(x);
    return *this;
}


// ---------------------------------------------------------------- CoutWriter

static void PutPadded(char const* text, long n, long width, bool right) {
    for (long i = n; right && i < width; ++i) std::cout.put(' ');
    std::cout.write(text, n);
    for (long i = n; !right && i < width; ++i) std::cout.put(' ');
}

// Standard output is never closed here; a failed write to it is reported.
bool CoutWriter::Close() { return static_cast<bool>(std::cout.flush()); }

void CoutWriter::Append(Str const& x) { std::cout.write(x.String(), x.Length()); }
void CoutWriter::Append(char const* x) {
    if (x) std::cout << x;
}
void CoutWriter::Append(char x) { std::cout << x; }
void CoutWriter::Append(long x) { std::cout << x; }
void CoutWriter::Append(double x) { std::cout << x; }

void CoutWriter::AppendLine() { std::cout << '\n'; }

void CoutWriter::AppendLine(Str const& x) {
    CoutWriter::Append(x);
    std::cout << '\n';
}

void CoutWriter::AppendLine(char const* x) {
    CoutWriter::Append(x);
    std::cout << '\n';
}

void CoutWriter::AppendLine(char x) { std::cout << x << '\n'; }
void CoutWriter::AppendLine(long x) { std::cout << x << '\n'; }
void CoutWriter::AppendLine(double x) { std::cout << x << '\n'; }

void CoutWriter::AppendToken(Str const& x) { CoutWriter::AppendToken(x, ' '); }
void CoutWriter::AppendToken(char const* x) { CoutWriter::AppendToken(x, ' '); }
void CoutWriter::AppendToken(char x) { CoutWriter::AppendToken(x, ' '); }
void CoutWriter::AppendToken(long x) { CoutWriter::AppendToken(x, ' '); }
void CoutWriter::AppendToken(double x) { CoutWriter::AppendToken(x, ' '); }

void CoutWriter::AppendToken(Str const& x, char sep) {
    CoutWriter::Append(x);
    std::cout << sep;
}

void CoutWriter::AppendToken(char const* x, char sep) {
    CoutWriter::Append(x);
    std::cout << sep;
}

void CoutWriter::AppendToken(char x, char sep) { std::cout << x << sep; }
void CoutWriter::AppendToken(long x, char sep) { std::cout << x << sep; }
void CoutWriter::AppendToken(double x, char sep) { std::cout << x << sep; }

void CoutWriter::AppendByte(char x) { std::cout.put(x); }

void CoutWriter::AppendByte(char const* x, long n) {
    if (n > 0) std::cout.write(x, n);
}

void CoutWriter::Append(Str const& x, long width, bool right) {
    PutPadded(x.String(), x.Length(), width, right);
}

void CoutWriter::Append(char const* x, long width, bool right) {
    PutPadded(x ? x : "", x ? static_cast<long>(std::strlen(x)) : 0, width, right);
}

void CoutWriter::Append(char x, long width, bool right) { PutPadded(&x, 1, width, right); }

void CoutWriter::Append(long x, long width, bool right) {
    char text[Str::NumberSize];
    PutPadded(text, Str::IntegerText(x, text), width, right);
}

void CoutWriter::Append(double x, long width, bool right) {
    char text[Str::NumberSize];
    PutPadded(text, Str::FloatText(x, text), width, right);
}

FileWriter& CoutWriter::operator<<(Str const& x) {
    CoutWriter::Append(x);
    return *this;
}

FileWriter& CoutWriter::operator<<(char const* x) {
    CoutWriter::Append(x);
    return *this;
}

FileWriter& CoutWriter::operator<<(char x) {
    std::cout << x;
    return *this;
}

FileWriter& CoutWriter::operator<<(long x) {
    std::cout << x;
    return *this;
}

FileWriter& CoutWriter::operator<<(double x) {
    std::cout << x;
    return *this;
}

#include "fileio.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <vector>

// Space, tab, line feed, vertical tab, form feed, carriage return.
static bool IsSpace(unsigned char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') < 5; }

// Reads up to n bytes, retrying short reads; an error ends the input and
// is noted in `failed`.
static long ReadFully(int fd, char* to, long n, bool& failed) {
    long got = 0;
    while (fd >= 0 && got < n) {
        ssize_t k = ::read(fd, to + got, static_cast<size_t>(n - got));
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) failed = true;
        if (k <= 0) break;
        got += k;
    }
    return got;
}

static char* NewBuffer(long n) { return n > 0 ? new char[n] : nullptr; }

// Stop finders for FileReader::Scan: each returns the first stop byte in
// [from, to), or `to`.
static auto ToByte(char byte) {
    return [byte](char* from, char* to) {
        void* hit = std::memchr(from, byte, static_cast<size_t>(to - from));
        return hit ? static_cast<char*>(hit) : to;
    };
}

static auto ToByteOrNewline(char byte) {
    return [byte](char* from, char* to) {
        while (from != to && *from != byte && *from != '\n') ++from;
        return from;
    };
}

static auto const ToSpace = [](char* from, char* to) {
    while (from != to && !IsSpace(static_cast<unsigned char>(*from))) ++from;
    return from;
};

static auto const ToNonSpace = [](char* from, char* to) {
    while (from != to && IsSpace(static_cast<unsigned char>(*from))) ++from;
    return from;
};

// ---------------------------------------------------------------- FileReader

FileReader::FileReader() : FileReader(1024) {}

FileReader::FileReader(long blockSize)
    : fd(-1),
      buffer(NewBuffer(blockSize)),
      current(buffer),
      end(buffer),
      size(std::max(blockSize, 0L)),
      block(0),
      count(0),
      line(0),
      last(false),
      fileSize(0),
      nulInBlock(false),
      failed(false),
      nulLine(0) {}

FileReader::~FileReader() {
    Close();
    delete[] buffer;
}

void FileReader::SetSize(long blockSize) {
    char* fresh = NewBuffer(blockSize);
    delete[] buffer;
    buffer = fresh;
    size = std::max(blockSize, 0L);
    EmptyWindow();
    last = false;
}

void FileReader::EmptyWindow() {
    current = end = buffer;
    count = 0;
    nulInBlock = false;
}

bool FileReader::Open(Str const& path) { return Open(path.String()); }

bool FileReader::Open(char const* path) {
    Close();
    // Nothing of a previous file may be read after a failed open.
    line = 0;
    block = 0;
    fileSize = 0;
    failed = false;
    nulLine = 0;
    EmptyWindow();
    last = true;
    if (!path) return false;
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        Close();
        return false;
    }
    if (S_ISREG(status.st_mode)) fileSize = static_cast<long>(status.st_size);
    block = -1;
    Refill();
    return true;
}

void FileReader::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool FileReader::Check(Str const& path) { return Check(path.String()); }

bool FileReader::Check(char const* path) {
    struct stat status;
    return path && ::stat(path, &status) == 0;
}

bool FileReader::Refill() {
    count = ReadFully(fd, buffer, size, failed);
    last = count < size || count == 0;
    current = buffer;
    end = buffer + count;
    nulInBlock = count > 0 && std::memchr(buffer, '\0', static_cast<size_t>(count)) != nullptr;
    ++block;
    return count > 0;
}

bool FileReader::LoadBlock(long index) {
    if (fd < 0 || ::lseek(fd, static_cast<off_t>(index) * size, SEEK_SET) < 0) return false;
    block = index - 1;
    Refill();
    return true;
}

bool FileReader::SetPosition(long pos) {
    if (pos < 0 || size <= 0) return false;
    long index = pos / size;
    if (index != block && !LoadBlock(index)) return false;
    // Beyond the end of the file the reader stands at the end of input.
    current = buffer + std::min(pos % size, count);
    return true;
}

inline void FileReader::AppendTo(Str& target, char const* from, long n) {
    if (n <= 0) return;
    long length = target.length + n;
    if (length >= target.size) Grow(target, length);
    std::memcpy(target.buffer + target.length, from, static_cast<size_t>(n));
    target.length = length;
    target.buffer[length] = '\0';
}

// Room for `length` characters by doubling, the text kept.
void FileReader::Grow(Str& target, long length) {
    char* grown = new (std::nothrow) char[2 * length];
    if (!grown) Str::AlError();
    std::memcpy(grown, target.buffer, static_cast<size_t>(target.length));
    delete[] target.buffer;
    target.buffer = grown;
    target.size = 2 * length;
}

template <class Stop>
bool FileReader::Scan(Str* target, Stop stop, bool countLines) {
    bool cut = false;  // a NUL ended the text: the rest of the item is dropped
    while (Available()) {
        char* from = current;
        char* hit = stop(from, end);
        if (countLines) line += std::count(from, hit, '\n');
        if (target && !cut) {
            long n = hit - from;
            if (nulInBlock) {
                void* nul = std::memchr(from, '\0', static_cast<size_t>(n));
                cut = nul != nullptr;
                if (cut) {
                    n = static_cast<char*>(nul) - from;
                    if (nulLine == 0) nulLine = line + 1;  // texts that are cut hold no line end
                }
            }
            AppendTo(*target, from, n);
        }
        current = hit;
        if (hit != end) return true;
    }
    return false;
}

void FileReader::Empty(Str& target) {
    target.length = 0;
    target.buffer[0] = '\0';
}

void FileReader::SkipSpaces() { Scan(nullptr, ToNonSpace, true); }

bool FileReader::GetCharacter(char& ch) {
    SkipSpaces();
    if (!Available()) return false;
    ch = *current++;
    return true;
}

bool FileReader::GetToken(Str& target) {
    Empty(target);
    for (; current != end && IsSpace(static_cast<unsigned char>(*current)); ++current) {
        if (*current == '\n') ++line;
    }
    if (current == end) SkipSpaces();
    if (!Available()) return false;
    // The common case in one step: the whole token is in the window.
    char* after = ToSpace(current, end);
    long n = after - current;
    if (after != end && !nulInBlock && n < target.size) {
        std::memcpy(target.buffer, current, static_cast<size_t>(n));
        target.buffer[n] = '\0';
        target.length = n;
        current = after;
        return true;
    }
    Scan(&target, ToSpace, false);
    return true;
}

void FileReader::SkipToken(int n) {
    for (int i = 0; i < n; ++i) {
        SkipSpaces();
        if (!Scan(nullptr, ToSpace, false)) return;
        if (*current++ == '\n') ++line;
    }
}

bool FileReader::GetToken(Str& target, char separator) {
    if (!Available()) return false;
    Empty(target);
    if (Scan(&target, ToByteOrNewline(separator), false) && *current++ == '\n') ++line;
    return true;
}

void FileReader::SkipToken(char separator, int n) {
    for (int i = 0; i < n; ++i) {
        if (!Scan(nullptr, ToByte(separator), true)) return;
        if (*current++ == '\n') ++line;
    }
}

void FileReader::ReadLine(Str& target) {
    Empty(target);
    if (Scan(&target, ToByte('\n'), false)) {
        ++current;
        ++line;
    }
}

bool FileReader::GetLine(Str& target) {
    if (!Available()) return false;
    // The common case in one step: the whole line is in the window.
    char* newline = static_cast<char*>(std::memchr(current, '\n', static_cast<size_t>(end - current)));
    long n = newline ? newline - current : 0;
    if (newline && !nulInBlock && n < target.size) {
        std::memcpy(target.buffer, current, static_cast<size_t>(n));
        target.buffer[n] = '\0';
        target.length = n;
        current = newline + 1;
        ++line;
        return true;
    }
    ReadLine(target);
    return true;
}

bool FileReader::GetTextLine(Str& target) {
    while (GetLine(target)) {
        char const* text = target.String();
        for (long i = 0; i < target.Length(); ++i) {
            if (!IsSpace(static_cast<unsigned char>(text[i]))) return true;
        }
    }
    Empty(target);
    return false;
}

FileReader& FileReader::operator>>(Str& target) {
    ReadLine(target);
    return *this;
}

void FileReader::SkipLine(int n) {
    for (int i = 0; i < n; ++i) {
        if (!Scan(nullptr, ToByte('\n'), false)) return;
        ++current;
        ++line;
    }
}

long FileReader::Take(char* to, long n) {
    long taken = 0;
    while (taken < n && Available()) {
        long k = std::min(n - taken, static_cast<long>(end - current));
        std::memcpy(to + taken, current, static_cast<size_t>(k));
        current += k;
        taken += k;
    }
    return taken;
}

bool FileReader::TakeExactly(char* to, long n) {
    if (end - current >= n) {
        std::memcpy(to, current, static_cast<size_t>(n));
        current += n;
        return true;
    }
    long start = GetPosition();
    if (Take(to, n) == n) return true;
    SetPosition(start);  // a value cut by the end of the file is not consumed
    return false;
}

bool FileReader::GetByte(char& value) { return TakeExactly(&value, 1); }

bool FileReader::GetByte(unsigned char& value) {
    return TakeExactly(reinterpret_cast<char*>(&value), 1);
}

bool FileReader::GetByte(long pos, char& value) { return SetPosition(pos) && GetByte(value); }

bool FileReader::GetByte(long pos, unsigned char& value) {
    return SetPosition(pos) && GetByte(value);
}

long FileReader::GetByte(char* values, long n) { return Take(values, n); }

long FileReader::GetByte(unsigned char* values, long n) {
    return Take(reinterpret_cast<char*>(values), n);
}

static uint16_t BigEndian16(unsigned char const* b) { return static_cast<uint16_t>(b[0] << 8 | b[1]); }

static uint32_t BigEndian32(unsigned char const* b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
           static_cast<uint32_t>(b[2]) << 8 | b[3];
}

bool FileReader::GetInteger(short& value) {
    unsigned char b[2];
    if (!TakeExactly(reinterpret_cast<char*>(b), 2)) return false;
    value = static_cast<int16_t>(BigEndian16(b));
    return true;
}

bool FileReader::GetInteger(unsigned short& value) {
    unsigned char b[2];
    if (!TakeExactly(reinterpret_cast<char*>(b), 2)) return false;
    value = BigEndian16(b);
    return true;
}

bool FileReader::GetInteger(long pos, short& value) { return SetPosition(pos) && GetInteger(value); }

bool FileReader::GetInteger(long pos, unsigned short& value) {
    return SetPosition(pos) && GetInteger(value);
}

bool FileReader::GetInteger(long& value) {
    unsigned char b[4];
    if (!TakeExactly(reinterpret_cast<char*>(b), 4)) return false;
    value = static_cast<int32_t>(BigEndian32(b));
    return true;
}

bool FileReader::GetInteger(unsigned long& value) {
    unsigned char b[4];
    if (!TakeExactly(reinterpret_cast<char*>(b), 4)) return false;
    value = BigEndian32(b);
    return true;
}

bool FileReader::GetInteger(long pos, long& value) { return SetPosition(pos) && GetInteger(value); }

bool FileReader::GetInteger(long pos, unsigned long& value) {
    return SetPosition(pos) && GetInteger(value);
}

long FileReader::GetInteger(short* values, long n) {
    long i = 0;
    while (i < n && GetInteger(values[i])) ++i;
    return i;
}

long FileReader::GetInteger(unsigned short* values, long n) {
    long i = 0;
    while (i < n && GetInteger(values[i])) ++i;
    return i;
}

long FileReader::GetInteger(long* values, long n) {
    long i = 0;
    while (i < n && GetInteger(values[i])) ++i;
    return i;
}

long FileReader::GetInteger(unsigned long* values, long n) {
    long i = 0;
    while (i < n && GetInteger(values[i])) ++i;
    return i;
}

bool FileReader::GetFloat(float& value) {
    char b[sizeof value];
    if (!TakeExactly(b, sizeof b)) return false;
    std::memcpy(&value, b, sizeof value);
    return true;
}

bool FileReader::GetFloat(double& value) {
    char b[sizeof value];
    if (!TakeExactly(b, sizeof b)) return false;
    std::memcpy(&value, b, sizeof value);
    return true;
}

bool FileReader::GetFloat(long pos, float& value) { return SetPosition(pos) && GetFloat(value); }

bool FileReader::GetFloat(long pos, double& value) { return SetPosition(pos) && GetFloat(value); }

long FileReader::GetFloat(float* values, long n) {
    long i = 0;
    while (i < n && GetFloat(values[i])) ++i;
    return i;
}

long FileReader::GetFloat(double* values, long n) {
    long i = 0;
    while (i < n && GetFloat(values[i])) ++i;
    return i;
}

bool FileReader::GetString(Str& target) {
    if (!Available()) return false;
    Empty(target);
    if (Scan(&target, ToByte('\0'), true)) ++current;
    return true;
}

bool FileReader::GetString(long pos, Str& target) {
    Empty(target);
    if (!SetPosition(pos)) return false;
    if (!Scan(&target, ToByte('\0'), true)) return false;
    ++current;
    return true;
}

// Takes up to n bytes; the text keeps those before the first NUL. The room
// reserved is capped at the bytes left in the file, so a wild count read
// from a damaged file allocates nothing large.
void FileReader::ReadCounted(Str& target, long n) {
    Empty(target);
    long reserve = std::min(n, std::max(fileSize - GetPosition(), 0L));
    if (reserve > 0 && target.size <= reserve) {
        char* room = new (std::nothrow) char[reserve + 1];
        if (!room) Str::AlError();
        delete[] target.buffer;
        target.buffer = room;
        target.buffer[0] = '\0';
        target.size = reserve + 1;
    }
    bool ended = false;
    while (n > 0 && Available()) {
        long k = std::min(n, static_cast<long>(end - current));
        if (!ended) {
            void* nul = std::memchr(current, '\0', static_cast<size_t>(k));
            AppendTo(target, current, nul ? static_cast<char*>(nul) - current : k);
            ended = nul != nullptr;
        }
        current += k;
        n -= k;
    }
}

bool FileReader::GetString(Str& target, long n) {
    if (!Available()) return false;
    ReadCounted(target, n);
    return true;
}

bool FileReader::GetString(long pos, Str& target, long n) {
    if (!SetPosition(pos)) {
        Empty(target);
        return false;
    }
    ReadCounted(target, n);
    return true;
}

bool FileReader::GetString(char* target, long n) {
    if (!Available()) return false;
    target[Take(target, std::max(n, 0L))] = '\0';
    return true;
}

bool FileReader::GetString(long pos, char* target, long n) {
    if (!SetPosition(pos)) return false;
    target[Take(target, std::max(n, 0L))] = '\0';
    return true;
}

// ---------------------------------------------------------------- FileWriter

FileWriter::FileWriter() : FileWriter(1024) {}

FileWriter::FileWriter(long blockSize)
    : fd(-1),
      failed(false),
      buffer(NewBuffer(blockSize)),
      current(buffer),
      end(buffer + std::max(blockSize, 0L)),
      size(std::max(blockSize, 0L)),
      written(false),
      cut(false) {}

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
    cut = flags == 0;
    if (path) fd = ::open(path, flags | O_WRONLY | O_CREAT | O_CLOEXEC, mode);
    if (fd < 0) {
        failed = true;
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

bool FileWriter::Rewrite(Str const& path) { return OpenFile(path.String(), 0, 0666); }

bool FileWriter::Create(Str const& path) { return OpenFile(path.String(), O_EXCL, 0600); }

bool FileWriter::Sync() {
    if (fd < 0) return false;
    if (!held.empty() || current != buffer) written = true;
    WriteOut(held.data(), static_cast<long>(held.size()));
    WriteOut(buffer, current - buffer);
    held.clear();
    current = buffer;
    if (!failed && ::fsync(fd) != 0) failed = true;
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
    if (cut && !failed) {
        off_t length = ::lseek(fd, 0, SEEK_CUR);
        // A device or pipe has no length to cut (EINVAL).
        if (length < 0 || (::ftruncate(fd, length) != 0 && errno != EINVAL)) failed = true;
    }
    if (::close(fd) != 0) failed = true;
    fd = -1;
    return !failed;
}

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
            failed = true;
            return;
        }
        bytes += k;
        n -= k;
    }
}

void FileWriter::Emit(char const* bytes, long n) {
    long kept = n;
    while (kept > 0 && IsSpace(static_cast<unsigned char>(bytes[kept - 1]))) --kept;
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
    while (other >= 0 && IsSpace(static_cast<unsigned char>(at(other)))) --other;
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

// ----------------------------------------------------------------- Directory

// Replaces the list's texts by the names in ascending byte order.
static void FillSorted(StrList& list, std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](std::string const& a, std::string const& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    list.Clear();
    for (std::string const& name : names) list.Append(name.c_str());
}

// The variable's value with a trailing '/', or the empty text when it is
// unset or empty.
static Str WithSlash(char const* value) {
    Str path;
    if (!value || !*value) return path;
    path.Append(value);
    if (value[std::strlen(value) - 1] != '/') path.Append('/');
    return path;
}

Directory::~Directory() {
    dirs.Clear();
    files.Clear();
}

bool Directory::Open(Str const& path, bool all) { return Open(path.String(), all); }

bool Directory::Open(char const* path, bool all) {
    if (!path) return false;
    std::string directory(path);
    if (directory.empty() || directory.back() != '/') directory += '/';
    DIR* handle = ::opendir(directory.c_str());
    if (!handle) return false;
    std::vector<std::string> dirNames;
    std::vector<std::string> fileNames;
    while (dirent* entry = ::readdir(handle)) {
        char const* name = entry->d_name;
        if (name[0] == '.' && !all) continue;
#ifdef _DIRENT_HAVE_D_TYPE
        // A regular file needs no probe: it would be refused as no directory.
        if (entry->d_type == DT_REG) {
            fileNames.push_back(name);
            continue;
        }
#endif
        std::string full = directory + name;
        // Opened as a directory (links followed): a subdirectory; refused as
        // not one: a file; any other failure (no access, a dangling link):
        // neither.
        int probe = ::open(full.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (probe >= 0) {
            ::close(probe);
            dirNames.push_back(name);
        } else if (errno == ENOTDIR) {
            fileNames.push_back(name);
        }
    }
    ::closedir(handle);
    FillSorted(dirs, dirNames);
    FillSorted(files, fileNames);
    return true;
}

bool Directory::Check(Str const& path, bool read, bool write) {
    return Check(path.String(), read, write);
}

bool Directory::Check(char const* path, bool read, bool write) {
    struct stat status;
    checkError = 0;
    if (!path || ::stat(path, &status) != 0 || !S_ISDIR(status.st_mode)) {
        checkError = 1;
    } else if (read && ::access(path, R_OK | X_OK) != 0) {
        checkError = 2;
    } else if (write && ::access(path, W_OK | X_OK) != 0) {
        checkError = 3;
    }
    return checkError == 0;
}

Str Directory::GetHomeDirectory() { return WithSlash(std::getenv("HOME")); }

Str Directory::GetCurrentDirectory() {
    char const* pwd = std::getenv("PWD");
    struct stat named;
    struct stat actual;
    if (pwd && *pwd && ::stat(pwd, &named) == 0 && ::stat(".", &actual) == 0 &&
        named.st_dev == actual.st_dev && named.st_ino == actual.st_ino) {
        return WithSlash(pwd);
    }
    std::vector<char> path(4096);
    while (!::getcwd(path.data(), path.size())) {
        if (errno != ERANGE) return Str();
        path.resize(path.size() * 2);
    }
    return WithSlash(path.data());
}

bool Directory::GetNextFile(Str& name) {
    Str* next = files.GetNext();
    if (!next) return false;
    name.Copy(*next);
    return true;
}

void Directory::GetFileList(StrList& list) {
    list.Clear();
    files.Begin();
    while (Str* name = files.GetNext()) list.Append(*name);
}

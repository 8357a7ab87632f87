#include "filereader.h"

#include "bigendian.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "charclass.h"

static char* NewBuffer(long n) { return n > 0 ? new char[n] : nullptr; }

// Reads up to n bytes, retrying short reads; an error ends the input and
// its number is left in `error`.
static long ReadFully(int fd, char* to, long n, int& error) {
    long got = 0;
    while (fd >= 0 && got < n) {
        ssize_t k = ::read(fd, to + got, static_cast<size_t>(n - got));
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) error = errno;
        if (k <= 0) break;
        got += k;
    }
    return got;
}

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

static auto const ToSpace = [](char* from, char* to) { return from + (CharClass::ToSpace(from, to) - from); };
static auto const ToNonSpace = [](char* from, char* to) { return from + (CharClass::ToNonSpace(from, to) - from); };

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
      error(0),
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
    Reset();
    if (!path) return false;
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) error = errno;
    return fd >= 0 && Start();
}

FileReader::Opening FileReader::OpenRegular(Str const& path) {
    Reset();
    // Without O_NONBLOCK, opening a pipe waits for a writer.
    fd = ::open(path.String(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        return NotOpened;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        Close();
        return NotRegular;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = errno;
        Close();
        return NotOpened;
    }
    if (!Start()) return NotOpened;
    fileSize = static_cast<long>(status.st_size);
    return Opened;
}

// Nothing of a previous file may be read after a failed open.
void FileReader::Reset() {
    Close();
    line = 0;
    block = 0;
    fileSize = 0;
    failed = false;
    error = 0;
    nulLine = 0;
    EmptyWindow();
    last = true;
}

bool FileReader::Start() {
    // A directory opens, but its first read fails: it is no file to read.
    // (Without a buffer there is no read to tell.)
    struct stat status;
    if (size == 0 && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) error = EISDIR;
    block = -1;
    Refill();
    if (error == EISDIR) {
        Close();
        EmptyWindow();
        last = true;
        block = 0;
        failed = false;
        return false;
    }
    fileSize = -1;  // known when asked for
    return true;
}

long FileReader::GetFileSize() const {
    if (fileSize < 0) {
        struct stat status;
        bool regular = fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
        fileSize = regular ? static_cast<long>(status.st_size) : 0;
    }
    return fileSize;
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

bool FileReader::IsDevice(Str const& path) {
    struct stat status;
    return ::stat(path.String(), &status) == 0 && (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode));
}

bool FileReader::Refill() {
    count = ReadFully(fd, buffer, size, error);
    if (error != 0) failed = true;
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
    for (; current != end && CharClass::IsSpace(static_cast<unsigned char>(*current)); ++current) {
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
            if (!CharClass::IsSpace(static_cast<unsigned char>(text[i]))) return true;
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
    long reserve = std::min(n, std::max(GetFileSize() - GetPosition(), 0L));
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

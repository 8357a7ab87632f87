#ifndef SUPPORT_FILEWRITER_H
#define SUPPORT_FILEWRITER_H

#include <string>

#include "str.h"

// Block-buffered output file. Any failed open, write or flush is remembered
// and reported by Close(), so that no caller replaces a file with a partial
// one. Numbers are written as Str's own texts.
class FileWriter {
public:
    FileWriter();
    explicit FileWriter(long blockSize);
    virtual ~FileWriter();
    FileWriter(FileWriter const&) = delete;
    FileWriter& operator=(FileWriter const&) = delete;

    void SetSize(long blockSize);
    virtual bool Open(Str const& path);
    virtual bool Open(char const* path);
    virtual bool Reopen(Str const& path);
    virtual bool Reopen(char const* path);
    // Creates a new file for writing with the permission bits `mode` less
    // the umask (by default readable and writable by its owner only); false
    // when the path exists (a link too, never followed) or cannot be
    // created.
    bool Create(Str const& path, int mode = 0600);
    // Writes every pending byte and forces the file's data to the disk;
    // false on any failure (also reported by Close).
    bool Sync();
    // Gives the open file the permission bits `mode`; false when it is not
    // open or they cannot be set (also reported by Close).
    bool SetMode(int mode);
    // Writes the pending bytes and closes the file; false when the file
    // could not be opened or any byte of it could not be written.
    virtual bool Close();
    // The system's text for the first failure since the last open: why
    // Close (or Sync, SetMode) answered false.
    char const* GetErrorText() const;
    virtual bool Check(Str const& path);
    virtual bool Check(char const* path);
    // Drops the trailing blank lines of everything appended so far; the
    // last line keeps its newline.
    void RemoveEndBlankLines();

    virtual void Append(Str const& x);
    virtual void Append(char const* x);
    virtual void Append(char x);
    virtual void Append(long x);
    virtual void Append(double x);
    void Append(int x) { Append(static_cast<long>(x)); }
    virtual void AppendLine();
    virtual void AppendLine(Str const& x);
    virtual void AppendLine(char const* x);
    virtual void AppendLine(char x);
    virtual void AppendLine(long x);
    virtual void AppendLine(double x);
    void AppendLine(int x) { AppendLine(static_cast<long>(x)); }
    virtual void AppendToken(Str const& x);
    virtual void AppendToken(char const* x);
    virtual void AppendToken(char x);
    virtual void AppendToken(long x);
    virtual void AppendToken(double x);
    void AppendToken(int x) { AppendToken(static_cast<long>(x)); }
    virtual void AppendToken(Str const& x, char sep);
    virtual void AppendToken(char const* x, char sep);
    virtual void AppendToken(char x, char sep);
    virtual void AppendToken(long x, char sep);
    virtual void AppendToken(double x, char sep);
    void AppendToken(int x, char sep) { AppendToken(static_cast<long>(x), sep); }
    virtual void AppendByte(char x);
    virtual void AppendByte(char const* x, long n);
    virtual void AppendByte(unsigned char x);
    virtual void AppendByte(unsigned char const* x, long n);
    // Big-endian: 2 bytes for short, 4 bytes for long.
    virtual void AppendInteger(short x);
    virtual void AppendInteger(short const* x, long n);
    virtual void AppendInteger(unsigned short x);
    virtual void AppendInteger(unsigned short const* x, long n);
    virtual void AppendInteger(long x);
    virtual void AppendInteger(long const* x, long n);
    virtual void AppendInteger(unsigned long x);
    virtual void AppendInteger(unsigned long const* x, long n);
    // Host byte order.
    virtual void AppendFloat(float x);
    virtual void AppendFloat(float const* x, long n);
    virtual void AppendFloat(double x);
    virtual void AppendFloat(double const* x, long n);
    virtual void AppendString(Str const& x);  // text and a NUL byte
    virtual void AppendString(char const* x);
    // Exactly `width` bytes: the text cut or padded with spaces.
    virtual void AppendField(Str const& x, long width);
    virtual void AppendField(char const* x, long width);
    // The text padded with spaces to at least `width` bytes, never cut.
    virtual void Append(Str const& x, long width, bool right);
    virtual void Append(char const* x, long width, bool right);
    virtual void Append(char x, long width, bool right);
    virtual void Append(long x, long width, bool right);
    virtual void Append(double x, long width, bool right);
    void Append(int x, long width, bool right) { Append(static_cast<long>(x), width, right); }
    virtual FileWriter& operator<<(Str const& x);
    virtual FileWriter& operator<<(char const* x);
    virtual FileWriter& operator<<(char x);
    virtual FileWriter& operator<<(long x);
    virtual FileWriter& operator<<(double x);
    FileWriter& operator<<(int x) { return operator<<(static_cast<long>(x)); }

protected:
    void Store(char const* bytes, long n);
    void StoreSpaces(long n);
    void StorePadded(char const* text, long n, long width, bool right);

private:
    bool OpenFile(char const* path, int flags, unsigned mode);
    // Remembers a failure and the first one's errno.
    void Fail(int number);
    // Gives a full block (or unbuffered bytes) to the file, holding back
    // its trailing whitespace.
    void Emit(char const* bytes, long n);
    void WriteOut(char const* bytes, long n);

    int fd;
    bool failed;
    int error;  // errno of the first failure
    char* buffer;
    char* current;
    char* end;
    long size;
    std::string held;  // trailing whitespace of emitted blocks, not yet written
    bool written;      // some byte has reached the file since Open
};

// Writes the text operations straight to standard output.
class CoutWriter : public FileWriter {
public:
    CoutWriter() {}
    bool Close() override;
    void Append(Str const& x) override;
    void Append(char const* x) override;
    void Append(char x) override;
    void Append(long x) override;
    void Append(double x) override;
    using FileWriter::Append;
    void AppendLine() override;
    void AppendLine(Str const& x) override;
    void AppendLine(char const* x) override;
    void AppendLine(char x) override;
    void AppendLine(long x) override;
    void AppendLine(double x) override;
    using FileWriter::AppendLine;
    void AppendToken(Str const& x) override;
    void AppendToken(char const* x) override;
    void AppendToken(char x) override;
    void AppendToken(long x) override;
    void AppendToken(double x) override;
    void AppendToken(Str const& x, char sep) override;
    void AppendToken(char const* x, char sep) override;
    void AppendToken(char x, char sep) override;
    void AppendToken(long x, char sep) override;
    void AppendToken(double x, char sep) override;
    using FileWriter::AppendToken;
    void AppendByte(char x) override;
    void AppendByte(char const* x, long n) override;
    using FileWriter::AppendByte;
    void Append(Str const& x, long width, bool right) override;
    void Append(char const* x, long width, bool right) override;
    void Append(char x, long width, bool right) override;
    void Append(long x, long width, bool right) override;
    void Append(double x, long width, bool right) override;
    FileWriter& operator<<(Str const& x) override;
    FileWriter& operator<<(char const* x) override;
    FileWriter& operator<<(char x) override;
    FileWriter& operator<<(long x) override;
    FileWriter& operator<<(double x) override;
    using FileWriter::operator<<;
};

#endif

// Block-buffered file input and output, the console writer, and directory
// listing and checks.
#ifndef SUPPORT_FILEIO_H
#define SUPPORT_FILEIO_H

#include <string>

#include "str.h"

// Block-buffered input file: text scanning (tokens, fields, lines, with a
// line count) and binary reads (bytes, big-endian integers, host-order
// floats, strings), sequential or at an absolute byte offset. End of input
// is reported through results, never by throwing.
class FileReader {
public:
    FileReader();
    explicit FileReader(long blockSize);
    ~FileReader();
    FileReader(FileReader const&) = delete;
    FileReader& operator=(FileReader const&) = delete;

    void SetSize(long blockSize);
    bool Open(Str const& path);
    bool Open(char const* path);
    void Close();
    static bool Check(Str const& path);
    static bool Check(char const* path);
    bool IsEndOfFile() const { return last && current == end; }
    // A read of the open file failed: what was delivered ends early and is
    // not the whole file.
    bool HasFailed() const { return failed; }
    // The line of the first text since Open that a NUL byte cut short (the
    // bytes after it up to the end of the item are dropped); 0 when none.
    // A file rewritten from what was read must not have one.
    long GetNulLine() const { return nulLine; }
    long GetLineNumber() const { return line; }
    long GetPosition() const { return block * size + (current - buffer); }
    bool SetPosition(long pos);
    long GetFileSize() const { return fileSize; }  // size of the open file in bytes

    // Text scanning.
    void SkipSpaces();
    bool GetCharacter(char& ch);
    bool GetToken(Str& target);
    void SkipToken(int n = 1);
    bool GetToken(Str& target, char separator);
    void SkipToken(char separator, int n = 1);
    bool GetLine(Str& target);
    bool GetTextLine(Str& target);  // skips blank lines
    FileReader& operator>>(Str& target);
    void SkipLine(int n = 1);

    // Binary reads; the forms with a leading long read at that byte offset.
    bool GetByte(char& value);
    bool GetByte(unsigned char& value);
    bool GetByte(long pos, char& value);
    bool GetByte(long pos, unsigned char& value);
    long GetByte(char* values, long n);
    long GetByte(unsigned char* values, long n);
    bool GetInteger(short& value);
    bool GetInteger(unsigned short& value);
    bool GetInteger(long pos, short& value);
    bool GetInteger(long pos, unsigned short& value);
    bool GetInteger(long& value);  // 32 bits, signed
    bool GetInteger(unsigned long& value);
    bool GetInteger(long pos, long& value);
    bool GetInteger(long pos, unsigned long& value);
    long GetInteger(short* values, long n);
    long GetInteger(unsigned short* values, long n);
    long GetInteger(long* values, long n);
    long GetInteger(unsigned long* values, long n);
    bool GetFloat(float& value);
    bool GetFloat(double& value);
    bool GetFloat(long pos, float& value);
    bool GetFloat(long pos, double& value);
    long GetFloat(float* values, long n);
    long GetFloat(double* values, long n);
    // NUL-ended strings.
    bool GetString(Str& target);
    bool GetString(long pos, Str& target);
    // Counted strings: up to n bytes (capped at the bytes left). A Str
    // target keeps the text before the first NUL; a char array receives the
    // raw bytes and a NUL, so it must hold n + 1 bytes.
    bool GetString(Str& target, long n);
    bool GetString(long pos, Str& target, long n);
    bool GetString(char* target, long n);
    bool GetString(long pos, char* target, long n);

private:
    bool Refill();               // reads the next block
    bool LoadBlock(long index);  // seeks to a block and reads it
    // True when a byte is in the window, refilling as needed.
    bool Available() { return current != end || (!last && Refill()); }
    void EmptyWindow();
    long Take(char* to, long n);         // raw bytes across blocks
    bool TakeExactly(char* to, long n);  // all n bytes, or none consumed
    // Consumes bytes up to the first one that `stop` finds, appending them
    // to the target when there is one; true when a stop byte was met (it is
    // left unconsumed), false at the end of input.
    template <class Stop>
    bool Scan(Str* target, Stop stop, bool countLines);
    void ReadLine(Str& target);
    void ReadCounted(Str& target, long n);
    static void AppendTo(Str& target, char const* from, long n);
    static void Grow(Str& target, long length);
    static void Empty(Str& target);

    int fd;
    char* buffer;
    char* current;
    char* end;
    long size;
    long block;
    long count;
    long line;
    bool last;
    long fileSize;
    bool nulInBlock;  // texts taken from this block must stop at a NUL
    bool failed;      // a read of the open file failed
    long nulLine;
};

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
    // Like Open, but an existing file is written over from its start and
    // cut to the written bytes by Close instead of being emptied first:
    // some file systems flush a file emptied on open when it is closed.
    bool Rewrite(Str const& path);
    // Creates a new file for writing, readable and writable by its owner
    // only; false when the path exists or cannot be created.
    bool Create(Str const& path);
    // Writes every pending byte and forces the file's data to the disk;
    // false on any failure (also reported by Close).
    bool Sync();
    // Writes the pending bytes and closes the file; false when the file
    // could not be opened or any byte of it could not be written.
    virtual bool Close();
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
    // Gives a full block (or unbuffered bytes) to the file, holding back
    // its trailing whitespace.
    void Emit(char const* bytes, long n);
    void WriteOut(char const* bytes, long n);

    int fd;
    bool failed;
    char* buffer;
    char* current;
    char* end;
    long size;
    std::string held;  // trailing whitespace of emitted blocks, not yet written
    bool written;      // some byte has reached the file since Open
    bool cut;          // Close cuts the file at the bytes written (Rewrite)
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

// Directory listing into sorted name lists, and directory checks.
class Directory {
public:
    Directory() {}
    ~Directory();
    Directory(Directory const&) = delete;
    Directory& operator=(Directory const&) = delete;

    // Lists the directory: subdirectories and other entries, each sorted by
    // byte order. Names starting with '.' are skipped unless `all`.
    bool Open(Str const& path, bool all);
    bool Open(char const* path, bool all);
    // Result codes of Check, as GetError gives them.
    enum CheckError { Usable = 0, NotADirectory = 1, NotReadable = 2, NotWritable = 3 };
    // True when the path is a directory (links followed) that may be
    // entered, and read and written as asked; GetError then tells which
    // test failed.
    bool Check(Str const& path, bool read, bool write);
    bool Check(char const* path, bool read, bool write);
    long GetError() const { return checkError; }
    static Str GetHomeDirectory();     // $HOME with a trailing '/'
    static Str GetCurrentDirectory();  // $PWD when it is the working directory, else getcwd()
    void BeginFiles() { files.Begin(); }
    bool GetNextFile(Str& name);
    void GetFileList(StrList& list);

private:
    StrList dirs;
    StrList files;
    long checkError = 0;
};

#endif

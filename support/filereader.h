#ifndef SUPPORT_FILEREADER_H
#define SUPPORT_FILEREADER_H

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
    // Opens a file that has to be a regular one, such as a project file
    // that is rewritten later: a pipe, a device, a socket or a directory is
    // refused at once (NotRegular), never waited on as opening or reading
    // it could be. Otherwise as Open.
    enum Opening { Opened, NotOpened, NotRegular };
    Opening OpenRegular(Str const& path);
    void Close();
    static bool Check(Str const& path);
    static bool Check(char const* path);
    // The path names a character or block device (links followed): one
    // that may give bytes without end, or wait for them.
    static bool IsDevice(Str const& path);
    bool IsEndOfFile() const { return last && current == end; }
    // A read of the open file failed: what was delivered ends early and is
    // not the whole file.
    bool HasFailed() const { return failed; }
    // The system's error number of the failed opening or read since the
    // last Open (0 when none).
    int GetError() const { return error; }
    // The line of the first text since Open that a NUL byte cut short (the
    // bytes after it up to the end of the item are dropped); 0 when none.
    // A file rewritten from what was read must not have one.
    long GetNulLine() const { return nulLine; }
    long GetLineNumber() const { return line; }
    long GetPosition() const { return block * size + (current - buffer); }
    bool SetPosition(long pos);
    // Size of the open file in bytes (0 for one that is not a regular file),
    // asked of the system only when a caller needs it.
    long GetFileSize() const;

    // Text scanning.
    void SkipSpaces();
    bool GetCharacter(char& ch);
    bool GetToken(Str& target);
    void SkipToken(int n = 1);
    bool GetToken(Str& target, char separator);
    void SkipToken(char separator, int n = 1);
    bool GetLine(Str& target);
    bool GetTextLine(Str& target);  // skips blank lines
    FileReader& operator>>(Str& target);  // GetLine without its test for the end of input
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
    void Reset();                // closed, nothing left to read
    bool Start();                // reads block 0 of the file just opened
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
    mutable long fileSize;  // -1 until asked for
    bool nulInBlock;  // texts taken from this block must stop at a NUL
    bool failed;      // a read of the open file failed
    int error;        // the error of the failed opening or read
    long nulLine;
};

#endif

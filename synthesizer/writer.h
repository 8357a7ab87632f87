// The synthetic trace writer: one sequence record becomes a chromatogram
// with one ideal peak per base (SCF version 2, or ABIF), a PHD file with
// every base at one quality on a 12-sample grid and, outside reference
// mode, a POLY file describing those ideal peaks.
#ifndef SYNTHESIZER_WRITER_H
#define SYNTHESIZER_WRITER_H

#include "ctime.h"
#include "fileio.h"
#include "interruptguard.h"
#include "str.h"

class Writer {
public:
    Writer();
    Writer(Writer const&) = delete;
    Writer& operator=(Writer const&) = delete;

    // Stores the settings and chooses the output directories: each of
    // "../chromat_dir/", "../phd_dir/" and (outside reference mode)
    // "../poly_dir/" when it is writable, else the working directory.
    void SetFiles(Str& quality, Str& suffix, bool reference, bool abi);
    // Writes the record's files; in reference mode `name` receives the
    // suffix first. The name must be a plain file name (no '/', not "."
    // or ".."). False when a file could not be written: it is reported on
    // standard error and removed, and the record's files after it are not
    // written. SIGINT, SIGTERM or SIGHUP removes the file being written, as
    // a failed write does, and ends the run.
    bool WriteFiles(Str& name, Str& sequence);

private:
    // Opens a file of the record, which a signal then removes until it is
    // closed; reports a failure.
    bool Open(Str const& path);
    // Closes it and prints "Writing ..." (`label` and the path) when it
    // was written whole; otherwise reports and removes it. A whole file
    // also lets go of the file `paired` holds (the PHD file a POLY file
    // completes) before anything is printed, so that no signal removes a
    // finished file.
    bool Close(Str const& path, char const* label, InterruptGuard* paired);
    void WriteScf(long samples);
    void WriteAbif(long samples);
    void WritePhd(Str const& name, Str const& chromatName, long samples);
    void WritePoly(Str const& name);
    // Sample j of the channel of `letter`.
    unsigned short Sample(char letter, long j) const;

    FileWriter writer;
    Str phdDirectory;
    Str polyDirectory;
    Str chromatDirectory;
    Str qualityText;
    Str referenceSuffix;
    bool referenceMode;
    bool abiFormat;
    CTime recordTime;  // the clock read once per record
    Str letters;       // the record's bases, upper case
    InterruptGuard writing;  // the file being written
};

#endif

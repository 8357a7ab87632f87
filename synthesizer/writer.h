// The synthetic trace writer: one sequence record becomes a chromatogram
// with one ideal peak per base (SCF version 2, or ABIF), a PHD file with
// every base at one quality on a 12-sample grid and, outside reference
// mode, a POLY file describing those ideal peaks.
#ifndef SYNTHESIZER_WRITER_H
#define SYNTHESIZER_WRITER_H

#include "ctime.h"
#include "fileio.h"
#include "str.h"

class PendingFile;

class Writer {
public:
    Writer();
    Writer(Writer const&) = delete;
    Writer& operator=(Writer const&) = delete;

    // Stores the settings and chooses the output directories: each of
    // "../chromat_dir/", "../phd_dir/" and (outside reference mode)
    // "../poly_dir/" when it is writable, else the working directory.
    void SetFiles(Str& quality, Str& suffix, bool reference, bool abi);
    // Writes the record's files, each whole under a hidden name beside the
    // file it replaces (behind links, the file they name), and puts them in
    // place together; in reference mode `name` receives the suffix first.
    // The name must be a plain file name (no '/', not "." or ".."). Each
    // file is announced ("Writing ...") once all are in place. False when a
    // file could not be written (the record's files are then all left as
    // they were) or put in place: it is reported on standard error. SIGINT,
    // SIGTERM, SIGHUP or SIGPIPE removes the hidden files and ends the run.
    bool WriteFiles(Str& name, Str& sequence);

private:
    // Puts the record's complete files in place; false, after the report,
    // when one could not be.
    bool PutInPlace(PendingFile& chromat, PendingFile& phd, PendingFile* poly);
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
};

#endif

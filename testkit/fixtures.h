// Chromatograms built byte by byte, for the converter's tests and the fuzz
// targets' seeds, and the helpers of every end-to-end test (programs.h).
#ifndef TESTKIT_FIXTURES_H
#define TESTKIT_FIXTURES_H

#include <cstdint>
#include <string>
#include <vector>

#include "programs.h"

// What a chromatogram holds, before it is laid out as SCF or ABIF.
struct TraceData {
    std::vector<int> channels[4];  // A, C, G, T; ABIF may hold negative samples
    std::string letters;
    std::vector<int> qualities;  // SCF: the probability of the letter's channel
    std::vector<uint32_t> peaks;
    std::string caller;  // SCF "BCAL=" comment line, ABIF "SPAC" 2
};

// The channel of a base letter in TraceData: 0 to 3 for "A", "C", "G", "T"
// (upper case only), -1 for any other character.
int DyeChannel(char letter);

// A trace of 1600 samples whose POLY values are worked out by hand in
// trelvik_test.cpp: six bases "ACTNaC" at 100, 120, 140, 160, 180 and 1530,
// qualities 20, 30, 40, 0, 7, 99, caller "KB.bcp".
TraceData BalancedTrace();

// SCF version '2' or '3' with 1- or 2-byte samples: header, samples, bases,
// comments. The other probabilities of a base are 1, 2 and 3 so that only
// the letter's own one can give its quality.
std::string ScfFile(TraceData const& trace, char version, int width);
// SCF version 2 with 1-byte samples, `samples` of 0 in each channel, and
// the bases of `trace` (its channels are not used): a trace too long to
// hold as TraceData.
std::string ZeroScfFile(TraceData const& trace, uint32_t samples);

// One ABIF directory entry; data of 4 bytes or less is stored in the entry.
struct AbiEntry {
    std::string name;
    uint32_t number;
    uint16_t type;
    uint16_t elementSize;
    uint32_t count;
    std::string data;
};
// The entries of a trace: FWO_ with `order`, DATA 9 to 12 in that order,
// PBAS, PCON, PLOC and SPAC 2 (when there are letters).
std::vector<AbiEntry> AbiEntries(TraceData const& trace, std::string const& order = "GATC");
// The ABIF file: `prefix` bytes of MacBinary header, the 128-byte ABIF
// header, the entries' data, and the directory at the end.
std::string AbiFile(std::vector<AbiEntry> const& entries, std::size_t prefix = 0);
// Offset of directory entry i in a file built by AbiFile.
std::size_t AbiEntryOffset(std::string const& file, std::size_t i, std::size_t prefix = 0);

// A gzip copy of `from`, made by the system's gzip.
void Gzip(std::string const& from, std::string const& to);

// gzip data built here, field by field: `data` as raw deflate data (level 0
// makes stored blocks); a member header of magic, method, flags, time,
// extra flags and system, then the optional fields as given (and their CRC
// when the flags ask for it); a whole member: header, deflate data, the
// data's CRC and length.
std::string Deflate(std::string const& data, int level = 9);
std::string GzipHeader(int flags = 0, std::string const& fields = "", char magic1 = '\x8b', char method = 8);
std::string GzipMember(std::string const& data, std::string const& header = GzipHeader(), int level = 9);
uint32_t Crc32(std::string const& data);
// A whole gzip file of `size` zero bytes, made a block at a time (a 300 MiB
// one packs into 1.3 MB).
std::string GzipOfZeros(uint64_t size);
// Little-endian integers, as gzip and zip store them.
std::string Little16(uint32_t value);
std::string Little32(uint32_t value);

#endif

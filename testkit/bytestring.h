// Big-endian 16- and 32-bit integers in byte strings, the way the trace
// formats store them.
#ifndef TESTKIT_BYTESTRING_H
#define TESTKIT_BYTESTRING_H

#include <cstddef>
#include <cstdint>
#include <string>

void Append16(std::string& bytes, uint32_t value);
void Append32(std::string& bytes, uint32_t value);
void Put16(std::string& bytes, std::size_t pos, uint32_t value);
void Put32(std::string& bytes, std::size_t pos, uint32_t value);
uint32_t Get16(std::string const& bytes, std::size_t pos);
uint32_t Get32(std::string const& bytes, std::size_t pos);

#endif

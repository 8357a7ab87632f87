#include "bytestring.h"

void Append16(std::string& bytes, uint32_t value) {
    bytes += static_cast<char>(value >> 8 & 0xff);
    bytes += static_cast<char>(value & 0xff);
}

void Append32(std::string& bytes, uint32_t value) {
    Append16(bytes, value >> 16);
    Append16(bytes, value & 0xffff);
}

void Put16(std::string& bytes, std::size_t pos, uint32_t value) {
    bytes[pos] = static_cast<char>(value >> 8 & 0xff);
    bytes[pos + 1] = static_cast<char>(value & 0xff);
}

void Put32(std::string& bytes, std::size_t pos, uint32_t value) {
    Put16(bytes, pos, value >> 16);
    Put16(bytes, pos + 2, value & 0xffff);
}

uint32_t Get16(std::string const& bytes, std::size_t pos) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[pos])) << 8 |
           static_cast<unsigned char>(bytes[pos + 1]);
}

uint32_t Get32(std::string const& bytes, std::size_t pos) { return Get16(bytes, pos) << 16 | Get16(bytes, pos + 2); }

// Big-endian integers from bytes in memory, as the chromatogram formats
// store them (first byte most significant).
#ifndef SUPPORT_BIGENDIAN_H
#define SUPPORT_BIGENDIAN_H

#include <cstdint>

inline uint16_t BigEndian16(unsigned char const* b) { return static_cast<uint16_t>(b[0] << 8 | b[1]); }

inline uint32_t BigEndian32(unsigned char const* b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
           static_cast<uint32_t>(b[2]) << 8 | b[3];
}

#endif

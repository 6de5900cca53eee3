// Numbers in byte buffers in a fixed byte order, written and read byte by byte so that the layout
// never depends on the host or on how the compiler lays out a record: little-endian for files
// and stored blocks, big-endian for the unit's packets and the graph header's older fields.
#pragma once

#include <cstdint>
#include <cstring>

// ---- Little-endian ----

inline uint16_t GetLeU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t GetLeU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t GetLeU64(const uint8_t* p) {
    return static_cast<uint64_t>(GetLeU32(p)) | static_cast<uint64_t>(GetLeU32(p + 4)) << 32;
}
inline int16_t GetLeI16(const uint8_t* p) { return static_cast<int16_t>(GetLeU16(p)); }
inline int32_t GetLeI32(const uint8_t* p) { return static_cast<int32_t>(GetLeU32(p)); }
inline double GetLeF64(const uint8_t* p) {
    const uint64_t bits = GetLeU64(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void PutLeU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLeU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLeF64(uint8_t* p, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLeU64(p, bits);
}

// ---- Big-endian ----

inline uint16_t GetBeU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t GetBeU24(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]);
}
inline uint32_t GetBeU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}
inline uint64_t GetBeU64(const uint8_t* p) {
    return static_cast<uint64_t>(GetBeU32(p)) << 32 | static_cast<uint64_t>(GetBeU32(p + 4));
}
inline double GetBeF64(const uint8_t* p) {
    const uint64_t bits = GetBeU64(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void PutBeU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void PutBeU24(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(v >> (16 - 8 * i));
}
inline void PutBeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void PutBeU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (56 - 8 * i));
}
inline void PutBeF64(uint8_t* p, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutBeU64(p, bits);
}

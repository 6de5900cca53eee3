// Fixed little-endian fields of the library's files, written and read byte by byte so that the
// layout never depends on how the compiler lays out a record.
#pragma once

#include <cstdint>
#include <cstring>

inline void PutLE16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLE32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutLE64(uint8_t* at, uint64_t v) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutLEDouble(uint8_t* at, double v) {
    uint64_t bits = 0;
    memcpy(&bits, &v, sizeof(bits));
    PutLE64(at, bits);
}

inline uint16_t GetLE16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

inline uint32_t GetLE32(const uint8_t* at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | at[i];
    return v;
}

inline uint64_t GetLE64(const uint8_t* at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | at[i];
    return v;
}

inline double GetLEDouble(const uint8_t* at) {
    const uint64_t bits = GetLE64(at);
    double v = 0;
    memcpy(&v, &bits, sizeof(v));
    return v;
}

// A cursor over a byte buffer of known size; every field is written or read at its own offset.
class CByteWriter {
public:
    explicit CByteWriter(uint8_t* at) : m_at(at) {}
    void U16(uint16_t v) {
        PutLE16(m_at, v);
        m_at += 2;
    }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void U32(uint32_t v) {
        PutLE32(m_at, v);
        m_at += 4;
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F64(double v) {
        PutLEDouble(m_at, v);
        m_at += 8;
    }
    void Bytes(const void* from, size_t n) {
        memcpy(m_at, from, n);
        m_at += n;
    }
    void Skip(size_t n) { m_at += n; }
    uint8_t* Position() const { return m_at; }

private:
    uint8_t* m_at;
};

class CByteReader {
public:
    explicit CByteReader(const uint8_t* at) : m_at(at) {}
    uint16_t U16() {
        const uint16_t v = GetLE16(m_at);
        m_at += 2;
        return v;
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint32_t U32() {
        const uint32_t v = GetLE32(m_at);
        m_at += 4;
        return v;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    double F64() {
        const double v = GetLEDouble(m_at);
        m_at += 8;
        return v;
    }
    void Bytes(void* to, size_t n) {
        memcpy(to, m_at, n);
        m_at += n;
    }
    const uint8_t* Position() const { return m_at; }

private:
    const uint8_t* m_at;
};

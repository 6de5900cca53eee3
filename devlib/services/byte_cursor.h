// Cursors that write and read the little-endian fields of the library's files in turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/byte_order.h"

// A cursor over a byte buffer of known size; every field is written or read at its own offset.
class CByteWriter {
public:
    explicit CByteWriter(uint8_t* at) : m_at(at) {}
    void U16(uint16_t v) {
        PutLeU16(m_at, v);
        m_at += 2;
    }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void U32(uint32_t v) {
        PutLeU32(m_at, v);
        m_at += 4;
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F64(double v) {
        PutLeF64(m_at, v);
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
        const uint16_t v = GetLeU16(m_at);
        m_at += 2;
        return v;
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint32_t U32() {
        const uint32_t v = GetLeU32(m_at);
        m_at += 4;
        return v;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    double F64() {
        const double v = GetLeF64(m_at);
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

// Little-endian fields read from and written to a file or a memory buffer. The graph file and
// the blocks inside it go through these, so that a reader can be fed a buffer (tests, fuzzing)
// as well as a file, every read is checked against the end, and a writer keeps the system's
// reason for its first failure.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/byte_order.h"

// Bulk copies of sample frames rely on the host storing numbers as the file does.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the host stores numbers little-endian");

// ---- Reading ----

// Reads a memory buffer or an open file from a position; a read that would pass the end fails
// and takes nothing. A file is read through a buffer; its size is taken once, at construction.
class CByteReader {
public:
    CByteReader(const void* data, size_t size);
    explicit CByteReader(HANDLE file);
    CByteReader(const CByteReader&) = delete;
    CByteReader& operator=(const CByteReader&) = delete;

    // False when the file's size could not be taken.
    bool Ok() const { return m_ok; }
    bool IsFile() const { return m_file != INVALID_HANDLE_VALUE; }
    HANDLE File() const { return m_file; }
    uint64_t Size() const { return m_size; }
    uint64_t Tell() const { return m_pos; }
    uint64_t Remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }
    // The system's reason of the last failed file read (0 when the end was reached).
    DWORD Error() const { return m_error; }

    // False beyond the end; the position then stays.
    bool Seek(uint64_t pos);
    bool Skip(uint64_t n) { return n <= Remaining() && Seek(m_pos + n); }
    bool Read(void* out, size_t n);

    bool U8(uint8_t* v) { return Read(v, 1); }
    bool U16(uint16_t* v);
    bool I16(int16_t* v);
    bool U32(uint32_t* v);
    bool I32(int32_t* v);
    bool F64(double* v);
    bool U32Be(uint32_t* v);

private:
    bool FileRead(uint64_t pos, void* out, size_t n);

    const uint8_t* m_mem = nullptr;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
    bool m_ok = true;
    DWORD m_error = 0;
    std::vector<uint8_t> m_buf;
    uint64_t m_bufPos = 0;
    size_t m_bufLen = 0;
};

// ---- Writing ----

// Writes to an open file through a buffer, or into memory. After the first failure every
// further write fails at once, and Error() keeps the system's reason of that first failure.
class CByteWriter {
public:
    CByteWriter();  // into memory
    explicit CByteWriter(HANDLE file, size_t bufferBytes = 64 * 1024);
    ~CByteWriter();  // flushes what is still buffered; check Flush() to know
    CByteWriter(const CByteWriter&) = delete;
    CByteWriter& operator=(const CByteWriter&) = delete;

    bool Ok() const { return m_ok; }
    DWORD Error() const { return m_error; }
    uint64_t Tell() const { return m_pos; }
    bool IsFile() const { return m_file != INVALID_HANDLE_VALUE; }
    HANDLE File() const { return m_file; }
    const std::vector<uint8_t>& Bytes() const { return m_mem; }

    bool Write(const void* data, size_t n);
    bool Zeros(size_t n);
    bool U16(uint16_t v);
    bool I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    bool U32(uint32_t v);
    bool I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    bool F64(double v);
    // Moves to a position (a memory writer grows with zeros up to it).
    bool Seek(uint64_t pos);
    bool Flush();
    // Room for n bytes at the current position, to be filled and then taken with Commit; null
    // after a failure or when n exceeds the buffer.
    uint8_t* Space(size_t n);
    void Commit(size_t n);
    // Ends the writer with a failure of the caller's own (for example a failed sample read).
    void Fail(DWORD error);

private:
    bool FlushBuffer();

    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> m_mem;
    std::vector<uint8_t> m_buf;
    size_t m_bufLen = 0;
    uint64_t m_pos = 0;
    bool m_ok = true;
    DWORD m_error = 0;
};

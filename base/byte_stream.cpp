// Little-endian field reading and writing over files and memory buffers.
#include "base/byte_stream.h"
#include <algorithm>

namespace {
constexpr size_t kReadBufferBytes = 64 * 1024;
}  // namespace

// ---- Reading ----

CByteReader::CByteReader(const void* data, size_t size)
    : m_mem(static_cast<const uint8_t*>(data)), m_size(data ? size : 0) {}

CByteReader::CByteReader(HANDLE file) : m_file(file) {
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || !file || !GetFileSizeEx(file, &size)) {
        m_ok = false;
        m_error = GetLastError();
        m_file = INVALID_HANDLE_VALUE;
        return;
    }
    m_size = static_cast<uint64_t>(size.QuadPart);
}

bool CByteReader::Seek(uint64_t pos) {
    if (pos > m_size) return false;
    m_pos = pos;
    return true;
}

// Reads n bytes at pos straight from the file.
bool CByteReader::FileRead(uint64_t pos, void* out, size_t n) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(pos);
    if (!SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN)) {
        m_error = GetLastError();
        return false;
    }
    auto* dst = static_cast<uint8_t*>(out);
    while (n > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(m_file, dst, chunk, &got, nullptr)) {
            m_error = GetLastError();
            return false;
        }
        if (got == 0) {  // the file shrank since its size was taken
            m_error = ERROR_HANDLE_EOF;
            return false;
        }
        dst += got;
        n -= got;
    }
    return true;
}

bool CByteReader::Read(void* out, size_t n) {
    if (n > Remaining()) return false;
    if (n == 0) return true;
    if (m_mem) {
        std::memcpy(out, m_mem + m_pos, n);
        m_pos += n;
        return true;
    }
    if (m_file == INVALID_HANDLE_VALUE) return false;
    // Inside the buffer: copy; a large read goes straight to the file.
    if (m_pos >= m_bufPos && m_pos + n <= m_bufPos + m_bufLen) {
        std::memcpy(out, m_buf.data() + (m_pos - m_bufPos), n);
        m_pos += n;
        return true;
    }
    if (n >= kReadBufferBytes / 2) {
        if (!FileRead(m_pos, out, n)) return false;
        m_pos += n;
        return true;
    }
    if (m_buf.empty()) m_buf.resize(kReadBufferBytes);
    size_t fill = static_cast<size_t>(std::min<uint64_t>(kReadBufferBytes, m_size - m_pos));
    if (!FileRead(m_pos, m_buf.data(), fill)) {
        m_bufLen = 0;
        return false;
    }
    m_bufPos = m_pos;
    m_bufLen = fill;
    std::memcpy(out, m_buf.data(), n);
    m_pos += n;
    return true;
}

bool CByteReader::U16(uint16_t* v) {
    uint8_t b[2];
    if (!Read(b, 2)) return false;
    *v = GetLeU16(b);
    return true;
}

bool CByteReader::I16(int16_t* v) {
    uint16_t u;
    if (!U16(&u)) return false;
    *v = static_cast<int16_t>(u);
    return true;
}

bool CByteReader::U32(uint32_t* v) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    *v = GetLeU32(b);
    return true;
}

bool CByteReader::I32(int32_t* v) {
    uint32_t u;
    if (!U32(&u)) return false;
    *v = static_cast<int32_t>(u);
    return true;
}

bool CByteReader::F64(double* v) {
    uint8_t b[8];
    if (!Read(b, 8)) return false;
    *v = GetLeF64(b);
    return true;
}

bool CByteReader::U32Be(uint32_t* v) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    *v = GetBeU32(b);
    return true;
}

// ---- Writing ----

CByteWriter::CByteWriter() = default;

CByteWriter::CByteWriter(HANDLE file, size_t bufferBytes) : m_file(file), m_buf(bufferBytes ? bufferBytes : 1) {
    LARGE_INTEGER zero{}, at{};
    if (file == INVALID_HANDLE_VALUE || !file || !SetFilePointerEx(file, zero, &at, FILE_CURRENT)) {
        Fail(file && file != INVALID_HANDLE_VALUE ? GetLastError() : ERROR_INVALID_HANDLE);
        m_file = INVALID_HANDLE_VALUE;
        return;
    }
    m_pos = static_cast<uint64_t>(at.QuadPart);
}

CByteWriter::~CByteWriter() { FlushBuffer(); }

void CByteWriter::Fail(DWORD error) {
    if (!m_ok) return;
    m_ok = false;
    m_error = error ? error : ERROR_WRITE_FAULT;
}

// Writes the buffered bytes; they end at m_pos.
bool CByteWriter::FlushBuffer() {
    if (m_file == INVALID_HANDLE_VALUE || m_bufLen == 0) return m_ok;
    const uint8_t* p = m_buf.data();
    size_t n = m_bufLen;
    m_bufLen = 0;
    if (!m_ok) return false;
    while (n > 0) {
        DWORD done = 0;
        if (!WriteFile(m_file, p, static_cast<DWORD>(n), &done, nullptr)) {
            Fail(GetLastError());
            return false;
        }
        if (done == 0) {
            Fail(ERROR_DISK_FULL);
            return false;
        }
        p += done;
        n -= done;
    }
    return true;
}

bool CByteWriter::Flush() { return FlushBuffer() && m_ok; }

uint8_t* CByteWriter::Space(size_t n) {
    if (!m_ok) return nullptr;
    if (m_file == INVALID_HANDLE_VALUE) {
        if (m_mem.size() < m_pos + n) m_mem.resize(static_cast<size_t>(m_pos + n));
        return m_mem.data() + m_pos;
    }
    if (n > m_buf.size()) return nullptr;
    if (m_bufLen + n > m_buf.size() && !FlushBuffer()) return nullptr;
    return m_buf.data() + m_bufLen;
}

void CByteWriter::Commit(size_t n) {
    if (!m_ok) return;
    if (m_file != INVALID_HANDLE_VALUE) m_bufLen += n;
    m_pos += n;
}

bool CByteWriter::Write(const void* data, size_t n) {
    auto* src = static_cast<const uint8_t*>(data);
    while (n > 0 && m_ok) {
        size_t chunk = m_file == INVALID_HANDLE_VALUE ? n : std::min(n, m_buf.size());
        uint8_t* dst = Space(chunk);
        if (!dst) {
            Fail(ERROR_NOT_ENOUGH_MEMORY);
            break;
        }
        std::memcpy(dst, src, chunk);
        Commit(chunk);
        src += chunk;
        n -= chunk;
    }
    return m_ok;
}

bool CByteWriter::Zeros(size_t n) {
    static const uint8_t zeros[256] = {};
    while (n > 0 && m_ok) {
        size_t chunk = std::min(n, sizeof zeros);
        Write(zeros, chunk);
        n -= chunk;
    }
    return m_ok;
}

bool CByteWriter::U16(uint16_t v) {
    uint8_t b[2];
    PutLeU16(b, v);
    return Write(b, 2);
}

bool CByteWriter::U32(uint32_t v) {
    uint8_t b[4];
    PutLeU32(b, v);
    return Write(b, 4);
}

bool CByteWriter::F64(double v) {
    uint8_t b[8];
    PutLeF64(b, v);
    return Write(b, 8);
}

bool CByteWriter::Seek(uint64_t pos) {
    if (!m_ok) return false;
    if (m_file == INVALID_HANDLE_VALUE) {
        if (m_mem.size() < pos) m_mem.resize(static_cast<size_t>(pos));
        m_pos = pos;
        return true;
    }
    if (!FlushBuffer()) return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(pos);
    if (!SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN)) {
        Fail(GetLastError());
        return false;
    }
    m_pos = pos;
    return true;
}

// A kernel handle (a file, a mapping) closed on every path. It sits here rather than in base/ so
// the device library, which sees only common/, closes its handles the same way.
#pragma once

#include <windows.h>

class CScopedHandle {
public:
    explicit CScopedHandle(HANDLE h) : m_h(h) {}
    ~CScopedHandle() { Close(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    HANDLE get() const { return m_h; }
    // Files answer INVALID_HANDLE_VALUE and mappings null when they cannot be had.
    explicit operator bool() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
    // Closes the handle now (a write is only known to be complete once this is true); true when
    // there was none.
    bool Close() {
        const bool ok = !*this || CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE m_h;
};

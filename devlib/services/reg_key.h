// Small registry readers shared by the library's settings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

// An open registry key, closed on every path.
class RegKey {
public:
    RegKey(HKEY root, const char* path, REGSAM access) {
        if (RegOpenKeyExA(root, path, 0, access, &m_key) != ERROR_SUCCESS) m_key = nullptr;
    }
    ~RegKey() {
        if (m_key) RegCloseKey(m_key);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    explicit operator bool() const { return m_key != nullptr; }

    // 1 and the value when a DWORD of that name exists, else 0.
    int32_t ReadDword(const char* name, uint32_t* out) const {
        if (!m_key) return 0;
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof(value))
            return 0;
        *out = value;
        return 1;
    }

    // 1 when a string of that name fits the buffer (terminated), else 0 and the buffer unchanged.
    int32_t ReadString(const char* name, char* out, DWORD outSize) const {
        if (!m_key || outSize == 0) return 0;
        DWORD type = 0;
        char buffer[MAX_PATH] = {};
        DWORD size = sizeof(buffer) - 1;
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return 0;
        const size_t len = strnlen(buffer, sizeof(buffer));
        if (len + 1 > outSize) return 0;
        memcpy(out, buffer, len + 1);
        return 1;
    }

private:
    HKEY m_key = nullptr;
};

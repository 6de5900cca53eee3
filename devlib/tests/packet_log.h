// The simulated unit's packet log (the file its kSimLogFile control names), read as lines: what
// the unit was opened as, the packets sent ("> ") and the replies ("< "). The unit may still be
// writing it: a line counts once its CR LF is there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vk40test {

// A packet's last byte: the one that brings the sum of its bytes to 0 (modulo 256).
inline uint8_t Checksum(const std::vector<uint8_t>& bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    return static_cast<uint8_t>(0x100 - sum);
}

// Bytes as the log writes them: two hex digits each, a space between.
inline std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char two[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(two, sizeof(two), i ? " %02X" : "%02X", bytes[i]);
        s += two;
    }
    return s;
}

// The unit's acknowledgement of a command, as logged.
inline const std::string kAck = "< 01 06 F9";

inline std::vector<std::string> ReadPacketLog(const std::string& file) {
    std::vector<std::string> lines;
    HANDLE f = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return lines;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(f);
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The lines logged so far, the log deleted after them: the next call has only what came since.
inline std::vector<std::string> TakePacketLog(const std::string& file) {
    std::vector<std::string> lines = ReadPacketLog(file);
    DeleteFileA(file.c_str());
    return lines;
}

}  // namespace vk40test

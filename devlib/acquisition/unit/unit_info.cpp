// The firmware download, the memory dump and the unit information text, and the exports that
// read the USB adapter.
#include "devlib/acquisition/unit/unit_cmd.h"

#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "common/scoped_handle.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kFirmwareType[] = "VK40Firmware";
constexpr char kDumpFile[] = "VK40.BIN";
constexpr size_t kMaxFirmwareBytes = 0x10000;  // block offsets are 16-bit

// The key's text with the number in place of its first "%d"; a translated text is never used
// as a format.
std::string KeyedNumberText(const char* key, int32_t number) {
    const std::string text = Keyed(key);
    const size_t at = text.find("%d");
    if (at == std::string::npos) return text + " " + std::to_string(number);
    return text.substr(0, at) + std::to_string(number) + text.substr(at + 2);
}

// The text of a reply: up to its first zero byte.
std::string ReplyText(const uint8_t* bytes, size_t size) {
    size_t length = 0;
    while (length < size && bytes[length]) ++length;
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

void CopyOut(const std::string& text, char* out, size_t size) {
    if (!size) return;
    const size_t length = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(out, text.data(), length);
    out[length] = '\0';
}

}  // namespace

// ---- Firmware ----

// Blocks of 120 bytes at offsets 0, 120, 240 ... each acknowledged before the next.
int32_t DownloadFirmwareImage(const uint8_t* image, size_t size) {
    if (!image || size == 0 || size > kMaxFirmwareBytes) return 0;
    for (size_t offset = 0; offset < size; offset += kFirmwareBlockBytes) {
        uint8_t data[2 + kFirmwareBlockBytes] = {};
        PutBeU16(data, static_cast<uint32_t>(offset));
        // The last block carries what is left of the image and zeros after it.
        const size_t take = size - offset < kFirmwareBlockBytes ? size - offset : kFirmwareBlockBytes;
        memcpy(data + 2, image + offset, take);
        if (!g_unitLink.SetCommand(kCmdFirmwareBlock, sizeof(data), data)) return 0;
    }
    return 1;
}

// The library's own image, a resource of type "VK40Firmware"; the second model has none to take.
int32_t DownloadFirmware(stAcq*) {
    if (!IsVK40()) return 1;
    HRSRC found = FindResourceA(g_lib.instance, MAKEINTRESOURCEA(IDR_VK40_FIRMWARE), kFirmwareType);
    HGLOBAL loaded = found ? LoadResource(g_lib.instance, found) : nullptr;
    const uint8_t* image = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    return image ? DownloadFirmwareImage(image, SizeofResource(g_lib.instance, found)) : 0;
}

// ---- Memory dump ----

// The first `bytes` bytes of the unit's memory, 120 at a time, into a file made anew. A failed
// read ends the dump; what was read stays in the file.
int32_t DumpUnitMemoryTo(const char* file, int32_t bytes) {
    if (!file || bytes < 1 || bytes > kMaxDumpBytes) return 0;
    CScopedHandle out(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return 0;
    int32_t ok = 1;
    for (int32_t address = 0; ok && address < bytes; address += kMemoryBlockBytes) {
        uint8_t request[4];
        PutBeU16(request, static_cast<uint32_t>(address));
        PutBeU16(request + 2, kMemoryBlockBytes);
        uint8_t block[kMemoryBlockBytes];
        ok = g_unitLink.QueryCommand(kCmdReadMemory, sizeof(request), request, sizeof(block), block);
        const int32_t left = bytes - address;
        const DWORD take = static_cast<DWORD>(left < kMemoryBlockBytes ? left : kMemoryBlockBytes);
        DWORD written = 0;
        if (ok) ok = WriteFile(out.get(), block, take, &written, nullptr) && written == take;
    }
    return ok;
}

// The About box's dump, into "VK40.BIN" in the current folder.
int32_t DumpUnitMemory(stAcq*, int32_t bytes) { return DumpUnitMemoryTo(kDumpFile, bytes); }

// ---- Unit information ----

// The unit's own description, its second line, its buffer size and the driver's revision.
int32_t FormatUnitInfo(char* text, size_t size) {
    if (!text || !size) return 0;
    CopyOut(Keyed("Disconnected"), text, size);
    uint8_t description[kDescriptionBytes];
    if (!g_unitLink.QueryCommand(kCmdDescription, 0, nullptr, sizeof(description), description)) return 0;
    std::string info = ReplyText(description, sizeof(description));
    if (info.compare(0, 5, "Model") != 0)
        info = KeyedNumberText("VK%d Information not available", PrintedModel(g_unitModel));
    if (info.size() > kDescriptionBytes) info.resize(kDescriptionBytes);
    uint8_t second[kDescription2Bytes];
    if (g_unitLink.QueryCommand(kCmdDescription2, 0, nullptr, sizeof(second), second))
        info += "\r\n" + ReplyText(second, sizeof(second));
    uint8_t memory[3];
    if (g_unitLink.QueryCommand(kCmdMemorySize, 0, nullptr, sizeof(memory), memory))
        g_unitMemorySize = GetBeU24(memory);
    char line[96];
    std::snprintf(line, sizeof(line), "%ld", static_cast<long>(g_unitMemorySize));
    info += std::string("\r\n") + Keyed("VK40 Internal Buffer size: ") + line + " bytes";
    CVersionInfo version;
    version.Query(g_unit.driverFile);
    std::snprintf(line, sizeof(line), "\rUSB Driver Rev.: %u.%u", version.m_major, version.m_minor);
    info += line;
    char revision[kDriverRevisionBytes + 1];
    if (IsVK40() && g_unitLink.DriverRevision(revision)) info += std::string(".") + revision;
    CopyOut(info, text, size);
    return 1;
}

// The export: the text into the caller's buffer of kVK40InfoChars.
int32_t GetVK40Info(char* text) { return FormatUnitInfo(text, kVK40InfoChars); }

// ---- The USB adapter ----

// The USB adapter's vendor, product and device identifiers.
int32_t GetVendorInfo(_LNX200_VENDOR_INFO* info) { return info ? g_unitLink.VendorInfo(info, sizeof(*info)) : 0; }

int32_t ReadAdapterBytes(uint8_t* out16) { return g_unitLink.AdapterRead(out16); }

int32_t WriteAdapterBytes(const uint8_t* bytes, int32_t count) {
    return count < 0 ? -1 : g_unitLink.AdapterWrite(bytes, static_cast<uint32_t>(count));
}

int32_t GetAdapterMode() { return g_unitLink.AdapterMode(); }

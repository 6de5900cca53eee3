// .bmp files read into bitmaps for the screen, from a file or a memory image.
#include "controls/dib_file.h"
#include "controls/dc_guard.h"
#include "common/scoped_handle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint16_t kBitmapFileType = 0x4D42;  // "BM"
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint64_t kMaxDibFileSize = 0x7FFFFFFF;  // the header's sizes are 32-bit
// Run-length images unpack to more than their file holds; beyond this a header is taken as damaged.
constexpr uint64_t kMaxUnpackedBytes = uint64_t(1) << 30;

// Where the loader reads from: a file or a memory image, addressed by absolute offset.
class DibSource {
public:
    virtual ~DibSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to count bytes at offset; returns how many were read.
    virtual size_t ReadAt(uint64_t offset, void* out, size_t count) = 0;

    bool ReadAllAt(uint64_t offset, void* out, size_t count) { return ReadAt(offset, out, count) == count; }
};

class MemoryDibSource : public DibSource {
public:
    MemoryDibSource(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* out, size_t count) override {
        if (!m_data || offset >= m_size) return 0;
        const size_t n = (m_size - offset < count) ? static_cast<size_t>(m_size - offset) : count;
        std::memcpy(out, m_data + offset, n);
        return n;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

class FileDibSource : public DibSource {
public:
    explicit FileDibSource(const char* path)
        : m_file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr)) {
        LARGE_INTEGER size{};
        if (m_file && GetFileSizeEx(m_file.get(), &size)) m_size = static_cast<uint64_t>(size.QuadPart);
    }

    bool IsOpen() const { return static_cast<bool>(m_file); }
    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* out, size_t count) override {
        LARGE_INTEGER where;
        where.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(m_file.get(), where, nullptr, FILE_BEGIN)) return 0;
        size_t total = 0;
        while (total < count) {
            const size_t left = count - total;
            const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
            DWORD got = 0;
            if (!ReadFile(m_file.get(), static_cast<uint8_t*>(out) + total, chunk, &got, nullptr) || got == 0) break;
            total += got;
        }
        return total;
    }

private:
    CScopedHandle m_file;
    uint64_t m_size = 0;
};

// A moveable global block that is freed on every path unless released.
class GlobalBlock {
public:
    explicit GlobalBlock(SIZE_T size) : m_handle(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)) {}
    ~GlobalBlock() {
        if (m_handle) GlobalFree(m_handle);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    explicit operator bool() const { return m_handle != nullptr; }
    HGLOBAL Handle() const { return m_handle; }
    bool Grow(SIZE_T size) {
        HGLOBAL grown = GlobalReAlloc(m_handle, size, GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown) return false;
        m_handle = grown;
        return true;
    }

private:
    HGLOBAL m_handle;
};

class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL handle) : m_handle(handle), m_data(static_cast<uint8_t*>(GlobalLock(handle))) {}
    ~GlobalLockGuard() {
        if (m_data) GlobalUnlock(m_handle);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    uint8_t* Data() const { return m_data; }

private:
    HGLOBAL m_handle;
    uint8_t* m_data;
};

uint32_t DefaultColorCount(uint16_t bitCount) {
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

bool IsSupportedBitCount(uint16_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// Reads the bitmap header at pos into a 40-byte header; a core header is widened.
// Returns the header's size in the file, or 0 when it is neither kind or is damaged.
uint32_t ReadDibHeader(DibSource& src, uint64_t pos, BITMAPINFOHEADER* out) {
    uint8_t raw[kInfoHeaderSize] = {};
    const size_t got = src.ReadAt(pos, raw, sizeof raw);
    if (got < sizeof(uint32_t)) return 0;
    uint32_t headerSize;
    std::memcpy(&headerSize, raw, sizeof headerSize);
    *out = BITMAPINFOHEADER{};
    if (headerSize == kCoreHeaderSize && got >= kCoreHeaderSize) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, raw, sizeof core);
        out->biSize = kInfoHeaderSize;
        out->biWidth = core.bcWidth;
        out->biHeight = core.bcHeight;
        out->biPlanes = core.bcPlanes;
        out->biBitCount = core.bcBitCount;
        out->biClrUsed = out->biClrImportant = DefaultColorCount(core.bcBitCount);
        return kCoreHeaderSize;
    }
    if (headerSize == kInfoHeaderSize && got == kInfoHeaderSize) {
        std::memcpy(out, raw, sizeof *out);
        return kInfoHeaderSize;
    }
    return 0;
}

// Checks the header against itself and the file size and fills in the image size and colour
// count as the format's defaults say. Everything later allocates and reads from these values.
bool ValidateDibHeader(BITMAPINFOHEADER* bih, uint64_t fileSize) {
    if (bih->biPlanes != 1 || !IsSupportedBitCount(bih->biBitCount)) return false;
    if (bih->biWidth <= 0 || bih->biHeight == 0) return false;
    const uint16_t bits = bih->biBitCount;
    switch (bih->biCompression) {
    case BI_RGB: break;
    case BI_RLE8:
    case BI_RLE4:
        // Run-length bits need their stored size and only run bottom-up.
        if (bits != (bih->biCompression == BI_RLE8 ? 8 : 4) || bih->biSizeImage == 0 || bih->biHeight < 0) return false;
        break;
    default: return false;  // bit-field masks and embedded JPEG/PNG are not read
    }
    const uint64_t rows = bih->biHeight < 0 ? -static_cast<int64_t>(bih->biHeight) : bih->biHeight;
    const uint64_t stride = (static_cast<uint64_t>(bih->biWidth) * bits + 31) / 32 * 4;
    if (rows > kMaxUnpackedBytes / stride) return false;  // also keeps the product below from overflowing
    const uint64_t packedSize = stride * rows;
    if (bih->biSizeImage == 0)
        bih->biSizeImage = static_cast<DWORD>(packedSize);
    else if (bih->biCompression == BI_RGB && bih->biSizeImage < packedSize)
        return false;  // GDI would read past the block
    if (bih->biSizeImage > fileSize) return false;

    const uint32_t maxColors = bits <= 8 ? (1u << bits) : 256;
    if (bih->biClrUsed == 0) bih->biClrUsed = DefaultColorCount(bits);
    if (bih->biClrUsed > maxColors) return false;
    if (bih->biClrImportant > bih->biClrUsed) bih->biClrImportant = 0;
    return true;
}

// Core palettes hold 3 bytes per entry: widen them in place, last entry first.
void WidenCorePalette(uint8_t* palette, uint32_t count) {
    for (uint32_t i = count; i-- > 0;) {
        const uint8_t blue = palette[3 * i], green = palette[3 * i + 1], red = palette[3 * i + 2];
        RGBQUAD quad{blue, green, red, 0};
        std::memcpy(palette + 4 * i, &quad, sizeof quad);
    }
}

HBITMAP LoadDib(DibSource& src) {
    const uint64_t fileSize = src.Size();
    if (fileSize > kMaxDibFileSize) return nullptr;

    // A file without "BM" is taken as header, palette and bits from its first byte.
    BITMAPFILEHEADER fileHeader{};
    uint64_t pos = 0;
    uint64_t bitsOffset = 0;
    if (src.ReadAllAt(0, &fileHeader, sizeof fileHeader) && fileHeader.bfType == kBitmapFileType) {
        pos = sizeof fileHeader;
        bitsOffset = fileHeader.bfOffBits;
    }

    BITMAPINFOHEADER bih;
    const uint32_t headerSize = ReadDibHeader(src, pos, &bih);
    if (headerSize == 0 || !ValidateDibHeader(&bih, fileSize)) return nullptr;
    const bool core = headerSize == kCoreHeaderSize;
    pos += headerSize;

    const uint32_t colors = bih.biClrUsed;
    const SIZE_T paletteBytes = SIZE_T(colors) * sizeof(RGBQUAD);
    const SIZE_T bitsAt = sizeof bih + paletteBytes;
    GlobalBlock block(bitsAt);
    if (!block) return nullptr;
    {
        GlobalLockGuard lock(block.Handle());
        if (!lock.Data()) return nullptr;
        std::memcpy(lock.Data(), &bih, sizeof bih);
        const size_t fileEntryBytes = core ? 3 : 4;
        const size_t paletteInFile = colors * fileEntryBytes;
        if (!src.ReadAllAt(pos, lock.Data() + sizeof bih, paletteInFile)) return nullptr;
        if (core) WidenCorePalette(lock.Data() + sizeof bih, colors);
        pos += paletteInFile;
    }

    if (bitsOffset != 0) pos = bitsOffset;
    const uint64_t imageSize = bih.biSizeImage;
    if (pos > fileSize || imageSize > fileSize - pos) return nullptr;
    if (!block.Grow(bitsAt + static_cast<SIZE_T>(imageSize))) return nullptr;

    GlobalLockGuard lock(block.Handle());
    if (!lock.Data() || !src.ReadAllAt(pos, lock.Data() + bitsAt, static_cast<size_t>(imageSize))) return nullptr;
    CWindowDC screen = CWindowDC::Screen();
    if (!screen.get()) return nullptr;
    auto* info = reinterpret_cast<BITMAPINFO*>(lock.Data());
    return CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, lock.Data() + bitsAt, info, DIB_RGB_COLORS);
}

}  // namespace

HBITMAP LoadDibFile(const char* path) {
    if (!path) return nullptr;
    FileDibSource src(path);
    if (!src.IsOpen()) return nullptr;
    return LoadDib(src);
}

HBITMAP LoadDibMemory(const void* data, size_t size) {
    MemoryDibSource src(data, size);
    return LoadDib(src);
}

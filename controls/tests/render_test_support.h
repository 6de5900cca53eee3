// Drawing targets for render tests: a 32-bpp memory bitmap read back pixel by pixel, and an
// enhanced metafile read back record by record.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

// A white top-down 32-bpp DIB section selected into a memory context.
class CDibSurface {
public:
    CDibSurface(int width, int height);
    ~CDibSurface();
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;

    bool Ok() const { return m_bits != nullptr; }
    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixel as a COLORREF; 0xFFFFFFFF outside the bitmap.
    COLORREF At(int x, int y) const;
    // Pixels of the whole bitmap that are not white.
    int CountNotWhite() const;

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_oldBitmap;
    const uint32_t* m_bits;
};

// Keeps a drawing as a .bmp under artefacts/ of the working directory, for a person to look at.
void SaveArtefact(const CDibSurface& s, const char* name);

// A bitmap's pixels read back as 0x00RRGGBB, top row first; empty for no bitmap.
struct stBitmapPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
stBitmapPixels BitmapPixels(HBITMAP bitmap);

// One metafile record: its type and its bytes (header included).
struct stMetaRecord {
    DWORD type;
    std::vector<uint8_t> bytes;
    template <typename T>
    const T* As() const {
        return reinterpret_cast<const T*>(bytes.data());
    }
};

// Records drawing into an enhanced metafile; Finish closes it and returns the records after
// the header, in order.
class CMetaRecorder {
public:
    CMetaRecorder();
    ~CMetaRecorder();
    CMetaRecorder(const CMetaRecorder&) = delete;
    CMetaRecorder& operator=(const CMetaRecorder&) = delete;

    HDC Dc() const { return m_dc; }
    std::vector<stMetaRecord> Finish();

private:
    HDC m_dc;
};

// The records of one type.
std::vector<const stMetaRecord*> RecordsOf(const std::vector<stMetaRecord>& records, DWORD type);

// Drawing targets for render tests.
#include "controls/tests/render_test_support.h"
#include "controls/tests/dib32.h"

#include <cstdio>
#include <cstring>
#include <string>

CDibSurface::CDibSurface(int width, int height)
    : m_width(width), m_height(height), m_dc(nullptr), m_bitmap(nullptr), m_oldBitmap(nullptr), m_bits(nullptr) {
    void* bits = nullptr;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateTopDownDib32(m_dc, width, height, &bits);
    if (!m_dc || !m_bitmap) return;
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    memset(bits, 0xFF, static_cast<size_t>(width) * height * 4);
    m_bits = static_cast<const uint32_t*>(bits);
}

CDibSurface::~CDibSurface() {
    if (m_oldBitmap) SelectObject(m_dc, m_oldBitmap);
    if (m_bitmap) DeleteObject(m_bitmap);
    if (m_dc) DeleteDC(m_dc);
}

COLORREF CDibSurface::At(int x, int y) const {
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0xFFFFFFFF;
    GdiFlush();
    uint32_t p = m_bits[static_cast<size_t>(y) * m_width + x];  // 0x00RRGGBB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int CDibSurface::CountNotWhite() const {
    int n = 0;
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) n += At(x, y) != 0xFFFFFF;
    return n;
}

CMetaRecorder::CMetaRecorder() : m_dc(CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr)) {}

CMetaRecorder::~CMetaRecorder() {
    if (m_dc) DeleteEnhMetaFile(CloseEnhMetaFile(m_dc));
}

std::vector<stMetaRecord> CMetaRecorder::Finish() {
    std::vector<stMetaRecord> out;
    if (!m_dc) return out;
    HENHMETAFILE emf = CloseEnhMetaFile(m_dc);
    m_dc = nullptr;
    if (!emf) return out;
    UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<uint8_t> bits(size);
    GetEnhMetaFileBits(emf, size, bits.data());
    DeleteEnhMetaFile(emf);
    size_t pos = 0;
    while (pos + sizeof(EMR) <= bits.size()) {
        EMR head;
        memcpy(&head, bits.data() + pos, sizeof head);
        if (head.nSize < sizeof(EMR) || pos + head.nSize > bits.size()) break;
        if (head.iType != EMR_HEADER && head.iType != EMR_EOF)
            out.push_back(
                stMetaRecord{head.iType, std::vector<uint8_t>(bits.begin() + pos, bits.begin() + pos + head.nSize)});
        pos += head.nSize;
    }
    return out;
}

std::vector<const stMetaRecord*> RecordsOf(const std::vector<stMetaRecord>& records, DWORD type) {
    std::vector<const stMetaRecord*> out;
    for (const stMetaRecord& r : records)
        if (r.type == type) out.push_back(&r);
    return out;
}

// Keeps a drawing as a .bmp under artefacts/ of the working directory.
void SaveArtefact(const CDibSurface& s, const char* name) {
    CreateDirectoryA("artefacts", nullptr);
    std::string path = std::string("artefacts\\") + name + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    const int w = s.Width(), h = s.Height();
    const uint32_t imageBytes = static_cast<uint32_t>(w) * h * 4;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + imageBytes;
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = -h;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    ih.biCompression = BI_RGB;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = s.At(x, y);
            const uint8_t px[4] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
            std::fwrite(px, 4, 1, f);
        }
    std::fclose(f);
}

stBitmapPixels BitmapPixels(HBITMAP bitmap) {
    stBitmapPixels p;
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, p.width, -p.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    p.pixels.resize(static_cast<size_t>(p.width) * p.height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(p.height), p.pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (uint32_t& px : p.pixels) px &= 0xFFFFFF;
    return p;
}

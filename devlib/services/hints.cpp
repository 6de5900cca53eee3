// The journal's tooltip texts and the shared button bitmaps.
#include "devlib/services/hints.h"

#include <cstring>

#include "button/lumikey.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"

CJnlHintText m_JnlHintText;
CMLBitmap m_MLBitmap;

namespace {

constexpr const char* kJournalKeys[CJnlHintText::kEntries] = {
    "Insert Time", "Insert Date", "Autotime", "New Journal", "Load Text", "Save Text", "Print Journal",
};

// Resource ids of the seven images, in EMLBITMAP order.
constexpr uint16_t kBitmapResources[MLBMP_COUNT] = {
    IDB_START_IDLE, IDB_START_RUNNING, IDB_PLAYBACK_IDLE, IDB_PLAYBACK_RUNNING,
    IDB_TOGGLE_ON,  IDB_TOGGLE_OFF,    IDB_TOGGLE_ARMED,
};

// Copies at most size - 1 characters, always terminated.
void CopyText(char* dst, const char* src, size_t size) {
    strncpy(dst, src, size - 1);
    dst[size - 1] = '\0';
}

}  // namespace

CJnlHintText::CJnlHintText() {
    for (int i = 0; i < kEntries; ++i) {
        m_entries[i].button = nullptr;
        CopyText(m_entries[i].key, kJournalKeys[i], kTextSize);
        CopyText(m_entries[i].text, kJournalKeys[i], kTextSize);
    }
}

int CJnlHintText::FindKey(const char* key) const {
    if (!key) return -1;
    for (int i = 0; i < kEntries; ++i) {
        if (strcmp(m_entries[i].key, key) == 0) return i;
    }
    return -1;
}

tagLUMIKEY* CJnlHintText::GetLKBtn(HWND button) { return button && IsWindow(button) ? LumikeyRecord(button) : nullptr; }

void CJnlHintText::TranslateAll(HWND toolStrip) {
    for (HWND child = GetWindow(toolStrip, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof(cls));
        tagLUMIKEY* rec = strcmp(cls, LUMIKEY_CLASSNAME) == 0 ? GetLKBtn(child) : nullptr;
        if (!rec) continue;
        int index = FindKey(rec->szTip);
        if (index < 0) continue;
        stEntry& entry = m_entries[index];
        if (strcmp(entry.text, entry.key) != 0)
            CopyText(rec->szTip, entry.text, LK_TIP_SIZE);
        else
            entry.button = child;  // untranslated yet: SetText will reach it later
    }
}

void TranslateJournalHints(HWND graph) { m_JnlHintText.TranslateAll(graph); }

int CJnlHintText::SetText(const char* key, const char* text) {
    int index = FindKey(key);
    if (index < 0 || !text) return 0;
    stEntry& entry = m_entries[index];
    CopyText(entry.text, text, kTextSize);
    if (tagLUMIKEY* rec = GetLKBtn(entry.button)) CopyText(rec->szTip, text, LK_TIP_SIZE);
    return 1;
}

CMLBitmap::CMLBitmap() {
    for (HBITMAP& bmp : m_bitmaps) bmp = nullptr;
}

CMLBitmap::~CMLBitmap() {
    for (HBITMAP& bmp : m_bitmaps) {
        if (bmp) DeleteObject(bmp);
        bmp = nullptr;
    }
}

uint16_t CMLBitmap::GetResource(EMLBITMAP image) {
    return image >= 0 && image < MLBMP_COUNT ? kBitmapResources[image] : 0;
}

// Each picture is loaded when first asked for: the Start button needs one of them at start-up,
// and under Wine every bitmap made asks the window server several times.
HBITMAP CMLBitmap::Get(EMLBITMAP image) const {
    if (image < 0 || image >= MLBMP_COUNT) return nullptr;
    if (!m_bitmaps[image])
        m_bitmaps[image] = static_cast<HBITMAP>(
            LoadImageA(g_lib.instance, MAKEINTRESOURCEA(GetResource(image)), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    return m_bitmaps[image];
}

void CMLBitmap::InitFromResource() {
    for (int i = 0; i < MLBMP_COUNT; ++i) {
        if (m_bitmaps[i]) return;
        Get(static_cast<EMLBITMAP>(i));
    }
}

HBITMAP CMLBitmap::LoadNewImage(EMLBITMAP image, const char* file) {
    if (image < 0 || image >= MLBMP_COUNT || !file) return nullptr;
    auto* bmp = static_cast<HBITMAP>(LoadImageA(nullptr, file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bmp) return nullptr;
    if (m_bitmaps[image]) DeleteObject(m_bitmaps[image]);
    m_bitmaps[image] = bmp;
    return bmp;
}

LRESULT CMLBitmap::SetBitmap(HWND window, EMLBITMAP image, int asButton) {
    HBITMAP bmp = Get(image);
    LRESULT result = asButton ? SendMessageA(window, LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(bmp), 0)
                              : SendMessageA(window, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
    if (result) InvalidateRect(window, nullptr, FALSE);
    return result;
}

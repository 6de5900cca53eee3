// Keyed texts: messages, axis labels, menu labels and dialog-control texts, looked up by key in
// fixed tables filled with the English defaults when the library loads. Lesson scripts replace
// texts through the setters; a missing key answers null and the caller shows the key itself.
#include "devlib/vk40.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "devlib/services/library.h"
#include "devlib/services/dlg_resource.h"
#include "devlib/services/keyed_texts.h"
#include "devlib/services/text_defaults.h"
#include "button/lumikey.h"
#include "common/locale.h"

namespace {

constexpr int kMenuLabels = 255;
constexpr int kMenuLabelChars = 120;
constexpr int kControlTextChars = 261;  // a control's own text is read up to 260 characters

struct stMenuLabel {
    uint32_t id;  // 0: free
    uint32_t sub;
    char text[kMenuLabelChars];
};

class CMenuLabels {
public:
    CMenuLabels() {
        for (int32_t i = 0; i < kMenuLabelDefaultCount; ++i)
            Set(kMenuLabelDefaults[i].id, 0, kMenuLabelDefaults[i].text, 1);
    }

    // Id 0 matches any free entry, which is how a free entry is found.
    stMenuLabel* Find(uint32_t id, uint32_t sub) {
        for (int i = kMenuLabels - 1; i >= 0; --i) {
            stMenuLabel& e = m_entries[i];
            if (e.id == id && (id == 0 || e.sub == sub)) return &e;
        }
        return nullptr;
    }

    // A missing entry takes the highest free place when create is set; a full table takes nothing.
    void Set(uint32_t id, uint32_t sub, const char* text, int32_t create) {
        if (id == 0) return;
        stMenuLabel* e = Find(id, sub);
        if (!e && create) {
            e = Find(0, 0);
            if (e) {
                e->id = id;
                e->sub = sub;
            }
        }
        if (e) CopyCut(e->text, kMenuLabelChars, text);
    }

private:
    stMenuLabel m_entries[kMenuLabels] = {};
};

// Built on first use, so another file's static initialiser can already ask for a text.
CMenuLabels& MenuLabels() {
    static CMenuLabels table;
    return table;
}

CHLabels& HLabels() {
    static CHLabels table;
    return table;
}

}  // namespace

CMessages& Messages() {
    static CMessages table;
    return table;
}

const char* UnitName() { return g_unitModel == kModelVK45 ? "VK45" : "VK40"; }

const char* UnitCaption() { return KeyedOr(kUnitCaptionKey, UnitName()); }

namespace {

// Otherwise the tables fill when the library loads, in this order.
[[maybe_unused]] const bool g_tablesFilled = (MenuLabels(), HLabels(), Messages(), true);

void RenameUnit(char* text) {
    const char* name = UnitName();
    for (char* at = strstr(text, "VK40"); at; at = strstr(at + 4, "VK40")) memcpy(at, name, 4);
}

// Created once for the Japanese locale and kept for the library's lifetime.
HFONT JapaneseDialogFont() {
    static HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "");
    return font;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto* children = reinterpret_cast<std::pair<HWND, std::vector<std::pair<uint32_t, HWND>>*>*>(param);
    if (GetAncestor(child, GA_PARENT) != children->first) return TRUE;
    const LONG_PTR id = GetWindowLongPtrA(child, GWLP_ID);
    if (id >= 0 && id <= 65534) children->second->push_back({static_cast<uint32_t>(id), child});
    return TRUE;
}

// The dialog's direct children by id, highest id first; for an id held twice the first child in
// window order, the one GetDlgItem would find.
std::vector<std::pair<uint32_t, HWND>> ControlsByDescendingId(HWND dlg) {
    std::vector<std::pair<uint32_t, HWND>> controls;
    std::pair<HWND, std::vector<std::pair<uint32_t, HWND>>*> param{dlg, &controls};
    EnumChildWindows(dlg, CollectChild, reinterpret_cast<LPARAM>(&param));
    std::stable_sort(controls.begin(), controls.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    controls.erase(
        std::unique(controls.begin(), controls.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
        controls.end());
    return controls;
}

// A control without an entry of its own is relabelled when its text is a by-name entry.
void RelabelControl(HWND control, uint32_t dlgId, uint32_t ctrlId) {
    if (const stDlgResourceEntry* e = m_DlgResourceStorage.FindControl(dlgId, ctrlId)) {
        if (e->kind & kDlgTextByControl) SetWindowTextA(control, e->text);
        return;
    }
    char current[kControlTextChars] = {};
    GetWindowTextA(control, current, kControlTextChars);
    if (current[0] == '\0') return;
    if (const char* text = m_DlgResourceStorage.GetByName(dlgId, current)) SetWindowTextA(control, text);
}

}  // namespace

// ---- Dialog-control store ----

CDlgResource m_DlgResourceStorage;

int32_t CDlgResource::FindControlIndex(uint32_t dlgId, uint32_t ctrlId) const {
    for (int32_t i = kDlgResourceEntries - 1; i >= 0; --i) {
        const stDlgResourceEntry& e = m_entries[i];
        if ((e.kind & (kDlgTextByControl | kDlgShowValue)) && e.dlgId == dlgId && e.ctrlId == ctrlId) return i;
    }
    return -1;
}

int32_t CDlgResource::FindNameIndex(uint32_t dlgId, const char* name) const {
    if (!UsableKey(name)) return -1;
    for (int32_t i = kDlgResourceEntries - 1; i >= 0; --i) {
        const stDlgResourceEntry& e = m_entries[i];
        if (e.kind == kDlgTextByName && e.dlgId == dlgId && SameName(e.name, name, kDlgResourceChars)) return i;
    }
    return -1;
}

int32_t CDlgResource::HighestFree() const {
    for (int32_t i = kDlgResourceEntries - 1; i >= 0; --i) {
        if (m_entries[i].kind == 0) return i;
    }
    return -1;
}

const stDlgResourceEntry* CDlgResource::FindControl(uint32_t dlgId, uint32_t ctrlId) const {
    const int32_t i = FindControlIndex(dlgId, ctrlId);
    return i < 0 ? nullptr : &m_entries[i];
}

const char* CDlgResource::get(uint32_t dlgId, uint32_t ctrlId) const {
    const stDlgResourceEntry* e = FindControl(dlgId, ctrlId);
    return (e && (e->kind & kDlgTextByControl)) ? e->text : nullptr;
}

int32_t CDlgResource::set(uint32_t dlgId, uint32_t ctrlId, const char* text) {
    const int32_t i = FindControlIndex(dlgId, ctrlId);
    if (i < 0) return 0;
    CopyCut(m_entries[i].text, kDlgResourceChars, text);
    m_entries[i].kind |= kDlgTextByControl;
    return 1;
}

int32_t CDlgResource::add(uint32_t dlgId, uint32_t ctrlId, const char* text) {
    if (FindControlIndex(dlgId, ctrlId) >= 0) return 0;
    const int32_t i = HighestFree();
    if (i < 0) return 0;
    stDlgResourceEntry& e = m_entries[i];
    e = stDlgResourceEntry{};
    e.dlgId = dlgId;
    e.ctrlId = ctrlId;
    CopyCut(e.text, kDlgResourceChars, text);
    e.kind = kDlgTextByControl;
    return 1;
}

int32_t CDlgResource::SetOrAdd(uint32_t dlgId, uint32_t ctrlId, const char* text) {
    return set(dlgId, ctrlId, text) ? 1 : add(dlgId, ctrlId, text);
}

// An empty name is refused: a control with no text is never looked up by name.
int32_t CDlgResource::SetOrAdd(uint32_t dlgId, const char* name, const char* text) {
    if (!UsableKey(name)) return 0;
    int32_t i = FindNameIndex(dlgId, name);
    if (i < 0) {
        i = HighestFree();
        if (i < 0) return 0;
        m_entries[i] = stDlgResourceEntry{};
        m_entries[i].dlgId = dlgId;
        CopyCut(m_entries[i].name, kDlgResourceChars, name);
    }
    CopyCut(m_entries[i].text, kDlgResourceChars, text);
    m_entries[i].kind = kDlgTextByName;
    return 1;
}

const char* CDlgResource::GetByName(uint32_t dlgId, const char* name) const {
    const int32_t i = FindNameIndex(dlgId, name);
    return i < 0 ? nullptr : m_entries[i].text;
}

// A new show entry takes the lowest free place (by-control texts take the highest).
int32_t CDlgResource::SetShowFlag(uint32_t dlgId, uint32_t ctrlId, uint32_t show) {
    int32_t i = FindControlIndex(dlgId, ctrlId);
    if (i < 0) {
        for (int32_t j = 0; j < kDlgResourceEntries && i < 0; ++j) {
            if (m_entries[j].kind == 0) i = j;
        }
        if (i < 0) return 0;
        m_entries[i] = stDlgResourceEntry{};
        m_entries[i].dlgId = dlgId;
        m_entries[i].ctrlId = ctrlId;
    }
    m_entries[i].show = show;
    m_entries[i].kind |= kDlgShowValue;
    return 1;
}

int32_t SetOrAdd(uint32_t dlgId, uint32_t ctrlId, const char* text) {
    return m_DlgResourceStorage.SetOrAdd(dlgId, ctrlId, text);
}

int32_t SetOrAdd(uint32_t dlgId, const char* name, const char* text) {
    return m_DlgResourceStorage.SetOrAdd(dlgId, name, text);
}

// ---- Exports ----

// The stored text, with the unit's name and the script escapes written into it for good.
const char* getMsgBoxText(const char* key) {
    char* text = Messages().Get(key);
    if (!text) return nullptr;
    RenameUnit(text);
    DoEscSeq(text, "\\n", '\n');
    DoEscSeq(text, "\\t", '\t');
    return text;
}

int32_t setMsgBoxText(const char* key, const char* text) { return Messages().Set(key, text); }

// Each occurrence of seq becomes the one character ch, in place.
void DoEscSeq(char* text, const char* seq, char ch) {
    if (!text || !UsableKey(seq) || !strstr(text, seq)) return;
    const size_t seqLength = strlen(seq);
    char* to = text;
    for (const char* from = text; *from;) {
        if (strncmp(from, seq, seqLength) == 0) {
            *to++ = ch;
            from += seqLength;
        } else {
            *to++ = *from++;
        }
    }
    *to = '\0';
}

const char* getHLabelText(const char* key) { return HLabels().Get(key); }

int32_t setHLabelText(const char* key, const char* text) { return HLabels().Set(key, text); }

void mlset(uint32_t id, uint32_t sub, const char* text, int32_t create) { MenuLabels().Set(id, sub, text, create); }

const char* mlgetName(uint32_t id, uint32_t sub) {
    if (id == 0) return nullptr;
    const stMenuLabel* e = MenuLabels().Find(id, sub);
    return e ? e->text : nullptr;
}

const char* getDlgCtrlText(uint32_t dlgId, uint32_t ctrlId) { return m_DlgResourceStorage.get(dlgId, ctrlId); }

const char* GetDlgMultiTextItem(uint32_t dlgId, const char* name) {
    return m_DlgResourceStorage.GetByName(dlgId, name);
}

int32_t SetShowFlagDlgCtrlItem(uint32_t dlgId, uint32_t ctrlId, uint32_t show) {
    return m_DlgResourceStorage.SetShowFlag(dlgId, ctrlId, show);
}

// Re-labels a dialog: its title, then each control by its id or, without an entry, by its text.
void HandleTheDialog(HWND dlg, uint32_t dlgId) {
    if (!dlg || !IsWindow(dlg)) return;
    const bool japanese = GetUserDefaultLCID() == kJapaneseLocale;
    const std::vector<std::pair<uint32_t, HWND>> controls = ControlsByDescendingId(dlg);
    if (japanese) {
        const HFONT font = JapaneseDialogFont();
        for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (const char* title = m_DlgResourceStorage.get(dlgId, 0)) SetWindowTextA(dlg, title);

    const WPARAM font = static_cast<WPARAM>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    for (const auto& control : controls) {
        if (!japanese) SendMessageA(control.second, WM_SETFONT, font, TRUE);
        RelabelControl(control.second, dlgId, control.first);
    }
}

// Applies the stored show commands of the dialog's controls, oldest entry first.
void HandleShowMessage(HWND dlg, uint32_t dlgId) {
    if (!dlg) return;
    for (int32_t i = 0; i < kDlgResourceEntries; ++i) {
        const stDlgResourceEntry& e = m_DlgResourceStorage.Entry(i);
        if (e.dlgId != dlgId || !(e.kind & kDlgShowValue) || e.show > SW_MAX) continue;
        if (HWND control = GetDlgItem(dlg, static_cast<int>(e.ctrlId))) ShowWindow(control, static_cast<int>(e.show));
    }
}

namespace {

// The button record of a tool-bar child, or null for a window that is no Lumikey button.
tagLUMIKEY* ButtonRecord(HWND child) {
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, LUMIKEY_CLASSNAME) != 0) return nullptr;
    return LumikeyRecord(child);
}

}  // namespace

// Every button hint of the tool bar becomes a message key whose text is itself.
void HandleTheToolBar(HWND toolbar) {
    if (!toolbar) return;
    for (HWND child = GetWindow(toolbar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (tagLUMIKEY* button = ButtonRecord(child)) Messages().Add(button->szTip, button->szTip);
    }
}

// Gives the button showing the key's current text a new hint, and the key that text too.
int32_t SetHintText(HWND toolbar, const char* key, const char* text) {
    if (!toolbar || !text) return 0;
    const char* current = Messages().Get(key);
    if (!current) return 0;
    for (HWND child = GetWindow(toolbar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        tagLUMIKEY* button = ButtonRecord(child);
        if (!button) break;
        if (std::strcmp(button->szTip, current) == 0) {
            lstrcpynA(button->szTip, text, sizeof button->szTip);
            Messages().Set(key, text);
            return 1;
        }
    }
    return 0;
}

// The eight output panels of a graph document, the output-control menu, the switching of panels
// when graph windows are activated, and the document's output-panel block.
#include "outputs/framework/panel.h"
#include "outputs/outputs_api.h"
#include "outputs/panels/panels.h"
#include "base/app.h"
#include "base/byte_stream.h"
#include "outputs/outputs_ids.h"
#include "devlib/resource.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFilePreferencesPos = 10;
constexpr int kMenuTextChars = 127;

// Every live set, so that a graph window leads to its document's panels without the graph layer.
std::vector<COutCtlViewSet*>& LiveSets() {
    static std::vector<COutCtlViewSet*> sets;
    return sets;
}

COutCtlViewSet* SetOfWindow(HWND window) {
    if (!window) return nullptr;
    for (COutCtlViewSet* set : LiveSets())
        if (set->Document() && set->Document()->hwnd == window) return set;
    return nullptr;
}

COutCtlView* ActivePanelOfWindow(HWND window) {
    COutCtlViewSet* set = SetOfWindow(window);
    return set ? set->FindActiveOutputPanel() : nullptr;
}

int AcqStateWord() {
    if (!g_app) return 0;
    AcqLock acq(g_app->hAcq);
    return acq ? acq->run.statusState : 0;
}

HWND ActiveMdiChild() {
    if (!g_app || !g_app->hwndClient) return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0));
}

}  // namespace

// ---- The set ----

COutCtlViewSet::COutCtlViewSet(tagGS* doc) : m_doc(doc) {
    LiveSets().push_back(this);
    for (int type = 0; type < kOutputTypes; ++type) {
        COutCtlView* panel = NewOutputPanel(type, this);
        if (panel && !m_panels.Add(panel)) delete panel;
    }
}

void COutCtlViewSet::OnCommand(UINT id) {
    if (id == IDM_OUTPUT_PANEL_DIALOG) {
        if (COutCtlView* active = FindActiveOutputPanel())
            if (active->Window()) SendMessageA(active->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
        return;
    }
    if (id < IDM_OUTPUT_FIRST || id > IDM_OUTPUT_LAST) return;
    COutCtlView* panel = FindPanelByMenuId(id);
    if (!panel) return;
    if (panel->IsActive()) panel->Hide();
    else SwitchToPanel(panel->GetType());
}

COutCtlView* COutCtlViewSet::FindActiveOutputPanel() const {
    for (int i = 0; i < m_panels.GetSize(); ++i)
        if (m_panels.GetAt(i)->IsActive()) return m_panels.GetAt(i);
    return nullptr;
}

COutCtlView* COutCtlViewSet::FindPanelByType(int type) const {
    for (int i = 0; i < m_panels.GetSize(); ++i)
        if (m_panels.GetAt(i)->GetType() == type) return m_panels.GetAt(i);
    return nullptr;
}

COutCtlView* COutCtlViewSet::FindPanelByMenuId(UINT id) const {
    for (int i = 0; i < m_panels.GetSize(); ++i)
        if (m_panels.GetAt(i)->GetMenuId() == id) return m_panels.GetAt(i);
    return nullptr;
}

int COutCtlViewSet::SwitchToPanel(int type) {
    if (COutCtlView* active = FindActiveOutputPanel()) {
        if (active->GetType() == type) return 1;
        active->Hide();
    }
    COutCtlView* panel = FindPanelByType(type);
    if (!panel) return 0;
    return ShowPanelFirstTime(panel);
}

COutCtlView* FindActiveOutputPanel(tagGS* gs) { return gs && gs->outPanels ? gs->outPanels->FindActiveOutputPanel() : nullptr; }

COutCtlViewSet* NewOutCtlViewSet(tagGS* owner) { return new (std::nothrow) COutCtlViewSet(owner); }

void DeleteOutCtlViewSet(COutCtlViewSet* set, int flags) {
    if (!set) return;
    auto& sets = LiveSets();
    sets.erase(std::remove(sets.begin(), sets.end(), set), sets.end());
    if (flags & 1) delete set;
    else set->~COutCtlViewSet();
}

void OutCtlViewSetOnCommand(COutCtlViewSet* set, UINT id) {
    if (set) set->OnCommand(id);
}

void InitOutputControl() {}

void ShowOpenedOutputPanel(COutCtlViewSet* set) {
    if (COutCtlView* active = set ? set->FindActiveOutputPanel() : nullptr) ShowPanelFirstTime(active);
}

// A new start from the graph's Start button arms the stimulators that run with the recording.
void ClearOutputPanelsPendingStart(COutCtlViewSet*) { PanelState().stoppedByUser = 0; }

// ---- The frame's menu ----

namespace {

// Whether a popup holds one of the output-panel commands.
bool HoldsOutputCommands(HMENU popup) {
    for (UINT id = IDM_OUTPUT_FIRST; id <= IDM_OUTPUT_LAST; ++id)
        if (GetMenuState(popup, id, MF_BYCOMMAND) != 0xFFFFFFFFu) return true;
    return false;
}

// The device menu's output-control submenu, wherever the lessons and a maximised graph put the
// device menu on the bar: its parent popup and its place there; false when the bar has none.
bool FindOutputSubmenu(HMENU bar, HMENU* parent, int* position) {
    const int popups = GetMenuItemCount(bar);
    for (int i = 0; i < popups; ++i) {
        HMENU menu = GetSubMenu(bar, i);
        if (!menu) continue;
        const int items = GetMenuItemCount(menu);
        for (int k = 0; k < items; ++k) {
            HMENU sub = GetSubMenu(menu, k);
            if (sub && HoldsOutputCommands(sub)) {
                *parent = menu;
                *position = k;
                return true;
            }
        }
    }
    return false;
}

// The channel panel's item reads "CH3 to Output" with the channel its controller routes.
void SetChannelItemText(HMENU menu, COutCtlViewSet* set) {
    COutCtlView* ch3 = set->FindPanelByType(0);
    if (!ch3) return;
    const char* format = getDlgCtrlText(ch3->DialogId(), IDC_OUT_TITLE_FORMAT);
    if (!format) return;
    char text[kMenuTextChars + 1];
    FormatKeyedText(text, sizeof text, format, static_cast<int>(ch3->Value(0)));
    ModifyMenuA(menu, IDM_OUTPUT_CHANNEL, MF_BYCOMMAND | MF_STRING, IDM_OUTPUT_CHANNEL, text);
}

// "Preferences" of the shown panel under File > Preferences.
void AppendPreferencesItem(HMENU menu, COutCtlView* panel) {
    const int first = g_app && IsZoomed(g_app->hwndActiveGraph) ? 1 : 0;
    HMENU prefs = GetSubMenu(GetSubMenu(menu, first), kFilePreferencesPos);
    if (!prefs) return;
    char text[kMenuTextChars + 1] = "";
    if (panel->IsPulseType()) GetMenuStringA(menu, panel->GetMenuId(), text, sizeof text, MF_BYCOMMAND);
    else if (panel->Window()) GetDlgItemTextA(panel->Window(), IDC_OUT_TITLE, text, sizeof text);
    AppendMenuA(prefs, MF_STRING | (panel->CanEditPreferences() ? MF_ENABLED : MF_GRAYED), IDM_OUTPUT_PANEL_DIALOG,
                text);
}

}  // namespace

void UpdateOutputMenu(HMENU menu) {
    if (!menu) return;
    RemoveMenu(menu, IDM_OUTPUT_PANEL_DIALOG, MF_BYCOMMAND);
    for (UINT id = IDM_OUTPUT_FIRST; id <= IDM_OUTPUT_LAST; ++id) CheckMenuItem(menu, id, MF_BYCOMMAND | MF_UNCHECKED);
    HMENU device = nullptr;
    int outputs = -1;
    const bool found = FindOutputSubmenu(menu, &device, &outputs);
    const HWND graph = g_app ? g_app->hwndActiveGraph : nullptr;
    if (!graph || !IsWindow(graph)) {
        if (found) EnableMenuItem(device, static_cast<UINT>(outputs), MF_BYPOSITION | MF_GRAYED);
        return;
    }
    if (found) EnableMenuItem(device, static_cast<UINT>(outputs), MF_BYPOSITION | MF_ENABLED);
    COutCtlViewSet* set = SetOfWindow(graph);
    if (!set) return;
    SetChannelItemText(menu, set);
    COutCtlView* active = set->FindActiveOutputPanel();
    if (!active) return;
    CheckMenuItem(menu, active->GetMenuId(), MF_BYCOMMAND | MF_CHECKED);
    if (active->HasPreferences()) AppendPreferencesItem(menu, active);
}

// ---- Activation and the device library's messages ----

void OutputPanelsOnMdiActivate(HWND deactivated, HWND activated) {
    if (COutCtlView* old = ActivePanelOfWindow(deactivated)) {
        const int state = AcqStateWord();
        if (state != 0 && state != 1) return;
        if (old->Controller()) old->Controller()->OnDeactivate();
        old->Refresh();
        old->Enable(0);
    }
    if (COutCtlView* now = ActivePanelOfWindow(activated)) {
        if (now->Controller()) {
            now->Controller()->ApplyPrefs();
            now->Controller()->OnActivate();
        }
        now->Enable(1);
        now->Refresh();
    }
}

void NotifyOutputPanels(LPARAM first, WPARAM second, UINT msg) {
    OutputPanelState& s = PanelState();
    s.notifyFirst = first;
    s.notifySecond = second;
    s.notifyMsg = msg;
    const HWND active = ActiveMdiChild();
    if (!active) return;
    for (COutCtlViewSet* set : LiveSets()) {
        COutCtlView* panel = set->FindActiveOutputPanel();
        HWND graph = set->Document() ? set->Document()->hwnd : nullptr;
        if (!panel || !graph || GetParent(graph) != g_app->hwndClient) continue;
        OutController* c = panel->Controller();
        if (first == 0) {
            panel->Enable(graph == active ? 1 : 0);
            if (graph == active && c) {
                c->ApplyPrefs();
                c->OnActivate();
            }
        } else {
            if (second != 0 || graph != active) panel->Enable(0);
            if (c) c->ApplyPrefs();
        }
        if (msg == WM_VK_RUN_STOPPED) s.stoppedByUser = 0;
        if (panel->Window() && IsWindowEnabled(panel->Window())) panel->Refresh();
    }
}

// ---- The document block ----

int ReadOutputPanels(COutCtlViewSet* set, CByteReader& in) {
    if (!set) return 0;
    std::vector<PanelRecord> records;
    const int result = ParseOutputPanelsBlock(in, set->Size(), &records);
    if (result != 1) return result;
    for (size_t type = 0; type < records.size(); ++type)
        if (COutCtlView* panel = set->FindPanelByType(static_cast<int>(type))) panel->TakeRecord(records[type]);
    return 1;
}

int CheckOutputPanels(const COutCtlViewSet* set, CByteReader& in) {
    if (!set) return 0;
    std::vector<PanelRecord> records;
    return ParseOutputPanelsBlock(in, set->Size(), &records);
}

int WriteOutputPanels(COutCtlViewSet* set, CByteWriter& out) {
    out.U32(kOutputPanelsTag);
    if (!set) {
        // Every panel inactive, without settings or presets.
        out.I16(kOutputTypes);
        for (int type = 0; type < kOutputTypes; ++type)
            if (type != kUnstoredPanelType) WritePanelRecord(out, 0, nullptr, 0, -1, {});
        return out.Ok() ? 1 : 0;
    }
    out.I16(static_cast<int16_t>(set->Size()));
    for (int i = 0; i < set->Size(); ++i)
        if (!set->At(i)->Write(out)) return 0;
    return out.Ok() ? 1 : 0;
}

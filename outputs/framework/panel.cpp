// The output panel base class: the dialog window inside its graph window, showing and hiding,
// enabling from the acquisition state, presets, the file record and the red frame.
#include "outputs/framework/panel.h"
#include "base/app.h"
#include "base/byte_stream.h"
#include "base/notify.h"
#include "outputs/outputs_ids.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "outputs/preferences/output_prefs_dialog.h"

OutputPanelState& PanelState() {
    static OutputPanelState state;
    return state;
}

namespace {

constexpr int kFramePenWidth = 5;
constexpr int kBoldWeight = 700;

// One pen and one bold font for the panels of every document.
void MakeSharedDrawingObjects() {
    OutputPanelState& s = PanelState();
    if (!s.framePen) s.framePen = CreatePen(PS_SOLID, kFramePenWidth, RGB(255, 0, 0));
    if (!s.boldFont) {
        LOGFONTA lf{};
        if (g_app)
            lf = g_app->fonts.lfText;
        else GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        lf.lfWeight = kBoldWeight;
        s.boldFont = CreateFontIndirectA(&lf);
    }
}

// Freed when the last graph window has gone; the next panel makes them again.
void FreeSharedDrawingObjectsWhenNoGraph() {
    if (g_app && IsWindow(g_app->hwndActiveGraph)) return;
    OutputPanelState& s = PanelState();
    if (s.framePen) DeleteObject(s.framePen);
    if (s.boldFont) DeleteObject(s.boldFont);
    s.framePen = nullptr;
    s.boldFont = nullptr;
}

// Lays the graph's panes out again beside the panel and repaints it.
void RelayoutGraph(HWND graph) {
    if (!IsWindow(graph)) return;
    RECT rc;
    GetClientRect(graph, &rc);
    SendMessageA(graph, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    InvalidateRect(graph, nullptr, TRUE);
}

}  // namespace

COutCtlView::COutCtlView(COutCtlViewSet* owner) : m_owner(owner) { MakeSharedDrawingObjects(); }

COutCtlView::~COutCtlView() {
    delete m_controller;
    if (m_hwnd && IsWindow(m_hwnd)) {
        SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
        DestroyWindow(m_hwnd);
    }
    FreeSharedDrawingObjectsWhenNoGraph();
}

void COutCtlView::SetUp(uint16_t dialogId, int type, UINT menuId) {
    m_dialogId = dialogId;
    m_type = type;
    m_menuId = menuId;
    m_controller = MakeOutController(type, this);
}

tagGS* COutCtlView::Document() const { return m_owner ? m_owner->Document() : nullptr; }

HWND COutCtlView::GraphWindow() const {
    tagGS* gs = Document();
    return gs ? gs->hwnd : nullptr;
}

void COutCtlView::MarkChanged() {
    m_keepSettings = false;
    m_keptSettings.clear();
    if (tagGS* gs = Document()) setDirtyGraphFlag(gs, 1);
}

double COutCtlView::Value(int i) const {
    const OutPref* p = Pref(i);
    return p ? p->m_value : 0.0;
}

void COutCtlView::SetValue(int i, double v) {
    if (OutPref* p = Pref(i)) p->m_value = v;
}

// Commands and scrolling count only in the graph the user works in: the topmost child of the
// window that holds the graph windows.
bool COutCtlView::IsTopGraph() const {
    HWND graph = GraphWindow();
    HWND client = graph ? GetParent(graph) : nullptr;
    return client && GetWindow(client, GW_CHILD) == graph;
}

int COutCtlView::AcquisitionState() {
    if (!g_app) return 0;
    AcqLock acq(g_app->hAcq);
    return acq ? acq->run.statusState : 0;
}

// ---- The dialog window ----

INT_PTR CALLBACK COutCtlView::DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* view = reinterpret_cast<COutCtlView*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        view->m_hwnd = dlg;
        return view->OnInitDialog();
    }
    auto* view = reinterpret_cast<COutCtlView*>(GetWindowLongPtrA(dlg, DWLP_USER));
    return view ? view->Dispatch(msg, wParam, lParam) : FALSE;
}

INT_PTR COutCtlView::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: return OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_HSCROLL: return OnHScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
    case WM_PAINT: return OnPaint();
    case WM_INITMENUPOPUP: return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
    case WM_CONTEXTMENU:
        return OnContextMenu(reinterpret_cast<HWND>(wParam), static_cast<short>(LOWORD(lParam)),
                             static_cast<short>(HIWORD(lParam)));
    case WM_MENUSELECT:
        return OnMenuSelect(reinterpret_cast<HMENU>(lParam), LOWORD(wParam), nullptr, HIWORD(wParam));
    case WM_TIMER: return OnTimer(wParam);
    case WM_DESTROY: m_hwnd = nullptr; return FALSE;
    default:
        if (msg >= WM_APP && msg <= 0xBFFF) return OnAppMsg(msg, wParam, lParam);
        return FALSE;
    }
}

int COutCtlView::Enable(int enable) {
    if (m_hwnd) EnableWindow(m_hwnd, enable ? TRUE : FALSE);
    return 1;
}

int COutCtlView::OnInitDialog() {
    HandleTheDialog(m_hwnd, m_dialogId);
    return 1;
}

int COutCtlView::OnCommand(int, HWND, unsigned) { return m_controller ? 0 : 1; }
int COutCtlView::OnHScroll(HWND, unsigned, int) { return 0; }
int COutCtlView::OnAppMsg(UINT, WPARAM, LPARAM) { return 0; }
int COutCtlView::OnTimer(UINT_PTR) { return 0; }

int COutCtlView::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hwnd, &ps);
    if (dc) {
        DrawFrame(dc);
        DrawIcons(dc);
    }
    EndPaint(m_hwnd, &ps);
    return 1;
}

int COutCtlView::OnInitMenuPopup(HMENU menu) {
    AdjustMenuByContainerData(IDR_OUT_PANEL_MENU, menu);
    EnableMenuItem(menu, IDM_OUTPUT_PANEL_DIALOG, MF_BYCOMMAND | (HasPreferences() ? MF_ENABLED : MF_GRAYED));
    return 1;
}

int COutCtlView::OnContextMenu(HWND, int x, int y) {
    HINSTANCE inst = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
    HMENU menu = LoadMenuA(inst, MAKEINTRESOURCEA(IDR_OUT_PANEL_MENU));
    if (!menu) return 1;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, x, y, 0, m_hwnd, nullptr);
    DestroyMenu(menu);
    return 1;
}

int COutCtlView::OnMenuSelect(HMENU menu, UINT item, HMENU popup, UINT flags) {
    notify::OnMenuSelect(menu, item, popup, flags);
    return 1;
}

// ---- Showing ----

int COutCtlView::Show(int limitsKnown) {
    if (!m_hwnd) {
        HINSTANCE inst = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
        CreateDialogParamA(inst, MAKEINTRESOURCEA(m_dialogId), GraphWindow(), DialogProc, reinterpret_cast<LPARAM>(this));
        if (!m_hwnd) return 0;
        if (!limitsKnown && m_controller) m_controller->UpdateLimits();
    }
    if (!m_controller) return 0;
    FillPresetList();
    m_controller->ApplyPrefs();
    ShowWindow(m_hwnd, SW_SHOWNA);
    m_active = 1;
    const OutputPanelState& s = PanelState();
    if (s.notifyFirst == 0) m_controller->OnActivate();
    else if (s.notifySecond == 0 && reinterpret_cast<HWND>(s.notifyFirst) == GraphWindow()) m_controller->OnActivate();
    else Enable(0);
    if (IsWindowVisible(m_hwnd)) Refresh();
    PanelState().stoppedByUser = 0;
    RelayoutGraph(GraphWindow());
    return 1;
}

void COutCtlView::Reposition() {
    if (m_hwnd) SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int COutCtlView::GetRect(RECT* rc) const { return m_hwnd && rc && GetWindowRect(m_hwnd, rc) ? 1 : 0; }

void COutCtlView::Hide() {
    if (m_controller) m_controller->OnDeactivate();
    if (m_hwnd) ShowWindow(m_hwnd, SW_HIDE);
    m_active = 0;
    RelayoutGraph(GraphWindow());
}

// A panel of a graph other than the one a recording is set up for stays disabled.
void COutCtlView::Refresh() {
    const int state = AcquisitionState();
    if (state == 0) {
        Enable(0);
        return;
    }
    Enable(1);
    if (state == 1 || !g_app) return;
    AcqLock acq(g_app->hAcq);
    if (!acq || acq->run.attachedGraph != Document()) Enable(0);
}

// ---- Presets ----

int COutCtlView::HasPreset(const char* name) {
    if (!name) return 0;
    for (int i = 0; i < m_presets.GetSize(); ++i)
        if (m_presets.GetAt(i)->name == name) return 1;
    return 0;
}

int COutCtlView::AddPreset(const PrefList& settings, const char* name) {
    if (!name || HasPreset(CutPresetName(name).c_str())) return 0;
    auto* preset = new (std::nothrow) COutCtlPreset(name, settings);
    if (!preset) return 0;
    if (!m_presets.Add(preset)) {
        delete preset;
        return 0;
    }
    MarkChanged();
    return 1;
}

int COutCtlView::RenamePreset(int index, const char* name) {
    if (!name || !*name || !m_presets.Find(index)) return 0;
    const std::string cut = CutPresetName(name);
    if (HasPreset(cut.c_str())) return 0;
    m_presets.GetAt(index)->name = cut;
    MarkChanged();
    return 1;
}

int COutCtlView::FillPresetList() { return 1; }

// A preset saved from a set of another shape than the controller's is not applied.
void COutCtlView::ApplyPreset(int index) {
    COutCtlPreset* preset = m_presets.Find(index);
    if (!preset || !m_controller || static_cast<int>(preset->settings.size()) != m_controller->Count()) return;
    m_controller->Assign(preset->settings.data(), static_cast<int>(preset->settings.size()));
    m_selected = index;
    m_controller->ApplyPrefs();
    MarkChanged();
}

// ---- The file record ----

int COutCtlView::Write(CByteWriter& out) {
    std::vector<PresetRecord> presets;
    for (int i = 0; i < m_presets.GetSize(); ++i) presets.push_back({m_presets.GetAt(i)->name, m_presets.GetAt(i)->settings});
    const PrefList settings = m_keepSettings ? m_keptSettings : (m_controller ? CopyPrefs(*m_controller) : PrefList());
    return WritePanelRecord(out, m_active, settings.data(), static_cast<int>(settings.size()), m_selected, presets) ? 1
                                                                                                                   : 0;
}

// A stored set of the controller's shape replaces the controller's; another shape is kept as
// it was read, to be written back, and the controller keeps its own.
void COutCtlView::TakeRecord(const PanelRecord& r) {
    m_active = r.active;
    m_keepSettings = false;
    m_keptSettings.clear();
    if (m_controller && static_cast<int>(r.settings.size()) == m_controller->Count())
        m_controller->Assign(r.settings.data(), static_cast<int>(r.settings.size()));
    else {
        m_keepSettings = true;
        m_keptSettings = r.settings;
    }
    m_selected = r.selected;
    m_presets.RemoveAll();
    for (const PresetRecord& p : r.presets) {
        auto* preset = new (std::nothrow) COutCtlPreset();
        if (!preset) break;
        preset->name = p.name;
        preset->settings = p.settings;
        if (!m_presets.Add(preset)) {
            delete preset;
            break;
        }
    }
}

// ---- Preferences and drawing ----

int COutCtlView::HasPreferences() { return 1; }
int COutCtlView::CanEditPreferences() { return 1; }
void COutCtlView::DrawIcons(HDC) {}

void COutCtlView::ShowPreferences() {
    RunOutputPrefsDialog(this);
    Refresh();
}

void COutCtlView::DrawFrame(HDC dc) {
    HPEN pen = PanelState().framePen;
    RECT rc;
    if (!pen || !m_hwnd || !GetWindowRect(m_hwnd, &rc) || IsRectEmpty(&rc)) return;
    const int right = GetFrameRight();
    if (!right) return;
    const int height = rc.bottom - rc.top;
    const POINT pts[] = {{1, 1}, {right - rc.left + 5, 1}, {right - rc.left + 5, height - 2}, {1, height - 2}, {1, 1}};
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, pts, 5);
    SelectObject(dc, old);
}

int COutCtlView::GetFrameRight() { return 0; }


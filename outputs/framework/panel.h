// The output panels: the panel base class COutCtlView, a modeless dialog strip shown inside its
// graph window that owns one output controller, edits its preference set and keeps named
// presets; and COutCtlViewSet, the eight panels of one graph document.
#pragma once
#include <windows.h>
#include <string>
#include "outputs/framework/controller.h"
#include "outputs/framework/out_block.h"
#include "outputs/framework/ptr_array.h"

struct tagGS;
class COutCtlViewSet;
class CByteWriter;

// One named preset of a panel: the panel's whole preference set when it was saved.
struct COutCtlPreset {
    COutCtlPreset() = default;
    COutCtlPreset(const char* presetName, PrefList prefs) : name(CutPresetName(presetName)), settings(std::move(prefs)) {}
    std::string name;
    PrefList settings;
};
using PresetList = PtrArray<COutCtlPreset>;

class COutCtlView {
public:
    explicit COutCtlView(COutCtlViewSet* owner);
    virtual ~COutCtlView();
    COutCtlView(const COutCtlView&) = delete;
    COutCtlView& operator=(const COutCtlView&) = delete;

    // ---- Dialog messages ----
    virtual int Enable(int enable);
    virtual int OnInitDialog();
    virtual int OnCommand(int id, HWND control, unsigned code);
    virtual int OnHScroll(HWND bar, unsigned code, int position);
    virtual int OnPaint();
    virtual int OnInitMenuPopup(HMENU menu);
    virtual int OnContextMenu(HWND window, int x, int y);
    virtual int OnMenuSelect(HMENU menu, UINT item, HMENU popup, UINT flags);
    virtual int OnAppMsg(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual int OnTimer(UINT_PTR id);

    // ---- The panel's own operations ----
    virtual int Show(int limitsKnown);
    virtual void Hide();
    virtual void Refresh();
    virtual int HasPreset(const char* name);
    virtual int AddPreset(const PrefList& settings, const char* name);
    virtual int RenamePreset(int index, const char* name);
    virtual int FillPresetList();
    virtual void ApplyPreset(int index);
    // The panel's record of the file block; the unstored type writes and takes nothing.
    virtual int Write(CByteWriter& out);
    virtual void TakeRecord(const PanelRecord& record);
    virtual int HasPreferences();
    virtual int CanEditPreferences();
    virtual void DrawIcons(HDC dc);
    virtual void ShowPreferences();
    virtual void DrawFrame(HDC dc);
    virtual int GetFrameRight();
    // Puts the panel back at the top left of its graph window, where the layout leaves room.
    virtual void Reposition();
    // The panel window's rectangle in screen coordinates; 0 without a window.
    int GetRect(RECT* rc) const;

    int GetType() const { return m_type; }
    UINT GetMenuId() const { return m_menuId; }
    int IsActive() const { return m_active; }
    bool IsPulseType() const { return m_type == 2 || m_type == 4 || m_type == 5 || m_type == 6 || m_type == 7; }
    bool IsRJ72C() const { return m_type == 6; }
    bool IsAnalog() const { return m_type == 3; }
    HWND Window() const { return m_hwnd; }
    uint16_t DialogId() const { return m_dialogId; }
    OutController* Controller() const { return m_controller; }
    PresetList& Presets() { return m_presets; }
    int SelectedPreset() const { return m_selected; }
    void SetSelectedPreset(int index) { m_selected = index; }
    COutCtlViewSet* Owner() const { return m_owner; }
    tagGS* Document() const;
    HWND GraphWindow() const;

    // Sets the document's changed flag so that closing asks to save it.
    void MarkChanged();
    // The value of entry i of the controller's set (0 without it), and storing one.
    double Value(int i) const;
    void SetValue(int i, double v);
    OutPref* Pref(int i) const { return m_controller ? m_controller->At(i) : nullptr; }
    // Whether the panel's graph window is the one the user works in.
    bool IsTopGraph() const;

protected:
    // Made by the concrete constructors.
    void SetUp(uint16_t dialogId, int type, UINT menuId);
    // The acquisition record's state word: 0 no outputs, 1 idle, others a recording is set up.
    static int AcquisitionState();

    COutCtlViewSet* m_owner;
    OutController* m_controller = nullptr;
    PresetList m_presets{1, 1};
    int m_selected = -1;
    int m_type = -1;
    UINT m_menuId = 0;
    int m_active = 0;
    uint16_t m_dialogId = 0xFFFF;
    HWND m_hwnd = nullptr;
    // A stored set that does not fit the controller (another count of entries) is written back
    // as it was read until the panel's own settings change.
    PrefList m_keptSettings;
    bool m_keepSettings = false;

private:
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
};

class COutCtlViewSet {
public:
    explicit COutCtlViewSet(tagGS* doc);
    ~COutCtlViewSet() = default;
    COutCtlViewSet(const COutCtlViewSet&) = delete;
    COutCtlViewSet& operator=(const COutCtlViewSet&) = delete;

    void OnCommand(UINT id);
    COutCtlView* FindActiveOutputPanel() const;
    COutCtlView* FindPanelByType(int type) const;
    COutCtlView* FindPanelByMenuId(UINT id) const;
    int SwitchToPanel(int type);
    int Size() const { return m_panels.GetSize(); }
    COutCtlView* At(int i) const { return m_panels.Find(i); }
    tagGS* Document() const { return m_doc; }

private:
    PtrArray<COutCtlView> m_panels{kOutputTypes, 0};
    tagGS* m_doc;
};

// Process-wide state shared by the panels of every document.
struct OutputPanelState {
    LPARAM notifyFirst = 0;  // the values last passed to NotifyOutputPanels
    WPARAM notifySecond = 0;
    UINT notifyMsg = 0;
    int stoppedByUser = 0;  // the user stopped a stimulator that runs with the recording
    HPEN framePen = nullptr;
    HFONT boldFont = nullptr;
};
OutputPanelState& PanelState();

// The panel the graph window lays its panes beside, or null.
COutCtlView* FindActiveOutputPanel(tagGS* gs);

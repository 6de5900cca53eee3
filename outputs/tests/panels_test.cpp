// The output panels as windows inside a graph window: the set's menu commands, typed values
// committed as the field loses the focus and held to the preference's limits, the digital
// lines, presets with their "Default" and "Custom" entry, and the document block through the
// panels. The controllers here record what the panels ask of them; their sets carry limits
// and defaults shaped like the device library's.
#include <gtest/gtest.h>
#include "outputs/framework/panel.h"
#include "outputs/framework/panel_util.h"
#include "outputs/panels/stimulator_panels.h"
#include "outputs/outputs_api.h"
#include "base/app.h"
#include "base/byte_stream.h"
#include "base/notify.h"
#include "outputs/outputs_ids.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include <commctrl.h>
#include <prsht.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include "outputs/preferences/preset_dialogs.h"
#include "controls/tests/text_fit.h"

namespace {

constexpr double U = kPrefUnset;

struct Made {
    int type;
    std::vector<int> commands;
    int applied = 0, activated = 0, deactivated = 0;
};
std::vector<Made>* g_made = nullptr;

OutPref P(double lo, double hi, double step, double def) { return OutPref(lo, hi, step, def); }

PrefList TableOf(int type) {
    switch (type) {
    case 0: return {P(U, U, U, 3)};
    case 1: return {P(U, U, U, 1), P(U, U, U, 0)};
    case 3: return {P(0, 4.9987, 0.0195, 0)};
    case 7: return {P(0, 2, 1, 0), P(1, 254, 1, 1), P(0, 1, 1, 0)};
    default:
        return {P(0, 3, 1, 2),          P(1, 254, 1, 10),   P(0, 1, 1, 0),     P(0, 1000, 0.5, 0),
                P(0, 1, 1, 0),          P(0, 1, 1, 0),      P(0.05, 200, 0, 0.05), P(0.05, 200, 0, 0.05),
                P(0.05, 200, 0, 1),     P(0.05, 200, 0, 1), P(0, 1, 0, 0),     P(0.05, 10000, 0, 0.05),
                P(0, 1, 1, 0),          P(0, 2, 1, 0),      P(1, 10000, 0, 1), P(1, 10000, 0, 10000),
                P(1, 10000, 0, 100),    P(1, 10000, 0, 100), P(0.001, 1000, 0, 1)};
    }
}

// Records every command; "running" follows start and stop.
class RecordingController : public OutController {
public:
    RecordingController(int type, size_t index) : m_set(TableOf(type)), m_index(index) {}
    int Count() const override { return static_cast<int>(m_set.size()); }
    OutPref* At(int i) override { return i >= 0 && i < Count() ? &m_set[static_cast<size_t>(i)] : nullptr; }
    int Assign(const OutPref* prefs, int count) override {
        m_set.assign(prefs, prefs + count);
        return 1;
    }
    int OnActivate() override { return ++Me().activated, 1; }
    void OnDeactivate() override { ++Me().deactivated; }
    int DoCmd(OutCmd cmd) override {
        Me().commands.push_back(cmd);
        if (cmd == kOutStart) m_running = true;
        if (cmd == kOutStop || cmd == kOutStopAbsolutely) m_running = false;
        if (cmd == kOutSelect) m_selected = true;
        if (cmd == kOutGround) m_selected = false;
        if (cmd == kOutIsStarted) return m_running;
        if (cmd == kOutIsSelected) return m_selected;
        return 1;
    }
    void ApplyPrefs() override { ++Me().applied; }
    void UpdateLimits() override {}
    double Resolution() override { return 0.001953; }
    // The width's own lower limit and the gap limits bound the period.
    void PeriodRange(double width, double* lo, double* hi, const PrefList* set) override {
        const PrefList& s = set ? *set : m_set;
        *lo = std::max(s[6].m_min, width) + s[11].m_min;
        *hi = std::min(width + s[11].m_max, s[14].m_max);
    }

private:
    Made& Me() { return (*g_made)[m_index]; }
    PrefList m_set;
    size_t m_index;
    bool m_running = false, m_selected = false;
};

OutController* MakeRecording(int type, COutCtlView*) {
    g_made->push_back({type, {}});
    return new RecordingController(type, g_made->size() - 1);
}

// A graph window inside a window that holds it as its topmost child, a document record, and
// an idle acquisition record.
class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_made = &made_;
        SetOutControllerMaker(LibraryControllers() ? nullptr : MakeRecording);
        app_ = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
        app_->hInstance = GetModuleHandleA(nullptr);
        app_->hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
        SetState(1);
        g_app = app_;
        client_ = CreateWindowExA(0, "STATIC", "graphs", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 900, 500,
                                  nullptr, nullptr, nullptr, nullptr);
        graph_ = CreateWindowExA(0, "STATIC", "graph", WS_CHILD | WS_VISIBLE, 0, 0, 880, 440, client_, nullptr, nullptr,
                                 nullptr);
        gs_ = static_cast<tagGS*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(tagGS)));
        gs_->hwnd = graph_;
        set_ = NewOutCtlViewSet(gs_);
        app_->hwndActiveGraph = graph_;
    }
    void TearDown() override {
        DeleteOutCtlViewSet(set_, 1);
        DestroyWindow(client_);
        HeapFree(GetProcessHeap(), 0, gs_);
        GlobalFree(app_->hAcq);
        g_app = nullptr;
        HeapFree(GetProcessHeap(), 0, app_);
        SetOutControllerMaker(nullptr);
        g_made = nullptr;
    }
    virtual bool LibraryControllers() const { return false; }
    void SetState(int state) {
        AcqLock acq(app_->hAcq);
        acq->run.statusState = state;
    }
    COutCtlView* Panel(int type) { return set_->FindPanelByType(type); }
    COutCtlView* Shown(int type) {
        OutCtlViewSetOnCommand(set_, IDM_OUTPUT_FIRST + type);
        COutCtlView* p = Panel(type);
        EXPECT_TRUE(p && p->IsActive() && p->Window()) << type;
        return p;
    }
    Made& MadeFor(int type) {
        for (Made& m : made_)
            if (m.type == type) return m;
        static Made none{-1, {}};
        return none;
    }
    // Types into a field as a user does and leaves it.
    static void Type(HWND dlg, int id, const char* text) {
        HWND edit = GetDlgItem(dlg, id);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (const char* c = text; *c; ++c) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
        SendMessageA(edit, WM_KILLFOCUS, 0, 0);
    }
    static std::string Text(HWND dlg, int id) {
        char text[128] = "";
        GetDlgItemTextA(dlg, id, text, sizeof text);
        return text;
    }
    static void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
    std::vector<uint8_t> Block(COutCtlViewSet* set) {
        CByteWriter out;
        EXPECT_EQ(WriteOutputPanels(set, out), 1);
        return out.Bytes();
    }

    std::vector<Made> made_;
    stApp* app_ = nullptr;
    HWND client_ = nullptr, graph_ = nullptr;
    tagGS* gs_ = nullptr;
    COutCtlViewSet* set_ = nullptr;
};

TEST_F(PanelsTest, TheSetBuildsEightPanelsInTypeOrderWithTheirMenuCommands) {
    ASSERT_EQ(set_->Size(), 8);
    for (int type = 0; type < 8; ++type) {
        COutCtlView* p = set_->At(type);
        EXPECT_EQ(p->GetType(), type);
        EXPECT_EQ(p->GetMenuId(), static_cast<UINT>(IDM_OUTPUT_FIRST + type));
        EXPECT_EQ(p->IsActive(), 0);
        EXPECT_EQ(p->IsPulseType(), type == 2 || type >= 4);
        EXPECT_EQ(set_->FindPanelByMenuId(IDM_OUTPUT_FIRST + type), p);
    }
    EXPECT_EQ(set_->FindActiveOutputPanel(), nullptr);
    EXPECT_EQ(made_.size(), 8u);
}

TEST_F(PanelsTest, AMenuCommandShowsItsPanelHidesTheShownOneAndHidesItselfWhenChosenAgain) {
    struct Step {
        UINT command;
        int active;  // the type shown afterwards, -1 none
    };
    const Step steps[] = {{IDM_OUTPUT_VOLTAGE, 3}, {IDM_OUTPUT_DIGITAL, 1}, {IDM_OUTPUT_DIGITAL, -1},
                          {IDM_OUTPUT_PULSES, 2},  {IDM_OUTPUT_PULSES, -1}, {IDM_OUTPUT_CHANNEL, 0}};
    for (const Step& s : steps) {
        OutCtlViewSetOnCommand(set_, s.command);
        COutCtlView* active = set_->FindActiveOutputPanel();
        EXPECT_EQ(active ? active->GetType() : -1, s.active) << s.command;
        for (int type = 0; type < 8; ++type) {
            COutCtlView* p = Panel(type);
            const bool visible = p->Window() && IsWindowVisible(p->Window());
            EXPECT_EQ(visible, type == s.active) << s.command << " type " << type;
        }
    }
    EXPECT_GE(MadeFor(3).deactivated, 1);  // the voltage panel was hidden
}

// The frame's bar as the lessons leave it: File, Edit, Transform, Display, Window, Lessons, the
// device menu and Help; a maximised graph's system menu comes first.
struct FakeBar {
    HMENU bar = CreateMenu();
    HMENU prefs = CreatePopupMenu();
    HMENU device = CreatePopupMenu();
    explicit FakeBar(bool maximised) {
        if (maximised) AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "system");
        HMENU file = CreatePopupMenu();
        for (int i = 0; i < 10; ++i) AppendMenuA(file, MF_STRING, 100 + i, "item");
        AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(prefs), "&Preferences");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        for (const char* name : {"&Edit", "&Transform", "&Display", "&Window"}) AppendMenuA(bar, MF_POPUP, Popup(), name);
        HMENU lessons = CreatePopupMenu();
        for (int i = 0; i < 6; ++i) AppendMenuA(lessons, MF_STRING, 322 + i, "lesson");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons), "&Lessons");
        for (int i = 0; i < 4; ++i) AppendMenuA(device, MF_STRING, 200 + i, "device item");
        HMENU outputs = CreatePopupMenu();
        for (UINT id = IDM_OUTPUT_FIRST; id <= IDM_OUTPUT_LAST; ++id)
            AppendMenuA(outputs, MF_STRING, id, id == IDM_OUTPUT_CHANNEL ? "CH#" : "output");
        AppendMenuA(device, MF_POPUP, reinterpret_cast<UINT_PTR>(outputs), "O&utput Control");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(device), "&VK40");
        AppendMenuA(bar, MF_POPUP, Popup(), "&Help");
    }
    ~FakeBar() { DestroyMenu(bar); }
    FakeBar(const FakeBar&) = delete;
    FakeBar& operator=(const FakeBar&) = delete;
    static UINT_PTR Popup() {
        HMENU p = CreatePopupMenu();
        AppendMenuA(p, MF_STRING, 900, "item");
        return reinterpret_cast<UINT_PTR>(p);
    }
    bool OutputsGrayed() const { return (GetMenuState(device, 4, MF_BYPOSITION) & MF_GRAYED) != 0; }
};

TEST_F(PanelsTest, TheFrameMenuChecksTheShownPanelAndOffersItsPreferences) {
    FakeBar fake(false);
    HMENU bar = fake.bar, prefs = fake.prefs;
    Shown(1);
    UpdateOutputMenu(bar);
    for (UINT id = IDM_OUTPUT_FIRST; id <= IDM_OUTPUT_LAST; ++id)
        EXPECT_EQ((GetMenuState(bar, id, MF_BYCOMMAND) & MF_CHECKED) != 0, id == IDM_OUTPUT_DIGITAL) << id;
    EXPECT_EQ(GetMenuState(prefs, IDM_OUTPUT_PANEL_DIALOG, MF_BYCOMMAND) & MF_GRAYED, 0u);
    char text[64] = "";
    GetMenuStringA(prefs, IDM_OUTPUT_PANEL_DIALOG, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Digital Outputs");
    EXPECT_EQ(GetMenuItemCount(prefs), 1);
    UpdateOutputMenu(bar);  // the item is replaced, not added twice
    EXPECT_EQ(GetMenuItemCount(prefs), 1);
    // The channel panel's item names its channel although its panel has never been shown.
    GetMenuStringA(bar, IDM_OUTPUT_CHANNEL, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "CH3 to Output");

    // Without a graph window the output submenu is grayed and nothing is checked.
    app_->hwndActiveGraph = nullptr;
    UpdateOutputMenu(bar);
    EXPECT_TRUE(fake.OutputsGrayed());
    for (UINT id = IDM_OUTPUT_FIRST; id <= IDM_OUTPUT_LAST; ++id)
        EXPECT_EQ(GetMenuState(bar, id, MF_BYCOMMAND) & MF_CHECKED, 0u) << id;
    EXPECT_EQ(GetMenuItemCount(prefs), 0);
}

// The device menu is found wherever it stands on the bar, and only its output submenu follows
// the graph: the Lessons menu at the device menu's usual place keeps its items.
TEST_F(PanelsTest, TheOutputSubmenuIsGrayedWithoutAGraphWhereverTheDeviceMenuStands) {
    for (bool maximised : {false, true}) {
        FakeBar fake(maximised);
        const int lessonsAt = maximised ? 6 : 5;
        HMENU lessons = GetSubMenu(fake.bar, lessonsAt);
        app_->hwndActiveGraph = nullptr;
        UpdateOutputMenu(fake.bar);
        EXPECT_TRUE(fake.OutputsGrayed()) << maximised;
        for (int i = 0; i < GetMenuItemCount(lessons); ++i)
            EXPECT_EQ(GetMenuState(lessons, i, MF_BYPOSITION) & MF_GRAYED, 0u) << maximised << " lesson " << i;
        app_->hwndActiveGraph = graph_;
        UpdateOutputMenu(fake.bar);
        EXPECT_FALSE(fake.OutputsGrayed()) << maximised;
    }
}

TEST_F(PanelsTest, APanelIsDisabledWithoutOutputsAndDuringAnotherGraphsRecording) {
    COutCtlView* p = Shown(3);
    struct Case {
        int state;
        bool attachedHere;
        bool enabled;
    };
    const Case cases[] = {{1, false, true}, {0, false, false}, {2, false, false}, {2, true, true}};
    for (const Case& c : cases) {
        SetState(c.state);
        {
            AcqLock acq(app_->hAcq);
            acq->run.attachedGraph = c.attachedHere ? gs_ : nullptr;
        }
        p->Refresh();
        EXPECT_EQ(IsWindowEnabled(p->Window()) != 0, c.enabled) << c.state << "," << c.attachedHere;
    }
}

// ---- Typed values ----

TEST_F(PanelsTest, ATypedVoltageIsHeldToItsLimitsSentAndMarksTheDocument) {
    COutCtlView* p = Shown(3);
    struct Case {
        const char* typed;
        double stored;
        const char* shown;
    };
    const Case cases[] = {{"2.5", 2.5, "2.500"}, {"7.25", 4.9987, "4.999"}, {"-1", 0.0, "0.000"}, {"volts", 0.0, "0.000"}};
    for (const Case& c : cases) {
        gs_->modified = 0;
        MadeFor(3).commands.clear();
        Type(p->Window(), IDC_OUT_VOLTS, c.typed);
        EXPECT_DOUBLE_EQ(p->Value(0), c.stored) << c.typed;
        EXPECT_EQ(Text(p->Window(), IDC_OUT_VOLTS), c.shown) << c.typed;
        EXPECT_EQ(MadeFor(3).commands, std::vector<int>{kOutUpdate}) << c.typed;
        EXPECT_EQ(gs_->modified, 1u) << c.typed;
    }
    // Leaving the field unchanged commits nothing.
    MadeFor(3).commands.clear();
    SendMessageA(GetDlgItem(p->Window(), IDC_OUT_VOLTS), WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(MadeFor(3).commands.empty());
}

TEST_F(PanelsTest, TheVoltageBarSendsOnlyWhenReleasedAndItsEndsAreTheLimits) {
    COutCtlView* p = Shown(3);
    HWND bar = GetDlgItem(p->Window(), IDC_OUT_VOLTS_BAR);
    int smin = 0, smax = 0;
    GetScrollRange(bar, SB_CTL, &smin, &smax);
    EXPECT_EQ(smin, 0);
    EXPECT_EQ(smax, 4999);
    struct Step {
        WPARAM code;
        double value;
        bool sends;
    };
    const Step steps[] = {{MAKEWPARAM(SB_THUMBTRACK, smax), 4.9987, false},
                          {MAKEWPARAM(SB_THUMBTRACK, smin), 0.0, false},
                          {MAKEWPARAM(SB_LINERIGHT, 0), 0.0195, false},
                          {MAKEWPARAM(SB_ENDSCROLL, 0), 0.0195, true},
                          {MAKEWPARAM(SB_RIGHT, 0), 4.9987, false}};
    for (const Step& s : steps) {
        MadeFor(3).commands.clear();
        SendMessageA(p->Window(), WM_HSCROLL, s.code, reinterpret_cast<LPARAM>(bar));
        EXPECT_NEAR(p->Value(0), s.value, 1e-12) << LOWORD(s.code);
        EXPECT_EQ(!MadeFor(3).commands.empty(), s.sends) << LOWORD(s.code);
    }
}

TEST_F(PanelsTest, ATypedPulseWidthIsHeldToItsLimitsAndTheRepetitionFollowsTheRate) {
    COutCtlView* p = Shown(2);
    HWND dlg = p->Window();
    EXPECT_EQ(Text(dlg, IDC_OUT_REPETITION), " 10.00");  // a period of 100 ms shown as a rate
    struct Case {
        int field;
        const char* typed;
        int entry;
        double stored;
        const char* shown;
    };
    const Case cases[] = {
        {IDC_OUT_WIDTH, "500", 9, 200.0, "200.00"},
        {IDC_OUT_WIDTH, "2", 9, 2.0, "  2.00"},
        {IDC_OUT_REPETITION, "50", 17, 20.0, " 50.00"},
        {IDC_OUT_REPETITION, "-25", 17, 40.0, " 25.00"},
    };
    for (const Case& c : cases) {
        gs_->modified = 0;
        Type(dlg, c.field, c.typed);
        EXPECT_NEAR(p->Value(c.entry), c.stored, 1e-9) << c.typed;
        EXPECT_EQ(Text(dlg, c.field), c.shown) << c.typed;
        EXPECT_EQ(gs_->modified, 1u) << c.typed;
    }
    // A rate above what the width allows is brought down to the shortest period it allows.
    Type(dlg, IDC_OUT_REPETITION, "100000");
    const double shortest = 2.0 + 0.05;
    EXPECT_GE(p->Value(17), shortest - 0.01);
    EXPECT_LE(p->Value(17), shortest + 0.01);
}

TEST_F(PanelsTest, TheCountFieldAndTheRepetitionFollowThePulseMode) {
    COutCtlView* p = Shown(5);
    HWND dlg = p->Window();
    struct Case {
        double mode;
        const char* count;
        bool repetitionEnabled;
    };
    const Case cases[] = {{0, "1", false}, {1, "10", true}, {2, "Cont.", true}};
    for (const Case& c : cases) {
        p->SetValue(0, c.mode);
        p->Refresh();
        EXPECT_EQ(Text(dlg, IDC_OUT_COUNT), c.count) << c.mode;
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_OUT_REPETITION)) != 0, c.repetitionEnabled) << c.mode;
    }
    p->SetValue(12, 1);  // the period shown
    p->SetValue(17, 4);
    p->Refresh();
    EXPECT_EQ(Text(dlg, IDC_OUT_REPETITION), "  4.00");
    EXPECT_EQ(Text(dlg, IDC_OUT_REP_UNIT), "msec");
}

// ---- Digital lines ----

TEST_F(PanelsTest, AClickedLineIsWrittenAtOnceOrWithSetAndMarksTheDocument) {
    COutCtlView* p = Shown(1);
    HWND dlg = p->Window();
    Click(dlg, IDC_OUT_BIT_FIRST + 3);
    EXPECT_DOUBLE_EQ(p->Value(1), 8.0);
    EXPECT_EQ(Text(dlg, IDC_OUT_BIT_FIRST + 3), "1");
    EXPECT_EQ(Text(dlg, IDC_OUT_BIT_FIRST + 2), "0");
    EXPECT_EQ(MadeFor(1).commands, std::vector<int>{kOutWriteDigital});
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_OUT_BIT_SET)));

    // Written only with "Set" when each click is not to be written.
    p->SetValue(0, 0);
    p->Refresh();
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_OUT_BIT_SET)));
    MadeFor(1).commands.clear();
    gs_->modified = 0;
    Click(dlg, IDC_OUT_BIT_FIRST);
    EXPECT_DOUBLE_EQ(p->Value(1), 9.0);
    EXPECT_TRUE(MadeFor(1).commands.empty());
    EXPECT_EQ(gs_->modified, 1u);
    Click(dlg, IDC_OUT_BIT_SET);
    EXPECT_EQ(MadeFor(1).commands, std::vector<int>{kOutWriteDigital});
    Click(dlg, IDC_OUT_BIT_FIRST + 3);  // toggled back
    EXPECT_DOUBLE_EQ(p->Value(1), 1.0);
}

TEST_F(PanelsTest, TheChannelPanelRoutesAndGroundsAndNamesItsChannel) {
    COutCtlView* p = Shown(0);
    HWND dlg = p->Window();
    EXPECT_EQ(Text(dlg, IDC_OUT_TITLE), "CH3 to Output");
    EXPECT_EQ(GetSwitchFace(dlg, IDC_OUT_ROUTE), kFaceOff);
    Click(dlg, IDC_OUT_ROUTE);
    EXPECT_EQ(GetSwitchFace(dlg, IDC_OUT_ROUTE), kFaceOn);
    Click(dlg, IDC_OUT_ROUTE);
    EXPECT_EQ(GetSwitchFace(dlg, IDC_OUT_ROUTE), kFaceOff);
    const std::vector<int>& cmds = MadeFor(0).commands;
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), kOutSelect), cmds.end());
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), kOutGround), cmds.end());
}

// ---- Presets ----

TEST_F(PanelsTest, ThePresetBoxSaysDefaultOrCustomAndNeitherNameCanBeSaved) {
    COutCtlView* p = Shown(4);
    HWND dlg = p->Window();
    auto boxText = [&] {
        char text[80] = "";
        const LRESULT sel = SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETCURSEL, 0, 0);
        SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    EXPECT_EQ(boxText(), "Default");
    Type(dlg, IDC_OUT_WIDTH, "3");
    EXPECT_EQ(boxText(), "Custom");
    EXPECT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), "Default"), 0);
    EXPECT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), "Custom"), 0);
    EXPECT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), ""), 1);  // an empty name is the dialog's to refuse
    EXPECT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), std::string(70, 'x').c_str()), 1);
    EXPECT_EQ(p->Presets().GetAt(1)->name, std::string(64, 'x'));
    EXPECT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), std::string(64, 'x').c_str()), 0);
    EXPECT_EQ(p->RenamePreset(0, ""), 0);
    EXPECT_EQ(p->RenamePreset(0, std::string(64, 'x').c_str()), 0);
    EXPECT_EQ(p->RenamePreset(0, "Slow"), 1);
    EXPECT_EQ(p->SelectedPreset(), 1);
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETCOUNT, 0, 0), 2);
}

TEST_F(PanelsTest, ChoosingAPresetInTheBoxAppliesItsSettings) {
    COutCtlView* p = Shown(2);
    HWND dlg = p->Window();
    Type(dlg, IDC_OUT_WIDTH, "3");
    ASSERT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), "Three"), 1);
    Type(dlg, IDC_OUT_WIDTH, "7");
    ASSERT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), "Seven"), 1);
    EXPECT_DOUBLE_EQ(p->Value(9), 7.0);
    SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_SETCURSEL, 0, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_OUT_PRESETS, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_OUT_PRESETS)));
    EXPECT_DOUBLE_EQ(p->Value(9), 3.0);
    EXPECT_EQ(p->SelectedPreset(), 0);
    EXPECT_EQ(Text(dlg, IDC_OUT_WIDTH), "  3.00");
}

// ---- The document block through the panels ----

TEST_F(PanelsTest, EightPanelsSurviveSavingAndReadingBackByteForByte) {
    Shown(1);
    Click(Panel(1)->Window(), IDC_OUT_BIT_FIRST + 5);
    Shown(3);
    Type(Panel(3)->Window(), IDC_OUT_VOLTS, "1.25");
    Shown(2);
    Type(Panel(2)->Window(), IDC_OUT_WIDTH, "4");
    ASSERT_EQ(Panel(2)->AddPreset(CopyPrefs(*Panel(2)->Controller()), "Four"), 1);
    Panel(7)->SetValue(0, 1);  // not stored
    const std::vector<uint8_t> first = Block(set_);

    tagGS other{};
    COutCtlViewSet* again = NewOutCtlViewSet(&other);
    CByteReader in(first.data(), first.size());
    ASSERT_EQ(ReadOutputPanels(again, in), 1);
    EXPECT_EQ(in.Tell(), first.size());
    EXPECT_EQ(Block(again), first);
    EXPECT_DOUBLE_EQ(again->FindPanelByType(1)->Value(1), 32.0);
    EXPECT_DOUBLE_EQ(again->FindPanelByType(3)->Value(0), 1.25);
    EXPECT_DOUBLE_EQ(again->FindPanelByType(2)->Value(9), 4.0);
    EXPECT_EQ(again->FindPanelByType(2)->IsActive(), 1);
    EXPECT_EQ(again->FindPanelByType(3)->IsActive(), 0);
    EXPECT_EQ(again->FindPanelByType(2)->Presets().GetAt(0)->name, "Four");
    EXPECT_EQ(again->FindPanelByType(2)->SelectedPreset(), 0);
    EXPECT_DOUBLE_EQ(again->FindPanelByType(7)->Value(0), 0.0);
    DeleteOutCtlViewSet(again, 1);
}

TEST_F(PanelsTest, ADamagedBlockIsRefusedWholeAndTheReaderStaysBeforeIt) {
    Shown(3);
    Type(Panel(3)->Window(), IDC_OUT_VOLTS, "3");
    std::vector<uint8_t> block = Block(set_);
    // The channel panel's preset count, far beyond the bytes that follow.
    const size_t presetCount = 4 + 2 + 4 + 4 + 40 + 4;
    const uint32_t huge = 0x00FFFFFF;
    std::memcpy(&block[presetCount], &huge, 4);
    const uint32_t next = 0x12042003;
    std::vector<uint8_t> file = block;
    file.insert(file.end(), reinterpret_cast<const uint8_t*>(&next), reinterpret_cast<const uint8_t*>(&next) + 4);

    tagGS other{};
    COutCtlViewSet* fresh = NewOutCtlViewSet(&other);
    CByteReader in(file.data(), file.size());
    EXPECT_EQ(ReadOutputPanels(fresh, in), -1);
    EXPECT_EQ(in.Tell(), 0u);
    EXPECT_DOUBLE_EQ(fresh->FindPanelByType(3)->Value(0), 0.0);  // nothing of the block was taken
    DeleteOutCtlViewSet(fresh, 1);
}

TEST_F(PanelsTest, ASetOfAnotherShapeIsKeptAsReadAndNotGivenToTheController) {
    std::vector<uint8_t> b;
    auto u32 = [&](uint32_t v) { b.insert(b.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 4); };
    u32(kOutputPanelsTag);
    b.push_back(1), b.push_back(0);  // one record: the channel panel
    u32(0);
    u32(1);  // two preferences where the controller has one
    for (int i = 0; i < 10; ++i) {
        const double v = 9.0 + i;
        b.insert(b.end(), reinterpret_cast<const uint8_t*>(&v), reinterpret_cast<const uint8_t*>(&v) + 8);
    }
    u32(0xFFFFFFFF);
    u32(0xFFFFFFFF);
    CByteReader in(b.data(), b.size());
    ASSERT_EQ(ReadOutputPanels(set_, in), 1);
    EXPECT_DOUBLE_EQ(Panel(0)->Value(0), 3.0);
    const std::vector<uint8_t> written = Block(set_);
    // tag, count 8, then the channel panel's record as it was read
    EXPECT_TRUE(std::equal(b.begin() + 6, b.end(), written.begin() + 6));
}

TEST_F(PanelsTest, AnOpenedDocumentShowsItsShownPanelAgain) {
    Shown(3);
    Type(Panel(3)->Window(), IDC_OUT_VOLTS, "2");
    const std::vector<uint8_t> block = Block(set_);
    HWND graph = CreateWindowExA(0, "STATIC", "opened", WS_CHILD | WS_VISIBLE, 0, 0, 880, 440, client_, nullptr, nullptr,
                                 nullptr);
    tagGS other{};
    other.hwnd = graph;
    COutCtlViewSet* opened = NewOutCtlViewSet(&other);
    CByteReader in(block.data(), block.size());
    ASSERT_EQ(ReadOutputPanels(opened, in), 1);
    COutCtlView* voltage = opened->FindPanelByType(3);
    EXPECT_EQ(voltage->Window(), nullptr);
    ShowOpenedOutputPanel(opened);
    ASSERT_NE(voltage->Window(), nullptr);
    EXPECT_TRUE(IsWindowVisible(voltage->Window()));
    EXPECT_EQ(GetParent(voltage->Window()), graph);
    EXPECT_EQ(Text(voltage->Window(), IDC_OUT_VOLTS), "2.000");
    int smin = 0, smax = 0;
    GetScrollRange(GetDlgItem(voltage->Window(), IDC_OUT_VOLTS_BAR), SB_CTL, &smin, &smax);
    EXPECT_EQ(smax, 4999);  // the first show sets the bar's range
    DeleteOutCtlViewSet(opened, 1);
    DestroyWindow(graph);
}

TEST_F(PanelsTest, TheAdvancedStimulatorStartsAndStopsUnlessTheRecordingDoes) {
    COutCtlView* p = Shown(7);
    HWND dlg = p->Window();
    struct Step {
        double withRecording;
        int lastCommand;  // the command the click sent after asking whether it runs
    };
    const Step steps[] = {{0, kOutStart}, {0, kOutStop}, {1, -1}};
    for (const Step& s : steps) {
        p->SetValue(2, s.withRecording);
        MadeFor(7).commands.clear();
        Click(dlg, IDC_OUT_SWITCH);
        const std::vector<int>& cmds = MadeFor(7).commands;
        ASSERT_FALSE(cmds.empty());
        EXPECT_EQ(cmds.front(), kOutIsStarted);
        EXPECT_EQ(cmds.size() > 1 ? cmds.back() : -1, s.lastCommand) << s.withRecording;
    }
    p->Refresh();
    EXPECT_EQ(GetSwitchFace(dlg, IDC_OUT_SWITCH), kFaceArmed);
    // Its settings are not stored: its record in the block is empty.
    std::vector<uint8_t> before = Block(set_);
    p->SetValue(0, 2);
    EXPECT_EQ(Block(set_), before);
}

// The colour of one pixel of the picture a push button shows.
COLORREF ButtonPicturePixel(HWND button, int x, int y) {
    auto* bmp = reinterpret_cast<HBITMAP>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!bmp) return CLR_INVALID;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

TEST_F(PanelsTest, TheSwitchShowsThePictureOfItsFace) {
    COutCtlView* p = Shown(7);
    HWND dlg = p->Window();
    HWND button = GetDlgItem(dlg, IDC_OUT_SWITCH);
    ASSERT_TRUE(GetWindowLongA(button, GWL_STYLE) & BS_BITMAP);
    const COLORREF green = RGB(0, 160, 0), white = RGB(255, 255, 255), grey = RGB(128, 128, 128), amber = RGB(255, 176, 0);
    struct Step {
        double withRecording;
        bool click;
        int face;
        POINT knob, track;
        COLORREF knobColour, trackColour;
    };
    const Step steps[] = {
        {0, true, kFaceOn, {23, 9}, {8, 9}, white, green},     // started: knob right on a green track
        {0, true, kFaceOff, {8, 9}, {23, 8}, white, grey},     // stopped: knob left, grey track
        {1, false, kFaceArmed, {8, 9}, {23, 9}, white, amber},  // waits for the recording: the amber lamp
    };
    for (const Step& s : steps) {
        p->SetValue(2, s.withRecording);
        if (s.click) Click(dlg, IDC_OUT_SWITCH);
        p->Refresh();
        ASSERT_EQ(GetSwitchFace(dlg, IDC_OUT_SWITCH), s.face);
        EXPECT_EQ(ButtonPicturePixel(button, s.knob.x, s.knob.y), s.knobColour) << s.face;
        EXPECT_EQ(ButtonPicturePixel(button, s.track.x, s.track.y), s.trackColour) << s.face;
    }
}

// A control's top left in its dialog's client coordinates.
POINT ClientTopLeft(HWND dlg, int id) {
    RECT rc{};
    GetWindowRect(GetDlgItem(dlg, id), &rc);
    POINT p{rc.left, rc.top};
    ScreenToClient(dlg, &p);
    return p;
}

TEST_F(PanelsTest, ThePulsePanelsDrawEachGroupsPictureInItsFrame) {
    const COLORREF green = RGB(0, 160, 0), red = RGB(200, 0, 0), blue = RGB(0, 64, 200), amber = RGB(255, 176, 0);
    struct Case {
        int type, frame, field;  // the picture's left is 5 right of the frame, its top the field's
        int dx, dy;             // a probe inside the picture
        COLORREF colour;
    };
    const Case cases[] = {
        {2, IDC_OUT_COUNT_FRAME, IDC_OUT_COUNT, 10, 3, green},      {2, IDC_OUT_WIDTH_FRAME, IDC_OUT_WIDTH, 24, 3, red},
        {5, IDC_OUT_REP_FRAME, IDC_OUT_REPETITION, 24, 9, blue},   {6, IDC_OUT_LEVEL_FRAME, IDC_OUT_VOLTS, 36, 8, amber},
        {6, IDC_OUT_WIDTH_FRAME, IDC_OUT_WIDTH, 24, 3, red},       {7, IDC_OUT_COUNT_FRAME, IDC_OUT_COUNT_FRAME, 38, 8, green},
    };
    for (const Case& c : cases) {
        COutCtlView* p = Panel(c.type)->IsActive() ? Panel(c.type) : Shown(c.type);
        HWND dlg = p->Window();
        RECT client{};
        GetClientRect(dlg, &client);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, client.right, client.bottom);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        p->DrawIcons(dc);
        const POINT frame = ClientTopLeft(dlg, c.frame), field = ClientTopLeft(dlg, c.field);
        // The advanced stimulator's picture sits 8 below its frame's top instead.
        const POINT at{frame.x + 5, c.type == 7 ? frame.y + 8 : field.y};
        EXPECT_EQ(GetPixel(dc, at.x + c.dx, at.y + c.dy), c.colour) << c.type << " " << c.frame;
        EXPECT_EQ(GetPixel(dc, at.x + 48, at.y + 17) & 0xFFFFFF, RGB(255, 255, 255)) << c.type << " " << c.frame;
        EXPECT_EQ(GetPixel(dc, at.x + 49, at.y + 8), RGB(0, 0, 0)) << "49 wide " << c.type;
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
}

// ---- Modal dialogs, driven from posted steps that their own message loops run ----

class Driver {
public:
    Driver() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OutputsTestDriver";
        RegisterClassA(&wc);
        m_hwnd = CreateWindowExA(0, "OutputsTestDriver", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, this);
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Driver() { DestroyWindow(m_hwnd); }
    // The step runs once a modal loop (or any loop) dispatches it.
    void Then(std::function<void()> step) {
        m_steps.push_back(std::move(step));
        PostMessageA(m_hwnd, WM_APP, 0, 0);
    }
    int ran = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* d = reinterpret_cast<Driver*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (msg == WM_APP && d && !d->m_steps.empty()) {
            auto step = std::move(d->m_steps.front());
            d->m_steps.pop_front();
            ++d->ran;
            step();
            return 0;
        }
        return DefWindowProcA(w, msg, wParam, lParam);
    }
    HWND m_hwnd;
    std::deque<std::function<void()>> m_steps;
};

// A top-level window of this thread with that caption prefix (a modal dialog is shown only
// once its loop is idle, after the posted steps).
HWND ThreadWindow(const char* caption) {
    struct Find {
        const char* caption;
        HWND found;
    } f{caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM l) -> BOOL {
            auto* f = reinterpret_cast<Find*>(l);
            char text[128] = "";
            GetWindowTextA(w, text, sizeof text);
            if (std::strncmp(text, f->caption, std::strlen(f->caption)) == 0) {
                f->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND SheetPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

TEST_F(PanelsTest, ThePulseSheetEditsACopyThatOnlyOkHandsToTheController) {
    COutCtlView* p = Shown(2);
    Driver driver;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        HWND general = SheetPage(sheet, 0);
        Click(general, IDC_OUT_MULTIPLE);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(general, IDC_OUT_PULSE_COUNT)));
        Type(general, IDC_OUT_PULSE_COUNT, "300");
        EXPECT_EQ(Text(general, IDC_OUT_PULSE_COUNT), "254");
        HWND advanced = SheetPage(sheet, 1);
        Click(advanced, IDC_OUT_SHOW_PERIOD);
        EXPECT_EQ(Text(advanced, IDC_OUT_INCREMENT_UNIT), "ms");
        const std::string increment = Text(advanced, IDC_OUT_INCREMENT);
        Type(advanced, IDC_OUT_INCREMENT, "0");  // refused: the old increment stays
        EXPECT_EQ(Text(advanced, IDC_OUT_INCREMENT), increment);
        EXPECT_GT(std::atof(increment.c_str()), 0.0);
        EXPECT_DOUBLE_EQ(p->Value(0), 2.0);  // the controller is untouched until OK
        // Nothing of the window that holds the graph takes a click meanwhile.
        EXPECT_FALSE(IsWindowEnabled(client_));
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    gs_->modified = 0;
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 1);
    EXPECT_TRUE(IsWindowEnabled(client_));
    EXPECT_DOUBLE_EQ(p->Value(0), 1.0);
    EXPECT_DOUBLE_EQ(p->Value(1), 254.0);
    EXPECT_DOUBLE_EQ(p->Value(12), 1.0);
    EXPECT_GT(p->Value(18), 0.0);
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_EQ(Text(p->Window(), IDC_OUT_COUNT), "254");
    EXPECT_EQ(Text(p->Window(), IDC_OUT_REP_UNIT), "msec");

    // Cancel leaves the controller as it was.
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        Click(SheetPage(sheet, 0), IDC_OUT_CONTINUOUS);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 2);
    EXPECT_DOUBLE_EQ(p->Value(0), 1.0);
}

TEST_F(PanelsTest, SaveSettingsNamesAPresetAndRefusesTakenNames) {
    COutCtlView* p = Shown(5);
    Driver driver;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        Click(SheetPage(sheet, 0), IDC_OUT_MULTIPLE);
        driver.Then([&] {
            HWND save = ThreadWindow("Save Settings");
            ASSERT_NE(save, nullptr);
            EXPECT_EQ(Text(save, IDC_OUT_SETTING_NAME), "Untitled");
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(save, IDOK)));
            struct Name {
                const char* name;
                bool usable;
            };
            for (const Name& n : {Name{"Default", false}, Name{"Custom", false}, Name{"", false}, Name{"Fast", true}}) {
                SetDlgItemTextA(save, IDC_OUT_SETTING_NAME, n.name);
                EXPECT_EQ(IsWindowEnabled(GetDlgItem(save, IDC_OUT_SAVE)) != 0, n.usable) << n.name;
            }
            Click(save, IDC_OUT_SAVE);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(save, IDC_OUT_SAVE)));  // "Fast" is taken now
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(save, IDOK)));
            Click(save, IDOK);
        });
        Click(sheet, IDC_OUT_SAVE_SETTINGS);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 2);
    ASSERT_EQ(p->Presets().GetSize(), 1);
    EXPECT_EQ(p->Presets().GetAt(0)->name, "Fast");
    EXPECT_DOUBLE_EQ(PrefValue(p->Presets().GetAt(0)->settings, 0), 1.0);
    // A saved preset is applied at once and stays although the sheet was cancelled.
    EXPECT_EQ(p->SelectedPreset(), 0);
    EXPECT_DOUBLE_EQ(p->Value(0), 1.0);
}

TEST_F(PanelsTest, OrganizeSettingsDeletesAndMovesPresetsAndTheAppliedIndexFollows) {
    COutCtlView* p = Shown(2);
    for (const char* name : {"A", "B", "C"}) ASSERT_EQ(p->AddPreset(CopyPrefs(*p->Controller()), name), 1);
    p->SetSelectedPreset(1);
    auto names = [&] {
        std::string all;
        for (int i = 0; i < p->Presets().GetSize(); ++i) all += p->Presets().GetAt(i)->name;
        return all;
    };
    Driver driver;
    driver.Then([&] {
        HWND dlg = ThreadWindow("Organize Settings");
        ASSERT_NE(dlg, nullptr);
        auto select = [&](int i) {
            SendDlgItemMessageA(dlg, IDC_OUT_PRESET_LIST, LB_SETCURSEL, i, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_OUT_PRESET_LIST, LBN_SELCHANGE), 0);
        };
        select(0);
        Click(dlg, IDC_OUT_DELETE);
        EXPECT_EQ(names(), "BC");
        EXPECT_EQ(p->SelectedPreset(), 0);  // B is still the applied one
        select(1);
        SendMessageA(dlg, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_OUT_MOVE)));
        EXPECT_EQ(names(), "CB");
        EXPECT_EQ(p->SelectedPreset(), 1);
        SendMessageA(dlg, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_OUT_MOVE)));
        EXPECT_EQ(names(), "CB");  // already first
        select(0);
        Click(dlg, IDC_OUT_DELETE);
        EXPECT_EQ(p->SelectedPreset(), 0);
        Click(dlg, IDC_OUT_DELETE_ALL);
        EXPECT_EQ(names(), "");
        EXPECT_EQ(p->SelectedPreset(), -1);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_OUT_DELETE_ALL)));
        Click(dlg, IDCANCEL);
    });
    gs_->modified = 0;
    EXPECT_EQ(RunOrganizeSettingsDialog(p->Window(), p), 1);
    EXPECT_EQ(driver.ran, 1);
    EXPECT_EQ(gs_->modified, 1u);
}

// ---- With the device library's own controllers ----

class LibraryPanelsTest : public PanelsTest {
protected:
    bool LibraryControllers() const override { return true; }
};

TEST_F(LibraryPanelsTest, EachPanelEditsItsControllersSetWithItsCountsAndDefaults) {
    const int counts[8] = {1, 2, 19, 1, 19, 19, 28, 22};
    for (int type = 0; type < 8; ++type) {
        COutCtlView* p = Panel(type);
        ASSERT_TRUE(p->Controller()) << type;
        EXPECT_EQ(p->Controller()->Count(), counts[type]) << type;
        const PrefList set = CopyPrefs(*p->Controller());
        EXPECT_EQ(PrefsAreDefault(set.data(), static_cast<int>(set.size())), 1) << type;
    }
    EXPECT_DOUBLE_EQ(Panel(0)->Value(0), 3.0);
    EXPECT_DOUBLE_EQ(Panel(1)->Value(0), 1.0);
    EXPECT_DOUBLE_EQ(Panel(1)->Value(1), 0.0);
    EXPECT_DOUBLE_EQ(Panel(3)->Value(0), 0.0);
    EXPECT_EQ(Text(Shown(0)->Window(), IDC_OUT_TITLE), "CH3 to Output");
}

TEST_F(LibraryPanelsTest, TypedValuesAreHeldToTheControllersOwnLimits) {
    COutCtlView* voltage = Shown(3);
    const OutPref limits = *voltage->Pref(0);
    EXPECT_TRUE(limits.m_max == 4.9987 || limits.m_max == 4.0959) << limits.m_max;
    Type(voltage->Window(), IDC_OUT_VOLTS, "12");
    EXPECT_DOUBLE_EQ(voltage->Value(0), limits.m_max);
    Type(voltage->Window(), IDC_OUT_VOLTS, "-3");
    EXPECT_DOUBLE_EQ(voltage->Value(0), limits.m_min);

    COutCtlView* pulse = Shown(2);
    const OutPref width = *pulse->Pref(9);
    Type(pulse->Window(), IDC_OUT_WIDTH, "100000");
    EXPECT_DOUBLE_EQ(pulse->Value(9), width.m_max);
    Type(pulse->Window(), IDC_OUT_WIDTH, "0");
    EXPECT_DOUBLE_EQ(pulse->Value(9), width.m_min);
    const PrefList set = CopyPrefs(*pulse->Controller());
    EXPECT_EQ(PrefsAreDefault(set.data(), static_cast<int>(set.size())), 0);
}

TEST_F(LibraryPanelsTest, ADocumentsPanelsComeBackFromItsBlockUnchanged) {
    Shown(1);
    Click(Panel(1)->Window(), IDC_OUT_BIT_FIRST + 7);
    Shown(3);
    Type(Panel(3)->Window(), IDC_OUT_VOLTS, "1.5");
    Shown(5);
    Type(Panel(5)->Window(), IDC_OUT_WIDTH, "2");
    ASSERT_EQ(Panel(5)->AddPreset(CopyPrefs(*Panel(5)->Controller()), "Two"), 1);
    const std::vector<uint8_t> first = Block(set_);
    tagGS other{};
    COutCtlViewSet* again = NewOutCtlViewSet(&other);
    CByteReader in(first.data(), first.size());
    ASSERT_EQ(ReadOutputPanels(again, in), 1);
    EXPECT_EQ(Block(again), first);
    for (int type = 0; type < 8; ++type) {
        const PrefList a = CopyPrefs(*Panel(type)->Controller());
        const PrefList b = CopyPrefs(*again->FindPanelByType(type)->Controller());
        ASSERT_EQ(a.size(), b.size()) << type;
        if (type == 7) continue;  // not stored
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(OutPref)), 0) << type;
    }
    EXPECT_DOUBLE_EQ(again->FindPanelByType(1)->Value(1), 128.0);
    DeleteOutCtlViewSet(again, 1);
}

TEST(LevelStep, TypedLevelsGoOntoTheFiveMillivoltGridHalvesAwayFromZero) {
    const struct {
        double typed, level;
    } cases[] = {{1.2374, 1.235}, {1.2376, 1.240}, {2.4974, 2.495}, {-0.0026, -0.005}, {0.0, 0.0}, {-3.2374, -3.235}};
    for (const auto& c : cases) EXPECT_NEAR(RoundToLevelStep(c.typed), c.level, 1e-12) << c.typed;
}

TEST_F(LibraryPanelsTest, TheRJ72CPanelShowsItsLevelInVoltsAndItsReferenceChannel) {
    COutCtlView* p = Shown(6);
    HWND dlg = p->Window();
    ASSERT_NEAR(p->Pref(22)->m_max, 4.0959, 1e-12);
    struct Stored {
        double units;
        const char* volts;
    };
    for (const Stored& c : {Stored{2.04795, "0.000"}, Stored{1.843155, "-1.000"}}) {
        p->SetValue(22, c.units);
        p->Refresh();
        EXPECT_EQ(Text(dlg, IDC_OUT_VOLTS), c.volts) << c.units;
    }
    struct Typed {
        const char* typed;
        const char* shown;
    };
    p->SetValue(23, 0);  // any level within the full range
    for (const Typed& c : {Typed{"2.4974", "2.495"}, Typed{"-0.0026", "-0.005"}}) {
        Type(dlg, IDC_OUT_VOLTS, c.typed);
        EXPECT_EQ(Text(dlg, IDC_OUT_VOLTS), c.shown) << c.typed;
    }
    struct Ref {
        double value;
        const char* text;
    };
    for (const Ref& c : {Ref{7, "D 3"}, Ref{4, "CH 4"}, Ref{1, "CH 1"}}) {
        p->SetValue(19, c.value);
        p->Refresh();
        EXPECT_EQ(Text(dlg, IDC_OUT_REF_CHANNEL), c.text) << c.value;
    }
    p->SetValue(19, 0);
    p->Refresh();
    EXPECT_FALSE(Text(dlg, IDC_OUT_REF_CHANNEL).empty());
    // A locked level cannot be typed or scrolled.
    p->SetValue(23, 2);
    p->Refresh();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_OUT_VOLTS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_OUT_VOLTS_BAR)));
}

TEST_F(LibraryPanelsTest, TheLevelBarMovesByTheStepAndEndsAtTheLimits) {
    COutCtlView* p = Shown(6);
    HWND dlg = p->Window();
    HWND bar = GetDlgItem(dlg, IDC_OUT_VOLTS_BAR);
    int smin = 0, smax = 0;
    GetScrollRange(bar, SB_CTL, &smin, &smax);
    EXPECT_EQ(smin, 0);
    EXPECT_GT(smax, 0);
    p->SetValue(23, 0);  // any level within the full range
    const OutPref level = *p->Pref(22);
    const double step = p->Value(27);
    struct Step {
        WPARAM code;
        double value;
    };
    const Step steps[] = {{MAKEWPARAM(SB_LINERIGHT, 0), level.m_value + step},
                          {MAKEWPARAM(SB_LINELEFT, 0), level.m_value},
                          {MAKEWPARAM(SB_THUMBTRACK, smax), level.m_max},
                          {MAKEWPARAM(SB_THUMBTRACK, smin), level.m_min}};
    for (const Step& s : steps) {
        SendMessageA(dlg, WM_HSCROLL, s.code, reinterpret_cast<LPARAM>(bar));
        EXPECT_NEAR(p->Value(22), s.value, 1e-9) << LOWORD(s.code);
    }
    // The bottom end is the last step of the grid below the upper limit.
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), reinterpret_cast<LPARAM>(bar));
    EXPECT_LE(p->Value(22), level.m_max);
    EXPECT_GT(p->Value(22), level.m_max - step);
}

TEST_F(LibraryPanelsTest, ATypedRateBecomesThePeriodThatTheWidthAllows) {
    // The pulse output's gap has no limits: any period of its own range.
    COutCtlView* pulse = Shown(2);
    Type(pulse->Window(), IDC_OUT_REPETITION, "50");
    EXPECT_NEAR(pulse->Value(17), 20.0, 1e-9);
    EXPECT_EQ(Text(pulse->Window(), IDC_OUT_REPETITION), " 50.00");
    const OutPref period = *pulse->Pref(17);
    Type(pulse->Window(), IDC_OUT_REPETITION, "0.0001");  // far slower than the longest period
    EXPECT_NEAR(pulse->Value(17), period.m_max, 1e-6);
    // The stimulators: within the range their controller allows for the width, 20 ms when it can.
    for (int type : {4, 5, 6}) {
        COutCtlView* p = Shown(type);
        Type(p->Window(), IDC_OUT_REPETITION, "50");
        double lo = 0, hi = 0;
        p->Controller()->PeriodRange(p->Value(9), &lo, &hi, nullptr);
        if (!(hi < kPrefUnset)) lo = p->Pref(17)->m_min, hi = p->Pref(17)->m_max;
        const double expected = std::min(std::max(20.0, lo), hi);
        EXPECT_NEAR(p->Value(17), expected, 0.01) << type;
    }
}

TEST_F(PanelsTest, TheOutputPreferencesDialogEditsACopyOfTheChannelAndDigitalChoices) {
    COutCtlView* ch3 = Shown(0);
    Driver driver;
    auto choose = [&](int index, int button) {
        driver.Then([&, index, button] {
            HWND dlg = ThreadWindow("Output Preferences");
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETCOUNT, 0, 0), 4);
            SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_SETCURSEL, index, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_OUT_PRESETS, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_OUT_PRESETS)));
            Click(dlg, button);
        });
        SendMessageA(ch3->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    };
    choose(0, IDCANCEL);
    EXPECT_DOUBLE_EQ(ch3->Value(0), 3.0);
    gs_->modified = 0;
    choose(0, IDOK);
    EXPECT_DOUBLE_EQ(ch3->Value(0), 1.0);
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_EQ(Text(ch3->Window(), IDC_OUT_TITLE), "CH1 to Output");
    driver.Then([&] {
        HWND dlg = ThreadWindow("Output Preferences");
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETCURSEL, 0, 0), 0);  // reopened on its choice
        Click(dlg, IDCANCEL);
    });
    SendMessageA(ch3->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 3);

    COutCtlView* digital = Shown(1);
    driver.Then([&] {
        HWND dlg = ThreadWindow("Output Preferences");
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_OUT_SET_EACH), BST_CHECKED);
        Click(dlg, IDC_OUT_SET_WITH_BUTTON);
        Click(dlg, IDOK);
    });
    SendMessageA(digital->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_DOUBLE_EQ(digital->Value(0), 0.0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(digital->Window(), IDC_OUT_BIT_SET)));
}

TEST_F(PanelsTest, TheAdvancedStimulatorsSheetSetsItsPulsesAndStartSource) {
    COutCtlView* p = Shown(7);
    HWND dlg = p->Window();
    auto boxText = [&] {
        char text[80] = "";
        SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    EXPECT_EQ(boxText(), "Default");
    Driver driver;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        HWND general = SheetPage(sheet, 0);
        Click(general, IDC_OUT_MULTIPLE);
        Type(general, IDC_OUT_PULSE_COUNT, "300");
        EXPECT_EQ(Text(general, IDC_OUT_PULSE_COUNT), "254");
        Click(general, IDC_OUT_START_RECORDING);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDC_OUT_ORGANIZE_LIST)));  // no presets to organize
        HWND advanced = SheetPage(sheet, 1);
        ASSERT_NE(advanced, nullptr);
        EXPECT_EQ(GetWindow(advanced, GW_CHILD), nullptr);  // the second page is empty
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    gs_->modified = 0;
    SendMessageA(dlg, WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 1);
    EXPECT_TRUE(IsWindowEnabled(client_));
    EXPECT_DOUBLE_EQ(p->Value(0), 1.0);
    EXPECT_DOUBLE_EQ(p->Value(1), 254.0);
    EXPECT_DOUBLE_EQ(p->Value(2), 1.0);
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_EQ(boxText(), "Custom");
    EXPECT_EQ(GetSwitchFace(dlg, IDC_OUT_SWITCH), kFaceArmed);
}

TEST_F(LibraryPanelsTest, TheRJ72CSheetHasALevelPageWhoseLimitsBindThePanel) {
    COutCtlView* p = Shown(6);
    const double u = p->Pref(22)->m_max;
    Driver driver;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        HWND level = SheetPage(sheet, 2);
        ASSERT_NE(level, nullptr);
        Click(level, IDC_OUT_LEVEL_LIMIT);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(level, IDC_OUT_LEVEL_FROM)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(level, IDC_OUT_LEVEL_LOCKED)));
        Type(level, IDC_OUT_LEVEL_FROM, "-3.2374");
        EXPECT_EQ(Text(level, IDC_OUT_LEVEL_FROM), "-3.2350");
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 1);
    EXPECT_NEAR(p->Value(24), (-3.235 + 10.0) * u / 20.0, 1e-9);
    // A level typed below the new lower limit is held at it.
    Type(p->Window(), IDC_OUT_VOLTS, "-9");
    EXPECT_EQ(Text(p->Window(), IDC_OUT_VOLTS), "-3.235");
}

// The RJ72C panel and every page of its preferences sheet show their texts whole, and the
// sheet's two buttons of its own stand on the row of its others, below the tab.
TEST_F(LibraryPanelsTest, TheRJ72CPanelAndItsSheetShowEveryTextWhole) {
    for (int type : {2, 4, 5}) EXPECT_EQ(JoinedProblems(TextFitProblems(Shown(type)->Window())), "") << type;
    COutCtlView* p = Shown(6);
    SaveWindowPicture(p->Window(), "rj72c_panel");
    EXPECT_EQ(JoinedProblems(TextFitProblems(p->Window())), "");
    {
        // The panel's right part, where the reference channel stands, moved into the window.
        RECT r{};
        GetWindowRect(p->Window(), &r);
        MapWindowPoints(nullptr, graph_, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(p->Window(), nullptr, r.left - 700, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SaveWindowPicture(p->Window(), "rj72c_panel_right");
        SetWindowPos(p->Window(), nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    Driver driver;
    std::vector<std::string> problems;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        const char* names[4] = {"rj72c_sheet_general", "rj72c_sheet_advanced", "rj72c_sheet_level",
                                "rj72c_sheet_reference"};
        for (int page = 0; page < 4; ++page) {
            ASSERT_NE(SheetPage(sheet, page), nullptr) << page;
            SaveWindowPicture(sheet, names[page]);
            for (const std::string& problem : TextFitProblems(sheet)) problems.push_back(names[page] + (": " + problem));
        }
        HWND ok = GetDlgItem(sheet, IDOK), save = GetDlgItem(sheet, IDC_OUT_SAVE_SETTINGS);
        RECT okRect{}, saveRect{};
        GetWindowRect(ok, &okRect);
        GetWindowRect(save, &saveRect);
        EXPECT_EQ(saveRect.top, okRect.top) << "Save Settings on the row of OK and Cancel";
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 1);
    EXPECT_EQ(JoinedProblems(problems), "");
}

// The message box's own text, read from its static.
std::string BoxText(HWND box) {
    std::string text;
    EnumChildWindows(
        box,
        [](HWND w, LPARAM l) -> BOOL {
            char cls[16] = "", t[256] = "";
            GetClassNameA(w, cls, sizeof cls);
            GetWindowTextA(w, t, sizeof t);
            if (lstrcmpiA(cls, "Static") == 0 && *t) *reinterpret_cast<std::string*>(l) = t;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

TEST_F(LibraryPanelsTest, TheRJ72CReferencePageConfirmsANewChannelBeforeTakingIt) {
    COutCtlView* p = Shown(6);
    struct Case {
        int before, chosen, answer;  // answer 0: no question is expected
        double stored;
        const char* shown;
    };
    const Case cases[] = {
        {0, 7, IDOK, 7, "D 3"},     {7, 2, IDOK, 2, "CH 2"}, {2, 12, IDCANCEL, 2, "CH 2"},
        {2, 2, 0, 2, "CH 2"},       {3, 0, IDOK, 0, nullptr},
    };
    for (const Case& c : cases) {
        p->SetValue(19, c.before);
        Driver driver;
        bool asked = false;
        std::string question;
        driver.Then([&] {
            HWND sheet = ThreadWindow("Output Preferences");
            ASSERT_NE(sheet, nullptr);
            HWND page = SheetPage(sheet, 3);
            ASSERT_NE(page, nullptr);
            HWND list = GetDlgItem(page, IDC_OUT_REF_LIST);
            EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 13);
            EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), c.before);
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(c.chosen), 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OUT_REF_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        });
        if (c.answer)
            driver.Then([&] {
                HWND box = ThreadWindow("Warning");
                ASSERT_NE(box, nullptr);
                asked = true;
                question = BoxText(box);
                SendMessageA(box, WM_COMMAND, static_cast<WPARAM>(c.answer), 0);
            });
        SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
        EXPECT_EQ(asked, c.answer != 0) << c.before << " -> " << c.chosen;
        if (c.answer) {
            EXPECT_EQ(question, "This operation will overwrite the current channel settings.");
        }
        EXPECT_DOUBLE_EQ(p->Value(19), c.stored) << c.before << " -> " << c.chosen;
        if (c.shown) {
            EXPECT_EQ(Text(p->Window(), IDC_OUT_REF_CHANNEL), c.shown);
        }
    }
}

TEST_F(LibraryPanelsTest, TheReferenceRadiosFollowTheChannelKindAndStoreTheirEntries) {
    COutCtlView* p = Shown(6);
    p->SetValue(20, 1);
    p->SetValue(21, 1);
    Driver driver;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        HWND page = SheetPage(sheet, 3);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_OUT_REF_ACTUAL_LEVEL), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_OUT_REF_ACTUAL_WIDTH), BST_CHECKED);
        struct Kind {
            int chosen;
            bool level, width;
        };
        HWND list = GetDlgItem(page, IDC_OUT_REF_LIST);
        for (const Kind& k : {Kind{0, false, false}, Kind{1, true, true}, Kind{4, true, true}, Kind{5, false, true},
                              Kind{12, false, true}}) {
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(k.chosen), 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OUT_REF_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_OUT_REF_ACTUAL_LEVEL)) != 0, k.level) << k.chosen;
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_OUT_REF_FIXED_LEVEL)) != 0, k.level) << k.chosen;
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_OUT_REF_ACTUAL_WIDTH)) != 0, k.width) << k.chosen;
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_OUT_REF_FIXED_WIDTH)) != 0, k.width) << k.chosen;
        }
        SendMessageA(list, CB_SETCURSEL, 0, 0);  // back to the stored channel: nothing to confirm
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OUT_REF_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        SendMessageA(list, CB_SETCURSEL, 2, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OUT_REF_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        Click(page, IDC_OUT_REF_FIXED_LEVEL);
        Click(page, IDC_OUT_REF_FIXED_WIDTH);
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        EXPECT_DOUBLE_EQ(p->Value(20), 1.0);  // the controller waits for OK
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(driver.ran, 1);
    EXPECT_DOUBLE_EQ(p->Value(20), 0.0);
    EXPECT_DOUBLE_EQ(p->Value(21), 0.0);
    EXPECT_DOUBLE_EQ(p->Value(19), 0.0);
}

int g_segments = 0;

TEST_F(LibraryPanelsTest, ThePreferencesCommandReadiesTheReferenceSlotUntilTheFirstRecording) {
    COutCtlView* p = Shown(6);
    const stMeasureCalls saved = g_measureCalls;
    g_measureCalls.hasRecordingSegments = [](tagGS*) { return g_segments; };
    struct Case {
        int ref, segments, slot;
        double offset, range;
        bool readied;
    };
    const Case cases[] = {
        {3, 0, 3, 0.0, 5.0, true}, {1, 0, 1, 0.0, 5.0, true},  {5, 0, 20, 2.5, 2.0, true},
        {12, 0, 27, 2.5, 2.0, true}, {7, 1, 22, 0.0, 0.0, false}, {3, 1, 3, 0.0, 0.0, false},
    };
    for (const Case& c : cases) {
        std::memset(gs_->chanFlags, 0, sizeof gs_->chanFlags);
        std::fill(std::begin(gs_->chanRefUnitsRange), std::end(gs_->chanRefUnitsRange), 0.0);
        std::fill(std::begin(gs_->chanRefDisplayOffset), std::end(gs_->chanRefDisplayOffset), -1.0);
        g_segments = c.segments;
        p->SetValue(19, c.ref);
        Driver driver;
        driver.Then([&] {
            HWND sheet = ThreadWindow("Output Preferences");
            ASSERT_NE(sheet, nullptr);
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
        SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
        EXPECT_EQ(driver.ran, 1);
        int used = 0;
        for (int s = 0; s < kMaxChannels; ++s) used += gs_->chanFlags[s] != 0;
        EXPECT_EQ(used, c.readied ? 1 : 0) << c.ref;
        EXPECT_EQ(gs_->chanFlags[c.slot], c.readied ? 2u : 0u) << c.ref;
        EXPECT_DOUBLE_EQ(gs_->chanRefUnitsRange[c.slot], c.range) << c.ref;
        EXPECT_DOUBLE_EQ(gs_->chanRefUnitsOffset[c.slot], c.offset) << c.ref;
        EXPECT_DOUBLE_EQ(gs_->chanRefDisplayOffset[c.slot], c.readied ? c.offset : -1.0) << c.ref;
    }
    g_measureCalls = saved;
}

TEST_F(LibraryPanelsTest, TheSheetPagesShowThePicturesOfWhatTheySet) {
    COutCtlView* p = Shown(6);
    const COLORREF green = RGB(0, 160, 0), red = RGB(200, 0, 0), blue = RGB(0, 64, 200), amber = RGB(255, 176, 0);
    struct Case {
        int page, x, y;  // the picture's place in dialog units
        int dx, dy;      // a probe inside it
        COLORREF colour;
    };
    const Case cases[] = {{0, 11, 17, 10, 3, green}, {1, 11, 17, 24, 3, red}, {1, 11, 105, 24, 9, blue}, {2, 11, 17, 36, 8, amber}};
    Driver driver;
    int checked = 0;
    driver.Then([&] {
        HWND sheet = ThreadWindow("Output Preferences");
        ASSERT_NE(sheet, nullptr);
        for (const Case& c : cases) {
            HWND page = SheetPage(sheet, c.page);
            ASSERT_NE(page, nullptr);
            RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            RECT at{c.x, c.y, c.x, c.y};
            MapDialogRect(page, &at);
            HDC dc = GetDC(page);
            EXPECT_EQ(GetPixel(dc, at.left + c.dx, at.top + c.dy), c.colour) << c.page << " " << c.y;
            ReleaseDC(page, dc);
            ++checked;
        }
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    SendMessageA(p->Window(), WM_COMMAND, IDM_OUTPUT_PANEL_DIALOG, 0);
    EXPECT_EQ(checked, 4);
}

}  // namespace

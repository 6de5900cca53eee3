// The keyed text tables through VK40.dll's exports: default contents, setters, escapes, the
// dialog-control store, and a real dialog relabelled from it. The table template is built here
// from its header to reach its adding rules, which have no export.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "button/lumikey.h"
#include "devlib/services/dlg_resource.h"
#include "devlib/services/keyed_texts.h"
#include "devlib/services/text_defaults.h"
#include "devlib/vk40.h"

namespace {

struct stKeyText {
    const char* key;
    const char* text;
};

bool IsShortName(const std::string& key) {
    const std::string suffix = " Key";
    return key.rfind("KEY ", 0) == 0 || key.rfind("Key ", 0) == 0 ||
           (key.size() > suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0);
}

// ---- Default contents ----

// The first text added for each key, in the order of addition.
std::map<std::string, std::string> FirstDefaults() {
    std::map<std::string, std::string> first;
    for (int32_t i = 0; i < kMessageDefaultCount; ++i) first.emplace(kMessageDefaults[i].key, kMessageDefaults[i].text);
    return first;
}

TEST(VK40TextsDefaults, EveryMessageKeyAnswersItsFirstDefault) {
    const std::map<std::string, std::string> first = FirstDefaults();
    EXPECT_EQ(first.size(), 597u)
        << "distinct message keys";  // 535, the button library, presets, scaling, graph files, disk runs, calculation filter and dialogs, set-up windows, text files, measurement boxes, recent files, help, new lessons, files not written, damaged parts, run and lesson faults
    for (const auto& entry : first) {
        // Defaults hold real line breaks; a stored backslash sequence would be rewritten.
        EXPECT_EQ(entry.second.find('\\'), std::string::npos) << entry.first;
        const char* text = getMsgBoxText(entry.first.c_str());
        ASSERT_NE(text, nullptr) << entry.first;
        EXPECT_EQ(std::string(text), entry.second) << entry.first;
    }
    EXPECT_STREQ(kMessageDefaults[0].key, "KEY erase existing text");
    EXPECT_STREQ(kMessageDefaults[kMessageDefaultCount - 1].key, "%d pulses, %6.2f msec width, %6.2f msec period");
}

TEST(VK40TextsDefaults, PlainKeysAreTheirOwnTextAndShortNamesAreNot) {
    for (const auto& entry : FirstDefaults()) {
        if (IsShortName(entry.first)) {
            EXPECT_NE(entry.first, entry.second) << "a short name stands for a longer text";
        } else if (entry.first != "VLOCKED Scale Range") {
            EXPECT_EQ(entry.first, entry.second);
        }
    }
}

TEST(VK40TextsDefaults, NamedTextsAnswerByteForByte) {
    const stKeyText cases[] = {
        {"Warning", "Warning"},
        {"Erorr getting data", "Erorr getting data"},
        {"Offset must be between ", "Offset must be between "},
        {"VK40 Internal Buffer size: ", "VK40 Internal Buffer size: "},
        {"Segment %u", "Segment %u"},
        {"Smoothing: %3lu%% completed", "Smoothing: %3lu%% completed"},
        {"This operation will erase existing text in journal.\n\rWould you like to save contents of journal as a "
         "text file?",
         "This operation will erase existing text in journal.\n\rWould you like to save contents of journal as a "
         "text file?"},
        {"KEY erase existing text",
         "This operation will erase existing text in journal.\n\rWould you like to save contents of journal as a "
         "text file?"},
        {"KEY VK40 not found",
         "The Program cannot find the VK40 hardware.\n\nTo analyze saved data (using software only), click "
         "Cancel.\n\nTo record data, check connections and power and click Retry."},
        {"Menu Transform Key", "&Transform"},
        {"Key want to remove preset", "Are you sure you want to remove preset \"%s\"?"},
        {"KEY Last marker and Question",
         "Wavemind has reached the end of the markers.  Do\nyou want to continue searching at the first marker?"},
        {"KEY Buffer overflow", "Buffer overflow\nAcquisition terminated"},
        {"KEY Communications error, terminated", "Communications error\nAcquisition terminated"},
        {"KEY Communications error, not perfromed", "Communications error\nAcquisition not performed"},
        {"KEY An error occured on channel", "An error occured on channel C%ld.\nCheck the syntax of the expression."},
        {"KEY Not enough memory",
         "Not enough memory\nAcquisition not performed\n(Reduce acquisition length and try again)"},
        {"VLOCKED Scale Range", "Scale Range"},
        {"VLOCKED Upper Key", "&Upper:"},
        {"VLOCKED Midpoint Key", "Mi&dpoint:"},
        {"HLOCKED Scale Range Key", "Scale Range"},
        {"HLOCKED Start Key", "S&tart:"},
        {"HLOCKED End Key", "&End:"},
        {"ON Key", "ON"},
        {"HLOCKED OFF Key", "OFF"},
    };
    for (const stKeyText& c : cases) {
        const char* text = getMsgBoxText(c.key);
        ASSERT_NE(text, nullptr) << c.key;
        EXPECT_STREQ(text, c.text) << c.key;
    }
}

TEST(VK40TextsDefaults, HLabelsAnswerThemselves) {
    const char* const labels[] = {"ns",          "micro-s",      "ms",           "sec",     "min",      "hrs",
                                  "nanoseconds", "microseconds", "milliseconds", "seconds", "minutes",  "hours",
                                  "MHz",         "KHz",          "Hz",           "mHz",     "micro-Hz", "Time"};
    for (const char* label : labels) EXPECT_STREQ(getHLabelText(label), label);
    for (const char* missing : {"Sec", "hz", "Ready", "Time "}) EXPECT_EQ(getHLabelText(missing), nullptr) << missing;
}

// The view commands' labels as the display modes take them (Chart from key 2400, Scope from 2401,
// XY from 2402; Tile, Autoscale, Compare and Autoscale Horizontal ten keys apart), the Undo item's
// two texts and the scale switches: these and no other keys hold a label, each under sub-id 0.
TEST(VK40TextsDefaults, MenuLabelsOfTheViewCommands) {
    const char* const byMode[3][4] = {
        {"Tile Waveforms\tCtrl+Shift+A", "Autoscale Waveforms", "Compare Waveforms", "Autoscale Horizontal"},
        {"Tile Waveforms\tCtrl+Shift+A", "Autoscale Waveforms", "Compare Waveforms", "Autoscale Horizontal"},
        {"Autoscale Vertical\tCtrl+Shift+A", "Center Vertical", "Autoscale Horizontal", "Center Horizontal"},
    };
    std::map<int32_t, std::string> expected = {
        {2200, "Undo\tCtrl+Z"},    {2201, "Can't Undo"},    {2440, "Hide X-Scale"},
        {2441, "Hide Y-Scale"},    {2442, "Show X-Scale"},  {2443, "Show Y-Scale"},
    };
    for (int32_t mode = 0; mode < 3; ++mode)
        for (int32_t command = 0; command < 4; ++command) expected[2400 + 10 * command + mode] = byMode[mode][command];
    EXPECT_EQ(kMenuLabelDefaultCount, static_cast<int32_t>(expected.size()));
    for (int32_t id = 2200; id < 2450; ++id) {
        const auto label = expected.find(id);
        const char* text = mlgetName(id, 0);
        if (label == expected.end()) {
            EXPECT_EQ(text, nullptr) << id;
        } else {
            ASSERT_NE(text, nullptr) << id;
            EXPECT_EQ(std::string(text), label->second) << id;
        }
        EXPECT_EQ(mlgetName(id, 1), nullptr) << id;
    }
}

// ---- Messages and axis labels through the setters ----

TEST(VK40TextsMessages, MissingAndUnusableKeysAnswerNull) {
    const char* const keys[] = {nullptr, "", "warning", "Warning ", "No such key at all"};
    for (const char* key : keys) {
        const std::string what = key ? key : "(null)";
        EXPECT_EQ(getMsgBoxText(key), nullptr) << what;
        EXPECT_EQ(setMsgBoxText(key, "added?"), 0) << what;
        EXPECT_EQ(getMsgBoxText(key), nullptr) << what << ": a setter never adds";
        EXPECT_EQ(getHLabelText(key), nullptr) << what;
        EXPECT_EQ(setHLabelText(key, "added?"), 0) << what;
        EXPECT_EQ(getHLabelText(key), nullptr) << what;
    }
    const std::string longKey(600, 'q');
    EXPECT_EQ(setMsgBoxText(longKey.c_str(), "x"), 0);
    EXPECT_EQ(getMsgBoxText(longKey.c_str()), nullptr);
}

TEST(VK40TextsMessages, ScriptTextsReplaceDefaultsAndLoseTheirEscapes) {
    struct stSetCase {
        const char* key;
        const char* set;
        const char* expected;
    } cases[] = {
        {"Not implemented", "Line one\\nLine two", "Line one\nLine two"},
        {"Insert", "Name\\tValue\\n", "Name\tValue\n"},
        {"Repairing file...", "Plain", "Plain"},
        {"Freq Key", "&Frequenz:", "&Frequenz:"},
    };
    for (const stSetCase& c : cases) {
        const std::string original = getMsgBoxText(c.key);
        ASSERT_EQ(setMsgBoxText(c.key, c.set), 1) << c.key;
        EXPECT_STREQ(getMsgBoxText(c.key), c.expected) << c.key;
        EXPECT_STREQ(getMsgBoxText(c.key), c.expected) << c.key << ": asked again";
        setMsgBoxText(c.key, original.c_str());
    }
    const std::string longText(700, 'w');
    ASSERT_EQ(setMsgBoxText("Insert", longText.c_str()), 1);
    EXPECT_EQ(std::string(getMsgBoxText("Insert")), std::string(511, 'w'));
    setMsgBoxText("Insert", "Insert");

    ASSERT_EQ(setHLabelText("sec", "s"), 1);
    EXPECT_STREQ(getHLabelText("sec"), "s");
    setHLabelText("sec", "sec");
}

TEST(VK40TextsMessages, EscapeSequencesBecomeTheirCharacter) {
    struct stEscCase {
        const char* text;
        const char* seq;
        char ch;
        const char* expected;
    } cases[] = {
        {"a\\nb\\nc", "\\n", '\n', "a\nb\nc"},         {"\\n\\n", "\\n", '\n', "\n\n"},
        {"tab\\there", "\\t", '\t', "tab\there"},      {"no escapes", "\\n", '\n', "no escapes"},
        {"ends with \\", "\\n", '\n', "ends with \\"}, {"\\\\n", "\\n", '\n', "\\\n"},
        {"\\t stays", "\\n", '\n', "\\t stays"},       {"", "\\n", '\n', ""},
    };
    for (const stEscCase& c : cases) {
        std::vector<char> text(c.text, c.text + strlen(c.text) + 1);
        DoEscSeq(text.data(), c.seq, c.ch);
        EXPECT_STREQ(text.data(), c.expected) << c.text;
    }
    char untouched[] = "a\\nb";
    DoEscSeq(untouched, nullptr, '\n');
    DoEscSeq(untouched, "", '\n');
    EXPECT_STREQ(untouched, "a\\nb");
    DoEscSeq(nullptr, "\\n", '\n');
}

// ---- The table rules, on tables of this program's own ----

TEST(VK40TextsTables, FirstTextStaysAndFullTablesRefuse) {
    auto table = std::make_unique<CKeyedTexts<3>>();
    EXPECT_EQ(table->Add("a", "first"), 1);
    EXPECT_EQ(table->Add("a", "second"), 0);
    EXPECT_STREQ(table->Get("a"), "first");
    EXPECT_EQ(table->Add("b", "2"), 1);
    EXPECT_EQ(table->Add("c", "3"), 1);
    EXPECT_EQ(table->Add("d", "4"), 0) << "table full";
    EXPECT_EQ(table->Get("d"), nullptr);
    EXPECT_EQ(table->Set("d", "4"), 0);
    EXPECT_EQ(table->Add(nullptr, "x"), 0);
    EXPECT_EQ(table->Add("", "x"), 0);
    EXPECT_EQ(table->Set("c", nullptr), 1);
    EXPECT_STREQ(table->Get("c"), "");
}

TEST(VK40TextsTables, KeysAndTextsLongerThanTheirFieldAreCut) {
    auto table = std::make_unique<CKeyedTexts<4>>();
    const std::string longKey(600, 'k');
    ASSERT_EQ(table->Add(longKey.c_str(), std::string(600, 't').c_str()), 1);
    ASSERT_NE(table->Get(longKey.c_str()), nullptr);
    EXPECT_EQ(std::string(table->Get(longKey.c_str())), std::string(511, 't'));
    EXPECT_NE(table->Get(std::string(511, 'k').c_str()), nullptr) << "the stored, cut key";
    EXPECT_EQ(table->Get(std::string(510, 'k').c_str()), nullptr);
    EXPECT_EQ(table->Add((std::string(511, 'k') + "other").c_str(), "x"), 0) << "same key once cut";
}

TEST(VK40TextsTables, HLabelListTakesThirtyLabels) {
    auto labels = std::make_unique<CHLabels>();
    EXPECT_EQ(labels->Add("Time", "again"), 0);
    EXPECT_STREQ(labels->Get("Time"), "Time");
    for (int i = 19; i <= 30; ++i) EXPECT_EQ(labels->Add(("label " + std::to_string(i)).c_str(), "x"), 1) << i;
    EXPECT_EQ(labels->Add("label 31", "x"), 0);
    EXPECT_EQ(labels->Get("label 31"), nullptr);
}

TEST(VK40TextsTables, MessageTableHoldsItsDefaultsAndRoomForTheRest) {
    auto messages = std::make_unique<CMessages>();
    const std::map<std::string, std::string> first = FirstDefaults();
    for (const auto& entry : first) EXPECT_EQ(messages->Add(entry.first.c_str(), "again"), 0) << entry.first;
    const int free = kMessages - static_cast<int>(first.size());
    for (int i = 0; i < free; ++i) ASSERT_EQ(messages->Add(("new key " + std::to_string(i)).c_str(), "x"), 1) << i;
    EXPECT_EQ(messages->Add("one too many", "x"), 0);
    messages->FillDefaults();
    EXPECT_STREQ(messages->Get("Warning"), "Warning");
}

TEST(VK40TextsMenuLabels, IdZeroIsRefusedAndAFullTableTakesNothing) {
    mlset(0, 0, "free", 1);
    EXPECT_EQ(mlgetName(0, 0), nullptr);

    // 255 entries, 18 of them defaults.
    int created = 0;
    for (uint32_t id = 60000; id < 60300; ++id) {
        mlset(id, 7, "label", 1);
        if (mlgetName(id, 7)) ++created;
    }
    EXPECT_EQ(created, 237);
    EXPECT_EQ(mlgetName(60299, 7), nullptr);
    EXPECT_STREQ(mlgetName(2200, 0), "Undo\tCtrl+Z") << "defaults stay";
}

// ---- Dialog-control store ----

int CountByName(const CDlgResource& store, uint32_t dlg) {
    int n = 0;
    for (int32_t i = 0; i < kDlgResourceEntries; ++i) {
        if (store.Entry(i).dlgId == dlg && store.Entry(i).kind == kDlgTextByName) ++n;
    }
    return n;
}

TEST(VK40TextsDialogs, TextsByControlAndByName) {
    auto store = std::make_unique<CDlgResource>();
    EXPECT_EQ(store->add(1, 2, "a"), 1);
    EXPECT_EQ(store->add(1, 2, "b"), 0);
    EXPECT_STREQ(store->get(1, 2), "a");
    EXPECT_EQ(store->Entry(kDlgResourceEntries - 1).ctrlId, 2u) << "added at the top";

    EXPECT_EQ(store->set(1, 3, "x"), 0);
    EXPECT_EQ(store->get(1, 3), nullptr);
    EXPECT_EQ(store->SetOrAdd(1, 3, "x"), 1);
    EXPECT_EQ(store->SetOrAdd(1, 3, "y"), 1);
    EXPECT_STREQ(store->get(1, 3), "y");

    EXPECT_EQ(store->SetOrAdd(1, "Upper", "U1"), 1);
    EXPECT_EQ(store->SetOrAdd(1, "UPPER", "U2"), 1);
    EXPECT_STREQ(store->GetByName(1, "upper"), "U2");
    EXPECT_EQ(CountByName(*store, 1), 1);
    EXPECT_EQ(store->get(1, 0), nullptr) << "a by-name entry is no title";
    EXPECT_EQ(store->GetByName(2, "Upper"), nullptr);
    EXPECT_EQ(store->SetOrAdd(1, "", "x"), 0);
    EXPECT_EQ(store->SetOrAdd(1, static_cast<const char*>(nullptr), "x"), 0);
    EXPECT_EQ(store->GetByName(1, nullptr), nullptr);

    // A show entry takes the lowest free place and carries no text until one is set.
    EXPECT_EQ(store->SetShowFlag(1, 5, SW_HIDE), 1);
    EXPECT_EQ(store->Entry(0).ctrlId, 5u);
    EXPECT_EQ(store->Entry(0).kind, kDlgShowValue);
    EXPECT_EQ(store->get(1, 5), nullptr);
    EXPECT_EQ(store->add(1, 5, "refused"), 0);
    EXPECT_EQ(store->SetOrAdd(1, 5, "shown"), 1);
    EXPECT_STREQ(store->get(1, 5), "shown");
    EXPECT_EQ(store->Entry(0).kind, kDlgShowValue | kDlgTextByControl);
}

TEST(VK40TextsDialogs, LongNamesAreCutAndAFullStoreRefuses) {
    auto store = std::make_unique<CDlgResource>();
    const std::string longName(300, 'n');
    ASSERT_EQ(store->SetOrAdd(3, longName.c_str(), std::string(300, 'v').c_str()), 1);
    ASSERT_NE(store->GetByName(3, longName.c_str()), nullptr);
    EXPECT_EQ(std::string(store->GetByName(3, longName.c_str())), std::string(255, 'v'));
    EXPECT_NE(store->GetByName(3, std::string(255, 'N').c_str()), nullptr);

    for (uint32_t ctrl = 1; ctrl < kDlgResourceEntries; ++ctrl) ASSERT_EQ(store->add(2, ctrl, "t"), 1) << ctrl;
    EXPECT_EQ(store->add(2, 5000, "t"), 0);
    EXPECT_EQ(store->SetOrAdd(2, 5000, "t"), 0);
    EXPECT_EQ(store->SetOrAdd(2, "name", "t"), 0);
    EXPECT_EQ(store->SetShowFlag(2, 5000, SW_SHOW), 0);
    EXPECT_EQ(store->SetShowFlag(2, 7, SW_HIDE), 1) << "an existing entry still takes a show value";
    EXPECT_EQ(store->SetOrAdd(3, longName.c_str(), "still room for a present name"), 1);
}

TEST(VK40TextsDialogs, ExportedWrappersUseTheLibraryStore) {
    EXPECT_EQ(getDlgCtrlText(9001, 451), nullptr);
    EXPECT_EQ(m_DlgResourceStorage.add(9001, 451, "Default name"), 1);
    EXPECT_STREQ(getDlgCtrlText(9001, 451), "Default name");
    EXPECT_EQ(SetOrAdd(9001, 451, "Renamed"), 1);
    EXPECT_STREQ(getDlgCtrlText(9001, 451), "Renamed");
    EXPECT_EQ(SetOrAdd(9001, "Input", "Eingang"), 1);
    EXPECT_STREQ(GetDlgMultiTextItem(9001, "INPUT"), "Eingang");
    EXPECT_EQ(GetDlgMultiTextItem(9002, "Input"), nullptr);
    EXPECT_EQ(SetShowFlagDlgCtrlItem(9001, 452, SW_HIDE), 1);
    EXPECT_EQ(getDlgCtrlText(9001, 452), nullptr);
}

// ---- A real dialog ----

// An in-memory dialog template, built word by word.
class CDialogTemplate {
public:
    explicit CDialogTemplate(const char* caption) {
        Align(2);
        DLGTEMPLATE head{};
        head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        head.cx = 200;
        head.cy = 200;
        Append(&head, sizeof(head));
        m_countOffset = offsetof(DLGTEMPLATE, cdit);
        AppendWord(0);  // no menu
        AppendWord(0);  // the default class
        AppendText(caption);
    }

    void AddControl(WORD classAtom, WORD id, const char* text, DWORD style = 0) {
        Align(4);
        DLGITEMTEMPLATE item{};
        item.style = WS_CHILD | WS_VISIBLE | style;
        item.x = 5;
        item.y = static_cast<short>(5 + 12 * m_count);
        item.cx = 80;
        item.cy = 10;
        item.id = id;
        Append(&item, sizeof(item));
        AppendWord(0xFFFF);
        AppendWord(classAtom);
        AppendText(text);
        AppendWord(0);  // no creation data
        ++m_count;
        WORD count = m_count;
        memcpy(m_bytes.data() + m_countOffset, &count, sizeof(count));
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }

private:
    void Append(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
    }
    void AppendWord(WORD w) { Append(&w, sizeof(w)); }
    void AppendText(const char* text) {
        for (const char* c = text; *c; ++c) AppendWord(static_cast<unsigned char>(*c));
        AppendWord(0);
    }
    void Align(size_t n) {
        while (m_bytes.size() % n) m_bytes.push_back(0);
    }

    std::vector<unsigned char> m_bytes;
    size_t m_countOffset = 0;
    WORD m_count = 0;
};

constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

std::string TextOf(HWND window) {
    char text[300] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

struct DialogCloser {
    void operator()(HWND dlg) const { DestroyWindow(dlg); }
};
using DialogPtr = std::unique_ptr<std::remove_pointer_t<HWND>, DialogCloser>;

TEST(VK40TextsDialogs, HandleTheDialogRelabelsFromTheTableAndLeavesTheRest) {
    constexpr uint32_t kDlg = 9101;
    CDialogTemplate tmpl("Original");
    tmpl.AddControl(kStatic, 100, "Lower");
    tmpl.AddControl(kStatic, 101, "Upper");
    tmpl.AddControl(kButton, 102, "Keep");
    tmpl.AddControl(kEdit, 103, "", WS_BORDER);
    tmpl.AddControl(kStatic, 104, "Upper");
    tmpl.AddControl(kStatic, 106, "First");
    tmpl.AddControl(kStatic, 106, "Second");
    tmpl.AddControl(kStatic, 107, "Other");
    DialogPtr dlg(CreateDialogIndirectParamA(GetModuleHandleA(nullptr), tmpl.Get(), nullptr, QuietDialogProc, 0));
    ASSERT_NE(dlg.get(), nullptr);
    // A window inside a control is no control of the dialog.
    HWND deep = CreateWindowA("STATIC", "Deep", WS_CHILD, 0, 0, 10, 10, GetDlgItem(dlg.get(), 100),
                              reinterpret_cast<HMENU>(108), nullptr, nullptr);
    ASSERT_NE(deep, nullptr);
    HWND second106 = GetWindow(GetDlgItem(dlg.get(), 106), GW_HWNDNEXT);
    ASSERT_EQ(GetDlgCtrlID(second106), 106);

    ASSERT_EQ(SetOrAdd(kDlg, 0u, "Relabelled"), 1);  // 0u: a literal 0 could be a name
    ASSERT_EQ(SetOrAdd(kDlg, 100, "Unten"), 1);
    ASSERT_EQ(SetOrAdd(kDlg, "UPPER", "Oben"), 1);
    ASSERT_EQ(SetShowFlagDlgCtrlItem(kDlg, 104, SW_SHOW), 1);
    ASSERT_EQ(SetOrAdd(kDlg, 106, "Dup"), 1);
    ASSERT_EQ(SetOrAdd(kDlg + 1, 107, "Wrong dialog"), 1);
    ASSERT_EQ(SetOrAdd(kDlg + 1, "Keep", "Wrong dialog"), 1);
    ASSERT_EQ(SetOrAdd(kDlg, 108, "Too deep"), 1);

    HandleTheDialog(dlg.get(), kDlg);

    EXPECT_EQ(TextOf(dlg.get()), "Relabelled");
    const struct {
        HWND control;
        const char* expected;
    } cases[] = {
        {GetDlgItem(dlg.get(), 100), "Unten"},  // by control id
        {GetDlgItem(dlg.get(), 101), "Oben"},   // by its text, case ignored
        {GetDlgItem(dlg.get(), 102), "Keep"},   // no entry of this dialog
        {GetDlgItem(dlg.get(), 103), ""},       // empty: never looked up
        {GetDlgItem(dlg.get(), 104), "Upper"},  // its own entry has no text
        {GetDlgItem(dlg.get(), 106), "Dup"},    // the first of an id held twice
        {second106, "Second"},
        {GetDlgItem(dlg.get(), 107), "Other"},
        {deep, "Deep"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.control, nullptr) << c.expected;
        EXPECT_EQ(TextOf(c.control), c.expected);
    }

    HandleTheDialog(nullptr, kDlg);
    HandleTheDialog(dlg.get(), 9199);
    EXPECT_EQ(TextOf(dlg.get()), "Relabelled") << "no entries: nothing changes";
}

bool HasVisibleStyle(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(VK40TextsDialogs, HandleShowMessageAppliesStoredShowCommands) {
    constexpr uint32_t kDlg = 9102;
    CDialogTemplate tmpl("Shown");
    tmpl.AddControl(kStatic, 200, "Hidden later");
    tmpl.AddControl(kStatic, 201, "Stays");
    tmpl.AddControl(kStatic, 202, "Odd command");
    DialogPtr dlg(CreateDialogIndirectParamA(GetModuleHandleA(nullptr), tmpl.Get(), nullptr, QuietDialogProc, 0));
    ASSERT_NE(dlg.get(), nullptr);

    ASSERT_EQ(SetShowFlagDlgCtrlItem(kDlg, 200, SW_HIDE), 1);
    ASSERT_EQ(SetShowFlagDlgCtrlItem(kDlg, 202, 99), 1);
    ASSERT_EQ(SetShowFlagDlgCtrlItem(kDlg + 1, 201, SW_HIDE), 1);
    ASSERT_EQ(SetShowFlagDlgCtrlItem(kDlg, 203, SW_HIDE), 1) << "a control the dialog lacks";

    HandleShowMessage(dlg.get(), kDlg);
    EXPECT_FALSE(HasVisibleStyle(GetDlgItem(dlg.get(), 200)));
    EXPECT_TRUE(HasVisibleStyle(GetDlgItem(dlg.get(), 201)));
    EXPECT_TRUE(HasVisibleStyle(GetDlgItem(dlg.get(), 202)));

    ASSERT_EQ(SetShowFlagDlgCtrlItem(kDlg, 200, SW_SHOW), 1);
    HandleShowMessage(dlg.get(), kDlg);
    EXPECT_TRUE(HasVisibleStyle(GetDlgItem(dlg.get(), 200)));
}

}  // namespace

namespace {

// A tool bar of Lumikey buttons with tips, then a plain window, then one more button.
struct ToolBar {
    HMODULE buttons = LoadLibraryA("Lumikey.dll");  // registers the button class, as the program does
    HWND bar = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 30, nullptr, nullptr, nullptr, nullptr);
    HWND Add(const char* cls, const char* tip) {
        return CreateWindowExA(0, cls, "", WS_CHILD, 0, 0, 20, 20, bar, nullptr, nullptr, const_cast<char*>(tip));
    }
    ~ToolBar() {
        DestroyWindow(bar);
        FreeLibrary(buttons);
    }
};

const char* TipOf(HWND button) { return LumikeyRecord(button)->szTip; }

}  // namespace

TEST(VK40TextsHints, ToolBarHintsBecomeKeysAndCanBeRenamed) {
    ToolBar tb;
    ASSERT_TRUE(tb.bar);
    HWND zoom = tb.Add(LUMIKEY_CLASSNAME, "Hint zoom tool");
    HWND arrow = tb.Add(LUMIKEY_CLASSNAME, "Hint arrow tool");
    tb.Add("STATIC", nullptr);
    HWND late = tb.Add(LUMIKEY_CLASSNAME, "Hint after a plain window");
    ASSERT_TRUE(zoom && arrow && late);

    EXPECT_EQ(getMsgBoxText("Hint zoom tool"), nullptr);
    HandleTheToolBar(tb.bar);
    EXPECT_STREQ(getMsgBoxText("Hint zoom tool"), "Hint zoom tool");
    EXPECT_STREQ(getMsgBoxText("Hint arrow tool"), "Hint arrow tool");
    EXPECT_STREQ(getMsgBoxText("Hint after a plain window"), "Hint after a plain window");
    HandleTheToolBar(nullptr);

    EXPECT_EQ(SetHintText(tb.bar, "Hint arrow tool", "Pointer"), 1);
    EXPECT_STREQ(TipOf(arrow), "Pointer");
    EXPECT_STREQ(getMsgBoxText("Hint arrow tool"), "Pointer");
    EXPECT_STREQ(TipOf(zoom), "Hint zoom tool");

    // The walk stops at the first child that is no button; unknown keys and no tool bar give 0.
    EXPECT_EQ(SetHintText(tb.bar, "Hint after a plain window", "Late"), 0);
    EXPECT_STREQ(TipOf(late), "Hint after a plain window");
    EXPECT_EQ(SetHintText(tb.bar, "No such hint key", "X"), 0);
    EXPECT_EQ(SetHintText(nullptr, "Hint zoom tool", "X"), 0);

    // A new hint longer than the tip field is cut and stays terminated.
    const std::string longText(100, 'h');
    EXPECT_EQ(SetHintText(tb.bar, "Hint zoom tool", longText.c_str()), 1);
    EXPECT_EQ(std::strlen(TipOf(zoom)), 63u);
}

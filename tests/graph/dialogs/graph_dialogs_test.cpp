// The graph dialogs on a real graph of the running program: each dialog is opened, its controls
// are set with the messages a user's typing and clicks send, OK or Cancel is pressed, and the
// graph's fields and the pixels that must change are read back.
#include "graph/view/display_modes.h"
#include "tests/graph/dialogs/dialog_fixture.h"
#include "controls/tests/text_fit.h"

namespace {

// ---- prompts ----

TEST_F(GraphDialogs, NumberPromptReadsWhatIsTypedAndCancelKeepsTheValue) {
    struct Row {
        const char* typed;
        int button;
        double start, after;
        int result;
    } rows[] = {
        {"12.5", IDOK, 3.0, 12.5, 1},  {"abc", IDOK, 3.0, 0.0, 1},   {"", IDOK, 3.0, 0.0, 1},
        {"-7", IDOK, 3.0, -7.0, 1},    {"1e999", IDOK, 3.0, 0.0, 1},  // no finite number: 0
        {"99", IDCANCEL, 3.0, 3.0, 0},
    };
    for (const Row& r : rows) {
        std::string shownLabel, shownValue;
        bool checkVisible = true;
        DialogDriver driver({[&](HWND dlg) {
            shownLabel = ItemText(dlg, IDC_PROMPT_LABEL);
            shownValue = ItemText(dlg, IDC_PROMPT_EDIT);
            checkVisible = IsWindowVisible(GetDlgItem(dlg, IDC_PROMPT_CHECK)) != FALSE;
            TypeInto(dlg, IDC_PROMPT_EDIT, r.typed);
            Click(dlg, r.button);
        }});
        double value = r.start;
        EXPECT_EQ(PromptForNumber(graph_, &value, "ms", "Destination length", nullptr, nullptr, 0, nullptr), r.result)
            << r.typed;
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_DOUBLE_EQ(value, r.after) << r.typed;
        EXPECT_EQ(shownLabel, "Destination length");
        EXPECT_EQ(shownValue, "3.000000");
        EXPECT_FALSE(checkVisible);
    }
}

TEST_F(GraphDialogs, NumberPromptCheckBoxThatStartsTickedStaysTicked) {
    struct Row {
        uint32_t start;
        bool click;
        uint32_t after;
        bool enabled;
    } rows[] = {{1, true, 1, false}, {0, true, 1, true}, {0, false, 0, true}};
    for (const Row& r : rows) {
        bool enabled = false;
        std::string caption;
        DialogDriver driver({[&](HWND dlg) {
            enabled = IsWindowEnabled(GetDlgItem(dlg, IDC_PROMPT_CHECK)) != FALSE;
            caption = ItemText(dlg, IDC_PROMPT_CHECK);
            if (r.click) Click(dlg, IDC_PROMPT_CHECK);
            Click(dlg, IDOK);
        }});
        double value = 1.0;
        uint32_t state = r.start;
        EXPECT_EQ(PromptForNumber(graph_, &value, "", "Damping", "Every channel", &state, 0, nullptr), 1);
        EXPECT_EQ(state, r.after) << r.start << r.click;
        EXPECT_EQ(enabled, r.enabled);
        EXPECT_EQ(caption, "Every channel");
    }
}

TEST_F(GraphDialogs, SampleRatePromptShowsTheMinimumRate) {
    std::string note;
    DialogDriver driver({[&](HWND dlg) {
        note = ItemText(dlg, IDC_PROMPT_NOTE);
        Click(dlg, IDCANCEL);
    }});
    double rate = 2000.0, minimum = 1000.0;
    EXPECT_EQ(PromptForNumber(graph_, &rate, "Hz", "Enter new sample rate", nullptr, nullptr, 0, &minimum), 0);
    EXPECT_EQ(note, "(minimum rate >= 1000.000000)");
    EXPECT_DOUBLE_EQ(rate, 2000.0);
}

// Transform > Resample asks with the number prompt, starting at the current rate.
TEST_F(GraphDialogs, ResampleAsksTheNewRateWithTheNumberPrompt) {
    Channel(1, 200);
    gs_->sampleInterval = 1.0;  // 1000 samples a second
    UpdateGraphLength(gs_);
    std::string shown, label, units, note, problems;
    DialogDriver driver({[&](HWND dlg) {
        problems = JoinedProblems(TextFitProblems(dlg));
        SaveWindowPicture(dlg, "resample_prompt");
        shown = ItemText(dlg, IDC_PROMPT_EDIT);
        label = ItemText(dlg, IDC_PROMPT_LABEL);
        units = ItemText(dlg, IDC_PROMPT_UNITS);
        note = ItemText(dlg, IDC_PROMPT_NOTE);
        TypeInto(dlg, IDC_PROMPT_EDIT, "500");
        Click(dlg, IDOK);
    }});
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_TRANSFORM_RESAMPLE, 0);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(shown, "1000.000000");
    EXPECT_EQ(label, "Enter new sample rate");
    EXPECT_EQ(units, "&samples/second");
    // 1000 samples a second over 200 samples: at least 5 a second, and a little more.
    EXPECT_EQ(note, "(minimum rate >= 5.000001)");
    EXPECT_EQ(problems, "");
    EXPECT_DOUBLE_EQ(gs_->sampleInterval, 2.0);
    EXPECT_NEAR(gs_->chanCount[1], 100.0, 1.0) << "half as many samples";
}

TEST_F(GraphDialogs, TextAndTimePrompts) {
    {
        DialogDriver driver({[&](HWND dlg) {
            EXPECT_EQ(ItemText(dlg, IDC_PROMPT_EDIT), "old name");
            TypeInto(dlg, IDC_PROMPT_EDIT, "new name");
            Click(dlg, IDOK);
        }});
        char text[128] = "old name";
        EXPECT_EQ(PromptForText(graph_, text, "", "Name"), 1);
        EXPECT_STREQ(text, "new name");
    }
    struct Row {
        const char *h, *m, *s;
        int button;
        double after;
    } rows[] = {{"1", "90", "0", IDOK, 9000.0},  // minutes are not limited to 59
                {"0", "0", "5", IDOK, 5.0},
                {"x", "", "7", IDOK, 7.0},
                {"2", "0", "0", IDCANCEL, 3723.9}};
    for (const Row& r : rows) {
        std::string shown[3];
        DialogDriver driver({[&](HWND dlg) {
            shown[0] = ItemText(dlg, IDC_HMS_HOURS);
            shown[1] = ItemText(dlg, IDC_HMS_MINUTES);
            shown[2] = ItemText(dlg, IDC_HMS_SECONDS);
            TypeInto(dlg, IDC_HMS_HOURS, r.h);
            TypeInto(dlg, IDC_HMS_MINUTES, r.m);
            TypeInto(dlg, IDC_HMS_SECONDS, r.s);
            Click(dlg, r.button);
        }});
        double seconds = 3723.9;
        PromptForHms(graph_, &seconds, "Duration");
        EXPECT_DOUBLE_EQ(seconds, r.after) << r.h << ":" << r.m << ":" << r.s;
        EXPECT_EQ(shown[0] + ":" + shown[1] + ":" + shown[2], "01:02:03");
    }
}

// ---- channel label ----

TEST_F(GraphDialogs, ChannelComboEntriesStartWithTheSlotNumber) {
    HWND combo = CreateWindowA("COMBOBOX", "", CBS_DROPDOWNLIST | WS_CHILD, 0, 0, 100, 100, graph_, nullptr,
                               g_app->hInstance, nullptr);
    std::strcpy(gs_->chanLabel[2], "CH2 Input");
    std::strcpy(gs_->chanLabel[45], "C6");
    EXPECT_EQ(AddChannelComboItem(combo, gs_, 2), 0);
    EXPECT_EQ(AddChannelComboItem(combo, gs_, 45), 1);
    EXPECT_EQ(AddChannelComboItem(combo, gs_, 60), -1);
    char text[64];
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "2, CH2 Input");
    SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "45, C6");
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), 45);
    DestroyWindow(combo);
}

TEST_F(GraphDialogs, ChannelLabelDialogStoresTheTextAndTellsTheDeviceLibrary) {
    for (int s : {0, 3, 5}) Channel(s);
    gs_->displayMode = kModeChart;
    Relayout();
    struct Row {
        int32_t channel;
        uint32_t isLabel;
        std::string typed;
        int button;
        std::string label3, units3;  // slot 3 afterwards
        std::string prompt;
    } rows[] = {
        {3, 1, "Heart rate", IDOK, "Heart rate", "volts", "Enter channel 3 label"},
        {3, 1, std::string(50, 'x'), IDOK, std::string(39, 'x'), "volts", "Enter channel 3 label"},
        {3, 0, "bpm", IDOK, "CH3 Input", "bpm", "Enter channel 3 units text"},
        {3, 0, "a much too long units text", IDOK, "CH3 Input", "a much too long uni", "Enter channel 3 units text"},
        {3, 1, "Ignored", IDCANCEL, "CH3 Input", "volts", "Enter channel 3 label"},
        {3, 1, "", IDOK, "", "volts", "Enter channel 3 label"},
        {-1, 1, "Picked", IDOK, "CH3 Input", "volts", "Enter channel 5 label"},  // the selected slot 5
    };
    for (const Row& r : rows) {
        std::strcpy(gs_->chanLabel[3], "CH3 Input");
        std::strcpy(gs_->chanUnits[3], "volts");
        gs_->selectedChan = 5;
        g_driverCalls.clear();
        setDirtyGraphFlag(gs_, 0);
        UpdateWindow(graph_);
        std::string prompt, shown;
        DialogDriver driver({[&](HWND dlg) {
            prompt = ItemText(dlg, IDC_LABEL_PROMPT);
            shown = ItemText(dlg, IDC_LABEL_EDIT);
            TypeInto(dlg, IDC_LABEL_EDIT, r.typed);
            Click(dlg, r.button);
        }});
        const int result = ChannelLabelDialog(graph_, gs_, r.channel, r.isLabel);
        EXPECT_EQ(result, r.button == IDOK ? 1 : 0) << r.typed;
        EXPECT_EQ(prompt, r.prompt);
        EXPECT_EQ(gs_->chanLabel[3], r.label3) << r.typed;
        EXPECT_EQ(gs_->chanUnits[3], r.units3) << r.typed;
        if (r.button == IDOK && r.channel == 3) {
            EXPECT_EQ(shown, r.isLabel ? "CH3 Input" : "volts");
            ASSERT_EQ(g_driverCalls.size(), 1u);
            EXPECT_EQ(g_driverCalls[0].id, r.isLabel ? IDM_CHANNEL_LABEL : IDM_CHANNEL_UNITS);
            EXPECT_EQ(g_driverCalls[0].index, 3);
            EXPECT_EQ(g_driverCalls[0].text, r.isLabel ? r.label3 : r.units3);
            EXPECT_EQ(gs_->modified, 1u);
            // Only this channel's name and scale boxes are redrawn.
            EXPECT_TRUE(Pending(gs_->chanLabelRects[3]));
            EXPECT_TRUE(Pending(gs_->chanScaleRects[3]));
            EXPECT_FALSE(Pending(gs_->chanLabelRects[0]));
        } else if (r.button == IDCANCEL) {
            EXPECT_TRUE(g_driverCalls.empty());
            EXPECT_EQ(gs_->modified, 0u);
        }
    }
    EXPECT_STREQ(gs_->chanLabel[5], "Picked");
}

TEST_F(GraphDialogs, ANewLabelChangesThePixelsOfItsBox) {
    Channel(0);
    Channel(1);
    gs_->displayMode = kModeChart;
    std::strcpy(gs_->chanLabel[1], "A");
    Relayout();
    const RECT box = gs_->chanLabelRects[1];
    const std::vector<uint32_t> before = Capture(graph_, box);
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_LABEL_EDIT, "Muscle WWWWWW");
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(ChannelLabelDialog(graph_, gs_, 1, 1), 1);
    const std::vector<uint32_t> after = Capture(graph_, box);
    ASSERT_EQ(before.size(), after.size());
    EXPECT_NE(before, after);
}

}  // namespace

namespace {

TEST(PromptTranslation, TheLabelChoosesTheSet) {
    struct Row {
        const char* label;
        uint32_t set;
    } rows[] = {
        {"Enter lower limit", 150},
        {"Enter upper limit", 151},
        {"Enter lower threshold", 152},
        {"Enter upper threshold", 153},
        {"Difference interval", 154},
        {"Enter new sample rate", 155},
        {"Enter new sample rate:", 155},  // the run of the label's own letters is what counts
        {"Enter new sample rates", 150},  // one letter more of them: no longer that label
        {"Enter upper limit ", 150},
        {"difference interval", 150},
        {"", 150},
        {"Destination length", 150},
        {nullptr, 150},
    };
    for (const Row& r : rows) EXPECT_EQ(PromptTranslationSet(r.label), r.set) << (r.label ? r.label : "(null)");
}

}  // namespace

// The notification tables: what each call answers before the shell installs its handlers, and
// that an installed entry answers until the tables are reset.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/notify.h"

namespace {

TEST(NotificationTables, TheTablesThatDoNothingAnswerAsNoHandler) {
    ResetNotifications();
    // The calls without an answer do nothing.
    notify::SetStatusText("status");
    notify::SetStatusTextFmt("key %d", 1);
    notify::OnMenuSelect(nullptr, 0, nullptr, 0);
    notify::ShowPopupItemHelp(nullptr, 0, FALSE);
    notify::UpdateFrameMenus(nullptr, nullptr);
    notify::UpdateGraphMenus(nullptr);
    notify::UpdateGraphEditMenus(nullptr);
    notify::UpdateTransformMenu(nullptr, nullptr);
    notify::EnableGraphToolButtons(nullptr);
    notify::UpdateGraphToolbar();
    notify::AttachFrameMenu();
    notify::GraphFileUsed("C:\\a.acq");
    notify::FormatMeasurementResult(nullptr);
    notify::SetMeasurementCaptions(nullptr);
    notify::UpdateHScrollBar(nullptr);
    notify::ClosePrintProgress();
    notify::ChangeHelpItem(1, 0);
    notify::SetHelpItem(1, "help.txt", 0, 0, 0);
    notify::ShowAllHelpItems();
    // The questions answer "none".
    EXPECT_EQ(notify::BuildLessonsMenu(nullptr), 0);
    EXPECT_EQ(notify::RunScriptSubroutine(nullptr, "Sub", 0), 0);
    double value = 7.0;
    EXPECT_EQ(notify::GetScriptNumericVariable(nullptr, 'A', &value, 0), 0);
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(notify::RunMessageTurn(), 1) << "no message loop: the statement goes on";
    EXPECT_EQ(notify::ShowCalculationDialog(nullptr, nullptr), 0);
    EXPECT_EQ(notify::GetMeasurementDocument(nullptr), nullptr);
    char unit[16] = "s";
    double size = 0.0;
    EXPECT_EQ(notify::ChooseTimeUnits(nullptr, 1.0, unit, 0, &size, 0), 0);
    EXPECT_STREQ(unit, "msec");
    EXPECT_EQ(size, 1.0);
    EXPECT_EQ(notify::HasRecordingSegments(nullptr), 0);
    EXPECT_EQ(notify::OpenPrintProgress(nullptr, nullptr), nullptr);
    EXPECT_EQ(notify::PrintAbortProcedure(), nullptr);
    EXPECT_EQ(notify::PrintAborted(), 0);
    EXPECT_EQ(notify::HelpItemCommand(5), -1);
}

TEST(NotificationTables, AnInstalledEntryAnswersUntilTheTablesAreReset) {
    ResetNotifications();
    g_scriptHostCalls.runMessageTurn = [] { return 0; };
    g_helpCalls.helpItemCommand = [](uint32_t id) { return static_cast<int32_t>(id) + 100; };
    g_measureCalls.chooseTimeUnits = [](const tagGS*, double, char* name, uint32_t, double* size, uint32_t) {
        lstrcpyA(name, "sec");
        *size = 1000.0;
        return 1;
    };
    EXPECT_EQ(notify::RunMessageTurn(), 0);
    EXPECT_EQ(notify::HelpItemCommand(5), 105);
    char unit[16] = "";
    double size = 0.0;
    EXPECT_EQ(notify::ChooseTimeUnits(nullptr, 1.0, unit, 0, &size, 0), 1);
    EXPECT_STREQ(unit, "sec");
    EXPECT_EQ(size, 1000.0);
    // A handler that finds no unit leaves the millisecond.
    g_measureCalls.chooseTimeUnits = [](const tagGS*, double, char*, uint32_t, double*, uint32_t) { return 0; };
    EXPECT_EQ(notify::ChooseTimeUnits(nullptr, 1.0, unit, 0, &size, 0), 0);
    EXPECT_STREQ(unit, "msec");
    EXPECT_EQ(size, 1.0);
    ResetNotifications();
    EXPECT_EQ(notify::RunMessageTurn(), 1);
    EXPECT_EQ(notify::HelpItemCommand(5), -1);
}

}  // namespace

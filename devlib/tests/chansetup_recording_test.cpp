// A recording from the simulated unit follows what the user set in the Setup Channels window:
// which channels it records, the gains the unit is sent, and the labels and units the graph gets.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/chan_setup_rows.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

class SetupThenRecord : public SimulatedRunTest {
protected:
    SetupThenRecord() : SimulatedRunTest("chansetup") {}

    void SetUp() override {
        SimulatedRunTest::SetUp();
        if (HasFatalFailure()) return;
        logFile = folder + "\\packets.log";
        stAcq* acq = Start();
        boxes.reset();  // the tests answer their own dialogs
        ASSERT_EQ(FillBuiltinPresets(&acq->presets), 1);
        SetUpRun(acq, kStorageMemory, 1.0, 300);
    }

    void TearDown() override {
        if (lock) FreePresetStore(&lock->get()->presets);
        SimulatedRunTest::TearDown();
    }

    // The gain codes of every gain command the unit was sent since logging began.
    std::multiset<int> SentGainCodes() const {
        std::multiset<int> codes;
        char prefix[16];
        snprintf(prefix, sizeof prefix, "> 01 %02X ", kCmdInputGain);
        for (const std::string& line : ReadPacketLog(logFile))
            for (size_t at = 0; (at = line.find(prefix, at)) != std::string::npos; at += 1)
                codes.insert(std::stoi(line.substr(at + strlen(prefix), 2), nullptr, 16));
        return codes;
    }

    std::string logFile;
};

TEST_F(SetupThenRecord, TheNextRecordingTakesTheChannelsGainsLabelsAndUnitsSetInTheWindow) {
    // CH1 off, CH2 on at x1000 labelled "Biceps", CH3 from the EMG preset, CH4 left off.
    Click(ChannelRowWindow(kGroupAnalog, 0), IDC_ROW_ACQUIRE);
    HWND ch2 = ChannelRowWindow(kGroupAnalog, 1);
    Click(ch2, IDC_ROW_ACQUIRE);
    Click(ch2, IDC_ROW_PLOT);
    WithDialogs(
        [&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_ICP_GAIN)) return;
            SetDlgItemTextA(dlg, IDC_ICP_LABEL, "Biceps");
            SendDlgItemMessageA(dlg, IDC_ICP_GAIN, CB_SETCURSEL, 3, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ICP_GAIN, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_ICP_GAIN)));
            SendClick(dlg, IDOK);
        },
        [&] { Click(ch2, IDC_ROW_SETUP); });
    {
        AcqView acq(hAcq);
        HWND ch3 = ChannelRowWindow(kGroupAnalog, 2);
        HMENU menu = BuildRowPresetMenu(ch3, acq.get());
        char name[32] = "";
        GetMenuStringA(menu, 3, name, sizeof name, MF_BYPOSITION);
        ASSERT_STREQ(name, "EMG");
        const UINT emg = GetMenuItemID(menu, 3);
        DestroyMenu(menu);
        ApplyRowPresetChoice(ch3, acq.get(), emg);
    }

    ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
    AcqView acq(hAcq);
    ASSERT_EQ(StartAcquisition(acq.get(), 0), 1);
    for (int polls = 0; acq->run.running && polls < 2000; ++polls) {
        AdvanceClock(97);
        CheckAcquisitionStatus(acq.get());
    }
    ASSERT_EQ(acq->run.running, 0);
    EXPECT_EQ(acq->run.analogCount, 2);
    EXPECT_EQ(std::vector<int32_t>(acq->run.chanOrder, acq->run.chanOrder + 2), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(gs->totalSamples, 300);
    EXPECT_STREQ(gs->chanLabel[2], "Biceps");
    EXPECT_STREQ(gs->chanUnits[2], "mV");
    EXPECT_STREQ(gs->chanLabel[3], "EMG");
    EXPECT_STREQ(gs->chanUnits[3], "mV");
    EXPECT_EQ(gs->chanFlags[2] & 1, 1u) << "CH2 is plotted";
    EXPECT_EQ(SentGainCodes(), (std::multiset<int>{GainCodeOf(1000.0), GainCodeOf(2500.0)}))
        << "the recorded channels' gains, nothing for the channels that are off";
}

TEST_F(SetupThenRecord, UpdateHardwareNowSendsTheDialogsSettingsAndCancelStillKeepsTheRecord) {
    const stAcqChan before = [&] {
        AcqView acq(hAcq);
        return acq->chans[0];
    }();
    ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
    WithDialogs(
        [&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_ICP_GAIN)) return;
            SendDlgItemMessageA(dlg, IDC_ICP_GAIN, CB_SETCURSEL, 6, 0);  // x5000
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ICP_GAIN, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_ICP_GAIN)));
            SendClick(dlg, IDC_ICP_UPDATE_HW);
            SendClick(dlg, IDCANCEL);
        },
        [&] { Click(ChannelRowWindow(kGroupAnalog, 0), IDC_ROW_SETUP); });
    EXPECT_EQ(SentGainCodes(), std::multiset<int>{GainCodeOf(5000.0)}) << "sent at once, before any recording";
    AcqView acq(hAcq);
    EXPECT_EQ(memcmp(&acq->chans[0], &before, sizeof before), 0);
}

}  // namespace

// The program as a user starts it with a simulated unit: the driver settings and the unit's
// controls lie under keys of this test's own, named to the program through its environment, so
// nothing else that runs meanwhile meets the unit. The device library's About box shows what
// the program found.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "devlib/resource.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/packet_log.h"
#include "process_util.h"

namespace {

using kymora_test::Process;

constexpr char kSettingsRoot[] = "Software\\NORVANE\\TVX3x\\DriverSettings\\";
constexpr char kSettingsEnv[] = "VK40_DRIVER_SETTINGS_KEY";

// Settings of this test's own that choose the simulated unit at a device name.
class OwnUnit {
public:
    explicit OwnUnit(const char* driverName) {
        const std::string id = std::to_string(GetCurrentProcessId());
        m_settings = std::string(kSettingsRoot) + "ProgramTest" + id;
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr);
        const DWORD type = 3, simulated = 1;
        RegSetValueExA(key, "DriverName", 0, REG_SZ, reinterpret_cast<const BYTE*>(driverName),
                       static_cast<DWORD>(strlen(driverName) + 1));
        RegSetValueExA(key, "DriverType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof type);
        RegSetValueExA(key, "Simulated", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&simulated), sizeof simulated);
        RegCloseKey(key);
        SetEnvironmentVariableA(kSettingsEnv, m_settings.c_str());

        SetEnvironmentVariableA(kSimControlKeyEnv, (std::string(kSimControlKey) + "Tests\\Program" + id).c_str());
        SimControlClear();
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        log = std::string(temp) + "kymora_unit_" + id + ".log";
        DeleteFileA(log.c_str());
        SimControlSetString(kSimLogFile, log.c_str());
    }
    ~OwnUnit() {
        SimControlClear();
        DeleteFileA(log.c_str());
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, m_settings.c_str(), KEY_WOW64_64KEY, 0);
        SetEnvironmentVariableA(kSettingsEnv, nullptr);
        SetEnvironmentVariableA(kSimControlKeyEnv, nullptr);
    }
    std::string log;

private:
    std::string m_settings;
};

TEST(ProgramWithSimulatedUnit, FindsTheUnitAtStartUpAndShowsItInTheDeviceAbout) {
    struct {
        const char* driverName;
        const char* first;  // the About box's unit information begins with it
    } cases[] = {
        {"VKUSB", "Model VK40 acquisition unit, serial 40-000417\r\n"},
        {"VKUSB45", "Model VK45 acquisition unit, serial 45-000212\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driverName);
        OwnUnit unit(c.driverName);
        Process p;
        ASSERT_TRUE(p.started);
        HWND frame = p.Frame();
        ASSERT_TRUE(frame);
        PostMessageA(frame, WM_COMMAND, IDM_ABOUT, 0);
        HWND about = p.Window("#32770");
        ASSERT_TRUE(about);
        char info[512] = "";
        GetDlgItemTextA(about, IDC_ABOUT_INFO, info, sizeof info);
        EXPECT_EQ(std::string(info).substr(0, strlen(c.first)), c.first);
        PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
        for (int tries = 0; tries < 600 && IsWindow(about); ++tries) Sleep(50);
        EXPECT_FALSE(IsWindow(about));
        PostMessageA(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.Wait(30000), 0);

        // Start-up opened the unit the settings name and sent the stop command first.
        const std::vector<std::string> log = vk40test::ReadPacketLog(unit.log);
        ASSERT_GE(log.size(), 6u);
        EXPECT_EQ(log[0], std::string("open \\\\.\\") + c.driverName);
        EXPECT_EQ(log[4], "> 01 12 ED");
        EXPECT_EQ(log[5], "< 01 06 F9");
    }
}

// How many lines of the log begin with the given text.
size_t CountLines(const std::vector<std::string>& log, const std::string& start) {
    size_t n = 0;
    for (const std::string& line : log) n += line.rfind(start, 0) == 0;
    return n;
}

// The unit's log from the first line beginning with `from` on (all of it for an empty from).
std::vector<std::string> LinesFrom(const std::string& file, const std::string& from) {
    std::vector<std::string> log = vk40test::ReadPacketLog(file);
    for (auto it = log.begin(); !from.empty() && it != log.end(); ++it)
        if (it->rfind(from, 0) == 0) return std::vector<std::string>(it, log.end());
    return from.empty() ? log : std::vector<std::string>{};
}

// Waits (up to a minute) until the log from `from` on holds more than `than` lines beginning
// with start, or any line beginning with orStart when given.
bool WaitForLines(const std::string& file, const std::string& from, const std::string& start, size_t than = 0,
                  const char* orStart = nullptr) {
    for (int tries = 0; tries < 1200; ++tries) {
        const std::vector<std::string> log = LinesFrom(file, from);
        if (CountLines(log, start) > than || (orStart && CountLines(log, orStart) > 0)) return true;
        Sleep(50);
    }
    return false;
}

// The README's run command, then Start on the first graph: the start-up lesson's unit check has
// set the unit up, so the button starts a recording, and the unit's frames are read until the
// run's length is reached and the unit is stopped. The unit's clock is the test's: it moves a
// second at a time, each second read before the next.
TEST(ProgramWithSimulatedUnit, StartOnTheFirstGraphRecordsFromTheUnitToTheRunsEnd) {
    OwnUnit unit("VKUSB");
    uint64_t clockUs = 1000000;
    ASSERT_TRUE(SimControlSetDword(kSimVirtualClock, 1));
    ASSERT_TRUE(SimControlSetQword(kSimClockUs, clockUs));
    Process p;
    ASSERT_TRUE(p.started);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    // The unit's own set-up (run mode, calibration) also starts and stops it: the run is what
    // follows the start command with 1.
    const std::string runMode = "> 01 3A 02", start = "> 01 40 01 ", stop = "> 01 40 00 ";
    const std::string newBytes = "> 01 11 ", ringRead = "> 01 13 ";
    ASSERT_TRUE(WaitForLines(unit.log, "", runMode)) << "the idle step set the unit up";
    HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    HWND graph = client ? FindWindowExA(client, nullptr, "acqchild", nullptr) : nullptr;
    ASSERT_TRUE(graph);
    HWND button = GetDlgItem(graph, IDC_START_BUTTON);
    ASSERT_TRUE(button);
    PostMessageA(graph, WM_COMMAND, MAKEWPARAM(IDC_START_BUTTON, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    ASSERT_TRUE(WaitForLines(unit.log, "", start)) << "the button started a run";
    bool stopped = false;
    for (int second = 0; second < 600 && !stopped; ++second) {
        const size_t polls = CountLines(LinesFrom(unit.log, start), newBytes);
        clockUs += 1000000;
        ASSERT_TRUE(SimControlSetQword(kSimClockUs, clockUs));
        // A poll after the step took what the second brought, or the run has ended meanwhile.
        ASSERT_TRUE(WaitForLines(unit.log, start, newBytes, polls, stop.c_str()));
        stopped = CountLines(LinesFrom(unit.log, start), stop) > 0;
    }
    EXPECT_TRUE(stopped) << "the run reached its length";
    // The ring reads asked for the run's 6,000 frames of the set-up a new graph has, no more and
    // no fewer: each request's length is its third and fourth data byte.
    uint32_t requested = 0;
    for (const std::string& line : LinesFrom(unit.log, start)) {
        if (line.rfind(stop, 0) == 0) break;
        if (line.rfind(ringRead, 0) != 0) continue;
        unsigned high = 0, low = 0, lengthHigh = 0, lengthLow = 0;
        ASSERT_EQ(sscanf(line.c_str() + ringRead.size(), "%x %x %x %x", &high, &low, &lengthHigh, &lengthLow), 4)
            << line;
        requested += lengthHigh * 256 + lengthLow;
    }
    ASSERT_GT(requested, 0u);
    EXPECT_EQ(requested % 6000, 0u) << requested;
    EXPECT_LE(requested / 6000, 10u) << "at most four analog words and the digital word a frame";
    EXPECT_FALSE(p.Box("", 50)) << "no message: no fault, no overflow";
}

}  // namespace

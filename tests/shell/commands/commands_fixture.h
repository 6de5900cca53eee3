// The program brought up in-process for command and menu tests, with a recording device library.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "../shell_fixture.h"
#include "common/binding.h"

struct tagGS;

// One call of the device library's command operation.
struct DeviceCall {
    int32_t id;
    HWND window;
    const char* text;
    int32_t code;
};

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends a command as a menu click does.
    static void Command(UINT id, UINT code = 0, HWND control = nullptr);
    // Opens the frame menu's state for reading, as opening the menu would.
    static void InitMenu();
    static HMENU Menu();
    static bool Grayed(UINT id);
    static bool Checked(UINT id);
    static std::string Label(UINT id);
    static tagGS* Graph();
    static int GraphWindowCount();
    // Makes a slot hold a shown channel.
    static void ShowChannel(tagGS* gs, int slot);
    // Makes a slot a shown channel of doubles holding the values, its old block freed; the
    // sample interval and the graph's length are the caller's to set.
    static void FillDoubles(tagGS* gs, int slot, const std::vector<double>& values);
    // The samples of a slot, read as the program reads them.
    static std::vector<double> Values(tagGS* gs, int slot = 0);
    // The Edit menu's Undo entry as the user sees it on opening the menu.
    static std::string UndoLabel();
    // What keeps a graph that a command just made from being the one the user looks at: shown,
    // the active MDI child and the frame's active graph, with the Start button on it and no
    // longer on the graph the command came from. Empty when nothing does.
    static std::string NewGraphProblems(HWND made, HWND source);
    // Transform > Low Pass Filter answered as a user does: 100 Hz, 101 taps, the response graph
    // asked for and the channel left as it is. Returns how many times the dialog came up.
    static int LowPassResponseOnly();

public:
    static std::vector<DeviceCall> s_deviceCalls;

private:
    stDriverOps m_savedOps{};
};

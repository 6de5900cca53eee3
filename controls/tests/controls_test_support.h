// Test support for the controls tests: the application record, and the measurement box that a
// popup button reaches through the notification tables, as fakes that record their calls; plus
// helper windows and files.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct stMeasure;
struct tagGS;

namespace testsupport {

constexpr COLORREF kFaceColor = RGB(0xC0, 0xC8, 0xD0);
constexpr int kMenuResourceId = 300;  // controls_test.rc

// What the fakes saw, and what they answer.
struct FakeLog {
    int calcResult = 0;
    std::vector<std::pair<stMeasure*, HWND>> calcCalls;
    std::vector<stMeasure*> formatCalls;
    std::vector<tagGS*> captionCalls;
    tagGS* document = nullptr;  // what GetMeasurementDocument answers
};
FakeLog& Fakes();
// Clears the log, leaves the fakes alone in the notification tables, allows every script
// permission and forgets the lesson folder.
void ResetFakes();

// A zeroed tagGS on the heap, freed at the end of the process.
tagGS* NewDocument();

// A shown top-level window of the calling thread that records the WM_COMMANDs it receives.
class TestParent {
public:
    TestParent(int width = 400, int height = 200);
    ~TestParent();
    TestParent(const TestParent&) = delete;
    TestParent& operator=(const TestParent&) = delete;
    HWND hwnd() const { return m_hwnd; }
    const std::vector<MSG>& Commands() const;

private:
    HWND m_hwnd;
};

// Dispatches everything queued for this thread; returns when the queue is empty.
void PumpMessages();

// A fresh folder under the temporary folder, removed with everything in it at destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }
    std::string Sub(const std::string& relative) const { return m_path + "\\" + relative; }
    bool MakeDirs(const std::string& relative) const;
    bool WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const;

private:
    std::string m_path;
};

std::string CurrentDirectory();

}  // namespace testsupport

// Shared helpers of the device library's tests: a frame window with the device menu's check
// items, a host callback table of recording fakes, and a bound library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "common/binding.h"
#include "devlib/resource.h"
#include "common/stAcq.h"
#include "common/tagGS.h"

namespace vk40test {

// A top-level window whose menu bar carries the device menu's check items, unchecked.
HWND CreateFrameWithMenu();
bool IsMenuItemChecked(HWND frame, UINT id);

// A plain visible window owned by the frame, standing for one of the library's panels.
HWND CreatePanelWindow(HWND owner);

// A window with the given child drop-down lists, standing for one of the library's dialogs.
HWND MakePanelWithCombos(std::initializer_list<int> ids);
// A list's items joined with "|".
std::string ComboItems(HWND panel, int id);

// What the library passed to host entry 31.
struct stScriptCall {
    void* script;
    std::string name;
    int32_t flags;
};

struct stHostRecorder {
    std::vector<stScriptCall> scriptCalls;
    int unexpectedCalls = 0;
};
stHostRecorder& Recorder();

// Every function entry set (31 records, the others count as unexpected), entry 33 the script.
stHostCallbacks MakeRecordingHost(void* scriptObject);

// The raw entries of a table, for comparing them as a whole.
template <typename Table>
std::vector<void*> Slots(const Table& table)
{
    std::vector<void*> slots(sizeof(Table) / sizeof(void*));
    memcpy(slots.data(), &table, sizeof(Table));
    return slots;
}

// A zeroed graph document, as the program's new graphs start.
std::unique_ptr<tagGS> MakeGraph();

// Locks the record for a test's inspection.
class AcqView {
public:
    explicit AcqView(HGLOBAL h) : m_lock(h) {}
    stAcq* operator->() const { return m_lock.get(); }
    stAcq* get() const { return m_lock.get(); }

private:
    AcqLock m_lock;
};

}  // namespace vk40test

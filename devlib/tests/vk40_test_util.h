// Shared helpers of the device library's tests: a frame window with the device menu's check
// items, a host callback table of recording fakes, and a bound library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "common/binding.h"
#include "devlib/resource.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"

namespace vk40test {

// A top-level window whose menu bar carries the device menu's check items, unchecked.
HWND CreateFrameWithMenu();
// Driver settings under HKLM keyPath that choose the simulated unit of that driver name and
// transport (3 USB, 1 ISA, 2 PC card); false when the key cannot be made.
bool WriteSimulatedUnitSettings(const std::string& keyPath, const char* driverName, uint32_t transport = 3);
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
std::vector<void*> Slots(const Table& table) {
    std::vector<void*> slots(sizeof(Table) / sizeof(void*));
    memcpy(slots.data(), &table, sizeof(Table));
    return slots;
}

// A zeroed graph document, as the program's new graphs start.
std::unique_ptr<tagGS> MakeGraph();

// Records every message box shown on this thread and answers it, with OK unless told otherwise.
// Only message boxes are taken (a dialog with the box's text control), so the library's own
// dialogs stay up.
class CBoxCapture {
public:
    struct stBox {
        std::string caption, text;
    };
    CBoxCapture();
    ~CBoxCapture();
    CBoxCapture(const CBoxCapture&) = delete;
    CBoxCapture& operator=(const CBoxCapture&) = delete;
    std::vector<stBox> boxes;
    std::vector<HWND> seen;  // a box activated twice is still one box
    int answer = IDOK;       // the button every box is answered with
};

// A keyed text replaced for one test as a lesson replaces it (its SET ErrorPromptText word calls
// setMsgBoxText), and put back after.
class CReplacedText {
public:
    CReplacedText(const char* key, const char* text) : m_key(key) {
        const char* old = getMsgBoxText(key);
        m_old = old ? old : key;
        replaced = setMsgBoxText(key, text) != 0;
    }
    ~CReplacedText() { setMsgBoxText(m_key, m_old.c_str()); }
    CReplacedText(const CReplacedText&) = delete;
    CReplacedText& operator=(const CReplacedText&) = delete;
    bool replaced = false;

private:
    const char* m_key;
    std::string m_old;
};

// A visible dialog of this thread that has a control with the given id, or null.
HWND FindThreadDialog(int controlId);

// Runs steps on a modal dialog from inside its own message loop: a thread timer looks for the
// dialog (a dialog of this thread with the control) and calls steps once with it. Steps that
// leave the dialog up get it cancelled, and leftOpen says so.
class CModalDriver {
public:
    CModalDriver(int controlId, std::function<void(HWND)> steps);
    ~CModalDriver();
    CModalDriver(const CModalDriver&) = delete;
    CModalDriver& operator=(const CModalDriver&) = delete;
    bool ran = false;
    bool leftOpen = false;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    int m_controlId;
    std::function<void(HWND)> m_steps;
    UINT_PTR m_timer = 0;
};

// A control's text, and a click as the mouse gives it.
std::string ControlText(HWND dlg, int id);
void Click(HWND dlg, int id);

// A value under a registry key that a test sets and removes again.
class RegValue {
public:
    RegValue(HKEY root, const char* keyPath, const char* name) : m_name(name) {
        RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &m_key, nullptr);
        Remove();
    }
    ~RegValue() {
        Remove();
        if (m_key) RegCloseKey(m_key);
    }
    RegValue(const RegValue&) = delete;
    RegValue& operator=(const RegValue&) = delete;

    bool SetDword(uint32_t value) {
        const DWORD v = value;
        return RegSetValueExA(m_key, m_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) ==
               ERROR_SUCCESS;
    }
    bool SetString(const char* text) {
        return RegSetValueExA(m_key, m_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
    }
    void Remove() {
        if (m_key) RegDeleteValueA(m_key, m_name);
    }

private:
    HKEY m_key = nullptr;
    const char* m_name;
};

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

// The lesson words that query the system and the program's settings, change entries of the frame
// menu, end the program, and hand "VK40", "LNX2W" and "PlayBack" statements to the device library.
#include "scripts/words/word_fields.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "base/system_queries.h"
#include "devlib/vk40.h"
#include <climits>
#include <cstring>

namespace {

constexpr int kPrefStringChars = 63;  // 62 characters and the end
constexpr int kMenuRename = 2;
constexpr int kMenuRemove = 3;

// The result variable named next on the line, written when there is one; a name that is no
// numeric variable fails the statement.
int16_t AssignNextVariable(stScriptCall& call, CWordFields& fields, double value) {
    char var[kScriptWordChars];
    if (!fields.Word(var)) return kScriptGoOn;
    if (!IsNumericVariableName(var)) return kScriptStop;
    AssignScriptNumericVariable(call.frame, var, value);
    return kScriptGoOn;
}

// The program's memory figure as a 32-bit signed figure (large memories saturate).
int32_t FreeMemoryFigure() {
    const double figure = GetFreeMemory();
    return figure >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(figure);
}

// Free bytes of the drive that holds the program folder; 0 when it cannot be read.
double FreeDiskOfProgramFolder() {
    char root[MAX_PATH] = "";
    lstrcpynA(root, g_app->szAppFolder, sizeof root);
    if (root[0] && root[1] == ':') lstrcpyA(root + 2, "\\");
    return GetFreeDiskSpace(root[0] ? root : nullptr);
}

// Hands a VK40 or LNX2W statement to the device library's script-line operation.
int16_t RunDeviceScriptLine(stScriptCall& call) {
    stScriptStatement statement{call.line, g_script.variables, call.frame, g_script.graph};
    const int32_t result = DeviceExecScriptLine(&statement);
    if (result == 0) return kScriptStop;
    return static_cast<int16_t>(result);
}

// GETVID, GETPID, GETDID: one field of the adapter's vendor information, 0 when unreadable.
int16_t AssignVendorField(stScriptCall& call, int field) {
    _LNX200_VENDOR_INFO info{};
    double value = 0.0;
    if (GetVendorInfo(&info)) value = field == 0 ? info.vendorId : field == 1 ? info.productId : info.deviceId;
    CWordFields fields(call.rest);
    return AssignNextVariable(call, fields, value);
}

}  // namespace

// BEEP: the system's default beep.
int16_t ScriptWordBeep(stScriptCall&) {
    MessageBeep(MB_OK);
    return kScriptGoOn;
}

// APPEXIT: the frame is asked to close, under its own closing rules.
int16_t ScriptWordAppExit(stScriptCall&) {
    if (g_app->hwndFrame) SendMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
    return kScriptGoOn;
}

int16_t ScriptWordGetFreeMemory(stScriptCall& call) {
    CWordFields fields(call.rest);
    return AssignNextVariable(call, fields, FreeMemoryFigure());
}

int16_t ScriptWordGetFreeDisk(stScriptCall& call) {
    CWordFields fields(call.rest);
    return AssignNextVariable(call, fields, FreeDiskOfProgramFolder());
}

// GETPREFSTRING section, key, var: a key of the Windows profile into A$..Z$ ("60Hz" when absent).
int16_t ScriptWordGetPrefString(stScriptCall& call) {
    CWordFields fields(call.rest);
    char section[kScriptWordChars], key[kScriptWordChars], var[kScriptWordChars];
    fields.Text(section);
    fields.Text(key);
    if (!fields.Word(var)) return kScriptStop;
    // The application string variable of a capital: "C" or "C$".
    const bool letter = var[0] >= 'A' && var[0] <= 'Z' && (!var[1] || (var[1] == '$' && !var[2]));
    if (!letter || CWordFields::Bad()) return kScriptStop;
    char value[kPrefStringChars] = "";
    GetProfileStringA(section, key, "60Hz", value, sizeof value);
    AssignScriptStringVariable(var[0] - 'A', value, 0);
    return kScriptGoOn;
}

// GETPREFNUMBER section, key, var: the mains frequency or the language; other keys change nothing.
int16_t ScriptWordGetPrefNumber(stScriptCall& call) {
    CWordFields fields(call.rest);
    char section[kScriptWordChars], key[kScriptWordChars], var[kScriptWordChars];
    fields.Text(section);
    fields.Text(key);
    if (!fields.Word(var)) return CWordFields::Bad() ? kScriptStop : kScriptGoOn;
    if (CWordFields::Bad() || !IsNumericVariableName(var)) return kScriptStop;
    if (std::strcmp(key, "LineFrequency") == 0)
        AssignScriptNumericVariable(call.frame, var, GetLineFrequencyHz());
    else if (std::strcmp(key, "Language") == 0)
        AssignScriptNumericVariable(call.frame, var, 0.0);
    return kScriptGoOn;
}

int16_t ScriptWordGetVid(stScriptCall& call) { return AssignVendorField(call, 0); }
int16_t ScriptWordGetPid(stScriptCall& call) { return AssignVendorField(call, 1); }
int16_t ScriptWordGetDid(stScriptCall& call) { return AssignVendorField(call, 2); }

// REMOVEMENU id: the frame menu entry the lesson's menu id names goes.
int16_t ScriptWordRemoveMenu(stScriptCall& call) {
    CWordFields fields(call.rest);
    const auto id = static_cast<uint32_t>(static_cast<int32_t>(fields.Number()));
    if (CWordFields::Bad()) return kScriptStop;
    ApplyScriptMenuChange(id, "", kMenuRemove);
    return kScriptGoOn;
}

// CHANGEMENU id, text: the entry is renamed and the text kept as its key in the library's table.
int16_t ScriptWordChangeMenu(stScriptCall& call) {
    CWordFields fields(call.rest);
    const auto id = static_cast<int32_t>(fields.Number());
    char text[kScriptWordChars];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    ApplyScriptMenuChange(static_cast<uint32_t>(id), text, kMenuRename);
    SetMenuStrKey(static_cast<uint32_t>(id), text);
    return kScriptGoOn;
}

// CHANGEPOPUPMENU id, text 1, text 2: the two texts recorded for the entry in the library's table.
int16_t ScriptWordChangePopupMenu(stScriptCall& call) {
    CWordFields fields(call.rest);
    const auto id = static_cast<int32_t>(fields.Number());
    char text1[kScriptWordChars], text2[kScriptWordChars];
    fields.Text(text1);
    fields.Text(text2);
    if (CWordFields::Bad()) return kScriptStop;
    SetMenuItem(static_cast<uint32_t>(id), text1, text2);
    return kScriptGoOn;
}

// VK40 ...: the unit's statement; the toolbar follows what it changed in the current document.
int16_t ScriptWordVk40(stScriptCall& call) {
    const int16_t result = RunDeviceScriptLine(call);
    notify::UpdateGraphToolbar();
    return result;
}

// LNX2W ...: the adapter's statement.
int16_t ScriptWordLnx2w(stScriptCall& call) { return RunDeviceScriptLine(call); }

// PlayBack ...: a stored text file stands in for the unit while a named graph records.
int16_t ScriptWordPlayBack(stScriptCall& call) { return ExecPlayBackMacro(call.line) ? kScriptGoOn : kScriptStop; }

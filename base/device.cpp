// The device binding: the record and every call that goes through it.
#include "base/device.h"
#include "base/app.h"

namespace {
stDeviceBinding g_device{};

// The unit record the operations take; null without the application record.
HGLOBAL Acq() { return g_app ? g_app->hAcq : nullptr; }
}  // namespace

void DeviceSetHostCallbacks(const stHostCallbacks& table) { g_device.hostCallbacks = table; }

int DeviceBind(const char* fileName, HWND frame) {
    g_device.hLib = LoadLibraryA(fileName);
    if (!g_device.hLib) return 0;
    auto init =
        reinterpret_cast<drvop::Initialize>(reinterpret_cast<void*>(GetProcAddress(g_device.hLib, "vk40_Initialize")));
    g_device.driverOps.initialize = init;
    int result = 0;
    if (init) {
        result =
            DrvInitialize(&g_device.driverOps, frame, &g_device.hostCallbacks, &g_app->strips.cxStatusStrip, &g_app->hAcq, 1);
    } else {
        FreeLibrary(g_device.hLib);
        g_device.hLib = nullptr;
    }
    g_device.pfnSetupUnitsDlg = g_device.hLib ? reinterpret_cast<SetupUnitsDlgProc>(reinterpret_cast<void*>(
                                                    GetProcAddress(g_device.hLib, "VK40SetupUnitsDlg")))
                                              : nullptr;
    return result;
}

void DeviceUnbind() {
    if (!g_device.hLib) return;
    DrvShutdown(&g_device.driverOps);
    FreeLibrary(g_device.hLib);
    g_device.hLib = nullptr;
    g_device.pfnSetupUnitsDlg = nullptr;
    // The record and the entry points are gone with the library: nothing may reach them later.
    if (g_app) g_app->hAcq = nullptr;
    g_device.driverOps = stDriverOps{};
}

void DeviceClearBinding() { g_device = stDeviceBinding{}; }

HMODULE DeviceModule() { return g_device.hLib; }

int32_t DeviceCommand(HWND window, int32_t id, const char* text, int32_t index) {
    return DrvCommand(&g_device.driverOps, Acq(), window, id, text, index);
}

int DeviceSetupUnits(HWND parent, int slot) {
    return g_device.pfnSetupUnitsDlg ? g_device.pfnSetupUnitsDlg(parent, Acq(), static_cast<unsigned>(slot)) : 0;
}

int32_t DeviceIdle(HWND activeGraph) { return Acq() ? DrvIdle(&g_device.driverOps, Acq(), activeGraph) : 0; }

int32_t DeviceGraphCreated(HWND window, tagGS* gs, int16_t mode, int32_t clear) {
    return Acq() ? DrvGraphCreated(&g_device.driverOps, Acq(), window, gs, mode, clear) : 0;
}

int32_t DeviceGraphActivated(tagGS* gs, int32_t keepStimulator) {
    return Acq() ? DrvGraphActivated(&g_device.driverOps, Acq(), gs, keepStimulator) : 0;
}

int32_t DeviceGraphResized(tagGS* gs) { return Acq() ? DrvGraphResized(&g_device.driverOps, Acq(), gs) : 0; }

int32_t DeviceGraphClosed() { return Acq() ? DrvGraphClosed(&g_device.driverOps, Acq()) : 0; }

int32_t DevicePaintGraphStatus(tagGS* gs) { return Acq() ? DrvPaintGraphStatus(&g_device.driverOps, Acq(), gs) : 0; }

int32_t DeviceRefreshInputValues() { return Acq() ? DrvRefreshInputValues(&g_device.driverOps, Acq()) : 0; }

int32_t DeviceStoreSetupInGraph(tagGS* gs) { return Acq() ? DrvStoreSetupInGraph(&g_device.driverOps, Acq(), gs) : 0; }

int32_t DeviceWriteFile() { return Acq() ? DrvWriteFile(&g_device.driverOps) : 0; }

int32_t DeviceExecScriptLine(stScriptStatement* statement) {
    return Acq() ? DrvExecScriptLine(&g_device.driverOps, Acq(), statement) : 0;
}

int32_t DeviceAppendMenu(HWND frame) { return Acq() ? DrvAppendMenu(&g_device.driverOps, frame) : 0; }

void DeviceHidePanels() {
    if (Acq()) DrvHidePanels(&g_device.driverOps, Acq());
}

void DeviceHideGraphButton() {
    if (Acq()) DrvHideGraphButton(&g_device.driverOps, Acq());
}

int32_t DeviceSysColorChange() { return Acq() ? DrvSysColorChange(&g_device.driverOps) : 0; }

bool DeviceHasSampleStore() { return g_device.hostCallbacks.getChannelSample != nullptr; }

int32_t DeviceGetChannelSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    return HostGetChannelSample(&g_device.hostCallbacks, gs, index, slot, out);
}

int32_t DeviceGraphChanged(tagGS* gs) { return HostOnGraphChanged(&g_device.hostCallbacks, gs, 0, 0, 0); }

void* DeviceSetActiveModelessDialog(HWND dlg) { return HostSetActiveModelessDialog(&g_device.hostCallbacks, dlg); }

stDeviceBinding& DeviceBindingForTests() { return g_device; }

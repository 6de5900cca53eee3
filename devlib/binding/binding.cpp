// The binding to the program: the library's entry point, vk40_Initialize, and the small
// library-wide settings and switches around them.
#include "devlib/binding/binding.h"

#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/acquisition/setup/trigger.h"
#include "common/stAcq.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/math_err.h"
#include "devlib/acquisition/outputs/manual_control.h"
#include "devlib/acquisition/outputs/stim_panel.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/electrode_check.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/services/reg_key.h"
#include "devlib/vk40.h"
#include "common/tagGS.h"

#include <cstring>

namespace {

// Any mode but 4 (the channel's own colour): live drawing keeps the pen its context holds.
constexpr int16_t kInitialDrawColorMode = 8;

// The entries the library owns; the program keeps entry 0 and every other one is left alone.
void FillDriverOps(stDriverOps* ops) {
    ops->onIdleAcquisition = OnIdleAcquisition;
    ops->onDriverCommand = OnDriverCommand;
    ops->onGraphCreated = OnGraphCreated;
    ops->storeSetupInGraph = StoreSetupInGraph;
    ops->refreshInputValues = RefreshInputValues;
    ops->shutdownDriver = ShutdownDriver;
    ops->paintGraphStatus = PaintGraphStatus;
    ops->onGraphResized = OnGraphResized;
    ops->onGraphActivated = OnGraphActivated;
    ops->onGraphClosed = OnGraphClosed;
    ops->onSysColorChange = OnSysColorChange;
    ops->execDriverScriptLine = ExecDriverScriptLine;
    ops->appendDriverMenu = AppendDriverMenu;
    ops->hideDriverPanels = HideDriverPanels;
    ops->setDriverValue = SetDriverValue;
    ops->hideGraphButton = HideGraphButton;
    ops->onWriteFile = OnWriteFile;
}

// The modeless panels, each owned by the frame when it is made: here every panel's state is
// readied as its making would, and each window is made the first time it is needed.
void PreparePanels(HWND frame, HGLOBAL hAcq, stAcq* acq) {
    SetTriggerDefaults(acq);
    PrepareElectrodeChecker(hAcq);
    PrepareAcquisitionSetup(hAcq);
    PrepareInputValues(hAcq);
    PrepareManualControl(hAcq);
    InitAcquisitionState(frame, acq);
    PrepareChannelSetup(hAcq, 0);
    PrepareStimulatorPanel(hAcq);
}

// The acquisition settings of a new record: a 6,000-frame recording into memory at 5 ms a
// frame, appended to the graph's data, and "UNTI" numbered files when autosaving.
void SetCreationSettings(stAcq* acq) {
    acq->storageKind = kStorageMemory;
    acq->samplePeriodMs = 5.0;
    acq->acqLength = 6000;
    acq->dataMode = kDataAppend;
    acq->repeatMode = kRepeatOnce;
    acq->restartCount = 1;
    acq->restartInterval = 0;
    acq->settingOne = 1.0;
    acq->settingTwo = 2;
    acq->autosaveEnable = 1;
    memcpy(acq->autosaveName, "UNTI", 5);
    acq->autosaveNumber = 0;
}

// Everything that needs the record locked. A missing unit does not stop the library: it reports
// the unit as missing later, when a recording is asked for.
int32_t InitializeRecord(HWND frame, HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return 0;
    acq->drawColorMode = kInitialDrawColorMode;
    acq->warnOnOverwrite = 1;
    SetCreationSettings(acq.get());

    GetOsKind();
    UseDriverSettingsKeyFromEnvironment();
    GetDriverName(g_lib.driverPath, &g_lib.driverType);
    ChooseUnitTransport(g_unitLink, nullptr);
    g_unitLink.Open(g_lib.driverPath, g_lib.driverType);
    g_unitLink.SetCommand(kCmdStop, 0, nullptr);
    // The scaling dialog's "Cal" buttons read the inputs through the link.
    SetAnalogInputReader(ReadInputVoltsForScaling);

    LoadPresetsFile(acq.get());
    PreparePanels(frame, hAcq, acq.get());
    SetFocus(frame);
    return 1;
}

}  // namespace

// Keeps the module instance for the library's resources; the process's math-error hook is the
// library's while it is loaded.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    g_lib.instance = instance;
    if (reason == DLL_PROCESS_ATTACH)
        InstallMathErrorHandler();
    else if (reason == DLL_PROCESS_DETACH)
        RemoveMathErrorHandler();
    return TRUE;
}

// Binds the library to the program: copies its callbacks, fills the operation table and
// allocates the acquisition record. 1 on success, 0 when the record cannot be had.
int32_t WINAPI vk40_Initialize(HWND frame, stHostCallbacks* host, stDriverOps* ops, int32_t* level, HGLOBAL* acq,
                               int32_t) {
    g_lib.hostFrame = frame;
    if (g_lib.faceBrush) DeleteObject(g_lib.faceBrush);
    g_lib.faceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));

    if (host)
        memcpy(&g_lib.host, host, sizeof(g_lib.host));
    else
        memset(&g_lib.host, 0, sizeof(g_lib.host));
    if (ops) FillDriverOps(ops);
    if (level) *level = kGraphStatusWidth;

    int32_t result = 0;
    HGLOBAL hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
    if (acq) *acq = hAcq;
    if (hAcq) {
        g_lib.hAcq = hAcq;
        result = InitializeRecord(frame, hAcq);
    }

    g_lib.filterDelayMs = GetFilterDelayMs();
    return result;
}

// Lesson scripts turn on the "unit not found" question.
void SetReadStatusEnable(int32_t enable) { g_lib.readStatusEnable = enable; }
int32_t GetReadStatusEnable() { return g_lib.readStatusEnable; }

int32_t IsSetupBlockSound(const void* block, uint32_t size) {
    return SetupBlockIsSound(static_cast<const uint8_t*>(block), size) ? 1 : 0;
}

// Marks a graph changed (1) or clean (0); answers the value stored.
int32_t setDirtyGraphFlag(tagGS* gs, int32_t modified) {
    if (!gs) return 0;
    gs->modified = static_cast<uint32_t>(modified);
    return modified;
}

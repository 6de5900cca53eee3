// Placeholder of the library's panels and dialogs, which are not built: each creator answers no
// window, and showing, repainting or running one does nothing. The binding treats them as it
// treats a panel that failed to come up.
#include "devlib/services/panels.h"

#include "common/stAcq.h"
#include "devlib/acquisition/channels.h"
#include "devlib/vk40.h"

HWND CreateTriggerSetup(HWND, HGLOBAL) { return nullptr; }

HWND CreateAcquisitionSetup(HWND, HGLOBAL) { return nullptr; }

HWND CreateManualControl(HWND, HGLOBAL) { return nullptr; }

// The channel records get their start-up contents here; the Setup Channels window itself is not
// built yet.
HWND CreateChannelSetup(HWND, HGLOBAL hAcq, int32_t writePresets) {
    AcqLock acq(hAcq);
    if (acq) SetChannelDefaults(acq.get(), NDChan, writePresets);
    return nullptr;
}

HWND CreateStimulatorPanel(HWND, HGLOBAL) { return nullptr; }

void ShowChannelSetup(HGLOBAL) {}
void ShowAcquisitionSetup(HGLOBAL) {}
void ShowManualControl(HGLOBAL) {}
void ShowTriggerSetup(HGLOBAL) {}
void ShowStimulatorPanel(HGLOBAL) {}


int32_t ShowPresetOrganizer(HWND, stAcq*) { return 0; }

// Re-labels the library's open windows from the keyed tables, as after a change of language.
#include "devlib/vk40.h"

#include <windows.h>

#include "devlib/resource.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/setup/trigger.h"
#include "common/stAcq.h"
#include "devlib/binding/binding.h"
#include "devlib/acquisition/setup/electrode_check.h"
#include "devlib/acquisition/setup/input_values.h"

namespace {

// The lists are refilled from the keyed texts, then the selections from the record.
void TranslateAcquisitionSetup(HWND dlg, stAcq* acq) {
    FillAcquisitionSetupLists(dlg);
    HandleTheDialog(dlg, IDD_ACQUISITION_SETUP);
    RefreshAcquisitionSetup(dlg, acq);
}

void TranslateTriggerSetup(HWND dlg, stAcq* acq) {
    FillTriggerSetupLists(dlg);
    HandleTheDialog(dlg, IDD_TRIGGER_SETUP);
    FillTriggerSetup(dlg, acq);
}

}  // namespace

void TranslateDLLWindows() {
    AcqLock acq(g_lib.hAcq);
    if (!acq) return;
    TranslateChannelSetup(acq->hwndChannelSetup, acq.get());
    if (IsWindow(acq->hwndAcqSetup)) TranslateAcquisitionSetup(acq->hwndAcqSetup, acq.get());
    if (IsWindow(acq->hwndTrigger)) TranslateTriggerSetup(acq->hwndTrigger, acq.get());
    if (IsWindow(acq->run.hwndInputValues)) {
        HandleTheDialog(acq->run.hwndInputValues, IDD_INPUT_VALUES);
        RelayoutInputValues(acq.get());  // the font and the columns follow the new texts
    }
    if (IsWindow(acq->hwndElectrodeCheck)) {
        HandleTheDialog(acq->hwndElectrodeCheck, IsVK40() ? IDD_ELECTRODE_CHECK_VK40 : IDD_ELECTRODE_CHECK);
        RetitleElectrodeChecker(acq->hwndElectrodeCheck);  // its title tells whether a reading came
    }
}

// Re-placing and refilling the set-up panels when another graph's set-up is taken up.
#include "devlib/acquisition/setup/panel_places.h"

#include <windows.h>

#include "common/stAcq.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/services/popup_place.h"

namespace {

bool Placed(const RECT& r) { return r.left || r.top || r.right || r.bottom; }

// A run below reaches the panels through its hooks, filled in as the library is loaded.
[[maybe_unused]] const bool g_runPanelsFilled = [] {
    g_runPanels = {RepaintInputValues, RelayoutInputValues, RefreshSetupPanels};
    return true;
}();

}  // namespace

void PlaceSetupPanels(stAcq* acq) { PlaceSetupPanel(acq, nullptr); }

void PlaceSetupPanel(stAcq* acq, HWND only) {
    if (!acq) return;
    auto chosen = [only](HWND w) { return w && IsWindow(w) && (!only || w == only); };
    // These two keep their places in the frame's client coordinates.
    const struct {
        HWND window;
        RECT* place;
    } owned[] = {{acq->hwndAcqSetup, &acq->acqSetupPlacement}, {acq->hwndTrigger, &acq->triggerPlacement}};
    for (const auto& p : owned)
        if (chosen(p.window) && Placed(*p.place)) PositionPopup(p.window, p.place, 0, 0);
    // The Setup Channels window keeps its place on the screen.
    HWND channels = acq->hwndChannelSetup;
    const RECT r = acq->channelSetupPlacement;
    if (chosen(channels) && Placed(r))
        SetWindowPos(channels, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Rows left showing another set-up would write it back when the window closes. A hidden
// Acquisition Setup refreshes itself when it shows; refreshing it settles the record.
void RefreshSetupPanels(stAcq* acq) {
    if (!acq) return;
    if (IsWindow(acq->hwndChannelSetup)) RefreshChannelSetup(acq->hwndChannelSetup, acq);
    if (IsWindow(acq->hwndTrigger)) FillTriggerSetup(acq->hwndTrigger, acq);
    if (IsWindow(acq->hwndAcqSetup) && IsWindowVisible(acq->hwndAcqSetup))
        RefreshAcquisitionSetup(acq->hwndAcqSetup, acq);
    RelayoutInputValues(acq);
}

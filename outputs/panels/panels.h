// The concrete output panels, one class per output type.
#pragma once

class COutCtlView;
class COutCtlViewSet;

// The panel of an output type (0..7), null when it cannot be made.
COutCtlView* NewOutputPanel(int type, COutCtlViewSet* set);
// The voltage panel is shown through its own first-show step, the others by Show (0).
int ShowPanelFirstTime(COutCtlView* panel);

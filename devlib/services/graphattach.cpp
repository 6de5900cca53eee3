// Graph events from the program. For now only the attachment itself is kept: which graph a
// recording fills. The set-up blocks and the Start button come with the graph's set-up storage.
#include "devlib/services/binding.h"

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/setupblock.h"

// A graph was created (mode 0) or opened from a file (mode 1).
int32_t WINAPI OnGraphCreated(HGLOBAL hAcq, HWND, tagGS*, int16_t, int32_t) {
    AcqLock acq(hAcq);
    return acq ? 1 : 0;
}

// Before the program saves a graph: the set-up goes into the block of the graph it belongs to.
// Another graph's block, or a stored block the library never read, is written as it is.
int32_t WINAPI StoreSetupInGraph(HGLOBAL hAcq, tagGS* gs) {
    AcqLock acq(hAcq);
    if (!acq || !gs) return 0;
    if (gs != acq->run.attachedGraph || !gs->setupBlock) return 1;
    return SaveAcquisitionSetup(acq.get(), gs);
}

// The activated graph becomes the one a recording fills, unless a recording runs.
int32_t WINAPI OnGraphActivated(HGLOBAL hAcq, tagGS* gs, int32_t) {
    AcqLock acq(hAcq);
    if (acq && !acq->run.running) acq->run.attachedGraph = gs;
    return 1;
}

// The attached graph is going away; during a recording it stays attached.
int32_t WINAPI OnGraphClosed(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq || acq->run.running) return 1;
    acq->run.attachedGraph = nullptr;
    if (acq->run.hwndStartButton && IsWindow(acq->run.hwndStartButton)) acq->run.hwndStartButton = nullptr;
    return 1;
}

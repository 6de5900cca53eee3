// Placeholder of starting and ending a run, which are not built: a start only marks the record
// and the attached graph as recording, an end clears both; no unit command is sent.
#include "devlib/acquisition/runcontrol.h"

#include "common/tagGS.h"

int32_t StartAcquisition(stAcq* acq, int32_t) {
    tagGS* gs = acq->run.attachedGraph;
    if (!gs) return 0;
    acq->run.running = 1;
    gs->acquiring = 1;
    return 1;
}

int32_t EndAcquisition(stAcq* acq, int32_t) {
    acq->run.running = 0;
    if (acq->run.attachedGraph) acq->run.attachedGraph->acquiring = 0;
    return 1;
}

void CheckAcquisitionStatus(stAcq*) {}

// Whether a recording in append mode adds to the graph's data or replaces it: appending needs the
// graph as the last run left it and the set-up it was recorded with; otherwise the user chooses.
#pragma once

#include <cstdint>

struct stAcq;
struct tagGS;

// What differs between the attached graph and the set-up.
struct stAppendDifference {
    bool edited;        // a channel's count or width is no longer the run's: the data was edited
    bool setupChanged;  // channels, gains, period, scale or offset differ from the graph's
};

// Compares the graph with the set-up; the run's channel order is built from the set-up.
stAppendDifference CompareGraphWithSetup(stAcq* acq, const tagGS* gs);

// Decides for a run in append mode (data mode 3) into a graph that holds data. 1 to go on, with
// *append 1 when the run adds to the data, 0 when it replaces it; 0 when the user aborted. A run
// in another mode, or into an empty graph, goes on as a new recording without a question.
int32_t CheckAppend(stAcq* acq, int32_t* append);

// The Revert of dialog 1217: the set-up the graph was recorded with, taken back from the graph.
void RevertSetupToGraph(stAcq* acq, const tagGS* gs);

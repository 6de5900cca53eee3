// Switches of a graph's parts that the Display menu toggles and the lesson language sets with
// explicit values. Each marks the graph changed: these settings are saved with the document.
#pragma once

struct tagGS;

// The marker bar: its two buttons and label box.
void SetGraphToolsShown(tagGS* gs, int on);
// The measurement row.
void SetMeasurementsShown(tagGS* gs, int on);
// The channel-number (channel button) row.
void SetGraphDisplayFlag(tagGS* gs, int on);
// The grid and its fine lines.
void SetGraphPlotMode(tagGS* gs, int gridShown, int gridFine);

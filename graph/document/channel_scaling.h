// Vertical scaling of a graph's channels (single, stacked, overlapped, compared, centred) and the
// device library's channel scaling ("Optimize Ranges"). Functions taking p address a channel by
// display position: its slot is chanOrder[p].
#pragma once
#include <cstdint>

struct tagGS;

// The peak-to-peak of the slot's visible data, with its minimum and maximum; keepSelection
// leaves the selection as it was (the measurement selects the visible data).
double ChannelMinMax(tagGS* doc, int slot, double* min, double* max, int keepSelection);
// Units per division (or, with the grid locked, divisions) that put range into 75% of the
// slot's share of bands channels.
void SetChannelVScale(tagGS* doc, int slot, double range, int bands);
// The centre that puts [min, min + range] in the middle, moved by fraction of the scale; it
// becomes the scroll reference and zoom level 0 (with the units per division when storePerDiv).
void SetChannelVCenter(tagGS* doc, int slot, double min, double range, double fraction, int storePerDiv);
void AutoScaleChannel(tagGS* doc, int p, int redraw, double fraction, int bands);
void OverlapScale(tagGS* doc);
void CompareScale(tagGS* doc);
// 0 for a slot that is unused or hidden.
int CenterChannel(tagGS* doc, int p);
void RedrawAfterScale(tagGS* doc);
// The Display commands' entries: flag set autoscales the slot and redraws, clear centres it.
void AutoScaleOneChannel(tagGS* doc, int unused, int flag, int slot);
void OverlapWaveforms(tagGS* doc);
void CompareWaveforms(tagGS* doc);

// The device library's scaling of a slot; doc null is the active graph's, slot -1 its selected
// channel. Slots 40 and above have none.
void ApplyChannelScaling(tagGS* doc, int slot);
// Every input with a device scaling, except 5 to 19, of the active graph.
void OptimizeRanges();
// Grays or enables the Optimize Ranges menu item and toolbar control for the active graph.
void UpdateOptimizeRangesItems();

// Scales rounded to whole divisions, for the grid.
#pragma once

struct tagGS;

// Keeps the slot's visible middle and makes its range whole divisions of a whole-number size.
void RoundChannelScale(tagGS* gs, int slot);
// Whole divisions for the grid options: the selected and X channels only (xyOnly), or every shown
// channel and then the time axis, whose divisions start at the plot's left edge.
void RoundScalesForGrid(tagGS* gs, int xyOnly);

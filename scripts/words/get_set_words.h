// What the GET, SET and EDIT words share: the channel numbers a lesson gives, the graph's
// selected channel, the redraw after a change, and how a locked grid gives its scales.
#pragma once

struct tagGS;

// A channel number the lesson gave: whole, inside the slots; -1 otherwise.
int LessonChannelOf(double n);
// The graph's selected channel, or -1 when it has none.
int SelectedGraphChannel(const tagGS* gs);
// After a change: the scroll bars follow, the window is drawn again and the graph is marked changed.
void RefreshScriptGraph(tagGS* gs);
// Whether a locked grid's scales are given as a range about a midpoint (else as start and end).
bool IsGridMidpoint(const tagGS* gs);

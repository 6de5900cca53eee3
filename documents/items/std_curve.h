// The standard-curve tool: pairs of values (an X such as a concentration, a Y such as an
// absorbance) become dots on the graph, and a straight line fitted through them by least squares
// is written, inverted, as samples of the horizontal reference and selected channels.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stCurveSettings;

// Least squares over n pairs: 1 with the slope and intercept; 0 when the slope is 0 or not a
// number (all X equal, all Y equal, fewer than two distinct X).
int FitStraightLine(const double* x, const double* y, int n, double* slope, double* intercept);
// Point i of the plotted curve: y steps from `from` to `to` in `samples` steps, x = (y - b) / m.
void StandardCurvePoint(const stCurveSettings& s, double slope, double intercept, int i, double* x, double* y);

// The channels a curve lives in: the horizontal reference channel h and the selected channel s,
// slots 1 and 2 when the document has none (slot 0, where no input channel lands, counts as none).
void CurveChannels(const tagGS* gs, int* h, int* s);
// Whether channels h or s hold samples that a curve would replace.
int CurveExists(const tagGS* gs);
// With the curve-warning flag set, asks before a curve is replaced: 1 go on, 0 cancelled.
int ConfirmCurveReplace(tagGS* gs, HWND owner);
// Removes every sample of channels h and s.
void DeleteStandardCurve(tagGS* gs);

// Plot Curve: fits the document's standards (the first point of each graph item) and writes the
// curve. Asks first when it would replace samples of h or s; shows the slope message for a flat
// line. 1 written; 0 cancelled, refused or failed.
int PlotStandardCurve(tagGS* gs, HWND owner);
// Add to List: a dot at (x, y) with the document's dot settings, after asking to delete a curve.
int AddStandard(tagGS* gs, double x, double y, HWND owner);
// Delete: removes standard `index`, after asking to delete a curve.
int DeleteStandard(tagGS* gs, int index, HWND owner);
// The new settings of the Settings dialog: dots take the new look; changed range or steps replot
// (after asking). 0 when the user cancelled the replot question (the settings stay as they were).
int ApplyCurveSettings(tagGS* gs, const stCurveSettings& settings, HWND owner);

// The dialogs' window: the document's "Plot Standard Curve" dialog (null when closed).
HWND StandardCurveDialogWindow(tagGS* gs);

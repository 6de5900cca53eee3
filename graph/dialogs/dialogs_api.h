// What the graph window, the shell and the transforms call of the graph dialogs.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Prompts for one value. Each returns 1 on OK (the caller's values written back), 0 on Cancel
// and -1 when the dialog could not be made (nothing written either time).
int PromptForNumber(HWND parent, double* value, const char* units, const char* label, const char* checkCaption,
                    uint32_t* checkState, int32_t reserved, const double* minRate);
// Entry point kept for a later caller; only tests call it now.
int PromptForText(HWND parent, char* text, const char* units, const char* label);
// Entry point kept for a later caller; only tests call it now.
int PromptForHms(HWND parent, double* seconds, const char* label);
// The translation set of the number prompt for its label (the dialog's own number by default).
uint32_t PromptTranslationSet(const char* label);
// Sets a control's text to the dialog's stored replacement of the text, or to the text itself.
void SetControlTextFromKey(HWND control, uint32_t dlgId, const char* text);

// Vertical scale of one channel (-1: the selected one); 1 after OK, 0 otherwise.
int32_t VerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint);
int32_t LockedVerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint);
// The free or the locked vertical scale dialog, as the graph's grid lock says.
int OpenVerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint);

// Horizontal scale; 1 after OK, 0 otherwise.
int32_t HorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart);
int32_t HorizontalScaleHmsDialog(HWND parent, tagGS* gs, int32_t focusStart);
int32_t XYHorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart);
int32_t LockedHorizontalScaleDialog(HWND parent, tagGS* gs);
int32_t LockedHorizontalScaleHmsDialog(HWND parent, tagGS* gs);
int32_t LockedXYHorizontalScaleDialog(HWND parent, tagGS* gs);
// The horizontal scale dialog that fits the graph's mode, grid lock and unit kind.
int OpenHorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart);

// A channel's label (isLabel non-zero) or units text; channel -1 is the selected one.
int32_t ChannelLabelDialog(HWND parent, tagGS* gs, int32_t channel, uint32_t isLabel);
// Adds "slot, label" to a channel drop-down with the slot as item data; the entry's index.
int AddChannelComboItem(HWND combo, const tagGS* gs, uint32_t slot);

// Grid Options, Display Preferences and Set Waveform Order; 1 after OK, 0 after Cancel.
int GridOptionsDialog(HWND owner, tagGS* gs);
int DoDisplayPrefsDialog(HWND owner, tagGS* gs);
int ShowWaveformOrderDialog(HWND owner, tagGS* gs);

// Creates a font from the description, after the font dialog unless useGiven is set; returns the
// old font when the dialog is cancelled and 0 when no font could be made.
HFONT ChooseGraphFont(HWND owner, HFONT oldFont, int useGiven, LOGFONTA* lf, int32_t* charWidth, int32_t* lineHeight);
// Hands the font to a graph window's measurement boxes and label edit and lays it out again.
void ApplyFontToGraphWindow(HWND window, HFONT font);
// The colour the user picks, or the initial one when the dialog is cancelled.
COLORREF ChooseGraphColor(HWND owner, COLORREF initial);
// What the horizontal axis shows; 1 after OK, 0 after Cancel. The caller redraws.
int HorizontalAxisFormatDialog(tagGS* gs);

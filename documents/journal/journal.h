// The journal of a document and the journal pane of a graph window. The document's CJournal keeps
// the auto-time flag, and the text while no text control holds it; once the pane's text control
// is made (when first needed, not with the pane), the control holds the text.
#pragma once
#include <windows.h>
#include <cstdint>
#include <ctime>
#include <string>

class CJournalWindow;

// The tallest or widest journal font, in pixels: beyond the largest size the font chooser offers.
// A larger size from the settings file or a lesson is not taken.
constexpr long kJournalFontPixelsMax = 2048;

class CJournal {
public:
    CJournal() = default;
    ~CJournal();
    CJournal(const CJournal&) = delete;
    CJournal& operator=(const CJournal&) = delete;

    CJournalWindow* window = nullptr;
    uint16_t autoTime = 0;
    HGLOBAL storedText = nullptr;  // NUL-terminated text waiting for a window; null when none

    void FreeStoredText();
    // Takes a copy of n bytes as the stored text (an empty text leaves none); 0 when out of memory.
    int StoreText(const char* text, size_t n);
};

class CJournalWindow {
public:
    CJournalWindow();
    ~CJournalWindow();
    CJournalWindow(const CJournalWindow&) = delete;
    CJournalWindow& operator=(const CJournalWindow&) = delete;

    HWND parent = nullptr, controlParent = nullptr;
    HWND insertTimeButton = nullptr, insertDateButton = nullptr, autoTimeButton = nullptr;
    HWND newButton = nullptr;  // no such button is made
    HWND loadTextButton = nullptr, saveTextButton = nullptr, printButton = nullptr;
    HWND edit = nullptr;  // made when first needed (see GetJournalHwnd); null until then
    int16_t paneLeft = 0, paneTop = 0, paneWidth = 0, paneHeight = 0;
    int32_t shown = 0;
    HMODULE richEditLibrary = nullptr;  // loaded with the text control
    std::string richEditName;           // the library the text control loads, chosen with the pane
    int32_t wordWrap = 0;
    // What the pane was told while it had no text control, for the control made later.
    bool laidOut = false;
    int32_t showCommand = SW_SHOW;
    bool tabStopsSet = false;
    float tabSize = 0.0f;  // inches
    double heightRatio = 3.0;
    CJournal* journal = nullptr;
    // The end of a long text that the control takes a part at a time while the program waits
    // for input: a rich edit spends time and memory on every line put into it.
    std::string pendingText;
    size_t pendingAt = 0;
    bool filling = false;  // the pane's own messages to the control, which need no whole text
};

// The journal preferences, program-wide.
struct stJournalPrefs {
    int measurementName;
    int measurementUnit;
    int measurementPerLine;
    int waveTimeValues;
    int channelNumbers;
    float tabSize;  // inches
};
stJournalPrefs& JournalPrefs();

// Whether the control is a rich edit control (else a plain edit control).
bool IsRichJournalEdit(HWND edit);
// Every journal pane that exists, in the order made.
void ForEachJournalPane(void (*action)(CJournalWindow* pane));
void JournalSetPaneTabStops(CJournalWindow* pane, float tabSize);
// Sets the control's text limit in the way its class understands.
void JournalSetLimit(HWND edit, size_t limit);
// Puts text into the pane's control in place of its text: a long one goes in its first lines now
// and the rest a part at a time while the program waits for input.
void JournalFillText(CJournalWindow* pane, const char* text);
// The pane's text control, made if it is not yet, without waiting for the whole text.
HWND JournalMakeEdit(CJournalWindow* pane);
// Puts the rest of the text in at once (nothing when the control holds it all).
void JournalFinishFill(CJournalWindow* pane);
// What a journal control's text limit leaves beyond its text whenever the limit is set again.
constexpr size_t kJournalLimitSlack = 32768;

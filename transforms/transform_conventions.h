// What every transform of the Transform menu shares: the samples it works on, its progress and
// giving up with Escape, the one undo entry before the first change, the destination channel and
// the outcome codes the frame turns into messages.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// ---- Outcomes: the code a transform hands the frame's report (ShowSelectionError) ----
constexpr int kTransformDone = 0;          // done, or given up: nothing to report
constexpr int kTransformCancelled = 1;     // the user said no; reported as nothing
constexpr int kTransformNoMemory = 30;     // "Not enough memory for %s" with the transform's name
constexpr int kTransformNoRange = 34;      // the range holds no two samples
constexpr int kTransformBadSelection = 36; // "You must select a valid portion of this waveform"

// A refused parameter: its reason picks the keyed text the frame shows.
constexpr int kReasonDifferenceInterval = 0x25;  // "At least 1 interval is required ..."
constexpr int kReasonSmoothingInterval = 0x27;   // "An Interval of at least 3 samples ... smoothing"
constexpr int kReasonFirInterval = 0x2A;         // "An Interval of at least 3 samples ... FIR filters."
constexpr int kReasonFftInterval = 0x2B;         // "An Interval of at least 4 samples ... Fourier"
constexpr int kReasonFirCoefficients = 0x33;     // "FIR Filters require at least 3 coefficients."
constexpr int BadParameterCode(int reason) { return 2 | (reason << 8); }

// ---- The samples a transform works on ----
struct TransformRange {
    int slot = 0;              // the channel read (and, in place, written)
    int32_t first = 0;         // first and last sample index, both inside the channel
    int32_t last = -1;
    bool selectionEmpty = false;  // the selection is a point (start equal to end)
    bool entire = false;          // the whole channel: the undo entry keeps all of it
    int64_t Count() const { return static_cast<int64_t>(last) - first + 1; }
};

// The selected channel's selection as sample indices, ordered and clamped to the channel.
// kTransformDone, or kTransformBadSelection when the channel holds no samples.
int SelectedRange(tagGS* gs, TransformRange* range);
// The same for another channel (the selection is the document's, the clamp that channel's).
int SelectionRangeOf(tagGS* gs, int slot, TransformRange* range);
// The whole channel: 0 .. count-1, entire set. An empty channel leaves last at -1.
void UseWholeChannel(const tagGS* gs, TransformRange* range);
// For dialogs with a "Transform entire wave" box left clear: each selection edge divided by the
// sample interval and rounded to the nearest whole sample, ordered, the end clamped to count-1.
void RangeFromSelectionTimes(const tagGS* gs, int32_t count, TransformRange* range);
// Pure: the same over plain values.
void SelectionTimesToRange(double start, double end, double interval, int32_t count, int32_t* first, int32_t* last);

// The channel as doubles (converting it first): its sample block, or null when the conversion
// fails (no memory) or the channel has no samples. For the transforms that change the channel.
double* ChannelAsDoubles(tagGS* gs, int slot);
// Samples first .. first + n - 1 of a channel as values, for a transform that only reads them:
// the channel keeps its 16-bit samples, so a recording stays fit to be continued behind (a
// paged document is brought into memory, as a conversion would). 1 when read; 0 when the range
// lies outside the channel or the document cannot be read.
int ReadChannelValues(tagGS* gs, int slot, int32_t first, int64_t n, double* out);

// Seconds (or the axis unit) per sample, as derivatives and integrals divide by it: the
// interval itself for user units, times 1000 for frequency axes, else milliseconds / 1000.
double SampleStep(const tagGS* gs);
// Samples per second: 1000 / interval (ms), or the interval field itself for user units.
double SampleRate(const tagGS* gs);

// ---- Undo ----
// Takes the one undo entry before the first sample of range.slot changes: kind "in place" for
// a selection, "whole channel" for range.entire, with the menu text "Undo " + name. A channel
// that holds no samples yet gets no entry (Edit keeps offering the previous one). 1 when taken
// or not needed, 0 when it could not be taken.
int SaveTransformUndo(tagGS* gs, const TransformRange& range, const char* name);

// ---- Progress and Escape ----
// The whole percentage of index through [first, last], in 64 bits so that long channels do not
// overflow; 0 for an empty range.
uint32_t ProgressPercent(int64_t index, int64_t first, int64_t last);

// Whether the user is giving up now: Escape held. Test seam: replaceable, so tests can press it at
// a known point of a run without depending on time; null puts back the keyboard.
using EscapeProbe = bool (*)();
// Test seam: only tests call it.
void SetTransformEscapeProbe(EscapeProbe probe);
bool TransformEscapeHeld();

// Shows "<name>: %3lu%% completed" (key given whole) from 0, again each time the percentage
// changes, and "Ready" when it goes; holds the wait cursor meanwhile. Step asks Escape at most
// once per percent (and at every sample of runs under 100), so a loop over millions of samples
// pays for neither the status strip nor the keyboard.
class TransformProgress {
public:
    TransformProgress(const char* key, int64_t first, int64_t last);
    ~TransformProgress();
    TransformProgress(const TransformProgress&) = delete;
    TransformProgress& operator=(const TransformProgress&) = delete;
    // false once Escape is held: the loop stops there.
    bool Step(int64_t index) {
        if (index < m_next) return true;
        return Advance(index);
    }
    // For a loop that Escape does not stop: the percentage only.
    void Show(int64_t index) {
        if (index >= m_next) ShowPercent(index);
    }
    bool Stopped() const { return m_stopped; }

private:
    bool Advance(int64_t index);
    void ShowPercent(int64_t index);
    const char* m_key;
    int64_t m_first, m_last, m_next;
    uint32_t m_shown;
    bool m_stopped;
};

// ---- Destination channels ----
// Fills a combo box with the channels in use (their labels, or with numbered "CH%2d, label" as
// the Expression dialog names them; item data the slot) and, while fewer than 59 are in use, a
// last entry "New" (item data -1). Selects the entry of select (a slot).
void FillDestinationList(HWND combo, const tagGS* gs, int select, bool numbered = false);

struct TransformDestination {
    int slot = -1;
    bool created = false;  // taken with "New": removed again when the transform fails
};
// The list's choice (a slot, or -1 for "New") as a destination; "New" takes a free slot of
// doubles and rebuilds the channel items. 1 on success, 0 when no slot could be had.
int OpenDestination(tagGS* gs, int choice, TransformDestination* dest);
// A failed or cancelled transform: a slot made for it goes again; an existing one stays as it was.
void AbandonDestination(tagGS* gs, TransformDestination* dest);
// The count a destination of oldCount samples has after results for first..last are written:
// the larger of the two inside its data, or oldCount + the range length appended after it.
uint32_t GrownDestinationCount(uint32_t oldCount, int32_t first, int32_t last);
// Where the first result goes: first inside the data, else directly after the old samples.
int32_t DestinationWriteStart(uint32_t oldCount, int32_t first);
// Grows the destination's block (doubles, zero-filled) to count samples. 1 on success.
int GrowChannelTo(tagGS* gs, int slot, uint32_t count);

// ---- Result graphs ----
// A new result graph's measurement boxes 0..4 get types (measure::Type numbers) when it has more
// than two boxes, on the boxes it has; their captions then follow its horizontal unit, so set
// that first.
void SetResultMeasurements(tagGS* gs, const int types[5]);
// A new result graph over frequency (the FIR response, the FFT): Hz across, and the grid grey,
// major lines solid and fine lines dotted; the grid shown or not.
void SetFrequencyResultGrid(tagGS* gs, bool gridShown);
// A result graph is made hidden, so that filling it draws nothing; once filled it is shown and
// made the active graph, which takes the Start button with it. A maximised active graph is
// restored first, as for any new graph.
void ShowResultGraph(HWND hwnd);

// ---- Afterwards ----
// Marks the document changed, autoscales when its setting asks (all channels for 1), and
// brings the scroll bars and the graph window up to date.
void FinishTransform(tagGS* gs);

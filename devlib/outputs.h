// The unit's outputs as the program's output panels own them: numeric preferences with their
// limits, preference sets, and one controller per kind of output.
//
// The program reaches the controllers through this header only:
//  - CreateOutputController (an export of VK40.dll) makes the controller of a panel's output type;
//    the panel deletes it with `delete` (the destructor is virtual and runs in the library, which
//    first stops or grounds what the controller drives);
//  - everything else is a virtual call (COutCtl's operations) or inline code of this header
//    (preferences, sets, the range helpers of the stimulator controllers), so the program links
//    to no member of these classes;
//  - SetOutputPanelFinder lets the library ask which panel of a graph is active: the stimulator
//    start, its markers and the idle poll depend on it. Without a finder no panel is active.
// The library sends an active stimulator panel kOutCtlRunningMsg when the unit's stimulator
// starts or stops running (wParam 1 running, 0 stopped).
#pragma once

#include <windows.h>

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#ifndef VK40_API
#ifdef VK40_BUILD
#define VK40_API extern "C" __declspec(dllexport)
#else
#define VK40_API extern "C" __declspec(dllimport)
#endif
#endif

struct stAcq;
struct tagGS;
class COutCtlView;  // the program's panel; the library never looks inside it

// ---- Output types: a panel's kind, and the controller it owns ----
constexpr int32_t kOutTypeCH3 = 0;      // COutCH3: an input channel routed to the output
constexpr int32_t kOutTypeDigital = 1;  // COutDigital: a byte on the digital port
constexpr int32_t kOutTypePulse = 2;    // COutPulse
constexpr int32_t kOutTypeAnalog = 3;   // COutAnalog: a fixed voltage
constexpr int32_t kOutTypeSTMA = 4;     // COutTVXSTMA
constexpr int32_t kOutTypeSTM = 5;      // COutTVXSTM
constexpr int32_t kOutTypeRJ72C = 6;    // COutTVXRJ72C
constexpr int32_t kOutTypeRJ72CA = 7;   // COutTVXRJ72CA
constexpr int32_t kOutTypeCount = 8;

// The pulse and stimulator kinds (their start, stop and status are the stimulator's).
constexpr bool IsStimulatorOutputType(int32_t type) {
    return type == kOutTypePulse || type == kOutTypeSTMA || type == kOutTypeSTM || type == kOutTypeRJ72C ||
           type == kOutTypeRJ72CA;
}

// Sent by the library to the active stimulator panel when the running state changes.
constexpr UINT kOutCtlRunningMsg = WM_APP + 1;  // 0x8001

// ---- The output selector (what drives the analog output) ----
constexpr int16_t kOutSelAmpInput = 0;
constexpr int16_t kOutSelFilteredDA = 1;
constexpr int16_t kOutSelRawDA = 2;  // the analog output value
constexpr int16_t kOutSelChannel3 = 3;
constexpr int16_t kOutSelDigital = 4;  // the pulse generator; also the grounded output
constexpr int16_t kOutSelChannel1 = 5;
constexpr int16_t kOutSelChannel2 = 6;
constexpr int16_t kOutSelChannel4 = 7;

// ---- Controller commands ----
enum OUTCTL_CMD : int32_t {
    OUTCTL_START = 0,          // start the stimulator
    OUTCTL_STOP = 1,           // stop it
    OUTCTL_ISSTARTED = 2,      // non-zero while the unit reports the stimulator running
    OUTCTL_SELECT = 3,         // route this controller's input channel to the output
    OUTCTL_GROUND = 4,         // ground the analog output
    OUTCTL_ISSELECTED = 5,     // non-zero while this controller's channel is routed
    OUTCTL_UPDATE = 6,         // send the current value (voltage, or the RJ72C level)
    OUTCTL_WRITEDIGITAL = 7,   // write the digital byte
    OUTCTL_STOPABSOLUTELY = 8  // stop, and keep a recording from starting it again
};

// ---- One numeric preference: 40 bytes, also its file form (five little-endian doubles) ----
struct COutCtlPref {
    static constexpr double m_undefined = DBL_MAX;  // a field holding it is not set

    double m_value = m_undefined;
    double m_min = m_undefined;
    double m_max = m_undefined;
    double m_step = m_undefined;
    double m_default = m_undefined;

    COutCtlPref() = default;
    COutCtlPref(double min, double max, double step, double def)
        : m_value(def), m_min(min), m_max(max), m_step(step), m_default(def) {}
    COutCtlPref(double value, double min, double max, double step, double def)
        : m_value(value), m_min(min), m_max(max), m_step(step), m_default(def) {}

    int32_t IsDefault() const { return m_value == m_default ? 1 : 0; }

    // 1 when the value lies within the limits (or there are none); otherwise the value becomes
    // the limit it passed, a beep sounds when asked, and the answer is 0.
    static int32_t Validate(double* value, double min, double max, int32_t beep) {
        if (min == m_undefined && max == m_undefined) return 1;
        if (*value >= min && *value <= max) return 1;
        *value = *value < min ? min : max;
        if (beep) MessageBeep(0);
        return 0;
    }
    int32_t Validate(double* value, int32_t beep) const { return Validate(value, m_min, m_max, beep); }
    int32_t Validate(int32_t beep) { return Validate(&m_value, m_min, m_max, beep); }

    // The five doubles, each with its own write or read; 0 as soon as one fails.
    int32_t Save(HANDLE file) const {
        const double* fields[] = {&m_value, &m_min, &m_max, &m_step, &m_default};
        for (const double* f : fields) {
            DWORD done = 0;
            if (!WriteFile(file, f, sizeof(double), &done, nullptr) || done != sizeof(double)) return 0;
        }
        return 1;
    }
    int32_t Load(HANDLE file) {
        double* fields[] = {&m_value, &m_min, &m_max, &m_step, &m_default};
        for (double* f : fields) {
            DWORD done = 0;
            if (!ReadFile(file, f, sizeof(double), &done, nullptr) || done != sizeof(double)) return 0;
        }
        return 1;
    }
};
static_assert(sizeof(COutCtlPref) == 40, "a preference is five doubles");

// ---- A growable list of preferences that owns them ----
// Its memory comes from the process heap, so a set filled by the program and emptied by the
// library (or the other way round) frees what it allocated wherever that happens.
// File form: the last index (int32, -1 when empty), then last index + 1 preferences.
class COutCtlPrefsSet {
public:
    // A set read from a file never holds more than this: a larger count is a damaged record, and
    // reading on would misalign everything after it.
    static constexpr int32_t kMaxPrefs = 64;

    COutCtlPrefsSet() = default;
    ~COutCtlPrefsSet() {
        RemoveAll();
        if (m_items) HeapFree(GetProcessHeap(), 0, m_items);
    }
    COutCtlPrefsSet(const COutCtlPrefsSet& other) { *this = other; }
    // A deep copy; a preference that cannot be copied or placed is skipped.
    COutCtlPrefsSet& operator=(const COutCtlPrefsSet& other) {
        if (this == &other) return *this;
        RemoveAll();
        for (int32_t i = 0; i <= other.m_last; ++i) Add(*other.m_items[i]);
        return *this;
    }

    int32_t GetSize() const { return m_last + 1; }
    int32_t GetUpperBound() const { return m_last; }
    COutCtlPref* GetAt(int32_t i) const { return i >= 0 && i <= m_last ? m_items[i] : nullptr; }
    COutCtlPref* operator[](int32_t i) const { return GetAt(i); }

    // Appends a copy; 0 when it cannot be made or the array cannot grow.
    int32_t Add(const COutCtlPref& pref) {
        if (m_last == INT32_MAX) return 0;
        if (m_last + 1 >= m_capacity && !Grow()) return 0;
        void* p = HeapAlloc(GetProcessHeap(), 0, sizeof(COutCtlPref));
        if (!p) return 0;
        m_items[++m_last] = new (p) COutCtlPref(pref);
        return 1;
    }

    void RemoveAll() {
        for (int32_t i = 0; i <= m_last; ++i) HeapFree(GetProcessHeap(), 0, m_items[i]);
        m_last = -1;
    }

    // Empties the set and appends a copy of each of count preferences.
    int32_t Init(const COutCtlPref* prefs, int32_t count) {
        RemoveAll();
        for (int32_t i = 0; i < count; ++i)
            if (!Add(prefs[i])) return 0;
        return 1;
    }

    // 1 when every value equals its default (also for an empty set).
    int32_t IsDefault() const {
        for (int32_t i = 0; i <= m_last; ++i)
            if (!m_items[i]->IsDefault()) return 0;
        return 1;
    }

    int32_t Save(HANDLE file) const {
        DWORD done = 0;
        if (!WriteFile(file, &m_last, sizeof(m_last), &done, nullptr) || done != sizeof(m_last)) return 0;
        for (int32_t i = 0; i <= m_last; ++i)
            if (!m_items[i]->Save(file)) return 0;
        return 1;
    }
    // Replaces the set with the one in the file; 0 on a failed read or a last index outside
    // -1 .. kMaxPrefs - 1 (then nothing after the index is read).
    int32_t Load(HANDLE file) {
        RemoveAll();
        int32_t last = 0;
        DWORD done = 0;
        if (!ReadFile(file, &last, sizeof(last), &done, nullptr) || done != sizeof(last)) return 0;
        if (last < -1 || last >= kMaxPrefs) return 0;
        for (int32_t i = 0; i <= last; ++i) {
            COutCtlPref pref;
            if (!pref.Load(file) || !Add(pref)) return 0;
        }
        return 1;
    }

    // The same file form in memory, for readers and writers that hold the bytes themselves.
    size_t SavedBytes() const { return sizeof(int32_t) + static_cast<size_t>(m_last + 1) * sizeof(COutCtlPref); }
    void SaveTo(uint8_t* out) const {
        memcpy(out, &m_last, sizeof(m_last));
        for (int32_t i = 0; i <= m_last; ++i)
            memcpy(out + sizeof(int32_t) + i * sizeof(COutCtlPref), m_items[i], sizeof(COutCtlPref));
    }
    // Reads a set from size bytes; the bytes it took in *used. 0 (nothing taken) when the bytes
    // end early or the count is out of bounds.
    int32_t LoadFrom(const uint8_t* bytes, size_t size, size_t* used) {
        RemoveAll();
        if (used) *used = 0;
        int32_t last = 0;
        if (size < sizeof(last)) return 0;
        memcpy(&last, bytes, sizeof(last));
        if (last < -1 || last >= kMaxPrefs) return 0;
        const size_t need = sizeof(last) + static_cast<size_t>(last + 1) * sizeof(COutCtlPref);
        if (size < need) return 0;
        for (int32_t i = 0; i <= last; ++i) {
            COutCtlPref pref;
            memcpy(&pref, bytes + sizeof(last) + i * sizeof(COutCtlPref), sizeof(pref));
            if (!Add(pref)) return 0;
        }
        if (used) *used = need;
        return 1;
    }

private:
    int32_t Grow() {
        const int32_t capacity = m_capacity + m_growBy;
        if (capacity <= m_capacity) return 0;
        void* p = HeapAlloc(GetProcessHeap(), 0, sizeof(COutCtlPref*) * static_cast<size_t>(capacity));
        if (!p) return 0;
        COutCtlPref** items = static_cast<COutCtlPref**>(p);
        for (int32_t i = 0; i <= m_last; ++i) items[i] = m_items[i];
        if (m_items) HeapFree(GetProcessHeap(), 0, m_items);
        m_items = items;
        m_capacity = capacity;
        return 1;
    }

    COutCtlPref** m_items = nullptr;
    int32_t m_capacity = 0;  // grows on the first Add
    int32_t m_growBy = 1;
    int32_t m_last = -1;
};

// ---- Controllers ----
// The base of every controller: its preference set, in a fixed order per kind, and the panel
// that owns it. The program calls only the virtual operations.
class COutCtl {
public:
    virtual ~COutCtl() = default;
    virtual int32_t OnActivate() { return 1; }   // 1 done
    virtual void OnDeactivate() {}
    virtual int32_t DoCmd(OUTCTL_CMD) { return 1; }  // non-zero on success
    // The set into the library's record. The library's controllers lock the record themselves
    // when given null, so the program never needs it.
    virtual void ApplyPrefs() { ApplyPrefs(static_cast<stAcq*>(nullptr)); }
    virtual void ApplyPrefs(stAcq*) {}
    virtual void UpdateLimits() {}                // the limits of the connected unit's model

    COutCtlPrefsSet& Prefs() { return m_prefs; }
    const COutCtlPrefsSet& Prefs() const { return m_prefs; }
    int32_t IsDefaultPrefsSet() const { return m_prefs.IsDefault(); }
    COutCtlView* View() const { return m_view; }
    // The preference's value, or 0 when the set has no such index.
    double PrefValue(int32_t i) const {
        const COutCtlPref* p = m_prefs.GetAt(i);
        return p ? p->m_value : 0.0;
    }

protected:
    explicit COutCtl(COutCtlView* view) : m_view(view) {}
    COutCtlPrefsSet m_prefs;
    COutCtlView* m_view;
};

// Preference indices of the pulse and stimulator controllers (times in milliseconds).
enum StimPref : int32_t {
    kStimMode = 0,          // 0 single pulse, 1 a number of pulses, 2 continuous
    kStimCount = 1,         // 1-254
    kStimWithAcq = 2,       // 1: start and stop with the recording
    kStimDelay = 3,
    kStimMarkers = 4,
    kStimWidthLimits = 6,   // its minimum and maximum bound the width
    kStimWidth2 = 8,
    kStimWidth = 9,
    kStimCorrection = 10,
    kStimGapLimits = 11,    // its minimum and maximum bound the gap between pulses
    kStimShowPeriod = 12,   // markers name the period instead of the rate
    kStimPeriodLimits = 14,
    kStimPeriod = 17,       // the rate is 1000 / period
    kStimIncrement = 18,
    kStimRefChannel = 19,   // RJ72C
    kStimRefOption1 = 20,
    kStimRefOption2 = 21,
    kStimLevel = 22,        // RJ72C level, volts
    kStimLevelRange = 23,   // 0 full, 1 between prefs 24 and 25, 2 fixed at 26
    kStimLevelLow = 24,
    kStimLevelHigh = 25,
    kStimLevelFixed = 26,
};

// The pulse and stimulator controllers' common part. The range helpers are plain computations
// over a preference set (this controller's own when set is null).
class COutSTM : public COutCtl {
public:
    // One count of the first model's pulse generator, ms, and the bounds of its off-time count.
    // The second model counts 0.01 ms: a controller's time preferences (6-9, 11, 14-17) carry the
    // connected model's count as their step once the controller is made.
    static constexpr double m_resolution = 0.001953;
    static constexpr uint16_t m_RRCNTUS_MIN = 26;
    static constexpr uint16_t m_RRCNTUS_MAX = 51308;

    int32_t OnActivate() override;
    void OnDeactivate() override;
    int32_t DoCmd(OUTCTL_CMD cmd) override;
    void ApplyPrefs(stAcq* acq) override;
    using COutCtl::ApplyPrefs;

    // The period range that a pulse of this width allows.
    void GetPeriodRangeForPulseWidth(double width, double* low, double* high, const COutCtlPrefsSet* set) const {
        const COutCtlPrefsSet& s = set ? *set : m_prefs;
        const COutCtlPref* w = s.GetAt(kStimWidthLimits);
        const COutCtlPref* gap = s.GetAt(kStimGapLimits);
        const COutCtlPref* period = s.GetAt(kStimPeriodLimits);
        if (!w || !gap || !period) return;
        *low = (w->m_min > width ? w->m_min : width) + gap->m_min;
        *high = width + gap->m_max < period->m_max ? width + gap->m_max : period->m_max;
        if (*high < *low) Swap(low, high);
    }
    // The width range that a period allows.
    void GetWidthRangeForPulsePeriod(double period, double* low, double* high, const COutCtlPrefsSet* set) const {
        const COutCtlPrefsSet& s = set ? *set : m_prefs;
        const COutCtlPref* w = s.GetAt(kStimWidthLimits);
        const COutCtlPref* gap = s.GetAt(kStimGapLimits);
        const COutCtlPref* p = s.GetAt(kStimPeriodLimits);
        if (!w || !gap || !p) return;
        *low = w->m_min;
        const double raised = (p->m_min > period ? p->m_min : period) - gap->m_max;
        if (raised > *low) *low = raised;
        *high = period - gap->m_min < w->m_max ? period - gap->m_min : w->m_max;
        if (*high < *low) Swap(low, high);
    }

protected:
    explicit COutSTM(COutCtlView* view) : COutCtl(view) {}
    static void Swap(double* a, double* b) {
        const double t = *a;
        *a = *b;
        *b = t;
    }
};

class COutTVXRJ72C : public COutSTM {
public:
    // The level range the panel offers, by preference 23; other values leave the outputs.
    void VoltageRange(double* low, double* high, const COutCtlPrefsSet* set) const {
        const COutCtlPrefsSet& s = set ? *set : m_prefs;
        const COutCtlPref* range = s.GetAt(kStimLevelRange);
        if (!range) return;
        const COutCtlPref* level = s.GetAt(kStimLevel);
        const COutCtlPref* lo = s.GetAt(kStimLevelLow);
        const COutCtlPref* hi = s.GetAt(kStimLevelHigh);
        const COutCtlPref* fixed = s.GetAt(kStimLevelFixed);
        switch (static_cast<int32_t>(range->m_value)) {
        case 0:
            if (level) *low = level->m_min, *high = level->m_max;
            break;
        case 1:
            if (lo && hi) *low = lo->m_value, *high = hi->m_value;
            break;
        case 2:
            if (fixed) *low = *high = fixed->m_value;
            break;
        default: break;
        }
    }

protected:
    explicit COutTVXRJ72C(COutCtlView* view) : COutSTM(view) {}
};

class COutTVXRJ72CA : public COutCtl {
public:
    // Amplitude and width ranges of the advanced mode: preferences 6 and 5.
    void AmplRange(double* low, double* high, const COutCtlPrefsSet* set) const { Range(6, low, high, set); }
    void WidthRange(double* low, double* high, const COutCtlPrefsSet* set) const { Range(5, low, high, set); }

protected:
    explicit COutTVXRJ72CA(COutCtlView* view) : COutCtl(view) {}
    void Range(int32_t i, double* low, double* high, const COutCtlPrefsSet* set) const {
        const COutCtlPref* p = (set ? *set : m_prefs).GetAt(i);
        if (p) *low = p->m_min, *high = p->m_max;
    }
};

// Preference counts of the kinds, by output type.
constexpr int32_t kOutCtlPrefCounts[kOutTypeCount] = {1, 2, 19, 1, 19, 19, 28, 22};

// ---- Exports ----

// The controller of an output type (kOutType...), its set filled from the kind's range table
// (the analog limits and the stimulators' time limits follow the connected unit's model); null
// for an unknown type or when memory runs out. The panel owns it and deletes it.
VK40_API COutCtl* CreateOutputController(int32_t type, COutCtlView* view);

// What the library needs of a graph's active output panel.
struct stOutputPanelInfo {
    HWND window;          // gets kOutCtlRunningMsg
    COutCtl* controller;  // may be null
    int32_t type;         // kOutType...
};
// Fills info from the first active panel of the graph's set; 0 when none is active.
using OutputPanelFinder = int32_t (*)(tagGS* graph, stOutputPanelInfo* info);
// The program's finder; null: no panel is ever active.
VK40_API void SetOutputPanelFinder(OutputPanelFinder finder);

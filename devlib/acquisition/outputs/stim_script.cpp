// The stimulator settings records of the lesson scripts, in a registry found by exact name.
#include "devlib/acquisition/outputs/stim_script.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "common/stAcq.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

constexpr char kNotDefined[] = "NOT_DEFINED";
constexpr int32_t kMaxRecords = 100;
constexpr double kIncrementMax = 1000.0;

struct stKindKey {
    int32_t kind;
    const char* key;
};
constexpr stKindKey kResultKeys[] = {
    {kStimResultSuccess, "STIM Success Key"},
    {kStimResultSyntax, "STIM SYNTAX WRONG Key"},
    {kStimResultIgnored, "STIM Command Ignored Key"},
    {kStimResultMaxRate, "STIM OUT OF MAX RATE Key"},
    {kStimResultDurationMode, "STIM WRONG DURATION MODE Key"},
    {kStimResultWidthByLimit, "STIM OUT OF MAX WIDTH BY LIMIT Key"},
    {kStimResultMaxWidth, "STIM OUT OF MAX WIDTH Key"},
    {kStimResultPulseNumber, "STIM WRONG PULSE NUMBER Key"},
    {kStimResultCritical, "STIM CRITICAL ERROR Key"},
    {kStimResultStop, "STIM ERR STOP STIMULATOR Key"},
    {kStimResultPulse, "STIM ERR PULSE Key"},
    {kStimResultStartMode, "STIM ERR START MODE Key"},
    {kStimResultDelay, "STIM ERR DDELAY WRONG Key"},
    {kStimResultFactor, "STIM ERR FACTOR WRONG Key"},
    {kStimResultIncrement, "STIM ERR INCREMENT WRONG Key"},
    {kStimResultRateLock, "STIM ERR RATELOCK WRONG Key"},
    {kStimResultWidthLimitMode, "STIM ERR WIDTH LIMIT MODE WRONG Key"},
    {kStimResultWidthLimit, "STIM ERR WIDTH LIMIT WRONG Key"},
    {kStimResultMarkerMode, "STIM ERR MARKER MODE WRONG Key"},
    {kStimResultOperation, "STIM ERR OPERATION WRONG Key"},
};

// A number that is the whole word.
bool Number(const char* word, double* out) {
    if (!word || !*word) return false;
    char* end = nullptr;
    *out = std::strtod(word, &end);
    return end && *end == '\0';
}

// A string variable: a letter A-Z followed by "$" or "@".
bool IsStringVariable(const char* word) {
    return word && word[0] >= 'A' && word[0] <= 'Z' && (word[1] == '$' || word[1] == '@') && word[2] == '\0';
}

bool Is(const char* word, const char* expected) { return std::strcmp(word, expected) == 0; }

// One record: its name, the result variable, and the four steps in order.
class CStimCommand {
public:
    explicit CStimCommand(const char* name) { lstrcpynA(m_name, name, kStimNameChars); }
    virtual ~CStimCommand() = default;
    const char* Name() const { return m_name; }
    virtual int32_t Parse(const char* const* words, int32_t count) = 0;
    virtual int32_t Validate(const stStimSetup& s) const = 0;
    virtual int32_t Apply(stStimSetup* s) const = 0;
    virtual int32_t After(stAcq* acq) const = 0;

protected:
    // The settings are in place: the running stimulator stops and goes on with them.
    static int32_t StopAndRestart(stAcq* acq) {
        if (!StopStimulator(acq, 1)) return kStimResultStop;
        return StimulatorEvent(acq->hwndStimulator, acq, kStimEvSettingsChanged) ? kStimResultSuccess
                                                                                  : kStimResultPulse;
    }

private:
    char m_name[kStimNameChars] = "";
};

class CStimModeCommand final : public CStimCommand {
public:
    CStimModeCommand() : CStimCommand("StimMode") {}
    int32_t Parse(const char* const* w, int32_t n) override {
        if (n != 4 || !Number(w[1], &m_count) || !Number(w[2], &m_width) || !Number(w[3], &m_rate))
            return kStimResultSyntax;
        lstrcpynA(m_mode, w[0], sizeof(m_mode));
        return kStimResultSuccess;
    }
    int32_t Validate(const stStimSetup& s) const override {
        if (!Is(m_mode, "Continuous") && !Is(m_mode, "Pulse")) return kStimResultDurationMode;
        if (m_count < 1 || m_count > kStimMaxCount) return kStimResultPulseNumber;
        if (s.widthLimitOn && m_width > s.widthLimit) return kStimResultWidthByLimit;
        if (!s.widthLimitOn && m_width > kStimWidthMax) return kStimResultMaxWidth;
        // A rate of 0 or below has no period at all.
        if (!(m_rate > 0.0) || m_rate > 1000.0 / (m_width + 0.1)) return kStimResultMaxRate;
        return kStimResultSuccess;
    }
    int32_t Apply(stStimSetup* s) const override {
        s->width = m_width;
        s->rate = m_rate;
        s->count = static_cast<int16_t>(m_count);
        s->continuous = Is(m_mode, "Continuous") ? 1 : 0;
        return kStimResultSuccess;
    }
    int32_t After(stAcq* acq) const override { return StopAndRestart(acq); }

private:
    char m_mode[32] = "";
    double m_count = 0, m_width = 0, m_rate = 0;
};

class CStimPrefCommand final : public CStimCommand {
public:
    CStimPrefCommand() : CStimCommand("StimPref") {}
    int32_t Parse(const char* const* w, int32_t n) override {
        if (n != 8 || !Number(w[1], &m_delay) || !Number(w[2], &m_correction) || !Number(w[3], &m_increment) ||
            !Number(w[6], &m_widthLimit))
            return kStimResultSyntax;
        lstrcpynA(m_start, w[0], sizeof(m_start));
        lstrcpynA(m_lock, w[4], sizeof(m_lock));
        lstrcpynA(m_limit, w[5], sizeof(m_limit));
        lstrcpynA(m_markers, w[7], sizeof(m_markers));
        return kStimResultSuccess;
    }
    int32_t Validate(const stStimSetup&) const override {
        if (!Is(m_start, "Acquisition") && !Is(m_start, "Button")) return kStimResultStartMode;
        if (m_delay < 0 || m_delay > kStimDelayMax) return kStimResultDelay;
        if (m_correction < 0 || m_correction > kStimCorrectionMax) return kStimResultFactor;
        // A rate cannot move in steps of nothing.
        if (!(m_increment > 0.0) || m_increment > kIncrementMax) return kStimResultIncrement;
        if (!Is(m_lock, "LockON") && !Is(m_lock, "LockOFF")) return kStimResultRateLock;
        if (!Is(m_limit, "LimitON") && !Is(m_limit, "LimitOFF")) return kStimResultWidthLimitMode;
        if (Is(m_limit, "LimitON") && (m_widthLimit < 0 || m_widthLimit > kStimWidthMax)) return kStimResultWidthLimit;
        if (!Is(m_markers, "MarkerON") && !Is(m_markers, "MarkerOFF")) return kStimResultMarkerMode;
        return kStimResultSuccess;
    }
    int32_t Apply(stStimSetup* s) const override {
        s->delay = m_delay;
        s->correction = m_correction;
        s->increment = m_increment;
        s->widthLimit = m_widthLimit;
        s->withAcquisition = Is(m_start, "Acquisition") ? 1 : 0;
        s->lockLimits = Is(m_lock, "LockON") ? 1 : 0;
        s->widthLimitOn = Is(m_limit, "LimitON") ? 1 : 0;
        s->markers = Is(m_markers, "MarkerON") ? 1 : 0;
        return kStimResultSuccess;
    }
    int32_t After(stAcq* acq) const override { return StopAndRestart(acq); }

private:
    char m_start[32] = "", m_lock[32] = "", m_limit[32] = "", m_markers[32] = "";
    double m_delay = 0, m_correction = 0, m_increment = 0, m_widthLimit = 0;
};

class CStimSwitchCommand final : public CStimCommand {
public:
    CStimSwitchCommand() : CStimCommand("Stim") {}
    int32_t Parse(const char* const* w, int32_t n) override {
        if (n != 1) return kStimResultSyntax;
        lstrcpynA(m_switch, w[0], sizeof(m_switch));
        return kStimResultSuccess;
    }
    int32_t Validate(const stStimSetup&) const override {
        return Is(m_switch, "ON") || Is(m_switch, "OFF") ? kStimResultSuccess : kStimResultOperation;
    }
    int32_t Apply(stStimSetup*) const override { return kStimResultSuccess; }
    // "ON" succeeds only when a start went out and the unit took it.
    int32_t After(stAcq* acq) const override {
        if (!StopStimulator(acq, 1)) return kStimResultStop;
        if (!Is(m_switch, "ON")) return kStimResultSuccess;
        int32_t code = -1;
        if (!StartStimulator(acq, &code)) return kStimResultCritical;
        if (code < 0) return kStimResultIgnored;
        return code == 0 ? kStimResultSuccess : kStimResultPulse;
    }

private:
    char m_switch[8] = "";
};

// The registry: at most 100 records, found by exact name.
class CStimCommandSet {
public:
    CStimCommandSet() {
        Add(new (std::nothrow) CStimModeCommand);
        Add(new (std::nothrow) CStimPrefCommand);
        Add(new (std::nothrow) CStimSwitchCommand);
    }
    CStimCommand* Find(const char* name) const {
        for (int32_t i = 0; i < m_count; ++i)
            if (Is(m_records[i]->Name(), name)) return m_records[i].get();
        return nullptr;
    }

private:
    void Add(CStimCommand* record) {
        if (record && m_count < kMaxRecords) m_records[m_count++].reset(record);
    }
    std::unique_ptr<CStimCommand> m_records[kMaxRecords];
    int32_t m_count = 0;
};

}  // namespace

const char* StimResultKey(int32_t kind) {
    for (const stKindKey& k : kResultKeys)
        if (k.kind == kind) return k.key;
    return "STIM UKnownw Key";
}

int32_t ExecuteStimCommand(stAcq* acq, const char* name, const char* const* words, int32_t count,
                           stStimResult* result) {
    static CStimCommandSet registry;
    CStimCommand* record = name ? registry.Find(name) : nullptr;
    lstrcpynA(result->variable, kNotDefined, kStimNameChars);
    result->kind = kStimResultIgnored;
    result->text = nullptr;
    if (!record) return 0;
    if (count > 0 && IsStringVariable(words[0])) {
        lstrcpynA(result->variable, words[0], kStimNameChars);
        ++words;
        --count;
    }
    stStimSetup copy = acq->stim;
    int32_t kind = record->Parse(words, count);
    if (kind == kStimResultSuccess) kind = record->Validate(copy);
    if (kind == kStimResultSuccess) kind = record->Apply(&copy);
    if (kind == kStimResultSuccess) {
        acq->stim = copy;
        kind = record->After(acq);
    }
    result->kind = kind;
    result->text = Keyed(StimResultKey(kind));
    return 1;
}

// Play-back sources: text files that stand in for the unit while a named graph records.
#include "devlib/acquisition/unit/playback.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/byte_order.h"
#include "common/scoped_handle.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/services/library.h"
#include "devlib/services/hints.h"
#include "devlib/vk40.h"

namespace {

constexpr double kFullScaleCounts = 65536.0;
constexpr double kInputRangeMv = 2 * 10000.0;  // millivolts across the converter at gain 1
constexpr double kSampleLimit = 32767.0;
constexpr int16_t kFreeSetupWord = 116;
constexpr int16_t kAssignedSetupWord = 9;
constexpr int32_t kStateFree = 4;
constexpr int32_t kStateAssigned = 1;

const char kUnknownResult[] = "Unknown result.";
const char kNoFreeStorage[] = "There is no free storage for source file, Please release any assigned data file first.";
const char kGraphNotReady[] = "The Initializing procedure of the Graph that you are tring to use is not completed yet.";
const char kNoSuchGraph[] = "There is no graph with such name.";
const char kCannotOpen[] = "Cannot open file that has to be used as data source for playback mode.";
const char kAlreadyAssigned[] = "Graph with such name already has assigned data file.";
const char kSuccess[] = "Success";

CSourceNavigator g_sources[kPlaybackSources];

// One field as the classic decimal conversion reads it, from at most the first 16 characters.
double ReadField(const char* begin, const char* end) {
    char field[kPlaybackFieldChars + 1] = {};
    const size_t n = std::min<size_t>(static_cast<size_t>(end - begin), kPlaybackFieldChars);
    memcpy(field, begin, n);
    return atof(field);
}

// Analog channels of the run: the run's count once set, else the enabled analog records.
uint32_t RunAnalogCount(const stAcq* acq) {
    if (acq->run.analogCount > 0) return static_cast<uint32_t>(acq->run.analogCount);
    uint32_t n = 0;
    for (int k = 0; k < kAnalogChannels; ++k)
        if (acq->chans[k].group == kGroupAnalog && (acq->chans[k].flags & kChanEnabled)) ++n;
    return n;
}

void CopyResult(char* result, const char* text) {
    if (!result) return;
    strncpy(result, text, kSourceResultChars - 1);
    result[kSourceResultChars - 1] = '\0';
}

// The reason of a refused assignment, and no source.
CSourceNavigator* Refused(char* result, const char* reason) {
    CopyResult(result, reason);
    return nullptr;
}

}  // namespace

// ---- Pure pieces ----

// Columns from the tabs of the first row, rows from the CR LF pairs; a row ends at its CR LF.
bool ParsePlaybackText(const char* text, size_t size, std::vector<double>* values, uint32_t* columns, uint32_t* rows) {
    *columns = 0;
    *rows = 0;
    values->clear();
    if (!text) return false;
    const char* end = text + size;
    for (const char* p = text; p < end && *p != '\r' && *p != '\n'; ++p)
        if (*p == '\t') ++*columns;
    for (size_t i = 0; i + 1 < size; ++i)
        if (text[i] == '\r' && text[i + 1] == '\n') ++*rows;
    if (!*columns || !*rows) return false;
    values->assign(static_cast<size_t>(*columns) * *rows, 0.0);
    const char* p = text;
    for (uint32_t r = 0; r < *rows; ++r) {
        const char* rowEnd = p;
        while (rowEnd + 1 < end && !(rowEnd[0] == '\r' && rowEnd[1] == '\n')) ++rowEnd;
        const char* field = p;
        for (uint32_t c = 0; c < *columns && field < rowEnd; ++c) {
            const char* tab = std::find(field, rowEnd, '\t');
            (*values)[static_cast<size_t>(r) * *columns + c] = ReadField(field, tab);
            field = tab < rowEnd ? tab + 1 : rowEnd;
        }
        p = rowEnd + 2;
    }
    return true;
}

// A stored volt at the amplifier's gain, in converter counts.
double PlaybackColumnFactor(double gain) { return gain > 0 ? kFullScaleCounts / (kInputRangeMv / gain) : 0.0; }

// The clock starts at the first poll and only the last tick moves after that. Restarting it
// from the previous poll would drop every poll's part frame, and a period longer than the poll
// interval would never deliver.
void PlaybackTick(stPlaybackClock* clock, uint32_t now) {
    if (!clock->started) {
        clock->started = 1;
        clock->originTick = now;
        clock->framesDelivered = 0;
    }
    clock->lastTick = now;
}

// Whole frames only; the part frame stays due. The tolerance keeps 2 ms at 0.4 ms from reading as
// 4.999... frames.
uint32_t PlaybackDueBytes(stPlaybackClock* clock, double periodMs, uint32_t channels) {
    if (periodMs <= 0 || !channels || !clock->started) return 0;
    const double elapsed = static_cast<double>(clock->lastTick - clock->originTick);  // wraps with the tick count
    const double frames = std::floor(elapsed / periodMs + 1e-9) - clock->framesDelivered;
    if (frames <= 0) return 0;
    clock->framesDelivered += frames;
    return static_cast<uint32_t>(frames) * channels * 2;
}

// The unit's word order, one frame per row; a run past the last row starts over.
uint32_t PlaybackFillSamples(const double* values, uint32_t columns, uint32_t rows, const double* factors,
                             uint32_t channels, uint32_t* cursor, uint32_t bytes, uint8_t* buffer) {
    if (!values || !channels || columns < channels) return 0;
    const uint32_t samples = bytes / 2;
    for (uint32_t i = 0; i < samples; ++i) {
        const uint32_t col = i % channels;
        double v = 0;
        if (*cursor < rows)
            v = values[static_cast<size_t>(*cursor) * columns + col] * factors[col];
        else
            *cursor = 0;
        v = std::clamp(v, -kSampleLimit, kSampleLimit);
        const uint16_t word = static_cast<uint16_t>(static_cast<int16_t>(v));
        PutBeU16(buffer + 2 * i, word);
        if (col == channels - 1 && *cursor < rows) ++*cursor;
    }
    return samples * 2;
}

// ---- CSourceNavigator ----

// Constructed free: the library's twenty sources exist from load to unload.
CSourceNavigator::CSourceNavigator() { strcpy(m_logicalName, kPlaybackFreeName); }

CSourceNavigator::~CSourceNavigator() { Release(); }

// The file is mapped only while it is parsed; the table lives in a moveable block kept locked.
int32_t CSourceNavigator::Load(const char* dataFile) {
    m_state = kStateAssigned;
    CScopedHandle file(
        CreateFileA(dataFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.HighPart != 0 || size.LowPart == 0) {
        Release();
        return 0;
    }
    CScopedHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    const void* view = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
    std::vector<double> values;
    uint32_t columns = 0, rows = 0;
    const bool parsed =
        view && ParsePlaybackText(static_cast<const char*>(view), size.LowPart, &values, &columns, &rows);
    if (view) UnmapViewOfFile(view);
    HGLOBAL h = parsed ? GlobalAlloc(GMEM_MOVEABLE, values.size() * sizeof(double)) : nullptr;
    double* table = h ? static_cast<double*>(GlobalLock(h)) : nullptr;
    if (!table) {
        if (h) GlobalFree(h);
        Release();
        return 0;
    }
    memcpy(table, values.data(), values.size() * sizeof(double));
    m_hTable = h;
    m_table = table;
    m_columns = columns;
    m_rows = rows;
    m_setupWords[0] = kAssignedSetupWord;
    m_setupWords[1] = 0;
    m_cursor = 0;
    m_rawCursor = 0;
    return 1;
}

// Back to the state of construction.
void CSourceNavigator::Release() {
    if (m_hTable) {
        GlobalUnlock(m_hTable);
        GlobalFree(m_hTable);
    }
    m_hTable = nullptr;
    m_table = nullptr;
    m_columns = m_rows = 0;
    m_setupWords[0] = kFreeSetupWord;
    m_setupWords[1] = 0;
    strcpy(m_logicalName, kPlaybackFreeName);
    memset(m_factors, 0, sizeof(m_factors));
    m_state = kStateFree;
    m_cursor = m_rawCursor = 0;
    m_wrap = 0;
    m_clockStarted = 0;
    m_lastTick = m_originTick = 0;
    m_framesDelivered = 0;
}

int32_t CSourceNavigator::IsFree() const { return strcmp(m_logicalName, kPlaybackFreeName) == 0; }

void CSourceNavigator::SetLogicalName(const char* name) {
    strncpy(m_logicalName, name ? name : "", kSourceNameChars - 1);
    m_logicalName[kSourceNameChars - 1] = '\0';
}

int32_t CSourceNavigator::MovetoBegin() {
    m_cursor = 0;
    return m_table ? 1 : 0;
}

int32_t CSourceNavigator::SeekNext() {
    if (!m_table || m_cursor >= m_rows) return 0;
    ++m_cursor;
    if (m_cursor >= m_rows && m_wrap) m_cursor = 0;
    return m_cursor < m_rows ? 1 : 0;
}

int32_t CSourceNavigator::GetCurSampleForChannel(unsigned long column, double* value) {
    if (!m_table || !value || column >= m_columns || m_cursor >= m_rows) return 0;
    *value = m_table[static_cast<size_t>(m_cursor) * m_columns + column];
    return 1;
}

uint32_t CSourceNavigator::GetNextData(unsigned long bytes, unsigned char* buffer, stAcq* acq) {
    if (!acq || !buffer) return 0;
    return PlaybackFillSamples(m_table, m_columns, m_rows, m_factors, RunAnalogCount(acq), &m_cursor,
                               static_cast<uint32_t>(bytes), buffer);
}

// The table's own bytes, from where the last call stopped, starting over at its end.
uint32_t CSourceNavigator::GetNextData(unsigned long bytes, unsigned char* buffer, unsigned short channels) {
    const size_t total = static_cast<size_t>(m_rows) * m_columns * 2;
    if (!m_table || !buffer || channels != m_columns || !total) return 0;
    const auto* raw = reinterpret_cast<const uint8_t*>(m_table);
    for (unsigned long i = 0; i < bytes; ++i) {
        if (m_rawCursor >= total) m_rawCursor = 0;
        buffer[i] = raw[m_rawCursor++];
    }
    return static_cast<uint32_t>(bytes);
}

// Column k is scaled with the gain of the run's k-th analog channel.
int32_t CSourceNavigator::OnBeginAcquisition(stAcq* acq) {
    if (!acq || !m_table || m_columns < RunAnalogCount(acq)) return 0;
    memset(m_factors, 0, sizeof(m_factors));
    if (m_columns <= kPlaybackMaxFactors) {
        uint32_t k = 0;
        for (int c = 0; c < kAnalogChannels && k < m_columns; ++c)
            if (acq->chans[c].group == kGroupAnalog && (acq->chans[c].flags & kChanEnabled))
                m_factors[k++] = PlaybackColumnFactor(acq->chans[c].gain);
    }
    m_clockStarted = 0;
    m_lastTick = m_originTick = 0;
    m_framesDelivered = 0;
    acq->run.statusState = kStatusDataFlowing;
    return 1;
}

int32_t CSourceNavigator::OnEndAcquisition(stAcq* acq) {
    if (acq) acq->run.statusState = kStatusReady;
    return 1;
}

void CSourceNavigator::Tick(uint32_t now) {
    stPlaybackClock clock{m_clockStarted, m_lastTick, m_originTick, m_framesDelivered};
    PlaybackTick(&clock, now);
    m_clockStarted = clock.started;
    m_lastTick = clock.lastTick;
    m_originTick = clock.originTick;
    m_framesDelivered = clock.framesDelivered;
}

uint32_t CSourceNavigator::CalculateAndAdjust(double periodMs, unsigned long channels, unsigned short bytesPerSample) {
    stPlaybackClock clock{m_clockStarted, m_lastTick, m_originTick, m_framesDelivered};
    const uint32_t bytes = PlaybackDueBytes(&clock, periodMs, static_cast<uint32_t>(channels));
    m_framesDelivered = clock.framesDelivered;
    return bytesPerSample == 2 ? bytes : bytes / 2 * bytesPerSample;
}

// ---- The registry ----

// Exact names, from the last entry to the first.
CSourceNavigator* SrcNavFindNavigator(const char* graphName) {
    if (!graphName) return nullptr;
    for (int i = kPlaybackSources - 1; i >= 0; --i)
        if (!g_sources[i].IsFree() && strcmp(g_sources[i].GetLogicalName(), graphName) == 0) return &g_sources[i];
    return nullptr;
}

CSourceNavigator* SrcNavAssign(stAcq* acq, const char* dataFile, const char* graphName, char* result) {
    CopyResult(result, kUnknownResult);
    CSourceNavigator* nav = nullptr;
    for (auto& s : g_sources)
        if (s.IsFree()) {
            nav = &s;
            break;
        }
    if (!nav) return Refused(result, kNoFreeStorage);
    const tagGS* gs = acq ? acq->run.attachedGraph : nullptr;
    if (!gs) return Refused(result, kGraphNotReady);
    if (!graphName || strcmp(gs->title, graphName) != 0) return Refused(result, kNoSuchGraph);
    if (!dataFile || !nav->Load(dataFile)) return Refused(result, kCannotOpen);
    nav->SetLogicalName(graphName);
    HWND button = acq->run.hwndStartButton;
    if (button && IsWindow(button)) m_MLBitmap.SetBitmap(button, MLBMP_PLAYBACK_IDLE, 1);
    nav->MovetoBegin();
    return nav;
}

int32_t SrcNavRelease(const char* graphName) {
    CSourceNavigator* nav = SrcNavFindNavigator(graphName);
    if (!nav) return 0;
    nav->Release();
    return 1;
}

// ---- The library's reads ----

int32_t PlaybackServesGraph(const tagGS* gs) { return gs && SrcNavFindNavigator(gs->title) ? 1 : 0; }

// A frame with the digital word takes the file's columns for its analog words only: the file has
// no digital inputs, so that word reads 0 and the next frame's columns stay in place.
int32_t PlaybackReadSamples(stAcq* acq, tagGS* gs, const uint8_t*, uint16_t length, uint8_t* buffer) {
    CSourceNavigator* nav = gs ? SrcNavFindNavigator(gs->title) : nullptr;
    if (!nav) return 0;
    const int32_t analogBytes = 2 * acq->run.analogCount;
    const int32_t frameSize = acq->run.frameSize;
    if (analogBytes <= 0 || frameSize <= analogBytes)
        return static_cast<int32_t>(nav->GetNextData(length, buffer, acq));
    int32_t filled = 0;
    for (; filled + frameSize <= length; filled += frameSize) {
        if (!nav->GetNextData(static_cast<unsigned long>(analogBytes), buffer + filled, acq)) return 0;
        memset(buffer + filled + analogBytes, 0, static_cast<size_t>(frameSize - analogBytes));
    }
    return filled;
}

uint32_t PlaybackPollBytes(tagGS* gs, double periodMs, uint32_t channels, uint32_t now) {
    CSourceNavigator* nav = gs ? SrcNavFindNavigator(gs->title) : nullptr;
    if (!nav) return 0;
    nav->Tick(now);
    return nav->CalculateAndAdjust(periodMs, channels, 2);
}

// ---- The lesson statement ----

namespace {

struct stPlayBackStatement {
    char verb[256];
    int32_t letter;      // 0-25
    int32_t macroLocal;  // "@": the lesson's own variable; "$": the application's
    char graph[1024];
    char file[1024];
};

// "PlayBack <verb> <letter>$|@ <graph> <file>"; false for any other shape.
bool ParsePlayBackStatement(const char* line, stPlayBackStatement* st) {
    const stHostCallbacks* host = &g_lib.host;
    char word[256] = {};
    const char* pos = line;
    int32_t n = HostGetScriptToken(host, pos, word);
    if (!n || _stricmp(word, "PlayBack") != 0) return false;
    pos += n;
    if (!(n = HostGetScriptToken(host, pos, st->verb))) return false;
    pos += n;
    if (!(n = HostGetScriptToken(host, pos, word))) return false;
    pos += n;
    if (strlen(word) != 2 || word[0] < 'A' || word[0] > 'Z' || (word[1] != '$' && word[1] != '@')) return false;
    st->letter = word[0] - 'A';
    st->macroLocal = word[1] == '@';
    if (!(n = HostEvaluateScriptExpression(host, pos, st->graph))) return false;
    pos += n;
    return HostEvaluateScriptExpression(host, pos, st->file) != 0;
}

// Assigns through the library's record; true on success, the reason in result otherwise.
bool AssignFromStatement(const stPlayBackStatement& st, char* result) {
    AcqLock acq(g_lib.hAcq);
    if (!SrcNavAssign(acq.get(), st.file, st.graph, result)) return false;
    CopyResult(result, kSuccess);
    return true;
}

}  // namespace

int32_t ExecPlayBackMacro(const char* line) {
    if (!line) return 0;
    stPlayBackStatement st{};
    if (!ParsePlayBackStatement(line, &st)) return 0;
    char result[kSourceResultChars];
    CopyResult(result, kUnknownResult);
    bool ok = false;
    if (_stricmp(st.verb, "Assign") == 0) {
        if (SrcNavFindNavigator(st.graph))
            CopyResult(result, kAlreadyAssigned);
        else
            ok = AssignFromStatement(st, result);
    } else if (_stricmp(st.verb, "Reassign") == 0) {
        SrcNavRelease(st.graph);
        ok = AssignFromStatement(st, result);
    } else if (_stricmp(st.verb, "Release") == 0) {
        if (!SrcNavFindNavigator(st.graph)) {
            CopyResult(result, kNoSuchGraph);
        } else {
            ok = SrcNavRelease(st.graph) != 0;
            CopyResult(result, ok ? kSuccess : kUnknownResult);
        }
    }
    HostAssignScriptStringVariable(&g_lib.host, st.letter, result, st.macroLocal);
    return ok ? 1 : 0;
}

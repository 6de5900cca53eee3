// The wrappers through which both modules call the binding tables: each reaches its own entry
// with the arguments in order, and a missing table or entry answers the failure value unharmed.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/binding.h"

namespace {

std::vector<std::string> g_calls;

template <typename... A>
void Note(const char* entry, A... args) {
    std::ostringstream s;
    s << entry;
    ((s << ' ' << args), ...);
    g_calls.push_back(s.str());
}

template <typename T>
T* P(uintptr_t v) {
    return reinterpret_cast<T*>(v);
}
HWND W(uintptr_t v) { return reinterpret_cast<HWND>(v); }
HGLOBAL G(uintptr_t v) { return reinterpret_cast<HGLOBAL>(v); }

// ---- Device operations ----

stDriverOps RecordingOps() {
    stDriverOps ops{};
    ops.initialize = [](HWND f, stHostCallbacks* h, stDriverOps* o, int32_t* l, HGLOBAL* a, int32_t flag) -> int32_t {
        Note("initialize", f, h, o, l, a, flag);
        return 11;
    };
    ops.onIdleAcquisition = [](HGLOBAL a, HWND g) -> int32_t {
        Note("idle", a, g);
        return 12;
    };
    ops.onDriverCommand = [](HGLOBAL a, HWND w, int32_t id, const char* t, int32_t i) -> int32_t {
        Note("command", a, w, id, t, i);
        return 13;
    };
    ops.onGraphCreated = [](HGLOBAL a, HWND w, tagGS* gs, int16_t m, int32_t c) -> int32_t {
        Note("created", a, w, gs, m, c);
        return 14;
    };
    ops.storeSetupInGraph = [](HGLOBAL a, tagGS* gs) -> int32_t {
        Note("store", a, gs);
        return 15;
    };
    ops.refreshInputValues = [](HGLOBAL a, int32_t x) -> int32_t {
        Note("refresh", a, x);
        return 16;
    };
    ops.shutdownDriver = []() -> int32_t {
        Note("shutdown");
        return 17;
    };
    ops.paintGraphStatus = [](HGLOBAL a, tagGS* gs, int32_t x) -> int32_t {
        Note("paint", a, gs, x);
        return 18;
    };
    ops.onGraphResized = [](HGLOBAL a, tagGS* gs) -> int32_t {
        Note("resized", a, gs);
        return 19;
    };
    ops.onGraphActivated = [](HGLOBAL a, tagGS* gs, int32_t k) -> int32_t {
        Note("activated", a, gs, k);
        return 20;
    };
    ops.onGraphClosed = [](HGLOBAL a) -> int32_t {
        Note("closed", a);
        return 21;
    };
    ops.onSysColorChange = []() -> int32_t {
        Note("colours");
        return 22;
    };
    ops.execDriverScriptLine = [](HGLOBAL a, stScriptStatement* st) -> int32_t {
        Note("line", a, st);
        return 23;
    };
    ops.appendDriverMenu = [](HWND f) -> int32_t {
        Note("menu", f);
        return 24;
    };
    ops.hideDriverPanels = [](HGLOBAL a) { Note("hidePanels", a); };
    ops.setDriverValue = [](int32_t v) -> int32_t {
        Note("value", v);
        return 25;
    };
    ops.hideGraphButton = [](HGLOBAL a) { Note("hideButton", a); };
    ops.onWriteFile = [](int32_t x) -> int32_t {
        Note("write", x);
        return 26;
    };
    return ops;
}

struct stDrvCase {
    const char* expected;  // what the entry saw; "@ops" stands for the table itself
    int32_t result;
    std::function<int32_t(stDriverOps*)> call;
};

// One call of every wrapper; the operations without a result answer -1 here.
std::vector<stDrvCase> DrvCases() {
    return {
        {"initialize 0x1 0x2 @ops 0x4 0x5 1", 11,
         [](stDriverOps* o) { return DrvInitialize(o, W(1), P<stHostCallbacks>(2), P<int32_t>(4), P<HGLOBAL>(5), 1); }},
        {"idle 0xa 0xb", 12, [](stDriverOps* o) { return DrvIdle(o, G(0xa), W(0xb)); }},
        {"command 0xa 0xb 5018 text 3", 13,
         [](stDriverOps* o) { return DrvCommand(o, G(0xa), W(0xb), 5018, "text", 3); }},
        {"created 0xa 0xb 0xc 2 1", 14,
         [](stDriverOps* o) { return DrvGraphCreated(o, G(0xa), W(0xb), P<tagGS>(0xc), 2, 1); }},
        {"store 0xa 0xc", 15, [](stDriverOps* o) { return DrvStoreSetupInGraph(o, G(0xa), P<tagGS>(0xc)); }},
        {"refresh 0xa 0", 16, [](stDriverOps* o) { return DrvRefreshInputValues(o, G(0xa)); }},
        {"shutdown", 17, [](stDriverOps* o) { return DrvShutdown(o); }},
        {"paint 0xa 0xc 0", 18, [](stDriverOps* o) { return DrvPaintGraphStatus(o, G(0xa), P<tagGS>(0xc)); }},
        {"resized 0xa 0xc", 19, [](stDriverOps* o) { return DrvGraphResized(o, G(0xa), P<tagGS>(0xc)); }},
        {"activated 0xa 0xc 1", 20, [](stDriverOps* o) { return DrvGraphActivated(o, G(0xa), P<tagGS>(0xc), 1); }},
        {"closed 0xa", 21, [](stDriverOps* o) { return DrvGraphClosed(o, G(0xa)); }},
        {"colours", 22, [](stDriverOps* o) { return DrvSysColorChange(o); }},
        {"line 0xa 0xd", 23, [](stDriverOps* o) { return DrvExecScriptLine(o, G(0xa), P<stScriptStatement>(0xd)); }},
        {"menu 0x1", 24, [](stDriverOps* o) { return DrvAppendMenu(o, W(1)); }},
        {"hidePanels 0xa", -1,
         [](stDriverOps* o) {
             DrvHidePanels(o, G(0xa));
             return -1;
         }},
        {"value -7", 25, [](stDriverOps* o) { return DrvSetValue(o, -7); }},
        {"hideButton 0xa", -1,
         [](stDriverOps* o) {
             DrvHideGraphButton(o, G(0xa));
             return -1;
         }},
        {"write 0", 26, [](stDriverOps* o) { return DrvWriteFile(o); }},
    };
}

// The initialisation hands the library the table it was reached through, for it to fill.
TEST(DriverOpCalls, EachWrapperReachesItsOwnEntryWithItsArguments) {
    stDriverOps ops = RecordingOps();
    std::ostringstream table;
    table << static_cast<void*>(&ops);
    for (const stDrvCase& c : DrvCases()) {
        std::string expected = c.expected;
        if (size_t at = expected.find("@ops"); at != std::string::npos) expected.replace(at, 4, table.str());
        g_calls.clear();
        const int32_t result = c.call(&ops);
        ASSERT_EQ(g_calls.size(), 1u) << c.expected;
        EXPECT_EQ(g_calls[0], expected);
        EXPECT_EQ(result, c.result) << c.expected;
    }
}

TEST(DriverOpCalls, MissingTableOrEntryCallsNothingAndAnswersZero) {
    stDriverOps empty{};
    for (stDriverOps* table : {static_cast<stDriverOps*>(nullptr), &empty}) {
        for (const stDrvCase& c : DrvCases()) {
            g_calls.clear();
            const int32_t result = c.call(table);
            EXPECT_TRUE(g_calls.empty()) << c.expected;
            EXPECT_EQ(result, c.result == -1 ? -1 : 0) << c.expected << (table ? " (empty table)" : " (no table)");
        }
    }
}

// ---- Host callbacks ----

int g_scriptObject;

stHostCallbacks RecordingHost() {
    stHostCallbacks t{};
    t.syncChannelDisplayFlags = [](tagGS* gs) { Note("sync", gs); };
    t.updateAllMeasurements = [](tagGS* gs) { Note("measure", gs); };
    t.getSegmentEnd = [](tagGS* gs, stMarkerNode* n) -> uint32_t {
        Note("segEnd", gs, n);
        return 2;
    };
    t.findMarkerAfter = [](tagGS* gs, stMarkerNode* n, uint32_t p, int32_t ty) {
        Note("after", gs, n, p, ty);
        return P<stMarkerNode>(3);
    };
    t.findMarkerAtOrAfter = [](tagGS* gs, stMarkerNode* n, uint32_t p, int32_t ty) {
        Note("atOrAfter", gs, n, p, ty);
        return P<stMarkerNode>(4);
    };
    t.firstMarkerOfType = [](tagGS* gs, int32_t ty) {
        Note("first", gs, ty);
        return P<stMarkerNode>(5);
    };
    t.nextMarkerOfType = [](tagGS* gs, stMarkerNode* n, int32_t ty) {
        Note("next", gs, n, ty);
        return P<stMarkerNode>(6);
    };
    t.getChannelSample = [](tagGS* gs, int32_t i, int32_t s, double* out) -> int32_t {
        Note("get", gs, i, s, out);
        return 7;
    };
    t.putChannelSample = [](tagGS* gs, int32_t i, int32_t s, double v, int32_t g) -> int32_t {
        Note("put", gs, i, s, v, g);
        return 8;
    };
    t.drawGraphWaveforms = [](HDC dc, tagGS* gs, int16_t c, double f, double sp, int16_t st) -> int32_t {
        Note("draw", dc, gs, c, f, sp, st);
        return 9;
    };
    t.drawGraphWaveforms2 = [](HDC dc, tagGS* gs, int32_t a, int32_t b, int16_t o) -> int32_t {
        Note("draw2", dc, gs, a, b, o);
        return 10;
    };
    t.drawTimeAxis = [](HDC dc, tagGS* gs) { Note("axis", dc, gs); };
    t.onGraphChanged = [](tagGS* gs, int32_t a, int32_t b, int32_t c) -> int32_t {
        Note("changed", gs, a, b, c);
        return 12;
    };
    t.onGraphViewChanged = [](tagGS* gs, int32_t k) { Note("view", gs, k); };
    t.writeAcqFile = [](tagGS* gs, HANDLE f, int32_t m) -> int32_t {
        Note("writeFile", gs, f, m);
        return 14;
    };
    t.setActiveModelessDialog = [](HWND d) {
        Note("dialog", d);
        return static_cast<void*>(P<char>(15));
    };
    t.updateHScrollBar = [](tagGS* gs) { Note("hscroll", gs); };
    t.drawChannelGrid = [](HDC dc, tagGS* gs, int32_t s) { Note("grid", dc, gs, s); };
    t.evaluateExpressionAt = [](tagGS* gs, int32_t i, const char* e, double* out) -> int32_t {
        Note("expr", gs, i, e, out);
        return 18;
    };
    t.insertMarker = [](tagGS* gs, double ms, int32_t u, const char* l, int32_t ty) {
        Note("insert", gs, ms, u, l, ty);
        return P<stMarkerNode>(19);
    };
    t.getSelectionSampleRange = [](tagGS* gs, int32_t* f, int32_t* l, int16_t c) -> int32_t {
        Note("selection", gs, f, l, c);
        return 20;
    };
    t.getChannelClipboard = [](tagGS** out) -> int32_t {
        Note("getClip", out);
        return 21;
    };
    t.setChannelClipboard = [](tagGS* gs) -> int32_t {
        Note("setClip", gs);
        return 22;
    };
    t.getWindowGraph = [](HWND w) {
        Note("graph", w);
        return P<tagGS>(23);
    };
    t.loadSampleWindow = [](tagGS* gs, int32_t s, int32_t l) -> int32_t {
        Note("load", gs, s, l);
        return 24;
    };
    t.getScriptNestingDepth = []() -> int32_t {
        Note("depth");
        return 25;
    };
    t.getScriptToken = [](const char* p, char* out) -> int32_t {
        Note("token", p, static_cast<void*>(out));
        return 26;
    };
    t.getScriptNumber = [](const char* p, double* out) -> int32_t {
        Note("number", p, out);
        return 27;
    };
    t.evaluateScriptExpression = [](const char* p, char* out) -> int32_t {
        Note("string", p, static_cast<void*>(out));
        return 28;
    };
    t.assignScriptStringVariable = [](int32_t l, const char* s, int32_t m) { Note("setString", l, s, m); };
    t.assignScriptNumericVariable = [](void* c, const char* n, double v) { Note("setNumber", c, n, v); };
    t.runScriptSubroutine = [](void* s, const char* n, int32_t f) -> int32_t {
        Note("run", s == &g_scriptObject ? "script" : "other", n, f);
        return 31;
    };
    t.redrawMarkerBar = [](tagGS* gs) { Note("markerBar", gs); };
    t.scriptObject = &g_scriptObject;
    return t;
}

struct stHostCase {
    const char* expected;
    intptr_t result;  // -1 for the callbacks without a result
    std::function<intptr_t(const stHostCallbacks*)> call;
};

intptr_t I(const void* p) { return reinterpret_cast<intptr_t>(p); }

std::vector<stHostCase> HostCases() {
    using T = const stHostCallbacks*;
    tagGS* const gs = P<tagGS>(0xc);
    stMarkerNode* const node = P<stMarkerNode>(0xe);
    HDC const dc = P<HDC__>(0xdc);
    return {
        {"sync 0xc", -1,
         [=](T t) {
             HostSyncChannelDisplayFlags(t, gs);
             return -1;
         }},
        {"measure 0xc", -1,
         [=](T t) {
             HostUpdateAllMeasurements(t, gs);
             return -1;
         }},
        {"segEnd 0xc 0xe", 2, [=](T t) { return HostGetSegmentEnd(t, gs, node); }},
        {"after 0xc 0xe 40 3", 3, [=](T t) { return I(HostFindMarkerAfter(t, gs, node, 40, 3)); }},
        {"atOrAfter 0xc 0xe 41 2", 4, [=](T t) { return I(HostFindMarkerAtOrAfter(t, gs, node, 41, 2)); }},
        {"first 0xc 1", 5, [=](T t) { return I(HostFirstMarkerOfType(t, gs, 1)); }},
        {"next 0xc 0xe 0", 6, [=](T t) { return I(HostNextMarkerOfType(t, gs, node, 0)); }},
        {"get 0xc 100 2 0x20", 7, [=](T t) { return HostGetChannelSample(t, gs, 100, 2, P<double>(0x20)); }},
        {"put 0xc 101 3 2.5 1", 8, [=](T t) { return HostPutChannelSample(t, gs, 101, 3, 2.5, 1); }},
        {"draw 0xdc 0xc 4 1.5 20 8", 9, [=](T t) { return HostDrawGraphWaveforms(t, dc, gs, 4, 1.5, 20.0, 8); }},
        {"draw2 0xdc 0xc 10 20 1", 10, [=](T t) { return HostDrawGraphWaveforms2(t, dc, gs, 10, 20, 1); }},
        {"axis 0xdc 0xc", -1,
         [=](T t) {
             HostDrawTimeAxis(t, dc, gs);
             return -1;
         }},
        {"changed 0xc 1 2 3", 12, [=](T t) { return HostOnGraphChanged(t, gs, 1, 2, 3); }},
        {"view 0xc 2", -1,
         [=](T t) {
             HostOnGraphViewChanged(t, gs, 2);
             return -1;
         }},
        {"writeFile 0xc 0x30 1", 14, [=](T t) { return HostWriteAcqFile(t, gs, P<void>(0x30), 1); }},
        {"dialog 0x40", 15, [=](T t) { return I(HostSetActiveModelessDialog(t, W(0x40))); }},
        {"hscroll 0xc", -1,
         [=](T t) {
             HostUpdateHScrollBar(t, gs);
             return -1;
         }},
        {"grid 0xdc 0xc 5", -1,
         [=](T t) {
             HostDrawChannelGrid(t, dc, gs, 5);
             return -1;
         }},
        {"expr 0xc 7 c1+1 0x20", 18, [=](T t) { return HostEvaluateExpressionAt(t, gs, 7, "c1+1", P<double>(0x20)); }},
        {"insert 0xc 12.5 1 Start 3", 19, [=](T t) { return I(HostInsertMarker(t, gs, 12.5, 1, "Start", 3)); }},
        {"selection 0xc 0x50 0x54 6", 20,
         [=](T t) { return HostGetSelectionSampleRange(t, gs, P<int32_t>(0x50), P<int32_t>(0x54), 6); }},
        {"getClip 0x60", 21, [=](T t) { return HostGetChannelClipboard(t, P<tagGS*>(0x60)); }},
        {"setClip 0xc", 22, [=](T t) { return HostSetChannelClipboard(t, gs); }},
        {"graph 0x40", 23, [=](T t) { return I(HostGetWindowGraph(t, W(0x40))); }},
        {"load 0xc 1000 500", 24, [=](T t) { return HostLoadSampleWindow(t, gs, 1000, 500); }},
        {"depth", 25, [=](T t) { return HostGetScriptNestingDepth(t); }},
        {"token SET 0x70", 26, [=](T t) { return HostGetScriptToken(t, "SET", P<char>(0x70)); }},
        {"number 2*3 0x20", 27, [=](T t) { return HostGetScriptNumber(t, "2*3", P<double>(0x20)); }},
        {"string A$ 0x70", 28, [=](T t) { return HostEvaluateScriptExpression(t, "A$", P<char>(0x70)); }},
        {"setString 1 abc 0", -1,
         [=](T t) {
             HostAssignScriptStringVariable(t, 1, "abc", 0);
             return -1;
         }},
        {"setNumber 0x80 R 4.5", -1,
         [=](T t) {
             HostAssignScriptNumericVariable(t, P<void>(0x80), "R", 4.5);
             return -1;
         }},
        {"run script OnIdleAcquisition 0", 31, [=](T t) { return HostRunScriptSubroutine(t, "OnIdleAcquisition", 0); }},
        {"markerBar 0xc", -1,
         [=](T t) {
             HostRedrawMarkerBar(t, gs);
             return -1;
         }},
    };
}

TEST(HostCallbackCalls, EachWrapperReachesItsOwnEntryWithItsArguments) {
    const stHostCallbacks host = RecordingHost();
    const std::vector<stHostCase> cases = HostCases();
    EXPECT_EQ(cases.size(), static_cast<size_t>(kHostCallbackSlots - 1)) << "one wrapper per operation";
    for (const stHostCase& c : cases) {
        g_calls.clear();
        const intptr_t result = c.call(&host);
        ASSERT_EQ(g_calls.size(), 1u) << c.expected;
        EXPECT_EQ(g_calls[0], c.expected);
        EXPECT_EQ(result, c.result) << c.expected;
    }
}

TEST(HostCallbackCalls, MissingTableOrEntryCallsNothingAndAnswersTheFailureValue) {
    const stHostCallbacks empty{};
    for (const stHostCallbacks* table : {static_cast<const stHostCallbacks*>(nullptr), &empty}) {
        for (const stHostCase& c : HostCases()) {
            g_calls.clear();
            const intptr_t result = c.call(table);
            EXPECT_TRUE(g_calls.empty()) << c.expected;
            EXPECT_EQ(result, c.result == -1 ? -1 : 0) << c.expected << (table ? " (empty table)" : " (no table)");
        }
    }
}

}  // namespace

// GET: the lesson reads the program's state and the display settings of its current graph into
// its variables. Every channel index a lesson gives is checked before it is used.
#include "scripts/words/word_fields.h"
#include "scripts/words/word_table.h"
#include "transforms/expression/expression.h"
#include "base/app.h"
#include "base/notify.h"
#include "scripts/scripts_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measure_box.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/render/grid_lines.h"
#include "graph/view/channel_selection.h"
#include "common/keyed_format.h"
#include "scripts/words/graph_words.h"
#include "scripts/words/get_set_words.h"
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// ---- GET ----

bool AssignNumber(stScriptCall& call, CWordFields& fields, double value) {
    char name[kScriptWordChars];
    if (!fields.Word(name) || !IsNumericVariableName(name)) return false;
    AssignScriptNumericVariable(call.frame, name, value);
    return true;
}

bool AssignText(CWordFields& fields, const char* text) {
    char name[kScriptWordChars];
    int index = 0, macro = 0;
    if (!fields.Word(name) || !ParseScriptStringVariable(name, &index, &macro)) return false;
    AssignScriptStringVariable(index, text, macro);
    return true;
}

int16_t GetDriverInfo(stScriptCall& call, CWordFields& fields) {
    char path[kScriptWordChars], number[kScriptWordChars], answer[kScriptWordChars];
    if (!fields.Word(path) || !fields.Word(number) || !fields.Word(answer)) return kScriptStop;
    if (!IsAsciiLetter(path[0]) || !IsAsciiLetter(number[0]) || !IsAsciiLetter(answer[0])) return kScriptStop;
    char driver[MAX_PATH] = "";
    int32_t kind = 0;
    if (!GetDriverName(driver, &kind)) {
        driver[0] = 0;
        kind = 255;
    }
    int index = 0, macro = 0;
    if (!ParseScriptStringVariable(path, &index, &macro)) return kScriptStop;
    AssignScriptStringVariable(index, driver, macro);
    AssignScriptNumericVariable(call.frame, number, kind);
    if (!ParseScriptStringVariable(answer, &index, &macro)) return kScriptStop;
    AssignScriptStringVariable(index, GetConnectToVK40IsDesired() ? "YES" : "NO", macro);
    return kScriptGoOn;
}

const char* HorizontalUnitName(const tagGS* gs) {
    auto keyed = [](const char* key) {
        const char* text = Keyed(key);
        return *text ? text : key;
    };
    switch (gs->hUnitKind) {
    case kHUnitTime: return keyed("seconds");
    case kHUnitFrequency: return "Hz";
    case kHUnitClock: return keyed("Time");
    default: return gs->hUnitName;
    }
}

// Lock, minor lines and midpoint as 0/1 flags, then the list places of the major and minor pens.
int16_t GetGridOptions(stScriptCall& call, CWordFields& fields, const tagGS* gs) {
    const double values[] = {gs->gridLocked ? 0.0 : 1.0,
                             IsGridFine(gs) ? 0.0 : 1.0,
                             IsGridMidpoint(gs) ? 1.0 : 0.0,
                             static_cast<double>(GridListIndex(kGridStyles, gs->gridOptions[0])),
                             static_cast<double>(GridListIndex(kGridWidths, gs->gridOptions[2])),
                             static_cast<double>(GridListIndex(kGridColors, gs->gridColor)),
                             static_cast<double>(GridListIndex(kGridStyles, gs->gridOptions[1])),
                             static_cast<double>(GridListIndex(kGridWidths, gs->gridOptions[3])),
                             static_cast<double>(GridListIndex(kGridColors, gs->gridMinorColor))};
    for (double v : values)
        if (!AssignNumber(call, fields, v)) return kScriptStop;
    return kScriptGoOn;
}

using GetHandler = int16_t (*)(stScriptCall& call, CWordFields& fields, tagGS* gs);

// DISPLAYMODE var: 1 scope, 2 chart, 3 XY.
int16_t GetDisplayMode(stScriptCall& call, CWordFields& fields, tagGS* gs) {
    if (gs->displayMode > kModeXY) return kScriptStop;
    return AssignNumber(call, fields, gs->displayMode + 1.0) ? kScriptGoOn : kScriptStop;
}

int16_t GetHorizontalGrid(stScriptCall& call, CWordFields& fields, tagGS* gs) {
    const bool ok = AssignNumber(call, fields, gs->hPerDiv) && AssignNumber(call, fields, gs->gridExtraValue);
    return ok ? kScriptGoOn : kScriptStop;
}

int16_t GetVerticalGrid(stScriptCall& call, CWordFields& fields, tagGS* gs) {
    const int c = LessonChannelOf(fields.Number());
    if (c < 0 || CWordFields::Bad()) return kScriptStop;
    const bool ok =
        AssignNumber(call, fields, gs->chanVDivisions[c]) && AssignNumber(call, fields, gs->chanVOffsetDiv[c]);
    return ok ? kScriptGoOn : kScriptStop;
}

// HSCALE a, b, unit$: per division and start, a range about a midpoint, or start and end.
int16_t GetHorizontalScale(stScriptCall& call, CWordFields& fields, tagGS* gs) {
    double a = gs->hPerDiv, b = gs->hStart;
    if (gs->gridLocked && IsGridMidpoint(gs)) {
        a = gs->hDivisions * gs->hPerDiv;
        b = a / 2 + gs->hStart;
    } else if (gs->gridLocked) {
        a = gs->hStart + gs->hDivisions * gs->hPerDiv;
    }
    const bool ok = AssignNumber(call, fields, a) && AssignNumber(call, fields, b) &&
                    AssignText(fields, HorizontalUnitName(gs));
    return ok ? kScriptGoOn : kScriptStop;
}

// VSCALE channel, a, b, unit$: as HSCALE, for one channel.
int16_t GetVerticalScale(stScriptCall& call, CWordFields& fields, tagGS* gs) {
    const int c = LessonChannelOf(fields.Number());
    if (c < 0 || CWordFields::Bad()) return kScriptStop;
    double a = gs->chanVPerDiv[c], b = gs->chanVCenter[c];
    if (gs->gridLocked && IsGridMidpoint(gs)) {
        a = gs->chanVDivisions[c] * gs->chanVPerDiv[c];
    } else if (gs->gridLocked) {
        const double half = gs->chanVDivisions[c] * gs->chanVPerDiv[c] / 2;
        a = gs->chanVCenter[c] + half;
        b = gs->chanVCenter[c] - half;
    }
    const bool ok =
        AssignNumber(call, fields, a) && AssignNumber(call, fields, b) && AssignText(fields, gs->chanUnits[c]);
    return ok ? kScriptGoOn : kScriptStop;
}

// GET's targets on the script's graph; an unknown one fails.
const stWordRow<GetHandler> kGetWithDocument[] = {
    {"DISPLAYMODE", GetDisplayMode},
    {"GRIDOPTIONS", [](stScriptCall& c, CWordFields& f, tagGS* gs) { return GetGridOptions(c, f, gs); }},
    {"HGRID", GetHorizontalGrid},
    {"VGRID", GetVerticalGrid},
    {"HSCALE", GetHorizontalScale},
    {"VSCALE", GetVerticalScale},
};

}  // namespace

int16_t ScriptWordGet(stScriptCall& call) {
    CWordFields fields(call.rest);
    char target[kScriptWordChars];
    if (!fields.Word(target)) return kScriptStop;
    if (ScriptWordIs(target, "VKMODELNUM"))
        return AssignNumber(call, fields, CVKDevice::GetDeviceNum()) ? kScriptGoOn : kScriptStop;
    if (ScriptWordIs(target, "DRIVERINFO")) return GetDriverInfo(call, fields);
    // The active graph window's title, whether or not the script has a graph of its own: the
    // start-up script's File menu subroutines save the graph the user works on.
    if (ScriptWordIs(target, "ACTIVEWNDTITLE")) {
        char title[MAX_PATH] = "";
        if (g_app->hwndActiveGraph && IsWindow(g_app->hwndActiveGraph))
            GetWindowTextA(g_app->hwndActiveGraph, title, sizeof title);
        return AssignText(fields, title) ? kScriptGoOn : kScriptStop;
    }
    tagGS* gs = g_script.graph;
    if (!gs) return ScriptWordIs(target, "DISPLAYMODE") ? kScriptStop : kScriptGoOn;
    if (const auto* row = FindWordRow(kGetWithDocument, target)) return row->run(call, fields, gs);
    return kScriptStop;
}

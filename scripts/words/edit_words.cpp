// EDIT: the lesson runs the channel edits of the Edit menu on its current graph.
#include "scripts/words/word_fields.h"
#include "scripts/words/word_table.h"
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

// ---- EDIT ----

double WholeLength(const tagGS* gs) { return gs->totalSamples * gs->sampleInterval; }

bool AnySlotInUse(const tagGS* gs) {
    for (int s = 0; s < kMaxChannels; ++s)
        if (gs->chanFlags[s] & kChanSlotMask) return true;
    return false;
}

// The clipboard's channel into a new slot at time 0; the slot is given up again when that fails.
bool PasteIntoNewSlot(tagGS* gs, tagGS* clip) {
    int fresh = -1;
    if (!clip || !NewChannelSlot(gs, &fresh)) return false;
    if (PasteChannelRange(clip, gs, fresh, 0.0)) return true;
    DeleteChannelData(gs, fresh);
    gs->chanFlags[fresh] = 0;
    return false;
}

// Every channel loses the selected range, or all of its data when the range is not shorter.
void ClearAllChannels(tagGS* gs) {
    const double length = std::fabs(gs->selEnd - gs->selStart);
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!(gs->chanFlags[s] & kChanSlotMask)) continue;
        if (length < gs->chanCount[s] * gs->sampleInterval)
            DeleteChannelRange(gs, s, gs->selStart, gs->selEnd);
        else
            DeleteChannelData(gs, s);
    }
}

// What the graph's Edit word found: the selected channel, whether a range is selected, the clipboard.
struct stEditCall {
    tagGS* gs;
    int slot;
    bool selection;
    tagGS* clip;
};

// What an edit did: nothing to show, a change to show, or a refusal.
enum class EditResult { Unchanged, Changed, Refused };
using EditHandler = EditResult (*)(const stEditCall& e);

EditResult EditSelectAll(const stEditCall& e) {
    e.gs->selStart = WholeLength(e.gs);
    e.gs->selEnd = 0;
    notify::UpdateGraphEditMenus(e.gs);
    return EditResult::Changed;
}

// DUPLICATE: the selected range, or the whole channel, into a new slot.
EditResult EditDuplicate(const stEditCall& e) {
    tagGS* gs = e.gs;
    int fresh = -1;
    if (e.slot < 0 || !NewChannelSlot(gs, &fresh)) return EditResult::Refused;
    const double t0 = e.selection ? gs->selStart : 0.0, t1 = e.selection ? gs->selEnd : WholeLength(gs);
    if (!DuplicateChannelRange(gs, e.slot, t0, t1, fresh)) DeleteChannelData(gs, fresh);
    RebuildChannelItems(gs);
    return EditResult::Changed;
}

// CUT and CLEAR: the selected range goes, with undo; CUT copies it to the clipboard first.
EditResult EditCutOrClear(const stEditCall& e, bool cut) {
    tagGS* gs = e.gs;
    if (e.slot < 0 || !e.selection) return EditResult::Unchanged;
    SaveUndo(gs, e.slot, kUndoCut, cut ? "Undo Cut" : "Undo Clear");
    if (cut && e.clip) CopyChannelRange(gs, e.slot, gs->selStart, gs->selEnd, e.clip);
    DeleteChannelRange(gs, e.slot, gs->selStart, gs->selEnd);
    return EditResult::Changed;
}

EditResult EditCopy(const stEditCall& e) {
    tagGS* gs = e.gs;
    if (e.slot >= 0 && e.selection && e.clip) CopyChannelRange(gs, e.slot, gs->selStart, gs->selEnd, e.clip);
    return EditResult::Unchanged;
}

// PASTE: into a new slot when no slot is in use, else over the selection of the selected channel.
EditResult EditPaste(const stEditCall& e) {
    tagGS* gs = e.gs;
    if (!AnySlotInUse(gs)) {
        ClearUndo();
        PasteIntoNewSlot(gs, e.clip);
    } else if (e.slot >= 0 && e.clip) {
        SaveUndo(gs, e.slot, kUndoPaste, "Undo Paste");
        if (e.selection) DeleteChannelRange(gs, e.slot, gs->selStart, gs->selEnd);
        PasteChannelRange(e.clip, gs, e.slot, std::fmin(gs->selStart, gs->selEnd));
    }
    RebuildChannelItems(gs);
    return EditResult::Changed;
}

EditResult EditInsert(const stEditCall& e) {
    PasteIntoNewSlot(e.gs, e.clip);
    RebuildChannelItems(e.gs);
    return EditResult::Changed;
}

EditResult EditClearAll(const stEditCall& e) {
    if (!e.selection) return EditResult::Unchanged;
    ClearAllChannels(e.gs);
    return EditResult::Changed;
}

EditResult EditRemove(const stEditCall& e) {
    if (e.slot >= 0) DeleteChannelData(e.gs, e.slot);
    RebuildChannelItems(e.gs);
    return EditResult::Changed;
}

// EDIT's targets: the channel edits of the Edit menu.
const stWordRow<EditHandler> kEditWords[] = {
    {"SELECTALL", EditSelectAll},
    {"DUPLICATE", EditDuplicate},
    {"CUT", [](const stEditCall& e) { return EditCutOrClear(e, true); }},
    {"CLEAR", [](const stEditCall& e) { return EditCutOrClear(e, false); }},
    {"COPY", EditCopy},
    {"PASTE", EditPaste},
    {"INSERT", EditInsert},
    {"CLEARALL", EditClearAll},
    {"REMOVE", EditRemove},
};

int16_t Edit(const char* target, tagGS* gs) {
    const auto* row = FindWordRow(kEditWords, target);
    if (!row) return kScriptStop;
    const stEditCall e{gs, SelectedGraphChannel(gs), gs->selStart != gs->selEnd, g_app->gsClipboard};
    const EditResult result = row->run(e);
    if (result == EditResult::Refused) return kScriptStop;
    if (result == EditResult::Unchanged) return kScriptGoOn;
    RefreshScriptGraph(gs);
    notify::UpdateGraphEditMenus(gs);
    return kScriptGoOn;
}

}  // namespace

int16_t ScriptWordEdit(stScriptCall& call) {
    CWordFields fields(call.rest);
    char target[kScriptWordChars];
    if (!fields.Word(target)) return g_script.graph ? kScriptStop : kScriptGoOn;
    tagGS* gs = g_script.graph;
    if (!gs) return kScriptGoOn;
    return Edit(target, gs);
}

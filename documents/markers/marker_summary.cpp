// The marker summary written into a document's journal: one table line per marker with its
// number, time and label, for all markers, the event markers or the append markers.
#include "documents/markers/markers.h"
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>
#include "documents/documents_ids.h"
#include "common/tagGS.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "common/keyed_format.h"

namespace {

struct stSummaryLine {
    const stMarkerNode* node;
    int32_t number;
};

// Case is ignored; true when a sorts after b.
bool LabelAfter(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a)), cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return ca > cb;
    }
    return *a && !*b;
}

// The markers of one summary in list order, event markers numbered across their three types.
std::vector<stSummaryLine> SummaryLines(tagGS* gs, uint32_t id) {
    std::vector<stSummaryLine> lines;
    int32_t events = 0;
    for (const stMarkerNode* n = gs->markers ? gs->markers->first : nullptr; n; n = n->next) {
        if (!n->marker) continue;
        const bool event = IsEventMarker(n) != 0;
        if (event) ++events;
        if ((id == IDM_MARKER_SUMMARY_EVENTS && !event) || (id == IDM_MARKER_SUMMARY_APPENDS && event)) continue;
        lines.push_back({n, event ? events : n->marker->number});
    }
    return lines;
}

void Append(tagGS* gs, const std::string& text) { JournalAppendText(gs, text.c_str()); }

}  // namespace

void WriteMarkerSummary(CMarkerManager* m, uint32_t id) {
    tagGS* gs = m->owner;
    std::vector<stSummaryLine> lines = SummaryLines(gs, id);
    if (m->settings.sortBy == 1) {
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (size_t i = 1; i < lines.size(); ++i) {
                if (!LabelAfter(lines[i - 1].node->label, lines[i].node->label)) continue;
                std::swap(lines[i - 1], lines[i]);
                swapped = true;
            }
        }
    }
    for (const stSummaryLine& l : lines) {
        char head[48], label[kMarkerLabelMax + 80], line[256];
        const bool event = IsEventMarker(l.node) != 0;
        FormatKeyedText(head, sizeof head, Keyed(event ? "Event %d:" : "Segment %d:"), l.number);
        BuildMarkerLabelText(m, l.node, label, sizeof label);
        if (event && !label[0]) std::snprintf(label, sizeof label, "%s", Keyed("NO label"));
        std::snprintf(line, sizeof line, "%s\t%.4f\t%s\r\n", head, l.node->position * gs->sampleInterval / 1000.0,
                      label);
        Append(gs, line);
    }
}

void MarkerSummaryToJournal(CMarkerManager* m, uint32_t id, int title) {
    tagGS* gs = m->owner;
    const MarkerTypeSettings& s = m->settings;
    if (title && s.includeHeader) Append(gs, std::string(Keyed("Markers Summary:")) + "\r\n");
    if (id == IDM_MARKER_SUMMARY_ALL && s.separateSummaries) {
        MarkerSummaryToJournal(m, IDM_MARKER_SUMMARY_APPENDS, 0);
        MarkerSummaryToJournal(m, IDM_MARKER_SUMMARY_EVENTS, 0);
        return;
    }
    if (s.includeHeader) {
        if (id == IDM_MARKER_SUMMARY_EVENTS) Append(gs, std::string(Keyed("Event Markers:")) + "\r\n");
        if (id == IDM_MARKER_SUMMARY_APPENDS) Append(gs, std::string(Keyed("Append Markers:")) + "\r\n");
        Append(gs, std::string(Keyed("Marker Index:")) + "\t" + Keyed("Time(sec.):") + "\t" + Keyed("Label:") + "\r\n");
    }
    WriteMarkerSummary(m, id);
    if (id != IDM_MARKER_SUMMARY_APPENDS) RenumberMarkers(m, kRenumberEvents);
}

void MarkerSummaryToJournal(tagGS* gs, uint32_t id, int flags) {
    if (gs && gs->markerManager && gs->markers) MarkerSummaryToJournal(gs->markerManager, id, flags);
}

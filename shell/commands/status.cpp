// The status strip is drawn straight onto the frame: there is no status-bar window.
#include "shell/commands/status.h"
#include "controls/frame3d.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "shell/commands/menus.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/document/channel_edits.h"
#include "documents/documents_api.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {
std::string g_shown;         // what the strip shows, for the program's own checks
std::string g_appendBuffer;  // AppendStatusText's running text

// The strip rectangle, filled with the face brush; null when there is no frame to draw on.
bool PrepareStrip(HDC dc, RECT* strip) {
    RECT rc;
    GetClientRect(g_app->hwndFrame, &rc);
    rc.top = rc.bottom - (g_app->fonts.cyStatus + 5);
    OffsetRect(&rc, 0, 1);
    InflateRect(&rc, 1, 1);
    rc.bottom -= 1;
    InflateRect(&rc, -2, -2);
    FillRect(dc, &rc, g_app->brushes.hbrFace);
    *strip = rc;
    return true;
}

void DrawStripText(HDC dc, RECT rc, const char* text) {
    HGDIOBJ oldFont = SelectObject(dc, g_app->fonts.hfontStatus);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_LEFT);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}
}  // namespace

const char* GetStatusTextShown() { return g_shown.c_str(); }

// Draws a message in the strip, 4 pixels in from its left edge.
static void ShowMessage(const char* text) {
    char shown[256];
    lstrcpynA(shown, text, sizeof shown);
    HDC dc = GetDC(g_app->hwndFrame);
    RECT strip;
    PrepareStrip(dc, &strip);
    strip.left += 4;
    DrawStripText(dc, strip, shown);
    ReleaseDC(g_app->hwndFrame, dc);
    g_shown = shown;
}

// Shows a message, or the panes for none or "Ready".
void SetStatusText(const char* text) {
    if (!g_app || !g_app->hwndFrame) return;
    const char* ready = getMsgBoxText("Ready");
    if (!text || std::strcmp(text, "Ready") == 0 || (ready && std::strcmp(text, ready) == 0)) {
        HDC dc = GetDC(g_app->hwndFrame);
        RECT strip;
        PrepareStrip(dc, &strip);
        DrawStatusPanes(dc, &strip);
        ReleaseDC(g_app->hwndFrame, dc);
        return;
    }
    if (const char* t = getMsgBoxText(text)) {
        ShowMessage(t);
        return;
    }
    char marked[256];
    std::snprintf(marked, sizeof marked, "%s - MissingTranslation", text);
    ShowMessage(marked);
}

// Menu help comes from a string table in the user's language: it is no key and is shown as it is.
void SetStatusHelpText(const char* text) {
    if (!g_app || !g_app->hwndFrame) return;
    if (!text || !*text)
        SetStatusText(nullptr);
    else
        ShowMessage(text);
}

// Shows a translated format with one number; never the panes. The translation only ever fills
// in the number (FormatKeyedText): a lesson's text is not a printf format.
void SetStatusTextFmt(const char* key, int32_t number) {
    if (!g_app || !g_app->hwndFrame) return;
    char shown[256];
    if (const char* format = getMsgBoxText(key))
        FormatKeyedText(shown, sizeof shown, format, static_cast<long>(number));
    else
        std::snprintf(shown, sizeof shown, "%s - MissingTranslation", key);
    HDC dc = GetDC(g_app->hwndFrame);
    RECT strip;
    PrepareStrip(dc, &strip);
    DrawStripText(dc, strip, shown);
    ReleaseDC(g_app->hwndFrame, dc);
    g_shown = shown;
}

void AppendStatusText(const char* text) {
    if (!text) {
        g_appendBuffer.clear();
    } else {
        g_appendBuffer += text;
        if (g_appendBuffer.size() > 255) g_appendBuffer.resize(255);
    }
    SetStatusText(g_appendBuffer.empty() ? nullptr : g_appendBuffer.c_str());
}

// The four panes that describe the active graph, or "Ready" alone without one.
void DrawStatusPanes(HDC dc, const RECT* strip) {
    tagGS* gs = g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
    if (!gs) {
        RECT rc = *strip;
        rc.left += 4;
        DrawStripText(dc, rc, Keyed("Ready"));
        g_shown = Keyed("Ready");
        return;
    }
    static const char* const modes[3] = {"Scope", "Chart", "XY"};
    char pane1[160];
    const char* grid = !gs->gridShown ? "Grid Off" : gs->gridLocked ? "Grid Locked" : "Grid Unlocked";
    std::snprintf(pane1, sizeof pane1, "%s, %s", Keyed("Ready"), Keyed(grid));
    const char* texts[4] = {pane1, Keyed(modes[gs->displayMode <= kModeXY ? gs->displayMode : kModeScope]),
                            Keyed(gs->storageKind == kStoreDiskPaged ? "Disk" : "Memory"),
                            gs->acquiring ? Keyed("Acquire") : ""};
    const int widths[4] = {40, 7, 9, 9};
    int left = 12;
    HGDIOBJ oldFont = SelectObject(dc, g_app->fonts.hfontStatus);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    g_shown.clear();
    for (int i = 0; i < 4; ++i) {
        RECT pane{left, strip->top + 2, left + widths[i] * g_app->fonts.cxStatus, strip->bottom - 2};
        DrawFrame3D(dc, &pane, 1);
        RECT text = pane;
        if (i == 0) {
            text.left += 4;
            DrawTextA(dc, texts[i], -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        } else {
            DrawTextA(dc, texts[i], -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        }
        if (i) g_shown += '|';
        g_shown += texts[i];
        left = pane.right + 12;
    }
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

// The device library changed a graph's data: bring window, menus, toolbar and status in line.
int32_t WINAPI OnGraphChanged(tagGS* gs, int32_t, int32_t, int32_t) {
    if (!gs) return 0;
    UpdateRecordingMenus(gs);
    UpdateGraphLength(gs);
    UpdateGraphMenus(gs);
    UpdateGraphScrollBars(gs);
    if (gs->autoscaleMode != 0) AutoScaleGraph(gs, gs->autoscaleMode == 1);
    if (gs->hwnd) {
        if (HDC dc = GetDC(gs->hwnd)) {
            UpdateAllMeasurements(gs);
            ReleaseDC(gs->hwnd, dc);
        }
    }
    UpdateGraphToolbar();
    SetStatusText(nullptr);
    DeviceGraphResized(gs);
    return 1;
}

// The device library reset a graph's view for a new recording or play-back.
void WINAPI OnGraphViewChanged(tagGS* gs, int32_t) {
    if (!gs) return;
    // Each channel of the recording sits in the slot of its number: a selection left on a slot the
    // recording does not use moves to its first channel.
    if (gs->selectedChan >= static_cast<uint32_t>(kMaxChannels) || !(gs->chanFlags[gs->selectedChan] & kChanSlotMask)) {
        for (int s = 0; s < kMaxChannels; ++s) {
            if (gs->chanFlags[s] & kChanSlotMask) {
                gs->selectedChan = static_cast<uint32_t>(s);
                break;
            }
        }
    }
    UpdateGraphScrollBars(gs);
    UpdateHScrollBar(gs);
    DeviceGraphResized(gs);
    DeviceRefreshInputValues();
    RebuildChannelItems(gs);
    if (gs->hwnd) {
        InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
        RECT strip{gs->chanScaleRects[0].left, gs->plotRect.top, gs->chanScaleRects[0].right, gs->plotRect.bottom};
        InvalidateRect(gs->hwnd, &strip, FALSE);
    }
    UpdateGraphMenus(gs);
    UpdateRecordingMenus(gs);
    ClearUndo();
    if (gs->markers) DropGraphMarkers(gs);
    if (gs->hScrollBar) EnableScrollBar(gs->hScrollBar, SB_CTL, ESB_ENABLE_BOTH);
    UpdateGraphMenus(gs);
    SetStatusText(nullptr);
}

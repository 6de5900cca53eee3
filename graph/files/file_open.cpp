// Opening stored documents into graph windows.
#include "graph/files/file_open.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "documents/documents_api.h"
#include "documents/text/text_file.h"
#include "documents/files/graph_file.h"
#include "graph/window/graph_window.h"
#include "outputs/outputs_api.h"
#include "common/keyed_format.h"
#include "base/app.h"
#include "base/device.h"
#include "base/byte_stream.h"
#include "base/notify.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "common/same_file.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kOpenNameBuffer = 64 * 1024;  // room for many names chosen at once
const char kFileTypeKey[] = "Software\\NORVANE\\MRU\\FileType";
const char* const kFileTypeValue[2] = {"Open", "Save"};

uint16_t g_fileKind = kFileKindGraph;
char g_rememberedFolder[2][MAX_PATH];
FileDialogProc g_openProc = nullptr;
FileDialogProc g_saveProc = nullptr;
int g_quietOpen = 0;  // open quiet scopes: a lesson's open asks and tells nothing
stGraphReadReport g_pendingReport{};  // what the last read left out, told once its window shows

// The rows of the open dialog's filter; a row's number is the file type it opens.
const stFilterRow kOpenFilter[] = {
    {"TVX PRO files", " (*.ACQ)", "*.acq"},
    {"Tessaly Files", " (*Ldd)", "*-L??"},
    {"Text", " (*.TXT)", "*.txt"},
    {"Graph Template", " (*.GTL)", "*.gtl"},
    {"All NORVANE Files", " (*.ACQ;*Ldd;*.TXT;*.GTL)", "*.acq;*-L??;*.txt;*.gtl"},
};


// "Can't open the file '...'", with the reason the reader gave on a second line.
void ReportCannotOpen(const char* path, const char* reason) {
    if (g_quietOpen) return;
    char text[1024];
    FormatKeyedText(text, sizeof text, Keyed("Can't open the file '%s'"), path);
    if (reason) {
        lstrcatA(text, "\n");
        size_t used = strlen(text);
        lstrcpynA(text + used, Keyed(reason), static_cast<int>(sizeof text - used));
    }
    MessageBoxA(Owner(), text, Keyed(kProgramTitleKey), MB_OK | MB_ICONSTOP);
}

// Damage the reader went around: a broken marker section is told in a box, the rest in the
// status line; the parts left out are told once the window shows (ReportLeftOut).
void ReportReadNotice(const stGraphReadReport& report) {
    const bool markers = report.notice && std::strcmp(report.notice, kKeyMarkersCorrupted) == 0;
    if (!report.notice || (report.leftOut && !markers)) return;
    if (markers) {
        if (!g_quietOpen) MessageBoxA(Owner(), Keyed(report.notice), ProgramTitle(), MB_OK | MB_ICONEXCLAMATION);
    } else {
        notify::SetStatusText(report.notice);
    }
}

// A channel as the user knows it: its slot and its label.
std::string ChannelName(const tagGS* gs, int slot) {
    char number[64], name[160];
    FormatKeyedText(number, sizeof number, Keyed(kKeyDamagedChannelName), static_cast<long>(slot));
    FormatKeyedText(name, sizeof name, number, gs->chanLabel[slot]);
    return name;
}

// The damaged parts a read left out, one a line in a box for a file the user opened, in the
// status line for a lesson's open, which must not wait for an answer. A damaged channel field
// gives a line for each channel it was found in.
void ReportLeftOut(const tagGS* gs, const stGraphReadReport& report) {
    if (!report.leftOut) return;
    std::string parts;
    auto add = [&](const std::string& part) {
        if (!parts.empty()) parts += g_quietOpen ? ", " : "\n";
        parts += part;
    };
    for (int bit = 0; bit < kLeftOutParts; ++bit) {
        const uint32_t part = 1u << bit;
        if (!(report.leftOut & part)) continue;
        if (!(part & kLeftOutChannelParts)) {
            add(Keyed(LeftOutPartKey(bit)));
            continue;
        }
        const uint64_t slots = part == kLeftOutChannelScale   ? report.badScale
                               : part == kLeftOutChannelCount ? report.badCount
                                                              : report.badSlot;
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!(slots & (uint64_t{1} << s))) continue;
            char line[320];
            FormatKeyedText(line, sizeof line, Keyed(LeftOutPartKey(bit)), ChannelName(gs, s).c_str());
            add(line);
        }
    }
    char text[2048];
    FormatKeyedText(text, sizeof text, Keyed(g_quietOpen ? kKeyPartsLeftOutStatus : kKeyPartsLeftOut), parts.c_str());
    if (g_quietOpen)
        notify::SetStatusShownText(text);
    else
        MessageBoxA(Owner(), text, ProgramTitle(), MB_OK | MB_ICONEXCLAMATION);
}

bool IsGraphWindow(HWND hwnd) {
    char cls[64] = "";
    return GetClassNameA(hwnd, cls, sizeof cls) && g_app && lstrcmpiA(cls, g_app->szClassNames[kClassChild]) == 0;
}

// "Untitled" followed by the document number: a graph that was never saved.
bool IsUntitledTitle(const char* title) {
    const char* word = "Untitled";
    const size_t n = std::strlen(word);
    const int length = static_cast<int>(n);
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, title, length, word, length) != CSTR_EQUAL) return false;
    for (const char* p = title + n; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// A document that could not be read: a new one goes, a reused "Untitled" graph becomes new again.
void DropUnreadDocument(tagGS* gs, int reused) {
    if (!reused) {
        FreeGraphRecord(gs);
        return;
    }
    ClearDocumentData(gs);
    InitNewGraph(gs);
    // The file was not read: the graph must not count as showing it.
    gs->filePath[0] = 0;
    if (gs->hwnd) {
        SetWindowTextA(gs->hwnd, gs->title);
        InvalidateRect(gs->hwnd, nullptr, TRUE);
    }
}

// The stored placement is in the frame's client coordinates; the window lives in the MDI client.
void PlaceGraphWindow(tagGS* gs, HWND hwnd) {
    RECT r = gs->winPlacement;
    const bool maximised = r.left == -1 && r.right == -1;
    if (maximised || IsRectEmpty(&r) || (r.top < 0 && r.bottom < 0)) {
        SendMessageA(g_app->hwndClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(hwnd), 0);
        return;
    }
    if (IsZoomed(hwnd)) SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd), 0);
    POINT corner = {r.left, r.top};
    MapWindowPoints(g_app->hwndFrame, g_app->hwndClient, &corner, 1);
    RECT client{};
    GetClientRect(g_app->hwndClient, &client);
    // The caption's height with the border above it: what must stay inside the client.
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
    corner = ReachableCorner(corner, r.right - r.left, -frame.top, client);
    MoveWindow(hwnd, corner.x, corner.y, r.right - r.left, r.bottom - r.top, TRUE);
}

// The file type the Save As of an opened document starts with: 1 graph, 3 text, 4 template.
DWORD TypeOfKind(uint16_t kind) { return kind == kFileKindText ? 3 : kind == kFileKindTemplate ? 4 : 1; }

// One file into a window: checked, read into a document and shown.
tagGS* OpenOneFile(const char* path, int mode, bool byPath) {
    if (IsFileAlreadyOpen(path)) return nullptr;
    tagGS* gs = nullptr;
    const int reused = FindReusableUntitled(&gs);
    if (!gs) {
        MessageBoxFromStringTable(Owner(), MB_OK | MB_ICONSTOP, IDS_NO_MEMORY, "new graph");
        return nullptr;
    }
    if (!OpenDataFile(gs, path, mode)) {
        DropUnreadDocument(gs, reused);
        return nullptr;
    }
    DWORD type = byPath ? TypeOfKind(g_fileKind) : static_cast<DWORD>(mode);
    if (byPath) SetRememberedFileType(type, kRememberOpen);
    const stGraphReadReport leftOut = g_pendingReport;
    g_pendingReport = stGraphReadReport{};
    if (!ShowOpenedGraph(gs, reused)) return nullptr;
    ReportLeftOut(gs, leftOut);
    gs->saveAsType = type == 3 ? 1 : type;
    if (g_fileKind == kFileKindGraph) notify::GraphFileUsed(gs->filePath[0] ? gs->filePath : path);
    return gs;
}

// File Open: one window per chosen file.
tagGS* OpenFromDialog() {
    char filter[1024];
    BuildFileFilter(kOpenFilter, sizeof kOpenFilter / sizeof kOpenFilter[0], filter, sizeof filter);
    std::vector<char> names(kOpenNameBuffer, 0);
    char title[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.hInstance = g_app->hInstance;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = GetRememberedFileType(kRememberOpen);
    ofn.lpstrFile = names.data();
    ofn.nMaxFile = static_cast<DWORD>(names.size() - 2);
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrInitialDir = GetRememberedFolder(kRememberOpen);
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_OPEN_OPTIONS);
    ofn.lpfnHook = TextOpenHookProc;
    if (!RunOpenFileDialog(&ofn)) return nullptr;
    SetRememberedFileType(ofn.nFilterIndex, kRememberOpen);
    const int mode = ofn.nFilterIndex == static_cast<DWORD>(kOpenTemplate) ? kOpenTemplate : kOpenGraph;
    SetMruPath(&ofn, kRememberOpen);
    const char* first = names.data();
    const char* name = first + std::strlen(first) + 1;
    if (*name == 0) return OpenOneFile(first, mode, false);
    // Several files: the folder, then each name.
    tagGS* last = nullptr;
    for (; *name; name += std::strlen(name) + 1) {
        std::string path = std::string(first) + "\\" + name;
        if (tagGS* gs = OpenOneFile(path.c_str(), mode, false)) last = gs;
    }
    return last;
}

}  // namespace

POINT ReachableCorner(POINT corner, LONG width, LONG captionHeight, const RECT& client) {
    if (client.right <= client.left || client.bottom <= client.top) return corner;
    // The whole caption in view: its full width where the client is wide enough, else from the left.
    corner.x = std::max(client.left, std::min(corner.x, client.right - width));
    corner.y = std::max(client.top, std::min(corner.y, client.bottom - std::max(captionHeight, 0L)));
    return corner;
}

CQuietFileOpen::CQuietFileOpen() { ++g_quietOpen; }
CQuietFileOpen::~CQuietFileOpen() { --g_quietOpen; }

void SetFileDialogProcs(FileDialogProc open, FileDialogProc save) {
    g_openProc = open;
    g_saveProc = save;
}

BOOL RunOpenFileDialog(OPENFILENAMEA* ofn) { return g_openProc ? g_openProc(ofn) : GetOpenFileNameA(ofn); }
BOOL RunSaveFileDialog(OPENFILENAMEA* ofn) { return g_saveProc ? g_saveProc(ofn) : GetSaveFileNameA(ofn); }

size_t BuildFileFilter(const stFilterRow* rows, size_t count, char* out, size_t size) {
    size_t at = 0;
    auto put = [&](const char* text) {
        size_t n = std::strlen(text);
        if (at + n + 2 > size) n = at + 2 < size ? size - at - 2 : 0;
        std::memcpy(out + at, text, n);
        at += n;
    };
    for (size_t i = 0; i < count && at + 2 < size; ++i) {
        put(Keyed(rows[i].key));
        put(rows[i].description);
        out[at++] = 0;
        put(rows[i].pattern);
        out[at++] = 0;
    }
    out[at] = 0;
    return at;
}

tagGS* DoFileOpen(const char* path, uint16_t* journalHeight) {
    if (journalHeight) *journalHeight = 0;
    if (!g_app || !g_app->hwndClient) return nullptr;
    return path ? OpenOneFile(path, kOpenGraph, true) : OpenFromDialog();
}

bool GraphShowsFile(const tagGS* gs, HWND window, const char* path) {
    if (!path || !path[0]) return false;
    char title[MAX_PATH + 8] = "";
    if (window) GetWindowTextA(window, title, sizeof title);
    if (lstrcmpiA(title, path) == 0) return true;
    return gs && gs->filePath[0] && IsSameFile(gs->filePath, path);
}

int IsFileAlreadyOpen(const char* path) {
    if (!g_app || !g_app->hwndClient) return 0;
    for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsGraphWindow(child) || !GraphShowsFile(GetWindowGraph(child), child, path)) continue;
        if (IsIconic(child)) ShowWindow(child, SW_SHOWNORMAL);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
        if (g_quietOpen) return 1;
        char text[1024];
        FormatKeyedText(text, sizeof text, Keyed("The file: '%s' is already open."), path);
        MessageBoxA(Owner(), text, ProgramTitle(), MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    return 0;
}

int FindReusableUntitled(tagGS** out) {
    *out = nullptr;
    tagGS* gs = nullptr;
    for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child && !gs; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsGraphWindow(child)) continue;
        char title[MAX_PATH] = "";
        GetWindowTextA(child, title, sizeof title);
        tagGS* doc = GetWindowGraph(child);
        // Text typed into its journal counts as a change even before the menus take it over.
        HWND journal = doc ? JournalHwndIfMade(doc->journalWnd) : nullptr;
        const bool typedInto = journal && SendMessageA(journal, EM_GETMODIFY, 0, 0);
        if (doc && IsUntitledTitle(title) && !doc->modified && !typedInto && !doc->acquiring) gs = doc;
    }
    const int reused = gs ? 1 : 0;
    if (!gs && AllocGraph(&gs, 0) < 1) return 0;
    ClearDocumentData(gs);
    InitNewGraph(gs);
    *out = gs;
    return reused;
}

uint16_t FileKindOf(const char* path, int mode) {
    const char* slash = std::strrchr(path, '\\');
    const char* dot = std::strrchr(path, '.');
    if (dot && (!slash || dot > slash)) {
        if (lstrcmpiA(dot, ".ACQ") == 0) return kFileKindGraph;
        if (lstrcmpiA(dot, ".TXT") == 0) return kFileKindText;
        if (lstrcmpiA(dot, ".GTL") == 0) return kFileKindTemplate;
    }
    return mode == kOpenTemplate ? kFileKindTemplate : kFileKindGraph;
}

int OpenDataFile(tagGS* gs, const char* path, int mode) {
    g_fileKind = FileKindOf(path, mode);
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ReportCannotOpen(path, nullptr);
        return 0;
    }
    lstrcpynA(gs->title, path, sizeof gs->title);
    if (!GetFullPathNameA(path, sizeof gs->filePath, gs->filePath, nullptr))
        lstrcpynA(gs->filePath, path, sizeof gs->filePath);
    int read = 0;
    stGraphReadReport report{};
    if (g_fileKind == kFileKindGraph) {
        read = ReadGraphFileReport(gs, &file, &report);
        if (read) gs->isTemplate = 0;
    } else if (g_fileKind == kFileKindText) {
        SetWaitCursor(1);
        read = ReadTextFile(gs, &file, g_quietOpen);
        SetWaitCursor(0);
        if (read) gs->isTemplate = 0;
    } else {
        SetWaitCursor(1);
        {
            CByteReader in(file);
            read = ReadGraphTemplateStream(gs, in, &report);
        }
        SetWaitCursor(0);
        // A document made from a template has never been saved: closing it asks.
        if (read) {
            gs->isTemplate = 1;
            setDirtyGraphFlag(gs, 1);
        }
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    g_pendingReport = read ? report : stGraphReadReport{};
    if (read)
        ReportReadNotice(report);
    else if (g_fileKind != kFileKindText)
        ReportCannotOpen(path, report.refusal);
    return read;
}

int ShowOpenedGraph(tagGS* gs, int reused) {
    const uint32_t wasModified = gs->modified;
    const RECT r = gs->winPlacement;
    const bool maximised = r.left == -1 && r.right == -1;
    HWND hwnd = reused ? gs->hwnd : CreateGraphWindow(gs, maximised ? 1 : 0);
    if (!hwnd) return 0;  // the window's failure took the new document with it
    if (reused) {
        SetWindowTextA(hwnd, gs->title);
        if (gs->journalWnd) JournalAttachDocument(gs->journalWnd, gs->journal);
    }
    PlaceGraphWindow(gs, hwnd);
    ShowWindow(hwnd, SW_SHOW);
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd), 0);
    // A reused window that was active already gets no activation: its status panes name the new
    // document's mode and storage only when drawn again.
    if (reused) notify::SetStatusText(nullptr);
    DeviceGraphCreated(hwnd, gs, static_cast<int16_t>(reused), 0);
    DeviceGraphActivated(gs, 0);
    notify::UpdateTransformMenu(g_app->hwndFrame, hwnd);
    bool withChannels = false;
    for (int s = 0; s < kMaxChannels; ++s) withChannels = withChannels || ChannelInUse(gs, s);
    if (withChannels)
        notify::UpdateGraphMenus(gs);
    else
        notify::UpdateGraphEditMenus(gs);
    if (gs->journalWnd) JournalEnableButtons(gs->journalWnd, gs->journalShown ? 1 : 0);
    ResetMeasurementGrid(gs, gs->measureRows, 5);
    if (gs->selectedChan < static_cast<uint32_t>(kMaxChannels))
        SelectGraphChannel(gs, static_cast<int16_t>(gs->selectedChan));
    UpdateAllMeasurements(gs);
    SetDisplayMode(gs, static_cast<int16_t>(gs->displayMode));
    UpdateHScrollBar(gs);
    if (gs->outPanels) ShowOpenedOutputPanel(gs->outPanels);
    setDirtyGraphFlag(gs, wasModified);
    ShowGraphControls(gs, 1);
    return 1;
}

DWORD GetRememberedFileType(int which) {
    DWORD value = 1, size = sizeof value, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFileTypeKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
    if (RegQueryValueExA(key, kFileTypeValue[which ? 1 : 0], nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        value = 1;
    RegCloseKey(key);
    return value;
}

LONG SetRememberedFileType(DWORD value, int which) {
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kFileTypeKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExA(key, kFileTypeValue[which ? 1 : 0], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value);
    RegCloseKey(key);
    return result;
}

const char* GetRememberedFolder(int slot) {
    char* folder = g_rememberedFolder[slot ? 1 : 0];
    if (!folder[0] && g_app) lstrcpynA(folder, g_app->szAppFolder, MAX_PATH);
    return folder;
}

const char* RememberedFolderText(int slot) { return g_rememberedFolder[slot ? 1 : 0]; }

void SetRememberedFolder(int slot, const char* folder) {
    lstrcpynA(g_rememberedFolder[slot ? 1 : 0], folder ? folder : "", MAX_PATH);
}

void SetMruPath(const OPENFILENAMEA* ofn, int slot) {
    char* folder = g_rememberedFolder[slot ? 1 : 0];
    std::memset(folder, 0, MAX_PATH);
    const char* path = ofn->lpstrFile;
    if (!path || (ofn->lpstrFileTitle && !ofn->lpstrFileTitle[0] && path[std::strlen(path) + 1])) return;
    const char* slash = std::strrchr(path, '\\');
    if (!slash) return;
    size_t n = static_cast<size_t>(slash - path) + 1;
    if (n < MAX_PATH) std::memcpy(folder, path, n);
}

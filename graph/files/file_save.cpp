// Save As: choosing the name, checking it, and writing the graph file, text, picture or
// template through a temporary file beside the target.
#include "graph/files/file_save.h"
#include "graph/files/file_open.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/render/printing.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"
#include "documents/text/text_file.h"
#include "common/keyed_format.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "base/byte_stream.h"
#include "base/safe_file.h"
#include "base/resource.h"
#include "graph/graph_ids.h"
#include "base/services.h"
#include "common/same_file.h"
#include "common/scoped_handle.h"
#include "base/system_queries.h"
#include "devlib/vk40.h"
#include "graph/window/graph_window.h"
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

constexpr size_t kPictureHeaderBytes = 22;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint16_t kPictureUnitsPerInch = 1000;
constexpr DWORD kCopyBlock = 4096;
constexpr int kFileNameField = 1152;  // the common dialog's file-name edit
constexpr int kFileNameCombo = 1148;  // and its combo form
constexpr int kFileTypeLabel = 1089;  // the common dialog's "Save as type" label
constexpr int kFileTypeList = 1136;   // and its list

int g_selectionOnly = 0;

// The save dialog's filter rows; the row number is the filter index.
const stFilterRow kSaveFilter[] = {
    {"TVX PRO files", " (*.ACQ)", "*.acq"},
    {"Text", " (*.TXT)", "*.txt"},
    {"Metafile", " (*.WMF)", "*.wmf"},
    {"Graph Template", " (*.GTL)", "*.gtl"},
    {"All NORVANE Files", " (*.ACQ;*Ldd;*.TXT;*.GTL)", "*.acq;*-L??;*.txt;*.gtl"},
};
constexpr unsigned kSaveFilterAll = 5;
// The extension of each filter row but the last, in the order of SaveType.
const char* const kSaveExtension[] = {".acq", ".txt", ".wmf", ".gtl"};

// What the save dialog's hook needs.
struct stSaveRequest {
    int lockName;
};


// The untitled name without its number: "Untitled%d" less its last two characters.
std::string UntitledPrefix() {
    std::string prefix = Keyed("Untitled%d");
    return prefix.size() >= 2 ? prefix.substr(0, prefix.size() - 2) : prefix;
}

bool HasExtension(const char* name) {
    const char* dot = std::strrchr(name, '.');
    const char* slash = std::strrchr(name, '\\');
    return dot && (!slash || dot > slash);
}

// A name File Open's lesson data pattern "*-L??" takes.
bool IsLessonDataName(const std::string& name, size_t slash) {
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (name.size() - start < 4) return false;
    const char* tail = name.c_str() + name.size() - 4;
    return tail[0] == '-' && (tail[1] == 'L' || tail[1] == 'l');
}

// The placement to store: minimised 0, maximised -1, else the window in the frame's coordinates.
void RecordPlacement(tagGS* gs) {
    if (!gs->hwnd || !IsWindow(gs->hwnd)) return;
    if (IsIconic(gs->hwnd)) {
        gs->winPlacement = RECT{0, 0, 0, 0};
    } else if (IsZoomed(gs->hwnd)) {
        gs->winPlacement = RECT{-1, -1, -1, -1};
    } else {
        RECT rc;
        GetWindowRect(gs->hwnd, &rc);
        MapWindowPoints(nullptr, g_app->hwndFrame, reinterpret_cast<POINT*>(&rc), 2);
        gs->winPlacement = rc;
    }
}

// The text file type of the save dialog's filter, whose options the page's button opens.
constexpr DWORD kSaveTypeText = 2;

// A chosen file type gives the typed name its extension, so that a text, picture or template
// never goes under the graph's name unless the user types that name after choosing the type.
void FollowTypeExtension(HWND dlg, DWORD filterIndex) {
    if (filterIndex < 1 || filterIndex > sizeof kSaveExtension / sizeof kSaveExtension[0]) return;
    HWND common = GetParent(dlg);
    const int id = GetDlgItem(common, kFileNameCombo) ? kFileNameCombo : kFileNameField;
    HWND field = GetDlgItem(common, id);
    char name[MAX_PATH] = "";
    if (!field || !IsWindowEnabled(field) || !GetWindowTextA(field, name, sizeof name - 4)) return;
    char* dot = nullptr;
    for (char* p = name; *p; ++p) {
        if (*p == '.') dot = p;
        if (*p == '\\' || *p == '/') dot = nullptr;
    }
    if (dot) *dot = 0;
    lstrcatA(name, kSaveExtension[filterIndex - 1]);
    SendMessageA(common, CDM_SETCONTROLTEXT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(name));
}

UINT_PTR CALLBACK SaveDialogHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        const auto* request = reinterpret_cast<const stSaveRequest*>(ofn->lCustData);
        HWND common = GetParent(dlg);
        if (request && request->lockName) {
            // A locked name is saved as what it names: no other type is offered.
            EnableWindow(GetDlgItem(common, kFileNameField), FALSE);
            EnableWindow(GetDlgItem(common, kFileNameCombo), FALSE);
            for (int id : {kFileTypeLabel, kFileTypeList}) {
                EnableWindow(GetDlgItem(common, id), FALSE);
                ShowWindow(GetDlgItem(common, id), SW_HIDE);
            }
            // The disabled name field took the focus with it, and keys without a focus reach no
            // control: Save takes it once the dialog has set itself up, so Enter and Escape work.
            PostMessageA(common, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(common, IDOK)), TRUE);
        }
        HandleTheDialog(dlg, IDD_SAVE_OPTIONS);
        CheckDlgButton(dlg, IDC_SAVE_SELECTION_ONLY, g_selectionOnly ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dlg, IDC_SAVE_TEXT_OPTIONS), ofn->nFilterIndex == kSaveTypeText);
    } else if (msg == WM_NOTIFY) {
        const auto* n = reinterpret_cast<const OFNOTIFYA*>(lParam);
        if (n->hdr.code == CDN_FILEOK)
            SetSaveSelectionOnly(IsDlgButtonChecked(dlg, IDC_SAVE_SELECTION_ONLY) == BST_CHECKED);
        else if (n->hdr.code == CDN_TYPECHANGE && n->lpOFN) {
            EnableWindow(GetDlgItem(dlg, IDC_SAVE_TEXT_OPTIONS), n->lpOFN->nFilterIndex == kSaveTypeText);
            FollowTypeExtension(dlg, n->lpOFN->nFilterIndex);
        }
    } else if (msg == WM_COMMAND && LOWORD(wParam) == IDC_SAVE_TEXT_OPTIONS && HIWORD(wParam) == BN_CLICKED) {
        // The Save Options dialog holds the selection flag too: the page's box follows it.
        int selection = IsDlgButtonChecked(dlg, IDC_SAVE_SELECTION_ONLY) == BST_CHECKED ? 1 : 0;
        if (DoSaveTextOptions(dlg, 1, &selection))
            CheckDlgButton(dlg, IDC_SAVE_SELECTION_ONLY, selection ? BST_CHECKED : BST_UNCHECKED);
    }
    return 0;
}

// Runs the save dialog with the proposed name; false when cancelled.
bool AskForName(tagGS* gs, const char* proposed, int lockName, const char* title, const char* folder, char* target,
                unsigned* filterIndex) {
    char filter[1024];
    BuildFileFilter(kSaveFilter, sizeof kSaveFilter / sizeof kSaveFilter[0], filter, sizeof filter);
    lstrcpynA(target, proposed, MAX_PATH);
    if (gs->isTemplate && HasExtension(target)) {
        char* dot = std::strrchr(target, '.');
        lstrcpynA(dot, ".ACQ", static_cast<int>(MAX_PATH - (dot - target)));
    }
    char fileTitle[MAX_PATH] = "";
    stSaveRequest request{lockName};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner(gs);
    ofn.hInstance = g_app->hInstance;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = kSaveFilterAll;
    ofn.lpstrFile = target;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = sizeof fileTitle;
    ofn.lpstrInitialDir = folder && folder[0] ? folder : GetRememberedFolder(kRememberSave);
    ofn.lpstrTitle = title && title[0] ? title : nullptr;
    ofn.Flags =
        OFN_EXPLORER | OFN_CREATEPROMPT | OFN_OVERWRITEPROMPT | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_SAVE_OPTIONS);
    ofn.lpfnHook = SaveDialogHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(&request);
    if (!RunSaveFileDialog(&ofn)) return false;
    *filterIndex = ofn.nFilterIndex;
    SetMruPath(&ofn, kRememberSave);
    return true;
}

struct GraphWrite {
    tagGS* gs;
    int mode;
    uint32_t dataOffset;  // where the written file's samples begin
};

DWORD WriteGraphInto(HANDLE file, void* context) {
    auto* w = static_cast<GraphWrite*>(context);
    const uint32_t kept = w->gs->dataOffset;
    const int written = WriteAcqFile(w->gs, file, w->mode, 1);
    const DWORD error = written ? 0 : GetLastError();
    w->dataOffset = w->gs->dataOffset;
    w->gs->dataOffset = kept;
    return written ? 0 : error ? error : ERROR_WRITE_FAULT;
}

struct TextWrite {
    tagGS* gs;
    int selectionOnly;
};

DWORD WriteTextInto(HANDLE file, void* context) {
    auto* w = static_cast<TextWrite*>(context);
    if (WriteTextFile(w->gs, file, w->selectionOnly)) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

// The placeable header, then the metafile the graph was drawn into.
DWORD WritePictureInto(HANDLE file, void* context) {
    auto* gs = static_cast<tagGS*>(context);
    char folder[MAX_PATH], drawn[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsA("%TEMP%", folder, sizeof folder);
    if (n == 0 || n > sizeof folder || !GetTempFileNameA(folder, "ACQ", 0, drawn)) return GetLastError();
    HMETAFILE metafile = nullptr;
    RECT picture{};
    if (!DrawGraphToMetafile(gs, g_app && g_app->options.bMetafileColor ? 1 : 0, drawn, &metafile, &picture, 0)) {
        DWORD error = GetLastError();
        DeleteFileA(drawn);
        return error ? error : ERROR_NOT_SUPPORTED;
    }
    DeleteMetaFile(metafile);
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    uint8_t header[kPictureHeaderBytes];
    BuildPlaceableHeader(static_cast<int16_t>((picture.right - picture.left) * 1000 / (dpiX ? dpiX : 96)),
                         static_cast<int16_t>((picture.bottom - picture.top) * 1000 / (dpiY ? dpiY : 96)), header);
    DWORD error = WriteAllBytes(file, header, sizeof header);
    CScopedHandle source(
        CreateFileA(drawn, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!error && !source) error = GetLastError();
    char block[kCopyBlock];
    DWORD got = 0;
    while (!error && ReadFile(source.get(), block, sizeof block, &got, nullptr) && got > 0)
        error = WriteAllBytes(file, block, got);
    source.Close();
    DeleteFileA(drawn);
    return error;
}

// The file a graph was written to is now the one it stands for: a paged document pages from it.
void AdoptWrittenFile(tagGS* gs, const char* full, uint32_t dataOffset) {
    if (gs->storageKind == kStoreDiskPaged) {
        lstrcpynA(gs->filePath, full, sizeof gs->filePath);
        gs->dataOffset = dataOffset;
        gs->byteSwapped = 0;
        gs->winFirst = 0;
        gs->winRingBase = gs->winLen = 0;
    } else if (gs->storageKind == kStoreMemory) {
        lstrcpynA(gs->filePath, full, sizeof gs->filePath);
    }
}

// A graph saved under its new name: the window shows it, and the graph stands for its file.
void TakeNewName(tagGS* gs, const char* target, const char* full, uint32_t dataOffset) {
    lstrcpynA(gs->title, target, sizeof gs->title);
    if (gs->hwnd) SetWindowTextA(gs->hwnd, gs->title);
    if (full[0]) AdoptWrittenFile(gs, full, dataOffset);
}

// Whether the file is the one the document or another graph window shows.
bool IsAGraphsFile(const tagGS* gs, const char* path, bool own) {
    if (own && (lstrcmpiA(path, gs->title) == 0 || (gs->filePath[0] && IsSameFile(gs->filePath, path)))) return true;
    if (!g_app || !g_app->hwndClient) return false;
    for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        tagGS* other = GetWindowGraph(child);
        if (other && other != gs && GraphShowsFile(other, child, path)) return true;
    }
    return false;
}

void RefuseName(const tagGS* gs, const char* path) {
    char text[1024];
    FormatKeyedText(text, sizeof text, Keyed("KEY Same document"), path);
    MessageBoxA(Owner(gs), text, ProgramTitle(), MB_OK | MB_ICONEXCLAMATION);
}

// A name typed into the dialog goes under its type's extension; a path the caller named (a
// lesson's, the graph's own) is the file it names. A name the system cannot take is refused, and
// so is the file another graph shows (for a text, picture or template, the graph's own file too).
// A file the dialog did not ask about, because the extension was added after it, is replaced only
// after asking.
bool AcceptName(tagGS* gs, SaveType type, bool asked, char* target) {
    const std::string named = asked ? NameForSaveType(target, type) : std::string(target);
    if (!SaveNameFitsSystem(named.c_str())) {
        ReportSaveFailure(Owner(gs), named.c_str(), ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const bool renamed = named != target;
    lstrcpynA(target, named.c_str(), MAX_PATH);
    if (type == SaveType::Graph) {
        if (!CheckSameDocument(gs, target)) return false;
    } else if (IsAGraphsFile(gs, target, true)) {
        RefuseName(gs, target);
        return false;
    }
    if (!renamed || GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES) return true;
    char text[1024];
    FormatKeyedText(text, sizeof text, Keyed("The file %s already exists.  Press OK to overwrite."), target);
    return MessageBoxA(Owner(gs), text, ProgramTitle(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

// Picks the name: asks when it must, refuses one another window shows. False when cancelled or
// refused with no dialog to ask again.
bool ChooseTarget(tagGS* gs, int ask, int lockName, const char* title, const char* path, const char* folder,
                  char* target, SaveType* type) {
    if (path && std::strlen(path) >= MAX_PATH) {
        ReportSaveFailure(Owner(gs), path, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    for (;;) {
        SetSaveSelectionOnly(0);
        DeviceStoreSetupInGraph(gs);
        char proposed[MAX_PATH];
        lstrcpynA(proposed, gs->title, sizeof proposed);
        const bool mustAsk = ask || SaveNameMustBeAsked(gs->title, gs->isTemplate);
        if (std::strstr(proposed, UntitledPrefix().c_str()) && !std::strchr(proposed, '.')) lstrcatA(proposed, ".acq");
        if (path && path[0]) lstrcpynA(proposed, path, sizeof proposed);
        *type = SaveType::Graph;
        if (mustAsk) {
            unsigned index = kSaveFilterAll;
            if (!AskForName(gs, proposed, lockName, title, folder, target, &index)) return false;
            gs->saveAsType = index;
            // A locked name offers no type: its own extension tells what is written.
            *type = SaveTypeOfFilter(lockName ? kSaveFilterAll : index, target);
        } else {
            lstrcpynA(target, proposed, MAX_PATH);
        }
        if (AcceptName(gs, *type, mustAsk, target)) return true;
        if (!mustAsk) return false;
    }
}

}  // namespace

void SetSaveSelectionOnly(int on) { g_selectionOnly = on ? 1 : 0; }

bool SaveNameMustBeAsked(const char* name, int fromTemplate) {
    if (fromTemplate) return true;
    if (std::strstr(name, UntitledPrefix().c_str()) && !std::strchr(name, '.')) return true;
    for (const char* part : {"FFT", "Rate", "Histogram", "Averaging"})
        if (std::strstr(name, part)) return true;
    for (const char* whole : {"Derivative", "FIR Low Pass", "FIR High Pass", "FIR Band Pass", "FIR Band Stop"})
        if (lstrcmpiA(name, whole) == 0) return true;
    return false;
}

SaveType SaveTypeOfFilter(unsigned filterIndex, const char* path) {
    switch (filterIndex) {
    case 2: return SaveType::Text;
    case 3: return SaveType::Picture;
    case 4: return SaveType::Template;
    case kSaveFilterAll: {
        const char* dot = std::strrchr(path, '.');
        const char* slash = std::strrchr(path, '\\');
        if (!dot || (slash && dot < slash)) return SaveType::Graph;
        if (lstrcmpiA(dot, ".txt") == 0) return SaveType::Text;
        if (lstrcmpiA(dot, ".wmf") == 0) return SaveType::Picture;
        if (lstrcmpiA(dot, ".gtl") == 0) return SaveType::Template;
        return SaveType::Graph;
    }
    default: return SaveType::Graph;
    }
}

void ReportSaveFailure(HWND owner, const char* path, DWORD error) {
    ReportFileNotWritten(owner, path, error, SaveFailureKey(error));
}

std::string NameForSaveType(const char* name, SaveType type) {
    std::string named = name;
    const char* own = kSaveExtension[static_cast<int>(type)];
    const size_t slash = named.find_last_of("\\/");
    const size_t dot = named.find_last_of('.');
    const bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    // A graph keeps any extension it is given; a lesson's data file ("-L" and two characters)
    // has none and is listed by File Open as it is.
    if (type == SaveType::Graph) return hasDot || IsLessonDataName(named, slash) ? named : named + own;
    if (hasDot && lstrcmpiA(named.c_str() + dot, own) == 0) return named;
    // The dialog's own extensions are swapped; any other is kept, as part of the name.
    bool known = false;
    for (const char* ext : kSaveExtension) known = known || (hasDot && lstrcmpiA(named.c_str() + dot, ext) == 0);
    if (known) named.erase(dot);
    return named + own;
}

// The causes only a graph's save meets; every other is told as any file's.
const char* SaveFailureKey(DWORD error) {
    switch (error) {
    // The target's folder is created in, never opened: a missing file is the document's own,
    // the file a paged document reads its samples from.
    case ERROR_FILE_NOT_FOUND: return "KEY Graph data file missing";
    case ERROR_NOT_SUPPORTED: return "KEY Save type not available";
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW: return "KEY Save name too long";
    default: return FileNotWrittenKey(error);
    }
}

bool IsSaveFolderMissing(DWORD error) { return std::strcmp(SaveFailureKey(error), "KEY Save folder not found") == 0; }

bool IsSaveNameTooLong(DWORD error) { return std::strcmp(SaveFailureKey(error), "KEY Save name too long") == 0; }

bool SaveNameFitsSystem(const char* name) {
    constexpr size_t kLongestPart = 255;
    if (std::strlen(name) >= MAX_PATH) return false;
    if (!name[0]) return true;  // not a length fault: the write tells what it is
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return false;
    size_t part = 0;
    for (const char* p = full; *p; ++p) {
        part = (*p == '\\' || *p == '/') ? 0 : part + 1;
        if (part > kLongestPart) return false;
    }
    return true;
}

void BuildPlaceableHeader(int16_t right, int16_t bottom, uint8_t out[22]) {
    std::memset(out, 0, kPictureHeaderBytes);
    PutLeU32(out, kPlaceableKey);
    PutLeU16(out + 10, static_cast<uint16_t>(right));
    PutLeU16(out + 12, static_cast<uint16_t>(bottom));
    PutLeU16(out + 14, kPictureUnitsPerInch);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= GetLeU16(out + 2 * i);
    PutLeU16(out + 20, sum);
}

int CheckSameDocument(tagGS* gs, const char* path) {
    const bool own = lstrcmpiA(path, gs->title) == 0 || (gs->filePath[0] && IsSameFile(gs->filePath, path));
    // The file another graph shows is never written over, whatever this one is called by now (a
    // lesson's SAVE names the document after its target first). The document's own name is
    // refused only for a part of it, which would cut the whole short.
    if (!IsAGraphsFile(gs, path, false) && !(own && g_selectionOnly)) return 1;
    RefuseName(gs, path);
    return 0;
}

int HasDiskSpaceFor(tagGS* gs, const char* path) {
    char full[MAX_PATH], root[MAX_PATH];
    // Without a drive to ask the write itself will tell.
    if (!GetFullPathNameA(path, sizeof full, full, nullptr) || !GetVolumePathNameA(full, root, sizeof root)) return 1;
    const double available = GetFreeDiskSpace(root);
    double bytes = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (gs->chanFlags[s] & kChanSlotMask)
            bytes += static_cast<double>(gs->chanCount[s]) * SampleWidth(gs->chanType[s]);
    return bytes < available - 1024 ? 1 : 0;
}

int SaveAsMetafile(tagGS* gs, const char* path) {
    DWORD error = WriteFileThroughTemporary(path, WritePictureInto, gs);
    SetLastError(error);
    return error ? 0 : 1;
}

namespace {

// Save As, or a copy that leaves the document's name and file as they were.
int SaveDocument(tagGS* gs, int ask, int lockName, const char* title, const char* path, const char* folder, bool copy) {
    if (!gs || !g_app) return 0;
    RecordPlacement(gs);
    char target[MAX_PATH];
    SaveType type = SaveType::Graph;
    if (!ChooseTarget(gs, ask, lockName, title, path, folder, target, &type)) return 0;
    const int selection = g_selectionOnly;
    SetWaitCursor(1);
    DWORD error = 0;
    GraphWrite graph{gs, selection ? kWriteSelection : kWriteWhole, 0};
    {
        PagingPolicyScope forward(kPagingForward);
        switch (type) {
        case SaveType::Graph:
            error = HasDiskSpaceFor(gs, target) ? WriteFileThroughTemporary(target, WriteGraphInto, &graph)
                                                : ERROR_DISK_FULL;
            break;
        case SaveType::Text: {
            TextWrite text{gs, selection};
            error = WriteFileThroughTemporary(target, WriteTextInto, &text);
            break;
        }
        case SaveType::Picture: error = SaveAsMetafile(gs, target) ? 0 : GetLastError(); break;
        case SaveType::Template: error = WriteTemplateFile(gs, target) ? 0 : GetLastError(); break;
        }
    }
    SetWaitCursor(0);
    if (error) {
        // A file not found is the one the document pages its samples from, not the target.
        const char* named = error == ERROR_FILE_NOT_FOUND && gs->filePath[0] ? gs->filePath : target;
        ReportSaveFailure(Owner(gs), named, error);
        setDirtyGraphFlag(gs, 1);
        return 0;
    }
    if (type == SaveType::Graph && !copy) gs->isTemplate = 0;
    // A selection saved alone leaves the document as it was, name and changes.
    if (type == SaveType::Graph && !selection) {
        char full[MAX_PATH] = "";
        if (!GetFullPathNameA(target, sizeof full, full, nullptr)) full[0] = 0;
        if (!copy) {
            TakeNewName(gs, target, full, graph.dataOffset);
        } else if (full[0] && gs->filePath[0] && IsSameFile(gs->filePath, full)) {
            AdoptWrittenFile(gs, full, graph.dataOffset);  // the copy replaced the graph's own file
        }
        setDirtyGraphFlag(gs, 0);
        notify::GraphFileUsed(full[0] ? full : target);
        // The journal's text is in the file now.
        if (HWND journal = JournalHwndIfMade(gs->journalWnd)) SendMessageA(journal, EM_SETMODIFY, 0, 0);
    }
    return 1;
}

}  // namespace

int SaveDocumentAs(tagGS* gs, int ask, int lockName, const char* title, const char* path, const char* folder) {
    return SaveDocument(gs, ask, lockName, title, path, folder, false);
}

int SaveDocumentCopyAs(tagGS* gs, int ask, int lockName, const char* title, const char* path, const char* folder) {
    return SaveDocument(gs, ask, lockName, title, path, folder, true);
}

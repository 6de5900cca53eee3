// Opening stored documents: File Open and opening by path, the check that a file is not open
// twice, the untouched "Untitled" graph that receives a document, the dispatch by file kind, the
// placement of the opened window, the ".acq" chooser, and the remembered folders and types.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <cstddef>
#include <cstdint>

struct tagGS;

// File kinds, as the last OpenDataFile found them.
constexpr uint16_t kFileKindGraph = 11;
constexpr uint16_t kFileKindText = 12;
constexpr uint16_t kFileKindTemplate = 15;
// Open modes: 4 reads a file of an unknown extension as a template, any other as a graph file.
constexpr int kOpenGraph = 1;
constexpr int kOpenTemplate = 4;
// Slots of the remembered folders and of the remembered file types.
constexpr int kRememberOpen = 0;
constexpr int kRememberSave = 1;

// While one lives, the files opened ask and tell nothing: a file refused, damaged or already open
// is reported through the opener's result alone, the parts a read left out in the status line
// (lesson scripts open so). They nest.
class CQuietFileOpen {
public:
    CQuietFileOpen();
    ~CQuietFileOpen();
    CQuietFileOpen(const CQuietFileOpen&) = delete;
    CQuietFileOpen& operator=(const CQuietFileOpen&) = delete;
};

// With a path, opens that file; without, runs the File Open dialog (one window per chosen file).
// Returns the (last) opened document, or null. A file that cannot be read is reported and its
// document closed (a reused "Untitled" graph is made new again).
tagGS* DoFileOpen(const char* path, uint16_t* journalHeight);
// 1 when a graph window shows the file; that window is then activated and the user told.
int IsFileAlreadyOpen(const char* path);
// Whether the graph shows the file at path: its window's title is that path, or its own file is
// that file under whatever spelling (another drive, a short name, another case).
bool GraphShowsFile(const tagGS* gs, HWND window, const char* path);
// Takes an untouched "Untitled" graph (1) or a new document (0) and makes it a new graph;
// *out is null when no document could be made.
int FindReusableUntitled(tagGS** out);
// Opens one file into the document by its kind; reports its own failures. 1 read, 0 failed.
int OpenDataFile(tagGS* gs, const char* path, int mode);
// Gives the document its window (or the reused one), places and activates it. 0 when no window
// could be made (the new document is then freed).
int ShowOpenedGraph(tagGS* gs, int reused);
// The corner, in the MDI client, of an opened window of that width placed at its stored corner
// as far as its whole caption (captionHeight high, the border above it included) stays inside
// the client (a file saved with another frame layout, a stored top of 0 above the toolbar).
POINT ReachableCorner(POINT corner, LONG width, LONG captionHeight, const RECT& client);
// The file kind of a path opened with a mode.
uint16_t FileKindOf(const char* path, int mode);

DWORD GetRememberedFileType(int which);
LONG SetRememberedFileType(DWORD value, int which);
// The remembered folder of a slot; the program folder until one is remembered.
const char* GetRememberedFolder(int slot);
// The remembered folder of a slot as it is, empty until one is remembered; and its setting, as
// the recent files bring it back from the last run.
const char* RememberedFolderText(int slot);
void SetRememberedFolder(int slot, const char* folder);
// Remembers the folder of the dialog's chosen file (empty when several were chosen).
void SetMruPath(const OPENFILENAMEA* ofn, int slot);

// The "*.acq" chooser; 1 with the chosen name in the buffer.
int DoFileChooserDialog(HWND owner, char* name, size_t size);
// The hook of the folder-browsing open dialog the chooser's Browse step runs.
extern "C" __declspec(dllexport) UINT_PTR CALLBACK BrowseOpenHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Test seam: the common open and save dialogs, replaceable so that tests answer them in their place.
using FileDialogProc = BOOL (*)(OPENFILENAMEA* ofn);
// Test seam: only tests call it.
void SetFileDialogProcs(FileDialogProc open, FileDialogProc save);
BOOL RunOpenFileDialog(OPENFILENAMEA* ofn);
BOOL RunSaveFileDialog(OPENFILENAMEA* ofn);
// Builds a dialog filter from rows of (key, description, pattern): the looked-up key followed by
// the description, NUL, the pattern, NUL, and a final NUL. Returns the filter's length.
struct stFilterRow {
    const char* key;
    const char* description;
    const char* pattern;
};
size_t BuildFileFilter(const stFilterRow* rows, size_t count, char* out, size_t size);

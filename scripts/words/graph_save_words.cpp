// The second statement executor's saving words: SAVE and SAVECOPY write the script's graph
// through the graph file writer, with or without the save dialog. The executor's other words
// are in graph_words.cpp.
#include "graph/window/graph_window.h"
#include "scripts/words/word_fields.h"
#include "scripts/words/word_table.h"
#include "scripts/words/graph_words.h"
#include "base/app.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_save.h"
#include "graph/render/printing.h"
#include <cstring>
#include <string>

namespace {

// What SAVE and SAVECOPY write to their result variable.
constexpr double kSaved = 1.0;
constexpr double kCopyNotSaved = 2.0;
constexpr double kSaveFailed = 3.0;  // SAVECOPY too, when the name's folder is not there
constexpr double kCopyTargetLocked = 4.0;

void SetResult(stScriptCall& call, const char* name, double value) {
    if (name[0] && IsNumericVariableName(name)) AssignScriptNumericVariable(call.frame, name, value);
}

// The graph the words act on: the script's own, else the active graph window's, so that the
// start-up script's File menu subroutines save the graph the user is looking at.
tagGS* SavingGraph() {
    if (g_script.graph) return g_script.graph;
    return g_app && g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
}

// The graph's title and its window's text, put back when a save does not happen or wrote only
// a copy (a lesson may have given the window a text of its own).
class CKeptTitle {
public:
    explicit CKeptTitle(tagGS* gs) : m_gs(gs) {
        lstrcpynA(m_title, gs->title, sizeof m_title);
        if (gs->hwnd) GetWindowTextA(gs->hwnd, m_shown, sizeof m_shown);
    }
    void PutBack() {
        lstrcpynA(m_gs->title, m_title, sizeof m_gs->title);
        if (m_gs->hwnd) SetWindowTextA(m_gs->hwnd, m_shown);
    }

private:
    tagGS* m_gs;
    char m_title[sizeof(tagGS::title)];
    char m_shown[sizeof(tagGS::title)] = "";
};

// 0 when the file can be opened for reading with no sharing, else the system's error.
DWORD OpenExclusively(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    CloseHandle(file);
    return 0;
}

// A name whose folder is not there, or that is too long for a file: the user is told, as a save
// would tell.
bool ReportedNameFault(const char* name, DWORD error) {
    if (!IsSaveFolderMissing(error) && !IsSaveNameTooLong(error)) return false;
    ReportSaveFailure(Owner(), name, error);
    return true;
}

// The file a word writes: the name the lesson gave, as it gave it, so that the lesson finds the
// file again by that name. False, after telling the user, when the lesson's text was cut to the
// longest string or the name is too long for a file: a shorter name would be another file.
bool GraphFileName(const char* given, bool whole, char (&name)[MAX_PATH]) {
    name[0] = 0;
    if (!given[0]) return true;
    if (whole && SaveNameFitsSystem(given)) {
        lstrcpynA(name, given, MAX_PATH);
        return true;
    }
    const std::string shown = whole ? std::string(given) : std::string(given) + "...";
    ReportSaveFailure(Owner(), shown.c_str(), ERROR_FILENAME_EXCED_RANGE);
    return false;
}

// SAVE name, var: an empty name asks through the save dialog; a name must be an existing file,
// which is written over without questions.
int16_t WordSave(stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char given[kScriptWordChars], var[kScriptWordChars];
    const bool whole = fields.TextWhole(given);
    fields.Word(var);
    if (CWordFields::Bad()) return kScriptStop;
    char name[MAX_PATH];
    if (!GraphFileName(given, whole, name)) {
        SetResult(call, var, kSaveFailed);
        return kScriptGoOn;
    }
    CKeptTitle kept(gs);
    int ask = 1;
    if (name[0]) {
        lstrcpynA(gs->title, name, sizeof gs->title);
        if (const DWORD error = OpenExclusively(name)) {
            ReportedNameFault(name, error);
            SetResult(call, var, kSaveFailed);
            kept.PutBack();
            return kScriptGoOn;
        }
        ask = 0;
    }
    const int saved = SaveDocumentAs(gs, ask, 1, nullptr, nullptr, nullptr);
    if (!saved) kept.PutBack();
    SetResult(call, var, saved ? kSaved : kSaveFailed);
    return kScriptGoOn;
}

// SAVECOPY name, text, word, var [, folder]: writes a copy, then the graph keeps its title and
// file and counts as saved; an empty text writes to the name without questions, another one asks
// with it as the caption.
int16_t WordSaveCopy(stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char given[kScriptWordChars], text[kScriptWordChars], word[kScriptWordChars], var[kScriptWordChars];
    char folder[kScriptWordChars] = "";
    const bool whole = fields.TextWhole(given);
    fields.Text(text);
    fields.Word(word);
    fields.Word(var);
    fields.Text(folder);
    if (CWordFields::Bad()) return kScriptStop;
    char name[MAX_PATH];
    if (!GraphFileName(given, whole, name)) {
        SetResult(call, var, kCopyNotSaved);
        return kScriptGoOn;
    }
    CKeptTitle kept(gs);
    int ask = 1;
    if (!text[0]) {
        SetResult(call, var, kSaved);
        const DWORD error = OpenExclusively(name);
        if (error != 0 && error != ERROR_FILE_NOT_FOUND) {
            double result = kCopyTargetLocked;
            if (ReportedNameFault(name, error)) result = IsSaveNameTooLong(error) ? kCopyNotSaved : kSaveFailed;
            SetResult(call, var, result);
            kept.PutBack();
            return kScriptGoOn;
        }
        // Under its own name for the write, so that an untitled graph is not asked about.
        lstrcpynA(gs->title, name, sizeof gs->title);
        ask = 0;
    }
    const int lockName = lstrcmpiA(word, "LockName") == 0 ? 1 : 0;
    if (!SaveDocumentCopyAs(gs, ask, lockName, text, name, folder[0] ? folder : nullptr)) {
        SetResult(call, var, kCopyNotSaved);
        kept.PutBack();
        return kScriptGoOn;
    }
    setDirtyGraphFlag(gs, 0);
    kept.PutBack();
    SetResult(call, var, kSaved);
    return kScriptGoOn;
}

// PRINTGRAPH: the active graph window prints, as File > Print would (the start-up script has no
// graph of its own).
int16_t WordPrintGraph(stScriptCall&, tagGS* gs, CWordFields&) {
    tagGS* active = g_app && g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
    CDialogWaitCursor off;
    PrintGraph(active ? g_app->hwndActiveGraph : gs->hwnd, active ? active : gs);
    return kScriptGoOn;
}

using SaveWordHandler = int16_t (*)(stScriptCall& call, tagGS* gs, CWordFields& fields);

// The words on the graph being saved: the script's own, or the active one for the start-up script.
const stWordRow<SaveWordHandler> kSaveWords[] = {
    {"SAVE", WordSave},
    {"SAVECOPY", WordSaveCopy},
    {"PRINTGRAPH", WordPrintGraph},
};

}  // namespace

int16_t ExecGraphStatement(stScriptCall& call, const char* word, int* handled) {
    *handled = 0;
    tagGS* gs = SavingGraph();
    if (!gs) return kScriptGoOn;
    CWordFields fields(call.rest);
    if (const auto* row = FindWordRow(kSaveWords, word)) {
        *handled = 1;
        return row->run(call, gs, fields);
    }
    // The other words act on the script's own graph only.
    if (g_script.graph) return ExecGraphWord(call, g_script.graph, word, fields, handled);
    return kScriptGoOn;
}

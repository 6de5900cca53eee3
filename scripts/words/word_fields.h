// How the words of the lesson language read their fields and reach the dialogs they ask through.
#pragma once
#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include "scripts/engine/script_engine.h"

// Reads a statement's fields in order from the rest of its line; never past the line's CR.
class CWordFields {
public:
    explicit CWordFields(const char* rest) : m_pos(rest) {}
    // The next string expression ("" when the field is empty or malformed).
    void Text(char* out256) { m_pos += EvaluateScriptExpression(m_pos, out256); }
    // As Text; false when the text was cut to the longest string, so is not the one written.
    bool TextWhole(char* out256) {
        ClearScriptTextCut();
        Text(out256);
        return !ScriptTextCut();
    }
    // The next word; false when the line holds no further word (its end or a comment).
    bool Word(char* out256) {
        m_pos += GetScriptToken(m_pos, out256);
        return out256[0] && out256[0] != ';';
    }
    double Number() {
        double value = 0.0;
        m_pos += GetScriptNumber(m_pos, &value);
        return value;
    }
    const char* Position() const { return m_pos; }
    // A field read so far was malformed (an expression error, an unterminated literal): the
    // statement must fail before it acts on it.
    static bool Bad() { return ScriptFieldFailed() != 0; }

private:
    const char* m_pos;
};

// Result variables that may be left out: empty, or a numeric variable's name.
inline bool AreOptionalVariables(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (name[0] && !IsNumericVariableName(name)) return false;
    return true;
}

// The dialogs the words ask through, replaceable so that tests answer them in their place.
struct stScriptDialogs {
    // The pressed button's id (1..3), -1 when closed.
    int (*prompt)(const char* message, const char* button1, const char* button2, const char* button3);
    // 0 after OK (text256 holds the typed text), 1 after Cancel or close, -1 when it did not open.
    int (*numberPrompt)(const char* message, const char* label, char* text256);
    // 1 after OK (out256 holds the text), -1 when it did not open.
    int (*textPrompt)(const char* message, const char* initial, char* out256);
    // The chosen item's index, -1 on Cancel or when it did not open.
    int (*itemChooser)(const char* title, const char* const* items, int count, int initial, int mode);
    // 1 with the chosen lesson's script path in fileName260, 0 when the user quit.
    int (*lessonChooser)(char* fileName260);
    // Non-zero with the chosen name in name260 (its folder made current), 0 when cancelled.
    int (*openFile)(char* name260, const char* initialFolder);
};
const stScriptDialogs& ScriptDialogs();
// Test seam: dialogs in place of the program's; null restores the program's.
void SetScriptDialogs(const stScriptDialogs* dialogs);

// The counted wait cursor is off while a word's dialog is up, when the running script asked for it.
class CDialogWaitCursor {
public:
    CDialogWaitCursor();
    ~CDialogWaitCursor();
    CDialogWaitCursor(const CDialogWaitCursor&) = delete;
    CDialogWaitCursor& operator=(const CDialogWaitCursor&) = delete;
    void KeepOff() { m_restore = false; }

private:
    bool m_restore;
};

// ---- The lesson's menu ids (menu_changes.cpp) ----
// Changes the lesson menu's entry that a lesson menu id names (a pop-up by its title, an item by
// the frame command it stands for): action 0 enable, 1 gray, 2 rename to the text (state kept),
// any other remove. Ids that name nothing change nothing.
void ApplyScriptMenuChange(uint32_t id, const char* text, int action);
// The command of an item id may run again (its entry was put back).
void UnblockScriptMenuEntry(uint32_t id);

// ---- Routines beside the graph and file words (file_words.cpp) ----
// SELECT's search of the graph windows by title; lParam points at a stGraphWindowSearch.
struct stGraphWindowSearch {
    const char* title;
    int found;
};
BOOL CALLBACK SelectGraphWindowCallback(HWND hwnd, LPARAM lParam);
// Replaces every ":" with "-"; 1 when there was none.
int MakeFileNameSafe(char* name);
// 1 when the name holds none of \ / : * ? " < > |.
int IsValidFolderName(const char* name);
// Appends the text to the clipboard's text; nothing happens when the clipboard cannot be opened.
void AppendClipboardText(const char* text);
// Appends the selected samples of the document's channels as text lines to the clipboard.
void AppendGraphTextToClipboard(tagGS* gs);

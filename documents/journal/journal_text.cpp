// The journal's text files (Load Text, Save Text) and its settings in the INI file: the paste
// options, the tab size and the application font.
#include "documents/journal/journal.h"
#include "documents/documents_api.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/notify.h"
#include "base/services.h"
#include "base/safe_file.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "base/ini_section.h"
#include <commdlg.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "common/locale.h"

namespace {

constexpr int16_t kLoadDone = 0, kLoadCancelled = 1, kLoadCannotOpen = 45;
constexpr char kFontSection[] = "Font Information";
constexpr int kIniValueChars = 63;

JournalFileDialogProc g_openProc = nullptr, g_saveProc = nullptr;

stJournalPrefs g_prefs = {0, 0, 0, 0, 0, 1.0f};

// The journal's text control, made if its pane has none yet.
HWND EditOf(CJournal* journal) { return journal && journal->window ? GetJournalHwnd(journal->window) : nullptr; }

// The two rows of both text dialogs: translated name and pattern, then the pattern.
std::string BuildJournalFileFilter() {
    std::string filter;
    const char* rows[2][2] = {{"Text", "*.txt"}, {"All NORVANE Files", "*.*"}};
    const char* shown[2] = {" (*.TXT)", " (*.*)"};
    for (int i = 0; i < 2; ++i) {
        filter += Keyed(rows[i][0]);
        filter += shown[i];
        filter.push_back('\0');
        filter += rows[i][1];
        filter.push_back('\0');
    }
    filter.push_back('\0');
    return filter;
}

bool RunFileDialog(bool save, char* path, char* title) {
    const std::string filter = BuildJournalFileFilter();
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = MAX_PATH;
    ofn.Flags = save ? OFN_EXPLORER | OFN_CREATEPROMPT | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT
                     : OFN_EXPLORER | OFN_HIDEREADONLY;
    ofn.lpstrDefExt = save ? "TXT" : "txt";
    JournalFileDialogProc proc = save ? g_saveProc : g_openProc;
    BOOL ok = proc ? proc(&ofn) : save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;
    // A name without an extension under the first filter row is a text file.
    if (save && ofn.nFilterIndex == 1) {
        const char* dot = std::strrchr(path, '.');
        const char* slash = std::strrchr(path, '\\');
        if ((!dot || (slash && dot < slash)) && std::strlen(path) + 4 < MAX_PATH) lstrcatA(path, ".TXT");
    }
    return true;
}

// One line of the control without its own line end (a wrapped piece has none).
std::string ControlLine(HWND edit, int index) {
    const LRESULT start = SendMessageA(edit, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
    const LRESULT length = start < 0 ? 0 : SendMessageA(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    std::vector<char> buffer(static_cast<size_t>(length) + 4, 3);
    const size_t room = buffer.size() - 1;
    *reinterpret_cast<WORD*>(buffer.data()) = static_cast<WORD>(room > 0xFFFF ? 0xFFFF : room);
    const LRESULT got = SendMessageA(edit, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    std::string line(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// Writes the control's lines into the file being saved; Escape stops it, and then nothing is kept.
DWORD WriteJournalLines(HANDLE file, void* context) {
    HWND edit = static_cast<HWND>(context);
    const int lines = static_cast<int>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    int shownPercent = -1;
    // Lines are joined by CR LF; the last keeps what it has, so a text read back is the same.
    for (int i = 0; i < lines; ++i) {
        std::string line = ControlLine(edit, i);
        if (i + 1 < lines) line += "\r\n";
        if (const DWORD error = WriteAllBytes(file, line.data(), line.size())) return error;
        if (IsEscapeKeyDown()) return ERROR_CANCELLED;
        const int percent = static_cast<int>((i + 1) * 100LL / lines);
        if (percent != shownPercent) {
            shownPercent = percent;
            notify::SetStatusTextFmt("Writing text: %3lu%% completed", percent);
        }
    }
    return 0;
}

bool IniFlag(const CIniSection& ini, const char* key) {
    char value[kIniValueChars + 1] = "";
    ini.Get(key, "No", value, kIniValueChars);
    return (value[0] & ~0x20) == 'Y';
}

// The font's numbers as the font chooser can give them; anything else keeps the default.
struct FontNumber {
    const char* key;
    long byDefault, lo, hi;
};
constexpr FontNumber kFontCharSet{"FontCharSet", 1, 0, 255};
constexpr FontNumber kFontOutPrecision{"FontOutPrecision", 0, 0, OUT_PS_ONLY_PRECIS};
constexpr FontNumber kFontClipPrecision{"FontClipPrecision", 0, 0, 255};
constexpr FontNumber kFontQuality{"FontQuality", 0, 0, CLEARTYPE_NATURAL_QUALITY};
constexpr FontNumber kFontHeight{"FontHeight", -13, -kJournalFontPixelsMax, kJournalFontPixelsMax};
constexpr FontNumber kFontWidth{"FontWidth", 0, 0, kJournalFontPixelsMax};
constexpr FontNumber kFontWeight{"FontWeight", FW_NORMAL, 0, FW_HEAVY};

long IniNumber(const CIniSection& ini, const FontNumber& n) { return ini.GetInteger(n.key, n.byDefault, n.lo, n.hi); }

void WriteIniFlag(const char* section, const char* key, bool on) {
    WritePrivateProfileStringA(section, key, on ? "Yes" : "No", kIniFile);
}

void WriteIniNumber(const char* key, long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    WritePrivateProfileStringA(kFontSection, key, text, kIniFile);
}

}  // namespace

stJournalPrefs& JournalPrefs() { return g_prefs; }

void SetJournalFileDialogProcs(JournalFileDialogProc open, JournalFileDialogProc save) {
    g_openProc = open;
    g_saveProc = save;
}

int16_t JournalLoadText(CJournal* journal, int ask, const char* path) {
    HWND edit = EditOf(journal);
    char chosen[MAX_PATH] = "", title[MAX_PATH] = "";
    if (ask) {
        if (!RunFileDialog(false, chosen, title)) return kLoadCancelled;
        path = chosen;
    }
    if (!path) return kLoadCannotOpen;
    CScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return kLoadCannotOpen;
    std::string text;
    const DWORD size = GetFileSize(file.get(), nullptr);
    DWORD got = 0;
    bool ok = size != INVALID_FILE_SIZE;
    if (ok && size) {
        try {
            text.resize(size);
        } catch (...) {
            ok = false;
        }
        ok = ok && ReadFile(file.get(), &text[0], size, &got, nullptr);
    }
    file.Close();
    if (!ok) return kLoadCannotOpen;
    text.resize(got);
    text.resize(std::strlen(text.c_str()));
    if (text.empty() || !edit) return kLoadDone;
    JournalSetLimit(edit, static_cast<size_t>(GetWindowTextLengthA(edit)) + text.size() + 32768);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    JournalEnsureCapacity(edit);
    return kLoadDone;
}

int JournalSaveText(CJournal* journal, int ask, const char* path) {
    HWND edit = EditOf(journal);
    char chosen[MAX_PATH] = "", title[MAX_PATH] = "";
    if (ask) {
        if (!RunFileDialog(true, chosen, title)) return 0;
        path = chosen;
    }
    if (!path || !edit) return 0;
    DWORD error;
    {
        CWaitCursor wait;
        error = WriteFileThroughTemporary(path, WriteJournalLines, edit);
    }
    if (error) {
        // A stopped save keeps the old file as a failed one does, and needs no message.
        if (error != ERROR_CANCELLED) ReportFileNotWritten(Owner(), path, error);
        return 0;
    }
    SendMessageA(edit, EM_SETMODIFY, 0, 0);
    return 1;
}

// ---- Settings ----

void SetDefaultFont() {
    if (!g_app) return;
    LOGFONTA& lf = g_app->fonts.lfJournal;
    lf = LOGFONTA{};
    lf.lfHeight = -13;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = GetUserDefaultLCID() == kJapaneseLocale ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
}

void LoadFontSettings() {
    if (!g_app) return;
    LOGFONTA& lf = g_app->fonts.lfJournal;
    const CIniSection ini(kFontSection, kIniFile);
    char face[kIniValueChars + 1] = "";
    ini.Get("FontFace", "Arial", face, kIniValueChars);
    lstrcpynA(lf.lfFaceName, face[0] ? face : "Arial", LF_FACESIZE);
    lf.lfItalic = IniFlag(ini, "FontItalic");
    lf.lfUnderline = IniFlag(ini, "FontUnderline");
    lf.lfStrikeOut = IniFlag(ini, "FontStrikeout");
    lf.lfCharSet = GetUserDefaultLCID() == kJapaneseLocale ? SHIFTJIS_CHARSET
                                                            : static_cast<BYTE>(IniNumber(ini, kFontCharSet));
    lf.lfOutPrecision = static_cast<BYTE>(IniNumber(ini, kFontOutPrecision));
    lf.lfClipPrecision = static_cast<BYTE>(IniNumber(ini, kFontClipPrecision));
    lf.lfQuality = static_cast<BYTE>(IniNumber(ini, kFontQuality));
    lf.lfPitchAndFamily = 0;
    lf.lfHeight = IniNumber(ini, kFontHeight);
    lf.lfWidth = IniNumber(ini, kFontWidth);
    lf.lfWeight = IniNumber(ini, kFontWeight);
    HFONT font = CreateFontIndirectA(&lf);
    if (!font) return;
    if (g_app->fonts.hfontJournal) DeleteObject(g_app->fonts.hfontJournal);
    g_app->fonts.hfontJournal = font;
}

void SaveFontSettings() {
    if (!g_app) return;
    const LOGFONTA& lf = g_app->fonts.lfJournal;
    WritePrivateProfileStringA(kFontSection, "FontFace", lf.lfFaceName, kIniFile);
    WriteIniFlag(kFontSection, "FontItalic", lf.lfItalic != 0);
    WriteIniFlag(kFontSection, "FontUnderline", lf.lfUnderline != 0);
    WriteIniFlag(kFontSection, "FontStrikeout", lf.lfStrikeOut != 0);
    WriteIniNumber("FontQuality", lf.lfQuality);
    WriteIniNumber("FontCharSet", lf.lfCharSet);
    WriteIniNumber("FontHeight", lf.lfHeight);
    WriteIniNumber("FontWidth", lf.lfWidth);
    WriteIniNumber("FontWeight", lf.lfWeight);
    WriteIniNumber("FontOutPrecision", lf.lfOutPrecision);
    WriteIniNumber("FontClipPrecision", lf.lfClipPrecision);
}

void LoadJournalSettings() {
    const CIniSection ini(kIniSection, kIniFile);
    g_prefs.measurementName = IniFlag(ini, "MeasurementName");
    g_prefs.measurementUnit = IniFlag(ini, "MeasurementUnit");
    g_prefs.measurementPerLine = IniFlag(ini, "MeasurementPerLine");
    g_prefs.waveTimeValues = IniFlag(ini, "WaveTimeValues");
    g_prefs.channelNumbers = IniFlag(ini, "ChannelNumbers");
    g_prefs.tabSize = static_cast<float>(ini.GetNumber("TabSize", 1.0, kJournalTabSizeMin, kJournalTabSizeMax));
    LoadFontSettings();
}

void SaveJournalSettings() {
    WriteIniFlag(kIniSection, "MeasurementName", g_prefs.measurementName != 0);
    WriteIniFlag(kIniSection, "MeasurementUnit", g_prefs.measurementUnit != 0);
    WriteIniFlag(kIniSection, "MeasurementPerLine", g_prefs.measurementPerLine != 0);
    WriteIniFlag(kIniSection, "WaveTimeValues", g_prefs.waveTimeValues != 0);
    WriteIniFlag(kIniSection, "ChannelNumbers", g_prefs.channelNumbers != 0);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", g_prefs.tabSize);
    WritePrivateProfileStringA(kIniSection, "TabSize", text, kIniFile);
    SaveFontSettings();
}

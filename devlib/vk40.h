// VK40.dll: the exports the main program links to or looks up by name. The device operations
// themselves reach the program through the table that vk40_Initialize fills (common/binding.h).
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/binding.h"

#ifdef VK40_BUILD
#define VK40_API extern "C" __declspec(dllexport)
#else
#define VK40_API extern "C" __declspec(dllimport)
#endif
#ifdef VK40_BUILD
#define VK40_CLASS __declspec(dllexport)
#else
#define VK40_CLASS __declspec(dllimport)
#endif

struct tagGS;

// ---- Binding (looked up by name with GetProcAddress) ----
VK40_API int32_t WINAPI vk40_Initialize(HWND frame, stHostCallbacks* host, stDriverOps* ops, int32_t* level,
                                        HGLOBAL* acq, int32_t flag);
using VK40SetupUnitsDlgProc = int32_t(WINAPI*)(HWND parent, HGLOBAL hAcq, uint32_t slot);
VK40_API int32_t WINAPI VK40SetupUnitsDlg(HWND parent, HGLOBAL hAcq, uint32_t slot);

// ---- Library switches and registry settings ----
VK40_API void SetReadStatusEnable(int32_t enable);
// Entry point kept for a later caller; only tests call it now.
VK40_API int32_t GetReadStatusEnable();
VK40_API void SetStartupFlag(int32_t done);
VK40_API uint32_t GetFilterDelayMs();
VK40_API uint32_t GetLineFrequencyHz();
VK40_API int32_t GetDriverName(char* path260, int32_t* kind);
// Non-zero unless the machine's "HWUsageFlag" says "NO".
VK40_API int32_t GetConnectToVK40IsDesired();

// ---- Files ----
// For tests, the program's writes and the library's alike: every later write through a temporary
// file fails with this error once its writer has run, as if its last write had failed (0 ends it).
VK40_API void SetFileWriteFailureForTests(DWORD error);
VK40_API DWORD FileWriteFailureForTests();

// ---- Documents ----
VK40_API int32_t setDirtyGraphFlag(tagGS* gs, int32_t modified);
// 0 when a graph file's acquisition set-up block (size bytes) cannot be a sound one: a version
// that is none, or channel records that lie outside the block. Old and short blocks are sound.
VK40_API int32_t IsSetupBlockSound(const void* block, uint32_t size);

// ---- Analog channel scaling (channel numbers 1-4; anything else answers 0.0) ----
VK40_API double getOffsetByScalingInUnits(uint32_t channel);
VK40_API double getScalingFactor(uint32_t channel);
VK40_API double getRangeOfAllowedValues(uint32_t channel);
VK40_API void ApplyChannelParams();
// A channel set up from the stimulator's reference output (-1), the defaults (0) or, for analog
// channels, an input preset (from 1); 1 when the channel changed.
VK40_API int32_t GetAnalogChannelParams(int32_t channel, int32_t source);
VK40_API int32_t GetDigitalChannelParams(int32_t channel, int32_t source);

// ---- Keyed texts: a null answer means "show the key itself" ----
VK40_API const char* getMsgBoxText(const char* key);
VK40_API int32_t setMsgBoxText(const char* key, const char* text);  // 0: key missing, nothing added
VK40_API void DoEscSeq(char* text, const char* seq, char ch);
VK40_API const char* getHLabelText(const char* key);
VK40_API int32_t setHLabelText(const char* key, const char* text);
// The text to show for a key: its stored text, else the fallback.
inline const char* KeyedOr(const char* key, const char* fallback) {
    const char* text = getMsgBoxText(key);
    return text ? text : fallback;
}
// The text to show for a key: its stored text, or the key itself, never null for a key.
inline const char* Keyed(const char* key) { return KeyedOr(key, key); }
// The key of the program's title, which captions boxes shown before the frame has its own.
constexpr char kProgramTitleKey[] = "Norvane Tessaly";
// The key of the device library's box caption; its stored text names the connected unit.
constexpr char kUnitCaptionKey[] = "VK40";
inline const char* KeyedLabel(const char* key) {
    const char* text = getHLabelText(key);
    return text ? text : key;
}
VK40_API void HandleTheDialog(HWND dlg, uint32_t dlgId);
VK40_API void HandleShowMessage(HWND dlg, uint32_t dlgId);
VK40_API const char* GetDlgMultiTextItem(uint32_t dlgId, const char* name);
VK40_API const char* getDlgCtrlText(uint32_t dlgId, uint32_t ctrlId);
VK40_API int32_t SetShowFlagDlgCtrlItem(uint32_t dlgId, uint32_t ctrlId, uint32_t show);
VK40_API void mlset(uint32_t id, uint32_t sub, const char* text, int32_t create);
VK40_API const char* mlgetName(uint32_t id, uint32_t sub);
VK40_API void HandleTheToolBar(HWND toolbar);
VK40_API int32_t SetHintText(HWND toolbar, const char* key, const char* text);
// Gives the journal buttons of a graph window their translated hints.
VK40_API void TranslateJournalHints(HWND graph);
// Re-labels the library's open windows from the tables.
// Entry point kept for a later caller; only tests call it now.
VK40_API void TranslateDLLWindows();

// ---- Menus ----
constexpr int32_t kMenuKeySet = 1;
constexpr int32_t kMenuKeyMissing = 2;  // SetMenuStrKey adds nothing
constexpr int32_t kMenuItemSet = 1;
constexpr int32_t kMenuItemNoRoom = 4;    // no free group or entry
constexpr int32_t kMenuGroupMissing = 2;  // AdjustMenuByContainerData of an unknown group
// Entry point kept for a later caller; only tests call it now.
VK40_API int32_t InitMenuStrKeyContainer();
VK40_API int32_t SetMenuStrKey(uint32_t key, const char* text);
VK40_API const char* GetMenuStrKey(uint32_t key);
VK40_API int32_t SetMenuItem(uint32_t group, const char* name, const char* text);
VK40_API int32_t AdjustMenuByContainerData(uint32_t group, HMENU menu);
VK40_API const char* GetPopupMenuItemName(uint32_t group, const char* name);

// ---- Command permission table ----
constexpr int32_t kHotKeyRegistered = 1;
constexpr int32_t kHotKeyAlreadyRegistered = 2;
constexpr int32_t kHotKeyTableFull = 3;
constexpr uint32_t kHotKeyUnregistered = 2;  // GetStatusHotKeyEx of an id never registered
constexpr int32_t kHotKeyStatusSet = 1;
constexpr int32_t kHotKeyNotRegistered = 4;  // SetStatusHotKeyEx of an id never registered

// fixed: non-zero keeps EnableAllHotKeys from switching the command back on.
VK40_API int32_t RegHotKeyEx(uint32_t id, uint32_t status, int32_t fixed);
VK40_API uint32_t GetStatusHotKeyEx(uint32_t id);
VK40_API int32_t SetStatusHotKeyEx(uint32_t id, uint32_t status);
VK40_API void EnableAllHotKeys();

// ---- Lesson list ----
VK40_API int32_t FillUpLessonDescriptions(const char* lessonsFolder);
VK40_API int32_t ReFreshLessonsList(HWND listBox);
// Entry point kept for a later caller; only tests call it now.
VK40_API const char* GetLessonWorkingDirectory(const char* displayName);
VK40_API const char* GetLessonFileName(const char* displayName);
VK40_API const char* GetFirstLessonFile();
VK40_API const char* GetNextLessonFile(const char* workingName);
VK40_API int32_t SetDisplayNameByDisplayName(const char* oldName, const char* newName);
VK40_API const char* GetDisplayNameByWorkingName(const char* workingName);

// ---- Exported data ----
VK40_API HWND hwndGetDlg;     // the library's open modal dialog, or a handle that is no window
VK40_API int32_t NChanTotal;  // channel records in stAcq: NDChan + 16
VK40_API int32_t NDChan;      // digital channel records: 0 on the VK40 unit, 8 on the VK45

// ---- The unit ----
// The USB adapter's vendor information as its driver answers it.
struct _LNX200_VENDOR_INFO {
    uint16_t vendorId;
    uint16_t productId;
    uint16_t deviceId;
};
VK40_API int32_t GetVendorInfo(_LNX200_VENDOR_INFO* info);  // 1 when read
// The adapter's 16-byte registers: 1 when 16 bytes were read; the adapter's answer byte (or -1)
// for a write of up to 16 bytes; the adapter mode (2 set, 1 clear, 0 unreadable).
VK40_API int32_t ReadAdapterBytes(uint8_t* out16);
VK40_API int32_t WriteAdapterBytes(const uint8_t* bytes, int32_t count);
VK40_API int32_t GetAdapterMode();

constexpr int32_t kVK40InfoChars = 512;  // GetVK40Info writes at most this, its end included
// The unit's information text: "Disconnected" and 0 when the unit does not answer.
VK40_API int32_t GetVK40Info(char* text);

// The connected unit as both deliverables ask about it.
class VK40_CLASS CVKDevice {
public:
    static const char* GetMenuTitle();
    static int32_t GetDeviceNum();  // 40 or 45
    static int32_t IsVK40();
    static int32_t IsNotVK40();
    static int32_t IsDeviceDifferent(tagGS* gs);
    static void GainStore(tagGS* gs);
    static int32_t CheckCompatibility(tagGS* gs);  // 0 when the user cancels the conversion
    static int32_t m_hardwarewarning;              // ask before converting a graph's set-up
};

// Small fixes of the library's windows, and a direct input reading.
class VK40_CLASS CVK40Fix {
public:
    enum MOVE_DIR { MOVE_HORZ = 0, MOVE_VERT = 1 };
    static void MoveW(HWND window, int offset, MOVE_DIR direction);
    static int32_t GetAnalogData(int channel, double* value);
};

// A module's version block.
enum VERINFO {
    VI_COMMENTS,
    VI_COMPANYNAME,
    VI_FILEDESCRIPTION,
    VI_FILEVERSION,
    VI_INTERNALNAME,
    VI_LEGALCOPYRIGHT,
    VI_LEGALTRADEMARKS,
    VI_ORIGINALFILENAME,
    VI_PRIVATEBUILD,
    VI_PRODUCTNAME,
    VI_PRODUCTVERSION,
    VI_SPECIALBUILD,
};
constexpr int32_t kVersionFields = 12;
constexpr int32_t kVersionFieldChars = 256;

class VK40_CLASS CVersionInfo {
public:
    CVersionInfo();
    int32_t Query(const char* file);
    const char* Get(VERINFO field) const;

    uint16_t m_major = 0;  // the fixed file version
    uint16_t m_minor = 0;
    uint16_t m_release = 0;
    uint16_t m_build = 0;

private:
    void ReadFixedVersion(void* block);
    void ReadStrings(void* block);
    char m_fields[kVersionFields][kVersionFieldChars];
};

// ---- Play-back sources ----
struct stAcq;
constexpr int32_t kSourceNameChars = 260;
constexpr int32_t kSourceResultChars = 260;  // SrcNavAssign's result text, its end included

// A stored text file that stands in for the unit while a named graph records.
class VK40_CLASS CSourceNavigator {
public:
    CSourceNavigator();
    ~CSourceNavigator();
    CSourceNavigator(const CSourceNavigator&) = delete;
    CSourceNavigator& operator=(const CSourceNavigator&) = delete;

    // Reads the file into the table; 0 (and the navigator stays free) when it cannot.
    int32_t Load(const char* dataFile);
    void Release();
    int32_t IsFree() const;
    const char* GetLogicalName() const { return m_logicalName; }
    void SetLogicalName(const char* name);
    uint32_t GetColumns() const { return m_columns; }
    uint32_t GetRows() const { return m_rows; }

    int32_t MovetoBegin();  // cursor 0; 0 when there is no table
    int32_t SeekNext();     // next row; 0 past the last
    int32_t GetCurSampleForChannel(unsigned long column, double* value);
    // Samples of a run as the unit's words; the bytes filled, 0 when the table is too narrow.
    uint32_t GetNextData(unsigned long bytes, unsigned char* buffer, stAcq* acq);
    // Raw table bytes, cyclically, when the channel count equals the column count.
    uint32_t GetNextData(unsigned long bytes, unsigned char* buffer, unsigned short channels);
    int32_t OnBeginAcquisition(stAcq* acq);  // 0 when the table has fewer columns than the run
    int32_t OnEndAcquisition(stAcq* acq);
    void Tick(uint32_t now);
    // The poll's bytes due at the period in milliseconds (a period, not a whole-number rate:
    // rates under one sample a second would otherwise read as zero).
    uint32_t CalculateAndAdjust(double periodMs, unsigned long channels, unsigned short bytesPerSample);

private:
    uint32_t m_columns = 0, m_rows = 0;
    int16_t m_setupWords[2] = {116, 0};
    HGLOBAL m_hTable = nullptr;
    double* m_table = nullptr;
    char m_logicalName[kSourceNameChars];
    double m_factors[40] = {};
    int32_t m_state = 4;
    uint32_t m_cursor = 0;
    uint32_t m_rawCursor = 0;
    int32_t m_wrap = 0;
    int32_t m_clockStarted = 0;
    uint32_t m_lastTick = 0;
    uint32_t m_originTick = 0;
    double m_framesDelivered = 0;
};

// Assigns the data file to the attached graph of the given name; null with the reason in result.
VK40_API CSourceNavigator* SrcNavAssign(stAcq* acq, const char* dataFile, const char* graphName, char* result);
VK40_API int32_t SrcNavRelease(const char* graphName);  // 1 when a source was released
VK40_API CSourceNavigator* SrcNavFindNavigator(const char* graphName);
// The lesson statement "PlayBack <verb> <var> <graph> <file>"; 1 on success.
VK40_API int32_t ExecPlayBackMacro(const char* line);
// A recording into the attached graph served by its source: 1 when the run started.
VK40_API int32_t OnBeginAcquisition(stAcq* acq);
// Ends a source's recording; 0 when the attached graph has no source.
VK40_API int32_t OnEndAcquisition(stAcq* acq);
// The source serving the graph named oldName serves it as newName; 1 when there was one.
VK40_API int32_t SetNewLogicalName(const char* oldName, const char* newName);

// ---- The library's seven shared button pictures (the output panels' switch faces among them) ----
enum EMLBITMAP : int32_t {
    MLBMP_START_IDLE = 0,
    MLBMP_START_RUNNING = 1,
    MLBMP_PLAYBACK_IDLE = 2,
    MLBMP_PLAYBACK_RUNNING = 3,
    MLBMP_TOGGLE_ON = 4,
    MLBMP_TOGGLE_OFF = 5,
    MLBMP_EXTRA = 6,
    MLBMP_COUNT = 7
};

class VK40_CLASS CMLBitmap {
public:
    CMLBitmap();
    ~CMLBitmap();
    CMLBitmap(const CMLBitmap&) = delete;
    CMLBitmap& operator=(const CMLBitmap&) = delete;

    void InitFromResource();
    // The new bitmap, or null with the slot unchanged.
    HBITMAP LoadNewImage(EMLBITMAP image, const char* file);
    // asButton: the Lumikey enabled bitmap, else BM_SETIMAGE. Returns the message result.
    LRESULT SetBitmap(HWND window, EMLBITMAP image, int asButton);
    // The slot's bitmap; a slot not filled yet takes its picture from the library's resources.
    HBITMAP Get(EMLBITMAP image) const;

private:
    static uint16_t GetResource(EMLBITMAP image);

    mutable HBITMAP m_bitmaps[MLBMP_COUNT];
};

extern VK40_CLASS CMLBitmap m_MLBitmap;

// ---- The dialog-text store and the journal buttons' hints (lessons translate both) ----
// Sets or adds the text that HandleTheDialog gives a dialog's control; 0 when the store is full.
VK40_CLASS int32_t SetOrAdd(uint32_t dlgId, uint32_t ctrlId, const char* text);

struct tagLUMIKEY;

// The journal tool strip's tooltip texts, translatable.
class VK40_CLASS CJnlHintText {
public:
    static constexpr int kEntries = 7;
    static constexpr int kTextSize = 64;

    CJnlHintText();
    // Gives each journal button whose tip is a key the key's translated text.
    void TranslateAll(HWND toolStrip);
    // 1, or 0 when the key is missing.
    int SetText(const char* key, const char* text);

private:
    struct stEntry {
        HWND button;
        char key[kTextSize];
        char text[kTextSize];
    };
    int FindKey(const char* key) const;
    static tagLUMIKEY* GetLKBtn(HWND button);

    stEntry m_entries[kEntries];
};

extern VK40_CLASS CJnlHintText m_JnlHintText;

// ---- Outputs: preferences, preference sets and the output controllers ----
#include "devlib/outputs.h"

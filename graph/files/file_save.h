// Saving a graph document: Save As and its dialog, the checks on the chosen name, the write
// through a temporary file beside the target that replaces the target only after a complete
// write, and the picture and template writers.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

struct tagGS;

// What a save writes.
enum class SaveType { Graph, Text, Picture, Template };

// Saves the document, asking for a name when the caller wants it or the document has none of
// its own. 1 saved; 0 when the user cancelled, the name was refused without a dialog to ask
// again, or the write failed (reported with its cause; the target keeps its contents).
int SaveDocumentAs(tagGS* gs, int ask, int lockName, const char* title, const char* path, const char* folder);
// Writes a copy as SaveDocumentAs does, but the document keeps its name, its window's text and
// the file it stands for and reads its samples from (unless the copy went over that very file).
int SaveDocumentCopyAs(tagGS* gs, int ask, int lockName, const char* title, const char* path, const char* folder);
// 1 when the document may be saved under the path; 0 after refusing it with "KEY Same document".
int CheckSameDocument(tagGS* gs, const char* path);
// 1 when the target's drive has room for the document's samples (1,024 bytes to spare).
int HasDiskSpaceFor(tagGS* gs, const char* path);
// Tells why a save failed, in the words of SaveFailureKey, with the path (ReportFileNotWritten).
void ReportSaveFailure(HWND owner, const char* path, DWORD error);
// Whether a save's error means that the folder to save in is not there.
bool IsSaveFolderMissing(DWORD error);
// Whether a save's error means that the name is too long for a file.
bool IsSaveNameTooLong(DWORD error);
// Whether the system takes the name for a file: the whole path, and each part of it, in bounds.
bool SaveNameFitsSystem(const char* name);
// Writes the graph's picture as a placeable metafile; 1 written, 0 failed (the reason is the
// thread's last error).
int SaveAsMetafile(tagGS* gs, const char* path);

// "Selected section only": the next save writes the selection alone. Each Save As starts
// with it cleared; the save dialog's check box sets it.
void SetSaveSelectionOnly(int on);

// ---- Pure parts ----

// Whether a document's name asks for a new one: the untitled name, a transform's result, a
// document made from a template.
bool SaveNameMustBeAsked(const char* name, int fromTemplate);
// The writer a save dialog's filter row (1-5) chooses; row 5 goes by the name's extension.
SaveType SaveTypeOfFilter(unsigned filterIndex, const char* path);
// The name a type is written under: a text, picture or template gets its own extension in place
// of the graph's or another type's, or added to the name, so File Open never takes it for a graph;
// a graph named without an extension gets the graph files' one, unless File Open's lesson data
// pattern ("-L" and two characters) lists it as it is.
std::string NameForSaveType(const char* name, SaveType type);
// The message key that tells the cause of a failed save: a graph's own causes, else any file's.
const char* SaveFailureKey(DWORD error);
// The 22-byte header of a placeable metafile of the given size in thousandths of an inch.
void BuildPlaceableHeader(int16_t right, int16_t bottom, uint8_t out[22]);

// What the graph executor's words share between their files: the field shapes they test, the
// clipboard text escapes, and the word groups the executor hands statements to.
#pragma once
#include <cstddef>
#include <cstdint>
#include "scripts/engine/script_engine.h"

struct tagGS;
class CWordFields;

// A value field that holds text: it begins with a double quote, or names a string variable (its
// second character is $ or @). Anything else is a number.
bool IsTextField(const char* pos);
// A number field that holds something: only an empty field counts as absent.
bool IsFieldPresent(const char* pos);
// A lesson text's escapes: "\r" becomes lineEnd, "\t" a tab, "\\" one backslash; with anyCase the
// letters may also be capitals. Every other character as it is; out holds at most size - 1.
void ExpandLessonEscapes(const char* in, char* out, size_t size, const char* lineEnd, bool anyCase);
// CLIPBOARD WRITE's escapes: "\r" a carriage return alone, "\t" a tab, "\\" one backslash (each
// letter in either case except the backslash); every other character as it is.
void ExpandClipboardEscapes(const char* in, char* out, size_t size);

// The lesson buttons on the frame toolbar (script_buttons.cpp): CREATEBUTTON, REMOVEBUTTON,
// REMOVEALLBUTTONS and RENAMEBUTTON. *handled is 1 when the word was one of them.
int16_t ExecButtonWord(stScriptCall& call, tagGS* gs, const char* word, CWordFields& fields, int* handled);
// The first slot whose button's caption (its text, or its picture's name) is the caption, ignoring
// case; -1 when none is.
int FindScriptButton(tagGS* gs, const char* caption);
// TRANSFORM's second word and its fields (transform_words.cpp).
int16_t ExecTransformWord(stScriptCall& call, tagGS* gs, CWordFields& fields);
// The executor's words other than SAVE and SAVECOPY (graph_words.cpp); *handled is 0 for a word
// it does not know.
int16_t ExecGraphWord(stScriptCall& call, tagGS* gs, const char* word, CWordFields& fields, int* handled);

// SET PICTFILE's picture behind the XY plots of every graph window (background_picture.cpp).
// The old picture is deleted first; the file is then read as a bitmap. 1 when it was read, or
// when the path is empty (no picture); 0 when it could not be (no picture either).
int SetBackgroundPictureFile(const char* path);
// No picture (opening a lesson starts without one).
void ClearBackgroundPicture();

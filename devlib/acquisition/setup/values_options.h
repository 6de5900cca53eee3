// The Input Values pane's options (dialog 1110): precision, what each line shows, the font.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int32_t kOptionsOk = 1;
constexpr int32_t kOptionsOkNewFont = 3;
constexpr int32_t kOptionsCancel = 0;
constexpr int32_t kOptionsCancelNewFont = 2;

// Over g_inputValues. OK stores the precision and the five show flags; a font chosen with
// "Font..." takes effect at once, so the answer says whether one was: 1 OK, 3 OK with a new font,
// 0 Cancel, 2 Cancel after a new font.
int32_t ShowInputValuesOptions(HWND owner);

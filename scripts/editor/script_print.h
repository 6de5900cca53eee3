// Printing the script editor's text: its lines down the printer's pages.
#pragma once
#include <windows.h>
#include <cstdint>

// Where one line of the script goes: its page (from 0) and its row on that page.
struct stScriptLinePlace {
    int32_t page;
    int32_t y;
};
// Lines one under the other from the top of a page; a line that would pass the page's bottom
// starts the next page (a page always takes at least one line).
void PlaceScriptLines(int32_t count, int32_t lineHeight, int32_t pageHeight, stScriptLinePlace* out);

// Prints the pane's lines through the printer dialog, the progress dialog over the editor and the
// spooler; a job that failed is reported with the script's name, a cancelled one is not.
void PrintScriptPane(HWND editor, HWND pane, const char* name);

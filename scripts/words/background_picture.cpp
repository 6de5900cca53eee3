// The picture a lesson puts behind XY plots (SET PICTFILE): the lesson owns the bitmap, the
// graph windows only borrow it, and opening the next lesson takes it away.
#include "scripts/words/graph_words.h"
#include "base/app.h"
#include "controls/dib_file.h"
#include "graph/render/waveforms.h"
#include <windows.h>

namespace {

HBITMAP g_picture = nullptr;

// Every graph window paints again, so XY plots show the new background (or white).
void RepaintGraphWindows() {
    if (g_app && g_app->hwndClient)
        RedrawWindow(g_app->hwndClient, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The windows stop borrowing the picture before it is deleted.
void DropPicture() {
    SetXYBackgroundPicture(nullptr);
    if (g_picture) DeleteObject(g_picture);
    g_picture = nullptr;
}

}  // namespace

int SetBackgroundPictureFile(const char* path) {
    DropPicture();
    int loaded = 1;
    if (path && *path) {
        g_picture = lstrlenA(path) < MAX_PATH ? LoadDibFile(path) : nullptr;
        SetXYBackgroundPicture(g_picture);
        loaded = g_picture ? 1 : 0;
    }
    RepaintGraphWindows();
    return loaded;
}

void ClearBackgroundPicture() {
    const bool had = g_picture != nullptr;
    DropPicture();
    if (had) RepaintGraphWindows();
}

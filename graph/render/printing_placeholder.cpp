// Placeholder of printing and picture export, which are not built: nothing reaches the clipboard
// and no picture is drawn.
#include "graph/render/printing.h"

int CopyGraphToClipboard(tagGS*) { return 0; }
int DrawGraphToMetafile(tagGS*, int, const char*, HMETAFILE*, RECT*, int) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}

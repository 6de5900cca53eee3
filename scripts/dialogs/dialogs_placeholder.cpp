// Placeholder of the script dialogs that are not built yet: each counts as not opened, so the
// word that asks reports its dialog's failure.
#include "scripts/dialogs/script_dialogs.h"

int OpenFileDialog(char* name260, const char*) {
    name260[0] = 0;
    return 0;
}

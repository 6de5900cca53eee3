// Kymora's entry point.
#include <windows.h>
#include "shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int show) {
    KymoraMain(instance, cmdLine, show);
    return 0;
}

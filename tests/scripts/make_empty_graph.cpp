// Writes the empty graph of new lessons (the program's resource 9001, "EMPTY40") with the
// program's own graph writer. Run through tools/make_empty_graph.sh.
#include <windows.h>

#include <cstdio>

#include "tests/scripts/empty_graph.h"
#include "tests/shell/shell_fixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_empty_graph <output file>\n");
        return 2;
    }
    DeleteIni();
    if (!BootShell(0, SW_HIDE)) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    const std::vector<uint8_t> image = WriteEmptyGraph();
    ShutShell();
    if (image.empty()) {
        std::fprintf(stderr, "the empty graph could not be written\n");
        return 1;
    }
    FILE* file = std::fopen(argv[1], "wb");
    if (!file) return 1;
    const bool ok = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    std::fclose(file);
    std::printf("%s: %zu bytes\n", argv[1], image.size());
    return ok ? 0 : 1;
}

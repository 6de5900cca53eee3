// The empty graph a new lesson starts from, as the program's own graph writer makes it.
#include "tests/scripts/empty_graph.h"

#include "base/byte_stream.h"
#include "documents/files/graph_file.h"
#include "graph/document/graph_doc.h"

// No window and no device set-up: the file holds only what every new graph holds, so that the
// image does not depend on the screen or on the unit the program found.
std::vector<uint8_t> WriteEmptyGraph() {
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) < 1) return {};
    InitNewGraph(gs);
    gs->storageKind = kStoreMemory;
    CByteWriter out;
    const int written = WriteGraphStream(gs, out, kWriteWhole, 1);
    FreeGraphRecord(gs);
    if (!written || !out.Ok()) return {};
    return out.Bytes();
}

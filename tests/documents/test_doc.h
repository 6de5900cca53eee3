// A graph document record for the file tests, without window: zeroed as a new record is, freed
// with everything a read put into it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <vector>
#include "base/app.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "base/byte_stream.h"
#include "documents/files/graph_file.h"
#include "documents/stored_blocks.h"
#include "outputs/outputs_api.h"

struct TestDoc {
    tagGS* gs = nullptr;
    TestDoc() {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
        gs = static_cast<tagGS*>(GlobalLock(h));
        gs->winSize = kPagingWindow;
        gs->sampleInterval = 5.0;
        for (int s = 0; s < kMaxChannels; ++s) gs->chanViewWord[s] = 1092;
        gs->xyXChan = 1;
        gs->viewFlags0 = 2;
    }
    ~TestDoc() {
        ClearDocumentData(gs);
        DeleteJournal(gs->journal, 1);
        DeleteMarkerManager(gs->markerManager, 1);
        DeleteGraphItemList(gs->graphItems, 1);
        DeleteOutCtlViewSet(gs->outPanels, 1);
        FreeCurveSettings(gs->curveSettings);
        HGLOBAL h = GlobalHandle(gs);
        GlobalUnlock(h);
        GlobalFree(h);
    }
    TestDoc(const TestDoc&) = delete;
    TestDoc& operator=(const TestDoc&) = delete;
};

// The program record the dialogs and message boxes need, with this test program's resources, in
// place of the program's own while it lives.
struct TestApp {
    TestApp() {
        record->hInstance = GetModuleHandleA(nullptr);
        lstrcpyA(record->szAppTitle, "Kymora test");
        g_app = record.get();
    }
    ~TestApp() { g_app = kept; }
    TestApp(const TestApp&) = delete;
    TestApp& operator=(const TestApp&) = delete;

    std::unique_ptr<stApp> record = std::make_unique<stApp>();
    stApp* kept = g_app;
};

// A read document's marker manager, graph items and output panels as their blocks save them: what
// the damage tests compare with the sound file's.
inline std::vector<uint8_t> ManagerOf(TestDoc& d) {
    CByteWriter out;
    MarkerManagerSave(d.gs, out, MarkerBlockForm::Normal, -1);
    return out.Bytes();
}
inline std::vector<uint8_t> ItemsOf(TestDoc& d) {
    CByteWriter out;
    GraphItemsSave(d.gs, out);
    return out.Bytes();
}
inline std::vector<uint8_t> PanelsOf(TestDoc& d) {
    CByteWriter out;
    WriteOutputPanels(d.gs->outPanels, out);
    return out.Bytes();
}

// A graph document record for the file tests, without window: zeroed as a new record is, freed
// with everything a read put into it.
#pragma once
#include <windows.h>
#include <memory>
#include "base/app.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"
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

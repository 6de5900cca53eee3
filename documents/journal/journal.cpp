// The document's journal: its auto-time flag, its stored text, and its block in the graph file.
#include "documents/journal/journal.h"
#include "documents/documents_api.h"
#include "documents/stored_blocks.h"
#include "documents/files/graph_layout.h"
#include "base/byte_stream.h"
#include "common/scoped_handle.h"
#include "common/tagGS.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

// The whole text of the control into text; false when memory runs out, so that a save fails
// rather than write an empty journal in place of the user's.
bool ControlText(HWND edit, std::string* text) {
    text->clear();
    int n = GetWindowTextLengthA(edit);
    if (n <= 0) return true;
    try {
        text->resize(static_cast<size_t>(n) + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    int got = GetWindowTextA(edit, &(*text)[0], n + 1);
    text->resize(got > 0 ? static_cast<size_t>(got) : 0);
    return true;
}

// The stored text (NUL-ended) into text; false when memory runs out.
bool StoredText(HGLOBAL stored, std::string* text) {
    text->clear();
    const char* p = static_cast<const char*>(GlobalLock(stored));
    if (!p) return true;
    bool ok = true;
    try {
        text->assign(p);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    GlobalUnlock(stored);
    return ok;
}

}  // namespace

CJournal::~CJournal() { JournalClear(this); }

void CJournal::FreeStoredText() {
    if (storedText) GlobalFree(storedText);
    storedText = nullptr;
}

int CJournal::StoreText(const char* text, size_t n) {
    FreeStoredText();
    if (n == 0) return 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, n + 1);
    if (!h) return 0;
    if (char* p = static_cast<char*>(GlobalLock(h))) {
        std::memcpy(p, text, n);
        GlobalUnlock(h);
    }
    storedText = h;
    return 1;
}

CJournal* NewJournal() { return new (std::nothrow) CJournal; }

void DeleteJournal(CJournal* journal, int flags) {
    if (!journal) return;
    if (journal->window && journal->window->journal == journal) journal->window->journal = nullptr;
    journal->window = nullptr;
    if (flags & 1)
        delete journal;
    else
        journal->~CJournal();
}

void JournalClear(CJournal* journal) {
    if (!journal) return;
    journal->autoTime = 0;
    journal->FreeStoredText();
    if (!journal->window || !journal->window->edit) return;
    JournalFillText(journal->window, "");
    SendMessageA(journal->window->edit, EM_SETMODIFY, 0, 0);
    JournalSyncText(journal);
}

void JournalSyncText(CJournal* journal) {
    if (!journal || !journal->window) return;
    CJournalWindow* w = journal->window;
    if (w->edit) SetPropA(w->edit, "AutoTime", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(journal->autoTime)));
    if (w->autoTimeButton) SendMessageA(w->autoTimeButton, BM_SETCHECK, journal->autoTime ? BST_CHECKED : 0, 0);
    if (!journal->storedText || !w->edit) return;
    if (const char* text = static_cast<const char*>(GlobalLock(journal->storedText))) {
        JournalFillText(w, text);
        GlobalUnlock(journal->storedText);
    }
}

void JournalAttachDocument(void* pane, CJournal* journal) {
    auto* w = static_cast<CJournalWindow*>(pane);
    if (!journal) return;
    if (w && w->journal && w->journal != journal) w->journal->window = nullptr;
    journal->window = w;
    if (w) {
        w->journal = journal;
        JournalSyncText(journal);
        // Stored text waits for the text control, which takes it as it is made: at once for a
        // shown journal, else when first needed. Filling a rich edit costs it time for every
        // line, so a long journal that stays hidden is never put into one, and a shown one
        // takes the end of a long text while the program waits for input.
        if (journal->storedText && (!w->shown || !JournalMakeEdit(w))) return;
    }
    journal->FreeStoredText();
}

uint16_t JournalGetAutoTime(CJournal* journal) { return journal ? journal->autoTime : 0; }

void JournalSetAutoTime(CJournal* journal, uint16_t on) {
    if (!journal) return;
    journal->autoTime = on;
    JournalSyncText(journal);
}

int JournalFrameAt(CByteReader& in, int wideFirstField, stJournalFrame* frame) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0;
    if (!in.U32(&tag) || tag != acqfile::kJournalTag) {
        in.Seek(start);
        return kBlockAbsent;
    }
    const uint64_t p = in.Tell();
    // The expected width of the auto-time field first; when the length then runs past the end
    // of the file, the other width.
    uint8_t field[4] = {};
    uint32_t n = 0;
    bool fits = false;
    bool headRead = false;
    for (int attempt = 0; attempt < 2 && !fits; ++attempt) {
        const bool wide = (attempt == 0) == (wideFirstField == 1);
        in.Seek(p);
        std::memset(field, 0, sizeof field);
        headRead = in.Read(field, wide ? 4 : 2) && in.U32(&n);
        fits = headRead && n <= in.Remaining();
    }
    // Neither width fits: the expected one is the likelier, and the text starts after it.
    if (!fits) {
        in.Seek(p);
        std::memset(field, 0, sizeof field);
        headRead = in.Read(field, wideFirstField == 1 ? 4 : 2) && in.U32(&n);
    }
    if (!headRead) in.Seek(in.Size());
    *frame = stJournalFrame{};
    frame->start = start;
    frame->autoTime = GetLeU16(field);
    frame->textAt = in.Tell();
    frame->fits = fits;
    frame->textEnd = fits ? frame->textAt + n : in.Size();
    // The control never gives a NUL: one inside the text says its length may be wrong.
    frame->holdsNul = false;
    uint8_t chunk[4096];
    for (uint64_t at = frame->textAt; at < frame->textEnd && !frame->holdsNul;) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, frame->textEnd - at));
        if (!in.Seek(at) || !in.Read(chunk, take)) break;
        frame->holdsNul = std::memchr(chunk, 0, take) != nullptr;
        at += take;
    }
    in.Seek(frame->textEnd);
    return kBlockRead;
}

int JournalTakeText(tagGS* gs, CByteReader& in, uint16_t autoTime, uint64_t from, uint64_t to, bool* cutAtNul) {
    if (!gs->journal) gs->journal = NewJournal();
    CJournal* j = gs->journal;
    if (!j) return 0;
    j->autoTime = autoTime;
    // A text that cannot be held or read is a journal not read: the caller tells the user it was
    // left out, rather than show an empty one as if it were the file's.
    std::string text;
    try {
        text.resize(static_cast<size_t>(to > from ? to - from : 0));
    } catch (const std::bad_alloc&) {
        in.Seek(to);
        return 0;
    }
    if (!text.empty() && (!in.Seek(from) || !in.Read(&text[0], text.size()))) {
        in.Seek(to);
        return 0;
    }
    // The stored text ends at its first NUL, as the control would take it.
    const size_t length = std::strlen(text.c_str());
    if (cutAtNul) *cutAtNul = length < text.size();
    text.resize(length);
    const int stored = j->StoreText(text.data(), text.size());
    in.Seek(to);
    return stored;
}

int JournalSaveBlock(tagGS* gs, CByteWriter& out) {
    CJournal* j = gs->journal;
    std::string text;
    // The control keeps its modified flag: copies (autosaves, selections) leave the journal
    // unsaved; the document's own save clears it. A pane whose control is yet to be made holds
    // no text but the stored one. A text that cannot be held fails the whole write.
    bool held = true;
    if (j && j->window && j->window->edit) {
        JournalFinishFill(j->window);
        held = ControlText(j->window->edit, &text);
    } else if (j && j->storedText) {
        held = StoredText(j->storedText, &text);
    }
    if (!held) {
        out.Fail(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    out.U32(acqfile::kJournalTag);
    out.U16(j ? j->autoTime : 0);
    out.U32(static_cast<uint32_t>(text.size()));
    if (!text.empty()) out.Write(text.data(), text.size());
    return out.Ok() ? 1 : 0;
}

int JournalLoadSideFile(CJournal* journal, const char* documentPath) {
    if (!journal || !documentPath) return 0;
    std::string path = documentPath;
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 >= path.size()) return 0;
    path[dot + 1] = 'J';
    CScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return 0;
    std::string text;
    DWORD size = GetFileSize(file.get(), nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok && size) {
        try {
            text.resize(size);
        } catch (...) {
            ok = false;
        }
        DWORD got = 0;
        ok = ok && ReadFile(file.get(), &text[0], size, &got, nullptr);
        text.resize(ok ? got : 0);
    }
    file.Close();
    if (!ok) return 0;
    text.resize(std::strlen(text.c_str()));
    return journal->StoreText(text.data(), text.size());
}

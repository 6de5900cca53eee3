// The loaded script's containers: the owning list with a cursor and the subroutine record.
#include "scripts/engine/script_list.h"
#include "scripts/engine/script_plans.h"
#include <cstring>
#include <new>

CCursorList::~CCursorList() { RemoveAll(); }

// The list owns its items: deleting one goes through the item's own destructor.
void CCursorList::DeleteItem(CListItem* item) { delete item; }

void CCursorList::RemoveAll() {
    Node* node = m_head;
    while (node) {
        Node* next = node->next;
        DeleteItem(node->item);
        delete node;
        node = next;
    }
    m_count = 0;
    m_head = m_tail = m_cursor = nullptr;
}

// A new node after the cursor (the only node of an empty list); the cursor moves to it.
void CCursorList::InsertAfterCursor(CListItem* item) {
    Node* node = new Node{nullptr, nullptr, item};
    if (!m_head) {
        m_head = m_tail = node;
    } else {
        Node* at = m_cursor ? m_cursor : m_tail;
        node->prev = at;
        node->next = at->next;
        if (at->next) at->next->prev = node;
        at->next = node;
        if (at == m_tail) m_tail = node;
    }
    ++m_count;
    m_cursor = node;
}

// The mirror image: before the cursor (the head when there is none).
void CCursorList::InsertBeforeCursor(CListItem* item) {
    Node* node = new Node{nullptr, nullptr, item};
    if (!m_head) {
        m_head = m_tail = node;
    } else {
        Node* at = m_cursor ? m_cursor : m_head;
        node->next = at;
        node->prev = at->prev;
        if (at->prev) at->prev->next = node;
        at->prev = node;
        if (at == m_head) m_head = node;
    }
    ++m_count;
    m_cursor = node;
}

// Deletes the current item and its node; the cursor steps back (null after the head).
void CCursorList::RemoveCurrent() {
    Node* node = m_cursor;
    if (!node) return;
    DeleteItem(node->item);
    if (node->prev) node->prev->next = node->next;
    else m_head = node->next;
    if (node->next) node->next->prev = node->prev;
    else m_tail = node->prev;
    m_cursor = node->prev;
    delete node;
    --m_count;
}

CListItem* CCursorList::MoveFirst() {
    m_cursor = m_head;
    return Current();
}

CListItem* CCursorList::MoveLast() {
    m_cursor = m_tail;
    return Current();
}

CListItem* CCursorList::MoveNext() {
    if (m_cursor) m_cursor = m_cursor->next;
    return Current();
}

CListItem* CCursorList::Current() const { return m_cursor ? m_cursor->item : nullptr; }

// The first position holding the current item; the cursor ends there (-1 without a cursor).
int32_t CCursorList::IndexOfCurrent() {
    if (!m_cursor) return -1;
    CListItem* item = m_cursor->item;
    int32_t i = 0;
    for (Node* n = m_head; n; n = n->next, ++i) {
        if (n->item == item) {
            m_cursor = n;
            return i;
        }
    }
    return -1;
}

CListItem* CCursorList::MoveTo(int32_t index) {
    MoveFirst();
    for (int32_t i = 0; i < index && m_cursor; ++i) MoveNext();
    return Current();
}

// The item at a position, leaving the cursor where it was.
CListItem* CCursorList::ItemAt(int32_t index) {
    Node* saved = m_cursor;
    CListItem* item = MoveTo(index);
    m_cursor = saved;
    return item;
}

// Takes the current node out and puts it back at a position (0 = the head).
void CCursorList::MoveCurrentTo(int32_t position) {
    Node* node = m_cursor;
    if (!node || position < 0) return;
    if (node->prev) node->prev->next = node->next;
    else m_head = node->next;
    if (node->next) node->next->prev = node->prev;
    else m_tail = node->prev;
    node->prev = node->next = nullptr;
    Node* after = nullptr;
    if (position > 0) {
        after = m_head;
        for (int32_t i = 1; i < position && after && after->next; ++i) after = after->next;
    }
    if (!after) {
        node->next = m_head;
        if (m_head) m_head->prev = node;
        m_head = node;
        if (!m_tail) m_tail = node;
    } else {
        node->prev = after;
        node->next = after->next;
        if (after->next) after->next->prev = node;
        after->next = node;
        if (after == m_tail) m_tail = node;
    }
}

// Hands the current item over without deleting it and unlinks its node; cursor as RemoveCurrent.
CListItem* CCursorList::DetachCurrent() {
    Node* node = m_cursor;
    if (!node) return nullptr;
    CListItem* item = node->item;
    node->item = nullptr;
    RemoveCurrent();
    return item;
}

namespace {
void CopyName(char* out, const char* name) {
    size_t n = name ? std::strlen(name) : 0;
    if (n > kScriptNameChars - 1) n = kScriptNameChars - 1;
    if (n) std::memcpy(out, name, n);
    out[n] = 0;
}
}  // namespace

CScriptSubroutine::CScriptSubroutine() {
    m_name[0] = 0;
    m_callerName[0] = 0;
    for (double& v : m_locals) v = 0.0;
    for (Label& l : m_labels) {
        l.name[0] = 0;
        l.offset = 0;
    }
}

CScriptSubroutine::~CScriptSubroutine() {
    delete m_plans;
    if (m_textHandle) {
        GlobalUnlock(m_textHandle);
        GlobalFree(m_textHandle);
    }
}

// The copy starts with a CR of its own, so that "the end of the line before" the first line
// exists too; Text() points past it.
int CScriptSubroutine::StoreText(const char* source, uint32_t length) {
    delete m_plans;
    m_plans = nullptr;
    if (m_textHandle) {
        GlobalUnlock(m_textHandle);
        GlobalFree(m_textHandle);
        m_textHandle = nullptr;
        m_text = nullptr;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(length) + 2);
    if (!block) return 0;
    char* p = static_cast<char*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return 0;
    }
    p[0] = '\r';
    if (length) std::memcpy(p + 1, source, length);
    p[length + 1] = 0;
    m_textHandle = block;
    m_text = p + 1;
    m_textLength = length;
    return 1;
}

void CScriptSubroutine::SetName(const char* name) { CopyName(m_name, name); }
void CScriptSubroutine::SetCallerName(const char* name) { CopyName(m_callerName, name); }

void CScriptSubroutine::SetLabel(int i, const char* name, uint32_t offset) {
    if (i < 0 || i >= kScriptLabelSlots) return;
    CopyName(m_labels[i].name, name);
    m_labels[i].offset = offset;
}

CScriptPlans* CScriptSubroutine::Plans() {
    if (!m_plans) m_plans = new (std::nothrow) CScriptPlans;  // null: the lines are read
    return m_plans;
}

// The loaded script's containers: a doubly linked list with a cursor that owns its items, and the
// subroutine record that is also the call frame of its runs (its locals and labels live in it).
#pragma once
#include <windows.h>
#include <cstdint>

class CScriptPlans;

constexpr int kScriptNameChars = 20;  // names of up to 19 characters
constexpr int kScriptLabelSlots = 100;  // labels, including the empty end mark

// An item a CCursorList can own: deleted through its own virtual destructor.
class CListItem {
public:
    virtual ~CListItem() = default;
};

// A doubly linked list with a current position; it owns its items.
class CCursorList {
public:
    CCursorList() = default;
    virtual ~CCursorList();
    CCursorList(const CCursorList&) = delete;
    CCursorList& operator=(const CCursorList&) = delete;

    virtual void DeleteItem(CListItem* item);

    void RemoveAll();
    void InsertAfterCursor(CListItem* item);
    void InsertBeforeCursor(CListItem* item);
    void RemoveCurrent();
    CListItem* MoveFirst();
    CListItem* MoveLast();
    CListItem* MoveNext();
    CListItem* Current() const;
    int32_t IndexOfCurrent();
    CListItem* MoveTo(int32_t index);
    CListItem* ItemAt(int32_t index);
    void MoveCurrentTo(int32_t position);
    // Unlinks the current node and hands its item to the caller instead of deleting it.
    CListItem* DetachCurrent();
    int32_t Count() const { return m_count; }

private:
    struct Node {
        Node* next;
        Node* prev;
        CListItem* item;
    };
    int32_t m_count = 0;
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    Node* m_cursor = nullptr;
};

// One subroutine of the loaded script and the call frame of its runs: the locals a..z, the label
// table, and the subroutine's own copy of its text (a moveable block, locked while it lives).
class CScriptSubroutine : public CListItem {
public:
    CScriptSubroutine();
    ~CScriptSubroutine() override;
    CScriptSubroutine(const CScriptSubroutine&) = delete;
    CScriptSubroutine& operator=(const CScriptSubroutine&) = delete;

    // Replaces the text with a copy of length bytes; 0 when memory runs out.
    int StoreText(const char* source, uint32_t length);

    const char* Name() const { return m_name; }
    void SetName(const char* name);  // cut to 19 characters
    const char* Text() const { return m_text ? m_text : ""; }
    uint32_t TextLength() const { return m_textLength; }
    double Local(int i) const { return (i >= 0 && i < 26) ? m_locals[i] : 0.0; }
    void SetLocal(int i, double value) {
        if (i >= 0 && i < 26) m_locals[i] = value;
    }
    const char* LabelName(int i) const { return (i >= 0 && i < kScriptLabelSlots) ? m_labels[i].name : ""; }
    uint32_t LabelOffset(int i) const { return (i >= 0 && i < kScriptLabelSlots) ? m_labels[i].offset : 0; }
    void SetLabel(int i, const char* name, uint32_t offset);  // cut to 19 characters; ignored past the table
    const char* CallerName() const { return m_callerName; }
    void SetCallerName(const char* name);
    uint32_t ResumeOffset() const { return m_resumeOffset; }
    void SetResumeOffset(uint32_t offset) { m_resumeOffset = offset; }

    // Runs in progress on this record. A record that is dropped from the list while a run of it
    // is in progress is kept (retired) until its last run ends, so a run never reads freed text.
    int32_t m_activeRuns = 0;
    // The plans of the lines run so far (made at the first use, dropped with the text); null
    // when there is no memory for them.
    CScriptPlans* Plans();

private:
    struct Label {
        char name[kScriptNameChars];
        uint32_t offset;
    };
    char m_name[kScriptNameChars];
    double m_locals[26];
    Label m_labels[kScriptLabelSlots];
    HGLOBAL m_textHandle = nullptr;
    char* m_text = nullptr;  // one past the block's leading CR
    uint32_t m_textLength = 0;
    char m_callerName[kScriptNameChars];
    uint32_t m_resumeOffset = 0;
    CScriptPlans* m_plans = nullptr;
};

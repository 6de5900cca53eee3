// The variables browser: its own copy of every script variable's value as text, by category, and
// the modeless dialog (206) that shows one category at a time.
#pragma once
#include <windows.h>
#include <cstddef>

constexpr int kVarTextChars = 256;  // names and values: 255 characters and the terminator
constexpr int kVarEntries = 30;
constexpr int kVarCategories = 5;

struct VarEntry {
    char name[kVarTextChars];  // empty: free
    char value[kVarTextChars];
    // A number assigned while no browser was open: written into `value` when the entry is next
    // found, so a lesson loop does not format every assignment nobody sees.
    double pendingNumber;
    int pendingDigits;  // 0: none pending
};

class VarCategory {
public:
    const char* Name() const { return m_name; }
    void SetName(const char* name);
    // First free slot; a name of 256 characters or more is refused (null).
    VarEntry* AddEntry(const char* name, const char* value = nullptr);
    // Both write a pending number into the entry's text first.
    VarEntry* FindEntry(const char* name);
    VarEntry* EntryAt(int index);
    // The entry without writing its pending number.
    VarEntry* FindSlot(const char* name);
    VarEntry* SlotAt(int index) { return index >= 0 && index < kVarEntries ? &m_entries[index] : nullptr; }
    // Refused (0) at 256 characters or more; the entry keeps its text.
    static int SetValueText(VarEntry& entry, const char* text);
    static int SetValueNumber(VarEntry& entry, double value, int digits);
    // Keeps the number to be written when the entry is next found.
    static void DeferValueNumber(VarEntry& entry, double value, int digits);

private:
    char m_name[kVarTextChars] = "";
    VarEntry m_entries[kVarEntries] = {};
};

class VarCategorySet {
public:
    VarCategory* AddCategory(const char* name);
    VarCategory* FindCategory(const char* name);
    VarCategory* CategoryAt(int index);

private:
    VarCategory m_categories[kVarCategories];
};

// The value written with `digits` significant digits: fixed notation when the decimal exponent
// lies between -1 and digits - 1, else exponent notation with a two-digit exponent at least.
void FormatNumberToDigits(char* out, size_t size, double value, int digits);

// Test seam: the browser's copy of the categories, as the dialog shows them.
VarCategorySet& VariableCategories();
// Shows the entry's value in the list when its category is the one shown.
void RefreshVariableRow(const char* category, const char* name);

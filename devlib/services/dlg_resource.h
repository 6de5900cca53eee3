// The dialog-control texts: per dialog, a text by control id, a show command by control id, and
// texts by the control's own English text ("by name"). Exported as a C++ class and its one store.
#pragma once

#include <cstdint>

#include "devlib/vk40.h"

#ifdef VK40_BUILD
#define VK40_CPP_API __declspec(dllexport)
#else
#define VK40_CPP_API __declspec(dllimport)
#endif

constexpr int kDlgResourceEntries = 2048;
constexpr int kDlgResourceChars = 256;

// Kind bits of an entry; 0 is a free entry.
constexpr uint32_t kDlgTextByControl = 1;
constexpr uint32_t kDlgShowValue = 2;
constexpr uint32_t kDlgTextByName = 4;

struct stDlgResourceEntry {
    uint32_t dlgId;
    uint32_t ctrlId;
    char name[kDlgResourceChars];
    char text[kDlgResourceChars];
    uint32_t show;
    uint32_t kind;
};

// Over a megabyte: use the library's store, m_DlgResourceStorage, rather than an instance of one's own.
class VK40_CPP_API CDlgResource {
public:
    const char* get(uint32_t dlgId, uint32_t ctrlId) const;
    int32_t set(uint32_t dlgId, uint32_t ctrlId, const char* text);
    int32_t add(uint32_t dlgId, uint32_t ctrlId, const char* text);
    int32_t SetOrAdd(uint32_t dlgId, uint32_t ctrlId, const char* text);
    int32_t SetOrAdd(uint32_t dlgId, const char* name, const char* text);
    const char* GetByName(uint32_t dlgId, const char* name) const;
    int32_t SetShowFlag(uint32_t dlgId, uint32_t ctrlId, uint32_t show);
    // The entry of (dlgId, ctrlId) with a text or a show value, or null.
    const stDlgResourceEntry* FindControl(uint32_t dlgId, uint32_t ctrlId) const;
    const stDlgResourceEntry& Entry(int32_t index) const { return m_entries[index]; }

private:
    int32_t FindControlIndex(uint32_t dlgId, uint32_t ctrlId) const;
    int32_t FindNameIndex(uint32_t dlgId, const char* name) const;
    int32_t HighestFree() const;

    stDlgResourceEntry m_entries[kDlgResourceEntries] = {};
};

extern VK40_CPP_API CDlgResource m_DlgResourceStorage;

// The store's set-or-add, for callers without the object (the by-id form is in devlib/vk40.h).
VK40_CPP_API int32_t SetOrAdd(uint32_t dlgId, const char* name, const char* text);

// Keyed texts. Every key is its own default text, so until the text tables exist the messages
// and axis labels answer the key itself and dialogs keep their template texts. Menu labels are
// numbered, so they are kept in their table from the start.
#include "devlib/services/vk40_api.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr int kMenuLabels = 255;
constexpr int kMenuLabelChars = 120;

struct stMenuLabel {
    uint32_t id;  // 0: free
    uint32_t sub;
    char text[kMenuLabelChars];
};

struct stMenuLabelDefault {
    uint32_t id;
    const char* text;
};

const stMenuLabelDefault kMenuLabelDefaults[] = {
    {2400, "Tile Waveforms\tCtrl+Shift+A"},
    {2410, "Autoscale Waveforms"},
    {2420, "Compare Waveforms"},
    {2430, "Autoscale Horizontal"},
    {2401, "Tile Waveforms\tCtrl+Shift+A"},
    {2411, "Autoscale Waveforms"},
    {2421, "Compare Waveforms"},
    {2431, "Autoscale Horizontal"},
    {2402, "Autoscale Vertical\tCtrl+Shift+A"},
    {2412, "Center Vertical"},
    {2422, "Autoscale Horizontal"},
    {2432, "Center Horizontal"},
    {2200, "Undo\tCtrl+Z"},
    {2201, "Can't Undo"},
    {2440, "Hide X-Scale"},
    {2441, "Hide Y-Scale"},
    {2442, "Show X-Scale"},
    {2443, "Show Y-Scale"},
};

// Filled with the defaults when the library loads.
class CMenuLabels {
public:
    CMenuLabels()
    {
        for (const stMenuLabelDefault& d : kMenuLabelDefaults)
            Set(d.id, 0, d.text, 1);
    }

    // Lookups run from the last entry down, so the newest entry of a key wins.
    stMenuLabel* Find(uint32_t id, uint32_t sub)
    {
        for (int i = kMenuLabels - 1; i >= 0; --i) {
            stMenuLabel& e = m_entries[i];
            if (e.id == id && (id == 0 || e.sub == sub))
                return &e;
        }
        return nullptr;
    }

    // A missing entry takes the highest free place when create is set; a full table takes nothing.
    void Set(uint32_t id, uint32_t sub, const char* text, int32_t create)
    {
        stMenuLabel* e = Find(id, sub);
        if (!e && create) {
            e = Find(0, 0);
            if (e) {
                e->id = id;
                e->sub = sub;
            }
        }
        if (e)
            lstrcpynA(e->text, text ? text : "", kMenuLabelChars);
    }

private:
    stMenuLabel m_entries[kMenuLabels] = {};
};

CMenuLabels g_menuLabels;

}  // namespace

const char* getMsgBoxText(const char* key)
{
    return key;
}

const char* getHLabelText(const char* key)
{
    return key;
}

void HandleTheDialog(HWND, uint32_t) {}

void HandleShowMessage(HWND, uint32_t) {}

const char* GetDlgMultiTextItem(uint32_t, const char*)
{
    return nullptr;
}

void mlset(uint32_t id, uint32_t sub, const char* text, int32_t create)
{
    g_menuLabels.Set(id, sub, text, create);
}

const char* mlgetName(uint32_t id, uint32_t sub)
{
    const stMenuLabel* e = g_menuLabels.Find(id, sub);
    return e ? e->text : nullptr;
}

void HandleTheToolBar(HWND) {}

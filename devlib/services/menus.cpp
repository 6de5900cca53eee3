// The device menu and the menu-key and menu-item tables are not built yet: no device menu is
// merged, no menu key has a title and no menu group exists.
#include "devlib/services/menus.h"

#include "devlib/services/vk40_api.h"

namespace {

constexpr int32_t kMenuGroupMissing = 2;

}  // namespace

// Leaves the frame's menu bar as it is.
int32_t MergeDriverMenu(HWND)
{
    return 0;
}

// No title is stored for any key: the program keeps its own.
const char* GetMenuStrKey(uint32_t)
{
    return nullptr;
}

// No group holds renamed items: the menu keeps its texts.
int32_t AdjustMenuByContainerData(uint32_t, HMENU menu)
{
    return menu ? kMenuGroupMissing : 0;
}

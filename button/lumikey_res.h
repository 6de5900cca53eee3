// Resource ids of Lumikey.dll.
#pragma once

#define IDS_LUMIKEY_CLASSNAME 0

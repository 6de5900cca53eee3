// Resource ids of the Lumikey test program.
#pragma once

#define IDB_GLYPH 201

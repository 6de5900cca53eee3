// The journal tool strip's tooltip texts and the bitmaps the library's buttons share: both are
// single exported objects, declared with the library's exports.
#pragma once

#include "devlib/vk40.h"

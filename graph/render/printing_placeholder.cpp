// Placeholder of printing, which is not built.
#include "graph/render/printing.h"

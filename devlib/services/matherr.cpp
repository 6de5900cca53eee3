// The runtime's math-error hook. Channel maths takes logarithms of signals that dip below zero
// and of zero itself; answering with a usable number keeps a whole recording from turning into
// NaN and infinities.
#include "devlib/services/binding.h"

#include <math.h>
#include <string.h>

namespace {

constexpr double kSingularityAnswer = 65535.0;

}  // namespace

// log and log10 of a negative argument answer the logarithm of its magnitude; every singularity
// answers 65535.0. Anything else is left to the runtime (0).
int __cdecl MathErrorHandler(struct _exception* e)
{
    if (!e)
        return 0;
    if (e->type == _DOMAIN && e->name) {
        if (strcmp(e->name, "log") == 0) {
            e->retval = log(-e->arg1);
            return 1;
        }
        if (strcmp(e->name, "log10") == 0) {
            e->retval = log10(-e->arg1);
            return 1;
        }
        return 0;
    }
    if (e->type == _SING) {
        e->retval = kSingularityAnswer;
        return 1;
    }
    return 0;
}

// Installs the handler for the library and, through the C runtime DLL, for the process.
void InstallMathErrorHandler()
{
    __setusermatherr(MathErrorHandler);
}

// The process's one math-error hook. The C runtime DLL keeps a single hook for the whole
// process, so the program and this library cannot each have their own: the library installs
// this one when it loads, which is before any of the program's code runs, and removes it when it
// unloads; the program installs none. It serves both: a logarithm of a negative number answers
// the logarithm of its magnitude (channel maths takes logarithms of signals that dip below zero,
// lesson maths of whatever a user typed), and a singularity answers 65535.0, so a recording that
// touches zero does not turn into infinities. Everything else keeps the runtime's answer.
// Both modules take log from the runtime DLL (common/runtime_log.cpp), so log follows the hook
// as log10 does.
#include "devlib/services/math_err.h"

#include <math.h>
#include <string.h>

namespace {

constexpr double kSingularityAnswer = 65535.0;

}  // namespace

// log and log10 of a negative argument answer the logarithm of its magnitude; every singularity
// answers 65535.0. Anything else is left to the runtime (0).
int __cdecl MathErrorHandler(struct _exception* e) {
    if (!e) return 0;
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

// Makes the handler the process's; the runtime holds one hook for every module.
void InstallMathErrorHandler() { __setusermatherr(MathErrorHandler); }

// The handler goes with the library's code: no hook may point into an unloaded module.
void RemoveMathErrorHandler() { __setusermatherr(nullptr); }

// log goes to the C runtime DLL's log. The static maths library's log hands a domain error or a
// singularity to the math-error hook but then returns its own NaN or -inf whatever the hook
// answered; the DLL's log returns the hook's answer, as log10 (which only the DLL has) does.
// Linked into each module directly (the library and the program), so the whole process follows
// the one math-error policy of the device library.
#include <math.h>

extern "C" {

// The import slot of the runtime DLL's log, from its import library.
extern double(__cdecl* __imp_log)(double);

double __cdecl log(double x) { return __imp_log(x); }

}  // extern "C"

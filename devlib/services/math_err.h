// The runtime's math-error hook: answers log and log10 domain errors and singularities.
#pragma once

struct _exception;

int __cdecl MathErrorHandler(struct _exception* e);
void InstallMathErrorHandler();
void RemoveMathErrorHandler();

// The expression evaluator as the rest of the program reaches it.
#pragma once
#include <cstdint>

struct tagGS;

// Channel and time references in an expression read this document at this sample index.
void SetExpressionContext(tagGS* gs, int32_t index);
double EvaluateExpression(const char* text, int16_t* error);

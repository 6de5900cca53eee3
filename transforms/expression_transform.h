// The Expression transform: a destination channel computed from an expression of the expression
// language, evaluated once for every sample index.
#pragma once
#include <cstdint>

struct tagGS;

// The last expression, kept in capitals for the whole process so the dialog offers it again.
constexpr int kExpressionTextChars = 255;
extern char g_expressionText[kExpressionTextChars + 1];

// Converts text to capitals in place and checks it: 1 when it evaluates and every channel it
// names holds samples (*shortest: the fewest samples among them, -1 when it names none); 0 with
// *errorPos at the refusal.
int CheckWaveformExpression(tagGS* gs, char* text, int16_t* errorPos, int32_t* shortest);

// A destination length as typed into the prompt: its whole part, kept within 0 .. 32767 (a
// 16-bit count) rather than wrapped.
int32_t ExpressionDestinationLength(double typed);

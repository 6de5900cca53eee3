// Placeholder of the expression language, which is not built: every expression fails.
#include "transforms/expression_api.h"

void SetExpressionContext(tagGS*, int32_t) {}
double EvaluateExpression(const char*, int16_t* error) {
    *error = 1;
    return 0.0;
}

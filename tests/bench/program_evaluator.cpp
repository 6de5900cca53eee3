// The program's slot-18 entry for the recording benchmark, which is built from the device
// library's own objects and so cannot name the program's headers itself.
#include "common/binding.h"
#include "transforms/expression/expression.h"

// The evaluator the program puts into slot 18 of its host table.
hostcb::EvaluateExpressionAt ProgramExpressionEvaluator() { return EvaluateExpressionForHost; }

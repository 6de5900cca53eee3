// Compiled expression texts: evaluating through the cache gives exactly what reading the text
// gives, values and error positions alike, while variables, the document and the sample index
// change between evaluations; and a buffer whose characters change is never given an old form.
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_compiled.h"
#include "transforms/expression/expression_platform.h"
#include "base/notify.h"
#include "tests/transforms/expression_doc.h"

namespace {

constexpr int kOk = -1;

// Variables A, i and a# with values a test sets; every other letter does not exist.
struct Vars {
    static double A, i, aMacro;
    static int Read(void*, char letter, double* out, int macro) {
        if (!macro && letter == 'A') *out = A;
        else if (!macro && letter == 'i') *out = i;
        else if (macro && letter == 'a') *out = aMacro;
        else return 0;
        return 1;
    }
};
double Vars::A = 0, Vars::i = 0, Vars::aMacro = 0;

// Texts over every kind of token, names that read state, and every kind of error.
std::vector<std::string> Texts() {
    std::vector<std::string> texts = {
        "A + i * 2", "A / 3 - i", "i", "a#*2+A", "-A^2", "(A+i)*(A-i)", "SQRT(ABS(A))", "LOG10(i)",
        "1.5E3 + .25", "CH1", "CH1*2+CH2", "CH5", "1+CH5", "TIME", "TIME*i", "VSCALE+HCURSOR1", "HCURSOR2-HCURSOR1",
        "B", "1+B", "A#", "A$", "3 $ 4", "(A", "A)", "", "   ", "2A", "SQRT(-A)", "10^A", "1/(i-i)", "E1", "1E",
        "LOG(A-A)", "SIN(", "CH60", "CHX", "  A   +  i  ",
    };
    std::string deep;
    for (int k = 0; k < 30; ++k) deep += "(";
    texts.push_back(deep + "1");  // overflows the parser's stack
    std::string many = "1";
    for (int k = 0; k < 70; ++k) many += "+i";  // more tokens than a compiled slot holds
    texts.push_back(many);
    texts.push_back(std::string(200, ' ') + "A+1");  // longer than a compiled text
    texts.push_back(std::string(170, ' ') + "A+");
    return texts;
}

class ExpressionCache : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_scriptHostCalls;
        g_scriptHostCalls.getScriptNumericVariable = Vars::Read;
        SetExpressionScope(nullptr);
        doc_.SetChannel(1, {1.0, 2.0, 4.0, 8.0});
        doc_.SetChannel(2, {-1.0, 0.5, 7.0, 9.0});
        doc_.gs->selectedChan = 1;
        doc_.gs->chanVPerDiv[1] = 0.5;
        doc_.gs->selStart = 300;
        doc_.gs->selEnd = 100;
        ClearExpressionCache();
    }
    void TearDown() override {
        g_scriptHostCalls = saved_;
        SetExpressionContext(nullptr, 0);
    }
    stScriptHostCalls saved_;
    ExpressionDoc doc_;
};

// Each state is one set of variables, document and sample index; every text is evaluated in it
// through the cache (twice: once compiling, once found) and by reading, and all three must agree.
TEST_F(ExpressionCache, CompiledAndReadEvaluationsAgree) {
    struct State {
        double A, i, aMacro;
        bool document;
        int32_t index;
        bool variables;
    };
    const State states[] = {
        {1.5, 3, 10, true, 0, true},   {-7, 0.5, -2, true, 2, true}, {100, 2, 0.25, false, 0, true},
        {4, 1e-3, 3, true, 3, true},   {4, 7, 3, true, 9, true},     {1.5, 3, 10, true, 1, false},
    };
    const std::vector<std::string> texts = Texts();
    const uint32_t hitsBefore = ExpressionCacheHits();
    int accepted = 0, refused = 0;
    for (const State& s : states) {
        Vars::A = s.A;
        Vars::i = s.i;
        Vars::aMacro = s.aMacro;
        g_scriptHostCalls.getScriptNumericVariable = s.variables ? Vars::Read : kNoScriptHostCalls.getScriptNumericVariable;
        SetExpressionContext(s.document ? doc_.gs : nullptr, s.index);
        for (const std::string& text : texts) {
            int16_t readPos = 1234, firstPos = 1234, againPos = 1234;
            const double read = EvaluateExpressionUncached(text.c_str(), &readPos);
            const double first = EvaluateExpression(text.c_str(), &firstPos);
            const double again = EvaluateExpression(text.c_str(), &againPos);
            SCOPED_TRACE("\"" + text + "\" with A=" + std::to_string(s.A) + " index " + std::to_string(s.index));
            EXPECT_EQ(firstPos, readPos);
            EXPECT_EQ(againPos, readPos);
            EXPECT_EQ(std::memcmp(&first, &read, sizeof read), 0) << first << " against " << read;
            EXPECT_EQ(std::memcmp(&again, &read, sizeof read), 0) << again << " against " << read;
            (readPos == kOk ? accepted : refused) += 1;
        }
    }
    // The table holds both kinds in earnest, and the second evaluations were found compiled.
    EXPECT_GT(accepted, 60);
    EXPECT_GT(refused, 60);
    EXPECT_GE(ExpressionCacheHits() - hitsBefore, 6u * 30u);
}

// A compiled text reads its names again at every evaluation: the values follow the variables,
// the sample index and the document, and a name that stops existing is refused where it stands.
TEST_F(ExpressionCache, NamesAreReadAtEveryEvaluation) {
    struct Step {
        double A, i;
        int32_t index;
        bool document;
        const char* text;
        double value;
        int position;
    };
    const Step steps[] = {
        {1, 2, 0, true, "A + i * 2", 5, kOk},
        {10, 2, 0, true, "A + i * 2", 14, kOk},
        {10, -4, 0, true, "A + i * 2", 2, kOk},
        {0, 0, 0, true, "CH1+i", 1, kOk},
        {0, 0, 3, true, "CH1+i", 8, kOk},
        {0, 5, 2, true, "CH1+i", 9, kOk},
        {0, 0, 4, true, "CH1+i", 0, 0},  // past the channel's end
        {0, 0, 2, false, "CH1+i", 0, 0},
        {0, 0, 2, true, "2*TIME", 2 * 2 * 5.0 / 1000.0, kOk},
        {0, 0, 3, true, "2*TIME", 2 * 3 * 5.0 / 1000.0, kOk},
        {0, 0, 3, false, "2*TIME", 0, 2},
    };
    for (const Step& s : steps) {
        Vars::A = s.A;
        Vars::i = s.i;
        SetExpressionContext(s.document ? doc_.gs : nullptr, s.index);
        int16_t position = 1234;
        const double value = EvaluateExpression(s.text, &position);
        EXPECT_EQ(position, s.position) << s.text << " at index " << s.index;
        EXPECT_DOUBLE_EQ(value, s.value) << s.text << " at index " << s.index;
    }
    // A variable that goes away between two evaluations of the same text.
    SetExpressionContext(doc_.gs, 0);
    int16_t position = 0;
    EXPECT_EQ(EvaluateExpression("2+i", &position), 2 + Vars::i);
    g_scriptHostCalls.getScriptNumericVariable = kNoScriptHostCalls.getScriptNumericVariable;
    EXPECT_EQ(EvaluateExpression("2+i", &position), 0.0);
    EXPECT_EQ(position, 2);
}

// One buffer, rewritten between evaluations as the script readers and the host slot do: every
// text is evaluated as it reads now, across more texts than the cache holds and for two texts
// of the same length whose characters hash alike.
TEST_F(ExpressionCache, RewrittenBufferIsNeverGivenAnOldForm) {
    Vars::i = 0.5;
    char buffer[64];
    int16_t position = 0;
    const struct {
        const char* text;
        double value;
        int position;
    } rewrites[] = {
        {"1+2", 3, kOk}, {"1*2", 2, kOk}, {"1+2", 3, kOk}, {"1-2", -1, kOk}, {"1$2", 0, 2}, {"1+2", 3, kOk},
        {"1+i", 1.5, kOk}, {"1+j", 0, 2}, {"i", 0.5, kOk}, {"", 0, 0},
        // The same hash and length: only the characters tell them apart.
        {"10214246+7", 10214253, kOk}, {"11155780+7", 11155787, kOk}, {"10214246+7", 10214253, kOk},
    };
    for (const auto& r : rewrites) {
        std::strcpy(buffer, r.text);
        const double value = EvaluateExpression(buffer, &position);
        EXPECT_EQ(position, r.position) << r.text;
        EXPECT_EQ(value, r.value) << r.text;
    }
    // Far more texts than slots, twice over, so every slot is replaced while texts come back.
    for (int round = 0; round < 2; ++round) {
        for (int k = 0; k < 4 * kExpressionCacheSlots; ++k) {
            std::snprintf(buffer, sizeof buffer, "%d*i+%d", k, round);
            const double value = EvaluateExpression(buffer, &position);
            ASSERT_EQ(position, kOk) << buffer;
            ASSERT_EQ(value, k * 0.5 + round) << buffer;
        }
    }
}

}  // namespace

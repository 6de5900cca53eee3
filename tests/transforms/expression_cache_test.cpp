// Compiled expression texts: evaluating through the cache gives exactly what reading the text
// gives, values and error positions alike, while variables, the document and the sample index
// change between evaluations; and a buffer whose characters change is never given an old form.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
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

// A text of channels and TIME evaluated a run of indices at a time gives, bit for bit, what it
// gives index by index: over runs that start off the run grid and end past the shortest
// channel, over samples that are NaN or infinite, 16-bit samples, results that go non-finite
// and functions of all of these. Texts that name anything else are left to the index-by-index
// evaluation.
TEST_F(ExpressionCache, RunsOfIndicesAgreeWithIndexByIndex) {
    constexpr int kRun = ExpressionRuns::kRun;
    const int n1 = 2 * kRun + 37, n2 = kRun + 100, n3 = 2 * kRun;
    std::vector<double> ch1(n1), ch2(n2);
    for (int i = 0; i < n1; ++i) {
        ch1[i] = i % 7 == 0 ? 0.0 : std::sin(i * 0.1) * 3.0 - 0.5;
        if (i % 97 == 5) ch1[i] = NAN;
        if (i % 89 == 7) ch1[i] = INFINITY;
        if (i % 83 == 3) ch1[i] = -INFINITY;
    }
    for (int i = 0; i < n2; ++i) ch2[i] = i % 11 == 0 ? 0.0 : std::cos(i * 0.07) * 200.0;
    doc_.SetChannel(1, ch1);
    doc_.SetChannel(2, ch2);
    std::vector<int16_t> raw(n3);
    for (int i = 0; i < n3; ++i) raw[i] = static_cast<int16_t>((i * 977) % 65536 - 32768);
    tagGS* gs = doc_.gs;
    gs->chanFlags[3] = 2;
    gs->chanType[3] = 0;
    gs->chanBytes[3] = 2;
    gs->chanScale[3] = 0.25;
    gs->chanOffset[3] = -3.0;
    gs->chanCount[3] = static_cast<uint32_t>(n3);
    gs->chanBlock[3] = raw.data();

    // Each text, and whether it gives something other than 0 somewhere (the refused ones do not).
    const struct {
        const char* text;
        bool computes;
    } taken[] = {
        {"CH1*2+1", true}, {"SQRT(SQR(CH1)+SQR(CH2))", true}, {"(CH1-CH2)/(CH1+CH2)*100", true},
        {"LOG10(ABS(CH1))*20-TIME", true}, {"SQRT(CH1)", true}, {"LOG(CH1)", true}, {"CH1/CH2", true},
        {"1/(CH2-CH2)", false}, {"CH1^CH2", true}, {"1^CH1", true}, {"0^CH1", true}, {"EXP(CH2)", true},
        {"-CH1", true}, {"-(CH2-3)*-2", true}, {"TRUNC(CH2*1000)", true}, {"ROUND(CH3)", true},
        {"SIN(TIME)+COS(CH3)", true}, {"ACOS(CH1)+ASIN(CH1/3)", true}, {"CH3*CH1-CH3", true},
        {"TANH(CH2)+SINH(CH2/100)+COSH(ATAN(CH1))", true}, {"TAN(CH2)/CH3", true}, {"((CH1+1))*((CH2))", true},
        {"TIME*1000-TIME^2", true}, {"2*3+4", true}, {"ABS(-2)^0.5", true}, {"SQRT(-1)", false}, {"1/0", false},
        {"CH1 +", false}, {"CH1 CH2", false}, {"(CH1", false}, {"CH59", false},
    };
    const char* notTaken[] = {"A+CH1", "CH1*VSCALE", "RANDOM", "FREQ*2", "i"};
    const int32_t first = 3, last = n1 + 5;
    for (int axis : {kHUnitTime, kHUnitFrequency}) {
        gs->hUnitKind = axis;
        for (const auto& row : taken) {
            const char* text = row.text;
            SCOPED_TRACE(std::string("\"") + text + "\" on axis kind " + std::to_string(axis));
            ExpressionRuns& runs = *new ExpressionRuns;
            std::unique_ptr<ExpressionRuns> owner(&runs);
            ASSERT_TRUE(runs.Compile(text));
            std::vector<double> got(last - first + 1, 1234.5);
            for (int32_t i = first; i <= last; i += kRun)
                runs.Evaluate(gs, i, std::min<int32_t>(kRun, last - i + 1), &got[i - first]);
            int nonzero = 0;
            for (int32_t i = first; i <= last; ++i) {
                SetExpressionContext(gs, i);
                int16_t position = 0;
                const double want = EvaluateExpression(text, &position);
                const double value = got[i - first];
                ASSERT_EQ(std::memcmp(&value, &want, sizeof want), 0) << "index " << i << ": " << value << " against " << want;
                nonzero += want != 0.0;
            }
            EXPECT_EQ(nonzero > 0, row.computes);
        }
    }
    std::unique_ptr<ExpressionRuns> runs(new ExpressionRuns);
    for (const char* text : notTaken) EXPECT_FALSE(runs->Compile(text)) << text;
    EXPECT_FALSE(runs->Compile((std::string(170, ' ') + "CH1").c_str())) << "longer than a compiled text";
    gs->chanBlock[3] = nullptr;
    gs->chanCount[3] = 0;
}

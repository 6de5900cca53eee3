// The expression language: tables of texts with the value or the error position each must give.
// Expected values are worked out here with the standard library, never with the evaluator.
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_platform.h"
#include "graph/document/sample_store.h"
#include "shell/binding.h"
#include "shell/startup.h"
#include "scripts/script_api.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "tests/transforms/expression_doc.h"
#include "documents/documents_api.h"

namespace {

constexpr int kOk = -1;

struct Case {
    std::string text;
    double value;
    int position;  // kOk when accepted
};

// Evaluates every case and reports each mismatch with its text.
void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        int16_t position = 1234;
        double value = EvaluateExpression(c.text.c_str(), &position);
        EXPECT_EQ(position, c.position) << "\"" << c.text << "\"";
        if (c.position == kOk) {
            EXPECT_DOUBLE_EQ(value, c.value) << "\"" << c.text << "\"";
        } else {
            EXPECT_EQ(value, 0.0) << "\"" << c.text << "\": a refused text has no value";
        }
    }
}

class Expression : public ::testing::Test {
protected:
    void SetUp() override {
        SetExpressionContext(nullptr, 0);
        SetExpressionScope(nullptr);
        saved_ = g_scriptHostCalls;
        g_scriptHostCalls.getScriptNumericVariable = kNoScriptHostCalls.getScriptNumericVariable;
    }
    void TearDown() override {
        g_scriptHostCalls = saved_;
        SetExpressionPlatform(nullptr);
        SetSampleEscapeSource(nullptr);
    }
    stScriptHostCalls saved_;
};

TEST_F(Expression, PrecedenceAndAssociativity) {
    ExpectCases({
        {"1+2*3", 1 + 2 * 3, kOk},
        {"1-2-3", (1 - 2) - 3, kOk},
        {"2/2/2", (2.0 / 2) / 2, kOk},
        {"2^3^2", std::pow(2, std::pow(3, 2)), kOk},
        {"3^2*2", std::pow(3, 2) * 2, kOk},
        {"2*3^2", 2 * std::pow(3, 2), kOk},
        {"(1+2)*3", 9, kOk},
        {"10-(4-1)", 7, kOk},
        {"2*(3+4)^2", 2 * std::pow(7, 2), kOk},
        {"6/3*2", (6.0 / 3) * 2, kOk},
        {"1+6/3-2*2+7", 1 + 6.0 / 3 - 2 * 2 + 7, kOk},
        {"((2))", 2, kOk},
        {" 1 + 2 ", 3, kOk},
        {"1.5*4-0.25", 1.5 * 4 - 0.25, kOk},
        {"10-2*3", 10 - 2 * 3, kOk},
        {"10-6/3-1", 10 - 6.0 / 3 - 1, kOk},
        {"1+2^2", 1 + std::pow(2, 2), kOk},
        {"12/2^2", 12 / std::pow(2, 2), kOk},
        {"2^(1+1)^3", std::pow(2, std::pow(2, 3)), kOk},
        {"ABS(1-3*2)+SQRT(8/2)", std::fabs(1 - 3 * 2) + std::sqrt(8.0 / 2), kOk},
        {"(1-(2-(3-4)))", 1 - (2 - (3 - 4)), kOk},
    });
}

// The unary minus takes one operand and binds tighter than "^"; it may open any right side but
// may not follow another minus; there is no unary plus.
TEST_F(Expression, UnaryMinus) {
    ExpectCases({
        {"-2^2", std::pow(-2, 2), kOk},
        {"2^-2", std::pow(2, -2), kOk},
        {"2^-2^2", std::pow(2, std::pow(-2, 2)), kOk},
        {"-2^-2", std::pow(-2, -2), kOk},
        {"-2*-2", 4, kOk},
        {"2*-3", -6, kOk},
        {"2--3", 5, kOk},
        {"2/-4", -0.5, kOk},
        {"-2-2", -4, kOk},
        {"-(2+3)", -5, kOk},
        {"-(-3)", 3, kOk},
        {"-SQRT(4)", -2, kOk},
        {"--3", 0, 2},
        {"2---3", 0, 4},
        {"+5", 0, 1},
        {"2*+5", 0, 3},
    });
}

// Division by 0 and logarithms of numbers <= 0 are defined as 0.
TEST_F(Expression, DivisionByZeroAndLogarithmsGiveZero) {
    ExpectCases({
        {"8/0", 0, kOk},
        {"0/0", 0, kOk},
        {"-8/(1-1)", 0, kOk},
        {"1+8/0", 1, kOk},
        {"LOG(0)", 0, kOk},
        {"LOG(0-2)", 0, kOk},
        {"LOG10(0)", 0, kOk},
        {"LOG10(0-100)", 0, kOk},
    });
}

// A domain error (not a number) or an overflow (an infinity) is carried through the operators;
// only the final result is tested, and one that is no finite number is 0, the text accepted.
TEST_F(Expression, DomainErrorsAndOverflowGiveZero) {
    ExpectCases({
        {"SQRT(0-1)", 0, kOk},
        {"ACOS(2)", 0, kOk},
        {"ASIN(0-2)", 0, kOk},
        {"(0-8)^0.5", 0, kOk},
        {"SQRT(0-1)*0", 0, kOk},
        {"10^400", 0, kOk},
        {"EXP(1000)", 0, kOk},
        {"1E308*10", 0, kOk},
        {"0-1E308*10", 0, kOk},
        {"COSH(1000)", 0, kOk},
        {"1E308*10-1E308*10", 0, kOk},
        {"1/(1E308*10)", 0, kOk},        // an infinity on the way to a finite result
        {"ATAN(1E308*10)*2", std::atan(HUGE_VAL) * 2, kOk},
        {"SQRT(0-1)+", 0, 10},           // a syntax error is still refused
    });
}

TEST_F(Expression, EveryFunction) {
    ExpectCases({
        {"ABS(0-3.5)", 3.5, kOk},
        {"ACOS(0.5)", std::acos(0.5), kOk},
        {"ASIN(0.5)", std::asin(0.5), kOk},
        {"ATAN(2)", std::atan(2.0), kOk},
        {"COSH(1.5)", std::cosh(1.5), kOk},
        {"COS(1.5)", std::cos(1.5), kOk},
        {"EXP(1.5)", std::exp(1.5), kOk},
        {"LOG10(1000)", 3, kOk},
        {"LOG10(2)", std::log10(2.0), kOk},
        {"LOG(10)", std::log(10.0), kOk},
        {"ROUND(2.5)", 3, kOk},
        {"ROUND(-2.5)", -2, kOk},
        {"ROUND(-2.6)", -3, kOk},
        {"ROUND(2.49)", 2, kOk},
        {"SINH(1.5)", std::sinh(1.5), kOk},
        {"SIN(1.5)", std::sin(1.5), kOk},
        {"SQRT(16)+1", 5, kOk},
        {"SQRT(2)", std::sqrt(2.0), kOk},
        {"SQR(0-3)", 9, kOk},
        {"TANH(0.5)", std::tanh(0.5), kOk},
        {"TAN(1.5)", std::tan(1.5), kOk},
        {"TRUNC(3.9)", 3, kOk},
        {"TRUNC(-3.9)", -3, kOk},
        {"TRUNC(32767.5)", 32767, kOk},
        {"TRUNC(32768)", -32768, kOk},
        {"TRUNC(40000.7)", 40000 - 65536, kOk},
        {"TRUNC(-40000)", -40000 + 65536, kOk},
        {"TRUNC(65536)", 0, kOk},
        {"TRUNC(1E300)", std::fmod(1e300, 65536.0) - (std::fmod(1e300, 65536.0) >= 32768 ? 65536 : 0), kOk},
        {"SIN(COS(0.5))^2", std::pow(std::sin(std::cos(0.5)), 2), kOk},
        {"ABS(-2)", 2, kOk},
    });
}

// Names are found by prefix, so the longer name is tried first and the rest of a word reads on.
TEST_F(Expression, FunctionNamesByPrefix) {
    ExpectCases({
        {"COSH(0)", 1, kOk},
        {"LOG10(100)", 2, kOk},
        {"SQRT(9)", 3, kOk},
        {"SQR(9)", 81, kOk},
        {"SINX(1)", 0, 3},  // SIN, then a variable X that does not exist
        {"SQRT 4", 0, 6},   // a function name must be followed by "("
        {"SQRT", 0, 4},
        {"SQRT(4", 0, 6},
        {"ABS()", 0, 5},
        {"ABS(1,2)", 0, 6},
        {"abs(1)", 0, 0},
        {"FOO(1)", 0, 0},
    });
}

TEST_F(Expression, NumberForms) {
    std::string digits79 = std::string(78, '0') + "7";
    std::string digits80 = std::string(79, '0') + "7";
    ExpectCases({
        {"12", 12, kOk},
        {"12.5", 12.5, kOk},
        {".25", 0.25, kOk},
        {"5.", 5, kOk},
        {"007", 7, kOk},
        {"2E3", 2000, kOk},
        {"2E+3", 2000, kOk},
        {"2E-3", 0.002, kOk},
        {"1.5E2", 150, kOk},
        {".5E1", 5, kOk},
        {"1E308", 1e308, kOk},
        {"1E-320", 1e-320, kOk},
        {"1E-400", 0, kOk},  // too small to hold: a number, 0
        {digits79, 7, kOk},
        {digits80, 0, 80},
        {"1E309", 0, 5},
        {"1E0005", 0, 6},  // the fourth exponent digit is a second number
        {"2e3", 0, 1},     // a small e is a variable, not an exponent
        {"1.2.3", 0, 5},
        {".", 0, 1},
        {"1+.", 0, 3},
        {"1E", 1, kOk},      // the characters taken convert as far as they go
        {"2E+", 2, kOk},
        {"2E-", 2, kOk},
        {"2E+*3", 6, kOk},
        {"2E*3", 6, kOk},
        {"1E-x", 0, 3},      // 1E-, then a variable x that does not exist
    });
}

TEST_F(Expression, SyntaxAndTokenErrors) {
    ExpectCases({
        {"", 0, 0},
        {"   ", 0, 3},
        {"1 2", 0, 3},
        {"()", 0, 2},
        {"(1", 0, 2},
        {"1)", 0, 2},
        {"2(3)", 0, 2},
        {"1+", 0, 2},
        {"1+*2", 0, 3},
        {"*2", 0, 1},
        {"1 & 2", 0, 3},
        {"1\t+2", 0, 2},  // tabs are not blanks
        {"3%2", 0, 2},
        {"1,5", 0, 2},
        {"_", 0, 1},
        {"1+PTOP", 0, 2},
        {"1 + XYZ", 0, 4},
        {"2^", 0, 2},
    });
    int16_t position = 0;
    EXPECT_EQ(EvaluateExpression(nullptr, &position), 0.0);
    EXPECT_EQ(position, 0) << "no text is refused like an empty one";
}

// The stack holds 20 entries: 17 pairs of parentheses around a number fit, 18 do not; each
// "1^" of a power chain keeps two entries.
TEST_F(Expression, ParserStackOverflow) {
    auto nested = [](int pairs) { return std::string(pairs, '(') + "1" + std::string(pairs, ')'); };
    auto powers = [](int carets) {
        std::string s = "1";
        for (int i = 0; i < carets; ++i) s += "^1";
        return s;
    };
    ExpectCases({
        {nested(17), 1, kOk},
        {nested(18), 0, 18 + 1 + 1},
        {nested(30), 0, 20},  // the stack is full at the 20th character, whatever follows
        {powers(9), 1, kOk},
        {powers(10), 0, 20},
        {"1+" + nested(15), 2, kOk},  // "1+" keeps two entries
        {"1+" + nested(16), 0, 2 + 16 + 1 + 1},
    });
}

// An error position is 16 bits: a text longer than a position can reach is refused at the last
// one, and the longest that fits still evaluates.
TEST_F(Expression, TextLengthWithinTheErrorPosition) {
    std::string fits = "1";
    while (fits.size() + 2 <= 32766) fits += "+1";
    ExpectCases({{fits, (fits.size() + 1) / 2.0, kOk}, {fits + "+1", 0, 32766}, {std::string(40000, ' '), 0, 32766}});
}

// ---- Names that read the document ----

class ExpressionDocument : public Expression {
protected:
    void SetUp() override {
        Expression::SetUp();
        doc_.SetChannel(0, {0.5, 1.5, 2.5, 3.5, 4.5});
        doc_.SetChannel(1, {10, 20, 30, 40, 50});
        doc_.SetChannel(12, {-1, -2, -3, -4, -5});
        doc_.SetChannel(59, {7, 8, 9, 10, 11});
        doc_.SetChannel(3, {1, std::nan(""), 3});
        doc_.gs->sampleInterval = 5.0;
        doc_.gs->selectedChan = 1;
        SetExpressionContext(doc_.gs, 2);
    }
    ExpressionDoc doc_;
};

TEST_F(ExpressionDocument, ChannelReferences) {
    ExpectCases({
        {"CH1", 30, kOk},
        {"CH01", 30, kOk},
        {"CH0+CH59", 2.5 + 9, kOk},
        {"CH12*CH1", -3 * 30, kOk},
        {"2*CH1-CH0", 2 * 30 - 2.5, kOk},
        {"CH60", 0, 0},
        {"CH99", 0, 0},
        {"CH", 0, 0},
        {"CHX", 0, 0},
        {"1+CH5", 0, 2},   // a slot without samples
        {"CH123", 0, 5},   // CH12 and then a number
        {"ch1", 0, 0},
    });
    SetExpressionContext(doc_.gs, 5);  // past the end of the channels
    ExpectCases({{"CH1", 0, 0}});
    SetExpressionContext(doc_.gs, -1);
    ExpectCases({{"CH1", 0, 0}});
    SetExpressionContext(doc_.gs, 1);
    ExpectCases({{"CH3", 0, 0}});  // index 1 is the NaN
    SetExpressionContext(doc_.gs, 2);
    ExpectCases({{"CH3", 3, kOk}});
}

// Escape held ends every channel read, so an expression over a long channel can be stopped.
TEST_F(ExpressionDocument, ChannelReadFailsWhileEscapeIsHeld) {
    static uint64_t tick = 100;
    static int down = 0;
    static const stEscapeSource source = {&tick, [] { return down; }};
    SetSampleEscapeSource(&source);
    ExpectCases({{"CH1", 30, kOk}});
    down = 1;
    ++tick;
    ExpectCases({{"CH1", 0, 0}, {"2+3", 5, kOk}});
    down = 0;
    ++tick;
    ExpectCases({{"CH1", 30, kOk}});
}

// TIME and FREQ: the current sample's position in the axis' unit.
TEST_F(ExpressionDocument, TimeOfTheCurrentSample) {
    struct Unit {
        uint32_t kind;
        double factor;
    };
    // index 2 x 5 ms: x 1000 for frequency, / 1000 for every other format, arbitrary too
    for (Unit u :
         {Unit{kHUnitTime, 0.001}, Unit{kHUnitFrequency, 1000.0}, Unit{kHUnitClock, 0.001}, Unit{kHUnitUser, 0.001}}) {
        doc_.gs->hUnitKind = u.kind;
        SCOPED_TRACE(u.kind);
        ExpectCases({
            {"TIME", 2 * 5.0 * u.factor, kOk},
            {"FREQ", 2 * 5.0 * u.factor, kOk},
            {"CH1/TIME", 30 / (2 * 5.0 * u.factor), kOk},
        });
    }
    ExpectCases({{"TIMES", 0, 4}});  // TIME, then a variable S that does not exist
}

TEST_F(ExpressionDocument, SelectionCursorsAndDisplayScales) {
    doc_.gs->selStart = 300;
    doc_.gs->selEnd = 100;
    doc_.gs->chanVPerDiv[1] = 2.5;
    doc_.gs->chanVCenter[1] = -1.25;
    doc_.gs->hPerDiv = 500;
    doc_.gs->hStart = 1500;
    doc_.gs->hUnitKind = kHUnitTime;
    ExpectCases({
        {"HCURSOR1", 0.1, kOk},
        {"HCURSOR2", 0.3, kOk},
        {"VSCALE", 2.5, kOk},
        {"VOFFSET", -1.25, kOk},
        {"HSCALE", 0.5, kOk},
        {"HOFFSET", 1.5, kOk},
    });
    doc_.gs->hUnitKind = kHUnitFrequency;
    ExpectCases({{"HCURSOR1", 100000, kOk}, {"HCURSOR2", 300000, kOk}});
    doc_.gs->hUnitKind = kHUnitUser;
    ExpectCases({{"HCURSOR1", 100, kOk}, {"HCURSOR2-HCURSOR1", 200, kOk}});
    doc_.gs->selectedChan = kMaxChannels;
    ExpectCases({{"VSCALE", 0, 0}, {"1+VOFFSET", 0, 2}});
}

// Measurement names read the selected channel over the selection (samples 1 .. 4 of 20 .. 50,
// 5 ms apart).
TEST_F(ExpressionDocument, MeasurementsReadTheSelection) {
    doc_.gs->selStart = 5;
    doc_.gs->selEnd = 20;
    ExpectCases({
        {"MIN", 20, kOk},
        {"2*MEAN", 70, kOk},
        {"BPM", 60000.0 / (3 * 5), kOk},
        {"MEDIAN", 40, kOk},
        {"DELTA", 20 - 50, kOk},
        {"SUM", 140, kOk},
    });
}

// MARKER reads the document's markers in position order: the n-th one's time in seconds, and 0
// for a number the list does not reach.
TEST_F(ExpressionDocument, MarkerReadsTheDocumentsMarkersInPositionOrder) {
    ExpectCases({{"MARKER(1)", 0, kOk}, {"MARKER(1)+1", 1, kOk}});
    tagGS* gs = doc_.gs;
    gs->markerManager = NewMarkerManager(gs);
    ASSERT_TRUE(gs->markerManager);
    InsertMarker(gs, 50.0, 0, "later", 0);    // sample 10
    InsertMarker(gs, 20.0, 0, "earlier", 3);  // sample 4
    ExpectCases({{"MARKER(1)", 4 * 5.0 / 1000, kOk},
                 {"MARKER(2)*1000", 50.0, kOk},
                 {"MARKER(3)", 0, kOk},
                 {"MARKER(0)", 0, kOk}});
    DropGraphMarkers(gs);
    DeleteMarkerManager(gs->markerManager, 1);
    gs->markerManager = nullptr;
}

// Without a document every name that reads one is refused at its first letter.
TEST_F(Expression, DocumentNamesNeedADocument) {
    ExpectCases({
        {"CH1", 0, 0},
        {"TIME", 0, 0},
        {"1+FREQ", 0, 2},
        {"HCURSOR1", 0, 0},
        {"VSCALE", 0, 0},
        {"HSCALE", 0, 0},
        {"MAX", 0, 0},
        {"MARKER(1)", 0, 9},
    });
}

// ---- Script variables ----

struct FakeVariables {
    static void* frame;
    static int calls;
    // A and a (the local) and the macro variables A# and a#; nothing else exists.
    static int Read(void* f, char letter, double* out, int macro) {
        ++calls;
        frame = f;
        *out = 0.0;
        if (letter == 'A') *out = macro ? 10.0 : 1.5;
        else if (letter == 'a') *out = macro ? 20.0 : 2.5;
        else return 0;
        return 1;
    }
};
void* FakeVariables::frame = nullptr;
int FakeVariables::calls = 0;

TEST_F(Expression, ScriptVariables) {
    g_scriptHostCalls.getScriptNumericVariable = FakeVariables::Read;
    int scope = 0;
    SetExpressionScope(&scope);
    ExpectCases({
        {"A", 1.5, kOk},
        {"a", 2.5, kOk},
        {"A#", 10, kOk},
        {"a#*2", 40, kOk},
        {"A+a+A#+a#", 1.5 + 2.5 + 10 + 20, kOk},
        {"-A^2", std::pow(-1.5, 2), kOk},
        {"B", 0, 0},
        {"1+B#", 0, 2},
        {"A#B", 0, 2},  // A#, then B that does not exist
        {"2A", 0, 2},   // two numbers in a row
        {"AB", 0, 0},   // two letters are no variable
    });
    EXPECT_EQ(FakeVariables::frame, &scope) << "variables are looked up in the context's scope";
    // Without the lesson engine's reader there are no variables at all.
    g_scriptHostCalls.getScriptNumericVariable = kNoScriptHostCalls.getScriptNumericVariable;
    ExpectCases({{"A", 0, 0}, {"A#", 0, 0}});
}

// The program's own reader: capitals are the application variables, either case with "#" the
// macro table; a small letter is a local, which does not exist outside a running subroutine.
TEST_F(Expression, ApplicationVariablesThroughTheProgram) {
    InitNotifications();
    AssignScriptNumericVariable(nullptr, "Q", 4.25);
    AssignScriptNumericVariable(nullptr, "q#", 3.0);
    ExpectCases({{"Q*2", 8.5, kOk}, {"q", 0, 0}, {"Q#+1", 4.0, kOk}, {"q#", 3.0, kOk}});
}

// ---- The machine's names ----

struct FakeMachine {
    static int cursorKnown;
    static int versionKnown;
    static const stExpressionPlatform table;
};
int FakeMachine::cursorKnown = 1;
int FakeMachine::versionKnown = 1;
const stExpressionPlatform FakeMachine::table = {
    [] { return uint32_t{123456}; },
    [] { return 16384; },
    [] { return 1; },
    [](POINT* pt) {
        pt->x = 321;
        pt->y = 654;
        return FakeMachine::cursorKnown;
    },
    [] { return 1024; },
    [] { return 740; },
    [](int32_t* major) {
        *major = 7;
        return FakeMachine::versionKnown;
    },
};

TEST_F(Expression, MachineNames) {
    SetExpressionPlatform(&FakeMachine::table);
    FakeMachine::cursorKnown = FakeMachine::versionKnown = 1;
    ExpectCases({
        {"TICKS", 123456 * 60 / 1000.0, kOk},
        {"RANDOM", 16384 / 32767.0, kOk},
        {"MOUSEBUTTON", 1, kOk},
        {"XMOUSE", 321, kOk},
        {"YMOUSE", 654, kOk},
        {"SCREENRIGHT-XMOUSE", 1024 - 321, kOk},
        {"SCREENBOTTOM", 740, kOk},
        {"VERSION", 7, kOk},
    });
    FakeMachine::cursorKnown = FakeMachine::versionKnown = 0;
    ExpectCases({{"XMOUSE", 0, 0}, {"1+YMOUSE", 0, 2}, {"VERSION", 0, 0}});
}

// The system's answers: the screen as the display reports it, no button held, and the major
// version of the test program's own version block (a Unicode table, as the program's is).
TEST_F(Expression, MachineNamesFromTheSystem) {
    ExpectCases({
        {"SCREENRIGHT", static_cast<double>(GetSystemMetrics(SM_CXSCREEN)), kOk},
        {"MOUSEBUTTON", 0, kOk},
        {"VERSION", 5, kOk},
    });
    int16_t position = 0;
    for (int i = 0; i < 50; ++i) {
        double r = EvaluateExpression("RANDOM", &position);
        ASSERT_EQ(position, kOk);
        ASSERT_TRUE(r >= 0.0 && r <= 1.0) << r;
    }
    double ticks = EvaluateExpression("TICKS", &position);
    EXPECT_EQ(position, kOk);
    EXPECT_GT(ticks, 0.0);
}

TEST(ExpressionVersion, LeadingNumberOfTheVersionText) {
    struct V {
        const char* text;
        int32_t major;
    } cases[] = {{"4.1.2", 4}, {"12", 12}, {"3.0", 3}, {"", 0}, {"10 beta", 10}};
    for (const V& v : cases) EXPECT_EQ(LeadingVersionNumber(v.text), v.major) << v.text;
}

// A file without version information has no product version.
TEST(ExpressionVersion, AFileWithoutVersionInformationHasNone) {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::snprintf(path, sizeof path, "%sversionless-%lu.txt", folder, GetCurrentProcessId());
    if (FILE* f = std::fopen(path, "wb")) {
        std::fputs("no version here", f);
        std::fclose(f);
    }
    int32_t major = -1;
    EXPECT_EQ(FileProductVersion(path, &major), 0);
    EXPECT_EQ(major, -1);
    DeleteFileA(path);
}

// ---- Host callback slot 18 ----

class ExpressionHost : public ExpressionDocument {
protected:
    void SetUp() override {
        ExpressionDocument::SetUp();
        savedApp_ = g_app;
        savedDevice_ = DeviceBindingForTests();
        g_app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
        InitDriverCallbacks();
        table_ = &DeviceBindingForTests().hostCallbacks;
    }
    void TearDown() override {
        HeapFree(GetProcessHeap(), 0, g_app);
        g_app = savedApp_;
        DeviceBindingForTests() = savedDevice_;
        ExpressionDocument::TearDown();
    }
    stApp* savedApp_ = nullptr;
    stDeviceBinding savedDevice_{};
    const stHostCallbacks* table_ = nullptr;
};

// The library evaluates per sample index: the value lands in its double and the answer is -1;
// a refused text answers its position and 0.
TEST_F(ExpressionHost, EvaluatesThroughTheTable) {
    int scope = 0;
    SetExpressionScope(&scope);
    SetExpressionContext(nullptr, 0);
    const double ch1[] = {10, 20, 30, 40, 50};
    for (int32_t i = 0; i < 5; ++i) {
        double out = -99;
        EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, i, "CH1*2+1", &out), -1) << i;
        EXPECT_EQ(out, ch1[i] * 2 + 1) << i;
    }
    // The document and index stay for the next evaluation; the variable scope is not touched.
    EXPECT_EQ(g_expression.document, doc_.gs);
    EXPECT_EQ(g_expression.sampleIndex, 4);
    EXPECT_EQ(g_expression.variableScope, &scope);
    // A result that is no finite number is 0 and accepted.
    for (const char* text : {"SQRT(0-CH1)", "10^CH1^3"}) {
        double out = -99;
        EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, 1, text, &out), -1) << text;
        EXPECT_EQ(out, 0.0) << text;
    }
    struct Refused {
        const char* text;
        int32_t position;
    } refused[] = {{"CH1*", 4}, {"", 0}, {"CH77", 0}, {"1 2", 3}};
    for (const Refused& r : refused) {
        double out = -99;
        EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, 1, r.text, &out), r.position) << r.text;
        EXPECT_EQ(out, 0.0) << r.text;
    }
    double out = -99;
    EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, 7, "CH1", &out), 0) << "past the channel's samples";
}

// The library's text is a 200-byte field: 199 characters are read, and a field without its NUL
// is refused at the bound without a byte beyond it being read.
TEST_F(ExpressionHost, TextIsReadWithinItsBound) {
    std::string longest = "1";
    while (longest.size() + 2 <= 199) longest += "+1";
    ASSERT_EQ(longest.size(), 199u);
    double out = 0;
    EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, 0, longest.c_str(), &out), -1);
    EXPECT_EQ(out, 100.0);

    std::string tooLong = longest + "+1";
    EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, 0, tooLong.c_str(), &out), 199);

    // A full field at the very end of readable memory: a read past it would fault.
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    auto* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old));
    char* field = pages + si.dwPageSize - kHostExpressionBytes;
    std::memset(field, '1', kHostExpressionBytes);
    for (int i = 1; i < kHostExpressionBytes; i += 2) field[i] = '+';
    EXPECT_EQ(HostEvaluateExpressionAt(table_, doc_.gs, 0, field, &out), 199);
    EXPECT_EQ(out, 0.0);
    VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace

namespace {
// Short numbers take a quicker road than strtod; they must come out bit for bit as strtod reads them.
TEST_F(Expression, NumbersReadExactlyAsStrtodReadsThem) {
    const char* texts[] = {"0.1",  "0.3",        "2",    "123456789012345", "1234567890123456", "9007199254740993",
                           "3.14159265358979", "0.000000000000000000001", "1E22", "1.5E-3", "99999.999999999",
                           "0.1234567890123456789", "7.", "00000000000000000001.5"};
    for (const char* text : texts) {
        int16_t errorPos = 0;
        const double value = EvaluateExpression(text, &errorPos);
        const double expected = std::strtod(text, nullptr);
        EXPECT_EQ(errorPos, kExpressionAccepted) << text;
        EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text << ": " << value << " vs " << expected;
    }
}
}  // namespace

// The template functions: a short pattern cut out of a channel, slid along the selected range
// of any graph's selected channel, each output replacing its input sample in place.
#pragma once
#include <cstdint>

struct tagGS;

// Operation kinds, as RunTemplateFunction takes them.
constexpr int kTemplateConvolution = 0;
constexpr int kTemplateCorrelation = 1;
constexpr int kTemplateMeanSquareError = 2;
constexpr int kTemplateInverseMeanSquareError = 3;

// Result codes besides the transform outcomes: no template of at least two samples.
constexpr int kTemplateInvalid = 40;

// The stored template; kept until replaced or the program ends, shared by every graph.
struct TemplateStore {
    double* samples = nullptr;  // a locked moveable block, or none
    int32_t count = 0;
    double mean = 0.0;
    int32_t removeMean = 1;     // the menu's check mark
};
extern TemplateStore g_template;

// Dispatches the template submenu's commands; reports a failure with the frame's message.
int OnTemplateCommand(tagGS* gs, uint32_t id);
// The selection of the selected channel as the template: 0, 1 (stopped), 30, 34 or 36.
int SetTemplate(tagGS* gs);
// One operation over the selected range (the whole channel without a selection), with undo.
int RunTemplateFunction(tagGS* gs, int kind);

// What a computation tells its caller while it runs: progress percentages, and whether to go on.
struct TemplateTicker {
    virtual ~TemplateTicker() = default;
    virtual void Percent(uint32_t percent) = 0;
    virtual bool Stop() = 0;  // Escape: the results written so far stay
};

// Pure: the operation over x[0..n) in place, the template t[0..m) centred on each sample
// (h = m / 2 samples before it), the edge samples repeated outward. A range shorter than the
// template repeats its edges as far as the template reaches. 0, or 30 when the working memory
// cannot be had; a stop leaves the rest of x as it was and returns 0.
int TemplateComputeCore(double* x, int32_t n, const double* t, int32_t m, int kind, bool removeMean,
                        double templateMean, TemplateTicker* ticker);

// The ten weighting windows shared by the FIR filters, the derivative and the FFT: their
// numbers (the dialogs' list positions), list texts and script words.
#pragma once
#include <cstdint>

enum WindowNumber : int {
    kWindowRectangle = 0,
    kWindowBartlett = 1,
    kWindowHanning = 2,
    kWindowHamming = 3,
    kWindowBlackman = 4,
    kWindowBlackman61 = 5,
    kWindowBlackman67 = 6,
    kWindowBlackman74 = 7,
    kWindowBlackman92 = 8,
    kWindowKaiserBessel = 9,
};
constexpr int kWindowCount = 10;

// The dialog list text of a window number; null outside 0..9.
const char* WindowListText(int window);
// The window number of a script word, any case; -1 for a word not in the list.
int FindWindowScriptWord(const char* word);
// The same, with any word not in the list the rectangle (0).
int WindowFromScriptWord(const char* word);

// The weight of point i of an n-point window; 1 for the rectangle and numbers outside 1..9.
double WindowWeight(int window, int32_t i, int32_t n);
// Multiplies values[0..n-1] by the window's weights; numbers outside 1..9 leave them unchanged.
void ApplyWindow(double* values, int32_t n, int window);
// The same weightings laid symmetrically over n taps about the middle one (divisor n - 1, the
// triangle centred on (n - 1) / 2), so that an odd-symmetric filter stays odd-symmetric;
// numbers outside 1..9 leave the values unchanged.
double SymmetricWindowWeight(int window, int32_t i, int32_t n);
void ApplySymmetricWindow(double* values, int32_t n, int window);
// The smallest power of two not below n (1 for n of 1 or less); 0 when it would not fit.
uint32_t NextPowerOfTwo(uint32_t n);

#pragma once
// Fft: the radix-2 complex FFT (forward and inverse) over caller-owned float
// arrays, its magnitude/phase form, and the three analysis windows.
//
// Transform sizes are the powers of two 64 ... 2048. Twiddle factors, the
// bit-reversal permutation and every (size, window type) window are computed
// once per process, on first use, into immutable tables; after that the
// functions only read them. So any number of threads may transform at the same
// time (sound windows paint on the UI thread while the recorder and the
// detectors work on theirs) without a lock and without rebuilding anything.
// The caller owns the data arrays; nothing here allocates per call.
//
// Every operation returns 1 on success and 0 (touching nothing) for a size
// outside 64 ... 2048 or not a power of two.

#include <cstdint>
#include <vector>

namespace tavril {

// Window codes as stored in settings and listed in every window-type list.
enum FftWindowType : int32_t {
    kWindowBlackman = 0,
    kWindowHamming = 1,
    kWindowHanning = 2,
};

constexpr int kFftMinSize = 64;
constexpr int kFftMaxSize = 2048;

// True for 64, 128, ..., 2048.
bool IsFftSize(int n);
// A stored window code mapped onto a known window (unknown codes: Blackman).
FftWindowType WindowTypeFromCode(int code);

// Cosines and sines of k*2*pi/N for k = 0..N-1, in double and in float; the
// transforms read the float copies.
struct TwiddleTable {
    int size = 0;
    int stages = 0;  // log2(size)
    std::vector<double> cosD, sinD;
    std::vector<float> cosF, sinF;
    // Per stage of span `le` (le = N, N/2, ..., 8): the le/2 twiddles of that
    // stage laid out contiguously, so that the butterfly loop runs over
    // consecutive memory.
    std::vector<float> stageCos, stageSin;
    std::vector<int> stageOffset;  // index into stageCos/stageSin per stage
    std::vector<uint16_t> swapPairs;  // bit-reversal swaps (i, j), i < j
};

// A window in float (used by the transforms), in double, and as integers
// trunc(w * 32767) with 0 raised to 1.
struct WindowTable {
    int size = 0;
    FftWindowType type = kWindowBlackman;
    std::vector<float> w;
    // w[0], w[2], ... and w[1], w[3], ...: a real frame's even and odd
    // samples become the two halves of a transform of half the length.
    std::vector<float> wEven, wOdd;
    std::vector<double> wD;
    std::vector<int32_t> wInt;
};

// The shared, immutable tables for size n (nullptr for an unsupported size).
const TwiddleTable* BuildTwiddleTables(int n);
const WindowTable* BuildWindow(int n, int type);

int ApplyWindow(float* x, int n, int type);
int RemoveWindow(float* x, int n, int type);
int FFTForward(float* re, float* im, int n);
// Inverse transform, result divided by n.
int FFTInverse(float* re, float* im, int n);
// Forward transform, then re <- magnitude and im <- phase. An exactly zero
// real part is taken as 1e-8 for both, so phase is never atan2(0, 0) noise.
int FFTForwardPolar(float* re, float* im, int n);
// mag/phase back to complex, then the inverse transform (result left in the
// two arrays).
int FFTInversePolar(float* mag, float* phase, int n);
// ApplyWindow on re, then FFTForwardPolar.
int WindowedFFTPolar(float* re, float* im, int n, int type);

} // namespace tavril

#pragma once
// MonoDither: converts a 32-bit picture to one bit per pixel for a device
// that can only put black or white on paper (a monochrome printer), by random
// dithering: a grey pixel is white with a probability that grows with its
// grey value, so areas keep their darkness on average.
//
// R250 is the shift-register generator the dithering draws from; one object
// per picture, not shared between threads.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavril {

class R250 {
public:
    // A well-mixed table from a fixed seed, so a picture dithers the same
    // way every time it is printed.
    R250();
    // Starts from the caller's 250 words (indices at 0 and 147).
    explicit R250(const std::array<uint32_t, 250>& table);
    // The next 15-bit number.
    uint32_t Next();

private:
    std::array<uint32_t, 250> m_table{};
    int m_i = 0;
    int m_j = 147;
};

// `rgb`: width x height pixels 0x??RRGGBB, rows `rgbStride` pixels apart.
// `bits`: one bit per pixel, most significant bit first, rows `bitsStride`
// bytes apart; a set bit is black (palette entry 1), a clear bit white. A
// pixel whose red, green and blue differ counts as grey value 0.
void DitherToMono(const uint32_t* rgb, int width, int height, std::ptrdiff_t rgbStride, uint8_t* bits,
                  std::ptrdiff_t bitsStride, R250& random);

} // namespace tavril

#include "MonoDither.h"

namespace tavril {

R250::R250() {
    // Any well-mixed seed serves; a 64-bit LCG's high words are.
    uint64_t s = 0x2545F4914F6CDD1DULL;
    for (auto& w : m_table) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        w = static_cast<uint32_t>(s >> 32);
    }
}

R250::R250(const std::array<uint32_t, 250>& table) : m_table(table) {}

uint32_t R250::Next() {
    m_i = (m_i + 1) % 250;
    m_j = (m_j + 1) % 250;
    m_table[m_i] ^= m_table[m_j];
    return m_table[m_i] & 0x7FFFu;
}

void DitherToMono(const uint32_t* rgb, int width, int height, std::ptrdiff_t rgbStride, uint8_t* bits,
                  std::ptrdiff_t bitsStride, R250& random) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = rgb + y * rgbStride;
        uint8_t* out = bits + y * bitsStride;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = in[x];
            const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            const uint32_t grey = (r == g && g == b) ? r : 0;
            const uint32_t threshold = random.Next() * 255u / 32767u;
            const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
            if (threshold <= grey)
                out[x >> 3] &= static_cast<uint8_t>(~mask);
            else
                out[x >> 3] |= mask;
        }
    }
}

} // namespace tavril

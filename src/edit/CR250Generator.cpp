#include "CR250Generator.h"

namespace tavril {

CR250Generator::CR250Generator()
{
    // The fixed start words come from a 64-bit mixing sequence with a fixed
    // seed: well spread bits, never zero, the same on every run.
    uint64_t x = 0x54617672696C3235ull;
    for (uint32_t& w : m_words) {
        do {
            x += 0x9E3779B97F4A7C15ull;
            uint64_t z = x;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            z ^= z >> 31;
            w = static_cast<uint32_t>(z >> 32);
        } while (w == 0);
    }
}

uint32_t CR250Generator::Next()
{
    m_i = (m_i + 1) % 250;
    m_j = (m_j + 1) % 250;
    m_words[m_i] ^= m_words[m_j];
    return m_words[m_i];
}

} // namespace tavril

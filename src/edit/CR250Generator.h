#pragma once
// CR250Generator: the R250 shift-register noise generator behind "Insert
// Noise". Its table starts from the same 250 fixed words in every run and is
// never reseeded, so the program produces the same noise sequence every time.
//
// Ownership: one object held by the tools (a program-wide sequence).
// Threading: one thread at a time.

#include <array>
#include <cstdint>

namespace tavril {

class CR250Generator {
public:
    CR250Generator();
    // The next 32-bit word.
    uint32_t Next();
    // The next word limited to 15 bits.
    uint32_t Next15() { return Next() & 0x7FFFu; }

private:
    std::array<uint32_t, 250> m_words{};
    unsigned m_i = 0;
    unsigned m_j = 147;
};

} // namespace tavril

// Writes a small seed corpus for the header fuzzer: files of each width and
// channel count made by the program itself, plus the foreign layouts whose
// header rewrites are easiest to get wrong (WAVE_FORMAT_EXTENSIBLE with 24
// valid bits in 32, RIFX, RF64 with its ds64 chunk, AIFF-C little-endian).

#include "CSoundFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const unsigned widths[] = {8, 16, 24, 32};
    const unsigned channels[] = {1, 2};
    for (const char* ext : {".wav", ".aif"}) {
        for (unsigned bits : widths) {
            for (unsigned ch : channels) {
                tavril::CSoundFile f;
                const std::string name = dir + "/seed-" + std::to_string(bits) + "-" + std::to_string(ch) + ext;
                if (!f.Create(name, 22050, ch, bits)) continue;
                std::vector<int16_t> samples(size_t(20) * ch);
                for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 1000 - 9000);
                f.WriteFrames(samples.data(), 20, 16);
                f.Close();
            }
        }
    }
    auto le = [](std::vector<unsigned char>& v, uint64_t x, int bytes) {
        for (int i = 0; i < bytes; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
    };
    auto be = [](std::vector<unsigned char>& v, uint64_t x, int bytes) {
        for (int i = bytes; i-- > 0;) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
    };
    auto save = [&](const std::string& name, const std::vector<unsigned char>& bytes) {
        if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    };
    const unsigned char guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    {  // EXTENSIBLE, 24 valid bits in 32, stereo, 4 frames, LIST after the data
        std::vector<unsigned char> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
        le(b, 40, 4); le(b, 0xFFFE, 2); le(b, 2, 2); le(b, 48000, 4); le(b, 48000 * 8, 4); le(b, 8, 2); le(b, 32, 2);
        le(b, 22, 2); le(b, 24, 2); le(b, 3, 4); le(b, 1, 4); b.insert(b.end(), guidTail, guidTail + 14);
        b.insert(b.end(), {'d', 'a', 't', 'a'}); le(b, 32, 4);
        for (int i = 0; i < 32; ++i) b.push_back(static_cast<unsigned char>(i * 29));
        b.insert(b.end(), {'L', 'I', 'S', 'T'}); le(b, 4, 4); b.insert(b.end(), {'I', 'N', 'F', 'O'});
        const uint32_t size = static_cast<uint32_t>(b.size() - 8);
        for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<unsigned char>(size >> (8 * i));
        save("seed-extensible.wav", b);
    }
    {  // RIFX: big-endian 16-bit mono
        std::vector<unsigned char> b = {'R', 'I', 'F', 'X'};
        be(b, 4 + 24 + 8 + 8, 4); b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        be(b, 16, 4); be(b, 1, 2); be(b, 1, 2); be(b, 8000, 4); be(b, 16000, 4); be(b, 2, 2); be(b, 16, 2);
        b.insert(b.end(), {'d', 'a', 't', 'a'}); be(b, 8, 4); be(b, 0x1234, 2); be(b, 0xFEDC, 2); be(b, 7, 2); be(b, 9, 2);
        save("seed-rifx.wav", b);
    }
    {  // RF64: sizes in ds64, 16-bit mono
        std::vector<unsigned char> b = {'R', 'F', '6', '4', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E', 'd', 's', '6', '4'};
        le(b, 28, 4); le(b, 4 + 36 + 24 + 8 + 8, 8); le(b, 8, 8); le(b, 4, 8); le(b, 0, 4);
        b.insert(b.end(), {'f', 'm', 't', ' '}); le(b, 16, 4);
        le(b, 1, 2); le(b, 1, 2); le(b, 8000, 4); le(b, 16000, 4); le(b, 2, 2); le(b, 16, 2);
        b.insert(b.end(), {'d', 'a', 't', 'a'}); le(b, 0xFFFFFFFFu, 4); le(b, 100, 2); le(b, 200, 2); le(b, 300, 2); le(b, 400, 2);
        save("seed-rf64.wav", b);
    }
    {  // AIFF-C, sowt (little-endian 16-bit), 2 frames, a NAME chunk
        std::vector<unsigned char> b = {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'A', 'I', 'F', 'C', 'C', 'O', 'M', 'M'};
        be(b, 24, 4); be(b, 1, 2); be(b, 2, 4); be(b, 16, 2);
        b.insert(b.end(), {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0});  // 8000 Hz
        b.insert(b.end(), {'s', 'o', 'w', 't', 0, 0});
        b.insert(b.end(), {'N', 'A', 'M', 'E'}); be(b, 4, 4); b.insert(b.end(), {'w', 'r', 'e', 'n'});
        b.insert(b.end(), {'S', 'S', 'N', 'D'}); be(b, 12, 4); be(b, 0, 4); be(b, 0, 4); le(b, 0x1234, 2); le(b, 0x0102, 2);
        const uint32_t size = static_cast<uint32_t>(b.size() - 8);
        for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<unsigned char>(size >> (8 * (3 - i)));
        save("seed-aifc-sowt.aif", b);
    }
    return 0;
}

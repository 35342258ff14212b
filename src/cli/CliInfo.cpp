// tavril-cli info: the format of each sound file, as key: value lines or JSON.

#include "CliCommand.h"
#include "CliUtil.h"

#include "CSoundFile.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

int RunInfo(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json") json = true;
        else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "tavril-cli info: unknown option '%s'\n", a.c_str());
            return 2;
        } else files.push_back(a);
    }
    files.insert(files.end(), operands.begin(), operands.end());
    if (files.empty()) {
        std::fprintf(stderr, "tavril-cli info: no sound file given (see 'tavril-cli help info')\n");
        return 2;
    }
    int status = 0;
    bool first = true;
    for (const std::string& path : files) {
        CSoundFile sound;
        if (!sound.OpenReadOnly(path)) {
            std::fprintf(stderr, "Error opening soundfile %s. %s\n", path.c_str(), OpenFailureText(path).c_str());
            status = 1;
            continue;
        }
        const bool truncated = sound.HasTruncation();
        if (truncated)
            std::fprintf(stderr, "tavril-cli info: note: %s is cut short: its header promises more than the file "
                                 "holds; the %u whole frames present are read\n",
                         path.c_str(), sound.GetFrameCount());
        const int32_t format = sound.GetFormatType();
        const double rate = sound.GetSampleRate();
        const uint32_t channels = sound.GetChannels();
        const uint32_t bits = sound.GetBitsPerSample();
        const uint32_t frames = sound.GetFrameCount();
        const uint32_t offset = sound.GetDataOffset();
        const double seconds = rate > 0 ? frames / rate : 0.0;
        const std::string formatText = std::to_string(format) + " " + SoundFormatName(format);
        if (json) {
            std::printf("{\"file\": %s, \"format\": %s, \"sample_rate\": %s, \"channels\": %u, "
                        "\"bits_per_sample\": %u, \"frames\": %u, \"data_offset\": %u, \"duration_s\": %.3f, "
                        "\"truncated\": %s}\n",
                        JsonString(path).c_str(), JsonString(formatText).c_str(), FormatNumber(rate).c_str(),
                        channels, bits, frames, offset, seconds, truncated ? "true" : "false");
        } else {
            if (!first) std::printf("\n");
            std::printf("file: %s\nformat: %s\nsample_rate: %s\nchannels: %u\nbits_per_sample: %u\n"
                        "frames: %u\ndata_offset: %u\nduration_s: %.3f\n",
                        path.c_str(), formatText.c_str(), FormatNumber(rate).c_str(), channels, bits, frames,
                        offset, seconds);
            if (truncated) std::printf("truncated: true\n");
        }
        first = false;
    }
    return status;
}

} // namespace

extern const CliCommand kInfoCommand = {
    "info",
    "print the format of sound files",
    "Usage: tavril-cli info [--json] [--] FILE...\n"
    "Prints, for each sound file, its format code and name, sample rate, channels,\n"
    "bits per sample, frames, the byte offset of the first sample and the duration\n"
    "in seconds, one 'key: value' line each and a blank line between files. A\n"
    "recording cut short (its header promises more than the file holds) adds\n"
    "'truncated: true' and a note; only its whole frames are counted.\n"
    "  --json   one JSON object per file instead, with the same keys and\n"
    "           \"truncated\" (true or false); name bytes that are not UTF-8\n"
    "           are written as \\u00XX\n"
    "  --       what follows are file names, even when they start with '-'\n"
    "Exit status 0 when every file opened, 1 otherwise.\n",
    RunInfo,
};

} // namespace tavril::cli

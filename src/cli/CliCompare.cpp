// tavril-cli compare: how different two channels of a sound are, spectrum by
// spectrum, at each delay of the second channel from 0 up to a maximum.

#include "CliCommand.h"
#include "CliUtil.h"

#include "CSoundFile.h"
#include "SoundComparison.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

constexpr const char* kName = "tavril-cli compare";

int Usage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see 'tavril-cli help compare')\n", kName, message.c_str());
    return 2;
}

bool Number(const std::vector<std::string>& args, size_t& i, const std::string& name, double lo, double hi,
            double& out, std::string& error)
{
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    const auto v = ParseDouble(args[++i]);
    if (!v || !(*v >= lo && *v <= hi)) {
        error = name + " must be a number from " + FormatNumber(lo) + " to " + FormatNumber(hi);
        return false;
    }
    out = *v;
    return true;
}

bool Whole(const std::vector<std::string>& args, size_t& i, const std::string& name, long long lo, long long hi,
           long long& out, std::string& error)
{
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    const auto v = ParseInteger(args[++i]);
    if (!v || *v < lo || *v > hi) {
        error = name + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        return false;
    }
    out = *v;
    return true;
}

int RunCompare(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    const CompareSettings defaults;
    CompareRequest r;
    r.bins = defaults.Bins();
    r.periodMs = defaults.m_overlapMs;
    r.silencePercent = defaults.m_silenceThreshold;
    r.averages = defaults.m_numAverages;
    r.differenceThreshold = defaults.m_differenceThreshold;
    r.channel1 = defaults.m_channel1;
    std::string file, error;
    bool haveStart = false, haveLength = false, haveDelay = false, haveBand = false, haveCh2 = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        double d = 0;
        long long n = 0;
        bool ok = true;
        if (a == "--start-ms") {
            ok = Number(args, i, a, 0, 1e11, r.startMs, error);
            haveStart = true;
        } else if (a == "--length-ms") {
            ok = Number(args, i, a, 0, 1e11, r.lengthMs, error);
            haveLength = true;
        } else if (a == "--max-delay-ms") {
            ok = Number(args, i, a, 0, 1e11, r.maxDelayMs, error);
            haveDelay = true;
        } else if (a == "--band") {
            ok = Number(args, i, "--band LO", 0, 1e7, r.bandLowHz, error) &&
                 Number(args, i, "--band HI", 0, 1e7, r.bandHighHz, error);
            haveBand = true;
        } else if (a == "--ch1") {
            ok = Whole(args, i, a, 0, 65535, n, error);
            r.channel1 = static_cast<int>(n);
        } else if (a == "--ch2") {
            ok = Whole(args, i, a, -1, 65535, n, error);
            r.channel2 = static_cast<int>(n);
            haveCh2 = true;
        } else if (a == "--lines") {
            ok = Whole(args, i, a, 32, 1024, n, error);
            if (ok && (n & (n - 1)) != 0) return Usage("--lines must be 32, 64, 128, 256, 512 or 1024");
            r.bins = static_cast<int>(n);
        } else if (a == "--period-ms") {
            ok = Number(args, i, a, 0.001, 1e7, d, error);
            r.periodMs = static_cast<float>(d);
        } else if (a == "--silence") {
            ok = Number(args, i, a, 0, 100, d, error);
            r.silencePercent = static_cast<float>(d);
        } else if (a == "--averages") {
            ok = Whole(args, i, a, 1, 1024, n, error);
            r.averages = static_cast<int>(n);
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else if (file.empty()) {
            file = a;
        } else {
            return Usage("only one sound file at a time");
        }
        if (!ok) return Usage(error);
    }
    for (const std::string& a : operands) {
        if (!file.empty()) return Usage("only one sound file at a time");
        file = a;
    }
    if (file.empty()) return Usage("no sound file given");
    if (!haveStart || !haveLength || !haveDelay) return Usage("--start-ms, --length-ms and --max-delay-ms are needed");
    if (haveBand && r.bandLowHz > r.bandHighHz) return Usage("--band: the low edge lies above the high edge");

    CSoundFile sound;
    if (!sound.OpenReadOnly(file)) {
        std::fprintf(stderr, "Error opening soundfile %s. %s\n", file.c_str(), OpenFailureText(file).c_str());
        return 1;
    }
    const double rate = sound.GetSampleRate();
    const uint32_t channels = sound.GetChannels();
    const uint32_t frames = sound.GetFrameCount();
    sound.Close();
    if (r.startMs * rate / 1000.0 >= frames) return Usage("--start-ms lies past the end of the sound");
    for (const auto& [option, ch] : {std::pair<const char*, int>{"--ch1", r.channel1}, {"--ch2", r.channel2}})
        if (ch >= static_cast<int64_t>(channels))
            return Usage(std::string(option) + ": " + file + " has no channel " + std::to_string(ch) +
                         " (channels are counted from 0)");
    if (!haveBand) {
        r.bandLowHz = 0.0;
        r.bandHighHz = rate / 2.0;
    }
    // Without --ch2 a stereo sound compares its two channels.
    if (!haveCh2) r.channel2 = channels > 1 && r.channel1 == 0 ? 1 : 0;
    if (static_cast<int64_t>(r.lengthMs * rate / 1000.0) < 1)
        return Usage("--length-ms selects no sample; nothing to compare");

    const std::vector<float> result = CompareChannels(file, r, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return 1;
    }
    for (size_t d = 0; d < result.size(); ++d)
        std::printf("%s\t%.6f\n", FormatNumber(d * double(r.periodMs)).c_str(), double(result[d]));
    return 0;
}

} // namespace

extern const CliCommand kCompareCommand = {
    "compare",
    "compare two channels of a sound at a range of delays",
    "Usage: tavril-cli compare FILE --start-ms S --length-ms L --max-delay-ms D [--band LO HI]\n"
    "                          [--ch1 A] [--ch2 B] [--lines N] [--period-ms P] [--silence PCT]\n"
    "                          [--averages N]\n"
    "Compares the spectrogram of channel A from S for L milliseconds with the\n"
    "spectrogram of channel B delayed by 0, P, 2P, ... up to D milliseconds, and\n"
    "prints one line per delay: delay_ms<TAB>difference. Both spectrograms are\n"
    "scaled to 0 ... 1 first; 0 means identical.\n"
    "  --band LO HI     frequency band in Hz (default: the whole range)\n"
    "  --ch1 A          first channel, counted from 0 (default 0)\n"
    "  --ch2 B          second channel, counted from 0; -1 = the mean of all\n"
    "                   other channels (default 1 for a sound with two or more\n"
    "                   channels, else 0)\n"
    "  --lines N        lines per spectrum: 32 (default), 64, ..., 1024\n"
    "  --period-ms P    period between spectra and delay step (default 10)\n"
    "  --silence PCT    magnitudes below PCT % of the loudest count as 0 (default 0.1)\n"
    "  --averages N     transforms averaged per spectrum (default 5)\n"
    "A maximum delay below one period gives no lines. Exit status 0 on success,\n"
    "1 when the sound cannot be read or analysed, 2 for bad arguments.\n",
    RunCompare,
};

} // namespace tavril::cli

// tavril-cli spectrogram: a sound's spectrogram as a tab-delimited text file
// (the export of the desktop program) or as a PNG picture (what a sound window
// shows at stretch scale).

#include "CliCommand.h"
#include "CliUtil.h"

#include "CSoundFile.h"
#include "SpectrogramPicture.h"
#include "SpectrogramTextExport.h"
#include "WindowDisplaySettings.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

constexpr const char* kName = "tavril-cli spectrogram";

int Usage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see 'tavril-cli help spectrogram')\n", kName, message.c_str());
    return 2;
}

struct Options {
    std::string file;
    std::string output;
    // text
    bool textOptionGiven = false;
    int lines = 256;
    enum class Spacing { Ms, Samples, Percent } spacing = Spacing::Ms;
    int spacingGiven = 0;
    double periodMs = 10.0;
    long long periodSamples = 1;
    double periodPercent = 0.0;
    bool withRange = false;
    int lowHz = 0, highHz = 0;
    bool header = true;
    // picture
    std::string png;
    bool pictureOptionGiven = false;
    int width = 1000, height = 257;
    WindowDisplaySettings display;
    long long channel = 0;
};

bool TakeInt(const std::vector<std::string>& args, size_t& i, const char* name, long long lo, long long hi,
             long long& out, std::string& error)
{
    if (i + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return false;
    }
    const auto v = ParseInteger(args[++i]);
    if (!v || *v < lo || *v > hi) {
        error = std::string(name) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        return false;
    }
    out = *v;
    return true;
}

bool TakeDouble(const std::vector<std::string>& args, size_t& i, const char* name, double lo, double hi, double& out,
                std::string& error)
{
    if (i + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return false;
    }
    const auto v = ParseDouble(args[++i]);
    if (!v || !(*v >= lo && *v <= hi)) {
        error = std::string(name) + " must be a number from " + FormatNumber(lo) + " to " + FormatNumber(hi);
        return false;
    }
    out = *v;
    return true;
}

int RunSpectrogram(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    Options o;
    std::string error;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        long long n = 0;
        double d = 0;
        bool ok = true;
        if (a == "-o") {
            if (i + 1 >= args.size()) return Usage("-o needs a file name");
            o.output = args[++i];
            o.textOptionGiven = true;
        } else if (a == "--lines") {
            ok = TakeInt(args, i, "--lines", 32, 1024, n, error);
            if (ok && (n & (n - 1)) != 0) return Usage("--lines must be 32, 64, 128, 256, 512 or 1024");
            o.lines = static_cast<int>(n);
            o.textOptionGiven = true;
        } else if (a == "--period-ms") {
            ok = TakeDouble(args, i, "--period-ms", 1e-6, 1e9, o.periodMs, error);
            o.spacing = Options::Spacing::Ms;
            ++o.spacingGiven;
        } else if (a == "--period-samples") {
            ok = TakeInt(args, i, "--period-samples", 1, 4294967295LL, o.periodSamples, error);
            o.spacing = Options::Spacing::Samples;
            ++o.spacingGiven;
        } else if (a == "--period-percent") {
            ok = TakeDouble(args, i, "--period-percent", -1e9, 1e9, o.periodPercent, error);
            o.spacing = Options::Spacing::Percent;
            ++o.spacingGiven;
        } else if (a == "--range") {
            long long lo = 0, hi = 0;
            ok = TakeInt(args, i, "--range LO", 0, 10000000, lo, error) &&
                 TakeInt(args, i, "--range HI", 0, 10000000, hi, error);
            if (ok && lo > hi) return Usage("--range: LO must not be above HI");
            o.withRange = true;
            o.lowHz = static_cast<int>(lo);
            o.highHz = static_cast<int>(hi);
            o.textOptionGiven = true;
        } else if (a == "--no-header") {
            o.header = false;
            o.textOptionGiven = true;
        } else if (a == "--png") {
            if (i + 1 >= args.size()) return Usage("--png needs a file name");
            o.png = args[++i];
        } else if (a == "--width") {
            ok = TakeInt(args, i, "--width", 1, kMaxPictureSide, n, error);
            o.width = static_cast<int>(n);
            o.pictureOptionGiven = true;
        } else if (a == "--height") {
            ok = TakeInt(args, i, "--height", 1, kMaxPictureSide, n, error);
            o.height = static_cast<int>(n);
            o.pictureOptionGiven = true;
        } else if (a == "--fft-code") {
            ok = TakeInt(args, i, "--fft-code", 0, 5, n, error);
            o.display.m_fftSizeCode = static_cast<int>(n);
            o.pictureOptionGiven = true;
        } else if (a == "--window") {
            if (i + 1 >= args.size()) return Usage("--window needs blackman, hamming or hanning");
            const std::string& w = args[++i];
            if (w == "blackman") o.display.m_fftWindowType = 0;
            else if (w == "hamming") o.display.m_fftWindowType = 1;
            else if (w == "hanning") o.display.m_fftWindowType = 2;
            else return Usage("--window must be blackman, hamming or hanning");
            o.pictureOptionGiven = true;
        } else if (a == "--gain") {
            ok = TakeDouble(args, i, "--gain", -1000, 1000, d, error);
            o.display.m_specGain = static_cast<float>(d);
            o.pictureOptionGiven = true;
        } else if (a == "--white") {
            ok = TakeInt(args, i, "--white", 0, 255, n, error);
            o.display.m_specWhiteThreshold = static_cast<int>(n);
            o.pictureOptionGiven = true;
        } else if (a == "--white-on-black") {
            o.display.m_whiteOnBlack = true;
            o.pictureOptionGiven = true;
        } else if (a == "--low-hz") {
            ok = TakeDouble(args, i, "--low-hz", 0, 1e7, d, error);
            o.display.m_lowFreqLimitOn = true;
            o.display.m_lowFreqLimit = static_cast<float>(d);
            o.pictureOptionGiven = true;
        } else if (a == "--high-hz") {
            ok = TakeDouble(args, i, "--high-hz", 0, 1e7, d, error);
            o.display.m_highFreqLimitOn = true;
            o.display.m_highFreqLimit = static_cast<float>(d);
            o.pictureOptionGiven = true;
        } else if (a == "--channel") {
            ok = TakeInt(args, i, "--channel", 0, 65535, o.channel, error);
            o.pictureOptionGiven = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return Usage("only one sound file at a time");
        }
        if (!ok) return Usage(error);
    }
    for (const std::string& a : operands) {
        if (!o.file.empty()) return Usage("only one sound file at a time");
        o.file = a;
    }
    if (o.file.empty()) return Usage("no sound file given");
    if (o.spacingGiven > 1) return Usage("give only one of --period-ms, --period-samples and --period-percent");
    if (!o.png.empty() && (o.textOptionGiven || o.spacingGiven))
        return Usage("text export options cannot be combined with --png");
    if (o.png.empty() && o.pictureOptionGiven) return Usage("picture options need --png OUT.png");

    CSoundFile sound;
    if (!sound.OpenReadOnly(o.file)) {
        std::fprintf(stderr, "Error opening soundfile %s. %s\n", o.file.c_str(), OpenFailureText(o.file).c_str());
        return 1;
    }
    const double rate = sound.GetSampleRate();

    if (!o.png.empty()) {
        if (o.channel >= sound.GetChannels()) {
            std::fprintf(stderr, "%s: %s has no channel %lld (channels are counted from 0)\n", kName, o.file.c_str(),
                         o.channel);
            return 2;
        }
        std::vector<uint32_t> pixels;
        RenderSpectrogramPicture(sound, o.display, static_cast<int>(o.channel), o.width, o.height, pixels);
        sound.Close();
        if (!WritePng(o.png, pixels.data(), o.width, o.height, &error)) {
            std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
            return 1;
        }
        return 0;
    }

    SpectrogramTextRequest r;
    r.bins = o.lines;
    switch (o.spacing) {
    case Options::Spacing::Ms:
        r.periodMs = o.periodMs;
        break;
    case Options::Spacing::Samples:
        r.periodMs = rate > 0 ? o.periodSamples * 1000.0 / rate : 0.0;
        break;
    case Options::Spacing::Percent: {
        // Percent of the lines per spectrum: 100 advances half a frame; 0 or
        // less is taken as 1.
        const double pct = o.periodPercent <= 0.0 ? 1.0 : o.periodPercent;
        r.periodMs = rate > 0 ? (o.lines * 1000.0 / rate) * (pct / 100.0) : 0.0;
        break;
    }
    }
    sound.Close();
    r.withHeader = o.header;
    r.withRange = o.withRange;
    r.lowHz = o.lowHz;
    r.highHz = o.highHz;
    const std::string output = o.output.empty() ? SpectrogramTextPath(o.file) : o.output;
    if (!ExportSpectrogramText(o.file, r, output, &error)) {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

extern const CliCommand kSpectrogramCommand = {
    "spectrogram",
    "write a sound's spectrogram as a text file or a PNG picture",
    "Usage: tavril-cli spectrogram FILE [-o OUT.txt] [--lines N] [--period-ms P | --period-samples N |\n"
    "                              --period-percent PCT] [--range LO HI] [--no-header]\n"
    "       tavril-cli spectrogram FILE --png OUT.png [--width W] [--height H] [--fft-code 0..5]\n"
    "                              [--window blackman|hamming|hanning] [--gain G] [--white T]\n"
    "                              [--white-on-black] [--low-hz F] [--high-hz F] [--channel C]\n"
    "Text: the averaged magnitude spectra of channel 0 of the whole sound (Blackman\n"
    "window), one tab-delimited row per spectrum, written to FILE.txt (FILE with\n"
    ".txt appended) unless -o names another file; an existing file is replaced.\n"
    "  --lines N           lines per spectrum: 32, 64, 128, 256 (default), 512, 1024\n"
    "  --period-ms P       one spectrum every P milliseconds (default 10)\n"
    "  --period-samples N  one spectrum every N samples\n"
    "  --period-percent X  one spectrum every X % of N lines' worth of samples\n"
    "                      (100 = half a frame; 0 or less counts as 1)\n"
    "  --range LO HI       only the lines from LO Hz to HI Hz\n"
    "  --no-header         leave out the file information header\n"
    "PNG: the picture a sound window shows when the sound is stretched over W\n"
    "pixel columns: one transform per column, 64 grey levels.\n"
    "  --width W, --height H   size in pixels (default 1000 x 257)\n"
    "  --fft-code C        transform of 64 << C samples (default 3: 512)\n"
    "  --window NAME       analysis window (default blackman)\n"
    "  --gain G            spectral gain, -1000 ... 1000 (default 0)\n"
    "  --white T           levels below T (0 ... 255, levels top out at 63) are white\n"
    "  --white-on-black    light marks on black instead of dark on white\n"
    "  --low-hz F, --high-hz F  frequency limits of the picture\n"
    "  --channel C         channel to draw, counted from 0 (default 0)\n"
    "Exit status 0 on success, 1 when the sound cannot be read or the output\n"
    "cannot be written, 2 for bad arguments.\n",
    RunSpectrogram,
};

} // namespace tavril::cli

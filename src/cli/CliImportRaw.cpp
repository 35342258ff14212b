// tavril-cli import-raw: a headerless binary sample file (raw PCM) as a WAV
// or AIFF sound.

#include "CliCommand.h"
#include "CliUtil.h"

#include "CSoundFile.h"
#include "ImportHeaderless.h"
#include "SoundFormat.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

int Usage(const std::string& text)
{
    std::fprintf(stderr, "tavril-cli import-raw: %s (see 'tavril-cli help import-raw')\n", text.c_str());
    return 2;
}

int RunImportRaw(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    std::string in, out, type;
    std::optional<double> rate;
    std::optional<long long> channels, bits, offset = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--rate" || a == "--channels" || a == "--bits" || a == "--offset" || a == "--type" || a == "-o") {
            const std::string* v = value();
            if (!v) return Usage(a + " needs a value");
            if (a == "--rate") {
                rate = ParseDouble(*v);
                if (!rate || !(*rate > 0)) return Usage("--rate must be a number of Hz above 0");
            } else if (a == "--channels") {
                channels = ParseInteger(*v);
                if (!channels || *channels < 1 || *channels > 1024) return Usage("--channels must be 1 to 1024");
            } else if (a == "--bits") {
                bits = ParseInteger(*v);
                if (!bits || (*bits != 8 && *bits != 12 && *bits != 16 && *bits != 24 && *bits != 32))
                    return Usage("--bits must be 8, 12, 16, 24 or 32");
            } else if (a == "--offset") {
                offset = ParseInteger(*v);
                if (!offset || *offset < 0) return Usage("--offset must be a byte count of 0 or more");
            } else if (a == "--type") {
                type = *v;
                if (type != "wav" && type != "aiff") return Usage("--type must be wav or aiff");
            } else {
                out = *v;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else if (in.empty()) {
            in = a;
        } else {
            return Usage("only one input file can be imported at a time");
        }
    }
    for (const std::string& a : operands) {
        if (!in.empty()) return Usage("only one input file can be imported at a time");
        in = a;
    }
    if (in.empty()) return Usage("no input file given");
    if (!rate || !channels || !bits) return Usage("--rate, --channels and --bits are required");

    if (out.empty()) {
        out = HeaderlessTargetName(in, type == "aiff" ? 1 : 0);
    } else {
        const int32_t format = CSoundFile::FormatFromName(out);
        if (format != kFormatWav && format != kFormatAiff) return Usage("OUT must end in .wav, .aif or .aiff");
        if (!type.empty() && (format == kFormatAiff) != (type == "aiff"))
            return Usage("--type " + type + " does not match the name " + out);
    }

    std::string why;
    if (!ImportHeaderless(in, out, *rate, uint32_t(*channels), uint32_t(*bits), uint64_t(*offset), why)) {
        std::fprintf(stderr, "tavril-cli import-raw: cannot import %s: %s\n", in.c_str(), why.c_str());
        return 1;
    }
    CSoundFile written;
    if (!written.Open(out)) {
        std::fprintf(stderr, "tavril-cli import-raw: %s was written but does not open as a sound\n", out.c_str());
        return 1;
    }
    std::printf("wrote %s: %s, %s Hz, %u channel%s, %u bits, %u frames\n", out.c_str(),
                SoundFormatName(written.GetFormatType()), FormatNumber(written.GetSampleRate()).c_str(),
                written.GetChannels(), written.GetChannels() == 1 ? "" : "s", written.GetBitsPerSample(),
                written.GetFrameCount());
    return 0;
}

} // namespace

extern const CliCommand kImportRawCommand = {
    "import-raw",
    "import a headerless binary sample file as WAV or AIFF",
    "Usage: tavril-cli import-raw IN --rate R --channels C --bits 8|12|16|24|32\n"
    "                             [--offset BYTES] [--type wav|aiff] [-o OUT]\n"
    "Takes the bytes of IN from BYTES on (default 0) as interleaved little-endian\n"
    "samples of the given width (8-bit samples unsigned) and writes them as a\n"
    "sound at R Hz with C channels. Only whole frames are taken; an offset at or\n"
    "beyond the end of IN gives an empty sound.\n"
    "Without -o the sound is written beside IN as IN.WAV (or IN.AIF with\n"
    "--type aiff); with -o its name decides the format (.wav, .aif, .aiff).\n"
    "OUT is replaced only when the import succeeds.\n"
    "Exit status 0 on success, 1 when the import failed, 2 for bad usage.\n",
    RunImportRaw,
};

} // namespace tavril::cli

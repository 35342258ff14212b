// tavril-cli multitool: the multiple-tools chain (band filter, noise filter,
// maximize, ramp) on each of several sound files, in place or into a folder.

#include "CliCommand.h"
#include "CliUtil.h"

#include "CSoundFile.h"

#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CTempFiles.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "DefaultFileFormat.h"
#include "EditDialogSettings.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

constexpr const char* kName = "tavril-cli multitool";

int Usage(const std::string& text)
{
    std::fprintf(stderr, "%s: %s (see 'tavril-cli help multitool')\n", kName, text.c_str());
    return 2;
}

bool Number(const std::vector<std::string>& args, size_t& i, double& out)
{
    if (i + 1 >= args.size()) return false;
    const auto v = ParseDouble(args[++i]);
    if (!v || !std::isfinite(*v) || *v < 0) return false;
    out = *v;
    return true;
}

int RunMultitool(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    namespace fs = std::filesystem;
    MultiToolSettings s;
    std::vector<std::string> files;
    bool inPlace = false;
    std::string outDir;
    long long channel = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        double x = 0, y = 0;
        if (a == "--filter") {
            if (!Number(args, i, x) || !Number(args, i, y)) return Usage("--filter needs HIGHPASS_HZ LOWPASS_HZ");
            s.filterOn = 1;
            s.highPassCornerHz = static_cast<float>(x);
            s.lowPassCornerHz = static_cast<float>(y);
        } else if (a == "--noise-filter") {
            s.noiseFilterOn = 1;
        } else if (a == "--maximize") {
            s.maximizeOn = 1;
        } else if (a == "--ramp") {
            if (!Number(args, i, x) || !Number(args, i, y)) return Usage("--ramp needs BEGIN_MS END_MS");
            s.rampOn = 1;
            s.beginRampMs = static_cast<int>(std::min(x, 60000.0));
            s.endRampMs = static_cast<int>(std::min(y, 60000.0));
        } else if (a == "--in-place") {
            inPlace = true;
        } else if (a == "-o") {
            if (i + 1 >= args.size()) return Usage("-o needs a folder");
            outDir = args[++i];
        } else if (a == "--channel") {
            if (i + 1 >= args.size()) return Usage("--channel needs a number");
            const auto v = ParseInteger(args[++i]);
            if (!v || *v < 0 || *v > 65535) return Usage("--channel: '" + args[i] + "' is not a channel number");
            channel = *v;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    files.insert(files.end(), operands.begin(), operands.end());
    if (files.empty()) return Usage("no sound file given");
    if (inPlace == !outDir.empty()) return Usage("give either --in-place or -o DIR");
    std::error_code ec;
    if (!inPlace && !fs::is_directory(outDir, ec)) {
        std::fprintf(stderr, "%s: %s is not a folder\n", kName, outDir.c_str());
        return 1;
    }

    // Lists the folders where the steps' files are written beside their
    // targets, for the clean-up after a crash; the tools run without it too.
    CTempFiles temps;
    temps.Start();
    CEditEngine engine;
    CSoundTools tools(engine);
    CSoundFilter filter(engine);
    CMultiTool multi(engine, tools, filter);
    const int32_t defaultFormat = DefaultFileFormat();
    int status = 0;
    for (const std::string& file : files) {
        const std::string target = inPlace ? file : (fs::path(outDir) / fs::path(file).filename()).string();
        std::printf("Applying tools to %s\n", file.c_str());
        std::fflush(stdout);
        engine.ClearError();
        if (!fs::exists(file, ec)) {
            std::fprintf(stderr, "%s: %s does not exist\n", kName, file.c_str());
            if (status == 0) status = 1;
            continue;
        }
        {
            CSoundFile probe;
            if (probe.OpenReadOnly(file) && channel >= probe.GetChannels()) {
                std::fprintf(stderr, "%s: %s has no channel %lld (channels are counted from 0); the file was not changed\n",
                             kName, file.c_str(), static_cast<long long>(channel));
                status = 2;
                continue;
            }
        }
        if (!multi.ApplyToFile(file, target, s, static_cast<uint32_t>(channel), defaultFormat)) {
            std::fprintf(stderr, "%s: %s: %s; the file was not changed\n", kName, file.c_str(),
                         engine.LastError().empty() ? "failed" : engine.LastError().c_str());
            if (status == 0) status = 1;
        }
    }
    return status;
}

} // namespace

extern const CliCommand kMultitoolCommand = {
    "multitool",
    "apply the multiple-tools chain to sound files",
    "Usage: tavril-cli multitool FILE... [--filter HP LP] [--noise-filter] [--maximize]\n"
    "                            [--ramp B E] [--channel N] (--in-place | -o DIR)\n"
    "Runs the chain band filter (highpass HP Hz, lowpass LP Hz), background-noise\n"
    "filter, maximize and ramp (B and E ms at the start and end), each step only\n"
    "when asked for, on channel N (counted from 0, default 0) of every FILE.\n"
    "  --in-place   replace each file (safely: the new version is written beside\n"
    "               it and renamed over it only when complete)\n"
    "  -o DIR       write each result under its own name into DIR\n"
    "Each file keeps its format. Exit status 0 when every file was processed,\n"
    "1 otherwise, 2 for bad arguments (also a channel a file does not have).\n",
    RunMultitool,
};

} // namespace tavril::cli

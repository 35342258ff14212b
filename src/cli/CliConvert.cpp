// tavril-cli convert: one sound file into another format, the way a document
// opens a file and saves it under a new name: the input becomes a WAV working
// copy in the temporary folder, and the working copy is written to the output
// in the format the output's name asks for.

#include "CliCommand.h"
#include "CliUtil.h"

#include "AtomicFile.h"
#include "CSoundFile.h"
#include "CTempFiles.h"
#include "ConvertSupport.h"
#include "DefaultFileFormat.h"
#include "FileSafety.h"
#include "MetadataChunks.h"
#include "SoundConvert.h"
#include "SoundFormat.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavril::cli {

namespace {

int32_t FormatFromOption(const std::string& text)
{
    if (text == "wav" || text == "WAV") return kFormatWav;
    if (text == "aiff" || text == "AIFF" || text == "aif") return kFormatAiff;
    if (text == "sig" || text == "SIG") return kFormatSig;
    return kFormatUnknown;
}

int Fail(const std::string& text)
{
    std::fprintf(stderr, "tavril-cli convert: %s\n", text.c_str());
    return 1;
}

int RunConvert(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    std::vector<std::string> files;
    int32_t defaultFormat = kFormatUnknown;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--default-format") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "tavril-cli convert: --default-format needs wav, aiff or sig\n");
                return 2;
            }
            defaultFormat = FormatFromOption(args[++i]);
            if (defaultFormat == kFormatUnknown) {
                std::fprintf(stderr, "tavril-cli convert: unknown default format '%s' (wav, aiff or sig)\n",
                             args[i].c_str());
                return 2;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "tavril-cli convert: unknown option '%s'\n", a.c_str());
            return 2;
        } else {
            files.push_back(a);
        }
    }
    files.insert(files.end(), operands.begin(), operands.end());
    if (files.size() != 2) {
        std::fprintf(stderr, "tavril-cli convert: give one input and one output file (see 'tavril-cli help convert')\n");
        return 2;
    }
    const std::string& in = files[0];
    const std::string& out = files[1];
    if (defaultFormat == kFormatUnknown) defaultFormat = DefaultFileFormat();

    std::error_code ec;
    if (!std::filesystem::is_regular_file(in, ec)) return Fail(in + " does not exist or is not a file");

    int32_t sourceFormat = SourceFormat(in);
    if (sourceFormat == kFormatUnknown) sourceFormat = defaultFormat;
    int32_t targetFormat = EngineFormatFromName(out);
    if (targetFormat == kFormatUnknown) targetFormat = defaultFormat;

    if (IsWriteProtected(out)) return Fail(ReadOnlyMessage(out));
    CFileLock outLock;
    if (!outLock.TryLock(out)) return Fail(LockedMessage(out));
    if (sourceFormat == kFormatAiff) {
        CSoundFile probe;
        std::string why;
        if (probe.OpenReadOnly(in) && !FormatHoldsRate(targetFormat, probe.GetSampleRate(), why))
            return Fail("cannot write " + out + ": " + why);
    }
    std::vector<std::string> notes;
    // The working copy is named and locked as this process's own, so that
    // another Tavril starting meanwhile spares it, and the temporary file
    // beside OUT is listed for the clean-up after a crash.
    CTempFiles temps;
    const std::string work = temps.Start() ? temps.NewName() : std::string();
    if (work.empty()) return Fail("cannot create a working copy in the temporary folder");
    std::string why;
    if (!ConvertFile(in, work, sourceFormat, kFormatWav, why)) {
        ::unlink(work.c_str());
        return Fail("cannot read " + in + " as " + SoundFormatName(sourceFormat) + ": " + why);
    }
    if (!why.empty()) notes.push_back(why);
    CSoundFile sound;
    if (!sound.Open(work)) {
        ::unlink(work.c_str());
        std::string hint;
        if (SourceFormat(in) == kFormatUnknown)
            hint = std::string(" (its name does not say its format, so the default file format ") +
                   SoundFormatName(sourceFormat) + " was assumed)";
        return Fail("cannot read " + in + " as " + SoundFormatName(sourceFormat) + hint);
    }
    const double rate = sound.GetSampleRate();
    const uint32_t channels = sound.GetChannels();
    const uint32_t frames = sound.GetFrameCount();
    sound.Close();

    // Written beside OUT, given IN's metadata chunks and exact rate, then
    // put in place.
    std::string error;
    const std::string temp = MakeTempBeside(out, convert::ExtensionForFormat(targetFormat), error);
    if (temp.empty()) {
        ::unlink(work.c_str());
        return Fail(error);
    }
    int ok = ConvertFile(work, temp, kFormatWav, targetFormat, why);
    ::unlink(work.c_str());
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail("cannot write " + out + " as " + SoundFormatName(targetFormat) + ": " + why);
    }
    if (!why.empty()) notes.push_back(why);
    std::vector<std::string> dropped;
    ok = CarryMetadataChunks(in, temp, dropped, error) && CarryExactRate(in, temp);
    if (!ok || !ReplaceWith(temp, out, error)) {
        ::unlink(temp.c_str());
        return Fail("cannot write " + out + ": " + (error.empty() ? "the metadata could not be copied" : error));
    }

    if (targetFormat == kFormatSig || targetFormat == kFormatSnd) {
        // Both hold one channel of 16-bit values; SIG pads to blocks of 128.
        const uint64_t samples = targetFormat == kFormatSig ? (uint64_t(frames) + 127) / 128 * 128 : frames;
        std::printf("wrote %s: %s, %s Hz, 1 channel%s, %llu samples\n", out.c_str(), SoundFormatName(targetFormat),
                    FormatNumber(rate).c_str(), channels > 1 ? " (the first of the input's)" : "",
                    static_cast<unsigned long long>(samples));
    } else {
        // The output may have a name that does not say its format.
        convert::CFormatAlias alias(out, targetFormat);
        CSoundFile written;
        if (!written.Open(alias.Path())) return Fail(out + " was written but does not open as a sound");
        std::printf("wrote %s: %s, %s Hz, %u channel%s, %u bits, %u frames\n", out.c_str(),
                    SoundFormatName(targetFormat), FormatNumber(written.GetSampleRate()).c_str(),
                    written.GetChannels(), written.GetChannels() == 1 ? "" : "s", written.GetBitsPerSample(),
                    written.GetFrameCount());
    }
    if (!dropped.empty()) {
        std::string ids;
        for (const std::string& id : dropped) ids += (ids.empty() ? "'" : ", '") + id + "'";
        notes.push_back("chunks " + ids + " of " + in + " have no place in " + SoundFormatName(targetFormat) +
                        " and were not written");
    }
    for (const std::string& n : notes) std::fprintf(stderr, "tavril-cli convert: note: %s\n", n.c_str());
    return 0;
}

} // namespace

extern const CliCommand kConvertCommand = {
    "convert",
    "convert a sound file to WAV, AIFF, SIG or SND",
    "Usage: tavril-cli convert IN OUT [--default-format wav|aiff|sig]\n"
    "Converts IN to the format OUT's name asks for (.wav, .aif/.aiff, .sig,\n"
    ".snd/.atl), through a WAV working copy as the program does when a file is\n"
    "opened and saved under another name. A name with any other extension is\n"
    "taken to be in the default file format: the one given with\n"
    "--default-format, else the one chosen in the settings (WAV when none is).\n"
    "SIG and SND hold one channel: the first channel of the input is written.\n"
    "OUT is replaced only when the conversion succeeds.\n"
    "Exit status 0 on success, 1 when the conversion failed, 2 for bad usage.\n",
    RunConvert,
};

} // namespace tavril::cli

#include "SoundConvert.h"

#include "CFileHandle.h"
#include "CSoundFile.h"
#include "ConvertSupport.h"
#include "FileSafety.h"
#include "SigFormat.h"
#include "SndFormat.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavril {

using namespace convert;

namespace {

// Copies every frame of `src` into `dst`, converting to dst's width.
bool CopyFrames(CSoundFile& src, CSoundFile& dst, CProgressReporter& report)
{
    const uint32_t frames = src.GetFrameCount();
    const uint32_t dstBits = dst.GetBitsPerSample();
    std::vector<unsigned char> block(size_t(kBlockFrames) * dst.BytesPerFrame());
    src.Seek(0);
    dst.Seek(0);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kBlockFrames, frames - done);
        if (src.ReadFrames(block.data(), n, dstBits) != n) return false;
        if (dst.WriteFrames(block.data(), n) != n) return false;
        done += n;
        if (!report.Report(done, frames)) return false;
    }
    dst.Close();
    return !dst.HasWriteError();
}

bool CopyBytes(const std::string& source, const std::string& target, CProgressReporter& report)
{
    CFileHandle in, out;
    if (!in.OpenReadOnly(source) || !out.Create(target)) return false;
    const uint64_t total = in.Size();
    std::vector<unsigned char> block(1u << 20);
    for (uint64_t done = 0;;) {
        const size_t n = in.Read(block.data(), block.size());
        if (n == 0) break;
        if (out.Write(block.data(), n) != n) return false;
        done += n;
        if (!report.Report(done, total)) return false;
    }
    return in.Size() == out.Size();
}

// Opens a WAV or AIFF source whatever its name says.
bool OpenAs(CSoundFile& sound, const CFormatAlias& alias)
{
    return !alias.Path().empty() && sound.Open(alias.Path()) == 1;
}

int Fail(std::string& message, const std::string& text)
{
    message = text;
    return 0;
}

} // namespace

int32_t EngineFormatFromName(const std::string& name)
{
    const int32_t format = CSoundFile::FormatFromName(name);
    return format == kFormatMeta ? kFormatUnknown : format;
}

int32_t SourceFormat(const std::string& path)
{
    const int32_t sniffed = CSoundFile::SniffFormat(path);
    return sniffed != kFormatUnknown ? sniffed : EngineFormatFromName(path);
}

int ConvertFile(const std::string& source, const std::string& target, int32_t sourceFormat, int32_t targetFormat)
{
    std::string message;
    return ConvertFile(source, target, sourceFormat, targetFormat, message);
}

int ConvertFile(const std::string& source, const std::string& target, int32_t sourceFormat, int32_t targetFormat,
                std::string& message)
{
    return ConvertFile(source, target, sourceFormat, targetFormat, message, {});
}

int ConvertFile(const std::string& source, const std::string& target, int32_t sourceFormat, int32_t targetFormat,
                std::string& message, const ConvertProgress& progress)
{
    message.clear();
    const std::string from = SoundFormatName(sourceFormat);
    const std::string to = SoundFormatName(targetFormat);
    CProgressReporter report(progress);
    if (sourceFormat == targetFormat && source == target) {
        report.Report(1.0);  // nothing to do, nothing left to cancel
        return 1;
    }

    CTempBeside temp(target, ExtensionForFormat(targetFormat));
    if (!temp.Valid()) return Fail(message, "cannot create a file beside " + target);

    if (sourceFormat == targetFormat) {
        const bool copied = CopyBytes(source, temp.Path(), report);
        if (report.Cancelled()) return Fail(message, kConvertCancelled);
        if (!copied) return Fail(message, "cannot copy " + source + " to " + target);
        // The last word before the target changes is the hook's.
        if (!report.Report(1.0)) return Fail(message, kConvertCancelled);
        if (!temp.Commit()) return Fail(message, IsWriteProtected(target) ? ReadOnlyMessage(target) : "cannot replace " + target);
        return 1;
    }

    bool ok = false;
    bool clipped = false;
    if (targetFormat == kFormatWav) {
        switch (sourceFormat) {
        case kFormatSig: ok = SigFormat::ReadToWav(source, temp.Path(), report.Part(0.0, 1.0)) == 1; break;
        case kFormatSnd: ok = SndFormat::ReadToWav(source, temp.Path(), report.Part(0.0, 1.0)) == 1; break;
        case kFormatAiff: {
            CFormatAlias alias(source, kFormatAiff);
            CSoundFile src, dst;
            if (!OpenAs(src, alias)) return Fail(message, "cannot read " + source + " as an AIFF sound");
            // Samples keep their bytes: 12-bit AIFF becomes 16-bit WAV.
            const uint32_t bits = src.BytesPerSample() * 8;
            // A WAV states whole hertz, at least 1; the exact AIFF rate is put
            // back when the sound is saved as AIFF again.
            const double rate = std::max(1.0, std::floor(src.GetSampleRate()));
            // 32-bit float stays float; 64-bit float keeps more of its
            // precision as 32-bit integers.
            const bool asFloat = src.IsFloat() && src.GetHeader().diskBytesPerSample == 4;
            ok = dst.Create(temp.Path(), rate, src.GetChannels(), bits, 0, asFloat) == 1 &&
                 CopyFrames(src, dst, report);
            clipped = src.HasClipped();
            break;
        }
        default: return Fail(message, "no conversion from " + from + " to WAV");
        }
    } else if (sourceFormat == kFormatWav) {
        CFormatAlias alias(source, kFormatWav);
        if (alias.Path().empty()) return Fail(message, "cannot read " + source);
        switch (targetFormat) {
        case kFormatSig: ok = SigFormat::WriteFromWav(alias.Path(), temp.Path(), report.Part(0.0, 1.0)) == 1; break;
        case kFormatSnd:
            ok = SndFormat::WriteFromWav(alias.Path(), temp.Path(), report.Part(0.0, 1.0)) == 1;
            if (!ok && !report.Cancelled()) {
                CSoundFile probe;
                if (probe.Open(alias.Path()) && SndFormat::IntervalForRate(probe.GetSampleRate()) == 0)
                    return Fail(message, "the sample rate cannot be stored in an SND file (122 Hz to 4 MHz)");
            }
            break;
        case kFormatAiff: {
            CSoundFile src, dst;
            if (!OpenAs(src, alias)) return Fail(message, "cannot read " + source + " as a WAV sound");
            if (src.GetBitsPerSample() > 32) return Fail(message, "AIFF files hold at most 32 bits per sample");
            ok = dst.Create(temp.Path(), src.GetSampleRate(), src.GetChannels(), src.GetBitsPerSample()) == 1 &&
                 CopyFrames(src, dst, report);
            clipped = src.HasClipped();
            break;
        }
        default: return Fail(message, "no conversion from WAV to " + to);
        }
    } else {
        return Fail(message, "no conversion from " + from + " to " + to);
    }
    if (report.Cancelled()) return Fail(message, kConvertCancelled);
    if (!ok) return Fail(message, "converting " + source + " (" + from + ") to " + to + " failed");

    CSoundFile check;
    if (!check.Open(temp.Path())) return Fail(message, "the converted file does not open as a sound");
    check.Close();
    if (!report.Report(1.0)) return Fail(message, kConvertCancelled);
    if (!temp.Commit()) return Fail(message, IsWriteProtected(target) ? ReadOnlyMessage(target) : "cannot replace " + target);
    if (clipped) message = kConvertClipped;
    return 1;
}

} // namespace tavril

#include "ImportHeaderless.h"

#include "CFileHandle.h"
#include "CSoundFile.h"
#include "ConvertSupport.h"
#include "SettingsStore.h"

#include <algorithm>
#include <vector>

namespace tavril {

using namespace convert;

void ImportHeaderlessSettings::Load(const std::string& file)
{
    const ImportHeaderlessSettings d;
    sampleRate = SettingsStore::ReadSettingInt(file, kSection, "sample rate", d.sampleRate);
    channels = SettingsStore::ReadSettingInt(file, kSection, "number of channels", d.channels);
    fileType = SettingsStore::ReadSettingInt(file, kSection, "file type", d.fileType);
    bitsIndex = SettingsStore::ReadSettingInt(file, kSection, "bits per sample", d.bitsIndex);
    byteOffset = SettingsStore::ReadSettingLong(file, kSection, "byte offset", d.byteOffset);
    if (sampleRate <= 0) sampleRate = d.sampleRate;
    if (channels < 1) channels = d.channels;
    if (bitsIndex < 0 || bitsIndex > 4) bitsIndex = d.bitsIndex;
    if (byteOffset < 0) byteOffset = d.byteOffset;
}

int ImportHeaderlessSettings::Save(const std::string& file) const
{
    return SettingsStore::WriteSettingInt(file, kSection, "sample rate", sampleRate) &&
                   SettingsStore::WriteSettingInt(file, kSection, "number of channels", channels) &&
                   SettingsStore::WriteSettingInt(file, kSection, "file type", fileType) &&
                   SettingsStore::WriteSettingInt(file, kSection, "bits per sample", bitsIndex) &&
                   SettingsStore::WriteSettingLong(file, kSection, "byte offset", byteOffset)
               ? 1
               : 0;
}

uint32_t ImportHeaderlessSettings::Bits() const
{
    return kBitsChoices[std::clamp(bitsIndex, 0, 4)];
}

std::string HeaderlessTargetName(const std::string& source, int fileType)
{
    return source + (fileType == 0 ? ".WAV" : ".AIF");
}

int ImportHeaderless(const std::string& source, const std::string& target, double sampleRate, uint32_t channels,
                     uint32_t bits, uint64_t byteOffset)
{
    std::string message;
    return ImportHeaderless(source, target, sampleRate, channels, bits, byteOffset, message);
}

int ImportHeaderless(const std::string& source, const std::string& target, double sampleRate, uint32_t channels,
                     uint32_t bits, uint64_t byteOffset, std::string& message)
{
    auto fail = [&](const std::string& text) {
        message = text;
        return 0;
    };
    message.clear();
    if (bits != 8 && bits != 12 && bits != 16 && bits != 24 && bits != 32)
        return fail("bits per sample must be 8, 12, 16, 24 or 32");
    if (channels < 1 || channels > 1024) return fail("the number of channels must be 1 to 1024");
    if (!(sampleRate > 0) || sampleRate > 4294967295.0) return fail("the sample rate must be above 0 Hz");
    const int32_t format = CSoundFile::FormatFromName(target);
    if (format != kFormatWav && format != kFormatAiff) return fail("the target name must end in .wav, .aif or .aiff");

    CFileHandle in;
    if (!in.OpenReadOnly(source)) return fail("cannot open " + source);
    const uint64_t fileSize = in.Size();
    const uint64_t dataBytes = byteOffset < fileSize ? fileSize - byteOffset : 0;
    const uint32_t frameBytes = channels * ((bits + 7) / 8);
    const uint64_t frames = dataBytes / frameBytes;  // a partial frame at the end is left out
    if (frames > UINT32_MAX) return fail("the data hold more frames than a sound file can");

    CTempBeside temp(target, ExtensionForFormat(format));
    if (!temp.Valid()) return fail("cannot create a file beside " + target);
    CSoundFile out;
    if (!out.Create(temp.Path(), sampleRate, channels, bits)) return fail("cannot create " + target);
    // Blocks hold whole frames, so no frame is ever split between two reads.
    const uint32_t blockFrames = std::max<uint32_t>(1, (4u << 20) / frameBytes);
    std::vector<unsigned char> block(size_t(blockFrames) * frameBytes);
    for (uint64_t done = 0; done < frames;) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(blockFrames, frames - done));
        const size_t bytes = size_t(n) * frameBytes;
        if (in.ReadAt(byteOffset + done * frameBytes, block.data(), bytes) != bytes) return fail("cannot read " + source);
        if (out.WriteFrames(block.data(), n) != n) return fail("cannot write " + target);
        done += n;
    }
    out.Close();
    if (out.HasWriteError()) return fail("cannot write " + target);
    CSoundFile check;
    if (!check.Open(temp.Path())) return fail("the imported file does not open as a sound");
    check.Close();
    if (!temp.Commit()) return fail("cannot replace " + target);
    return 1;
}

} // namespace tavril

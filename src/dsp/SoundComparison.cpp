#include "SoundComparison.h"

#include "CSoundFile.h"
#include "SettingsSection.h"
#include "SpectralFrameStore.h"

#include <algorithm>
#include <cmath>

namespace tavril {

int CompareSettings::Bins() const
{
    return 32 << std::clamp(m_fftSizeIndex, 0, 5);
}

namespace {

const SettingsSection<CompareSettings>& CompareKeys()
{
    static const SettingsSection<CompareSettings> keys{
        {"fftsize", &CompareSettings::m_fftSizeIndex},
        {"difference threshold", &CompareSettings::m_differenceThreshold},
        {"overlap (ms)", &CompareSettings::m_overlapMs},
        {"silence threshold", &CompareSettings::m_silenceThreshold},
        {"num averages", &CompareSettings::m_numAverages},
        {"comparefile", &CompareSettings::m_compareFile},
        {"freqrange max", &CompareSettings::m_freqRangeMax},
        {"freqrange min", &CompareSettings::m_freqRangeMin},
        {"channel 1", &CompareSettings::m_channel1},
        {"channel 2", &CompareSettings::m_channel2},
        {"max compare delay", &CompareSettings::m_maxCompareDelayMs},
    };
    return keys;
}

} // namespace

int CompareSettings::Save(const std::string& file) const
{
    return CompareKeys().Save(file, kSection, *this);
}

void CompareSettings::Load(const std::string& file)
{
    CompareKeys().Load(file, kSection, *this);
}

float FrameDifference(const SpectralFrame& a, const SpectralFrame& b, int lo, int hi, float silence)
{
    const int lines = std::min(a.bins, b.bins);
    lo = std::max(lo, 0);
    hi = std::min(hi, lines);
    if (hi < lo) {
        lo = 0;
        hi = lines;
    }
    double sum = 0.0;
    int count = 0;
    for (int k = lo; k < hi; ++k) {
        float h = std::max(a.magnitudes[k], b.magnitudes[k]);
        float l = std::min(a.magnitudes[k], b.magnitudes[k]);
        if (h < silence) h = 0.0f;
        if (l < silence) l = 0.0f;
        sum += double(h - l) * h;
        ++count;
    }
    return count ? static_cast<float>(sum / count) : -1.0f;
}

std::vector<float> CompareChannels(const std::string& path, const CompareRequest& r, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return std::vector<float>{};
    };
    CSoundFile sound;
    if (!sound.OpenReadOnly(path)) return fail("cannot open the sound file");
    const double fs = sound.GetSampleRate();
    const int channels = static_cast<int>(sound.GetChannels());
    sound.Close();
    if (!(fs > 0.0)) return fail("the sound has no sample rate");
    if (!(r.periodMs > 0.0f)) return fail("the period must be above 0 ms");
    if (r.channel1 < 0 || r.channel1 >= channels) return fail("channel 1 is not a channel of the sound");
    if (r.channel2 < -1 || r.channel2 >= channels || (r.channel2 == -1 && channels < 2))
        return fail("channel 2 is not a channel of the sound");
    if (!(r.startMs >= 0.0) || !(r.lengthMs >= 0.0) || !(r.maxDelayMs >= 0.0))
        return fail("times must not be negative");

    const int64_t start = static_cast<int64_t>(r.startMs * fs / 1000.0);
    const int64_t length = static_cast<int64_t>(r.lengthMs * fs / 1000.0);
    const int64_t delay = static_cast<int64_t>(r.maxDelayMs * fs / 1000.0);

    SpectralFrameStore a, b;
    if (!a.Analyse(path, r.bins, r.periodMs, r.averages, start, length, r.channel1))
        return fail("the first channel could not be analysed (too many spectra or a bad size)");
    if (!b.Analyse(path, r.bins, r.periodMs, r.averages, start, length + delay + 1, r.channel2, r.channel1))
        return fail("the second channel could not be analysed (too many spectra or a bad size)");
    a.NormaliseToUnitRange();
    b.NormaliseToUnitRange();

    const float silence = r.silencePercent > 0.0f
                              ? static_cast<float>(std::max(a.Statistics().largestMax, b.Statistics().largestMax) *
                                                   r.silencePercent / 100.0)
                              : 0.0f;
    const int framesA = a.FrameCount();
    const int steps = static_cast<int>(std::min<double>(framesA, std::floor(r.maxDelayMs / r.periodMs)));
    const double nyquist = a.Nyquist();
    const int lo = nyquist > 0 ? static_cast<int>(std::clamp(r.bins * r.bandLowHz / nyquist, -1.0, 1e6)) : 0;
    const int hi = nyquist > 0 ? static_cast<int>(std::clamp(r.bins * r.bandHighHz / nyquist, -1.0, 1e6)) : 0;

    std::vector<float> result;
    result.reserve(std::max(steps, 0));
    for (int d = 0; d < steps; ++d) {
        double sum = 0.0;
        int used = 0;
        for (int i = 0; i < framesA; ++i) {
            const SpectralFrame* fb = b.Frame(i + d);
            if (!fb) break;  // the delayed channel ran out with the sound
            sum += FrameDifference(*a.Frame(i), *fb, lo, hi, silence);
            ++used;
        }
        result.push_back(used ? static_cast<float>(sum / used) : -1.0f);
    }
    if (error) error->clear();
    return result;
}

} // namespace tavril

#include "EditDialogSettings.h"

#include "SettingsSection.h"

namespace tavril {

namespace {

// Reals are stored as floats, the store's real type (SettingsSection narrows
// the doubles).
const SettingsSection<InsertNoiseSettings>& NoiseKeys()
{
    static const SettingsSection<InsertNoiseSettings> keys{
        {"Noise Amplitude", &InsertNoiseSettings::noiseAmplitudePct},
    };
    return keys;
}

const SettingsSection<InsertToneSettings>& ToneKeys()
{
    static const SettingsSection<InsertToneSettings> keys{
        {"Tone Amplitude", &InsertToneSettings::toneAmplitudePct},
        {"Tone Duration", &InsertToneSettings::toneDurationMs},
        {"Tone Frequency", &InsertToneSettings::toneFrequencyHz},
        {"FM Waveform Type", &InsertToneSettings::fmWaveformType},
        {"FM Freq Range", &InsertToneSettings::fmFreqRangeHz},
        {"FM Modulation Freq", &InsertToneSettings::fmModulationFreqHz},
        {"AM Waveform Type", &InsertToneSettings::amWaveformType},
        {"AM Amplitude Range", &InsertToneSettings::amAmplitudeRangePct},
        {"AM Modulation Freq", &InsertToneSettings::amModulationFreqHz},
    };
    return keys;
}

const SettingsSection<RampSettings>& RampKeys()
{
    static const SettingsSection<RampSettings> keys{
        {"Begin ms", &RampSettings::beginMs},
        {"End ms", &RampSettings::endMs},
    };
    return keys;
}

const SettingsSection<AmplitudeEnvelopeSettings>& EnvelopeKeys()
{
    static const SettingsSection<AmplitudeEnvelopeSettings> keys{
        {"filename", &AmplitudeEnvelopeSettings::filename},
        {"resolution (ms)", &AmplitudeEnvelopeSettings::resolutionMs},
        {"use exact envelope", &AmplitudeEnvelopeSettings::useExactEnvelope},
    };
    return keys;
}

const SettingsSection<FilterSettings>& FilterKeys()
{
    static const SettingsSection<FilterSettings> keys{
        {"Amp Reduction", &FilterSettings::ampReductionPct},
        {"Hipass Freq", &FilterSettings::hipassFreqHz},
        {"Lopass Freq", &FilterSettings::lopassFreqHz},
        {"Freq Ramp", &FilterSettings::freqRampHz},
        {"Time Ramp", &FilterSettings::timeRampMs},
    };
    return keys;
}

const SettingsSection<MultiToolSettings>& MultiToolKeys()
{
    static const SettingsSection<MultiToolSettings> keys{
        {"Append or write over", &MultiToolSettings::appendOrWriteOver},
        {"Exit RTS after acquisition?", &MultiToolSettings::exitRtsAfterAcquisition},
        {"Filter acquired data?", &MultiToolSettings::filterOn},
        {"Maximize acquired data?", &MultiToolSettings::maximizeOn},
        {"Ramp Acquired data?", &MultiToolSettings::rampOn},
        {"Begin Ramp Time", &MultiToolSettings::beginRampMs},
        {"End Ramp Time", &MultiToolSettings::endRampMs},
        {"filter High pass corner", &MultiToolSettings::highPassCornerHz},
        {"filter Low pass corner", &MultiToolSettings::lowPassCornerHz},
        {"Naming selection", &MultiToolSettings::namingSelection},
        {"Use noise filter?", &MultiToolSettings::noiseFilterOn},
    };
    return keys;
}

const SettingsSection<KlipNSaveSettings>& KlipKeys()
{
    static const SettingsSection<KlipNSaveSettings> keys{
        {"autofill on", &KlipNSaveSettings::autofillOn},
        {"insert file date", &KlipNSaveSettings::insertFileDate},
        {"insert file time", &KlipNSaveSettings::insertFileTime},
        {"filename template", &KlipNSaveSettings::filenameTemplate},
        {"open clip in window", &KlipNSaveSettings::openClipInWindow},
    };
    return keys;
}

} // namespace

int InsertNoiseSettings::Save(const std::string& file) const { return NoiseKeys().Save(file, kSection, *this); }
void InsertNoiseSettings::Load(const std::string& file) { NoiseKeys().Load(file, kSection, *this); }

int InsertToneSettings::Save(const std::string& file) const { return ToneKeys().Save(file, kSection, *this); }
void InsertToneSettings::Load(const std::string& file) { ToneKeys().Load(file, kSection, *this); }

int RampSettings::Save(const std::string& file) const { return RampKeys().Save(file, kSection, *this); }
void RampSettings::Load(const std::string& file) { RampKeys().Load(file, kSection, *this); }

int AmplitudeEnvelopeSettings::Save(const std::string& file) const
{
    return EnvelopeKeys().Save(file, kSection, *this);
}
void AmplitudeEnvelopeSettings::Load(const std::string& file) { EnvelopeKeys().Load(file, kSection, *this); }

int FilterSettings::Save(const std::string& file) const { return FilterKeys().Save(file, kSection, *this); }
void FilterSettings::Load(const std::string& file) { FilterKeys().Load(file, kSection, *this); }

int MultiToolSettings::Save(const std::string& file) const { return MultiToolKeys().Save(file, kSection, *this); }
void MultiToolSettings::Load(const std::string& file) { MultiToolKeys().Load(file, kSection, *this); }

int KlipNSaveSettings::Save(const std::string& file) const { return KlipKeys().Save(file, kSection, *this); }
void KlipNSaveSettings::Load(const std::string& file) { KlipKeys().Load(file, kSection, *this); }

} // namespace tavril

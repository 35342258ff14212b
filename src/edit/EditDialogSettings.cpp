#include "EditDialogSettings.h"

#include "SettingsStore.h"

namespace tavril {

namespace {

// Reals are stored as floats, the store's real type.
void LoadReal(const std::string& file, const char* section, const char* key, double& value)
{
    value = SettingsStore::ReadSettingFloat(file, section, key, static_cast<float>(value));
}

void LoadInt(const std::string& file, const char* section, const char* key, int& value)
{
    value = SettingsStore::ReadSettingInt(file, section, key, value);
}

int SaveReal(const std::string& file, const char* section, const char* key, double value)
{
    return SettingsStore::WriteSettingFloat(file, section, key, static_cast<float>(value));
}

int SaveInt(const std::string& file, const char* section, const char* key, int value)
{
    return SettingsStore::WriteSettingInt(file, section, key, value);
}

} // namespace

int InsertNoiseSettings::Save(const std::string& file) const
{
    return SaveReal(file, kSection, "Noise Amplitude", noiseAmplitudePct);
}

void InsertNoiseSettings::Load(const std::string& file) { LoadReal(file, kSection, "Noise Amplitude", noiseAmplitudePct); }

int InsertToneSettings::Save(const std::string& file) const
{
    int ok = SaveReal(file, kSection, "Tone Amplitude", toneAmplitudePct);
    ok &= SaveReal(file, kSection, "Tone Duration", toneDurationMs);
    ok &= SaveReal(file, kSection, "Tone Frequency", toneFrequencyHz);
    ok &= SaveInt(file, kSection, "FM Waveform Type", fmWaveformType);
    ok &= SaveReal(file, kSection, "FM Freq Range", fmFreqRangeHz);
    ok &= SaveReal(file, kSection, "FM Modulation Freq", fmModulationFreqHz);
    ok &= SaveInt(file, kSection, "AM Waveform Type", amWaveformType);
    ok &= SaveReal(file, kSection, "AM Amplitude Range", amAmplitudeRangePct);
    ok &= SaveReal(file, kSection, "AM Modulation Freq", amModulationFreqHz);
    return ok;
}

void InsertToneSettings::Load(const std::string& file)
{
    LoadReal(file, kSection, "Tone Amplitude", toneAmplitudePct);
    LoadReal(file, kSection, "Tone Duration", toneDurationMs);
    LoadReal(file, kSection, "Tone Frequency", toneFrequencyHz);
    LoadInt(file, kSection, "FM Waveform Type", fmWaveformType);
    LoadReal(file, kSection, "FM Freq Range", fmFreqRangeHz);
    LoadReal(file, kSection, "FM Modulation Freq", fmModulationFreqHz);
    LoadInt(file, kSection, "AM Waveform Type", amWaveformType);
    LoadReal(file, kSection, "AM Amplitude Range", amAmplitudeRangePct);
    LoadReal(file, kSection, "AM Modulation Freq", amModulationFreqHz);
}

int RampSettings::Save(const std::string& file) const
{
    return SaveInt(file, kSection, "Begin ms", beginMs) & SaveInt(file, kSection, "End ms", endMs);
}

void RampSettings::Load(const std::string& file)
{
    LoadInt(file, kSection, "Begin ms", beginMs);
    LoadInt(file, kSection, "End ms", endMs);
}

int AmplitudeEnvelopeSettings::Save(const std::string& file) const
{
    int ok = SettingsStore::WriteSettingString(file, kSection, "filename", filename);
    ok &= SaveInt(file, kSection, "resolution (ms)", resolutionMs);
    ok &= SaveInt(file, kSection, "use exact envelope", useExactEnvelope);
    return ok;
}

void AmplitudeEnvelopeSettings::Load(const std::string& file)
{
    filename = SettingsStore::ReadSettingString(file, kSection, "filename", filename);
    LoadInt(file, kSection, "resolution (ms)", resolutionMs);
    LoadInt(file, kSection, "use exact envelope", useExactEnvelope);
}

int FilterSettings::Save(const std::string& file) const
{
    int ok = SaveReal(file, kSection, "Amp Reduction", ampReductionPct);
    ok &= SaveReal(file, kSection, "Hipass Freq", hipassFreqHz);
    ok &= SaveReal(file, kSection, "Lopass Freq", lopassFreqHz);
    ok &= SaveReal(file, kSection, "Freq Ramp", freqRampHz);
    ok &= SaveReal(file, kSection, "Time Ramp", timeRampMs);
    return ok;
}

void FilterSettings::Load(const std::string& file)
{
    LoadReal(file, kSection, "Amp Reduction", ampReductionPct);
    LoadReal(file, kSection, "Hipass Freq", hipassFreqHz);
    LoadReal(file, kSection, "Lopass Freq", lopassFreqHz);
    LoadReal(file, kSection, "Freq Ramp", freqRampHz);
    LoadReal(file, kSection, "Time Ramp", timeRampMs);
}

int MultiToolSettings::Save(const std::string& file) const
{
    int ok = SaveInt(file, kSection, "Append or write over", appendOrWriteOver);
    ok &= SaveInt(file, kSection, "Exit RTS after acquisition?", exitRtsAfterAcquisition);
    ok &= SaveInt(file, kSection, "Filter acquired data?", filterOn);
    ok &= SaveInt(file, kSection, "Maximize acquired data?", maximizeOn);
    ok &= SaveInt(file, kSection, "Ramp Acquired data?", rampOn);
    ok &= SaveInt(file, kSection, "Begin Ramp Time", beginRampMs);
    ok &= SaveInt(file, kSection, "End Ramp Time", endRampMs);
    ok &= SettingsStore::WriteSettingFloat(file, kSection, "filter High pass corner", highPassCornerHz);
    ok &= SettingsStore::WriteSettingFloat(file, kSection, "filter Low pass corner", lowPassCornerHz);
    ok &= SaveInt(file, kSection, "Naming selection", namingSelection);
    ok &= SaveInt(file, kSection, "Use noise filter?", noiseFilterOn);
    return ok;
}

void MultiToolSettings::Load(const std::string& file)
{
    LoadInt(file, kSection, "Append or write over", appendOrWriteOver);
    LoadInt(file, kSection, "Exit RTS after acquisition?", exitRtsAfterAcquisition);
    LoadInt(file, kSection, "Filter acquired data?", filterOn);
    LoadInt(file, kSection, "Maximize acquired data?", maximizeOn);
    LoadInt(file, kSection, "Ramp Acquired data?", rampOn);
    LoadInt(file, kSection, "Begin Ramp Time", beginRampMs);
    LoadInt(file, kSection, "End Ramp Time", endRampMs);
    highPassCornerHz = SettingsStore::ReadSettingFloat(file, kSection, "filter High pass corner", highPassCornerHz);
    lowPassCornerHz = SettingsStore::ReadSettingFloat(file, kSection, "filter Low pass corner", lowPassCornerHz);
    LoadInt(file, kSection, "Naming selection", namingSelection);
    LoadInt(file, kSection, "Use noise filter?", noiseFilterOn);
}

int KlipNSaveSettings::Save(const std::string& file) const
{
    int ok = SaveInt(file, kSection, "autofill on", autofillOn);
    ok &= SaveInt(file, kSection, "insert file date", insertFileDate);
    ok &= SaveInt(file, kSection, "insert file time", insertFileTime);
    ok &= SettingsStore::WriteSettingString(file, kSection, "filename template", filenameTemplate);
    ok &= SaveInt(file, kSection, "open clip in window", openClipInWindow);
    return ok;
}

void KlipNSaveSettings::Load(const std::string& file)
{
    LoadInt(file, kSection, "autofill on", autofillOn);
    LoadInt(file, kSection, "insert file date", insertFileDate);
    LoadInt(file, kSection, "insert file time", insertFileTime);
    filenameTemplate = SettingsStore::ReadSettingString(file, kSection, "filename template", filenameTemplate);
    LoadInt(file, kSection, "open clip in window", openClipInWindow);
}

} // namespace tavril

#include "CAcquisitionSettings.h"

#include "SettingsSection.h"

#include <algorithm>

namespace tavril {

namespace {

const SettingsSection<PostAcquisitionSettings>& PostKeys()
{
    using S = PostAcquisitionSettings;
    static const SettingsSection<S> keys = {
        {"Append or write over", &S::appendOrWriteOver},
        {"Use Autoname?", &S::useAutoname},
        {"Exit RTS after acquisition?", &S::exitAfterAcquisition},
        {"Filter acquired data?", &S::filter},
        {"Maximize acquired data?", &S::maximize},
        {"Ramp Acquired data?", &S::ramp},
        {"Begin Ramp Time", &S::beginRampMs},
        {"End Ramp Time", &S::endRampMs},
        {"Use noise filter?", &S::noiseFilter},
        {"filter High pass corner", &S::highPassHz},
        {"filter Low pass corner", &S::lowPassHz},
    };
    return keys;
}

const SettingsSection<RecordingSpectrogramSettings>& SpectrogramKeys()
{
    using S = RecordingSpectrogramSettings;
    static const SettingsSection<S> keys = {
        {"FFT window type", &S::windowType},
        {"RTS FFT size", &S::rtsFftSizeCode},
        {"Pause FFT size", &S::pauseFftSizeCode},
        {"grayscale type", &S::grayscaleType},
        {"spec gain", &S::gain},
        {"spec white threshold", &S::whiteThreshold},
        {"show amplitude envelope", &S::showAmplitude},
    };
    return keys;
}

const SettingsSection<CAcquisitionSettings>& AcquisitionKeys()
{
    using S = CAcquisitionSettings;
    static const SettingsSection<S> keys = {
        {"enable scrolling", &S::enableScrolling},
        {"sample size", &S::sampleSize},
        {"sample rate", &S::sampleRate},
        {"do post acquisition processing", &S::postProcessing},
        {"circular buffer size (secs)", &S::bufferSecs},
        {"ms per line", &S::msPerLine},
        {"open new display after acquisition", &S::openNewDisplay},
        {"Sound card has full duplex", &S::fullDuplex},
        {"num channels", &S::channels},
        {"recording device name", &S::deviceName},
        {"append or write over", &S::writeOver},
        {"autodetector on", &S::detectorOn},
        {"exit on store", &S::exitOnStore},
        {"file name settings", &S::fileNameSettings},
        {"disable screen saver", &S::disableScreenSaver},
        {"Stop time", &S::stopTimeMin},
        {"Check for stop time", &S::checkStopTime},
        {"draw stored sounds", &S::drawStoredSounds},
        {"exit on record timeout", &S::exitOnRecordTimeout},
        {"show level when detecting", &S::showLevelWhenDetecting},
        {"disable detector during playback", &S::disableDetectorDuringPlayback},
        {"store buffer when filled", &S::storeBufferWhenFilled},
        {"decimate input", &S::decimate},
        {"decimation factor", &S::decimationFactor},
    };
    return keys;
}

const SettingsSection<RecognitionSupervisorSettings>& SupervisorKeys()
{
    using S = RecognitionSupervisorSettings;
    static const SettingsSection<S> keys = {
        {"Sound detect on", &S::soundDetectOn},
        {"Number of training epochs", &S::trainingEpochs},
        {"Report frequency", &S::reportFrequency},
        {"Error exit", &S::errorExit},
        {"Number of elements", &S::elements},
        {"Output to outputfile", &S::outputToOutputFile},
        {"Output to logfile", &S::outputToLogFile},
        {"Output to screen", &S::outputToScreen},
        {"Network file", &S::networkFile},
        {"Output file", &S::outputFile},
        {"Testing file", &S::testingFile},
        {"Training file", &S::trainingFile},
        {"Sound recognize on", &S::soundRecognizeOn},
        {"Learning rate", &S::learningRate},
        {"Momentum", &S::momentum},
        {"Minimum elements to trigger recogniser", &S::minElementsToTrigger},
        {"Current num training trials", &S::currentTrainingTrials},
        {"Num hidden layers", &S::hiddenLayers},
        {"Num output layers", &S::outputLayers},
    };
    return keys;
}

} // namespace

int PostAcquisitionSettings::Save(const std::string& file, const std::string& suffix) const
{
    return PostKeys().Save(file, kSection + suffix, *this);
}

void PostAcquisitionSettings::Load(const std::string& file, const std::string& suffix)
{
    PostKeys().Load(file, kSection + suffix, *this);
}

int RecordingSpectrogramSettings::Save(const std::string& file, const std::string& suffix) const
{
    return SpectrogramKeys().Save(file, kSection + suffix, *this);
}

void RecordingSpectrogramSettings::Load(const std::string& file, const std::string& suffix)
{
    SpectrogramKeys().Load(file, kSection + suffix, *this);
    rtsFftSizeCode = std::clamp(rtsFftSizeCode, 0, 5);
    pauseFftSizeCode = std::clamp(pauseFftSizeCode, 0, 5);
}

double CAcquisitionSettings::RingRate() const
{
    return decimate && decimationFactor > 1 ? double(sampleRate) / decimationFactor : double(sampleRate);
}

std::string CAcquisitionSettings::Suffix(int recorderNumber)
{
    return " Virtual Recorder " + std::to_string(recorderNumber);
}

int CAcquisitionSettings::Save(const std::string& file, const std::string& suffix) const
{
    int ok = AcquisitionKeys().Save(file, kSection + suffix, *this);
    ok &= post.Save(file, suffix);
    ok &= spectrogram.Save(file, suffix);
    ok &= detector.Save(file, suffix);
    ok &= autoname.Save(file, suffix);
    ok &= series.Save(file, suffix);
    return ok;
}

void CAcquisitionSettings::Load(const std::string& file, const std::string& suffix)
{
    AcquisitionKeys().Load(file, kSection + suffix, *this);
    // A hand-edited file must not make the ring absurd or the format unknown.
    sampleSize = std::clamp(sampleSize, 0, 2);
    channels = std::clamp(channels, 1, 2);
    bufferSecs = std::clamp(bufferSecs, 1, 3600);
    sampleRate = std::clamp(sampleRate, 1000, 384000);
    decimationFactor = std::clamp(decimationFactor, 0, 64);
    post.Load(file, suffix);
    spectrogram.Load(file, suffix);
    detector.Load(file, suffix);
    autoname.Load(file, suffix);
    series.Load(file, suffix);
}

int RecognitionSupervisorSettings::Save(const std::string& file, const std::string& suffix) const
{
    return SupervisorKeys().Save(file, kSection + suffix, *this);
}

void RecognitionSupervisorSettings::Load(const std::string& file, const std::string& suffix)
{
    SupervisorKeys().Load(file, kSection + suffix, *this);
    trainingEpochs = std::clamp(trainingEpochs, 0, 1000000);
    reportFrequency = std::clamp(reportFrequency, 0, 100000);
    elements = std::clamp(elements, 0, 100);
    minElementsToTrigger = std::clamp(minElementsToTrigger, 0.0f, 100.0f);
    hiddenLayers = std::clamp(hiddenLayers, 0, 2000);
    outputLayers = std::clamp(outputLayers, 0, 200);
}

} // namespace tavril

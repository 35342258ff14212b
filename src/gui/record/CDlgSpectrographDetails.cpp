#include "record/CDlgSpectrographDetails.h"

#include "common/DialogFields.h"
#include "record/RecordFields.h"

#include <QFormLayout>

namespace tavril {

CDlgSpectrographDetails::CDlgSpectrographDetails(const RecordingSpectrogramSettings& s, std::string settingsFile,
                                                 std::string suffix, QWidget* parent)
    : QDialog(parent), m_initial(s), m_file(std::move(settingsFile)), m_suffix(std::move(suffix))
{
    setWindowTitle(QStringLiteral("Spectrograph Details"));
    m_window = MakeChoice({"Blackman", "Hamming", "Hanning"}, s.windowType, this);
    // Each entry is the transform length: twice the spectral lines.
    m_rtsSize = MakeChoice({"64", "128", "256", "512", "1024", "2048"}, s.rtsFftSizeCode, this);
    m_pauseSize = MakeChoice({"64", "128", "256", "512", "1024", "2048"}, s.pauseFftSizeCode, this);
    m_gain = MakeRealField(-100.0, 100.0, s.gain, 1, this);
    m_white = MakeIntField(0, 255, s.whiteThreshold, this);
    m_amplitude = MakeCheck(QStringLiteral("Show Amplitide"), s.showAmplitude, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("FFT Window Type"), m_window);
    form->addRow(QStringLiteral("Transform size while scrolling"), m_rtsSize);
    form->addRow(QStringLiteral("Transform size when frozen"), m_pauseSize);
    form->addRow(QStringLiteral("Gain (-100 to +100):"), m_gain);
    form->addRow(QStringLiteral("White threshold (0 - 255):"), m_white);
    form->addRow(m_amplitude);
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(buttons, this,
                  QStringLiteral("How the live spectrogram is drawn while recording. Each column transforms the "
                                 "chosen number of samples; larger transforms resolve frequency more finely and "
                                 "time more coarsely. Gain darkens (positive) or lightens (negative) the picture; "
                                 "levels below the white threshold are drawn white. \"Show Amplitide\" draws the "
                                 "level envelope below the spectrogram."));
    StackDialog(this, {form, buttons});
}

RecordingSpectrogramSettings CDlgSpectrographDetails::Settings() const
{
    RecordingSpectrogramSettings s = m_initial;
    s.windowType = m_window->currentIndex();
    s.rtsFftSizeCode = m_rtsSize->currentIndex();
    s.pauseFftSizeCode = m_pauseSize->currentIndex();
    s.gain = float(m_gain->value());
    s.whiteThreshold = m_white->value();
    s.showAmplitude = m_amplitude->isChecked();
    return s;
}

bool CDlgSpectrographDetails::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_file, m_suffix),
                              QStringLiteral("The spectrograph details could not be saved."));
}

} // namespace tavril

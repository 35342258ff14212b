#pragma once
// CDlgAmplitudeEnvelope: "Amplitude Envelope": the sound file whose envelope
// shapes the selected channel, whether that file is the envelope itself or a
// natural sound whose waveform shape is estimated, and the estimation
// resolution. "Make default" stores the values in "Amplitude Envelope
// Details". Browse asks through the prompt. UI thread only.

#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QButtonGroup;
class QLineEdit;
class QSpinBox;

namespace tavril {

class IPrompt;

class CDlgAmplitudeEnvelope : public QDialog {
    Q_OBJECT
public:
    CDlgAmplitudeEnvelope(const AmplitudeEnvelopeSettings& settings, std::string settingsFile, IPrompt& prompt,
                          QWidget* parent = nullptr);
    AmplitudeEnvelopeSettings Settings() const;
    QLineEdit* FileField() const { return m_file; }
    QSpinBox* ResolutionField() const { return m_resolution; }
    // Ids 0 exact, 1 calculate.
    QButtonGroup* KindGroup() const { return m_kind; }
    void Browse();
    bool MakeDefault();
    void accept() override;

private:
    std::string m_settingsFile;
    IPrompt& m_prompt;
    QLineEdit* m_file;
    QSpinBox* m_resolution;
    QButtonGroup* m_kind;
};

} // namespace tavril

#pragma once
// CDlgImportHeaderless: "Import Headerless Binary File": how the bytes of a
// raw sample file are to be read (width, rate, channels, offset of the first
// sample) and whether the import is written as WAV or AIFF. "Make default"
// stores the values in "Import Headerless Binary Dialog". UI thread only.

#include "ImportHeaderless.h"

#include <QDialog>
#include <string>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace tavril {

class CDlgImportHeaderless : public QDialog {
    Q_OBJECT
public:
    CDlgImportHeaderless(const ImportHeaderlessSettings& settings, std::string settingsFile,
                         QWidget* parent = nullptr);
    ImportHeaderlessSettings Settings() const;
    QComboBox* BitsField() const { return m_bits; }
    QSpinBox* RateField() const { return m_rate; }
    QSpinBox* ChannelsField() const { return m_channels; }
    QLineEdit* OffsetField() const { return m_offset; }
    // Ids 0 WAV, 1 AIFF.
    QButtonGroup* TypeGroup() const { return m_type; }
    bool MakeDefault();

private:
    std::string m_settingsFile;
    QComboBox* m_bits;
    QSpinBox* m_rate;
    QSpinBox* m_channels;
    QLineEdit* m_offset;
    QButtonGroup* m_type;
};

} // namespace tavril

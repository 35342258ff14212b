#include "edit/CDlgImportHeaderless.h"

#include "common/DialogFields.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace tavril {

CDlgImportHeaderless::CDlgImportHeaderless(const ImportHeaderlessSettings& s, std::string settingsFile,
                                           QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Import Headerless Binary File"));
    m_bits = new QComboBox(this);
    for (uint32_t bits : ImportHeaderlessSettings::kBitsChoices) m_bits->addItem(QString::number(bits));
    m_bits->setCurrentIndex(s.bitsIndex >= 0 && s.bitsIndex < 5 ? s.bitsIndex : 2);
    m_rate = MakeIntField(1, 10000000, s.sampleRate > 0 ? s.sampleRate : 22050, this);
    m_channels = MakeIntField(1, 1024, s.channels > 0 ? s.channels : 1, this);
    // Offsets of large recordings pass the range of a spin control.
    m_offset = new QLineEdit(QString::number(s.byteOffset > 0 ? s.byteOffset : 0), this);
    m_offset->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,18}")), m_offset));

    m_type = new QButtonGroup(this);
    auto* wav = new QRadioButton(QStringLiteral("WAV"), this);
    auto* aiff = new QRadioButton(QStringLiteral("AIFF"), this);
    m_type->addButton(wav, 0);
    m_type->addButton(aiff, 1);
    (s.fileType == 0 ? wav : aiff)->setChecked(true);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(wav);
    typeRow->addWidget(aiff);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Bits per sample"), m_bits);
    form->addRow(QStringLiteral("Sample rate (Hz)"), m_rate);
    form->addRow(QStringLiteral("Number of channels"), m_channels);
    form->addRow(QStringLiteral("Byte offset to first sample"), m_offset);
    form->addRow(QStringLiteral("Save as file type:"), typeRow);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    StackDialog(this, {form, buttons});
}

ImportHeaderlessSettings CDlgImportHeaderless::Settings() const
{
    ImportHeaderlessSettings s;
    s.bitsIndex = m_bits->currentIndex() < 0 ? 2 : m_bits->currentIndex();
    s.sampleRate = m_rate->value();
    s.channels = m_channels->value();
    s.byteOffset = m_offset->text().toLong();
    s.fileType = m_type->checkedId() == 1 ? 1 : 0;
    return s;
}

bool CDlgImportHeaderless::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The import settings could not be saved."));
}

} // namespace tavril

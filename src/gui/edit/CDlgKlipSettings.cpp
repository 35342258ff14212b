#include "edit/CDlgKlipSettings.h"

#include "common/DialogFields.h"

#include <QCheckBox>
#include <QLineEdit>

namespace tavril {

CDlgKlipSettings::CDlgKlipSettings(const KlipNSaveSettings& s, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Klip n' Save Settings"));
    m_autofill = new QCheckBox(
        QStringLiteral("Auto-fill filename using template below (example: \"%e %y%m%d_%H%M%S %f\" see help for more "
                       "info):"),
        this);
    m_autofill->setChecked(s.autofillOn != 0);
    m_template = new QLineEdit(QString::fromStdString(s.filenameTemplate), this);
    m_template->setToolTip(
        QStringLiteral("%f sound file name, %c channel, %e a text asked for each clip, %y %m %d date, %H %M %S time"));
    m_fileDate = new QCheckBox(QStringLiteral("Use file creation date for %y %m %d fields"), this);
    m_fileDate->setChecked(s.insertFileDate != 0);
    m_fileTime = new QCheckBox(QStringLiteral("Use cursor time shown in clip window for %H %M %S fields"), this);
    m_fileTime->setChecked(s.insertFileTime != 0);
    m_openClip = new QCheckBox(QStringLiteral("Open every clip file in a new window"), this);
    m_openClip->setChecked(s.openClipInWindow != 0);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                           QStringLiteral("The Klip n' Save settings could not be stored."));
    });
    StackDialog(this, {m_autofill, m_template, m_fileDate, m_fileTime, m_openClip, buttons});
}

KlipNSaveSettings CDlgKlipSettings::Settings() const
{
    KlipNSaveSettings s;
    s.autofillOn = m_autofill->isChecked() ? 1 : 0;
    s.insertFileDate = m_fileDate->isChecked() ? 1 : 0;
    s.insertFileTime = m_fileTime->isChecked() ? 1 : 0;
    s.filenameTemplate = m_template->text().toStdString();
    s.openClipInWindow = m_openClip->isChecked() ? 1 : 0;
    return s;
}

} // namespace tavril

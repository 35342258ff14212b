#pragma once
// CDlgKlipSettings: "Klip n' Save Settings": whether clip names are filled in
// from a template, which moments the date and time fields take, the template
// itself, and whether each clip opens in a window. OK changes the values
// until the program ends; "Make default" writes them to `settingsFile` ("":
// the default settings file). UI thread only.

#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;

namespace tavril {

class CDlgKlipSettings : public QDialog {
    Q_OBJECT
public:
    CDlgKlipSettings(const KlipNSaveSettings& settings, std::string settingsFile, QWidget* parent = nullptr);
    KlipNSaveSettings Settings() const;
    QCheckBox* AutofillBox() const { return m_autofill; }
    QCheckBox* FileDateBox() const { return m_fileDate; }
    QCheckBox* FileTimeBox() const { return m_fileTime; }
    QLineEdit* TemplateField() const { return m_template; }
    QCheckBox* OpenClipBox() const { return m_openClip; }

private:
    QCheckBox* m_autofill;
    QCheckBox* m_fileDate;
    QCheckBox* m_fileTime;
    QLineEdit* m_template;
    QCheckBox* m_openClip;
    std::string m_settingsFile;
};

} // namespace tavril

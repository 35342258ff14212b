#pragma once
// CDlgKlipSettings: "Klip n' Save Settings": whether clip names are filled in
// from a template, which moments the date and time fields take, the template
// itself, and whether each clip opens in a window. The dialog has no "Make
// default": the caller stores the values in "Klip n Save Settings" on OK, so
// they hold in the next session too. UI thread only.

#include "EditDialogSettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace tavril {

class CDlgKlipSettings : public QDialog {
    Q_OBJECT
public:
    explicit CDlgKlipSettings(const KlipNSaveSettings& settings, QWidget* parent = nullptr);
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
};

} // namespace tavril

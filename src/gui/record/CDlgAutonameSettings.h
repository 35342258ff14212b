#pragma once
// CDlgAutonameSettings: "Filename Autoname Settings", the three fields a
// composed file name is built from (each enabled or not, free text, a letter
// or a number, with a label). CDlgSetFilename: "Set Filename:", where the
// user fills those fields, sees the folder's sound files for reference and
// the name they compose, or browses to a sound file to start from.
// UI thread only.

#include "SeriesNaming.h"

#include <QDialog>
#include <QStringList>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tavril {

class CDlgAutonameSettings : public QDialog {
    Q_OBJECT
public:
    CDlgAutonameSettings(const AutonameSettings& s, std::string settingsFile, std::string suffix,
                         QWidget* parent = nullptr);
    AutonameSettings Settings() const;
    bool MakeDefault();

    QCheckBox* m_enabled[3];
    QComboBox* m_type[3];
    QLineEdit* m_label[3];

private:
    std::string m_file, m_suffix;
};

class CDlgSetFilename : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxListed = 2000;

    CDlgSetFilename(const AutonameSettings& s, const QString& folder, QWidget* parent = nullptr);
    // The composed name, with ".wav".
    QString FileName() const;
    QString Folder() const { return m_folder; }
    // Fills the fields from a file name (without its folder).
    void TakeName(const QString& name);
    // Each Letter and Number field steps on until the composed name is not
    // among the folder's files.
    void StepToFreeName();
    QStringList Listed() const;

    QLineEdit* m_value[3] = {};

private:
    void Refresh();
    void ListFolder();

    AutonameSettings m_settings;
    QString m_folder;
    QListWidget* m_files;
    QLabel* m_selected;
};

} // namespace tavril

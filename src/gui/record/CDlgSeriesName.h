#pragma once
// CDlgSeriesName: "Sound File Series Name", the folder and name pattern that
// series stores are named by, the series number and its stop, the optional
// start time for the time codes and the list file. Shows, read-only, how
// many files this recording has saved. "Make default" writes "Series File
// Settings" with the owner's suffix. UI thread only.

#include "SeriesNaming.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace tavril {

class CDlgSeriesName : public QDialog {
    Q_OBJECT
public:
    CDlgSeriesName(const SeriesSettings& s, int savedCount, std::string settingsFile, std::string suffix,
                   QWidget* parent = nullptr);
    SeriesSettings Settings() const;
    bool MakeDefault();

    QLineEdit* m_name;
    QLineEdit* m_path;
    QSpinBox* m_number;
    QCheckBox* m_checkStop;
    QSpinBox* m_stop;
    QCheckBox* m_setStart;
    QSpinBox* m_hours;
    QSpinBox* m_minutes;
    QSpinBox* m_seconds;
    QCheckBox* m_saveList;
    QLineEdit* m_listName;
    QLineEdit* m_savedCount;

private:
    SeriesSettings m_initial;
    std::string m_file, m_suffix;
};

} // namespace tavril

#include "record/CDlgSeriesName.h"

#include "common/DialogFields.h"
#include "record/RecordFields.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <climits>

namespace tavril {

CDlgSeriesName::CDlgSeriesName(const SeriesSettings& s, int savedCount, std::string settingsFile, std::string suffix,
                               QWidget* parent)
    : QDialog(parent), m_initial(s), m_file(std::move(settingsFile)), m_suffix(std::move(suffix))
{
    setWindowTitle(QStringLiteral("Sound File Series Name"));
    m_name = new QLineEdit(QString::fromStdString(s.seriesName), this);
    m_path = new QLineEdit(QString::fromStdString(s.seriesPath), this);
    auto* browse = new QPushButton(QStringLiteral("Browse to folder location"), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Series file folder:"),
                                                                 m_path->text().trimmed());
        if (!folder.isEmpty()) m_path->setText(folder);
    });
    m_number = MakeIntField(0, INT_MAX, s.seriesNumber, this);
    m_checkStop = MakeCheck(QStringLiteral("Stop at series number:"), s.checkStopNumber, this);
    m_stop = MakeIntField(0, INT_MAX, s.stopNumber, this);
    m_setStart = MakeCheck(QStringLiteral("Series time format codes start at this time when recording begins:"),
                           s.setStartTime, this);
    m_hours = MakeIntField(0, 23, s.startHours, this);
    m_minutes = MakeIntField(0, 59, s.startMinutes, this);
    m_seconds = MakeIntField(0, 59, s.startSeconds, this);
    m_saveList = MakeCheck(QStringLiteral("Save a list of series file names to text file:"), s.saveFileList, this);
    m_listName = new QLineEdit(QString::fromStdString(s.fileListName), this);
    m_savedCount = new QLineEdit(QString::number(savedCount), this);
    m_savedCount->setReadOnly(true);

    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("Series name (see help for info on time/date format codes)"), this));
    form->addRow(m_name);
    auto* folder = new QHBoxLayout;
    folder->addWidget(m_path, 1);
    folder->addWidget(browse);
    form->addRow(QStringLiteral("Series file folder:"), folder);
    form->addRow(QStringLiteral("Start at series number:"), m_number);
    form->addRow(m_checkStop, m_stop);
    form->addRow(m_setStart);
    auto* hms = new QHBoxLayout;
    hms->addWidget(m_hours);
    hms->addWidget(new QLabel(QStringLiteral(":"), this));
    hms->addWidget(m_minutes);
    hms->addWidget(new QLabel(QStringLiteral(":"), this));
    hms->addWidget(m_seconds);
    form->addRow(hms);
    form->addRow(m_saveList);
    form->addRow(m_listName);
    form->addRow(QStringLiteral("session file save count:"), m_savedCount);
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(buttons, this,
                  QStringLiteral(
                      "Each stored sound is named from the series name and saved in the series folder.\n"
                      "Codes in the name:\n"
                      "  %n  the series number (four places), raised after each store\n"
                      "  %c  the channel number\n"
                      "  %F  the milliseconds of the recording time\n"
                      "  %Y %m %d  year, month, day;  %H %M %S  hours, minutes, seconds\n"
                      "  (and the other date and time codes of strftime).\n"
                      "A name without %n that repeats gets a running count. Without any code the series number "
                      "is added to the name. The folder may hold date codes too (one folder per day with %Y%m%d)."));
    StackDialog(this, {form, buttons});
}

SeriesSettings CDlgSeriesName::Settings() const
{
    SeriesSettings s = m_initial;
    s.seriesName = m_name->text().toStdString();
    s.seriesPath = m_path->text().toStdString();
    s.seriesNumber = m_number->value();
    s.checkStopNumber = m_checkStop->isChecked();
    s.stopNumber = m_stop->value();
    s.setStartTime = m_setStart->isChecked();
    s.startHours = m_hours->value();
    s.startMinutes = m_minutes->value();
    s.startSeconds = m_seconds->value();
    s.saveFileList = m_saveList->isChecked();
    s.fileListName = m_listName->text().toStdString();
    return s;
}

bool CDlgSeriesName::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_file, m_suffix),
                              QStringLiteral("The series settings could not be saved."));
}

} // namespace tavril

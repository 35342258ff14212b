#include "record/CDlgAutonameSettings.h"

#include "common/DialogFields.h"
#include "record/RecordFields.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace tavril {

CDlgAutonameSettings::CDlgAutonameSettings(const AutonameSettings& s, std::string settingsFile, std::string suffix,
                                           QWidget* parent)
    : QDialog(parent), m_file(std::move(settingsFile)), m_suffix(std::move(suffix))
{
    setWindowTitle(QStringLiteral("Filename Autoname Settings"));
    auto* layout = StackDialog(this, {});
    for (int i = 0; i < 3; ++i) {
        auto* box = new QGroupBox(QStringLiteral("Field %1").arg(i + 1), this);
        auto* form = new QFormLayout(box);
        m_enabled[i] = MakeCheck(QStringLiteral("Enabled"), s.enabled[i], box);
        m_type[i] = MakeChoice({"Free Text", "Letter", "Number"}, s.entryType[i], box);
        m_label[i] = new QLineEdit(QString::fromStdString(s.label[i]), box);
        form->addRow(m_enabled[i]);
        form->addRow(QStringLiteral("Entry type:"), m_type[i]);
        form->addRow(QStringLiteral("Label:"), m_label[i]);
        layout->addWidget(box);
    }
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(buttons, this,
                  QStringLiteral("A file name is composed of up to three fields, in order. A field holds free text, "
                                 "a letter or a number; letters and numbers step on to the next free name."));
    layout->addWidget(buttons);
}

AutonameSettings CDlgAutonameSettings::Settings() const
{
    AutonameSettings s;
    for (int i = 0; i < 3; ++i) {
        s.enabled[i] = m_enabled[i]->isChecked();
        s.entryType[i] = m_type[i]->currentIndex();
        s.label[i] = m_label[i]->text().toStdString();
    }
    return s;
}

bool CDlgAutonameSettings::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_file, m_suffix),
                              QStringLiteral("The autoname settings could not be saved."));
}

// ------------------------------------------------------------ Set Filename:

CDlgSetFilename::CDlgSetFilename(const AutonameSettings& s, const QString& folder, QWidget* parent)
    : QDialog(parent), m_settings(s), m_folder(folder)
{
    setWindowTitle(QStringLiteral("Set Filename:"));
    auto* form = new QFormLayout;
    for (int i = 0; i < 3; ++i) {
        if (!s.enabled[i]) continue;
        m_value[i] = new QLineEdit(this);
        if (s.entryType[i] == 1) m_value[i]->setText(QStringLiteral("A"));
        if (s.entryType[i] == 2) m_value[i]->setText(QStringLiteral("1"));
        connect(m_value[i], &QLineEdit::textChanged, this, [this] { Refresh(); });
        form->addRow(QString::fromStdString(s.label[i].empty() ? "Field " + std::to_string(i + 1) : s.label[i]),
                     m_value[i]);
    }
    m_files = new QListWidget(this);
    m_selected = new QLabel(this);
    m_selected->setObjectName(QStringLiteral("selected"));
    form->addRow(m_files);
    form->addRow(QStringLiteral("Filename selected:"), m_selected);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Select a Sound File:"), m_folder,
                                                          QStringLiteral("Sound files (*.wav)"));
        if (file.isEmpty()) return;
        m_folder = QFileInfo(file).absolutePath();
        ListFolder();
        TakeName(QFileInfo(file).fileName());
    });
    form->addRow(browse);
    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {form, buttons});
    ListFolder();
    StepToFreeName();
}

void CDlgSetFilename::ListFolder()
{
    m_files->clear();
    QStringList names = QDir(m_folder).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    if (names.size() > kMaxListed) names = names.mid(0, kMaxListed);
    m_files->addItems(names);
}

QStringList CDlgSetFilename::Listed() const
{
    QStringList names;
    for (int i = 0; i < m_files->count(); ++i) names << m_files->item(i)->text();
    return names;
}

QString CDlgSetFilename::FileName() const
{
    QStringList parts;
    for (QLineEdit* v : m_value)
        if (v && !v->text().isEmpty()) parts << v->text();
    return parts.join(QLatin1Char('_')) + QStringLiteral(".wav");
}

void CDlgSetFilename::TakeName(const QString& name)
{
    const QStringList parts = QFileInfo(name).completeBaseName().split(QLatin1Char('_'));
    int k = 0;
    for (QLineEdit* v : m_value)
        if (v && k < parts.size()) v->setText(parts[k++]);
    Refresh();
}

void CDlgSetFilename::StepToFreeName()
{
    const QStringList taken = Listed();
    // The last stepping field moves first, like the last digit of a count.
    for (int guard = 0; guard < kMaxListed + 1 && taken.contains(FileName(), Qt::CaseInsensitive); ++guard) {
        bool stepped = false;
        for (int i = 2; i >= 0 && !stepped; --i) {
            if (!m_value[i]) continue;
            const QString t = m_value[i]->text();
            if (m_settings.entryType[i] == 2) {
                m_value[i]->setText(QString::number(t.toLongLong() + 1));
                stepped = true;
            } else if (m_settings.entryType[i] == 1 && t.size() == 1 && t[0] < QLatin1Char('Z')) {
                m_value[i]->setText(QString(QChar(t[0].unicode() + 1)));
                stepped = true;
            }
        }
        if (!stepped) break;
    }
    Refresh();
}

void CDlgSetFilename::Refresh() { m_selected->setText(FileName()); }

} // namespace tavril

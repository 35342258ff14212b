#include "common/CQtPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace tavril {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

QStringList CQtPrompt::QtFilters(const std::string& filter) {
    QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (name.isEmpty() && patterns.isEmpty())
            continue;
        patterns.replace(';', ' ');
        // Descriptions that already list their patterns keep them once.
        int paren = name.indexOf('(');
        if (paren >= 0)
            name = name.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(name.isEmpty() ? patterns : name, patterns);
    }
    return out;
}

void CQtPrompt::ShowMessage(const std::string& text, const std::string& title) {
    QMessageBox::information(m_parent, Q(title), Q(text));
}

IPrompt::Reply CQtPrompt::AskYesNoCancel(const std::string& text, const std::string& title) {
    auto r = QMessageBox::question(m_parent, Q(title), Q(text),
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (r == QMessageBox::Yes)
        return Reply::Yes;
    if (r == QMessageBox::No)
        return Reply::No;
    return Reply::Cancel;
}

bool CQtPrompt::ChoosePath(const PathRequest& request, std::string& path) {
    QFileDialog dlg(m_parent, Q(request.title), Q(request.proposedPath));
    const QStringList filters = QtFilters(request.filter);
    dlg.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[request.filterIndex - 1]);
    if (request.forSaving) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        if (!request.defaultExtension.empty())
            dlg.setDefaultSuffix(Q(request.defaultExtension));
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    path = dlg.selectedFiles().join('\n').toStdString();
    return true;
}

bool CQtPrompt::AskText(const std::string& question, const std::string& title, std::string& text) {
    bool ok = false;
    QString answer = QInputDialog::getText(m_parent, Q(title), Q(question), QLineEdit::Normal, Q(text), &ok);
    if (!ok)
        return false;
    text = answer.toStdString();
    return true;
}

void CQtPrompt::BeginProgress(const std::string& text) {
    EndProgress();
    m_progress = new QProgressDialog(Q(text), QStringLiteral("Cancel"), 0, 1000, m_parent);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(300);
    m_progress->setValue(0);
}

bool CQtPrompt::UpdateProgress(double fraction) {
    if (!m_progress)
        return true;
    m_progress->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000));
    QApplication::processEvents();
    return !m_progress->wasCanceled();
}

void CQtPrompt::EndProgress() {
    delete m_progress;
    m_progress = nullptr;
}

} // namespace tavril

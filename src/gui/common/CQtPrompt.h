#pragma once
// CQtPrompt: the prompt interface answered with Qt's message boxes, file
// dialogs, input dialog and a progress dialog. Filters come in the
// "description|patterns|" form the program's texts use and are turned into
// Qt's "description (patterns)" form.
//
// Owned by main(); parents its dialogs to the given window. UI thread only.

#include "IPrompt.h"

#include <QString>
#include <QStringList>

class QProgressDialog;
class QWidget;

namespace tavril {

class CQtPrompt : public IPrompt {
public:
    explicit CQtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    void ShowMessage(const std::string& text, const std::string& title) override;
    Reply AskYesNoCancel(const std::string& text, const std::string& title) override;
    bool ChoosePath(const PathRequest& request, std::string& path) override;
    bool AskText(const std::string& question, const std::string& title, std::string& text) override;
    void BeginProgress(const std::string& text) override;
    bool UpdateProgress(double fraction) override;
    void EndProgress() override;

    // "Wave files|*.wav|All files (*.*)|*.*|" as Qt name filters.
    static QStringList QtFilters(const std::string& filter);

private:
    QWidget* m_parent;
    QProgressDialog* m_progress = nullptr;
};

} // namespace tavril

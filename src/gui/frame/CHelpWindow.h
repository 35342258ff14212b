#pragma once
// CHelpWindow: "&Help Topics" (F1): a guide to a first hour with the program,
// then every command with where it is in the menus, its keys and what it
// does, all read from the command table so that the help cannot fall behind
// the menus. Stays open beside the work; one per main frame.
//
// Owned by the main frame (a child window); UI thread only.

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace tavril {

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent);
    // The whole text, as HTML.
    static QString Html();
    QString PlainText() const;

private:
    QTextBrowser* m_browser;
};

} // namespace tavril

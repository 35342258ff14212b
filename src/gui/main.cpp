// tavril: the desktop program. Wires the prompt, the main frame and the
// settings together, opens the files named on the command line, and runs the
// event loop.
#include "CMainFrame.h"
#include "CQtPrompt.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavril"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRIL_VERSION));

    tavril::CQtPrompt prompt;
    tavril::CMainFrame frame(prompt);
    prompt.SetParent(&frame);
    frame.LoadStartupSettings();
    frame.show();

    const QStringList args = QApplication::arguments().mid(1);
    for (const QString& a : args) {
        if (a.startsWith(QLatin1Char('-')))
            continue;  // toolkit options were taken by QApplication
        frame.OpenAnyFile(a.toStdString());
    }
    return app.exec();
}

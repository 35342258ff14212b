#include "frame/CHelpWindow.h"

#include "CommandTable.h"

#include <QStringList>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <map>

namespace tavril {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Plain(const char* text) { return QString::fromLatin1(text).section('\t', 0, 0).remove('&').trimmed(); }

const char* MenuName(MenuKind k) {
    switch (k) {
    case MenuKind::Short: return "Menu (no window open)";
    case MenuKind::Full: return "Menu";
    case MenuKind::Context: return "Sound window's menu (right button)";
    case MenuKind::Insertion: return "Insertion menu";
    }
    return "";
}

const char* const kGuide = R"(
<h2>A first hour with Tavril</h2>
<ol>
<li><b>Open.</b> <i>File &gt; Open File...</i> (Ctrl+O) opens a sound (.wav, .aif), a saved display (.dsp)
or a settings file (.set); files can also be dropped on the window. Each sound opens in its own window as a
spectrogram; Alt+W shows the waveform and Alt+S the spectrogram again. Alt+Up and Alt+Down make the
spectrogram darker or lighter; <i>Options &gt; Active Window Settings</i> (Ctrl+W) sets the transform, the
axes, ticks and titles.</li>
<li><b>Measure.</b> Drag in the window to place the time and frequency cursors: the status bar reads their
times, frequencies and the differences between them. Home and End move the time cursors to the ends,
Shift+arrows step them, F2 switches which cursor steps. Alt+T fits the whole sound to the window; with a fixed
time scale Alt+Page Up and Alt+Page Down zoom. Ctrl+G goes to a time.</li>
<li><b>Annotate.</b> Select a song with the cursors and press Enter to write an annotation (a box with a
comment); Ctrl+Left and Ctrl+Right step through the annotations. <i>Log File &gt; Begin Logging Data</i>
(Alt+L) writes cursor measurements, comments (Ctrl+E) and key entries to a data logfile.</li>
<li><b>Record.</b> <i>Options &gt; Recording Settings</i> (Ctrl+R) chooses the input; R starts and stops
recording into the active window with a live spectrogram, Space pauses it and S saves the buffer. P plays
the whole sound, Esc stops.</li>
<li><b>Detect.</b> With the detector switched on in the recording settings, sounds above the threshold are
stored as files while recording; <i>Tools &gt; Detect sounds in sound file</i> finds them in a long recording
afterwards.</li>
<li><b>Keep and share.</b> <i>File &gt; Save Selected Sound</i> (Ctrl+S) writes the edited sound (Ctrl+Z
undoes the last edit); <i>Sa&amp;ve Entire Display</i> keeps the windows for another day; <i>Print
Window(s)</i> (Ctrl+P) and <i>Export Figure...</i> put the display on paper or into a paper's figure.</li>
</ol>
)";

} // namespace

QString CHelpWindow::Html() {
    // Where each command is found, in table order.
    std::map<Cmd, QStringList> places;
    for (const MenuRow& row : MenuRows()) {
        if (row.id == Cmd::None)
            continue;
        QString path = QString::fromLatin1(MenuName(row.menu));
        const QString sub = QString::fromLatin1(row.path).remove('&').replace('|', QStringLiteral(" > "));
        if (!sub.isEmpty())
            path += QStringLiteral(" > ") + sub;
        path += QStringLiteral(" > ") + Plain(row.text);
        QStringList& list = places[row.id];
        if (!list.contains(path))
            list << path;
    }
    QString html = QString::fromLatin1(kGuide);
    html += QStringLiteral("<h2>Commands</h2><p>Every command, where it is found, its keys and what it does. "
                           "A grey command needs a sound window (or, where it says so, two).</p>"
                           "<table border=1 cellspacing=0 cellpadding=3><tr><th>Command</th><th>Where</th>"
                           "<th>Keys</th><th>What it does</th></tr>");
    for (const CommandInfo& info : CommandInfos()) {
        if (info.id == Cmd::RecentFileList || info.id == Cmd::UserMenuList)
            continue;
        QStringList keys;
        for (const std::string& k : KeysFor(info.id))
            keys << Q(k);
        const QStringList& where = places[info.id];
        const QString name = where.isEmpty() ? Q(PromptStatusText(info)) : where.front().section(" > ", -1);
        QString what = Q(PromptStatusText(info));
        if (info.rule != EnableRule::Always && info.rule != EnableRule::NeedsView)
            what += QStringLiteral(" (") + QString::fromLatin1(EnableRuleName(info.rule)) + QStringLiteral(")");
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(name.toHtmlEscaped(), where.isEmpty() ? QStringLiteral("key only") : where.join("<br>"),
                         keys.join(QStringLiteral(", ")).toHtmlEscaped(), what.toHtmlEscaped());
    }
    html += QStringLiteral("</table>");
    return html;
}

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tavril Help"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_browser = new QTextBrowser(this);
    m_browser->setHtml(Html());
    layout->addWidget(m_browser);
    resize(880, 640);
}

QString CHelpWindow::PlainText() const { return m_browser->toPlainText(); }

} // namespace tavril

#include "frame/CFrameDialogs.h"

#include "frame/CChildFrame.h"
#include "frame/CHelpWindow.h"
#include "frame/CMainFrame.h"
#include "frame/Dialogs.h"
#include "AnnotationMetafile.h"
#include "CSettingsFile.h"

#include <QDialog>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace tavril {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

void CFrameDialogs::CmdGoToTime() {
    CTavrilView* v = m_frame.ActiveView();
    if (!v)
        return;
    std::string text;
    if (!m_prompt.AskText("Enter time to go to (HH:MM:SS, or seconds):", "Go to time in sound file", text))
        return;
    float a = 0, b = 0, c = 0;
    int n = std::sscanf(text.c_str(), "%f:%f:%f", &a, &b, &c);
    if (n <= 0) {
        m_prompt.ShowMessage("\"" + text + "\" is not a time.", "Tavril");
        return;
    }
    double seconds = n == 1 ? a : a * 3600.0 + b * 60.0 + c;
    v->GoToTime(seconds);
}

void CFrameDialogs::ApplyPriority(int previous) {
    if (m_frame.Priority().level == previous)
        return;
    int nice = m_frame.Priority().level == 0 ? 0 : (m_frame.Priority().level == 1 ? -5 : -15);
    errno = 0;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0) {
        m_prompt.ShowMessage(std::string("The priority level could not be applied: ") + std::strerror(errno) +
                                 ".\nThe program keeps running at its present priority.",
                             "Set Priority");
    }
}

void CFrameDialogs::CmdWindowSettings(bool defaults) {
    CTavrilView* v = defaults ? nullptr : m_frame.ActiveView();
    WindowDisplaySettings edited;
    edited.CopyFrom(v ? v->Settings() : m_frame.DefaultDisplay());
    edited.m_lockWindowSettings = v ? v->Settings().m_lockWindowSettings : m_frame.DefaultDisplay().m_lockWindowSettings;
    QStringList names;
    for (CChildFrame* w : m_frame.Windows())
        names << w->windowTitle();
    CDlgWindowDisplaySettings dlg(edited, names, &m_frame);
    dlg.SetMakeDefault([this](const WindowDisplaySettings& s) {
        m_frame.DefaultDisplay().CopyFrom(s);
        m_frame.DefaultDisplay().Save("", -1);
    });
    int r = dlg.exec();
    if (r == QDialog::Rejected)
        return;
    WindowDisplaySettings result = dlg.Result();
    if (!v) {
        m_frame.DefaultDisplay().CopyFrom(result);
        return;
    }
    m_frame.ApplyWindowSettings(v, result, dlg.ApplyToAll());
}

void CFrameDialogs::CmdFormatInfo() {
    CTavrilView* v = m_frame.ActiveView();
    if (!v)
        return;
    CSoundDocument& d = v->Doc();
    unsigned bits = d.Sound().GetBitsPerSample();
    d.Sound().Close();
    CDlgFormatInfo dlg(Q(d.Path()), d.SampleRate(), bits, d.Channels(), d.Frames(), &m_frame);
    AnnotationMetafile meta;
    const bool isMeta = d.Doc().IsMetafile() && meta.Load(d.Path());
    const QString oldAnnotation = isMeta ? Q(meta.ReadKey("annotationfile")) : QString();
    const QString oldFolder = isMeta ? Q(meta.ReadKey("path")) : QString();
    dlg.SetLinks(oldAnnotation, oldFolder, isMeta);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (isMeta && (dlg.AnnotationFile() != oldAnnotation || dlg.SeriesFolder() != oldFolder)) {
        // Unsaved annotations go to the file they were read from first.
        if (d.Doc().IsModified())
            d.Doc().SaveAnnotations();
        std::string error;
        bool ok = dlg.AnnotationFile() == oldAnnotation ||
                  meta.SetAnnotationFile(dlg.AnnotationFile().toStdString(), &error);
        ok = ok && (dlg.SeriesFolder() == oldFolder || meta.SetKey("path", dlg.SeriesFolder().toStdString(), false, &error));
        if (!ok)
            m_prompt.ShowMessage("The metafile " + d.Path() + " could not be changed: " + error);
        d.Open(d.Path());
        for (CChildFrame* w : m_frame.Windows())
            if (w->View()->Document().get() == &d)
                w->View()->SetDocument(w->View()->Document());
        return;
    }
    d.ApplyFormatInfo(dlg.SampleRate() != d.SampleRate() ? dlg.SampleRate() : 0.0, dlg.Bits() != bits ? dlg.Bits() : 0);
    for (CChildFrame* w : m_frame.Windows())
        if (w->View()->Document().get() == &d) {
            w->View()->Redraw();
            w->View()->CursorsChanged(false);
        }
}

void CFrameDialogs::CmdNewWindowSizing() {
    CDlgNewWindowSizing dlg(m_frame.Grid(), &m_frame);
    if (dlg.exec() == QDialog::Accepted) {
        m_frame.Grid() = dlg.Result();
        if (dlg.MakeDefault())
            m_frame.Grid().Save("");
    }
}

void CFrameDialogs::CmdPriority() {
    CDlgPriority dlg(m_frame.Priority().level, &m_frame);
    if (dlg.exec() != QDialog::Accepted)
        return;
    int previous = m_frame.Priority().level;
    m_frame.Priority().level = dlg.Level();
    ApplyPriority(previous);
}

void CFrameDialogs::CmdDefaultFormat() {
    CDlgDefaultFormat dlg(m_frame.DefaultFormat().formatType, &m_frame);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_frame.DefaultFormat().formatType = dlg.Index();
    m_frame.DefaultFormat().Save("");
}

void CFrameDialogs::CmdEditUserMenu() {
    CDlgEditUserMenu dlg(m_frame.UserMenu(), m_prompt, &m_frame);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_frame.UserMenu() = dlg.Result();
    if (dlg.MakeDefault())
        m_frame.UserMenu().Save("");
    m_frame.RebuildUserMenu();
}

void CFrameDialogs::CmdHelp() {
    // One help window, kept open beside the work; the frame owns it.
    if (!m_help)
        m_help = new CHelpWindow(&m_frame);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void CFrameDialogs::CmdAbout() {
    QMessageBox::about(&m_frame, QStringLiteral("About Tavril"),
                       QStringLiteral("<h3>Tavril %1</h3><p>A workstation for recording, viewing, measuring, "
                                      "editing and annotating animal sounds.</p><p>The demo recording "
                                      "(data/demo/spinetail.wav) is credited in data/demo/NOTICE.</p>")
                           .arg(QStringLiteral(TAVRIL_VERSION)));
}

void CFrameDialogs::RegisterSettingsGroups(CSettingsFile& groups) {
    groups.SetGroup("General main menu settings", {[this](const std::string& f) {
                                                       m_frame.General().hideAllCursors = m_frame.Flags().hideAllCursors;
                                                       m_frame.General().hideTitleBars = m_frame.Flags().titleBarsHidden;
                                                       m_frame.General().Save(f);
                                                   },
                                                   [this](const std::string& f) {
                                                       m_frame.General().Load(f);
                                                       m_frame.ApplyGeneralDetails();
                                                   }});
    groups.SetGroup("Default new window sizing", {[this](const std::string& f) { m_frame.Grid().Save(f); },
                                                  [this](const std::string& f) {
                                                      m_frame.Grid().Load(f);
                                                      m_frame.SetSnap(false);
                                                  }});
    groups.SetGroup("System priority", {[this](const std::string& f) { m_frame.Priority().Save(f); },
                                        [this](const std::string& f) {
                                            const int previous = m_frame.Priority().level;
                                            m_frame.Priority().Load(f);
                                            ApplyPriority(previous);
                                        }});
    groups.SetGroup("Default new window display configuration",
                    {[this](const std::string& f) { m_frame.DefaultDisplay().Save(f, -1); },
                     [this](const std::string& f) { m_frame.DefaultDisplay().Load(f, -1); }});
    groups.SetGroup("display menu list", {[this](const std::string& f) { m_frame.UserMenu().Save(f); },
                                          [this](const std::string& f) {
                                              m_frame.UserMenu().Load(f);
                                              m_frame.RebuildUserMenu();
                                          }});
    groups.SetGroup("Default File Format", {nullptr, [this](const std::string& f) { m_frame.DefaultFormat().Load(f); }});
}


} // namespace tavril

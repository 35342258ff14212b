#include "frame/CFrameEditHost.h"

#include "frame/CChildFrame.h"
#include "frame/CFrameFiles.h"
#include "edit/CEditServices.h"
#include "view/CTavrilView.h"

#include <QMdiArea>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <set>

namespace tavril {

CFrameEditHost::CFrameEditHost(CMainFrame& frame) : m_frame(frame)
{
    auto follow = [f = &frame](CChildFrame* c) {
        QObject::connect(c->View(), &CTavrilView::CursorsMoved, f, &CMainFrame::UpdateCommandStates,
                         Qt::UniqueConnection);
    };
    for (CChildFrame* c : frame.Windows()) follow(c);
    QObject::connect(frame.Area(), &QMdiArea::subWindowActivated, &frame, [follow](QMdiSubWindow* w) {
        if (auto* c = qobject_cast<CChildFrame*>(w)) follow(c);
    });
}

CommandExtension CFrameEditHost::MakeExtension(CEditCommands& commands, CEditServices& services)
{
    CEditCommands* cmds = &commands;
    CEditServices* svc = &services;
    auto context = [](CTavrilView* v) { return v ? ContextFor(*v) : EditContext{}; };
    CommandExtension ext;
    ext.handles = [](Cmd id) { return CEditCommands::Handles(id); };
    ext.enabled = [cmds, context](Cmd id, CTavrilView* v) {
        const EditContext c = context(v);
        return cmds->IsEnabled(id, v ? &c : nullptr);
    };
    ext.text = [cmds, context](Cmd id, CTavrilView* v) {
        const EditContext c = context(v);
        return cmds->MenuText(id, v ? &c : nullptr);
    };
    ext.run = [cmds, svc, context](Cmd id, CTavrilView* v) {
        const EditContext c = context(v);
        cmds->Run(id, v ? &c : nullptr);
        svc->FlushDeferredMessages();
    };
    ext.confirmClose = [cmds](CTavrilDoc& doc) { return cmds->AskToSaveChanges(doc); };
    return ext;
}

EditContext CFrameEditHost::ContextFor(CTavrilView& view)
{
    EditContext c;
    CSoundDocument& sd = view.Doc();
    c.doc = &sd.Doc();
    const CursorSet& cur = view.Cursors();
    const uint32_t frames = sd.Frames();
    // The right cursor may stand one past the last frame (End); a selection
    // never reaches beyond the sound.
    c.sel.left = std::min(cur.leftTime, frames);
    c.sel.right = std::min(cur.rightTime, frames);
    c.channels = std::max<uint32_t>(1, sd.Channels());
    const int pane = view.CursorPane();
    int channel = pane >= 0 && pane < view.PaneCount() ? view.Pane(pane)->ChannelShown()
                                                        : view.Settings().m_singleChannelChoice;
    c.channel = static_cast<uint32_t>(std::clamp(channel, 0, static_cast<int>(c.channels) - 1));
    const WindowDisplaySettings& s = view.Settings();
    c.spectrogram = s.m_displayType == 1;
    c.freqCursorsShown = s.m_freqAmpCursorOn && !view.Flags().hideAllCursors;
    c.lowerHz = std::min(cur.lower, cur.upper);
    c.upperHz = std::max(cur.lower, cur.upper);
    // The clock time the readout shows at the left cursor (with the window's
    // time offset in H:M:S units), on today's date, for Klip n' Save names.
    const double fs = sd.SampleRate();
    if (fs > 0.0) {
        double seconds = c.sel.left / fs;
        if (s.m_timeCursorUnits == 1) seconds += ParseTimeOffset(s.m_timeOffset);
        const long long whole = static_cast<long long>(std::floor(std::max(0.0, seconds)));
        const std::time_t now = std::time(nullptr);
        localtime_r(&now, &c.cursorTime);
        c.cursorTime.tm_hour = static_cast<int>(whole / 3600 % 24);
        c.cursorTime.tm_min = static_cast<int>(whole / 60 % 60);
        c.cursorTime.tm_sec = static_cast<int>(whole % 60);
        c.hasCursorTime = true;
    }
    return c;
}

void CFrameEditHost::RegisterSettingsGroups(CMainFrame& frame, CEditServices& svc)
{
    CEditServices* s = &svc;
    frame.Files().Settings().SetGroup("Fixed frequency filter", {[s](const std::string& f) { s->filter.Save(f); },
                                                          [s](const std::string& f) { s->filter.Load(f); }});
    frame.Files().Settings().SetGroup("Multi tool", {[s](const std::string& f) { s->multiTool.Save(f); },
                                              [s](const std::string& f) { s->multiTool.Load(f); }});
    frame.Files().Settings().SetGroup("Klip 'n Save", {[s](const std::string& f) { s->klip.Save(f); },
                                                [s](const std::string& f) { s->klip.Load(f); }});
    // Not offered in settings files, but written at every exit.
    frame.Files().Settings().SetGroup(RampSettings::kSection, {[s](const std::string& f) { s->ramp.Save(f); },
                                                        [s](const std::string& f) { s->ramp.Load(f); }});
    frame.Files().Settings().SetGroup(InsertNoiseSettings::kSection, {[s](const std::string& f) { s->noise.Save(f); },
                                                               [s](const std::string& f) { s->noise.Load(f); }});
}

std::vector<EditContext> CFrameEditHost::AllWindows()
{
    std::vector<EditContext> out;
    for (CChildFrame* w : m_frame.Windows()) out.push_back(ContextFor(*w->View()));
    return out;
}

void CFrameEditHost::OpenSoundWindow(const std::string& path) { m_frame.OpenSoundFile(path); }

void CFrameEditHost::DocumentChanged(CTavrilDoc* doc, const EditOutcome& o)
{
    std::set<CSoundDocument*> refreshed;
    std::vector<CChildFrame*> closing;
    for (CChildFrame* w : m_frame.Windows()) {
        CTavrilView* v = w->View();
        CSoundDocument& sd = v->Doc();
        if (&sd.Doc() != doc) continue;
        if (o.closeWindow) {
            closing.push_back(w);
            continue;
        }
        if (refreshed.insert(&sd).second) sd.Refresh();
        if (o.clearSelection) {
            CursorSet& c = v->Cursors();
            c.rightTime = c.leftTime = std::min(c.leftTime, c.rightTime);
            c.boxShown = false;
        }
        v->CursorsChanged(false);
        v->Redraw();
        w->UpdateTitle();
    }
    for (CChildFrame* w : closing) w->close();
}

void CFrameEditHost::SuspendPainting(bool suspend)
{
    // Only the window area: the progress window is a window of its own and
    // keeps painting.
    m_frame.Area()->setUpdatesEnabled(!suspend);
}

int CFrameEditHost::SaveAsFilterIndex() const { return m_frame.General().saveAsFileFilterIndex; }

int CFrameEditHost::LoadFilterIndex() const { return m_frame.General().loadFileFilterIndex; }

} // namespace tavril

// A sound window: drawing, the mouse and key moves of the cursors, readouts and zoom.
#include "frame/CChildFrame.h"
#include "view/CTavrilView.h"
#include "GuiTestSupport.h"
#include "SpectrogramPicture.h"

#include <QMouseEvent>
#include <QStatusBar>
#include <QWheelEvent>
#include <filesystem>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;
namespace fs = std::filesystem;

namespace {

class SoundWindow : public FrameTest {
protected:
    CTavrilView* Open(const std::vector<int16_t>& samples, int width = 600, int height = 300, int displayType = 1) {
        std::string path = m_dir.File("s" + std::to_string(m_count++) + ".wav");
        EXPECT_TRUE(WriteWav(path, samples));
        m_frame->DefaultDisplay().m_displayType = displayType;
        CChildFrame* w = m_frame->OpenSoundFile(path);
        EXPECT_NE(w, nullptr);
        w->resize(width, height);
        Settle();
        return w->View();
    }
    int m_count = 0;
};

// Pixels of a pane's plot that differ from the exported picture of the same settings and size.
int DiffersFromExport(CTavrilView* v, const std::string& path) {
    QImage img = v->Pane(0)->RenderPlot();
    std::vector<uint32_t> pixels;
    CSoundFile sound;
    EXPECT_TRUE(sound.Open(path));
    EXPECT_GT(RenderSpectrogramPicture(sound, v->Settings(), 0, img.width(), img.height(), pixels), 0);
    if (pixels.size() < size_t(img.width()) * img.height())
        return -1;
    int differing = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            differing += (img.pixel(x, y) & 0xFFFFFF) != pixels[static_cast<size_t>(y) * img.width() + x];
    return differing;
}

std::string Fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

} // namespace

TEST_F(SoundWindow, DragOnASpectrogramGivesTheReadout) {
    CTavrilView* v = Open(Tone(44100, 2000.0));
    CViewPane* pane = v->Pane(0);
    QRect plot = pane->PlotRect();
    QPoint from(plot.left() + 50, plot.top() + 40);
    QPoint to(plot.left() + 250, plot.top() + 140);
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(pane, to);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, to);

    // Expected from the plot geometry alone: stretch scale over two seconds.
    const double spp = 44100.0 / plot.width();
    const double span = 11025.0, h = plot.height() - 1;  // bottom - top
    double upper = span * (h - (from.y() - plot.top())) / h;
    double lower = span * (h - (to.y() - plot.top())) / h;
    double left = std::trunc(50 * spp) / 22050.0, right = std::trunc(250 * spp) / 22050.0;
    std::string want = "Freq(KHz): Upper=" + Fmt("%1.5f", upper / 1000) + "  Lower=" + Fmt("%1.5f", lower / 1000) +
                       "  DifF=" + Fmt("%1.5f", (upper - lower) / 1000) + "Time(sec): Left=" + Fmt("%2.4lf", left) +
                       "  Right=" + Fmt("%2.4lf", right) + "  DifT=" + Fmt("%2.4lf", right - left);
    EXPECT_EQ(m_frame->StatusText().toStdString(), want);
}

TEST_F(SoundWindow, ClickWithoutDragSelectsOnePixelBox) {
    CTavrilView* v = Open(Tone(100, 500.0), 600, 300, 0);
    CViewPane* pane = v->Pane(0);
    QRect plot = pane->PlotRect();
    QPoint at(plot.left() + 101, plot.top() + 30);
    QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, at);
    // Fewer samples than columns: both times fall on one sample.
    EXPECT_EQ(v->Cursors().leftTime, v->Cursors().rightTime);
    EXPECT_TRUE(m_frame->StatusText().contains("Time(sec): 0.0"));
    EXPECT_TRUE(m_frame->StatusText().startsWith("Amplitude: Upper=")) << m_frame->StatusText().toStdString();
}

TEST_F(SoundWindow, HomeEndPageUpPageDownKeys) {
    CTavrilView* v = Open(Tone(22050, 1000.0));
    v->Cursors().SetTimeCursors(1000, 2000);
    v->Cursors().SetVerticalCursors(4000.0, 3000.0);
    m_frame->activateWindow();
    v->setFocus();
    QTest::keyClick(v, Qt::Key_Home);
    EXPECT_EQ(v->Cursors().leftTime, 0u);
    EXPECT_EQ(v->Cursors().rightTime, 2000u);
    QTest::keyClick(v, Qt::Key_End);
    EXPECT_EQ(v->Cursors().leftTime, 0u);
    EXPECT_EQ(v->Cursors().rightTime, 22050u);
    QTest::keyClick(v, Qt::Key_PageUp);
    EXPECT_EQ(v->Cursors().upper, 11025.0);
    EXPECT_EQ(v->Cursors().lower, 3000.0);
    QTest::keyClick(v, Qt::Key_PageDown);
    EXPECT_EQ(v->Cursors().lower, 0.0);
    EXPECT_EQ(v->Cursors().upper, 11025.0);
    // Hidden cursors do not move.
    m_frame->Dispatch(Cmd::HideCursors);
    v->Cursors().SetTimeCursors(5, 6);
    QTest::keyClick(v, Qt::Key_Home);
    EXPECT_EQ(v->Cursors().leftTime, 5u);
}

TEST_F(SoundWindow, ZoomStepsOnlyInFixedScale) {
    CTavrilView* v = Open(Tone(22050, 1000.0));
    EXPECT_FALSE(m_frame->IsEnabled(Cmd::ZoomIn));
    m_frame->Dispatch(Cmd::ZoomIn);
    EXPECT_FLOAT_EQ(v->Settings().m_msecPerLine, 10.0f);
    m_frame->Dispatch(Cmd::TimeScaleFit);  // to fixed
    ASSERT_TRUE(v->IsFixedScale());
    EXPECT_TRUE(m_frame->IsEnabled(Cmd::ZoomIn));
    std::vector<float> steps;
    for (int i = 0; i < 4; ++i) {
        m_frame->Dispatch(Cmd::ZoomIn);
        steps.push_back(v->Settings().m_msecPerLine);
    }
    EXPECT_EQ(steps, (std::vector<float>{8.0f, 6.0f, 4.0f, 3.2f}));
    m_frame->Dispatch(Cmd::ZoomOut);
    EXPECT_FLOAT_EQ(v->Settings().m_msecPerLine, 4.0f);
    EXPECT_DOUBLE_EQ(v->SamplesPerPixel(), 22050.0 * 4.0f / 1000.0);
}

TEST_F(SoundWindow, SilentSoundPaintsWhiteColumns) {
    CTavrilView* v = Open(std::vector<int16_t>(22050, 0));
    WindowDisplaySettings s = v->Settings();
    s.m_specGain = 50.0f;  // whatever the gain
    v->SetSettings(s);
    QImage img = v->Pane(0)->RenderPlot();
    ASSERT_GT(v->Pane(0)->LastColumnsComputed(), 0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
}

TEST_F(SoundWindow, HundredSamplesInFourHundredColumnsDrawAPolyline) {
    std::vector<int16_t> s(100);
    for (int i = 0; i < 100; ++i)
        s[i] = static_cast<int16_t>(i % 2 ? 20000 : -20000);
    CTavrilView* v = Open(s, 600, 300, 0);
    // Make the plot exactly 400 columns wide.
    CViewPane* pane = v->Pane(0);
    int extra = pane->width() - pane->PlotRect().width();
    v->parentWidget()->resize(v->parentWidget()->width() - (pane->width() - 400 - extra), 300);
    Settle();
    ASSERT_EQ(pane->PlotRect().width(), 400);
    EXPECT_DOUBLE_EQ(v->SamplesPerPixel(), 0.25);
    QImage img = pane->RenderPlot();
    EXPECT_EQ(pane->LastColumnsComputed(), 100);
    // Between two samples (x = 0 and x = 4) the joining line crosses column 2;
    // column lines would leave it empty.
    auto darkIn = [&](int x) {
        for (int y = 0; y < img.height(); ++y)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFFu)
                return true;
        return false;
    };
    EXPECT_TRUE(darkIn(2));
    EXPECT_TRUE(darkIn(396));
    EXPECT_FALSE(darkIn(398));  // the last sample sits at column 396
}

TEST_F(SoundWindow, RepaintOfAnUnchangedWindowReusesThePicture) {
    CTavrilView* v = Open(Tone(22050, 1000.0));
    CViewPane* pane = v->Pane(0);
    pane->repaint();
    ASSERT_TRUE(pane->HasValidPicture());
    v->Cursors().SetTimeCursors(10, 20);
    v->CursorsChanged();
    EXPECT_TRUE(pane->HasValidPicture());  // cursors are drawn over the saved picture
    m_frame->Dispatch(Cmd::Darker);
    EXPECT_FALSE(pane->HasValidPicture());
    EXPECT_FLOAT_EQ(v->Settings().m_specGain, 1.0f);
    m_frame->Dispatch(Cmd::ViewWaveform);
    m_frame->Dispatch(Cmd::Darker);  // only spectrograms get darker
    EXPECT_FLOAT_EQ(v->Settings().m_specGain, 1.0f);
}

TEST_F(SoundWindow, ChannelKeysShowOneChannelAndRowsSplitPanes) {
    std::string path = m_dir.File("stereo.wav");
    ASSERT_TRUE(WriteWav(path, Stereo(22050, [](int) { return -1000; }, [](int) { return 1000; }), 22050.0, 2));
    CChildFrame* w = m_frame->OpenSoundFile(path);
    CTavrilView* v = w->View();
    WindowDisplaySettings s = v->Settings();
    s.m_channelList = "1-2";
    s.ParseChannelList();
    s.m_displayRowsCode = 1;
    v->SetSettings(s);
    ASSERT_EQ(v->PaneCount(), 4);
    EXPECT_EQ(v->Pane(1)->ChannelShown(), 1);
    EXPECT_EQ(v->Pane(2)->RowIndex(), 1);
    EXPECT_GT(v->Geometry(2).s0, 0.0);  // the second row continues the sound
    m_frame->Dispatch(Cmd::Channel2);
    ASSERT_EQ(v->PaneCount(), 2);
    EXPECT_EQ(v->Pane(0)->ChannelShown(), 1);
    m_frame->Dispatch(Cmd::Channel10);  // beyond the sound: the last channel
    EXPECT_EQ(v->Pane(0)->ChannelShown(), 1);
}

TEST_F(SoundWindow, GoToTimeScrollsAFixedScaleWindow) {
    CTavrilView* v = Open(Tone(22050 * 60, 1000.0));
    m_frame->Dispatch(Cmd::TimeScaleFit);
    ASSERT_TRUE(v->IsFixedScale());
    m_prompt.texts.push_back("00:00:04.5");
    m_frame->Dispatch(Cmd::GoToTime);
    EXPECT_EQ(v->ScrollPosition(), static_cast<int>(4.5 * 22050 / v->SamplesPerPixel()));
    EXPECT_EQ(v->Cursors().leftTime, static_cast<uint32_t>(4.5 * 22050));
    m_prompt.texts.push_back("2");
    m_frame->Dispatch(Cmd::GoToTime);
    EXPECT_EQ(v->Cursors().leftTime, 2u * 22050);
    m_prompt.texts.push_back("soon");
    m_frame->Dispatch(Cmd::GoToTime);
    EXPECT_EQ(m_prompt.messages.size(), 1u);
}

TEST_F(SoundWindow, AltRightLoadsTheNextFileOfTheFolderAfterAskingAboutEdits) {
    int asked = 0;
    m_frame->SetCommandExtension(CommandExtension{[](Cmd) { return false; }, nullptr, nullptr, nullptr,
                                                  [&](CTavrilDoc&) { return ++asked > 1; }});
    for (const char* n : {"b.wav", "a.wav", "c.wav", "d.aif"})
        ToneFile(n, 500);
    CChildFrame* w = m_frame->OpenSoundFile(m_dir.File("a.wav"));
    CTavrilView* v = w->View();
    v->Doc().Doc().SetModifiedFlag(true);
    m_frame->Dispatch(Cmd::NextFileInFolder);
    EXPECT_EQ(v->Doc().Title(), "a.wav");  // the user kept the edits
    m_frame->Dispatch(Cmd::NextFileInFolder);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(v->Doc().Title(), "b.wav");
    m_frame->Dispatch(Cmd::NextFileInFolder);
    EXPECT_EQ(v->Doc().Title(), "c.wav");
    m_frame->Dispatch(Cmd::NextFileInFolder);  // last one: stays
    EXPECT_EQ(v->Doc().Title(), "c.wav");
    EXPECT_EQ(w->windowTitle(), "c.wav");
    m_frame->Dispatch(Cmd::PrevFileInFolder);
    EXPECT_EQ(v->Doc().Title(), "b.wav");
    EXPECT_EQ(asked, 2);  // unchanged sounds are not asked about
}

TEST_F(SoundWindow, ARefusedFileLeavesNoWindowAndNoRecentEntry) {
    std::string path = m_dir.File("broken.wav");
    WriteAll(path, {'R', 'I', 'F', 'F', 1, 2});
    EXPECT_EQ(m_frame->OpenSoundFile(path), nullptr);
    EXPECT_TRUE(m_frame->Windows().empty());
    EXPECT_TRUE(m_frame->Recent().files.empty());
    ASSERT_EQ(m_prompt.messages.size(), 1u);
    EXPECT_EQ(m_prompt.messages[0].substr(0, m_prompt.messages[0].find('\n')),
              "Error opening soundfile " + path + ". The file may be corrupt");
    EXPECT_EQ(m_frame->OpenSoundFile(m_dir.File("missing.wav")), nullptr);
}

TEST_F(SoundWindow, ARecordingCutShortOpensWithItsFramesAndSaysSo) {
    const std::string whole = ToneFile("whole.wav", 1000);
    EXPECT_NE(m_frame->OpenSoundFile(whole), nullptr);
    EXPECT_FALSE(m_frame->statusBar()->currentMessage().contains("ends before its stated size"));
    const std::string cut = ToneFile("cut.wav", 1000);
    fs::resize_file(cut, fs::file_size(cut) - 2 * 400 - 1);  // 400 frames and a byte gone: 599 whole ones left
    CChildFrame* w = m_frame->OpenSoundFile(cut);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View()->Doc().Frames(), 599u);
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().startsWith("cut.wav ends before its stated size"));
}

TEST_F(SoundWindow, ARelativeNameOpensByItsFullPath) {
    for (const char* n : {"a.wav", "b.wav", "c.wav"})
        ToneFile(n, 500);
    const fs::path old = fs::current_path();
    fs::current_path(m_dir.Path());
    CChildFrame* w = m_frame->OpenSoundFile("b.wav");
    fs::current_path(old);  // the working folder changes; the window must not care
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View()->Doc().Path(), m_dir.File("b.wav"));
    m_frame->Dispatch(Cmd::NextFileInFolder);
    EXPECT_EQ(w->View()->Doc().Path(), m_dir.File("c.wav"));
    EXPECT_EQ(m_frame->Recent().files.front(), m_dir.File("b.wav"));
}

TEST_F(SoundWindow, TheMainTitleNamesTheActiveSound) {
    EXPECT_EQ(m_frame->windowTitle(), "Tavril");
    CChildFrame* a = m_frame->OpenSoundFile(ToneFile("spinetail.wav", 500));
    EXPECT_EQ(m_frame->windowTitle(), QString::fromUtf8("spinetail.wav \u2014 Tavril"));
    m_frame->OpenSoundFile(ToneFile("wren.wav", 500));
    EXPECT_EQ(m_frame->windowTitle(), QString::fromUtf8("wren.wav \u2014 Tavril"));
    m_frame->ActivateWindow(a);
    EXPECT_EQ(m_frame->windowTitle(), QString::fromUtf8("spinetail.wav \u2014 Tavril"));
}

TEST_F(SoundWindow, AMonoSoundFromAStereoWindowShowsOneChannel) {
    const std::string stereo = m_dir.File("stereo.wav");
    ASSERT_TRUE(WriteWav(stereo, Stereo(500, [](int) { return 100; }, [](int) { return -100; }), 22050.0, 2));
    CChildFrame* s = m_frame->OpenSoundFile(stereo);
    WindowDisplaySettings two = s->View()->Settings();
    two.m_channelList = "1,2";
    two.ParseChannelList();
    s->View()->SetSettings(two);
    CChildFrame* mono = m_frame->OpenSoundFile(ToneFile("mono.wav", 500));
    EXPECT_EQ(mono->View()->Settings().ChannelCount(), 1);
    EXPECT_EQ(mono->View()->PaneCount(), 1);
}

TEST_F(SoundWindow, WheelScrollsAndCtrlWheelZoomsAboutThePointer) {
    CChildFrame* w = m_frame->OpenSoundFile(ToneFile("long.wav", 22050 * 20, 700.0));
    w->resize(600, 250);
    CTavrilView* v = w->View();
    Settle();
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods, QPoint at) {
        QWheelEvent e(at, v->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(v, &e);
    };
    CViewPane* pane = v->Pane(0);
    const QRect plot = pane->PlotRect();
    const QPoint at = pane->mapTo(v, QPoint(plot.left() + plot.width() / 2, plot.center().y()));
    // Stretched, the whole sound is in view: Ctrl+wheel takes the scale the
    // window shows and zooms in from it.
    const double stretchedSpp = v->SamplesPerPixel();
    const double frameBefore = (pane->FirstColumn() + plot.width() / 2) * stretchedSpp;
    wheel(3 * 120, Qt::ControlModifier, at);  // three notches at once
    ASSERT_TRUE(v->IsFixedScale());
    const double spp = v->SamplesPerPixel();
    EXPECT_LT(spp, stretchedSpp);
    EXPECT_NEAR((pane->FirstColumn() + plot.width() / 2) * spp, frameBefore, spp + 1.0);
    // Wheel down moves later in time, up earlier.
    const int scroll = v->ScrollPosition();
    wheel(-120, Qt::NoModifier, at);
    EXPECT_GT(v->ScrollPosition(), scroll);
    wheel(120, Qt::NoModifier, at);
    EXPECT_EQ(v->ScrollPosition(), scroll);
    wheel(-120, Qt::ControlModifier, at);  // and out again
    EXPECT_GT(v->SamplesPerPixel(), spp);
}

// Labels of crowded axes are thinned, never overlapped; an hour has time labels.
TEST_F(SoundWindow, AxisLabelsNeverOverlap) {
    auto overlaps = [](const std::vector<QRect>& r) {
        for (size_t a = 0; a < r.size(); ++a)
            for (size_t b = a + 1; b < r.size(); ++b)
                if (r[a].intersects(r[b]))
                    return true;
        return false;
    };
    auto axes = [](CTavrilView* v, int displayType) {
        WindowDisplaySettings s = v->Settings();
        s.m_displayType = displayType;
        s.m_timeTicksOn = s.m_timeTickValuesOn = true;
        s.m_freqAmpTicksOn = s.m_freqAmpTickValuesOn = true;
        s.m_timeTickValue = 1.0f;
        s.m_freqAmpTickValue = 1.0f;  // 1 kHz
        s.m_freqAmpTickUnits = 1;     // written in Hz: wide values
        v->SetSettings(s);
    };
    // One hour at 200 Hz.
    const std::string hour = m_dir.File("hour.wav");
    ASSERT_TRUE(WriteWav(hour, std::vector<int16_t>(200 * 3600, 1000), 200.0));
    CChildFrame* h = m_frame->OpenSoundFile(hour);
    h->resize(800, 260);
    axes(h->View(), 0);
    h->View()->Pane(0)->grab();
    const auto& hourLabels = h->View()->Pane(0)->LabelRects();
    EXPECT_FALSE(overlaps(hourLabels));
    const int plotBottom = h->View()->Pane(0)->PlotRect().bottom();
    EXPECT_GE(std::count_if(hourLabels.begin(), hourLabels.end(), [&](const QRect& r) { return r.top() > plotBottom; }),
              3);  // time values below the plot

    // A quarter second at 250 kHz: 125 kHz of 1 kHz ticks.
    const std::string bat = m_dir.File("bat.wav");
    ASSERT_TRUE(WriteWav(bat, Tone(62500, 40000.0, 250000.0), 250000.0));
    CChildFrame* b = m_frame->OpenSoundFile(bat);
    b->resize(500, 300);
    axes(b->View(), 1);
    b->View()->Pane(0)->grab();
    const auto& batLabels = b->View()->Pane(0)->LabelRects();
    EXPECT_FALSE(overlaps(batLabels));
    const int batBottom = b->View()->Pane(0)->PlotRect().bottom();
    EXPECT_GE(std::count_if(batLabels.begin(), batLabels.end(), [&](const QRect& r) { return r.top() <= batBottom; }),
              3);  // frequency values beside the plot
}

TEST_F(SoundWindow, ScrollingComputesOnlyTheColumnsThatCameIntoView) {
    std::vector<int16_t> s = Tone(22050 * 20, 2500.0);
    for (size_t i = 0; i < s.size(); i += 3)
        s[i] = static_cast<int16_t>(s[i] / 3 + (i % 17) * 250);
    CTavrilView* v = Open(s);
    m_frame->Dispatch(Cmd::TimeScaleFit);
    ASSERT_TRUE(v->IsFixedScale());
    CViewPane* pane = v->Pane(0);
    pane->repaint();
    const int width = pane->PlotRect().width();
    EXPECT_EQ(pane->LastColumnsComputed(), width);
    v->SetScrollPosition(10);
    pane->repaint();
    EXPECT_EQ(pane->LastColumnsComputed(), 10);
    v->SetScrollPosition(4);
    pane->repaint();
    EXPECT_EQ(pane->LastColumnsComputed(), 6);
    // The moved picture is the one a fresh drawing gives.
    QImage shown = pane->grab(pane->PlotRect()).toImage().convertToFormat(QImage::Format_RGB32);
    QImage fresh = pane->RenderPlot();
    int differing = 0;
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x)
            differing += (shown.pixel(x, y) & 0xFFFFFF) != (fresh.pixel(x, y) & 0xFFFFFF);
    // Only the cursor lines drawn over the picture may differ.
    EXPECT_LT(differing, 3 * fresh.height());
}

TEST_F(SoundWindow, EveryFramePictureIsRefinedWithProgressIntoTheExportedPicture) {
    // Eleven minutes of faint noise with a short call every 6.8 s: too many
    // frames to compute while painting, long enough to show progress.
    std::vector<int16_t> s(22050 * 660);
    uint32_t seed = 1;
    for (size_t i = 0; i < s.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        s[i] = static_cast<int16_t>(int(seed >> 24) - 128);
    }
    for (size_t t = 5000; t + 4410 < s.size(); t += 150001)
        for (size_t i = 0; i < 4410; ++i)
            s[t + i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 3000.0 * double(i) / 22050));
    m_frame->DefaultDisplay().m_timeCursorOn = false;
    m_frame->DefaultDisplay().m_freqAmpCursorOn = false;
    CTavrilView* v = Open(s);
    ASSERT_TRUE(v->Settings().m_showEveryFrame);
    CViewPane* pane = v->Pane(0);
    // Another gain: every frame is computed again.
    WindowDisplaySettings st = v->Settings();
    st.m_specGain = 2.0f;
    v->SetSettings(st);
    pane->repaint();
    EXPECT_TRUE(pane->IsRefining());
    EXPECT_EQ(pane->RefineProgress(), 0);
    auto plotImage = [&] { return pane->grab(pane->PlotRect()).toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage quick = plotImage();
    QTRY_VERIFY_WITH_TIMEOUT(!v->IsRefining(), 60000);
    EXPECT_EQ(pane->RefineProgress(), -1);
    pane->repaint();
    const QImage shown = plotImage();
    EXPECT_NE(shown, quick);

    std::vector<uint32_t> pixels;
    CSoundFile sound;
    ASSERT_TRUE(sound.Open(v->Doc().Path()));
    ASSERT_GT(RenderSpectrogramPicture(sound, v->Settings(), 0, shown.width(), shown.height(), pixels), 0);
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            differing += (shown.pixel(x, y) & 0xFFFFFF) != pixels[static_cast<size_t>(y) * shown.width() + x];
    EXPECT_EQ(differing, 0);
}

TEST_F(SoundWindow, FormatInfoChangesTheWorkingCopyNotTheUsersFile) {
    CTavrilView* v = Open(Tone(22050, 1000.0));
    std::string path = v->Doc().Path();
    auto before = ReadAll(path);
    v->Doc().ApplyFormatInfo(44100.0, 0);
    v->Redraw();
    EXPECT_DOUBLE_EQ(v->Doc().SampleRate(), 44100.0);
    EXPECT_EQ(v->Doc().Frames(), 22050u);
    EXPECT_EQ(ReadAll(path), before);  // changes only on save
    EXPECT_TRUE(v->Doc().Doc().IsModified());
    v->Cursors().SetTimeCursors(22050, 22050);
    EXPECT_TRUE(v->ReadoutText().endsWith("Time(sec): 0.5000"));
}

TEST_F(SoundWindow, AltTBelongsToTheTimeScaleNotToTheToolsMenu) {
    CTavrilView* v = Open(Tone(22050, 1000.0));
    QApplication::setActiveWindow(m_frame.get());
    v->setFocus();
    ASSERT_FALSE(v->IsFixedScale());
    QTest::keyClick(v, Qt::Key_T, Qt::AltModifier);
    EXPECT_TRUE(v->IsFixedScale());
    QTest::keyClick(v, Qt::Key_T, Qt::AltModifier);
    EXPECT_FALSE(v->IsFixedScale());
}

TEST_F(SoundWindow, ShiftPressExtendsTheNearerEdges) {
    CTavrilView* v = Open(Tone(22050, 1000.0));
    CViewPane* pane = v->Pane(0);
    QRect plot = pane->PlotRect();
    QPoint a(plot.left() + 100, plot.top() + 50), b(plot.left() + 200, plot.top() + 150);
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseMove(pane, b);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, b);
    const uint32_t left = v->Cursors().leftTime;
    const double lower = v->Cursors().lower;
    // Right of the box and above it: the right and top edges move there.
    QPoint c(plot.left() + 300, plot.top() + 20);
    QTest::mousePress(pane, Qt::LeftButton, Qt::ShiftModifier, c);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::ShiftModifier, c);
    EXPECT_EQ(v->Cursors().leftTime, left);
    EXPECT_DOUBLE_EQ(v->Cursors().lower, lower);
    EXPECT_EQ(v->Cursors().rightTime, static_cast<uint32_t>(300 * v->SamplesPerPixel()));
    EXPECT_GT(v->Cursors().upper, 11025.0 * (plot.height() - 1 - 50) / (plot.height() - 1));
}

TEST_F(SoundWindow, DemoRecordingLooksLikeItsExportedPicture) {
    std::string demo = std::string(TAVRIL_SOURCE_DIR) + "/data/demo/spinetail.wav";
    if (!std::filesystem::exists(demo))
        GTEST_SKIP() << "the demo recording is not in this tree";
    CChildFrame* w = m_frame->OpenSoundFile(demo);
    ASSERT_NE(w, nullptr);
    w->resize(900, 330);
    Settle();
    EXPECT_EQ(DiffersFromExport(w->View(), demo), 0);
}

TEST_F(SoundWindow, EveryCorpusFileOpensAndDrawsWithoutHarm) {
    auto corpus = CorpusDir();
    if (!corpus)
        GTEST_SKIP() << "no corpus beside the project";
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(*corpus)) {
        std::string ext = e.path().extension().string();
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (e.is_regular_file() && (ext == ".wav" || ext == ".aif" || ext == ".aiff"))
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    int drawn = 0;
    for (const auto& f : files) {
        const size_t told = m_prompt.messages.size();
        CChildFrame* w = m_frame->OpenSoundFile(f.string());
        if (!w) {  // refused: the user hears why, and no window is left
            EXPECT_EQ(m_prompt.messages.size(), told + 1) << f;
            EXPECT_TRUE(m_frame->Windows().empty()) << f;
            continue;
        }
        w->resize(300, 160);
        CTavrilView* v = w->View();
        WindowDisplaySettings s = v->Settings();
        s.m_channelList = "1-4";
        s.ParseChannelList();
        for (int type : {0, 1}) {
            s.m_displayType = type;
            v->SetSettings(s);
            for (int i = 0; i < v->PaneCount(); ++i)
                v->Pane(i)->repaint();
        }
        drawn += v->Doc().Frames() > 0;
        w->close();
        Settle();
    }
    EXPECT_GT(drawn, 0);
}

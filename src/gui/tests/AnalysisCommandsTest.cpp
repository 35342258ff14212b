// Correlate and spectrogram export from a window reach the same analysis as
// tavril-cli on the same selection and settings.
#include "analyse/CAnalysisCommands.h"
#include "frame/CChildFrame.h"
#include "view/CTavrilView.h"
#include "GuiTestSupport.h"

#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <cmath>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

namespace {

class AnalysisCommands : public FrameTest {
protected:
    // Runs the command line program; its standard output.
    QString Cli(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(TAVRIL_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // Answers every dialog: OK (or Cancel), recording the titles.
    void Answer(bool ok) {
        m_frame->Analysis().SetDialogRunner([this, ok](QDialog& d) {
            m_titles << d.windowTitle();
            if (auto* summary = d.findChild<QLabel*>(QStringLiteral("summary")))
                m_summary = summary->text();
            return ok;
        });
    }
    QStringList m_titles;
    QString m_summary;
};

} // namespace

TEST_F(AnalysisCommands, CorrelateMatchesTheCommandLine) {
    // Right channel: the left one 20 ms (441 frames) later.
    const int frames = 22050;
    auto left = [](int i) { return 8000.0 * std::sin(i * 0.07) * std::sin(i * 0.0009); };
    const std::string wav = m_dir.File("pair.wav");
    ASSERT_TRUE(WriteWav(wav, Stereo(frames, left, [&](int i) { return i >= 441 ? left(i - 441) : 0.0; }), 22050.0, 2));
    CChildFrame* w = m_frame->OpenSoundFile(wav);
    CTavrilView* v = w->View();
    CompareSettings& s = m_frame->Analysis().Compare();
    s.m_fftSizeIndex = 2;  // 128 lines
    s.m_overlapMs = 5.0f;
    s.m_numAverages = 1;
    s.m_channel1 = 0;
    s.m_channel2 = 1;
    s.m_maxCompareDelayMs = 50.0f;

    Answer(false);
    v->Cursors().SetTimeCursors(2205, 13230);
    v->Cursors().SetVerticalCursors(6000.7, 200.2);
    m_frame->Dispatch(Cmd::Correlate);
    EXPECT_TRUE(m_frame->Analysis().LastComparison().empty());  // Cancel computes nothing
    ASSERT_EQ(m_titles, QStringList{"Compare sounds"});

    Answer(true);
    m_frame->Dispatch(Cmd::Correlate);
    const std::vector<float> gui = m_frame->Analysis().LastComparison();
    // 100 ms to 600 ms of the sound, band 200 to 6000 Hz.
    const QStringList lines = Cli({"compare", QString::fromStdString(wav), "--start-ms", "100", "--length-ms", "500",
                                   "--max-delay-ms", "50", "--band", "200", "6000", "--ch1", "0", "--ch2", "1",
                                   "--lines", "128", "--period-ms", "5", "--averages", "1"})
                                  .split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(gui.size(), size_t(lines.size()));
    ASSERT_EQ(gui.size(), 10u);
    for (size_t d = 0; d < gui.size(); ++d)
        EXPECT_NEAR(gui[d], lines[int(d)].section('\t', 1).toDouble(), 1e-6) << d;
    // The delay of the copy is where the channels differ least.
    EXPECT_EQ(std::min_element(gui.begin(), gui.end()) - gui.begin(), 4);
    EXPECT_TRUE(m_summary.contains(QStringLiteral("at a delay of 20 ms"))) << m_summary.toStdString();

    // Without a selection there is nothing to ask.
    m_titles.clear();
    v->Cursors().SetTimeCursors(500, 500);
    m_frame->Dispatch(Cmd::Correlate);
    EXPECT_TRUE(m_titles.isEmpty());
}

TEST_F(AnalysisCommands, ExportMatchesTheCommandLine) {
    const std::string wav = ToneFile("tone.wav", 11025, 1500.0);
    m_frame->OpenSoundFile(wav);
    ExportSpectrogramSettings& s = m_frame->Analysis().Export();
    s.m_specifyFftSize = 1;
    s.m_fftSizeIndex = 2;  // 128 lines
    s.m_fftSpacingSelection = 1;
    s.m_fftSpaceTime = 5.0f;
    s.m_selectFrequencyBinRange = 1;
    s.m_minFrequency = 1000;
    s.m_maxFrequency = 3000;

    Answer(false);
    m_frame->Dispatch(Cmd::ExportSpectrogramText);
    EXPECT_FALSE(std::filesystem::exists(wav + ".txt"));
    EXPECT_EQ(m_titles, QStringList{"Export Spectragram to Tab-delimited Text File"});

    Answer(true);
    m_frame->Dispatch(Cmd::ExportSpectrogramText);
    ASSERT_EQ(m_frame->Analysis().LastExport(), wav + ".txt");
    const std::string cli = m_dir.File("cli.txt");
    Cli({"spectrogram", QString::fromStdString(wav), "-o", QString::fromStdString(cli), "--lines", "128", "--period-ms", "5",
         "--range", "1000", "3000"});
    EXPECT_EQ(ReadAll(wav + ".txt"), ReadAll(cli));
    EXPECT_TRUE(m_prompt.messages.empty());
}

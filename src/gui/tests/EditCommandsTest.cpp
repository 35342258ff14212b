// The editing and file commands of a sound window, run as the menus run them, each against the
// editing core's own result; failures and Cancel must reach the user and change nothing.
#include "edit/CDlgAmplify.h"
#include "edit/CDlgAmplitudeEnvelope.h"
#include "edit/CDlgFilterSettings.h"
#include "edit/CDlgImportHeaderless.h"
#include "edit/CDlgInsertNoise.h"
#include "edit/CDlgInsertSilence.h"
#include "edit/CDlgInsertTone.h"
#include "edit/CDlgKlipSettings.h"
#include "edit/CDlgMultiTool.h"
#include "edit/CDlgRamp.h"
#include "edit/CEditCommands.h"
#include "edit/CEditServices.h"
#include "common/CTrashCan.h"
#include "CSoundFile.h"
#include "SettingsStore.h"
#include "GuiTestSupport.h"
#include "TestSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QAbstractButton>
#include <filesystem>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;
namespace fs = std::filesystem;

namespace {

// Records what it was asked; stops a long operation after `cancelAfter` progress reports.
class EditPrompt : public ScriptedPrompt {
public:
    int cancelAfter = -1;
    int updates = 0;
    std::vector<std::string> progressTexts;

    void BeginProgress(const std::string& text) override { progressTexts.push_back(text); }
    bool UpdateProgress(double) override
    {
        ++updates;
        return cancelAfter < 0 || updates <= cancelAfter;
    }
};

class FakeHost : public IEditHost {
public:
    int suspended = 0;
    std::vector<EditContext> windows;
    std::vector<std::string> opened;
    std::vector<EditOutcome> changes;
    std::vector<EditContext> AllWindows() override { return windows; }
    void OpenSoundWindow(const std::string& path) override { opened.push_back(path); }
    void DocumentChanged(CTavrilDoc*, const EditOutcome& o) override { changes.push_back(o); }
    void SuspendPainting(bool on) override
    {
        suspended += on ? 1 : -1;
        ASSERT_GE(suspended, 0);
    }
};

std::vector<int16_t> Ramp(int n, int step = 7)
{
    std::vector<int16_t> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) s[size_t(i)] = static_cast<int16_t>((i * step) % 20000 - 10000);
    return s;
}

std::vector<int16_t> Concat(std::vector<int16_t> a, const std::vector<int16_t>& b, size_t from = 0,
                            size_t to = SIZE_MAX)
{
    to = std::min(to, b.size());
    a.insert(a.end(), b.begin() + long(from), b.begin() + long(to));
    return a;
}

class EditCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_config.Path().string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_dir.File("data")));
        ASSERT_TRUE(m_tempFiles.Start());
        ASSERT_TRUE(m_clipboard.Prepare());
        m_svc = std::make_unique<CEditServices>(
            DocServices{m_prompt, m_tempFiles, m_clipboard, m_engine, m_tools, m_filter, m_multiTool, ""});
        m_svc->LoadSettings();
        m_cmds = std::make_unique<CEditCommands>(*m_svc, m_host, nullptr);
        m_cmds->SetDialogDriver([this](QDialog& d) {
            if (m_fill) m_fill(d);
            return m_accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }
    void TearDown() override
    {
        m_docs.clear();
        m_cmds.reset();
        m_svc.reset();
    }

    CTavrilDoc* Open(const std::vector<int16_t>& samples, uint32_t channels = 1, const std::string& name = {})
    {
        std::string file = name;
        if (file.empty()) file = std::to_string(m_count++).append("s.wav");
        const std::string path = m_dir.File(file);
        EXPECT_TRUE(WriteWav(path, samples, 22050.0, channels));
        m_docs.push_back(std::make_unique<CTavrilDoc>(m_svc->Services()));
        EXPECT_TRUE(m_docs.back()->OpenDocument(path));
        return m_docs.back().get();
    }
    EditContext Ctx(CTavrilDoc* doc, uint32_t left = 0, uint32_t right = 0, uint32_t channel = 0)
    {
        EditContext c;
        c.doc = doc;
        c.sel.left = left;
        c.sel.right = right;
        c.channel = channel;
        CSoundFile* s = doc->SoundForReading();
        c.channels = s->GetChannels();
        s->Close();
        return c;
    }
    std::vector<int16_t> Current(CTavrilDoc* doc) { return ReadSamples(doc->WorkingFileName(false)); }
    // What the editing core writes for `op` from `source`.
    template <class Op>
    std::vector<int16_t> CoreResult(const std::string& source, Op op)
    {
        const std::string dest = m_dir.File("expected" + std::to_string(m_count++) + ".wav");
        EXPECT_EQ(m_refEngine.CreateLike(dest, source), 1);
        EXPECT_EQ(op(source, dest), 1);
        return ReadSamples(dest);
    }
    template <class Obj, class Fn, class... A>
    std::vector<int16_t> Core(const std::string& source, Obj& obj, Fn fn, A... args)
    {
        return CoreResult(source, [&](const std::string& s, const std::string& d) { return (obj.*fn)(s, d, args...); });
    }
    template <class D>
    void Fill(std::function<void(D&)> f)
    {
        m_fill = [f](QDialog& d) {
            D* dlg = dynamic_cast<D*>(&d);
            ASSERT_NE(dlg, nullptr);
            f(*dlg);
        };
    }

    TempDir m_config, m_dir, m_temps;
    EditPrompt m_prompt;
    CTempFiles m_tempFiles{m_temps.Path()};
    CSoundClipboard m_clipboard{m_dir.File("clip")};
    CEditEngine m_engine;
    CSoundTools m_tools{m_engine};
    CSoundFilter m_filter{m_engine};
    CMultiTool m_multiTool{m_engine, m_tools, m_filter};
    FakeHost m_host;
    std::unique_ptr<CEditServices> m_svc;
    std::unique_ptr<CEditCommands> m_cmds;
    std::vector<std::unique_ptr<CTavrilDoc>> m_docs;
    std::function<void(QDialog&)> m_fill;
    bool m_accept = true;
    int m_count = 0;
    CEditEngine m_refEngine;
    CSoundTools m_refTools{m_refEngine};
    CSoundFilter m_refFilter{m_refEngine};
};

// ---- clipboard commands and undo ----

TEST_F(EditCommands, DeleteUndoRedoGivesExactSamples)
{
    const auto orig = Ramp(1000);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 300, 100);  // cursors in either order
    EXPECT_EQ(m_cmds->MenuText(Cmd::Undo, &c).toStdString(), "Can't Undo");
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::Undo, &c));

    EditOutcome o = m_cmds->Run(Cmd::DeleteSelection, &c);
    EXPECT_TRUE(o.done && o.soundChanged && o.clearSelection);
    const auto deleted = Concat(std::vector<int16_t>(orig.begin(), orig.begin() + 100), orig, 300);
    EXPECT_EQ(Current(doc), deleted);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(m_cmds->MenuText(Cmd::Undo, &c).toStdString(), "Undo Delete\tCtrl+Z");
    ASSERT_EQ(m_host.changes.size(), 1u);

    c.sel = {};
    ASSERT_TRUE(m_cmds->IsEnabled(Cmd::Undo, &c));
    EXPECT_TRUE(m_cmds->Run(Cmd::Undo, &c).soundChanged);
    EXPECT_EQ(Current(doc), orig);
    EXPECT_EQ(m_cmds->MenuText(Cmd::Undo, &c).toStdString(), "Redo Delete\tCtrl+Z");
    m_cmds->Run(Cmd::Undo, &c);
    EXPECT_EQ(Current(doc), deleted);
    EXPECT_EQ(m_cmds->MenuText(Cmd::Undo, &c).toStdString(), "Undo Delete\tCtrl+Z");
    EXPECT_TRUE(m_prompt.messages.empty());
}

TEST_F(EditCommands, WithoutASelectionNothingIsCutTrimmedOrDeleted)
{
    const auto orig = Ramp(500);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 120, 120);
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::Cut, &c));
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::Trim, &c));
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::Copy, &c));
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::KlipSave, &c));
    EXPECT_TRUE(m_cmds->IsEnabled(Cmd::DeleteSelection, &c));
    EXPECT_FALSE(m_cmds->Run(Cmd::Trim, &c).done);
    EXPECT_FALSE(m_cmds->Run(Cmd::DeleteSelection, &c).done);
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(m_host.changes.empty());
    // No window at all: the window's commands are off, the others stay on.
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::Amplify, nullptr));
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::DeleteSelection, nullptr));
    EXPECT_TRUE(m_cmds->IsEnabled(Cmd::FilterSettings, nullptr));
    EXPECT_TRUE(m_cmds->IsEnabled(Cmd::ImportHeaderless, nullptr));
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::FileSaveAll, nullptr));
}

TEST_F(EditCommands, AMetafileIsNeverEdited)
{
    CTavrilDoc* sound = Open(Ramp(100));
    EditContext s = Ctx(sound, 0, 50);
    ASSERT_TRUE(m_cmds->Run(Cmd::Copy, &s).done);

    const std::string meta = m_dir.File("night metafile.txt");
    WriteAll(meta, {'x'});
    m_docs.push_back(std::make_unique<CTavrilDoc>(m_svc->Services()));
    CTavrilDoc* doc = m_docs.back().get();
    doc->OpenDocument(meta);
    EditContext c;
    c.doc = doc;
    c.sel = {0, 10};
    c.spectrogram = c.freqCursorsShown = true;
    c.upperHz = 1000;
    for (Cmd id : {Cmd::Cut, Cmd::Paste, Cmd::Trim, Cmd::Amplify, Cmd::Maximize, Cmd::Ramp, Cmd::Reverse,
                   Cmd::InsertSilence, Cmd::InsertNoise, Cmd::InsertTone, Cmd::AmplitudeEnvelope, Cmd::PresetFilter,
                   Cmd::FilterFreqCursors, Cmd::FilterNoise, Cmd::MultipleTools}) {
        EXPECT_FALSE(m_cmds->IsEnabled(id, &c)) << static_cast<int>(id);
        EXPECT_FALSE(m_cmds->Run(id, &c).done);
    }
    EXPECT_FALSE(m_cmds->Run(Cmd::DeleteSelection, &c).done);
    EXPECT_TRUE(m_cmds->IsEnabled(Cmd::Copy, &c));
    EXPECT_FALSE(doc->HasWorkingCopy());
    EXPECT_EQ(ReadAll(meta), std::vector<unsigned char>{'x'});
}

TEST_F(EditCommands, PasteGoesBeforeTheSoundAtZeroAndAfterItAtTheEnd)
{
    const auto orig = Ramp(400);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 10, 30);
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::Paste, &c));  // nothing copied yet
    EXPECT_TRUE(m_cmds->Run(Cmd::Copy, &c).done);
    EXPECT_FALSE(doc->CanUndo());  // a copy is no edit
    ASSERT_TRUE(m_cmds->IsEnabled(Cmd::Paste, &c));
    const std::vector<int16_t> clip(orig.begin() + 10, orig.begin() + 30);

    c.sel = {0, 0};
    EditOutcome o = m_cmds->Run(Cmd::Paste, &c);
    EXPECT_TRUE(o.done && !o.clearSelection);
    EXPECT_EQ(Current(doc), Concat(clip, orig));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Paste\tCtrl+Z");

    m_cmds->Run(Cmd::Undo, &c);
    c.sel = {400, 400};
    m_cmds->Run(Cmd::Paste, &c);
    EXPECT_EQ(Current(doc), Concat(orig, clip));
}

TEST_F(EditCommands, CopyOfAStereoSelectionAndOfTheSelectedChannel)
{
    const auto stereo = Stereo(300, [](int i) { return i; }, [](int i) { return -3 * i; });
    CTavrilDoc* doc = Open(stereo, 2);
    EditContext c = Ctx(doc, 50, 150, 1);
    const std::string clipPath = m_svc->Clipboard().ClipPath();
    auto clipChannels = [&] {
        CSoundFile clip;
        return clip.Open(clipPath) ? clip.GetChannels() : 0u;
    };
    EXPECT_EQ(m_cmds->MenuText(Cmd::Copy, &c).toStdString(), "&Copy Sound In All Channels\tCtrl+C");
    ASSERT_TRUE(m_cmds->Run(Cmd::Copy, &c).done);
    EXPECT_EQ(clipChannels(), 2u);
    EXPECT_EQ(ReadSamples(clipPath), std::vector<int16_t>(stereo.begin() + 100, stereo.begin() + 300));

    ASSERT_TRUE(m_cmds->Run(Cmd::CopyChannel, &c).done);
    EXPECT_EQ(clipChannels(), 1u);
    std::vector<int16_t> right;
    for (int i = 50; i < 150; ++i) right.push_back(int16_t(-3 * i));
    EXPECT_EQ(ReadSamples(clipPath), right);

    CTavrilDoc* mono = Open(Ramp(10));
    EditContext m = Ctx(mono);
    EXPECT_EQ(m_cmds->MenuText(Cmd::Copy, &m).toStdString(), "&Copy Sound\tCtrl+C");
}

TEST_F(EditCommands, CutPutsTheFramesOnTheClipboardAndClearsTheSelection)
{
    const auto orig = Ramp(300);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 0, 100);
    EditOutcome o = m_cmds->Run(Cmd::Cut, &c);
    EXPECT_TRUE(o.done && o.clearSelection);
    EXPECT_EQ(Current(doc), std::vector<int16_t>(orig.begin() + 100, orig.end()));
    EXPECT_EQ(ReadSamples(m_svc->Clipboard().ClipPath()), std::vector<int16_t>(orig.begin(), orig.begin() + 100));
    EXPECT_TRUE(m_cmds->IsEnabled(Cmd::Paste, &c));
    c.sel = {0, 50};
    EXPECT_TRUE(m_cmds->Run(Cmd::Trim, &c).clearSelection);
    EXPECT_EQ(Current(doc), std::vector<int16_t>(orig.begin() + 100, orig.begin() + 150));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Trim\tCtrl+Z");
}

// ---- dialogs: defaults ----

TEST_F(EditCommands, DialogsOpenWithTheirTitlesRangesAndDefaults)
{
    CDlgAmplify amp;
    EXPECT_EQ(amp.windowTitle(), "Amplify/Attenuate Signal");
    EXPECT_EQ(amp.PercentField()->value(), 100.0);
    EXPECT_EQ(amp.PercentField()->minimum(), 0.0);
    EXPECT_EQ(amp.PercentField()->maximum(), 10000.0);

    CDlgRamp ramp(m_svc->ramp, "");
    EXPECT_EQ(ramp.windowTitle(), "Ramp Signal Begin/End");
    EXPECT_EQ(ramp.BeginField()->value(), 0);
    EXPECT_EQ(ramp.EndField()->value(), 0);
    EXPECT_EQ(ramp.EndField()->maximum(), 60000);

    CDlgInsertSilence silence(m_svc->silenceDurationMs);
    EXPECT_EQ(silence.windowTitle(), "Insert silence");
    EXPECT_EQ(silence.DurationField()->value(), 0.0);

    CDlgInsertNoise noise(m_svc->noise, m_svc->noiseDurationMs, "");
    EXPECT_EQ(noise.windowTitle(), "Insert Noise");
    EXPECT_EQ(noise.AmplitudeField()->value(), 0.0);
    EXPECT_EQ(noise.AmplitudeField()->maximum(), 100.0);
    EXPECT_EQ(noise.DurationField()->maximum(), 100000.0);

    CDlgInsertTone tone(m_svc->tone, "");
    EXPECT_EQ(tone.windowTitle(), "Insert Tone");
    EXPECT_EQ(tone.FrequencyField()->value(), 0.0);
    EXPECT_EQ(tone.FmGroup()->checkedId(), 0);
    EXPECT_EQ(tone.AmGroup()->checkedId(), 0);
    EXPECT_EQ(tone.FmGroup()->button(0)->text(), "No FM");
    EXPECT_EQ(tone.AmGroup()->button(0)->text(), "No AM");
    EXPECT_TRUE(tone.FmGroup()->button(3)->isEnabled());
    EXPECT_TRUE(tone.AmGroup()->button(3)->isEnabled());
    // A stored FM triangle is shown as triangle and handed back unchanged.
    InsertToneSettings triangle = m_svc->tone;
    triangle.fmWaveformType = 3;
    CDlgInsertTone stored(triangle, "");
    EXPECT_EQ(stored.FmGroup()->checkedId(), 3);
    EXPECT_EQ(stored.Settings().fmWaveformType, 3);

    CDlgAmplitudeEnvelope env(m_svc->envelope, "", m_prompt);
    EXPECT_EQ(env.windowTitle(), "Amplitude Envelope");
    EXPECT_EQ(env.ResolutionField()->value(), 1);
    EXPECT_EQ(env.ResolutionField()->maximum(), 10000);
    EXPECT_EQ(env.KindGroup()->checkedId(), 1);
    EXPECT_TRUE(env.FileField()->text().isEmpty());

    CDlgFilterSettings filter(m_svc->filter, "");
    EXPECT_EQ(filter.windowTitle(), "Preset Filter settings");
    EXPECT_EQ(filter.AmpReductionField()->maximum(), 1000.0);
    EXPECT_EQ(filter.HipassField()->value(), 0.0);
    EXPECT_EQ(filter.LopassField()->value(), 0.0);

    CDlgMultiTool multi(m_svc->multiTool, "");
    EXPECT_EQ(multi.windowTitle(), "Multiple Processing Tools Settings:");
    EXPECT_FALSE(multi.FilterOn()->isChecked() || multi.NoiseOn()->isChecked() || multi.MaximizeOn()->isChecked() ||
                 multi.RampOn()->isChecked());

    CDlgKlipSettings klip(m_svc->klip, "");
    EXPECT_EQ(klip.windowTitle(), "Klip n' Save Settings");
    EXPECT_FALSE(klip.AutofillBox()->isChecked());
    EXPECT_TRUE(klip.TemplateField()->text().isEmpty());

    CDlgImportHeaderless raw(m_svc->headerless, "");
    EXPECT_EQ(raw.windowTitle(), "Import Headerless Binary File");
    EXPECT_EQ(raw.BitsField()->currentText(), "16");
    EXPECT_EQ(raw.BitsField()->count(), 5);
    EXPECT_EQ(raw.RateField()->value(), 22050);
    EXPECT_EQ(raw.ChannelsField()->value(), 1);
    EXPECT_EQ(raw.ChannelsField()->minimum(), 1);
    EXPECT_EQ(raw.OffsetField()->text(), "0");
    EXPECT_EQ(raw.TypeGroup()->checkedId(), 0);
}

TEST_F(EditCommands, AmplifyStartsAt100EveryTimeAndMatchesTheCore)
{
    const auto orig = Ramp(2000, 13);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc);
    double shown = -1;
    Fill<CDlgAmplify>([&](CDlgAmplify& d) {
        shown = d.PercentField()->value();
        d.PercentField()->setValue(50);
    });
    ASSERT_TRUE(m_cmds->Run(Cmd::Amplify, &c).done);
    EXPECT_EQ(shown, 100.0);
    EXPECT_EQ(Current(doc), Core(doc->UndoFileName(), m_refTools, &CSoundTools::Amplify, 0.5, 0));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Amplify\tCtrl+Z");
    shown = -1;
    m_cmds->Run(Cmd::Amplify, &c);
    EXPECT_EQ(shown, 100.0);  // not the 50 of the last time

    m_accept = false;  // Cancel changes nothing
    const auto before = Current(doc);
    EXPECT_FALSE(m_cmds->Run(Cmd::Amplify, &c).done);
    EXPECT_EQ(Current(doc), before);
}

TEST_F(EditCommands, RampSilenceNoiseAndToneMatchTheCore)
{
    const auto orig = Ramp(4000, 11);
    CTavrilDoc* doc = Open(orig);
    const std::string source = doc->Path();
    EditContext c = Ctx(doc, 1000, 1000);

    Fill<CDlgRamp>([](CDlgRamp& d) {
        d.BeginField()->setValue(20);
        d.EndField()->setValue(35);
    });
    ASSERT_TRUE(m_cmds->Run(Cmd::Ramp, &c).done);
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::Ramp, 20, 35, 0));
    EXPECT_EQ(m_svc->ramp.endMs, 35);  // kept for the next time

    m_cmds->Run(Cmd::Undo, &c);
    Fill<CDlgInsertSilence>([](CDlgInsertSilence& d) { d.DurationField()->setValue(10); });
    ASSERT_TRUE(m_cmds->Run(Cmd::InsertSilence, &c).done);
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::InsertSilence, 1000, 10, 0));
    EXPECT_EQ(Current(doc).size(), orig.size() + 220);
    EXPECT_EQ(doc->UndoMenuText(), "Undo Insert Silence\tCtrl+Z");

    m_cmds->Run(Cmd::Undo, &c);
    Fill<CDlgInsertNoise>([](CDlgInsertNoise& d) {
        d.AmplitudeField()->setValue(40);
        d.DurationField()->setValue(20);
    });
    ASSERT_TRUE(m_cmds->Run(Cmd::InsertNoise, &c).done);
    // The noise sequence is the same in every run of the program.
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::InsertNoise, 1000, 20, 0.4, 0));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Insert Noise\tCtrl+Z");

    m_cmds->Run(Cmd::Undo, &c);
    Fill<CDlgInsertTone>([](CDlgInsertTone& d) {
        d.FrequencyField()->setValue(1000);
        d.AmplitudeField()->setValue(50);
        d.DurationField()->setValue(30);
        d.AmRateField()->setValue(40);
        d.AmRangeField()->setValue(20);
        d.AmGroup()->button(3)->setChecked(true);
    });
    ASSERT_TRUE(m_cmds->Run(Cmd::InsertTone, &c).done);
    const ToneParams t{.freqHz = 1000, .amplitude = 0.5, .durationMs = 30, .amType = kModTriangle, .amRateHz = 40,
                       .amRange = 0.2};
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::InsertTone, 1000, t, 0));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Insert generated sound\tCtrl+Z");
    EXPECT_EQ(m_svc->tone.amWaveformType, 3);

    // A duration below 1 ms inserts nothing and leaves the undo step alone.
    Fill<CDlgInsertSilence>([](CDlgInsertSilence& d) { d.DurationField()->setValue(0.5); });
    EXPECT_FALSE(m_cmds->Run(Cmd::InsertSilence, &c).done);
    EXPECT_EQ(doc->UndoMenuText(), "Undo Insert generated sound\tCtrl+Z");
}

TEST_F(EditCommands, MaximizeReverseAndEnvelopeWorkOnTheSelectedChannel)
{
    CTavrilDoc* doc = Open(Stereo(1000, [](int i) { return i % 50; }, [](int i) { return i % 300 - 150; }), 2);
    const std::string source = doc->Path();
    EditContext c = Ctx(doc, 100, 400, 1);
    ASSERT_TRUE(m_cmds->Run(Cmd::Maximize, &c).done);
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::Maximize, 1));
    m_cmds->Run(Cmd::Undo, &c);
    ASSERT_TRUE(m_cmds->Run(Cmd::Reverse, &c).done);
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::Reverse, 100, 300, 1));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Reverse\tCtrl+Z");

    m_cmds->Run(Cmd::Undo, &c);
    const std::string envelope = m_dir.File("envelope.wav");
    ASSERT_TRUE(WriteWav(envelope, Ramp(600, 97)));
    std::string browseTitle;
    m_prompt.paths.push_back(envelope);
    Fill<CDlgAmplitudeEnvelope>([&](CDlgAmplitudeEnvelope& d) {
        d.Browse();
        d.ResolutionField()->setValue(5);
    });
    ASSERT_TRUE(m_cmds->Run(Cmd::AmplitudeEnvelope, &c).done);
    ASSERT_FALSE(m_prompt.pathRequests.empty());
    EXPECT_EQ(m_prompt.pathRequests.back().title, "Select a file to use as an amplitude envelope:");
    EXPECT_EQ(Current(doc), Core(source, m_refTools, &CSoundTools::AmplitudeEnvelope, envelope, 5, 1));
    EXPECT_EQ(m_svc->envelope.filename, envelope);
    EXPECT_TRUE(m_prompt.messages.empty());
}

TEST_F(EditCommands, MakeDefaultStoresTheShownValuesForTheNextStart)
{
    auto clickMakeDefault = [](QDialog& d) {
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text() == "Make default") {
                b->click();
                return true;
            }
        return false;
    };
    CDlgRamp ramp(m_svc->ramp, "");
    ramp.BeginField()->setValue(123);
    ramp.EndField()->setValue(456);
    ASSERT_TRUE(clickMakeDefault(ramp));
    CDlgInsertTone tone(m_svc->tone, "");
    tone.FrequencyField()->setValue(2500);
    tone.FmGroup()->button(2)->setChecked(true);
    ASSERT_TRUE(clickMakeDefault(tone));
    CDlgImportHeaderless raw(m_svc->headerless, "");
    raw.BitsField()->setCurrentIndex(3);
    raw.OffsetField()->setText("4096");
    ASSERT_TRUE(clickMakeDefault(raw));
    CDlgFilterSettings filter(m_svc->filter, "");
    filter.TimeRampField()->setValue(12.5);
    ASSERT_TRUE(clickMakeDefault(filter));
    CDlgMultiTool multi(m_svc->multiTool, "");
    multi.NoiseOn()->setChecked(true);
    ASSERT_TRUE(clickMakeDefault(multi));
    CDlgInsertNoise noise(m_svc->noise, 0, "");
    noise.AmplitudeField()->setValue(33);
    ASSERT_TRUE(clickMakeDefault(noise));
    CDlgAmplitudeEnvelope env(m_svc->envelope, "", m_prompt);
    env.KindGroup()->button(0)->setChecked(true);
    ASSERT_TRUE(clickMakeDefault(env));
    CDlgKlipSettings klip(m_svc->klip, "");
    klip.TemplateField()->setText("%f %y");
    ASSERT_TRUE(clickMakeDefault(klip));
    EXPECT_FALSE(clickMakeDefault(*std::make_unique<CDlgAmplify>()));  // preset to 100 every time

    m_svc->LoadSettings();
    EXPECT_EQ(m_svc->ramp.beginMs, 123);
    EXPECT_EQ(m_svc->ramp.endMs, 456);
    EXPECT_EQ(m_svc->tone.toneFrequencyHz, 2500);
    EXPECT_EQ(m_svc->tone.fmWaveformType, 2);
    EXPECT_EQ(m_svc->headerless.Bits(), 24u);
    EXPECT_EQ(m_svc->headerless.byteOffset, 4096);
    EXPECT_EQ(m_svc->filter.timeRampMs, 12.5);
    EXPECT_EQ(m_svc->multiTool.noiseFilterOn, 1);
    EXPECT_EQ(m_svc->noise.noiseAmplitudePct, 33);
    EXPECT_EQ(m_svc->envelope.useExactEnvelope, 0);
    EXPECT_EQ(m_svc->klip.filenameTemplate, "%f %y");
}

// ---- filters ----

TEST_F(EditCommands, PresetFilterUsesTheDialogsSettingsLikeTheCore)
{
    const auto orig = Tone(6000, 500.0);
    CTavrilDoc* doc = Open(orig);
    const std::string source = doc->Path();
    EditContext c = Ctx(doc);
    Fill<CDlgFilterSettings>([](CDlgFilterSettings& d) {
        d.HipassField()->setValue(1000);
        d.LopassField()->setValue(3000);
        d.AmpReductionField()->setValue(10);
    });
    m_cmds->Run(Cmd::FilterSettings, nullptr);
    EXPECT_EQ(m_svc->filter.hipassFreqHz, 1000);
    EXPECT_FALSE(doc->CanUndo());  // the settings dialog only sets

    ASSERT_TRUE(m_cmds->Run(Cmd::PresetFilter, &c).done);
    const BandFilterParams p{.stopGain = 0.1, .lowpassHz = 3000, .highpassHz = 1000};
    EXPECT_EQ(Current(doc), Core(source, m_refFilter, &CSoundFilter::BandFilter, 0, -1, p, 0));
    EXPECT_EQ(doc->UndoMenuText(), "Undo Filter\tCtrl+Z");
    EXPECT_EQ(m_prompt.progressTexts.back(), "Filtering Data......");
}

TEST_F(EditCommands, FilterUsingFreqCursorsNeedsTwoShownCursorsOnASpectrogram)
{
    CTavrilDoc* doc = Open(Tone(3000, 800.0));
    EditContext c = Ctx(doc);
    c.lowerHz = 500;
    c.upperHz = 2000;
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::FilterFreqCursors, &c));
    c.spectrogram = true;
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::FilterFreqCursors, &c));
    c.freqCursorsShown = true;
    EXPECT_TRUE(m_cmds->IsEnabled(Cmd::FilterFreqCursors, &c));
    c.upperHz = c.lowerHz;
    EXPECT_FALSE(m_cmds->IsEnabled(Cmd::FilterFreqCursors, &c));
    c.upperHz = 2000;
    c.sel = {500, 2500};
    const std::string source = doc->Path();
    ASSERT_TRUE(m_cmds->Run(Cmd::FilterFreqCursors, &c).done);
    EXPECT_EQ(m_prompt.progressTexts.back(), "Filtering Data......");
    const BandFilterParams p{.lowpassHz = 2000, .highpassHz = 500};  // high-pass at the lower cursor
    EXPECT_EQ(Current(doc), Core(source, m_refFilter, &CSoundFilter::BandFilter, 500, 2000, p, 0));
    m_cmds->Run(Cmd::Undo, &c);
    ASSERT_TRUE(m_cmds->Run(Cmd::FilterNoise, &c).done);
    EXPECT_EQ(m_prompt.progressTexts.back(), "Filtering Noise......");
    EXPECT_EQ(doc->UndoMenuText(), "Undo Filter Noise\tCtrl+Z");
    EXPECT_EQ(Current(doc), Core(source, m_refFilter, &CSoundFilter::NoiseFilter, 500, 2000, 0));
}

TEST_F(EditCommands, CancellingALongFilterLeavesTheSoundAndUndoAsTheyWere)
{
    const auto orig = Tone(40000, 700.0);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 1000, 2000);
    ASSERT_TRUE(m_cmds->Run(Cmd::DeleteSelection, &c).done);
    const auto afterDelete = Current(doc);
    const std::string working = doc->WorkingCopyName();
    const std::string undoFile = doc->UndoFileName();

    m_svc->Engine().SetBlockBytes(512);  // many progress reports
    m_svc->filter.hipassFreqHz = 1000;
    m_svc->filter.lopassFreqHz = 3000;
    for (Cmd id : {Cmd::PresetFilter, Cmd::FilterNoise, Cmd::Maximize}) {
        m_prompt.updates = 0;
        m_prompt.cancelAfter = 3;
        c.sel = {};
        EditOutcome o = m_cmds->Run(id, &c);
        EXPECT_FALSE(o.done);
        EXPECT_FALSE(o.soundChanged);
        EXPECT_GT(m_prompt.updates, 3);
        EXPECT_EQ(Current(doc), afterDelete);
        EXPECT_EQ(doc->WorkingCopyName(), working);
        EXPECT_EQ(doc->UndoFileName(), undoFile);
        EXPECT_EQ(doc->UndoMenuText(), "Undo Delete\tCtrl+Z");
        EXPECT_FALSE(m_cmds->IsBusy());
    }
    EXPECT_TRUE(m_prompt.messages.empty());  // stopping is no failure
    // Undo still brings back the sound before the delete.
    m_prompt.cancelAfter = -1;
    m_cmds->Run(Cmd::Undo, &c);
    EXPECT_EQ(Current(doc), orig);
    // The working copy is the only working file left (the undo slot holds the user's file).
    int files = 0;
    for (const fs::path& folder : {m_temps.Path(), m_dir.Path() / CTempFiles::kHiddenFolder})
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().extension() == ".tmp") ++files;
    EXPECT_EQ(files, 1);
}

// ---- multiple tools and Klip n' Save ----

TEST_F(EditCommands, MultipleToolsAllOffStillMakeAnUndoStepAndChangeNothing)
{
    const auto orig = Ramp(3000);
    CTavrilDoc* doc = Open(orig, 1, "field recording.wav");
    EditContext c = Ctx(doc);
    ASSERT_TRUE(m_cmds->Run(Cmd::MultipleTools, &c).done);
    EXPECT_EQ(doc->UndoMenuText(), "Undo Multi Tool\tCtrl+Z");
    EXPECT_EQ(Current(doc), orig);
    EXPECT_EQ(m_prompt.progressTexts.back(), "Applying tools to field recording.wav");
}

TEST_F(EditCommands, MultipleToolsSettingsCanApplyToEveryWindow)
{
    CTavrilDoc* a = Open(Ramp(2000, 3));
    CTavrilDoc* b = Open(Ramp(2500, 5));
    m_host.windows = {Ctx(a), Ctx(b), Ctx(a)};  // a second window on the same sound
    Fill<CDlgMultiTool>([](CDlgMultiTool& d) {
        d.MaximizeOn()->setChecked(true);
        d.ChooseBatch(CDlgMultiTool::Batch::AllWindows);
    });
    m_cmds->Run(Cmd::MultipleToolsSettings, nullptr);
    EXPECT_EQ(m_svc->multiTool.maximizeOn, 1);
    EXPECT_EQ(m_host.changes.size(), 2u);  // each sound once
    for (CTavrilDoc* d : {a, b}) {
        EXPECT_EQ(d->UndoMenuText(), "Undo Multi Tool\tCtrl+Z");
        EXPECT_EQ(Current(d), Core(d->UndoFileName(), m_refTools, &CSoundTools::Maximize, 0));
    }
}

TEST_F(EditCommands, MultipleToolsOnChosenFilesKeepTheOriginalsWhenAskedTo)
{
    const auto orig = Ramp(2000, 3);
    const std::string file = m_dir.File("night.wav");
    ASSERT_TRUE(WriteWav(file, orig));
    m_prompt.paths.push_back(file);
    m_prompt.replies.push_back(IPrompt::Reply::No);
    Fill<CDlgMultiTool>([](CDlgMultiTool& d) {
        d.RampOn()->setChecked(true);
        d.BeginRampField()->setValue(10);
        d.ChooseBatch(CDlgMultiTool::Batch::Files);
    });
    m_cmds->Run(Cmd::MultipleToolsSettings, nullptr);
    ASSERT_EQ(m_prompt.pathRequests.size(), 1u);
    EXPECT_EQ(m_prompt.pathRequests[0].title, "Select sound files to apply tools:");
    EXPECT_EQ(ReadSamples(file), orig);
    EXPECT_EQ(ReadSamples(m_dir.File("night_tools.wav")), Core(file, m_refTools, &CSoundTools::Ramp, 10, 0, 0));
    EXPECT_EQ(m_prompt.progressTexts.back(), "Applying tools to night.wav");
}

TEST_F(EditCommands, KlipNSaveFillsTheTemplateWithTheSoundsNameAndChannel)
{
    CTavrilDoc* doc = Open(Stereo(500, [](int i) { return i; }, [](int i) { return 1000 + i; }), 2, "wren.wav");
    EditContext c = Ctx(doc, 100, 150, 1);
    Fill<CDlgKlipSettings>([](CDlgKlipSettings& d) {
        d.AutofillBox()->setChecked(true);
        d.TemplateField()->setText("%f_%c");
        d.OpenClipBox()->setChecked(true);
    });
    const KlipNSaveSettings before = m_svc->klip;
    m_cmds->Run(Cmd::KlipSettings, nullptr);
    KlipNSaveSettings stored;
    stored.filenameTemplate = "unread";
    stored.Load("");
    EXPECT_NE(stored.filenameTemplate, "%f_%c");  // OK holds until exit; only Make default writes
    EXPECT_EQ(m_svc->klip.filenameTemplate, "%f_%c");
    EXPECT_NE(before.filenameTemplate, "%f_%c");

    const std::string clip = m_dir.File("wren_2.wav");
    m_prompt.paths.push_back(clip);
    ASSERT_TRUE(m_cmds->Run(Cmd::KlipSave, &c).done);
    ASSERT_EQ(m_prompt.pathRequests.size(), 1u);
    EXPECT_EQ(m_prompt.pathRequests[0].title, "Enter a Filename to Save Clip to:");
    EXPECT_EQ(fs::path(m_prompt.pathRequests[0].proposedPath).filename(), "wren_2.wav");
    std::vector<int16_t> expected;
    for (int i = 100; i < 150; ++i) expected.push_back(int16_t(1000 + i));
    EXPECT_EQ(ReadSamples(clip), expected);
    EXPECT_EQ(m_host.opened, std::vector<std::string>{clip});
    EXPECT_FALSE(doc->IsModified());
}

// ---- files ----

TEST_F(EditCommands, SaveAsWritesTheFormatTheNameAsksFor)
{
    const auto orig = Ramp(800);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 0, 100);
    m_cmds->Run(Cmd::DeleteSelection, &c);
    const std::vector<int16_t> edited(orig.begin() + 100, orig.end());

    const std::string aif = m_dir.File("out.aif");
    m_prompt.paths.push_back(aif);
    EditOutcome o = m_cmds->Run(Cmd::FileSaveAs, &c);
    ASSERT_TRUE(o.done && o.fileChanged);
    auto bytes = ReadAll(aif);
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "AIFF");
    EXPECT_EQ(ReadSamples(aif), edited);
    EXPECT_EQ(doc->Path(), aif);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(m_prompt.pathRequests.back().defaultExtension, "wav");

    // A name without a known extension gets the default format: WAV, then AIFF once chosen.
    const std::string odd = m_dir.File("out.dat");
    m_prompt.paths.push_back(odd);
    ASSERT_TRUE(m_cmds->Run(Cmd::FileSaveAs, &c).done);
    bytes = ReadAll(odd);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    ASSERT_EQ(SettingsStore::WriteSettingInt("", "Default File Format", "format type", 1), 1);  // AIFF
    const std::string odd2 = m_dir.File("out2.xyz");
    m_prompt.paths.push_back(odd2);
    ASSERT_TRUE(m_cmds->Run(Cmd::FileSaveAs, &c).done);
    bytes = ReadAll(odd2);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");
    EXPECT_EQ(m_prompt.pathRequests.back().defaultExtension, "aif");
    EXPECT_TRUE(m_prompt.messages.empty());
}

TEST_F(EditCommands, SaveAsNamesTheChunksTheNewFormatCannotHold)
{
    CTavrilDoc* doc = Open(Ramp(800));
    // Another program's tag behind the samples.
    auto bytes = ReadAll(doc->Path());
    const std::string list("LIST\x0c\0\0\0INFOISFT\0\0\0\0", 20);
    bytes.insert(bytes.end(), list.begin(), list.end());
    const uint32_t riff = uint32_t(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = uint8_t(riff >> (8 * i));
    WriteAll(doc->Path(), bytes);
    EditContext c = Ctx(doc, 0, 100);
    m_cmds->Run(Cmd::DeleteSelection, &c);
    m_prompt.paths.push_back(m_dir.File("tagged.aif"));
    ASSERT_TRUE(m_cmds->Run(Cmd::FileSaveAs, &c).done);
    ASSERT_EQ(m_prompt.messages.size(), 1u);
    EXPECT_NE(m_prompt.messages[0].find("tagged.aif was saved without the chunks 'LIST'"), std::string::npos)
        << m_prompt.messages[0];
}

TEST_F(EditCommands, SaveWritesOnlyAModifiedSoundAndReportsFailures)
{
    const auto orig = Ramp(500);
    CTavrilDoc* doc = Open(orig);
    const std::string path = doc->Path();
    EditContext c = Ctx(doc, 0, 50);
    EXPECT_TRUE(m_cmds->Run(Cmd::FileSave, &c).done);  // nothing to do
    EXPECT_EQ(ReadSamples(path), orig);
    m_cmds->Run(Cmd::Trim, &c);
    ASSERT_TRUE(m_cmds->Run(Cmd::FileSave, &c).done);
    EXPECT_EQ(m_host.suspended, 0);  // painting resumed
    EXPECT_EQ(ReadSamples(path), std::vector<int16_t>(orig.begin(), orig.begin() + 50));
    EXPECT_FALSE(doc->IsModified());

    // A failed save on the worker thread still reaches the user and leaves the edit in place.
    c.sel = {0, 10};
    m_cmds->Run(Cmd::Trim, &c);
    m_prompt.paths.push_back(m_dir.File("no such folder/out.wav"));
    EXPECT_FALSE(m_cmds->Run(Cmd::FileSaveAs, &c).done);
    ASSERT_EQ(m_prompt.messages.size(), 1u);
    EXPECT_NE(m_prompt.messages[0].find("could not be saved"), std::string::npos);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Current(doc), std::vector<int16_t>(orig.begin(), orig.begin() + 10));
    EXPECT_TRUE(doc->CanUndo());

    // Refusals the document gives without a word are explained.
    m_prompt.paths.push_back(m_dir.File("list.txt"));
    EXPECT_FALSE(m_cmds->Run(Cmd::FileSaveAs, &c).done);
    ASSERT_EQ(m_prompt.messages.size(), 2u);
    EXPECT_NE(m_prompt.messages[1].find("metafile"), std::string::npos);
    CTavrilDoc* gone = Open(orig);
    fs::remove(gone->Path());
    EditContext g = Ctx(gone);
    m_prompt.paths.push_back(m_dir.File("copy.wav"));
    EXPECT_FALSE(m_cmds->Run(Cmd::FileSaveAs, &g).done);
    ASSERT_EQ(m_prompt.messages.size(), 3u);
    EXPECT_NE(m_prompt.messages[2].find("no longer exists"), std::string::npos);
}

TEST_F(EditCommands, CancelledSavesKeepFilesAndEditsAndStopSaveAll)
{
    const auto orig = Ramp(400000);
    CTavrilDoc* first = Open(orig, 2);
    CTavrilDoc* second = Open(orig, 2);
    const auto firstBytes = ReadAll(first->Path());
    EditContext a = Ctx(first, 0, 1000);
    EditContext b = Ctx(second, 0, 2000);
    m_cmds->Run(Cmd::DeleteSelection, &a);
    m_cmds->Run(Cmd::DeleteSelection, &b);
    const auto edited = Current(first);

    // Save As to a new name, cancelled at once: no file, nothing changed.
    m_prompt.cancelAfter = 0;
    const std::string aif = m_dir.File("copy.aif");
    m_prompt.paths.push_back(aif);
    const size_t before = m_prompt.progressTexts.size();
    const EditOutcome o = m_cmds->Run(Cmd::FileSaveAs, &a);
    EXPECT_FALSE(o.done || o.fileChanged || o.soundChanged);
    EXPECT_TRUE(m_cmds->SaveWasCancelled());
    ASSERT_EQ(m_prompt.progressTexts.size(), before + 1);
    EXPECT_EQ(m_prompt.progressTexts.back(), "Saving copy.aif......");
    EXPECT_FALSE(fs::exists(aif));
    EXPECT_EQ(first->Path(), m_dir.File("0s.wav"));
    EXPECT_EQ(m_host.suspended, 0);

    // Save Sounds in All Windows stops at the first Cancel.
    m_host.windows = {a, b};
    const size_t changes = m_host.changes.size();
    m_prompt.updates = 0;
    m_cmds->Run(Cmd::FileSaveAll, nullptr);
    EXPECT_EQ(m_prompt.progressTexts.size(), before + 2) << "the second sound was not saved after the Cancel";
    EXPECT_EQ(ReadAll(first->Path()), firstBytes);
    EXPECT_EQ(ReadSamples(second->Path()), orig);
    EXPECT_TRUE(first->IsModified() && second->IsModified());
    EXPECT_TRUE(first->CanUndo() && second->CanUndo());
    EXPECT_EQ(Current(first), edited);
    EXPECT_EQ(m_host.changes.size(), changes) << "no window was told of a change";
    EXPECT_TRUE(m_prompt.messages.empty()) << m_prompt.messages[0];

    // Without Cancel the same command saves both.
    m_prompt.cancelAfter = -1;
    m_cmds->Run(Cmd::FileSaveAll, nullptr);
    EXPECT_FALSE(m_cmds->SaveWasCancelled());
    EXPECT_EQ(ReadSamples(first->Path()), edited);
    EXPECT_FALSE(first->IsModified() || second->IsModified());
}

TEST_F(EditCommands, RevertRestoresTheSavedFile)
{
    const auto orig = Ramp(700);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc, 10, 500);
    m_cmds->Run(Cmd::DeleteSelection, &c);
    ASSERT_NE(Current(doc), orig);
    EditOutcome o = m_cmds->Run(Cmd::FileRevert, &c);
    EXPECT_TRUE(o.done && o.soundChanged);
    EXPECT_EQ(Current(doc), orig);
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(EditCommands, LoadIntoAsksToSaveEditsFirst)
{
    CTavrilDoc* doc = Open(Ramp(300));
    const std::string other = m_dir.File("other.wav");
    ASSERT_TRUE(WriteWav(other, Ramp(100, 3)));
    EditContext c = Ctx(doc, 0, 10);
    m_cmds->Run(Cmd::DeleteSelection, &c);
    m_prompt.replies.push_back(IPrompt::Reply::Cancel);
    EXPECT_FALSE(m_cmds->Run(Cmd::FileLoadInto, &c).done);
    EXPECT_TRUE(doc->IsModified());
    m_prompt.replies.push_back(IPrompt::Reply::No);
    m_prompt.paths.push_back(other);
    EditOutcome o = m_cmds->Run(Cmd::FileLoadInto, &c);
    EXPECT_TRUE(o.done && o.fileChanged && o.clearSelection);
    EXPECT_EQ(doc->Path(), other);
    EXPECT_EQ(Current(doc), Ramp(100, 3));
}

TEST_F(EditCommands, AskingToSaveChangesSavesOrDropsThem)
{
    const auto orig = Ramp(300);
    CTavrilDoc* doc = Open(orig);
    EXPECT_TRUE(m_cmds->AskToSaveChanges(*doc));  // nothing to ask
    EXPECT_TRUE(m_prompt.questions.empty());
    EditContext c = Ctx(doc, 0, 100);
    m_cmds->Run(Cmd::Trim, &c);
    m_prompt.replies = {IPrompt::Reply::Cancel, IPrompt::Reply::Yes};
    EXPECT_FALSE(m_cmds->AskToSaveChanges(*doc));
    EXPECT_EQ(ReadSamples(doc->Path()), orig);
    EXPECT_TRUE(m_cmds->AskToSaveChanges(*doc));
    EXPECT_EQ(m_prompt.questions.back(), "Save changes to " + fs::path(doc->Path()).filename().string() + "?");
    EXPECT_EQ(ReadSamples(doc->Path()), std::vector<int16_t>(orig.begin(), orig.begin() + 100));

    // An untitled sound asks for a name; cancelling that keeps the window.
    m_docs.push_back(std::make_unique<CTavrilDoc>(m_svc->Services()));
    CTavrilDoc* untitled = m_docs.back().get();
    untitled->NewDocument();
    untitled->SetModifiedFlag(true);
    m_prompt.replies = {IPrompt::Reply::Yes};
    EXPECT_FALSE(m_cmds->AskToSaveChanges(*untitled));
    EXPECT_EQ(m_prompt.pathRequests.back().title, "Save Sound As:");
}

TEST_F(EditCommands, RenameMovesTheFileAndSavesAnEditedSoundFirstOrKeepsTheOldNameOnCancel)
{
    const auto orig = Ramp(300000);
    CTavrilDoc* doc = Open(orig);
    const std::string first = doc->Path(), before = m_dir.File("moved.wav");
    EditContext c = Ctx(doc, 0, 1000);
    m_prompt.paths.push_back(before);
    EXPECT_TRUE(m_cmds->Run(Cmd::FileRename, &c).fileChanged);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(ReadSamples(before), orig);
    ASSERT_EQ(doc->Path(), before);

    m_cmds->Run(Cmd::DeleteSelection, &c);
    const auto edited = Current(doc);
    const std::string after = m_dir.File("renamed.wav");
    m_prompt.cancelAfter = 0;
    m_prompt.paths.push_back(after);
    EXPECT_FALSE(m_cmds->Run(Cmd::FileRename, &c).done);
    EXPECT_EQ(m_prompt.progressTexts.back(), "Saving " + fs::path(before).filename().string() + "......");
    EXPECT_FALSE(fs::exists(after));
    EXPECT_EQ(ReadSamples(before), orig);
    EXPECT_EQ(doc->Path(), before);
    EXPECT_TRUE(doc->IsModified() && doc->CanUndo());
    EXPECT_TRUE(m_prompt.messages.empty());

    m_prompt.cancelAfter = -1;
    m_prompt.paths.push_back(after);
    EXPECT_TRUE(m_cmds->Run(Cmd::FileRename, &c).fileChanged);
    EXPECT_FALSE(fs::exists(before));
    EXPECT_EQ(ReadSamples(after), edited);
    EXPECT_EQ(doc->Path(), after);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(EditCommands, DeleteSoundFileMovesItAwayAndClosesTheWindow)
{
    CTavrilDoc* doc = Open(Ramp(300));
    const std::string path = doc->Path();
    EditContext c = Ctx(doc, 0, 10);
    m_cmds->Run(Cmd::DeleteSelection, &c);
    m_prompt.replies.push_back(IPrompt::Reply::Yes);  // should the trash be missing
    EditOutcome o = m_cmds->Run(Cmd::FileDeleteAndClose, &c);
    EXPECT_TRUE(o.closeWindow);
    EXPECT_FALSE(fs::exists(path));
    // Recoverable: it went to the trash without a question.
    EXPECT_TRUE(m_prompt.questions.empty());
    EXPECT_TRUE(fs::exists(m_dir.File("data") + "/Trash/files/" + fs::path(path).filename().string()));
    EXPECT_FALSE(doc->IsModified());  // closing must not write it back
}

TEST_F(EditCommands, HeaderlessImportWritesBesideTheSourceAndOpensIt)
{
    const std::string raw = m_dir.File("rec.bin");
    std::vector<unsigned char> bytes = {0xAA, 0xBB};  // header to skip
    for (int16_t v : {100, -100, 200, -200, 300, -300}) {
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    }
    WriteAll(raw, bytes);
    m_prompt.paths.push_back(raw);
    Fill<CDlgImportHeaderless>([](CDlgImportHeaderless& d) {
        d.RateField()->setValue(8000);
        d.ChannelsField()->setValue(2);
        d.OffsetField()->setText("2");
    });
    m_cmds->Run(Cmd::ImportHeaderless, nullptr);
    ASSERT_EQ(m_prompt.pathRequests.size(), 1u);
    EXPECT_EQ(m_prompt.pathRequests[0].title, "Select a Headerless Binary File to Import:");
    const std::string target = raw + ".WAV";
    EXPECT_EQ(m_host.opened, std::vector<std::string>{target});
    CSoundFile f;
    ASSERT_TRUE(f.Open(target));
    EXPECT_EQ(f.GetChannels(), 2u);
    EXPECT_EQ(f.GetSampleRate(), 8000.0);
    f.Close();
    EXPECT_EQ(ReadSamples(target), (std::vector<int16_t>{100, -100, 200, -200, 300, -300}));

    // Importing again asks before the earlier import is replaced.
    m_prompt.paths.push_back(raw);
    m_prompt.replies.push_back(IPrompt::Reply::No);
    m_cmds->Run(Cmd::ImportHeaderless, nullptr);
    EXPECT_EQ(m_prompt.questions.size(), 1u);
    EXPECT_EQ(m_host.opened.size(), 1u);
}

TEST_F(EditCommands, AFailingToolIsReportedAndChangesNothing)
{
    const auto orig = Ramp(500);
    CTavrilDoc* doc = Open(orig);
    EditContext c = Ctx(doc);
    const std::string notASound = m_dir.File("notes.wav");
    WriteAll(notASound, {'h', 'e', 'l', 'l', 'o'});
    Fill<CDlgAmplitudeEnvelope>([&](CDlgAmplitudeEnvelope& d) { d.FileField()->setText(QString::fromStdString(notASound)); });
    EXPECT_FALSE(m_cmds->Run(Cmd::AmplitudeEnvelope, &c).done);
    ASSERT_EQ(m_prompt.messages.size(), 1u);
    EXPECT_NE(m_prompt.messages[0].find("Amplitude Envelope"), std::string::npos);
    EXPECT_EQ(Current(doc), orig);
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(m_cmds->IsBusy());
}

} // namespace

namespace {

TEST(TrashCan, KeepsBothFilesOfTheSameNameAndRecordsWhereTheyCameFrom)
{
    TempDir dir;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data home")));
    fs::create_directories(dir.Path() / "a b");
    fs::create_directories(dir.Path() / "c");
    const std::string first = (dir.Path() / "a b" / "song.wav").string();
    const std::string second = (dir.Path() / "c" / "song.wav").string();
    WriteAll(first, {1});
    WriteAll(second, {2});
    std::string as1, as2, error;
    ASSERT_TRUE(CTrashCan::Move(first, as1, error)) << error;
    ASSERT_TRUE(CTrashCan::Move(second, as2, error)) << error;
    EXPECT_FALSE(fs::exists(first));
    EXPECT_NE(as1, as2);
    EXPECT_EQ(ReadAll(as1), std::vector<unsigned char>{1});
    EXPECT_EQ(ReadAll(as2), std::vector<unsigned char>{2});
    EXPECT_EQ(fs::path(as2).filename(), "song.2.wav");
    const auto info = ReadAll(dir.File("data home") + "/Trash/info/song.wav.trashinfo");
    const std::string text(info.begin(), info.end());
    EXPECT_EQ(text.rfind("[Trash Info]\nPath=", 0), 0u);
    EXPECT_NE(text.find("/a%20b/song.wav\n"), std::string::npos);
    EXPECT_NE(text.find("DeletionDate="), std::string::npos);
    // A file that is not there is refused with a reason.
    EXPECT_FALSE(CTrashCan::Move(first, as1, error));
    EXPECT_FALSE(error.empty());
}

} // namespace

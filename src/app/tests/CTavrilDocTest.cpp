#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundClipboard.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "EditDialogSettings.h"
#include "KlipFileName.h"
#include "MetadataChunks.h"
#include "CTavrilDoc.h"
#include "CTempFiles.h"
#include "DocFixture.h"
#include "ScriptedPrompt.h"
#include "SettingsStore.h"
#include "SoundConvert.h"
#include "TestSupport.h"
#include "../../edit/tests/EditTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavril {
namespace {

namespace fs = std::filesystem;
using test::MakeWav;
using test::ReadAll;
using test::ReadWav;

using test::ExitCodeInChild;

// Only in a forked child: writes past `bytes` then fail as on a full disk instead of killing it.
void LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &lim);
}

std::string Magic(const std::string& path)
{
    const auto head = ReadAll(path);
    return head.size() < 4 ? std::string() : std::string(head.begin(), head.begin() + 4);
}

// Names in a folder, so that a temporary file left beside a target shows.
std::set<std::string> NamesIn(const fs::path& folder)
{
    std::set<std::string> out;
    for (auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
    return out;
}

void ExpectNoSaveTempIn(const fs::path& folder)
{
    for (const auto& name : NamesIn(folder)) EXPECT_EQ(name.find(".tavril-"), std::string::npos) << name;
}

class DocTest : public test::DocFixture {
protected:
    void SetUp() override { MakeRampSound(2000, -1000); }
    // Working files in the temporary folder and in the hidden one beside the sound.
    std::vector<fs::path> TempFiles() const
    {
        std::vector<fs::path> out;
        for (const fs::path& folder : {dir.Path() / "tmp", dir.Path() / CTempFiles::kHiddenFolder})
            if (fs::is_directory(folder))
                for (auto& e : fs::directory_iterator(folder))
                    if (e.path().extension() == ".tmp") out.push_back(e.path());
        return out;
    }

    CTavrilDoc doc{services};
};

TEST_F(DocTest, UntitledDocumentGetsEmptyMono16BitWorkingCopy)
{
    doc.NewDocument();
    EXPECT_EQ(doc.Path(), "untitled.wav");
    CSoundFile* s = doc.SoundForReading();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(doc.HasWorkingCopy());
    EXPECT_EQ(std::make_tuple(s->GetChannels(), s->GetBitsPerSample(), s->GetSampleRate(), s->GetFrameCount()),
              std::make_tuple(1u, 16u, 22050.0, 0u));
    const std::string work = doc.WorkingCopyName();
    EXPECT_EQ(fs::path(work).parent_path(), dir.Path() / "tmp");
    EXPECT_EQ(fs::path(work).filename().string().substr(0, 3), "TVL");
    doc.CloseDocument();
    EXPECT_FALSE(fs::exists(work)) << "closing deletes the working copy";
}

TEST_F(DocTest, EditingLeavesTheOpenedFileAloneUntilSaved)
{
    chmod(sound.c_str(), 0444);
    const auto before = ReadAll(sound);
    ASSERT_TRUE(doc.OpenDocument(sound));
    EXPECT_FALSE(doc.IsModified());
    CSoundFile* viewed = doc.SoundForReading();
    ASSERT_EQ(viewed->EnsureOpen(), 1);
    EXPECT_TRUE(viewed->IsReadOnly()) << "viewing never opens the user's file for writing";
    viewed->Close();
    ASSERT_TRUE(doc.DeleteSelection({100, 300}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadAll(sound), before);
    EXPECT_EQ(doc.LengthFrames(), 1800u);
    EXPECT_EQ(doc.LengthMs(), 81u);  // 1800 * 1000 / 22050 = 81.6

    // The write-protected file is refused, not replaced behind the user's back.
    EXPECT_FALSE(doc.SaveDocument(sound));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find(sound + " is read-only"), std::string::npos) << prompt.messages[0].text;
    EXPECT_EQ(ReadAll(sound), before);
    EXPECT_TRUE(doc.IsModified());

    chmod(sound.c_str(), 0640);
    ASSERT_TRUE(doc.SaveDocument(sound));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.UndoMenuText(), "Can't Undo");
    std::vector<int32_t> want(values.begin(), values.begin() + 100);
    want.insert(want.end(), values.begin() + 300, values.end());
    EXPECT_EQ(ReadWav(sound), want);
    struct stat st {};
    ASSERT_EQ(stat(sound.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the saved file keeps its permission bits";
}

TEST_F(DocTest, CutUndoRedoAndMenuTexts)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    EXPECT_EQ(doc.UndoMenuText(), "Can't Undo");
    EXPECT_FALSE(doc.CanUndo());
    doc.SoundForEditing();
    doc.SoundForReading()->Close();
    const auto original = ReadAll(doc.WorkingCopyName());

    ASSERT_TRUE(doc.Cut({500, 100}));
    EXPECT_TRUE(clipboard.HasSound());
    EXPECT_EQ(doc.UndoMenuText(), "Undo Cut\tCtrl+Z");
    const auto cut = ReadAll(doc.WorkingCopyName());
    EXPECT_EQ(doc.LengthFrames(), 1600u);
    const auto clip = ReadWav(clipboard.ClipPath());
    EXPECT_EQ(clip, std::vector<int32_t>(values.begin() + 100, values.begin() + 500));

    doc.Undo();
    EXPECT_EQ(doc.UndoMenuText(), "Redo Cut\tCtrl+Z");
    EXPECT_EQ(ReadAll(doc.WorkingCopyName()), original) << "undo restores byte for byte";
    EXPECT_TRUE(doc.IsModified()) << "undo does not touch the modified flag";
    doc.Undo();
    EXPECT_EQ(doc.UndoMenuText(), "Undo Cut\tCtrl+Z");
    EXPECT_EQ(ReadAll(doc.WorkingCopyName()), cut);
    EXPECT_EQ(ReadWav(clipboard.ClipPath()), clip);
}

TEST_F(DocTest, EmptySelectionsChangeNothing)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    EXPECT_FALSE(doc.Trim({40, 40}));
    EXPECT_FALSE(doc.Cut({40, 40}));
    EXPECT_FALSE(doc.Copy({7, 7}));
    EXPECT_FALSE(doc.InsertSilence(0, 0.5, 0));
    EXPECT_EQ(doc.UndoMenuText(), "Can't Undo");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(clipboard.HasSound());
    EXPECT_FALSE(doc.PasteInsert(0)) << "paste needs a clip";
}

TEST_F(DocTest, PasteAtStartEndAndIntoEmptySound)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.Copy({0, 3}));
    ASSERT_TRUE(doc.PasteInsert(0));
    EXPECT_EQ(doc.UndoMenuText(), "Undo Paste\tCtrl+Z");
    auto got = ReadWav(doc.WorkingCopyName());
    ASSERT_EQ(got.size(), 2003u);
    EXPECT_EQ(std::vector<int32_t>(got.begin(), got.begin() + 6), std::vector<int32_t>({-1000, -999, -998, -1000, -999, -998}));
    ASSERT_TRUE(doc.PasteInsert(2003));
    got = ReadWav(doc.WorkingCopyName());
    EXPECT_EQ(std::vector<int32_t>(got.end() - 4, got.end()), std::vector<int32_t>({999, -1000, -999, -998}));

    // A stereo 8-bit clip pasted into a new, empty window becomes the sound.
    const std::string other = dir.File("other.wav");
    ASSERT_TRUE(MakeWav(other, 11025, 2, 8, {128, 129, 130, 131}));
    CTavrilDoc src(services);
    ASSERT_TRUE(src.OpenDocument(other));
    ASSERT_TRUE(src.Copy({0, 2}));
    CTavrilDoc fresh(services);
    fresh.NewDocument();
    ASSERT_TRUE(fresh.PasteInsert(0));
    uint32_t ch = 0, bits = 0;
    double rate = 0;
    EXPECT_EQ(ReadWav(fresh.WorkingCopyName(), &ch, &rate, &bits), std::vector<int32_t>({128, 129, 130, 131}));
    EXPECT_EQ(std::tie(ch, bits, rate), std::make_tuple(2u, 8u, 11025.0));
}

TEST_F(DocTest, CopyInSelectedChannelGivesMonoClip)
{
    const std::string stereo = dir.File("stereo.wav");
    ASSERT_TRUE(MakeWav(stereo, 22050, 2, 16, {1, -1, 2, -2, 3, -3}));
    ASSERT_TRUE(doc.OpenDocument(stereo));
    ASSERT_TRUE(doc.Copy({0, 3}));
    uint32_t ch = 0;
    EXPECT_EQ(ReadWav(clipboard.ClipPath(), &ch), std::vector<int32_t>({1, -1, 2, -2, 3, -3}));
    EXPECT_EQ(ch, 2u);
    ASSERT_TRUE(doc.CopyInSelectedChannel({1, 3}, 1));
    EXPECT_EQ(ReadWav(clipboard.ClipPath(), &ch), std::vector<int32_t>({-2, -3}));
    EXPECT_EQ(ch, 1u);
}

TEST_F(DocTest, SignalFilesAreEditedThroughTheWorkingCopy)
{
    const std::string sig = dir.File("song.sig");
    ASSERT_TRUE(ConvertFile(sound, sig, kFormatWav, kFormatSig));
    ASSERT_TRUE(doc.OpenDocument(sig));
    EXPECT_TRUE(prompt.messages.empty()) << prompt.Last();
    EXPECT_FALSE(doc.IsModified());
    // SIG files hold whole blocks of 128 samples.
    EXPECT_EQ(doc.LengthFrames(), 2048u);
    const auto whole = ReadWav(doc.WorkingFileName(false));
    ASSERT_TRUE(doc.Copy({0, 4})) << prompt.Last();
    EXPECT_EQ(ReadWav(clipboard.ClipPath()), std::vector<int32_t>(whole.begin(), whole.begin() + 4));
    ASSERT_TRUE(doc.DeleteSelection({0, 1000}));
    ASSERT_TRUE(doc.SaveDocument(sig)) << prompt.Last();
    const std::string back = dir.File("back.wav");
    ASSERT_TRUE(ConvertFile(sig, back, kFormatSig, kFormatWav));
    EXPECT_EQ(ReadWav(back).size(), 1152u);
}

TEST_F(DocTest, FailedEditIsReportedAndKeepsTheLastGoodVersion)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.Amplify(50, 0));
    const std::string work = doc.WorkingCopyName(), undo = doc.UndoFileName();
    const auto bytes = ReadAll(work);
    EXPECT_FALSE(doc.Amplify(50, 3)) << "a mono sound has no fourth channel";
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.Last().find("\"Amplify\" could not be completed"), std::string::npos) << prompt.Last();
    EXPECT_EQ(doc.WorkingCopyName(), work);
    EXPECT_EQ(doc.UndoFileName(), undo);
    EXPECT_EQ(doc.UndoMenuText(), "Undo Amplify\tCtrl+Z");
    EXPECT_EQ(ReadAll(work), bytes);
    EXPECT_TRUE(fs::exists(undo));
    // One working file (the undo slot holds the user's file), nothing left over.
    EXPECT_EQ(TempFiles().size(), 1u);
}

TEST_F(DocTest, CancelledFilterLikeEditLeavesNoTrace)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    engine.SetBlockBytes(64);
    prompt.cancelAfter = 3;
    EXPECT_FALSE(doc.RunEdit("Amplify", [&](const std::string& p, const std::string& w) {
        return tools.Amplify(p, w, 2.0, 0);
    }, "Working......"));
    EXPECT_TRUE(prompt.messages.empty()) << "a cancel is not an error";
    EXPECT_EQ(prompt.progressTexts, std::vector<std::string>({"Working......"}));
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(ReadWav(doc.WorkingFileName(false)), values);
    // The noise filter can be stopped during its analysis too.
    prompt.progressCalls = 0;
    prompt.cancelAfter = 1;
    EXPECT_FALSE(doc.FilterNoise({}, 0));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(doc.CanUndo());
}

TEST_F(DocTest, OpenReportsMissingAndCorruptFiles)
{
    EXPECT_FALSE(doc.OpenDocument(dir.File("nothing.wav")));
    EXPECT_TRUE(prompt.messages.empty());
    const std::string bad = dir.File("bad.wav");
    test::WriteAll(bad, {'R', 'I', 'F', 'F', 1, 2});
    EXPECT_TRUE(doc.OpenDocument(bad));
    EXPECT_TRUE(doc.OpenWasRefused());
    // The first line is the program's message; the second says what is wrong.
    EXPECT_EQ(prompt.Last(), "Error opening soundfile " + bad + ". The file may be corrupt\nIt is not a sound file at all.");
    const std::string meta = dir.File("song metafile.txt");
    test::WriteAll(meta, {'x'});
    EXPECT_TRUE(doc.OpenDocument(meta));
    EXPECT_EQ(prompt.Last(), "Error opening metafile " + meta +
                                 ". The file may be corrupt, or the media containing it's sound files may not be inserted");
    EXPECT_FALSE(doc.Cut({0, 10})) << "metafiles are not edited";
}

TEST_F(DocTest, SaveChoosesTheFormatFromTheName)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.Amplify(50, 0));
    const std::string aif = dir.File("song.aif");
    ASSERT_TRUE(doc.SaveDocument(aif)) << prompt.Last();
    EXPECT_EQ(Magic(aif), "FORM");
    EXPECT_EQ(doc.Path(), aif);
    CSoundFile back;
    ASSERT_TRUE(back.Open(aif));
    EXPECT_EQ(back.GetFrameCount(), 2000u);

    // An unknown extension gets the default file format.
    ASSERT_TRUE(doc.Amplify(50, 0));
    const std::string odd = dir.File("song.xyz");
    ASSERT_TRUE(doc.SaveDocument(odd));
    EXPECT_EQ(Magic(odd), "RIFF");
    ASSERT_TRUE(SettingsStore::WriteSettingInt("", "Default File Format", "format type", 1));
    ASSERT_TRUE(doc.Amplify(50, 0));
    ASSERT_TRUE(doc.SaveDocument(odd));
    EXPECT_EQ(Magic(odd), "FORM");
    ExpectNoSaveTempIn(dir.Path());
}

TEST_F(DocTest, SaveIntoUnusablePlacesFailsAndKeepsEverything)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.Amplify(50, 0));
    const std::string work = doc.WorkingCopyName();
    // A parent that is a regular file cannot be checked at all.
    test::WriteAll(dir.File("plain"), {1});
    EXPECT_FALSE(doc.SaveDocument(dir.File("plain/x.wav")));
    EXPECT_EQ(prompt.Last(), "Invalid Path Name");
    // A missing folder: the save fails with a message.
    EXPECT_FALSE(doc.SaveDocument(dir.File("missing/x.wav")));
    EXPECT_NE(prompt.Last().find("could not be saved"), std::string::npos);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Path(), sound);
    EXPECT_EQ(doc.WorkingCopyName(), work);
    EXPECT_EQ(doc.UndoMenuText(), "Undo Amplify\tCtrl+Z");
}

// 300000 stereo frames: several blocks of every kind of copy.
bool MakeLongWav(const std::string& path)
{
    std::vector<int32_t> v(600000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = int32_t((i * 37) % 50000) - 25000;
    return MakeWav(path, 22050, 2, 16, v);
}

TEST_F(DocTest, CancelledSaveKeepsTheFileTheEditsAndUndo)
{
    const std::string big = dir.File("long.wav");
    ASSERT_TRUE(MakeLongWav(big));
    const auto original = ReadAll(big);
    ASSERT_TRUE(doc.OpenDocument(big));
    ASSERT_TRUE(doc.Amplify(50, 0));
    const std::string work = doc.WorkingCopyName();
    const auto edited = ReadAll(work);
    const auto names = NamesIn(dir.Path());
    std::vector<double> seen;
    const auto halfway = [&](double f) {
        seen.push_back(f);
        return f < 0.5;
    };

    for (const std::string& target : {big, dir.File("long.aif"), dir.File("long.sig"), dir.File("long.snd")}) {
        seen.clear();
        EXPECT_FALSE(doc.SaveDocument(target, halfway)) << target;
        EXPECT_TRUE(doc.SaveWasCancelled()) << target;
        ASSERT_FALSE(seen.empty());
        EXPECT_LT(seen.back(), 1.0) << "stopped halfway, not at the end";
        EXPECT_TRUE(prompt.messages.empty()) << "a cancel is no failure: " << prompt.Last();
        EXPECT_TRUE(doc.IsModified() && doc.CanUndo());
        EXPECT_EQ(std::tie(doc.UndoMenuText(), doc.Path(), doc.WorkingCopyName()),
                  std::make_tuple("Undo Amplify\tCtrl+Z", big, work));
        EXPECT_EQ(ReadAll(work), edited);
        EXPECT_EQ(ReadAll(big), original);
        EXPECT_EQ(NamesIn(dir.Path()), names) << "nothing new beside the targets";
    }

    // Undo still works, and a save that runs to the end writes the edited sound.
    doc.Undo();
    EXPECT_EQ(ReadAll(doc.WorkingCopyName()), original);
    doc.Undo();
    seen.clear();
    ASSERT_TRUE(doc.SaveDocument(big, [&](double f) {
        seen.push_back(f);
        return true;
    })) << prompt.Last();
    EXPECT_FALSE(doc.SaveWasCancelled());
    EXPECT_EQ(seen.back(), 1.0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadAll(big), edited);
}

TEST_F(DocTest, CancelledSaveAsOfAnUneditedSoundWritesNothing)
{
    const std::string big = dir.File("long.wav");
    ASSERT_TRUE(MakeLongWav(big));
    ASSERT_TRUE(doc.OpenDocument(big));
    ASSERT_FALSE(doc.HasWorkingCopy());
    const auto names = NamesIn(dir.Path());
    for (const std::string& target : {dir.File("copy.wav"), dir.File("copy.aif"), dir.File("copy.sig")}) {
        EXPECT_FALSE(doc.SaveDocument(target, [](double f) { return f < 0.5; })) << target;
        EXPECT_TRUE(doc.SaveWasCancelled());
        EXPECT_FALSE(fs::exists(target)) << target;
        EXPECT_EQ(doc.Path(), big);
        EXPECT_TRUE(prompt.messages.empty()) << prompt.Last();
    }
    EXPECT_EQ(NamesIn(dir.Path()), names);
    // A failure is still a failure, not a cancel.
    EXPECT_FALSE(doc.SaveDocument(dir.File("missing/x.wav"), [](double) { return true; }));
    EXPECT_FALSE(doc.SaveWasCancelled());
    EXPECT_NE(prompt.Last().find("could not be saved"), std::string::npos);
}

TEST_F(DocTest, SaveOnAFullDiskLeavesTheOriginalUnchanged)
{
    // A file size limit makes every write past 64 KiB fail as on a full disk.
    // An AIFF is written anew on saving (a WAV's working copy is renamed).
    const std::string aif = dir.File("song.aif");
    ASSERT_TRUE(ConvertFile(sound, aif, kFormatWav, kFormatAiff));
    sound = aif;
    const auto before = ReadAll(sound);
    EXPECT_EQ(ExitCodeInChild([&] {
                                if (!doc.OpenDocument(sound)) return 10;
                  // 100000 frames = 200 KB, more than the limit.
                  if (!doc.InsertSilence(0, 100000 * 1000.0 / 22050, 0)) return 11;
                  LimitFileSize(64 * 1024);
                  const bool saved = doc.SaveDocument(sound);
                  const bool told =
                      !prompt.messages.empty() && prompt.Last().find("could not be saved") != std::string::npos;
                  const bool stillModified = doc.IsModified() && doc.CanUndo();
                  doc.CloseDocument();
                  return saved ? 12 : !told ? 13 : !stillModified ? 14 : 0;
              }),
              0);
    EXPECT_EQ(ReadAll(sound), before);
    ExpectNoSaveTempIn(dir.Path());
}

TEST_F(DocTest, FullDiskWhileCarryingTheMetadataLeavesTheOriginalUnchanged)
{
    // The samples fit under the limit; the 100 KB of metadata behind them do not.
    const std::string rec = dir.File("tagged.wav");
    test::WriteAll(rec, test::RiffBuilder()
                            .Chunk("fmt ", test::RiffBuilder::Fmt(1, 1, 22050, 16))
                            .Chunk("data", test::Int16Bytes(std::vector<int16_t>(1000, 7)))
                            .Chunk("iXML", std::vector<unsigned char>(100000, 'x'))
                            .Bytes());
    const auto before = ReadAll(rec);
    EXPECT_EQ(ExitCodeInChild([&] {
                  if (!doc.OpenDocument(rec) || !doc.DeleteSelection({0, 10})) return 10;
                  LimitFileSize(64 * 1024);
                  const bool saved = doc.SaveDocument(rec);
                  const bool told = prompt.Last().find("could not be saved") != std::string::npos;
                  doc.CloseDocument();
                  return saved ? 11 : !told ? 12 : 0;
              }),
              0);
    EXPECT_EQ(ReadAll(rec), before);
    ExpectNoSaveTempIn(dir.Path());
}

TEST_F(DocTest, EditOnAFullDiskIsReportedAndUndone)
{
    EXPECT_EQ(ExitCodeInChild([&] {
                                if (!doc.OpenDocument(sound)) return 10;
                  if (!doc.Amplify(50, 0)) return 11;
                  const std::string work = doc.WorkingCopyName();
                  const auto bytes = ReadAll(work);
                  // The new version (200 KB) cannot be written in full.
                  LimitFileSize(64 * 1024);
                  const bool done = doc.InsertSilence(0, 100000 * 1000.0 / 22050, 0);
                  const bool told = !prompt.messages.empty() &&
                                    prompt.Last().find("\"Insert Silence\" could not be completed") != std::string::npos;
                  const bool kept = doc.WorkingCopyName() == work && ReadAll(work) == bytes &&
                                    doc.UndoMenuText() == "Undo Amplify\tCtrl+Z";
                  return done ? 12 : !told ? 13 : !kept ? 14 : TempFiles().size() != 1 ? 15 : 0;
              }),
              0);
}

TEST_F(DocTest, RenameMovesTheFileAndSavesEditsFirst)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.Amplify(50, 0));
    const std::string renamed = dir.File("renamed.wav");
    ASSERT_TRUE(doc.Rename(renamed));
    EXPECT_FALSE(fs::exists(sound));
    EXPECT_EQ(doc.Path(), renamed);
    EXPECT_EQ(ReadWav(renamed)[0], -500);
    EXPECT_FALSE(doc.Rename(dir.File("missing/x.wav")));
    EXPECT_EQ(prompt.messages.back().title, "Error");
    EXPECT_TRUE(fs::exists(renamed));
}

TEST_F(DocTest, FormatInfoChangesOnlyTheWorkingCopy)
{
    const auto before = ReadAll(sound);
    ASSERT_TRUE(doc.OpenDocument(sound));
    doc.ApplyFormatInfo(44100, 0, 1);
    EXPECT_EQ(ReadAll(sound), before);
    EXPECT_EQ(doc.SoundForReading()->GetSampleRate(), 44100);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocTest, FilterCommandsNameTheirUndoAndShowProgress)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    const FilterSettings fs{.hipassFreqHz = 1000};
    ASSERT_TRUE(doc.PresetFilter({}, 0, fs));
    EXPECT_EQ(doc.UndoMenuText(), "Undo Filter\tCtrl+Z");
    EXPECT_TRUE(prompt.progressTexts.empty());
    ASSERT_TRUE(doc.FilterUsingFreqCursors({10, 1500}, 0, 4000, 500, fs));
    ASSERT_TRUE(doc.FilterNoise({}, 0));
    EXPECT_EQ(doc.UndoMenuText(), "Undo Filter Noise\tCtrl+Z");
    EXPECT_EQ(prompt.progressTexts, std::vector<std::string>({"Filtering Data......", "Filtering Noise......"}));
    EXPECT_EQ(doc.LengthFrames(), 2000u);
}

// A float recording as a recorder leaves it: metadata before and after the
// samples, and one sample beyond full scale.
TEST_F(DocTest, EditedSoundKeepsMetadataFloatSamplesAndExactRate)
{
    const std::string rec = dir.File("bat.wav");
    const std::vector<unsigned char> list = {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 4, 0, 0, 0, 'w', 'r', 'e', 'n'};
    const std::vector<unsigned char> guan = {'G', 'U', 'A', 'N', 'O', '|', 'V', 'e', 'r', 's', 'i', 'o', 'n', ':', ' ', '1'};
    std::vector<unsigned char> floats;
    for (float v : {0.5f, 2.0f, -0.25f, 0.125f}) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        test::Put32LE(floats, u);
    }
    test::WriteAll(rec, test::RiffBuilder()
                            .Chunk("fmt ", test::RiffBuilder::Fmt(3, 1, 96000, 32, true))
                            .Chunk("LIST", list)
                            .Chunk("data", floats)
                            .Chunk("guan", guan)
                            .Bytes());
    ASSERT_TRUE(doc.OpenDocument(rec));
    ASSERT_TRUE(doc.DeleteSelection({0, 1}));
    EXPECT_TRUE(prompt.messages.empty()) << "a copy of float samples limits nothing";
    ASSERT_TRUE(doc.SaveDocument(rec));
    const auto saved = ReadAll(rec);
    auto has = [&](const std::vector<unsigned char>& part) {
        return std::search(saved.begin(), saved.end(), part.begin(), part.end()) != saved.end();
    };
    EXPECT_TRUE(has(list));
    EXPECT_TRUE(has(guan));
    EXPECT_TRUE(has({floats.begin() + 4, floats.end()})) << "the float samples, 2.0 included, as they were";

    // A tool works in the integer value range: 2.0 is limited, and says so.
    ASSERT_TRUE(doc.Amplify(100, 0));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find("beyond full scale"), std::string::npos) << prompt.messages[0].text;

    // As AIFF the WAV chunks have no place, and the document says which.
    ASSERT_TRUE(doc.SaveDocument(dir.File("bat.aif")));
    EXPECT_EQ(doc.DroppedChunks(), (std::vector<std::string>{"LIST", "guan"}));

    // An AIFF rate in fractions of a hertz survives an edit through the WAV
    // working copy, and a WAV, which cannot state it, is refused.
    const std::string frac = dir.File("frac.aif");
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(frac, 5298.25, 1, 16), 1);
        const int16_t v[4] = {1, 2, 3, 4};
        f.WriteFrames(v, 4);
    }
    ASSERT_TRUE(doc.OpenDocument(frac));
    ASSERT_TRUE(doc.DeleteSelection({0, 1}));
    ASSERT_TRUE(doc.SaveDocument(frac));
    CSoundFile back;
    ASSERT_EQ(back.Open(frac), 1);
    EXPECT_DOUBLE_EQ(back.GetSampleRate(), 5298.25);
    back.Close();
    prompt.messages.clear();
    EXPECT_FALSE(doc.SaveDocument(dir.File("frac.wav")));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find("5298.25 Hz"), std::string::npos) << prompt.messages[0].text;
    EXPECT_FALSE(fs::exists(dir.File("frac.wav")));
}

TEST_F(DocTest, AnotherTavrilChangingTheFileStopsTheEdit)
{
    const auto before = ReadAll(sound);
    CFileLock other;  // another process's lock; flock locks conflict between open files
    ASSERT_TRUE(other.TryLock(sound));
    ASSERT_TRUE(doc.OpenDocument(sound));
    EXPECT_FALSE(doc.DeleteSelection({0, 10}));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find(sound + " is being changed by another Tavril"), std::string::npos)
        << prompt.messages[0].text;
    other.Unlock();
    ASSERT_TRUE(doc.DeleteSelection({0, 10}));
    // While this document holds it, another cannot take it.
    EXPECT_FALSE(other.TryLock(sound));
    ASSERT_TRUE(doc.SaveDocument(sound));
    EXPECT_TRUE(other.TryLock(sound)) << "released with the save";
    EXPECT_NE(ReadAll(sound), before);
    // The next edit of the saved file waits for its turn again.
    EXPECT_FALSE(doc.DeleteSelection({0, 10}));
    other.Unlock();
    EXPECT_TRUE(doc.DeleteSelection({0, 10}));
}

TEST_F(DocTest, MultipleToolsWithNothingOnStillMakeAnUndoStep)
{
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.ApplyMultipleTools(0, MultiToolSettings{}));
    EXPECT_EQ(doc.UndoMenuText(), "Undo Multi Tool\tCtrl+Z");
    EXPECT_EQ(ReadWav(doc.WorkingCopyName()), values);
    EXPECT_EQ(prompt.progressTexts, std::vector<std::string>({"Applying tools to song.wav"}));
}

TEST_F(DocTest, KlipNSaveProposesTheTemplateNameAndWritesTheChannel)
{
    const std::string stereo = dir.File("wren.wav");
    ASSERT_TRUE(MakeWav(stereo, 22050, 2, 16, {1, -1, 2, -2, 3, -3, 4, -4}));
    ASSERT_TRUE(doc.OpenDocument(stereo));
    const KlipNSaveSettings ks{.autofillOn = 1, .filenameTemplate = "%f_%c"};
    const std::string target = dir.File("clip.wav");
    prompt.paths.push_back(target);
    std::string saved;
    ASSERT_TRUE(doc.KlipNSave({1, 3}, 1, ks, KlipNameInputs{}, &saved)) << prompt.Last();
    EXPECT_EQ(prompt.lastRequest.proposedPath, dir.File("wren_2.wav"));
    EXPECT_EQ(prompt.lastRequest.title, "Enter a Filename to Save Clip to:");
    EXPECT_EQ(saved, target);
    EXPECT_EQ(ReadWav(target), std::vector<int32_t>({-2, -3}));
    // Cancelling the file dialog writes nothing.
    EXPECT_FALSE(doc.KlipNSave({1, 3}, 1, ks, KlipNameInputs{}, &saved));
}

TEST_F(DocTest, KlipNSaveNeverReplacesTheSoundItIsCutFrom)
{
    const std::string wav = dir.File("wren.wav");
    ASSERT_TRUE(MakeWav(wav, 22050, 1, 16, {1, 2, 3, 4}));
    ASSERT_TRUE(doc.OpenDocument(wav));
    const auto before = test::ReadAll(wav);
    // Without the template the proposal would be the sound's own name.
    prompt.paths.push_back(wav);
    std::string saved;
    KlipNSaveSettings noAutofill;
    noAutofill.autofillOn = 0;
    EXPECT_FALSE(doc.KlipNSave({1, 3}, 0, noAutofill, KlipNameInputs{}, &saved));
    EXPECT_EQ(prompt.lastRequest.proposedPath, dir.File("wren clip.wav"));
    EXPECT_NE(prompt.Last().find("cannot be saved over the sound"), std::string::npos);
    EXPECT_EQ(test::ReadAll(wav), before);
    // Nor by another spelling of the same path.
    prompt.paths.push_back(dir.Path().string() + "/./wren.wav");
    EXPECT_FALSE(doc.KlipNSave({1, 3}, 0, noAutofill, KlipNameInputs{}, &saved));
    EXPECT_EQ(test::ReadAll(wav), before);
}

TEST(TempFilesTest, CleanUpSparesFilesOfRunningInstances)
{
    test::TempDir dir;
    int ready[2], quit[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(quit), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        CTempFiles other(dir.Path());
        const std::string name = other.Start() ? other.NewName() : std::string();
        const char ok = name.empty() ? 'n' : 'y';
        if (write(ready[1], &ok, 1) != 1) _exit(1);
        char c;
        if (read(quit[0], &c, 1) < 0) _exit(1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    test::WriteAll(dir.File("TVL999999_old.tmp"), {1});   // an instance that is gone
    test::WriteAll(dir.File("TVLABCD.tmp"), {1});          // an older naming
    test::WriteAll(dir.File("unrelated.tmp"), {1});
    CTempFiles mine(dir.Path());
    ASSERT_TRUE(mine.Start());
    const std::string own = mine.NewName();
    EXPECT_EQ(mine.CleanUpStale(), 2);
    EXPECT_TRUE(fs::exists(own));
    EXPECT_TRUE(fs::exists(dir.File("unrelated.tmp")));
    int otherFiles = 0;
    std::string prefix = "TVL";
    prefix.append(std::to_string(pid));
    for (auto& e : fs::directory_iterator(dir.Path()))
        otherFiles += e.path().filename().string().rfind(prefix, 0) == 0;
    EXPECT_EQ(otherFiles, 2) << "the other instance's lock and working file stay";
    ASSERT_EQ(write(quit[1], "q", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    // Once it has ended without tidying up (as after a crash), its working file and lock go.
    EXPECT_EQ(mine.CleanUpStale(), 2);
    EXPECT_TRUE(fs::exists(own));
}

TEST(SoundClipboardTest, PrivateFolderAndStartUpReset)
{
    test::TempDir dir;
    CSoundClipboard cb(dir.File("clips"));
    ASSERT_TRUE(cb.Prepare());
    struct stat st {};
    ASSERT_EQ(stat(cb.Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(cb.ClipPath(), dir.File("clips/clipfile.wav"));
    EXPECT_EQ(cb.CursorPlayPath(), dir.File("clips/cursorplay.wav"));
    test::WriteAll(cb.ClipPath(), {1});
    cb.SetHasSound(true);
    cb.Reset();
    EXPECT_FALSE(cb.HasSound());
    EXPECT_FALSE(fs::exists(cb.ClipPath()));
    // A link planted where the folder should be is not used.
    fs::create_directory(dir.Path() / "elsewhere");
    fs::create_symlink(dir.Path() / "elsewhere", dir.Path() / "planted");
    CSoundClipboard planted(dir.File("planted"));
    EXPECT_FALSE(planted.Prepare());
}

TEST(TempFilesTest, OwnerIsReadFromTheName)
{
    EXPECT_EQ(CTempFiles::OwnerOf("TVL123_ab.tmp"), 123);
    EXPECT_EQ(CTempFiles::OwnerOf("TVL77.lock"), 77);
    EXPECT_EQ(CTempFiles::OwnerOf("TVLx.tmp"), -1);
    EXPECT_EQ(CTempFiles::OwnerOf("TVL"), -1);
    EXPECT_EQ(CTempFiles::OwnerOf("TVL12345678901234_a.tmp"), -1);
}

// Real recordings from the shared corpus, through the same document steps.
class DocCorpusTest : public DocTest {};

std::string Corpus(const std::string& rel)
{
    const auto c = test::CorpusDir();
    return c && fs::exists(*c / rel) ? (*c / rel).string() : std::string();
}

TEST_F(DocCorpusTest, FieldRecordingCutUndoAndNoiseFilter)
{
    const std::string night = Corpus("birdvoxdetect/BirdVox-full-night_unit03_00-19-45_01min.wav");
    if (night.empty()) GTEST_SKIP() << "corpus not present (../shared/corpus)";
    const auto before = ReadAll(night);
    ASSERT_TRUE(doc.OpenDocument(night));
    doc.SoundForEditing();
    doc.SoundForReading()->Close();
    const auto copy = ReadAll(doc.WorkingCopyName());
    ASSERT_TRUE(doc.Cut({24000 * 10, 24000 * 20}));
    EXPECT_EQ(doc.LengthFrames(), 1440000u - 240000u);
    doc.Undo();
    EXPECT_EQ(ReadAll(doc.WorkingCopyName()), copy);
    ASSERT_TRUE(doc.FilterNoise({}, 0)) << prompt.Last();
    ASSERT_TRUE(doc.Maximize(0));
    EXPECT_EQ(doc.LengthFrames(), 1440000u);
    const std::string out = dir.File("night.wav");
    ASSERT_TRUE(doc.SaveDocument(out));
    EXPECT_EQ(ReadAll(night), before);
    // Maximize brings the peak to just below full scale, never onto it.
    const auto v = ReadWav(out);
    int32_t peak = 0;
    for (int32_t x : v) peak = std::max(peak, std::abs(x));
    EXPECT_GT(peak, 30000);
    EXPECT_LT(peak, 32767);  // the 100 of headroom keeps it off full scale
}

TEST_F(DocCorpusTest, TwentyFourBitAiffKeepsEveryBit)
{
    const std::string aif = Corpus("go-audio-aiff/zipper24b.aiff");
    if (aif.empty()) GTEST_SKIP() << "corpus not present (../shared/corpus)";
    CSoundFile orig;
    ASSERT_TRUE(orig.Open(aif));
    const uint32_t n = orig.GetFrameCount();
    std::vector<int32_t> a(size_t(n) * 2);
    orig.ReadFrames(a.data(), n, 32);
    ASSERT_TRUE(doc.OpenDocument(aif));
    ASSERT_TRUE(doc.Amplify(100, 1));
    ASSERT_TRUE(doc.Reverse({}, 0));
    ASSERT_TRUE(doc.Reverse({}, 0));
    const std::string out = dir.File("zipper.aif");
    ASSERT_TRUE(doc.SaveDocument(out)) << prompt.Last();
    CSoundFile back;
    ASSERT_TRUE(back.Open(out));
    EXPECT_EQ(back.GetBitsPerSample(), 24u);
    ASSERT_EQ(back.GetFrameCount(), n);
    std::vector<int32_t> b(size_t(n) * 2);
    back.ReadFrames(b.data(), n, 32);
    EXPECT_EQ(a, b);
}

// Every WAV and AIFF of the corpus that opens survives an edit and a save:
// the samples the edit keeps, and the bytes of every metadata chunk.
TEST_F(DocCorpusTest, EveryFileThatOpensKeepsSamplesAndChunksThroughAnEdit)
{
    const auto corpus = test::CorpusDir();
    if (!corpus) GTEST_SKIP() << "corpus not present (../shared/corpus)";
    int edited = 0;
    for (const auto& e : fs::recursive_directory_iterator(*corpus)) {
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!e.is_regular_file() || (ext != ".wav" && ext != ".aif" && ext != ".aiff" && ext != ".aifc")) continue;
        if (e.file_size() > (4u << 20)) continue;  // the long recordings add time, not cases
        CSoundFile orig;
        if (!orig.OpenReadOnly(e.path().string()) || orig.GetFrameCount() < 2) continue;
        SCOPED_TRACE(e.path().string());
        const uint32_t n = orig.GetFrameCount();
        std::vector<int32_t> want(size_t(n) * orig.GetChannels());
        orig.ReadFrames(want.data(), n, 32);
        orig.Close();
        want.erase(want.begin(), want.begin() + orig.GetChannels());
        const std::string copy = dir.File("sweep" + ext);
        fs::copy_file(e.path(), copy, fs::copy_options::overwrite_existing);
        fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);  // the corpus is write-protected
        const auto before = ReadAll(copy);
        const auto chunks = ListMetadataChunks(copy);

        prompt.messages.clear();
        ASSERT_TRUE(doc.OpenDocument(copy));
        ASSERT_TRUE(doc.DeleteSelection({0, 1})) << prompt.Last();
        ASSERT_TRUE(doc.SaveDocument(copy)) << prompt.Last();
        doc.CloseDocument();
        CSoundFile back;
        ASSERT_EQ(back.Open(copy), 1);
        ASSERT_EQ(back.GetFrameCount(), n - 1);
        std::vector<int32_t> got(want.size());
        back.ReadFrames(got.data(), n - 1, 32);
        EXPECT_EQ(got, want);
        const auto after = ReadAll(copy);
        for (const auto& c : chunks) {
            const auto body = before.begin() + static_cast<std::ptrdiff_t>(c.bodyOffset);
            EXPECT_NE(std::search(after.begin(), after.end(), body, body + c.size), after.end()) << "chunk " << c.id;
        }
        ++edited;
    }
    EXPECT_GT(edited, 150);
}

TEST_F(DocTest, AMetafileOpensWithItsAnnotationsAndSavesThem)
{
    const std::string meta = dir.File("song metafile.txt");
    const std::string log = dir.File("song annotations.log");
    {
        std::ofstream(meta) << "annotationfile=song annotations.log\nstarttime=10:00:00\nstartdate=2005-10-31\nsong.wav\n";
        std::ofstream(log) << "an:\tsong.wav\t1\t0.01\t0.05\t5000\t1000\tchirp\t\n";
    }
    ASSERT_TRUE(doc.OpenDocument(meta));
    EXPECT_TRUE(prompt.messages.empty()) << prompt.Last();
    CSoundFile* s = doc.SoundForReading();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetFrameCount(), 2000u);
    ASSERT_EQ(doc.Annotations().Count(), 1u);
    EXPECT_EQ(doc.Annotations().At(0)->Comment(), "chirp");
    EXPECT_FALSE(doc.IsModified());

    // Without saving on every change, an edit waits for the document's save.
    SettingsStore::WriteSettingInt("", "Annotation settings", "Save annotation file with every entry change", 0);
    SettingsStore::WriteSettingInt("", "Annotation settings", "Save start time", 1);
    doc.Annotations().At(0)->SetComment("trill");
    doc.AnnotationsChanged();
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.SaveDocument(meta));
    EXPECT_FALSE(doc.IsModified());
    const auto bytes = test::ReadAll(log);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\t10:00:00\ttrill\t"), std::string::npos) << text;
    EXPECT_EQ(Magic(sound), "RIFF");
}

TEST_F(DocTest, AnAnnotationFileThatCannotBeReadIsReported)
{
    const std::string meta = dir.File("song metafile.txt");
    std::ofstream(meta) << "annotationfile=notes\nsong.wav\n";
    fs::create_directories(dir.Path() / "notes");  // a folder where the file should be
    ASSERT_TRUE(doc.OpenDocument(meta));
    EXPECT_EQ(doc.Annotations().Count(), 0u);
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages.back().title, "Error Opening Annotation File");
    // Saving the metafile under another name is no save of its annotations.
    EXPECT_FALSE(doc.SaveDocument(dir.File("other metafile.txt")));
}

TEST_F(DocTest, AClipOfASeriesCrossesItsMembers)
{
    ASSERT_TRUE(MakeWav(dir.File("a.wav"), 22050, 1, 16, {1, 2, 3}));
    ASSERT_TRUE(MakeWav(dir.File("b.wav"), 22050, 1, 16, {4, 5}));
    const std::string meta = dir.File("pair metafile.txt");
    std::ofstream(meta) << "recordingtype=list,cont\na.wav\nb.wav\n";
    ASSERT_TRUE(doc.OpenDocument(meta));
    const std::string target = dir.File("clip.wav");
    prompt.paths.push_back(target);
    ASSERT_TRUE(doc.KlipNSave({1, 4}, 0, KlipNSaveSettings{}, KlipNameInputs{})) << prompt.Last();
    EXPECT_EQ(ReadWav(target), std::vector<int32_t>({2, 3, 4}));
}

} // namespace
} // namespace tavril

// The document's first edit reads the user's file itself, its working copies
// stand beside the sound and are renamed into place on saving, and a crash
// between edit and save leaves the user's file alone and nothing the next
// start does not clean up.

#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundClipboard.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "CTavrilDoc.h"
#include "CTempFiles.h"
#include "DocFixture.h"
#include "ScriptedPrompt.h"
#include "SoundConvert.h"
#include "TestSupport.h"
#include "../../edit/tests/EditTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavril {
namespace {

namespace fs = std::filesystem;
using test::MakeWav;
using test::ReadAll;
using test::ReadWav;

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    timespec mtime{};
    bool operator==(const FileId& o) const
    {
        return dev == o.dev && ino == o.ino && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileId IdOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {st.st_dev, st.st_ino, st.st_mtim};
}

// Files of working copies in the hidden folder beside the sound.
int HiddenFiles(const fs::path& folder)
{
    const fs::path hidden = folder / CTempFiles::kHiddenFolder;
    int n = 0;
    if (fs::is_directory(hidden))
        for (auto& e : fs::directory_iterator(hidden)) n += e.is_regular_file();
    return n;
}

class FirstEditTest : public test::DocFixture {
protected:
    void SetUp() override { MakeRampSound(3000, -1500); }
    // `values` without [from, from + count), worked out by hand from the ramp.
    std::vector<int32_t> Deleted(size_t from, size_t count) const
    {
        std::vector<int32_t> out(values.begin(), values.begin() + from);
        out.insert(out.end(), values.begin() + from + count, values.end());
        return out;
    }

};

TEST_F(FirstEditTest, UndoReturnsToTheUsersFileWhichIsNeverTouched)
{
    const auto before = ReadAll(sound);
    const FileId id = IdOf(sound);
    {
        CTavrilDoc doc(services);
        ASSERT_TRUE(doc.OpenDocument(sound));
        ASSERT_TRUE(doc.DeleteSelection({100, 400}));
        EXPECT_EQ(doc.UndoFileName(), sound) << "the user's file is the previous version, not a copy of it";
        EXPECT_EQ(ReadWav(doc.WorkingCopyName()), Deleted(100, 300));

        doc.Undo();
        EXPECT_EQ(doc.UndoMenuText(), "Redo Delete\tCtrl+Z");
        EXPECT_EQ(ReadAll(doc.WorkingFileName(false)), before) << "undo returns exactly the user's file";
        EXPECT_TRUE(doc.SoundForReading()->EnsureOpen());
        EXPECT_TRUE(doc.SoundForReading()->IsReadOnly()) << "the user's file is viewed, never opened for writing";
        doc.SoundForReading()->Close();
        doc.Undo();
        EXPECT_EQ(ReadWav(doc.WorkingFileName(false)), Deleted(100, 300)) << "redo";

        // The next edit drops the user's file from the undo slot without deleting it.
        ASSERT_TRUE(doc.Trim({0, 1000}));
        EXPECT_NE(doc.UndoFileName(), sound);
        EXPECT_EQ(ReadAll(sound), before);

        // Undo back to the user's file, then an edit from it: again read in place.
        ASSERT_TRUE(doc.OpenDocument(sound));
        ASSERT_TRUE(doc.Amplify(50, 0));
        doc.Undo();
        ASSERT_TRUE(doc.Reverse({}, 0));
        EXPECT_EQ(doc.UndoFileName(), sound);
        // A format change must not reach the user's file standing as the current version.
        doc.Undo();
        doc.ApplyFormatInfo(44100, 0, 0);
        EXPECT_NE(doc.WorkingCopyName(), sound);
        EXPECT_EQ(doc.SoundForReading()->GetSampleRate(), 44100.0);
        doc.SoundForReading()->Close();
        doc.CloseDocument();
        EXPECT_EQ(HiddenFiles(dir.Path()), 0) << "closing deletes the working files";
    }
    EXPECT_EQ(ReadAll(sound), before);
    EXPECT_TRUE(IdOf(sound) == id) << "never written, renamed or replaced";
}

TEST_F(FirstEditTest, SavingRenamesTheWorkingCopyOnOneFileSystem)
{
    CTavrilDoc doc(services);
    ASSERT_TRUE(doc.OpenDocument(sound));
    ASSERT_TRUE(doc.DeleteSelection({2000, 2500}));
    const std::string work = doc.WorkingCopyName();
    EXPECT_EQ(fs::path(work).parent_path(), dir.Path() / CTempFiles::kHiddenFolder);
    const FileId workId = IdOf(work);
    chmod(sound.c_str(), 0640);
    ASSERT_TRUE(doc.SaveDocument(sound)) << prompt.Last();
    const FileId savedId = IdOf(sound);
    EXPECT_TRUE(savedId.dev == workId.dev && savedId.ino == workId.ino) << "renamed into place, not copied";
    EXPECT_EQ(ReadWav(sound), Deleted(2000, 500));
    struct stat st {};
    ASSERT_EQ(stat(sound.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the file keeps its permissions";
    EXPECT_EQ(doc.UndoMenuText(), "Can't Undo");
    EXPECT_FALSE(doc.IsModified());
    // The next edit starts from the saved file again.
    ASSERT_TRUE(doc.DeleteSelection({0, 500}));
    EXPECT_EQ(doc.UndoFileName(), sound);
    doc.Undo();
    EXPECT_EQ(ReadWav(doc.WorkingFileName(false)), Deleted(2000, 500));
}

TEST_F(FirstEditTest, SavingAcrossFileSystemsCopiesAndKeepsTheWorkingCopyUntilDone)
{
    const fs::path mnt = dir.Path() / "mnt";
    fs::create_directories(mnt);
    if (::mount("tavril-test", mnt.c_str(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted here (needs root): " << std::strerror(errno);
    struct Unmount {
        fs::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mnt};
    const std::string target = (mnt / "out.wav").string();
    test::WriteAll(target, {1, 2, 3});
    chmod(target.c_str(), 0604);
    {
        CTavrilDoc doc(services);
        ASSERT_TRUE(doc.OpenDocument(sound));
        ASSERT_TRUE(doc.DeleteSelection({10, 20}));
        const std::string work = doc.WorkingCopyName();
        const auto edited = ReadAll(work);
        ASSERT_TRUE(doc.SaveDocument(target)) << prompt.Last();
        EXPECT_EQ(ReadAll(target), edited) << "the same bytes as the working copy";
        EXPECT_EQ(ReadWav(target), Deleted(10, 10));
        struct stat st {};
        ASSERT_EQ(stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0604u);
        EXPECT_EQ(doc.Path(), target);
        for (auto& e : fs::directory_iterator(mnt))
            EXPECT_TRUE(e.path().filename() == "out.wav" || e.path().filename() == CTempFiles::kHiddenFolder) << e.path();
        EXPECT_EQ(HiddenFiles(mnt), 0) << "nothing but the result left on the mount";
        doc.CloseDocument();
        EXPECT_FALSE(fs::exists(work));
    }
    EXPECT_EQ(ReadWav(sound), values);
}

TEST_F(FirstEditTest, KilledBetweenEditAndSaveLeavesTheFileAndNoLitter)
{
    const auto before = ReadAll(sound);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        CTempFiles childTemps(dir.Path() / "tmp");
        CTavrilDoc doc(DocServices{prompt, childTemps, clipboard, engine, tools, filter, multiTool, ""});
        const bool ok = doc.OpenDocument(sound) && doc.DeleteSelection({0, 1000}) && doc.Amplify(50, 0);
        const char c = ok ? 'y' : 'n';
        if (write(ready[1], &c, 1) != 1) _exit(1);
        for (;;) pause();
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    // Two working files of the child beside the sound; one of this test's own beside them.
    EXPECT_EQ(HiddenFiles(dir.Path()), 2);
    const std::string own = temps.NewNameNear(sound);
    ASSERT_FALSE(own.empty());
    // While the child runs, its files are spared.
    EXPECT_EQ(temps.CleanUpStale(), 0);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(ReadAll(sound), before);

    // The next start (this process stands for it): the two working files,
    // the lock and the list of hidden folders.
    EXPECT_EQ(temps.CleanUpStale(), 4);
    EXPECT_EQ(HiddenFiles(dir.Path()), 1);
    EXPECT_TRUE(fs::exists(own)) << "a running instance's file stays";
    ::unlink(own.c_str());
    EXPECT_EQ(ReadAll(sound), before);
}

// Names in the sound's folder that a save's temporary files would have.
std::vector<std::string> SaveTemporaries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind(".tavril-", 0) == 0) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A save that writes its new version beside the target (a conversion, as
// `tavril-cli convert` and the multitool make) killed halfway: the next start
// removes its temporary file and nothing else that looks like one.
TEST_F(FirstEditTest, KilledDuringASaveLeavesNoTemporaryBesideTheTarget)
{
    const auto before = ReadAll(sound);
    const std::string target = dir.File("song.aif");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        CTempFiles childTemps(dir.Path() / "tmp");
        if (!childTemps.Start()) _exit(1);
        std::string message;
        // Stopped for good while the AIFF is being written.
        ConvertFile(sound, target, kFormatWav, kFormatAiff, message, [&](double) {
            if (write(ready[1], "y", 1) != 1) _exit(1);
            for (;;) pause();
            return true;
        });
        _exit(2);
    }
    struct Reap {
        pid_t pid;
        ~Reap()
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reap{pid};
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1) << "the conversion ended without reporting progress";
    const std::string childs = ".tavril-" + std::to_string(pid) + "-";
    const auto during = SaveTemporaries(dir.Path());
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0].rfind(childs, 0), 0u) << during[0];
    EXPECT_EQ(fs::path(during[0]).extension(), ".aif") << "a writer that goes by the name gets the right one";
    // The user's own files with like names, a temporary of a process that
    // runs (pid 1 always does) and a link stay whatever happens.
    test::WriteAll(dir.File(".tavril-notes.txt"), {1});
    test::WriteAll(dir.File(".tavril-1-abcdef.wav"), {2});
    const std::string link = dir.File(childs + "zzzzzz.wav");
    ASSERT_EQ(::symlink(sound.c_str(), link.c_str()), 0);
    EXPECT_EQ(temps.CleanUpStale(), 0) << "spared while its saver runs";
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    temps.CleanUpStale();
    std::vector<std::string> expected = {".tavril-1-abcdef.wav", childs + "zzzzzz.wav", ".tavril-notes.txt"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SaveTemporaries(dir.Path()), expected);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(ReadAll(sound), before);
}

TEST(TempFilesNearASound, AWriteProtectedFolderGetsNothingWrittenIntoIt)
{
    test::TempDir dir;
    fs::create_directory(dir.Path() / "tmp");
    CTempFiles temps(dir.Path() / "tmp");
    ASSERT_TRUE(temps.Start());
    const fs::path folder = dir.Path() / "archive";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string name = temps.NewNameNear((folder / "dawn.wav").string());
    ASSERT_FALSE(name.empty());
    EXPECT_FALSE(fs::exists(folder / CTempFiles::kHiddenFolder));
    EXPECT_NE(fs::path(name).parent_path().parent_path(), folder);
    ::unlink(name.c_str());
    fs::permissions(folder, fs::perms::owner_all);
}

} // namespace
} // namespace tavril

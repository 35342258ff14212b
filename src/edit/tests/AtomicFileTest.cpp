#include "AtomicFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace tavril {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

TEST(AtomicFileTest, UniqueFilesAreNewEmptyAndKeepTheirSuffix)
{
    TempDir dir;
    const std::string pattern = dir.File("TVLXXXXXX.tmp");
    const std::string a = CreateUniqueFile(pattern, 4);
    const std::string b = CreateUniqueFile(pattern, 4);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    for (const std::string& name : {a, b}) {
        EXPECT_EQ(std::filesystem::path(name).parent_path(), dir.Path());
        EXPECT_EQ(name.size(), pattern.size());
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
        EXPECT_EQ(name.find("XXXXXX"), std::string::npos);
        EXPECT_EQ(std::filesystem::file_size(name), 0u);
    }
    errno = 0;
    EXPECT_EQ(CreateUniqueFile(dir.File("missing/TVLXXXXXX.tmp"), 4), "");
    EXPECT_EQ(errno, ENOENT);
}

TEST(AtomicFileTest, ReplaceKeepsPermissionsAndFailsCleanly)
{
    TempDir dir;
    const std::string target = dir.File("t.wav");
    WriteAll(target, {1, 2, 3});
    chmod(target.c_str(), 0640);
    std::string error;
    const std::string temp = MakeTempBeside(target, ".wav", error);
    ASSERT_FALSE(temp.empty()) << error;
    EXPECT_EQ(std::filesystem::path(temp).extension(), ".wav");
    WriteAll(temp, {9});
    ASSERT_TRUE(ReplaceWith(temp, target, error)) << error;
    EXPECT_EQ(ReadAll(target), std::vector<unsigned char>({9}));
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(std::filesystem::exists(temp));

    // Renaming onto a folder fails: the temporary file goes, the folder stays.
    std::filesystem::create_directory(dir.Path() / "sub");
    std::filesystem::create_directory(dir.Path() / "sub" / "x");
    const std::string t2 = MakeTempBeside(dir.File("sub"), ".wav", error);
    ASSERT_FALSE(t2.empty());
    EXPECT_FALSE(ReplaceWith(t2, dir.File("sub"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(t2));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("sub")));
    EXPECT_TRUE(MakeTempBeside(dir.File("missing/a.wav"), ".wav", error).empty());

    // A name at the file system's limit of 255 bytes can be replaced too.
    const std::string longName = dir.File(std::string(251, 'n') + ".wav");
    WriteAll(longName, {1});
    const std::string t3 = MakeTempBeside(longName, ".wav", error);
    ASSERT_FALSE(t3.empty()) << error;
    WriteAll(t3, {7});
    ASSERT_TRUE(ReplaceWith(t3, longName, error)) << error;
    EXPECT_EQ(ReadAll(longName), std::vector<unsigned char>({7}));

    // A write-protected file is not replaced, even where the folder would allow it.
    chmod(target.c_str(), 0444);
    const std::string t4 = MakeTempBeside(target, ".wav", error);
    WriteAll(t4, {5});
    EXPECT_FALSE(ReplaceWith(t4, target, error));
    EXPECT_EQ(error, target + " is read-only");
    EXPECT_EQ(ReadAll(target), std::vector<unsigned char>({9}));
    EXPECT_FALSE(std::filesystem::exists(t4));
}

TEST(AtomicFileTest, MoveAcrossFileSystems)
{
    TempDir dir;
    struct stat a {}, b {};
    if (stat("/dev/shm", &b) != 0 || stat(dir.Path().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system (/dev/shm) to move across";
    const std::string from = dir.File("song.wav");
    WriteAll(from, {1, 2, 3, 4});
    const std::string to = "/dev/shm/tavril-move-test-" + std::to_string(getpid()) + ".wav";
    std::string error;
    ASSERT_TRUE(MoveFileSafely(from, to, error)) << error;
    EXPECT_EQ(ReadAll(to), std::vector<unsigned char>({1, 2, 3, 4}));
    EXPECT_FALSE(std::filesystem::exists(from));
    std::filesystem::remove(to);
    WriteAll(from, {5});
    EXPECT_FALSE(MoveFileSafely(from, "/dev/shm/missing-folder-tavril/x.wav", error));
    EXPECT_TRUE(std::filesystem::exists(from)) << "a failed move keeps the file";
}

} // namespace
} // namespace tavril

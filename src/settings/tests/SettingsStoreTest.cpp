#include "SettingsStore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tavril::SettingsStore;
using tavril::test::TempDir;

namespace {

std::string ReadText(const std::string& path)
{
    auto bytes = tavril::test::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text)
{
    tavril::test::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// Puts an environment variable back as it was when the test ends.
struct SavedEnv {
    explicit SavedEnv(const char* n) : name(n) { if (const char* v = std::getenv(n)) value = v; }
    ~SavedEnv() { value ? setenv(name, value->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> value;
};

// Points the default settings file into a scratch folder.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", (m_dir.Path() / "config").c_str(), 1); }
    SavedEnv m_xdg{"XDG_CONFIG_HOME"}, m_home{"HOME"};
    TempDir m_dir;
    std::string m_file = m_dir.File("a.set");
};

TEST_F(SettingsStoreTest, FloatsAreWrittenFixedWithSixDecimals)
{
    const struct { const char* key; float value, back; } rows[] = {
        {"tenth", 0.1f, 0.1f}, {"million", 1e6f, 1e6f}, {"half", -0.5f, -0.5f}, {"tiny", 1e-7f, 0.f}};
    for (const auto& r : rows) SettingsStore::WriteSettingFloat(m_file, "S", r.key, r.value);
    EXPECT_EQ(ReadText(m_file), "[S]\ntenth=0.100000\nmillion=1000000.000000\nhalf=-0.500000\ntiny=0.000000\n");
    for (const auto& r : rows) EXPECT_EQ(SettingsStore::ReadSettingFloat(m_file, "S", r.key, 7.f), r.back) << r.key;
    // A missing key gives the default as it would have been stored.
    EXPECT_EQ(SettingsStore::ReadSettingFloat(m_file, "S", "none", 1e-7f), 0.f);
    EXPECT_EQ(SettingsStore::ReadSettingFloat(m_file, "S", "none", 2.25f), 2.25f);
}

TEST_F(SettingsStoreTest, ValuesAreReadLikeStrtodAndStrtolAndClamped)
{
    WriteText(m_file, "[S]\na= 1.5e2xyz\nb=-.25\nc=abc\nd=+3\ne=0x10\nplus=+17\nlead=  12abc\nsigns=+-3\n"
                      "big=99999999999\nsmall=-99999999999\nempty=\n");
    const struct { const char* key; float def, want; } floats[] = {
        {"a", 0, 150}, {"b", 0, -0.25f}, {"c", 9, 0}, {"d", 0, 3}, {"e", 0, 16}, {"empty", 5, 0}, {"missing", 5, 5}};
    for (const auto& r : floats) EXPECT_EQ(SettingsStore::ReadSettingFloat(m_file, "S", r.key, r.def), r.want) << r.key;
    // Too large for an int: clamped, not wrapped into a surprise sign.
    const struct { const char* key; int want; } ints[] = {{"plus", 17},      {"lead", 12},         {"c", 0},
                                                          {"signs", 0},      {"big", 2147483647},  {"empty", 0},
                                                          {"missing", 5},    {"small", -2147483647 - 1}};
    for (const auto& r : ints) EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "S", r.key, 5), r.want) << r.key;
    EXPECT_EQ(SettingsStore::ReadSettingLong(m_file, "S", "empty", 5), 0);
    EXPECT_EQ(SettingsStore::ReadSettingString(m_file, "S", "empty", "def"), "");
    EXPECT_EQ(SettingsStore::ReadSettingString(m_file, "S", "missing", "def"), "def");

    SettingsStore::WriteSettingInt(m_file, "T", "neg", -42);
    SettingsStore::WriteSettingLong(m_file, "T", "long", -2147483647L - 1);
    EXPECT_NE(ReadText(m_file).find("[T]\nneg=-42\nlong=-2147483648\n"), std::string::npos);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "T", "neg", 0), -42);
    EXPECT_EQ(SettingsStore::ReadSettingLong(m_file, "T", "long", 0), -2147483647L - 1);
}

TEST_F(SettingsStoreTest, FloatsIgnoreTheProcessLocale)
{
    // A decimal-comma locale, built in the scratch folder on bare machines.
    auto tryLocales = [] {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (std::setlocale(LC_NUMERIC, name)) return true;
        return false;
    };
    bool have = tryLocales();
    if (!have && std::system("command -v localedef >/dev/null 2>&1") == 0) {
        std::string out = m_dir.File("de_DE.UTF-8");
        std::string cmd = "localedef -i de_DE -f UTF-8 '" + out + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) >= 0 && fs::exists(out)) {
            setenv("LOCPATH", m_dir.Path().c_str(), 1);
            have = tryLocales();
        }
    }
    if (!have) GTEST_SKIP() << "no locale with a decimal comma available";
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    SettingsStore::WriteSettingFloat(m_file, "S", "x", 0.5f);
    float back = SettingsStore::ReadSettingFloat(m_file, "S", "x", 9.f);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(ReadText(m_file), "[S]\nx=0.500000\n");
    EXPECT_EQ(back, 0.5f);
}

TEST_F(SettingsStoreTest, MissingFileOrSectionGivesDefaultsAndCreatesNothing)
{
    // A ".set" file holding other owners' sections only.
    WriteText(m_file, "[Other]\nn=1\n");
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "Filter Details", "n", 33), 33);
    EXPECT_EQ(SettingsStore::ReadSettingString(m_file, "Filter Details", "s", "keep"), "keep");
    std::string absent = m_dir.File("absent.set");
    EXPECT_EQ(SettingsStore::ReadSettingLong(absent, "S", "n", 8L), 8L);
    EXPECT_FALSE(fs::exists(absent));
    // Keys of a later section are not taken for the one asked for.
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "S", "n", 4), 4);
}

TEST_F(SettingsStoreTest, LongStringsAreStoredWholeAndReadCut)
{
    std::string longText(1500, 'x');
    longText[998] = 'A';
    longText[999] = 'B';
    ASSERT_EQ(SettingsStore::WriteSettingString(m_file, "S", "long", longText), 1);
    EXPECT_EQ(ReadText(m_file), "[S]\nlong=" + longText + "\n");
    std::string back = SettingsStore::ReadSettingString(m_file, "S", "long", "");
    EXPECT_EQ(back, longText.substr(0, 999));

    // A cut never leaves half of a UTF-8 character behind.
    std::string utf8 = std::string(998, 'y') + "\xC3\xA9" + "z";
    SettingsStore::WriteSettingString(m_file, "S", "utf8", utf8);
    EXPECT_EQ(SettingsStore::ReadSettingString(m_file, "S", "utf8", ""), std::string(998, 'y'));
}

TEST_F(SettingsStoreTest, WritesEditTheFileInPlaceAndReadsMatchLoosely)
{
    // A key is replaced where it stands, keeping comments, spacing, CRLF and
    // BOM; new keys end their section, new sections end the file; the first of
    // duplicate sections is used; text that would break the file is refused.
    struct Write { const char* section; const char* key; std::string value; int result = 1; };
    const std::string hand = "; settings kept by hand\n[General Details]\nfirst=1\nRate = ";
    const std::string tail = "\nlast=3\n\n# about the filter\n[Filter Details]\nrate=8000\n";
    const std::string bom = "\xEF\xBB\xBF[ Sec ]\r\n  key  =  some value  \r\nn = ";
    const struct { std::string before; std::vector<Write> writes; std::string after; } rows[] = {
        {hand + "22050" + tail, {{"general details", "RATE", "44100"}}, hand + "44100" + tail},
        {"[A]\nx=1\n; note\n\n[B]\ny=2\n[Empty]\n\n[C]\nz=3",
         {{"a", "x2", "5"}, {"B", "y2", "6"}, {"Empty", "e", "7"}, {"C", "z2", "8"}, {"D", "w", "new"}},
         "[A]\nx=1\nx2=5\n; note\n\n[B]\ny=2\ny2=6\n[Empty]\ne=7\n\n[C]\nz=3\nz2=8\n\n[D]\nw=new\n"},
        {bom + "-7\r\n", {{"SEC", "n", "9"}, {"Sec", "m", "1"}, {"T", "t", "2"}}, bom + "9\r\nm=1\r\n\r\n[T]\r\nt=2\r\n"},
        {"[S]\na=1\n[s]\na=2\nb=3\n", {{"S", "b", "4"}}, "[S]\na=1\nb=4\n[s]\na=2\nb=3\n"},
        {"[S]\na=1\n",
         {{"S", "a", "x\n[Evil]\nb=2", 0}, {"S", "k=v", "1", 0}, {"S\nT", "a", "1", 0}, {"", "a", "1", 0}},
         "[S]\na=1\n"}};
    for (const auto& r : rows) {
        WriteText(m_file, r.before);
        for (const auto& w : r.writes)
            EXPECT_EQ(SettingsStore::WriteSettingString(m_file, w.section, w.key, w.value), w.result) << w.key;
        EXPECT_EQ(ReadText(m_file), r.after);
    }
    // Sections and keys match without case; values are trimmed.
    const struct { std::string text; const char* section; const char* key; const char* want; } reads[] = {
        {rows[0].after, "GENERAL DETAILS", "rate", "44100"}, {rows[0].after, "Filter Details", "Rate", "8000"},
        {rows[2].before, "sec", "KEY", "some value"},       {rows[2].before, "Sec", "n", "-7"},
        {rows[3].before, "S", "a", "1"},                    {rows[3].before, "S", "b", "?"},
        {rows[3].after, "S", "b", "4"}};
    for (const auto& r : reads) {
        WriteText(m_file, r.text);
        EXPECT_EQ(SettingsStore::ReadSettingString(m_file, r.section, r.key, "?"), r.want) << r.key;
    }
}

TEST_F(SettingsStoreTest, FailedWriteKeepsOldFile)
{
    // The folder does not exist: nothing is created.
    std::string inMissing = m_dir.File("nowhere/x.set");
    EXPECT_EQ(SettingsStore::WriteSettingInt(inMissing, "S", "a", 1), 0);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "nowhere"));
    // The "folder" is a regular file.
    WriteText(m_file, "[S]\na=1\n");
    EXPECT_EQ(SettingsStore::WriteSettingInt(m_file + "/x.set", "S", "a", 2), 0);
    EXPECT_EQ(ReadText(m_file), "[S]\na=1\n");
    // A folder where the file should be is not replaced.
    fs::create_directory(m_dir.Path() / "adir");
    EXPECT_EQ(SettingsStore::WriteSettingInt(m_dir.File("adir"), "S", "a", 1), 0);
    EXPECT_TRUE(fs::is_directory(m_dir.Path() / "adir"));
}

TEST_F(SettingsStoreTest, WriteFailingHalfwayKeepsOldFile)
{
    // A file size limit fails the write part way, even for root.
    const std::string before = "[S]\na=" + std::string(4000, 'o') + "\n";
    WriteText(m_file, before);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = SettingsStore::WriteSettingString(m_file, "S", "a", std::string(4000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadText(m_file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator()), 1);
}

TEST_F(SettingsStoreTest, TwoProcessesSavingAtOnceLoseNoKey)
{
    constexpr int kKeys = 60;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const char* who = child == 0 ? "child" : "parent";
    for (int i = 0; i < kKeys; ++i)
        SettingsStore::WriteSettingInt(m_file, "Shared", std::string(who) + std::to_string(i), i);
    if (child == 0) ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (const char* name : {"child", "parent"})
        for (int i = 0; i < kKeys; ++i)
            EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "Shared", name + std::to_string(i), -1), i) << name << i;
}

TEST_F(SettingsStoreTest, ReadOnlyFolderKeepsOldFile)
{
    // Root ignores folder permissions: the body runs as an ordinary user.
    EXPECT_EQ(tavril::test::RunUnprivileged(m_dir.Path(), [&] {
        fs::path ro = m_dir.Path() / "ro";
        fs::create_directory(ro);
        std::string file = (ro / "x.set").string();
        WriteText(file, "[S]\na=1\n");
        fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
        int result = SettingsStore::WriteSettingInt(file, "S", "a", 2);
        fs::permissions(ro, fs::perms::owner_all);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(ReadText(file), "[S]\na=1\n");
        return ::testing::Test::HasFailure() ? 1 : 0;
    }), 0);
}

TEST_F(SettingsStoreTest, WritesLeaveNoTemporariesAndKeepModeAndLinks)
{
    WriteText(m_file, "[S]\na=1\n");
    ASSERT_EQ(::chmod(m_file.c_str(), 0640), 0);
    ASSERT_EQ(SettingsStore::WriteSettingInt(m_file, "S", "a", 2), 1);
    struct stat st {};
    ASSERT_EQ(::stat(m_file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A settings file reached through a link is updated where it lives.
    fs::create_directory(m_dir.Path() / "real");
    std::string real = m_dir.File("real/x.set");
    WriteText(real, "[S]\nb=1\n");
    std::string link = m_dir.File("link.set");
    fs::create_symlink("real/x.set", link);
    ASSERT_EQ(SettingsStore::WriteSettingInt(link, "S", "b", 3), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(real), "[S]\nb=3\n");

    int entries = 0;
    for (const auto& e : fs::directory_iterator(m_dir.Path())) {
        ++entries;
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
    EXPECT_EQ(entries, 3);  // a.set, real, link.set
}

TEST_F(SettingsStoreTest, OversizedFileIsNeitherReadNorReplaced)
{
    WriteText(m_file, "[S]\na=1\n");
    fs::resize_file(m_file, SettingsStore::kMaxFileBytes + 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "S", "a", 7), 7);
    EXPECT_EQ(SettingsStore::WriteSettingInt(m_file, "S", "a", 2), 0);
    EXPECT_EQ(fs::file_size(m_file), SettingsStore::kMaxFileBytes + 1);

    // Right at the cap it is still a settings file.
    fs::resize_file(m_file, SettingsStore::kMaxFileBytes);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_file, "S", "a", 7), 1);
}

TEST_F(SettingsStoreTest, EmptyPathMeansDefaultFileUnderXdgConfigHome)
{
    const fs::path expected = m_dir.Path() / "config" / "tavril" / "tavril.ini";
    EXPECT_EQ(SettingsStore::DefaultSettingsPath(), expected.string());
    EXPECT_FALSE(SettingsStore::Exists(""));
    ASSERT_EQ(SettingsStore::WriteSettingInt("", "General Details", "n", 3), 1);  // creates the folders
    EXPECT_TRUE(SettingsStore::Exists(""));
    EXPECT_EQ(ReadText(expected.string()), "[General Details]\nn=3\n");
    EXPECT_EQ(SettingsStore::ReadSettingInt("", "general details", "N", 0), 3);
}

TEST_F(SettingsStoreTest, DefaultFileFallsBackToHomeConfig)
{
    setenv("HOME", m_dir.Path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    const std::string expected = (m_dir.Path() / ".config" / "tavril" / "tavril.ini").string();
    EXPECT_EQ(SettingsStore::DefaultSettingsPath(), expected);
    // A relative XDG_CONFIG_HOME is not a valid base folder.
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(SettingsStore::DefaultSettingsPath(), expected);
    ASSERT_EQ(SettingsStore::WriteSettingString("", "S", "k", "v"), 1);
    EXPECT_EQ(ReadText(expected), "[S]\nk=v\n");
}

} // namespace

#include "SettingsSection.h"

#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using tavril::SettingsSection;
using tavril::SettingsStore;
using tavril::test::TempDir;

namespace {

struct Record {
    int count = 3;
    long offset = -7;
    bool on = true;
    float gain = 0.25f;
    double widthMs = 12.5;
    std::string name = "first";
};

const SettingsSection<Record>& RecordKeys()
{
    static const SettingsSection<Record> keys{
        {"zeta count", &Record::count},    {"alpha offset", &Record::offset}, {"mid on", &Record::on},
        {"beta gain", &Record::gain},      {"width (ms)", &Record::widthMs},  {"name", &Record::name},
    };
    return keys;
}

std::string ReadText(const std::string& path)
{
    const auto bytes = tavril::test::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(SettingsSectionTest, WrittenSectionReadsBackInDescribedOrder)
{
    TempDir dir;
    const std::string file = dir.File("a.set");
    Record saved;
    saved.count = 42;
    saved.offset = 1234567890L;
    saved.on = false;
    saved.gain = 1.5f;
    saved.widthMs = 0.1;  // not exact as a float
    saved.name = "Wren song";
    ASSERT_EQ(RecordKeys().Save(file, "Some Dialog", saved), 1);
    Record loaded;
    RecordKeys().Load(file, "Some Dialog", loaded);
    EXPECT_EQ(loaded.count, 42);
    EXPECT_EQ(loaded.offset, 1234567890L);
    EXPECT_FALSE(loaded.on);
    EXPECT_FLOAT_EQ(loaded.gain, 1.5f);
    EXPECT_EQ(loaded.widthMs, static_cast<double>(0.1f));  // narrowed by the store's float
    EXPECT_EQ(loaded.name, "Wren song");
    // As the plain store writes them: bools 0/1, reals "%f", keys in described order.
    const std::string text = ReadText(file);
    size_t last = text.find("[Some Dialog]");
    ASSERT_NE(last, std::string::npos);
    for (const char* key : {"zeta count=42", "alpha offset=", "mid on=0", "beta gain=1.500000",
                            "width (ms)=0.100000", "name="}) {
        const size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key;
        last = at;
    }
}

TEST(SettingsSectionTest, MissingKeysKeepTheirValuesAndNonZeroIsTrue)
{
    TempDir dir;
    const std::string file = dir.File("a.set");
    SettingsStore::WriteSettingInt(file, "Some Dialog", "zeta count", 9);
    SettingsStore::WriteSettingInt(file, "Some Dialog", "mid on", 7);
    SettingsStore::WriteSettingInt(file, "Other Dialog", "alpha offset", 99);  // not this section
    Record r;
    r.on = false;
    r.name = "kept";
    RecordKeys().Load(file, "Some Dialog", r);
    EXPECT_EQ(r.count, 9);
    EXPECT_TRUE(r.on);
    EXPECT_EQ(r.offset, -7);
    EXPECT_FLOAT_EQ(r.gain, 0.25f);
    EXPECT_EQ(r.widthMs, 12.5);
    EXPECT_EQ(r.name, "kept");
    Record untouched;
    RecordKeys().Load(dir.File("none.set"), "Some Dialog", untouched);
    EXPECT_EQ(untouched.count, 3);
    EXPECT_EQ(untouched.name, "first");
}

TEST(SettingsSectionTest, AFailedWriteIsReportedAndTheLaterKeysAreStillWritten)
{
    struct Pair {
        int a = 1;
        int b = 2;
    };
    // A key holding '=' would not read back, so the store refuses it.
    const SettingsSection<Pair> keys{{"bad=key", &Pair::a}, {"good", &Pair::b}};
    TempDir dir;
    const std::string file = dir.File("a.set");
    EXPECT_EQ(keys.Save(file, "S", Pair{}), 0);
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "S", "good", -1), 2);
}

} // namespace

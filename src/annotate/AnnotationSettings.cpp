#include "AnnotationSettings.h"

#include "SettingsStore.h"

namespace tavril {

namespace {

const char* const kSection = "Annotation settings";

struct Key {
    const char* name;
    bool AnnotationSettings::*flag;
};

const Key kKeys[] = {
    {"Request comment", &AnnotationSettings::requestComment},
    {"Save start time", &AnnotationSettings::saveStartTime},
    {"Save start date", &AnnotationSettings::saveStartDate},
    {"Confirm annotation deletions", &AnnotationSettings::confirmDeletions},
    {"Save annotation file with every entry change", &AnnotationSettings::saveWithEveryChange},
};

} // namespace

AnnotationSettings AnnotationSettings::Load(const std::string& file)
{
    AnnotationSettings s;
    for (const auto& k : kKeys) s.*k.flag = SettingsStore::ReadSettingInt(file, kSection, k.name, s.*k.flag) != 0;
    return s;
}

bool AnnotationSettings::Save(const std::string& file) const
{
    bool ok = true;
    for (const auto& k : kKeys) ok = SettingsStore::WriteSettingInt(file, kSection, k.name, this->*k.flag ? 1 : 0) && ok;
    return ok;
}

} // namespace tavril

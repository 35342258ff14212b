#pragma once
// AnnotationSettings: how annotations are taken and stored (section
// "Annotation settings" of a settings file). Plain value; one thread at a time.

#include <string>

namespace tavril {

struct AnnotationSettings {
    bool requestComment = true;
    bool saveStartTime = false;
    bool saveStartDate = false;
    bool confirmDeletions = true;
    bool saveWithEveryChange = true;

    static AnnotationSettings Load(const std::string& settingsFile);
    bool Save(const std::string& settingsFile) const;
};

} // namespace tavril

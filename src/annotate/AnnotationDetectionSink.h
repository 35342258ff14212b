#pragma once
// AnnotationDetectionSink: detections of the file detector added to the
// annotation file of their recording, the one its annotation link names
// (LinkMetafileOf). Nothing touches the file until Finish, which reads what
// is there, drops the earlier records when the run asked to replace them
// (lines that are not records stay), appends the detections and writes the
// file atomically. A recording without an annotation link, or whose file
// cannot be read, is reported and its file left as it was.
//
// Ownership: keeps the detections of each begun recording until its Finish.
// Threading: any number of file workers may share one sink; it serialises
// itself.

#include "IDetectionSink.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tavril {

class AnnotationDetectionSink final : public IDetectionSink {
public:
    // `settingsFile`: whose "Annotation settings" say whether start times
    // and dates are written with each record.
    explicit AnnotationDetectionSink(std::string settingsFile) : m_settingsFile(std::move(settingsFile)) {}

    void Begin(const std::string& recording, bool replace) override;
    void Add(const std::string& recording, const DetectionAnnotation& annotation) override;
    int Finish(const std::string& recording, std::string& error) override;

private:
    struct Pending {
        bool replace = false;
        std::vector<DetectionAnnotation> detections;
    };
    std::string m_settingsFile;
    std::mutex m_mutex;
    std::map<std::string, Pending> m_pending;
};

} // namespace tavril

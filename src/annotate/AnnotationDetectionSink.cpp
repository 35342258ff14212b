#include "AnnotationDetectionSink.h"

#include "AnnotationFile.h"
#include "AnnotationMetafile.h"
#include "AnnotationSettings.h"

#include <filesystem>

namespace tavril {

void AnnotationDetectionSink::Begin(const std::string& recording, bool replace)
{
    std::lock_guard lock(m_mutex);
    m_pending[recording] = Pending{replace, {}};
}

void AnnotationDetectionSink::Add(const std::string& recording, const DetectionAnnotation& annotation)
{
    std::lock_guard lock(m_mutex);
    m_pending[recording].detections.push_back(annotation);
}

int AnnotationDetectionSink::Finish(const std::string& recording, std::string& error)
{
    Pending pending;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_pending.find(recording);
        if (it != m_pending.end()) {
            pending = std::move(it->second);
            m_pending.erase(it);
        }
    }
    const std::string metaPath = LinkMetafileOf(recording);
    MetafileText meta;
    std::error_code ec;
    if (metaPath.empty() || !std::filesystem::exists(metaPath, ec) || !meta.Load(metaPath) ||
        meta.AnnotationFilePath().empty()) {
        error = "no annotation file is linked to " + recording +
                "; create an annotation link to it first. No annotations were saved.";
        return 0;
    }
    const std::string path = meta.AnnotationFilePath();
    // Two workers on recordings that share one annotation file must not
    // each write over the other's records.
    std::lock_guard lock(m_mutex);
    AnnotationFile file;
    if (std::filesystem::exists(path, ec)) {
        std::string loadError;
        file.Load(path, &loadError);
        if (!loadError.empty()) {
            error = loadError + "; the detections were not saved and the file was not changed.";
            return 0;
        }
    }
    if (pending.replace)
        while (file.Count() > 0) file.Remove(file.At(0));
    const AnnotationSettings s = AnnotationSettings::Load(m_settingsFile);
    // A metafile's records name no member; a plain sound's name itself.
    const std::string soundPath = metaPath == recording ? std::string() : recording;
    for (const DetectionAnnotation& d : pending.detections)
        file.Add(d.leftSec, d.rightSec, d.bottomHz, d.topHz, d.channel, soundPath, d.comment, {}, s.saveStartTime,
                 s.saveStartDate, meta.Start(), false, path);
    std::string saveError;
    if (!file.Save(path, s.saveStartTime, s.saveStartDate, meta.Start(), &saveError)) {
        error = "the annotations could not be saved to " + path + ": " + saveError + ". The file was not changed.";
        return 0;
    }
    return 1;
}

} // namespace tavril

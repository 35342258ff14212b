// The annotation side of CTavrilDoc: the annotation file a metafile links to
// the sound, read on opening and written on saving.

#include "CTavrilDoc.h"

#include "AnnotationSettings.h"
#include "IPrompt.h"
#include "MetafileText.h"

#include <filesystem>

namespace tavril {

void CTavrilDoc::LoadAnnotations()
{
    m_annotations.Clear();
    m_annotationPath.clear();
    m_recordingStart = CivilTime{};
    if (!IsMetafile()) return;
    MetafileText meta;
    if (!meta.Load(m_path)) return;
    m_annotationPath = meta.AnnotationFilePath();
    m_recordingStart = meta.Start();
    std::error_code ec;
    if (m_annotationPath.empty() || !std::filesystem::exists(m_annotationPath, ec)) return;
    std::string error;
    m_annotations.Load(m_annotationPath, &error);
    if (!error.empty()) m_svc.prompt.ShowMessage(error, "Error Opening Annotation File");
}

bool CTavrilDoc::SaveAnnotations()
{
    if (m_annotationPath.empty()) return false;
    const AnnotationSettings s = AnnotationSettings::Load(m_svc.settingsFile);
    std::string error;
    if (!m_annotations.Save(m_annotationPath, s.saveStartTime, s.saveStartDate, m_recordingStart, &error)) {
        m_svc.prompt.ShowMessage("The annotations could not be saved to " + m_annotationPath + ": " + error +
                                 ". The file was not changed.");
        return false;
    }
    return true;
}

void CTavrilDoc::AnnotationsChanged()
{
    if (AnnotationSettings::Load(m_svc.settingsFile).saveWithEveryChange && SaveAnnotations()) return;
    m_modified = true;
}

} // namespace tavril

#include "view/CSoundDocument.h"

#include <filesystem>

namespace tavril {

CSoundDocument::CSoundDocument(const DocServices& services) : m_doc(std::make_unique<CTavrilDoc>(services)) {}

bool CSoundDocument::Open(const std::string& path) {
    const bool opened = m_doc->OpenDocument(path);
    Refresh();
    return opened && !m_doc->OpenWasRefused();
}

bool CSoundDocument::AdoptAsUntitled(const std::string& tempFile) {
    const bool adopted = m_doc->AdoptAsUntitled(tempFile);
    Refresh();
    return adopted;
}

void CSoundDocument::New() {
    m_doc->NewDocument();
    Refresh();
}

void CSoundDocument::Refresh() {
    CSoundFile* s = m_doc->SoundForReading();
    m_frames = s->GetFrameCount();
    m_rate = s->GetSampleRate();
    m_channels = s->GetChannels();
    s->Close();
    ++m_revision;
}

void CSoundDocument::ApplyFormatInfo(double rate, uint32_t bits) {
    m_doc->ApplyFormatInfo(rate, bits, 0);
    m_doc->RefreshAfterEdit();
    Refresh();
}

std::string CSoundDocument::Title() const {
    return std::filesystem::path(m_doc->Path()).filename().string();
}

} // namespace tavril

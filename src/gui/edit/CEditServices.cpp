#include "edit/CEditServices.h"

namespace tavril {

CThreadSafePrompt::CThreadSafePrompt(IPrompt& target) : m_target(target), m_owner(std::this_thread::get_id()) {}

void CThreadSafePrompt::ShowMessage(const std::string& text, const std::string& title)
{
    if (OnOwnerThread()) {
        m_target.ShowMessage(text, title);
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deferred.emplace_back(text, title);
}

IPrompt::Reply CThreadSafePrompt::AskYesNoCancel(const std::string& text, const std::string& title)
{
    return OnOwnerThread() ? m_target.AskYesNoCancel(text, title) : Reply::Cancel;
}

bool CThreadSafePrompt::ChoosePath(const PathRequest& request, std::string& path)
{
    return OnOwnerThread() && m_target.ChoosePath(request, path);
}

bool CThreadSafePrompt::AskText(const std::string& question, const std::string& title, std::string& text)
{
    return OnOwnerThread() && m_target.AskText(question, title, text);
}

void CThreadSafePrompt::BeginProgress(const std::string& text)
{
    if (OnOwnerThread()) m_target.BeginProgress(text);
}

bool CThreadSafePrompt::UpdateProgress(double fraction)
{
    return OnOwnerThread() ? m_target.UpdateProgress(fraction) : true;
}

void CThreadSafePrompt::EndProgress()
{
    if (OnOwnerThread()) m_target.EndProgress();
}

void CThreadSafePrompt::FlushDeferred()
{
    std::vector<std::pair<std::string, std::string>> pending;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pending.swap(m_deferred);
    }
    for (const auto& [text, title] : pending) m_target.ShowMessage(text, title);
}

CEditServices::CEditServices(const DocServices& base) : m_base(base), m_prompt(base.prompt) {}

void CEditServices::LoadSettings()
{
    const std::string& file = m_base.settingsFile;
    noise.Load(file);
    tone.Load(file);
    ramp.Load(file);
    envelope.Load(file);
    filter.Load(file);
    multiTool.Load(file);
    klip.Load(file);
    headerless.Load(file);
}

DocServices CEditServices::Services() const
{
    return DocServices{m_prompt, m_base.temps, m_base.clipboard, m_base.engine, m_base.tools, m_base.filter,
                       m_base.multiTool, m_base.settingsFile};
}

} // namespace tavril

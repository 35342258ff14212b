#include "CEditServices.h"

#include <utility>

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

CEditServices::CEditServices(IPrompt& prompt, std::string settingsFile, std::filesystem::path tempFolder,
                             std::string clipFolder)
    : m_prompt(prompt),
      m_settingsFile(std::move(settingsFile)),
      m_temps(std::move(tempFolder)),
      m_clipboard(std::move(clipFolder)),
      m_tools(m_engine),
      m_filter(m_engine),
      m_multiTool(m_engine, m_tools, m_filter)
{
}

bool CEditServices::Start()
{
    LoadSettings();
    const bool ok = m_temps.Start();
    if (ok) m_temps.CleanUpStale();
    // A clip left by an earlier run is not something this run copied.
    m_clipboard.Reset();
    if (!ok)
        Prompt().ShowMessage("No temporary files can be made in " + m_temps.Folder().string() +
                             ". Sounds can be viewed, but editing them will fail.");
    return ok;
}

void CEditServices::LoadSettings()
{
    noise.Load(m_settingsFile);
    tone.Load(m_settingsFile);
    ramp.Load(m_settingsFile);
    envelope.Load(m_settingsFile);
    filter.Load(m_settingsFile);
    multiTool.Load(m_settingsFile);
    klip.Load(m_settingsFile);
    headerless.Load(m_settingsFile);
}

DocServices CEditServices::Services()
{
    return DocServices{m_prompt, m_temps, m_clipboard, m_engine, m_tools, m_filter, m_multiTool, m_settingsFile};
}

} // namespace tavril

#include "CConsolePrompt.h"

namespace tavril {

void CConsolePrompt::ShowMessage(const std::string& text, const std::string& title)
{
    if (title.empty() || title == "Tavril") std::fprintf(m_out, "%s\n", text.c_str());
    else std::fprintf(m_out, "%s: %s\n", title.c_str(), text.c_str());
}

IPrompt::Reply CConsolePrompt::AskYesNoCancel(const std::string& text, const std::string& title)
{
    ShowMessage(text, title);
    return m_answer;
}

bool CConsolePrompt::ChoosePath(const PathRequest&, std::string&) { return false; }

bool CConsolePrompt::AskText(const std::string&, const std::string&, std::string&) { return false; }

} // namespace tavril

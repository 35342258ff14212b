#pragma once
// CConsolePrompt: IPrompt for headless use (tavril-cli): messages go to
// standard error, questions take the answer given at construction, no path
// can be chosen, progress is silent and never cancelled.
//
// Ownership: a value made by the program. Threading: one thread.

#include "IPrompt.h"

#include <cstdio>

namespace tavril {

class CConsolePrompt : public IPrompt {
public:
    explicit CConsolePrompt(std::FILE* out = stderr, Reply answer = Reply::Cancel) : m_out(out), m_answer(answer) {}

    void ShowMessage(const std::string& text, const std::string& title) override;
    Reply AskYesNoCancel(const std::string& text, const std::string& title) override;
    bool ChoosePath(const PathRequest& request, std::string& path) override;
    bool AskText(const std::string& question, const std::string& title, std::string& text) override;
    void BeginProgress(const std::string&) override {}
    bool UpdateProgress(double) override { return true; }
    void EndProgress() override {}

private:
    std::FILE* m_out;
    Reply m_answer;
};

} // namespace tavril

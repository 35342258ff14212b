#pragma once
// A prompt for tests: records every message and answers from a script.

#include "IPrompt.h"

#include <deque>
#include <string>
#include <vector>

namespace tavril::test {

class ScriptedPrompt : public IPrompt {
public:
    struct Shown {
        std::string text;
        std::string title;
    };
    std::vector<Shown> messages;
    std::deque<Reply> replies;
    std::deque<std::string> paths;  // empty string = cancel
    std::deque<std::string> texts;  // for AskText; missing = cancel
    std::vector<std::string> progressTexts;
    int progressCalls = 0;
    int cancelAfter = -1;  // UpdateProgress returns false from this call on

    void ShowMessage(const std::string& text, const std::string& title) override { messages.push_back({text, title}); }
    Reply AskYesNoCancel(const std::string& text, const std::string& title) override
    {
        messages.push_back({text, title});
        if (replies.empty()) return Reply::Cancel;
        Reply r = replies.front();
        replies.pop_front();
        return r;
    }
    PathRequest lastRequest;
    bool ChoosePath(const PathRequest& request, std::string& path) override
    {
        lastRequest = request;
        if (paths.empty() || paths.front().empty()) return false;
        path = paths.front();
        paths.pop_front();
        return true;
    }
    bool AskText(const std::string& question, const std::string&, std::string& text) override
    {
        messages.push_back({question, "ask"});
        if (texts.empty()) return false;
        text = texts.front();
        texts.pop_front();
        return true;
    }
    void BeginProgress(const std::string& text) override { progressTexts.push_back(text); }
    bool UpdateProgress(double) override
    {
        ++progressCalls;
        return cancelAfter < 0 || progressCalls < cancelAfter;
    }
    void EndProgress() override {}

    std::string Last() const { return messages.empty() ? std::string() : messages.back().text; }
};

} // namespace tavril::test

#pragma once
// Helpers for the GUI tests: sounds written to scratch files, a prompt that
// answers from a script and records what it was asked, and a fresh frame.

#include "frame/CMainFrame.h"
#include "CSoundFile.h"
#include "IPrompt.h"
#include "TestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>
#include <cmath>
#include <deque>
#include <string>
#include <vector>

namespace tavril::test {

inline bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, double rate = 22050.0,
                     uint32_t channels = 1) {
    CSoundFile f;
    if (!f.Create(path, rate, channels, 16))
        return false;
    uint32_t frames = static_cast<uint32_t>(samples.size() / channels);
    bool ok = f.WriteFrames(samples.data(), frames) == frames;
    f.Close();
    return ok;
}

// A tone of `freqHz` lasting `frames` frames.
inline std::vector<int16_t> Tone(uint32_t frames, double freqHz, double rate = 22050.0, double amp = 12000.0) {
    std::vector<int16_t> s(frames);
    for (uint32_t i = 0; i < frames; ++i)
        s[i] = static_cast<int16_t>(amp * std::sin(2.0 * M_PI * freqHz * i / rate));
    return s;
}

class ScriptedPrompt : public IPrompt {
public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<Reply> replies;
    std::deque<std::string> paths;
    std::deque<std::string> texts;
    std::vector<PathRequest> pathRequests;

    void ShowMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
    Reply AskYesNoCancel(const std::string& text, const std::string&) override {
        questions.push_back(text);
        if (replies.empty())
            return Reply::Cancel;
        Reply r = replies.front();
        replies.pop_front();
        return r;
    }
    bool ChoosePath(const PathRequest& request, std::string& path) override {
        pathRequests.push_back(request);
        if (paths.empty())
            return false;
        path = paths.front();
        paths.pop_front();
        return true;
    }
    bool AskText(const std::string&, const std::string&, std::string& text) override {
        if (texts.empty())
            return false;
        text = texts.front();
        texts.pop_front();
        return true;
    }
    void BeginProgress(const std::string&) override {}
    bool UpdateProgress(double) override { return true; }
    void EndProgress() override {}
};

// All samples of a sound file as 16-bit values, interleaved; empty when it does not open.
inline std::vector<int16_t> ReadSamples(const std::string& path) {
    CSoundFile f;
    if (!f.Open(path))
        return {};
    std::vector<int16_t> s(size_t(f.GetFrameCount()) * f.GetChannels());
    if (!s.empty()) {
        EXPECT_EQ(f.ReadFrames(s.data(), f.GetFrameCount(), 16), f.GetFrameCount());
    }
    f.Close();
    return s;
}

// Two channels interleaved, frame i holding left(i) and right(i).
template <class L, class R>
std::vector<int16_t> Stereo(int frames, L left, R right) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(static_cast<int16_t>(left(i)));
        s.push_back(static_cast<int16_t>(right(i)));
    }
    return s;
}

// Lets queued events (window activation, deferred updates) run.
inline void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// A shown main frame whose settings go to a scratch folder.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_config.Path().string()));
        m_frame = std::make_unique<CMainFrame>(m_prompt);
        m_frame->resize(900, 600);
        m_frame->show();
    }
    // A tone written to `name` in the scratch folder; returns its path.
    std::string ToneFile(const std::string& name, uint32_t frames = 2000, double freqHz = 1000.0) {
        const std::string p = m_dir.File(name);
        EXPECT_TRUE(WriteWav(p, Tone(frames, freqHz)));
        return p;
    }
    TempDir m_config, m_dir;
    ScriptedPrompt m_prompt;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace tavril::test

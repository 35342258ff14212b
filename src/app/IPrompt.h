#pragma once
// IPrompt: the only way core code talks to the user. The GUI implements it
// with message boxes, file dialogs and a progress window; tavril-cli prints to
// the terminal; tests answer from a script. Texts passed in are shown exactly
// as given.
//
// Ownership: the implementer outlives every object that holds a reference.
// Threading: called on the UI thread only.

#include <string>

namespace tavril {

class IPrompt {
public:
    enum class Reply { Yes, No, Cancel };

    // What a file dialog should offer.
    struct PathRequest {
        std::string title;
        std::string filter;           // "Sound files (*.wav;*.aif)|*.wav;*.aif|"
        std::string proposedPath;     // folder and name proposed
        std::string defaultExtension; // "wav"
        bool forSaving = false;
        bool multiple = false;        // several files (open only), separated by '\n'
        int filterIndex = 1;          // the filter the dialog starts with, counting from 1
    };

    virtual ~IPrompt() = default;

    // A modal message with an OK button, titled "Tavril" unless another title is given.
    virtual void ShowMessage(const std::string& text, const std::string& title = "Tavril") = 0;
    virtual Reply AskYesNoCancel(const std::string& text, const std::string& title = "Tavril") = 0;
    // false when the user cancelled; `path` holds the choice otherwise.
    virtual bool ChoosePath(const PathRequest& request, std::string& path) = 0;
    // A line of text; `text` holds the proposal on entry. false on cancel.
    virtual bool AskText(const std::string& question, const std::string& title, std::string& text) = 0;

    // A small modeless window with `text` while a long operation runs.
    virtual void BeginProgress(const std::string& text) = 0;
    // 0 ... 1; returns false when the user asked to stop.
    virtual bool UpdateProgress(double fraction) = 0;
    virtual void EndProgress() = 0;
};

} // namespace tavril

#pragma once
// CAnalysisCommands: the window commands that analyse the active window's
// sound into something else: "Correlate With Another Soundfile" (the
// difference of two channels' spectrograms at each delay, shown as a curve
// and a table) and "Selected Spectrograph to Text File" (the spectrogram as
// a tab-delimited text file beside the sound). Owns the program-wide
// settings of both dialogs.
//
// Owned by the main frame, which outlives it. UI thread only; the analysis
// runs on it too (both read the sound block by block).

#include "IPrompt.h"
#include "SoundComparison.h"
#include "SpectrogramTextExport.h"

#include <functional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace tavril {

class CSettingsFile;
class CTavrilView;

class CAnalysisCommands {
public:
    CAnalysisCommands(QWidget* parent, IPrompt& prompt) : m_parent(parent), m_prompt(prompt) {}

    // Both settings sections are read at start-up and written by "Make default".
    void RegisterSettingsGroups(CSettingsFile& groups);

    // Needs a selection of at least one sample; does nothing otherwise.
    void Correlate(CTavrilView& view);
    void ExportSpectrogram(CTavrilView& view);

    // How a dialog is shown (tests fill and answer it); true means OK.
    void SetDialogRunner(std::function<bool(QDialog&)> run) { m_run = std::move(run); }

    CompareSettings& Compare() { return m_compare; }
    ExportSpectrogramSettings& Export() { return m_export; }
    // What the last Correlate computed, one value per delay step.
    const std::vector<float>& LastComparison() const { return m_lastComparison; }
    // Where the last export wrote, empty when it failed.
    const std::string& LastExport() const { return m_lastExport; }

private:
    bool Run(QDialog& dialog);
    void ShowComparison(const std::string& title, double periodMs);

    QWidget* m_parent;
    IPrompt& m_prompt;
    CompareSettings m_compare;
    ExportSpectrogramSettings m_export;
    std::vector<float> m_lastComparison;
    std::string m_lastExport;
    std::function<bool(QDialog&)> m_run;
};

} // namespace tavril

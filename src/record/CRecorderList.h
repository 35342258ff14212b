#pragma once
// CRecorderList: the ordered recorders of the program. The first two are
// built in: the "Real Time Spectragraph Recorder", which drives the live
// display, and the "Playback Trial Recorder"; the rest are the user's. The
// list loads and saves itself, duplicates recorders and applies the group
// commands (start, stop, pause, resume, housekeeping, detectors) to the
// recorders whose command flags ask for them.
//
// Ownership: owns its recorders; refers to the device list and clock, which
// outlive it. Threading: the controlling (user-interface) thread.

#include "CVirtualRecorder.h"

#include <memory>
#include <string>
#include <vector>

namespace tavril {

class CRecorderList {
public:
    static constexpr const char* kRealTime = "Real Time Spectragraph Recorder";
    static constexpr const char* kTrial = "Playback Trial Recorder";

    CRecorderList(CAudioInputDeviceList* devices, IClock& clock);

    // Fills the device list (when there is one), drops every recorder and
    // adds the two built-in ones.
    void Initialise();
    // Reads the list; recorders with an empty description are skipped.
    void Load(const std::string& file);
    // The count, then every recorder at its position; 1 when all writes took.
    int Save(const std::string& file) const;

    size_t Count() const { return m_recorders.size(); }
    // A position past the end gives the first recorder; an empty list none.
    CVirtualRecorder* At(size_t position) const;
    CVirtualRecorder* Find(const std::string& description) const;
    int PositionOf(const std::string& description) const;

    // Adds a recorder (Add): refused (null) when the description is empty
    // or already listed.
    CVirtualRecorder* Add(std::unique_ptr<CVirtualRecorder> recorder);
    // A copy of the recorder at `position` described "copy of ..."; not yet
    // in the list (Add it when the user confirms).
    std::unique_ptr<CVirtualRecorder> Duplicate(size_t position) const;
    std::unique_ptr<CVirtualRecorder> Create() const;
    // Removes a user recorder; the built-in ones cannot be deleted.
    int Remove(size_t position);
    // Descriptions for the list box: without empty ones and the trial recorder.
    std::vector<std::string> ListedDescriptions() const;

    // Group commands; position -1 means every recorder.
    void StartOnCommand(int position = -1);
    void StopOnCommand(int position = -1);
    void PauseOnSpace(int position = -1);
    void ResumeOnSpace(int position = -1);
    void StartOnPlayback(int position = -1);
    void StopOnPlayback(int position = -1);
    void SetPriorityLevel(int level, std::string& whyNot);
    void Housekeeping(int position = -1);
    void DetectorsOn(bool on, int position = -1);
    void PlaybackStarted(int position = -1);
    void PlaybackEnded(int position = -1);

    // "Virtual recorder #%d settings"
    static std::string Section(size_t position);

private:
    template <class F>
    void ForEach(int position, F f);
    void ApplyBuiltInRules();
    void SaveRecorder(const std::string& file, size_t position, int& ok) const;
    void LoadRecorder(const std::string& file, size_t position, CVirtualRecorder& r) const;

    CAudioInputDeviceList* m_devices;
    IClock& m_clock;
    bool m_initialised = false;
    std::vector<std::unique_ptr<CVirtualRecorder>> m_recorders;
};

} // namespace tavril

#pragma once
// CDlgRecorderSettings: "Recorder Settings" of one recorder: its description,
// the device it listens to ("Uses sound card:"), the commands it follows,
// and buttons to its "Recording Settings" and its "Song Detection and
// Recognition Settings". The built-in real-time recorder always pauses on
// SPACE and starts and stops on command; the trial recorder keeps its name.
// CDlgRecorderList: "Virtual Recorder List", adding, editing, duplicating
// and deleting recorders; "Make default" saves the list.
// Both edit the recorders in place on OK. UI thread only.

#include "CRecorderList.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tavril {

class CDlgRecorderSettings : public QDialog {
    Q_OBJECT
public:
    CDlgRecorderSettings(CVirtualRecorder& recorder, CAudioInputDeviceList* devices, std::string settingsFile,
                         int position, QWidget* parent = nullptr);
    // Writes the controls into the recorder.
    void Apply();
    void accept() override;

    QLineEdit* m_description;
    QComboBox* m_device;
    QCheckBox* m_pauseOnSpace;
    QCheckBox* m_recordOnCommand;
    QCheckBox* m_recordOnPlayback;
    QCheckBox* m_stopOnPlayback;
    QCheckBox* m_stopOnCommand;

private:
    void FillDevices();

    CVirtualRecorder& m_recorder;
    CAudioInputDeviceList* m_devices;
    std::string m_file;
    int m_position;
};

class CDlgRecorderList : public QDialog {
    Q_OBJECT
public:
    CDlgRecorderList(CRecorderList& list, CAudioInputDeviceList* devices, std::string settingsFile,
                     QWidget* parent = nullptr);
    // Each runs the recorder's dialog with `edit` (tests answer it); the
    // default runs it modally.
    void SetDialogRunner(std::function<bool(CDlgRecorderSettings&)> run) { m_run = std::move(run); }
    void Add();
    void Edit();
    void Duplicate();
    void Delete();
    bool MakeDefault();

    QListWidget* m_list;
    QLabel* m_note;  // why a button did nothing

private:
    void Fill();
    int SelectedPosition() const;

    CRecorderList& m_recorders;
    CAudioInputDeviceList* m_devices;
    std::string m_file;
    std::function<bool(CDlgRecorderSettings&)> m_run;
};

} // namespace tavril

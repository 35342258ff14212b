#pragma once
// CDlgRecordingSettings: "Recording Settings" of one recorder: device,
// format, ring length, scroll speed, what a store does and how files are
// named, the detector switches, the time limit and decimation, with buttons
// to the embedded dialogs ("Spectrograph Details", "Sound Event Detector",
// "Sound File Series Name", "Filename Autoname Settings", "Set Filename:").
// "Make default" writes every section with the recorder's suffix.
// UI thread only.

#include "CAcquisitionSettings.h"
#include "CAudioInputDeviceList.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace tavril {

struct RadioPair;

class CDlgRecordingSettings : public QDialog {
    Q_OBJECT
public:
    struct Devices {
        std::vector<std::string> names;
        std::function<int(const std::string&)> channelsOf;  // most input channels of a device
    };
    static Devices DevicesOf(CAudioInputDeviceList* list);

    CDlgRecordingSettings(const CAcquisitionSettings& s, Devices devices, int savedCount, std::string settingsFile,
                          std::string suffix, QWidget* parent = nullptr);
    ~CDlgRecordingSettings() override;
    CAcquisitionSettings Settings() const;
    bool MakeDefault();

    QComboBox* m_device;
    QSpinBox* m_rate;
    QSpinBox* m_bufferSecs;
    QDoubleSpinBox* m_msPerLine;
    QCheckBox* m_scrolling;
    QCheckBox* m_openNew;
    QCheckBox* m_drawStored;
    QCheckBox* m_fullDuplex;
    QCheckBox* m_detectorOn;
    QCheckBox* m_showLevel;
    QCheckBox* m_detectorPlayback;
    QCheckBox* m_storeFilled;
    QCheckBox* m_screenSaver;
    QCheckBox* m_checkStop;
    QSpinBox* m_stopMin;
    QCheckBox* m_exitTimeout;
    QCheckBox* m_post;
    QCheckBox* m_decimate;
    QSpinBox* m_decimation;
    std::unique_ptr<RadioPair> m_size, m_channels, m_writeOver, m_exitOnStore, m_template;

    // The embedded records as edited by their dialogs so far.
    CAcquisitionSettings m_working;

private:
    void UpdateChannels();

    Devices m_devices;
    int m_savedCount;
    std::string m_file, m_suffix;
};

} // namespace tavril

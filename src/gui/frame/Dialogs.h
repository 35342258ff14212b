#pragma once
// The main frame's dialogs: "Window Display Settings", "View / Edit Sound
// File Format Information", "New Window Sizing Options", "Set Priority",
// "Select Default File Format", "Edit User Menu" and "Select Settings to
// Save:". Each edits a copy of its values and hands them back on OK.
//
// Created on the stack by the frame's commands; UI thread only.

#include "frame/CMainFrame.h"
#include "frame/FrameSettings.h"
#include "IPrompt.h"
#include "WindowDisplaySettings.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace tavril {

class CDlgWindowDisplaySettings : public QDialog {
    Q_OBJECT
public:
    CDlgWindowDisplaySettings(const WindowDisplaySettings& s, const QStringList& windows, QWidget* parent);
    WindowDisplaySettings Result() const;
    bool ApplyToAll() const { return m_applyAll; }
    void SetMakeDefault(std::function<void(const WindowDisplaySettings&)> f) { m_makeDefault = std::move(f); }

private:
    WindowDisplaySettings m_initial;
    bool m_applyAll = false;
    std::function<void(const WindowDisplaySettings&)> m_makeDefault;
    int m_lastTimeUnits = 0, m_lastFreqUnits = 0;
    QRadioButton *m_waveform, *m_spectrogram, *m_blackOnWhite, *m_whiteOnBlack, *m_stretch, *m_fixed;
    QCheckBox *m_timeCursor, *m_freqCursor, *m_timeTitleOn, *m_timeTicks, *m_timeTickVals, *m_timeGrid;
    QCheckBox *m_freqTitleOn, *m_freqTicks, *m_freqTickVals, *m_freqGrid, *m_lowOn, *m_highOn, *m_link;
    QCheckBox *m_preventRec, *m_preventPlay, *m_lock, *m_playKeyOn, *m_startsTrial, *m_showBox, *m_showText;
    QComboBox *m_timeCursorUnits, *m_freqCursorUnits, *m_fftSize, *m_window, *m_timeUnits, *m_freqUnits;
    QComboBox *m_rows, *m_singleChannel, *m_linkedWindow;
    QDoubleSpinBox *m_gain, *m_msPerLine, *m_timeTick, *m_freqTick, *m_low, *m_high;
    QSpinBox* m_white;
    QLineEdit *m_timeTitle, *m_freqTitle, *m_offset, *m_channelList, *m_playKey;
};

class CDlgFormatInfo : public QDialog {
    Q_OBJECT
public:
    CDlgFormatInfo(const QString& path, double rate, unsigned bits, unsigned channels, unsigned frames,
                   QWidget* parent);
    double SampleRate() const;
    unsigned Bits() const;
    // A metafile's links: its annotation file (relative to the metafile) and
    // the folder of its member files; editable only for a metafile.
    void SetLinks(const QString& annotationFile, const QString& seriesFolder, bool editable);
    QString AnnotationFile() const;
    QString SeriesFolder() const;

private:
    QDoubleSpinBox* m_rate;
    QComboBox* m_bits;
    QLineEdit* m_annotationFile;
    QPushButton* m_browseAnnotation;
    QLineEdit* m_seriesFolder;
    QPushButton* m_browseFolder;
};

class CDlgNewWindowSizing : public QDialog {
    Q_OBJECT
public:
    CDlgNewWindowSizing(const GridOptions& g, QWidget* parent);
    GridOptions Result() const;
    bool MakeDefault() const { return m_makeDefault; }

private:
    QRadioButton *m_widthPrevious, *m_widthFixed, *m_heightPrevious, *m_heightFixed;
    QSpinBox *m_width, *m_height;
    bool m_makeDefault = false;
};

class CDlgPriority : public QDialog {
    Q_OBJECT
public:
    CDlgPriority(int level, QWidget* parent);
    int Level() const;

private:
    QButtonGroup* m_group;
};

class CDlgDefaultFormat : public QDialog {
    Q_OBJECT
public:
    CDlgDefaultFormat(int index, QWidget* parent);
    int Index() const;

private:
    QButtonGroup* m_group;
};

class CDlgEditUserMenu : public QDialog {
    Q_OBJECT
public:
    CDlgEditUserMenu(const FileList& list, IPrompt& prompt, QWidget* parent);
    FileList Result() const;
    bool MakeDefault() const { return m_makeDefault; }

private:
    FileList m_list;
    IPrompt& m_prompt;
    QListWidget* m_entries;
    QCheckBox* m_hidePath;
    bool m_makeDefault = false;
};

class CDlgSelectSettings : public QDialog {
    Q_OBJECT
public:
    // `available`: the check boxes whose settings exist; the others are shown disabled.
    CDlgSelectSettings(const std::vector<std::string>& available, QWidget* parent);
    std::vector<std::string> Chosen() const;
    static bool Run(QWidget* parent, const std::vector<std::string>& available, std::vector<std::string>& chosen);

private:
    std::vector<QCheckBox*> m_boxes;
};

} // namespace tavril

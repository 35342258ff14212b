#pragma once
// CRecordingDisplay: the live scrolling spectrogram laid over a sound window
// while it records. Each Draw takes the newest frames from the recorder's
// ring (the ring's race-free reads: the capture thread never waits for it,
// and a slow display only means fewer spectra, never lost input), computes
// the spectra asked for, scrolls the picture left by the columns due and
// paints them at the right edge, with the level envelope at the bottom and,
// while the detector runs, the level bar at the right.
//
// Owned by the sound view it covers (a child widget). UI thread only.

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace tavril {

class CVirtualRecorder;

class CRecordingDisplay : public QWidget {
    Q_OBJECT
public:
    explicit CRecordingDisplay(QWidget* parent);

    // A new recording (or a resume): the picture is cleared and the frame
    // counters forgotten.
    void Begin(CVirtualRecorder* recorder);
    // Scrolling resumes after a freeze: the picture stays, the recorder's
    // ring starts over.
    void Resume();
    // `lines` columns from `steps` spectra; false when too little new sound
    // has arrived for one spectrum.
    bool Draw(int lines, int steps);

    // Columns painted since Begin (whether from their own spectrum or
    // repeating the last one), and spectra computed.
    int64_t ColumnsDrawn() const { return m_columns; }
    int64_t SpectraComputed() const { return m_spectra; }
    // The ring frame the newest spectrum ended at.
    uint64_t LastFrameDrawn() const { return m_lastEnd; }
    const QImage& Picture() const { return m_image; }
    // Width of the spectrogram part (less the level bar while it shows).
    int SpectrogramWidth() const;
    // A notice shown over the picture (the detector's), empty for none.
    void SetNotice(const QString& text);
    const QString& Notice() const { return m_notice; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void Scroll(int columns);
    void PaintLevelBar();

    CVirtualRecorder* m_recorder = nullptr;
    QImage m_image;
    uint64_t m_lastEnd = 0;  // ring frame after the newest analysed one
    uint64_t m_carry = 0;    // spacing of the last draw's spectra
    bool m_drawnAny = false;
    int64_t m_columns = 0;
    int64_t m_spectra = 0;
    QString m_notice;
    std::vector<unsigned char> m_raw;
    std::vector<int16_t> m_mono;
    std::vector<int32_t> m_levels;
};

} // namespace tavril

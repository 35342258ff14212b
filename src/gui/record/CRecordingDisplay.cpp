#include "record/CRecordingDisplay.h"

#include "CVirtualRecorder.h"
#include "SpectrumColumn.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace tavril {

namespace {
constexpr int kLevelBarWidth = 10;

// Sample `channel` of frame `i` as a 16-bit value, whatever the ring holds.
int16_t Sample16(const unsigned char* frame, uint32_t bytesPerSample)
{
    switch (bytesPerSample) {
    case 1: return static_cast<int16_t>((int(frame[0]) - 128) << 8);
    case 2: {
        int16_t v;
        std::memcpy(&v, frame, 2);
        return v;
    }
    default: {  // 24 or 32 bits: the top 16 bits
        int16_t v;
        std::memcpy(&v, frame + bytesPerSample - 2, 2);
        return v;
    }
    }
}
} // namespace

CRecordingDisplay::CRecordingDisplay(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("recordingDisplay"));
}

void CRecordingDisplay::Begin(CVirtualRecorder* recorder)
{
    m_recorder = recorder;
    m_drawnAny = false;
    m_lastEnd = 0;
    m_carry = 0;
    m_columns = 0;
    m_spectra = 0;
    m_notice.clear();
    m_image = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
    m_image.fill(Qt::white);
    update();
}

void CRecordingDisplay::Resume()
{
    m_drawnAny = false;
    m_lastEnd = 0;
    m_carry = 0;
    update();
}

int CRecordingDisplay::SpectrogramWidth() const
{
    const bool bar = m_recorder && m_recorder->Detector().Enabled() && m_recorder->settings.showLevelWhenDetecting;
    return std::max(1, m_image.width() - (bar ? kLevelBarWidth : 0));
}

void CRecordingDisplay::SetNotice(const QString& text)
{
    m_notice = text;
    update();
}

void CRecordingDisplay::Scroll(int columns)
{
    const int w = SpectrogramWidth();
    columns = std::min(columns, w);
    for (int y = 0; y < m_image.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(m_image.scanLine(y));
        std::memmove(row, row + columns, sizeof(uint32_t) * size_t(w - columns));
    }
}

bool CRecordingDisplay::Draw(int lines, int steps)
{
    if (!m_recorder || lines <= 0 || m_image.isNull()) return false;
    steps = std::clamp(steps, 1, lines);
    const RecordingSpectrogramSettings& spectrograph = m_recorder->settings.spectrogram;
    const int bins = 32 << std::clamp(spectrograph.rtsFftSizeCode, 0, 5);
    const uint32_t window = uint32_t(2 * bins);
    const CCircularBuffer& ring = m_recorder->Ring();
    const uint64_t written = ring.FramesWritten();
    uint64_t fresh = m_drawnAny ? written - std::min(written, m_lastEnd) + (window - std::min<uint64_t>(m_carry, window))
                                : std::min<uint64_t>(ring.Available(), uint64_t(window) * uint64_t(steps));
    fresh = std::min<uint64_t>(fresh, ring.Available());
    if (fresh < window) return false;

    const uint32_t frameBytes = ring.FrameBytes();
    m_raw.resize(size_t(fresh) * frameBytes);
    uint64_t first = written - fresh;
    const uint32_t got = ring.ReadFrom(first, uint32_t(fresh), m_raw.data());
    if (got < window) return false;
    m_mono.resize(got);
    for (uint32_t i = 0; i < got; ++i) m_mono[i] = Sample16(&m_raw[size_t(i) * frameBytes], ring.BytesPerSample());

    const double q = steps > 1 ? std::max(0.0, double(got - window) / double(steps - 1)) : 0.0;
    m_carry = uint64_t(q);
    const int w = SpectrogramWidth();
    lines = std::min(lines, w);
    Scroll(lines);
    const int perStep = std::max(lines / steps, 1);
    const int gain = SpectralGainFromSetting(spectrograph.gain);
    m_levels.assign(size_t(bins), 0);
    const std::ptrdiff_t stride = m_image.bytesPerLine() / 4;
    auto* pixels = reinterpret_cast<uint32_t*>(m_image.bits());
    float lo = 1.0f, hi = -1.0f;
    int column = 0;
    for (int i = 0; i < steps && column < lines; ++i) {
        int start = std::max(0, int(i * q - 0.5));
        start = std::min<int>(start, int(got - window));
        const int16_t* s = &m_mono[size_t(start)];
        SpectrumLevels(s, bins, m_levels.data(), kDisplayLevels, gain, spectrograph.whiteThreshold, spectrograph.windowType);
        ++m_spectra;
        if (spectrograph.showAmplitude) {
            const auto [mn, mx] = std::minmax_element(s, s + window);
            lo = float(*mn) / 32768.0f;
            hi = float(*mx) / 32768.0f;
        }
        for (int k = 0; k < perStep && column < lines; ++k, ++column)
            PaintSpectrumColumn(m_levels.data(), bins, kDisplayLevels, false, false, lo, hi, 0, -1, 1,
                                pixels + (w - lines + column), stride, m_image.height());
    }
    for (; column < lines; ++column)
        PaintSpectrumColumn(m_levels.data(), bins, kDisplayLevels, false, false, lo, hi, 0, -1, 1,
                            pixels + (w - lines + column), stride, m_image.height());
    m_columns += lines;
    m_lastEnd = first + got;
    m_drawnAny = true;
    PaintLevelBar();
    update();
    return true;
}

void CRecordingDisplay::PaintLevelBar()
{
    const int w = SpectrogramWidth();
    if (w >= m_image.width()) return;
    QPainter p(&m_image);
    const int h = m_image.height();
    p.fillRect(w, 0, m_image.width() - w, h, Qt::white);
    const double thresh = std::clamp(m_recorder->settings.detector.Threshold(), 0.0, 1.0);
    const double level = std::clamp(m_recorder->Detector().Level(), 0.0, 1.0);
    const int tH = int(thresh * h), lH = int(level * h);
    p.fillRect(w + 1, h - tH, 4, tH, Qt::red);
    p.fillRect(w + 5, h - lH, 5, lH, level >= thresh ? Qt::green : Qt::darkGreen);
}

void CRecordingDisplay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, m_image);
    if (!m_notice.isEmpty()) {
        p.setPen(Qt::red);
        p.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignTop | Qt::AlignLeft, m_notice);
    }
}

void CRecordingDisplay::resizeEvent(QResizeEvent*)
{
    QImage bigger(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
    bigger.fill(Qt::white);
    if (!m_image.isNull()) {
        // The newest columns stay at the right edge.
        QPainter p(&bigger);
        p.drawImage(bigger.width() - m_image.width(), 0, m_image);
    }
    m_image = bigger;
}

} // namespace tavril

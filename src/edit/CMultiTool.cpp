#include "CMultiTool.h"

#include "ConvertSupport.h"
#include "FileSafety.h"
#include "MetadataChunks.h"

#include "AtomicFile.h"
#include "CEditEngine.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "EditDialogSettings.h"
#include "SoundConvert.h"
#include "SoundFormat.h"

#include <functional>
#include <unistd.h>
#include <vector>

namespace tavril {

namespace {

// Removes its files when it goes out of scope.
struct TempSet {
    std::vector<std::string> files;
    ~TempSet()
    {
        for (const std::string& f : files) ::unlink(f.c_str());
    }
};

} // namespace

CMultiTool::CMultiTool(CEditEngine& engine, CSoundTools& tools, CSoundFilter& filter)
    : m_engine(engine), m_tools(tools), m_filter(filter)
{
}

int CMultiTool::Apply(const std::string& source, const std::string& destination, const MultiToolSettings& s,
                      uint32_t channel)
{
    using Step = std::function<int(const std::string&, const std::string&)>;
    std::vector<Step> steps;
    if (s.filterOn) {
        BandFilterParams p;
        p.highpassHz = s.highPassCornerHz;
        p.lowpassHz = s.lowPassCornerHz;
        steps.push_back([&, p](const std::string& a, const std::string& b) {
            return m_filter.BandFilter(a, b, 0, -1, p, channel);
        });
    }
    if (s.noiseFilterOn)
        steps.push_back([&](const std::string& a, const std::string& b) { return m_filter.NoiseFilter(a, b, 0, -1, channel); });
    if (s.maximizeOn)
        steps.push_back([&](const std::string& a, const std::string& b) { return m_tools.Maximize(a, b, channel); });
    if (s.rampOn)
        steps.push_back([&](const std::string& a, const std::string& b) {
            return m_tools.Ramp(a, b, s.beginRampMs, s.endRampMs, channel);
        });
    if (steps.empty()) return m_engine.CopyWhole(destination, source);

    TempSet temps;
    std::string current = source;
    for (size_t i = 0; i < steps.size(); ++i) {
        std::string next = destination;
        if (i + 1 < steps.size()) {
            std::string error;
            next = MakeTempBeside(destination, ".wav", error);
            if (next.empty()) return m_engine.Fail(error);
            temps.files.push_back(next);
            if (!m_engine.CreateLike(next, source)) return 0;
        }
        if (!steps[i](current, next)) return 0;
        current = next;
    }
    return 1;
}

int CMultiTool::ApplyToFile(const std::string& file, const std::string& target, const MultiToolSettings& settings,
                            uint32_t channel, int32_t defaultFormat)
{
    int32_t from = SourceFormat(file);
    if (from == kFormatUnknown) from = defaultFormat;
    int32_t to = EngineFormatFromName(target);
    if (to == kFormatUnknown) to = defaultFormat;
    if (IsWriteProtected(target)) return m_engine.Fail(ReadOnlyMessage(target));
    CFileLock lock, targetLock;
    if (!lock.TryLock(file)) return m_engine.Fail(LockedMessage(file));
    if (target != file && !targetLock.TryLock(target)) return m_engine.Fail(LockedMessage(target));
    TempSet temps;
    std::string error;
    std::string input = file;
    if (from != kFormatWav) {
        input = MakeTempBeside(target, ".wav", error);
        if (input.empty()) return m_engine.Fail(error);
        temps.files.push_back(input);
        if (!ConvertFile(file, input, from, kFormatWav, error)) return m_engine.Fail(error);
    }
    const std::string output = MakeTempBeside(target, ".wav", error);
    if (output.empty()) return m_engine.Fail(error);
    temps.files.push_back(output);
    if (!m_engine.CreateLike(output, input)) return 0;
    if (!Apply(input, output, settings, channel)) return 0;
    std::string written = output;
    if (to != kFormatWav) {
        written = MakeTempBeside(target, convert::ExtensionForFormat(to), error);
        if (written.empty()) return m_engine.Fail(error);
        temps.files.push_back(written);
        if (!ConvertFile(output, written, kFormatWav, to, error)) return m_engine.Fail(error);
    }
    // What the file held besides its samples stays with it.
    std::vector<std::string> dropped;
    if (!CarryMetadataChunks(file, written, dropped, error) || !CarryExactRate(file, written))
        return m_engine.Fail(error.empty() ? "Cannot write " + written : error);
    if (!ReplaceWith(written, target, error)) return m_engine.Fail(error);
    return 1;
}

} // namespace tavril

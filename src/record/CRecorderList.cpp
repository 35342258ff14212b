#include "CRecorderList.h"

#include "SettingsStore.h"

namespace tavril {

namespace {
constexpr const char* kListSection = "Virtual recorder list";
constexpr const char* kCountKey = "number of recorders in list";
} // namespace

CRecorderList::CRecorderList(CAudioInputDeviceList* devices, IClock& clock) : m_devices(devices), m_clock(clock) {}

std::string CRecorderList::Section(size_t position)
{
    return "Virtual recorder #" + std::to_string(position) + " settings";
}

std::unique_ptr<CVirtualRecorder> CRecorderList::Create() const
{
    return std::make_unique<CVirtualRecorder>(m_devices, m_clock);
}

void CRecorderList::Initialise()
{
    if (m_devices) m_devices->Fill();
    m_recorders.clear();
    auto rt = Create();
    rt->description = kRealTime;
    auto trial = Create();
    trial->description = kTrial;
    m_recorders.push_back(std::move(rt));
    m_recorders.push_back(std::move(trial));
    ApplyBuiltInRules();
    m_initialised = true;
}

void CRecorderList::ApplyBuiltInRules()
{
    if (CVirtualRecorder* rt = Find(kRealTime)) {
        rt->pauseOnSpace = rt->recordOnCommand = rt->stopOnCommand = true;
    }
    if (CVirtualRecorder* trial = Find(kTrial)) {
        trial->pauseOnSpace = trial->recordOnCommand = trial->recordOnPlayback = false;
        trial->stopOnCommand = trial->stopOnPlayback = false;
        trial->settings.writeOver = true;
        trial->settings.detectorOn = false;
        trial->settings.fileNameSettings = 0;
        trial->settings.exitOnStore = false;
        trial->settings.checkStopTime = false;
    }
}

void CRecorderList::LoadRecorder(const std::string& file, size_t position, CVirtualRecorder& r) const
{
    const std::string s = Section(position);
    r.description = SettingsStore::ReadSettingString(file, s, "Description", r.description);
    r.pauseOnSpace = SettingsStore::ReadSettingInt(file, s, "Pause On Space", r.pauseOnSpace) != 0;
    r.recordOnCommand = SettingsStore::ReadSettingInt(file, s, "Record On Command", r.recordOnCommand) != 0;
    r.recordOnPlayback = SettingsStore::ReadSettingInt(file, s, "Record On Playback", r.recordOnPlayback) != 0;
    r.stopOnCommand = SettingsStore::ReadSettingInt(file, s, "Stop On Command", r.stopOnCommand) != 0;
    r.stopOnPlayback = SettingsStore::ReadSettingInt(file, s, "Stop On Playback", r.stopOnPlayback) != 0;
    const std::string suffix = CAcquisitionSettings::Suffix(int(position));
    r.settings.Load(file, suffix);
    r.supervisor.Load(file, suffix);
}

void CRecorderList::Load(const std::string& file)
{
    if (!m_initialised) Initialise();
    for (const char* builtIn : {kRealTime, kTrial}) {
        const int at = PositionOf(builtIn);
        if (at < 0) continue;
        CVirtualRecorder& r = *m_recorders[size_t(at)];
        LoadRecorder(file, size_t(at), r);
        r.description = builtIn;  // the built-in ones keep their names
    }
    const int count = SettingsStore::ReadSettingInt(file, kListSection, kCountKey, 0);
    m_recorders.resize(2);
    for (int i = 2; i < count && i < 1000; ++i) {
        auto r = Create();
        LoadRecorder(file, size_t(i), *r);
        if (!r->description.empty()) m_recorders.push_back(std::move(r));
    }
    ApplyBuiltInRules();
}

void CRecorderList::SaveRecorder(const std::string& file, size_t position, int& ok) const
{
    const CVirtualRecorder& r = *m_recorders[position];
    const std::string s = Section(position);
    ok &= SettingsStore::WriteSettingString(file, s, "Description", r.description);
    ok &= SettingsStore::WriteSettingInt(file, s, "Pause On Space", r.pauseOnSpace);
    ok &= SettingsStore::WriteSettingInt(file, s, "Record On Command", r.recordOnCommand);
    ok &= SettingsStore::WriteSettingInt(file, s, "Record On Playback", r.recordOnPlayback);
    ok &= SettingsStore::WriteSettingInt(file, s, "Stop On Command", r.stopOnCommand);
    ok &= SettingsStore::WriteSettingInt(file, s, "Stop On Playback", r.stopOnPlayback);
    const std::string suffix = CAcquisitionSettings::Suffix(int(position));
    ok &= r.settings.Save(file, suffix);
    ok &= r.supervisor.Save(file, suffix);
}

int CRecorderList::Save(const std::string& file) const
{
    int ok = SettingsStore::WriteSettingInt(file, kListSection, kCountKey, int(m_recorders.size()));
    for (size_t i = 0; i < m_recorders.size(); ++i) SaveRecorder(file, i, ok);
    return ok;
}

CVirtualRecorder* CRecorderList::At(size_t position) const
{
    if (m_recorders.empty()) return nullptr;
    return m_recorders[position < m_recorders.size() ? position : 0].get();
}

int CRecorderList::PositionOf(const std::string& description) const
{
    for (size_t i = 0; i < m_recorders.size(); ++i)
        if (m_recorders[i]->description == description) return int(i);
    return -1;
}

CVirtualRecorder* CRecorderList::Find(const std::string& description) const
{
    const int at = PositionOf(description);
    return at < 0 ? nullptr : m_recorders[size_t(at)].get();
}

CVirtualRecorder* CRecorderList::Add(std::unique_ptr<CVirtualRecorder> recorder)
{
    if (!recorder || recorder->description.empty() || Find(recorder->description)) return nullptr;
    m_recorders.push_back(std::move(recorder));
    return m_recorders.back().get();
}

std::unique_ptr<CVirtualRecorder> CRecorderList::Duplicate(size_t position) const
{
    const CVirtualRecorder* source = At(position);
    if (!source) return nullptr;
    auto copy = Create();
    copy->CopyFrom(*source);
    copy->description = "copy of " + source->description;
    copy->ResolveDevice();
    return copy;
}

int CRecorderList::Remove(size_t position)
{
    if (position >= m_recorders.size()) return 0;
    const std::string& d = m_recorders[position]->description;
    if (d == kRealTime || d == kTrial) return 0;
    m_recorders.erase(m_recorders.begin() + long(position));
    return 1;
}

std::vector<std::string> CRecorderList::ListedDescriptions() const
{
    std::vector<std::string> out;
    for (const auto& r : m_recorders)
        if (!r->description.empty() && r->description != kTrial) out.push_back(r->description);
    return out;
}

template <class F>
void CRecorderList::ForEach(int position, F f)
{
    if (position >= 0) {
        if (CVirtualRecorder* r = At(size_t(position))) f(*r);
        return;
    }
    for (auto& r : m_recorders) f(*r);
}

void CRecorderList::StartOnCommand(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.recordOnCommand) r.Start();
    });
}

void CRecorderList::StopOnCommand(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.stopOnCommand) r.Stop();
    });
}

void CRecorderList::PauseOnSpace(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.pauseOnSpace && r.IsRunning() && !r.IsPaused()) r.Pause();
    });
}

void CRecorderList::ResumeOnSpace(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.pauseOnSpace && r.IsPaused()) r.Resume();
    });
}

void CRecorderList::StartOnPlayback(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.recordOnPlayback) r.Start();
    });
}

void CRecorderList::StopOnPlayback(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.stopOnPlayback) r.Stop();
    });
}

void CRecorderList::SetPriorityLevel(int level, std::string& whyNot)
{
    ForEach(-1, [&](CVirtualRecorder& r) {
        if (CAudioInputDevice* d = r.ResolveDevice()) d->SetPriorityLevel(level, whyNot);
    });
}

void CRecorderList::Housekeeping(int position)
{
    ForEach(position, [](CVirtualRecorder& r) {
        if (r.IsRunning()) r.Housekeeping();
    });
}

void CRecorderList::DetectorsOn(bool on, int position)
{
    ForEach(position, [on](CVirtualRecorder& r) { r.SetDetectorOn(on); });
}

void CRecorderList::PlaybackStarted(int position)
{
    ForEach(position, [](CVirtualRecorder& r) { r.PlaybackStarted(); });
}

void CRecorderList::PlaybackEnded(int position)
{
    ForEach(position, [](CVirtualRecorder& r) { r.PlaybackEnded(); });
}

} // namespace tavril

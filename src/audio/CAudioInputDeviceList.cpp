#include "CAudioInputDeviceList.h"

namespace tavril {

CAudioInputDeviceList::CAudioInputDeviceList(IAudioInputBackend& backend, IClock& clock, IPriorityControl* priority)
    : m_backend(backend), m_clock(clock), m_priority(priority)
{
}

size_t CAudioInputDeviceList::Fill()
{
    m_devices.clear();
    const std::vector<AudioDeviceInfo> infos = m_backend.EnumerateDevices();
    for (size_t i = 0; i < infos.size(); ++i) {
        auto device = std::make_unique<CAudioInputDevice>(m_backend, m_clock, static_cast<uint32_t>(i), infos[i],
                                                          m_priority);
        if (m_reporter)
            device->SetErrorReporter(m_reporter);
        m_devices.push_back(std::move(device));
    }
    return m_devices.size();
}

std::vector<std::string> CAudioInputDeviceList::Names() const
{
    std::vector<std::string> names;
    for (const auto& d : m_devices)
        if (!d->GetName().empty())
            names.push_back(d->GetName());
    return names;
}

int CAudioInputDeviceList::FindByName(const std::string& name) const
{
    for (size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i]->GetName() == name)
            return static_cast<int>(i);
    return -1;
}

std::string CAudioInputDeviceList::NameAt(size_t position) const
{
    return position < m_devices.size() ? m_devices[position]->GetName() : std::string();
}

CAudioInputDevice* CAudioInputDeviceList::DeviceAt(size_t position) const
{
    if (m_devices.empty())
        return nullptr;
    return m_devices[position < m_devices.size() ? position : 0].get();
}

int CAudioInputDeviceList::PositionOf(const CAudioInputDevice* device) const
{
    for (size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].get() == device)
            return static_cast<int>(i);
    return -1;
}

void CAudioInputDeviceList::RemoveAt(size_t position)
{
    if (position < m_devices.size())
        m_devices.erase(m_devices.begin() + static_cast<std::ptrdiff_t>(position));
}

void CAudioInputDeviceList::SetErrorReporter(std::function<void(const std::string&)> reporter)
{
    m_reporter = std::move(reporter);
    for (auto& d : m_devices)
        d->SetErrorReporter(m_reporter);
}

} // namespace tavril

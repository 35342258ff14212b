#pragma once
// CAudioInputDeviceList: every sound input device of the system, in the
// sound system's order, each a CAudioInputDevice created by Fill.
//
// Ownership: owns its devices; removing one or refilling destroys them, so
// nobody may be attached to them then. Threading: user-interface thread.

#include "CAudioInputDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace tavril {

class CAudioInputDeviceList {
public:
    CAudioInputDeviceList(IAudioInputBackend& backend, IClock& clock, IPriorityControl* priority = nullptr);

    // Empties the list and creates one device per input device the backend
    // reports. Returns the number of devices.
    size_t Fill();
    size_t Count() const { return m_devices.size(); }
    // Names of the devices that have one, in list order (for a choice list).
    std::vector<std::string> Names() const;
    // Position of the first device named exactly `name`, or -1.
    int FindByName(const std::string& name) const;
    // The name at `position`, or "" past the end.
    std::string NameAt(size_t position) const;
    // The device at `position`, the first one when past the end, null when
    // the list is empty.
    CAudioInputDevice* DeviceAt(size_t position) const;
    // Position of `device`, or -1.
    int PositionOf(const CAudioInputDevice* device) const;
    void RemoveAt(size_t position);
    // Every device gets this error reporter (also those Fill creates later).
    void SetErrorReporter(std::function<void(const std::string&)> reporter);

private:
    IAudioInputBackend& m_backend;
    IClock& m_clock;
    IPriorityControl* m_priority;
    std::function<void(const std::string&)> m_reporter;
    std::vector<std::unique_ptr<CAudioInputDevice>> m_devices;
};

} // namespace tavril

// tavril-cli devices: the sound input devices with their channel counts, and
// the default output device.

#include "CliCommand.h"

#include "CAudioInputDeviceList.h"
#include "CPortAudioInputBackend.h"
#include "CPortAudioPlayer.h"
#include "CSteadyClock.h"

#include <cstdio>

namespace tavril::cli {

namespace {

int RunDevices(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::fprintf(stderr, "tavril-cli devices: takes no arguments\n");
        return 2;
    }
    CPortAudioSystem system;
    if (!system.IsReady()) {
        std::fprintf(stderr, "Sound I/O Error: %s\n", system.InitError().c_str());
        return 1;
    }
    CSteadyClock clock;
    CPortAudioInputBackend backend(system);
    CAudioInputDeviceList list(backend, clock);
    list.Fill();
    std::printf("input devices:\n");
    if (list.Count() == 0)
        std::printf("  (none)\n");
    for (size_t i = 0; i < list.Count(); ++i)
        std::printf("  %zu: %s (%u channel%s)\n", i, list.NameAt(i).c_str(), list.DeviceAt(i)->GetChannelCount(),
                    list.DeviceAt(i)->GetChannelCount() == 1 ? "" : "s");
    const std::string output = backend.DefaultOutputName();
    std::printf("default output device: %s\n", output.empty() ? "(none)" : output.c_str());
    return 0;
}

} // namespace

extern const CliCommand kDevicesCommand = {
    "devices",
    "list the sound input devices and the default output device",
    "Usage: tavril-cli devices\n"
    "Lists the sound input devices, numbered in the sound system's order, with\n"
    "the number of channels each offers for recording (1 or 2), then the name of\n"
    "the default output device ('(none)' without one).\n"
    "Exit status 0, or 1 when the sound system cannot be started.\n",
    RunDevices,
};

} // namespace tavril::cli

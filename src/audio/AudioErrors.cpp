#include "AudioErrors.h"

namespace tavril {

std::string SoundIoErrorMessage(const std::string& systemText)
{
    return "Sound I/O Error: " + systemText.substr(0, 200);
}

} // namespace tavril

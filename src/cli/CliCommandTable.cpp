#include "CliCommand.h"

namespace tavril::cli {

// One line per command; each command's texts and entry point are declared in
// its own file.
extern const CliCommand kInfoCommand;
extern const CliCommand kConvertCommand;
extern const CliCommand kImportRawCommand;
extern const CliCommand kSpectrogramCommand;
extern const CliCommand kCompareCommand;
extern const CliCommand kEditCommand;
extern const CliCommand kMultitoolCommand;
extern const CliCommand kDetectCommand;
extern const CliCommand kRecordCommand;
extern const CliCommand kDevicesCommand;
extern const CliCommand kPlayCommand;
extern const CliCommand kAnnotationsCommand;

const std::vector<CliCommand>& Commands()
{
    static const std::vector<CliCommand> commands = {
        kInfoCommand,
        kConvertCommand,
        kImportRawCommand,
        kSpectrogramCommand,
        kCompareCommand,
        kEditCommand,
        kMultitoolCommand,
        kDetectCommand,
        kRecordCommand,
        kDevicesCommand,
        kPlayCommand,
        kAnnotationsCommand,
    };
    return commands;
}

} // namespace tavril::cli

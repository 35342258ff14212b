#pragma once
// The sub-commands of tavril-cli. Each lives in its own Cli<Name>.cpp and is
// listed once in CliCommandTable.cpp; main() only dispatches.

#include <string>
#include <vector>

namespace tavril::cli {

struct CliCommand {
    const char* name;     // as typed: "info", "convert", ...
    const char* summary;  // one line for `tavril-cli --help`
    const char* usage;    // full text for `tavril-cli help NAME`
    int (*run)(const std::vector<std::string>& args);  // args after the command name; returns exit status
};

const std::vector<CliCommand>& Commands();

} // namespace tavril::cli

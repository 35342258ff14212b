// tavril-cli: the headless side of Tavril. Dispatches to the sub-commands of
// CliCommandTable.cpp; no Qt anywhere below this program.

#include "CliCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using tavril::cli::CliCommand;
using tavril::cli::Commands;

namespace {

void PrintOverview(FILE* out)
{
    std::fprintf(out,
                 "Usage: tavril-cli COMMAND [ARGS...]\n"
                 "Headless tools of Tavril, the workstation for animal sound recordings.\n\n"
                 "Commands:\n");
    for (const CliCommand& c : Commands()) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    std::fprintf(out, "\nRun 'tavril-cli help COMMAND' for the options of one command. In every command\n"
                      "'--' ends the options: what follows are file names, even '-x.wav'.\n"
                      "Exit status: 0 done, 1 the operation failed, 2 a bad argument.\n");
}

const CliCommand* Find(const std::string& name)
{
    for (const CliCommand& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintOverview(stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintOverview(stdout);
        return 0;
    }
    if (args[0] == "--version") {
        std::printf("tavril-cli %s\n", TAVRIL_VERSION);
        return 0;
    }
    if (args[0] == "help") {
        if (args.size() < 2) {
            PrintOverview(stdout);
            return 0;
        }
        const CliCommand* c = Find(args[1]);
        if (!c) {
            std::fprintf(stderr, "tavril-cli: unknown command '%s'\n", args[1].c_str());
            return 2;
        }
        std::fputs(c->usage, stdout);
        return 0;
    }
    const CliCommand* c = Find(args[0]);
    if (!c) {
        std::fprintf(stderr, "tavril-cli: unknown command '%s' (see 'tavril-cli --help')\n", args[0].c_str());
        return 2;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
        if (a == "--") break;  // file names follow, whatever they look like
        if (a == "--help" || a == "-h") {
            std::fputs(c->usage, stdout);
            return 0;
        }
    }
    return c->run(rest);
}

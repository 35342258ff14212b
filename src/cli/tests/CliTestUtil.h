#pragma once
// Runs tavril-cli with arguments and captures its exit status, standard
// output and standard error.

#include <string>
#include <vector>

namespace tavril::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);

} // namespace tavril::test

#pragma once
// Small helpers shared by the tavril-cli commands: argument parsing and
// text formatting. Stateless.

#include <optional>
#include <string>
#include <vector>

namespace tavril::cli {

// A JSON string literal for `text` (quotes and escapes included).
std::string JsonString(const std::string& text);
// A number without needless decimals: 22050, 22050.5.
std::string FormatNumber(double value);
// Strict number parsing: the whole text must be a number.
std::optional<double> ParseDouble(const std::string& text);
std::optional<long long> ParseInteger(const std::string& text);

} // namespace tavril::cli

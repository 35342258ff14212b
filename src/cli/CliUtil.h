#pragma once
// Small helpers shared by the tavril-cli commands: argument parsing and
// text formatting. Stateless.

#include <optional>
#include <string>
#include <vector>

namespace tavril::cli {

// A JSON string literal for `text` (quotes and escapes included). Bytes that
// are not UTF-8 (a file name is any bytes) become \u00XX, the byte's value,
// so the output stays valid JSON.
std::string JsonString(const std::string& text);
// A number without needless decimals: 22050, 22050.5.
std::string FormatNumber(double value);
// Strict number parsing: the whole text must be a number.
std::optional<double> ParseDouble(const std::string& text);
std::optional<long long> ParseInteger(const std::string& text);
// The second sentence of "Error opening soundfile FILE. ...": "The file may
// be corrupt" when it may, else the cause the system or the reader names.
std::string OpenFailureText(const std::string& path);
// Splits the arguments at the first "--": what follows it are operands
// (file names such as "-x.wav"), never options.
std::vector<std::string> SplitOperands(const std::vector<std::string>& args, std::vector<std::string>& operands);

} // namespace tavril::cli

#pragma once
// Text encoding helpers for annotation files and the formats exchanged with
// other programs. Tavril writes UTF-8; older files may be in a single-byte
// encoding, whose bytes are mapped one to one (ISO Latin-1) so that nothing
// is lost. Free functions, stateless, any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace tavril {

bool IsValidUtf8(const std::string& s);
// Each byte as the code point of the same value.
std::string Latin1ToUtf8(const std::string& s);
// `s` unchanged when it is UTF-8, else read as Latin-1.
std::string ToUtf8(const std::string& s);
// Decodes a whole file's bytes to UTF-8: a UTF-8 BOM is dropped, UTF-16 with
// a BOM (either byte order) is transcoded (unpaired surrogates become U+FFFD),
// other text is taken as UTF-8, or as Latin-1 when it is not valid UTF-8.
std::string DecodeTextFile(const std::string& bytes);
// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, uint32_t codePoint);
// The fields of a tab-separated line; an empty line is one empty field.
std::vector<std::string> SplitTabs(const std::string& line);

} // namespace tavril

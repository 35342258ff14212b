#pragma once
// Safe replacement of user files: write beside the target, flush, rename over
// it. A failure at any step leaves the target as it was. Free functions,
// stateless, any thread.

#include <string>

namespace tavril {

// Creates an empty file, private to the user, from `pattern`, whose six X's
// before the last `suffixLength` characters are replaced to make the name
// unique ("/tmp/TVLXXXXXX.tmp", 4). Returns its name, or "" with errno set
// when it could not be created.
std::string CreateUniqueFile(const std::string& pattern, int suffixLength);

// Creates an empty, hidden file in the target's folder whose name ends with
// `extension` (".wav"), so that writers choosing a format by extension pick
// the right one. Returns "" (and sets `error`) when the folder cannot take it.
std::string MakeTempBeside(const std::string& target, const std::string& extension, std::string& error);

// Flushes `temp` to disk and renames it over `target`, flushing the folder.
// The target's permission bits carry over. On failure `temp` is removed
// and the target untouched.
int ReplaceWith(const std::string& temp, const std::string& target, std::string& error);

// Copies the bytes of `from` to `to` (created or truncated), flushed.
int CopyFileBytes(const std::string& from, const std::string& to, std::string& error);

// Moves a file, replacing `to`; across file systems the copy is written
// beside `to` and renamed over it before `from` is removed.
int MoveFileSafely(const std::string& from, const std::string& to, std::string& error);

} // namespace tavril

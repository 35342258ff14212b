#pragma once
// Safe replacement of user files: write beside the target, flush, rename over
// it. A failure at any step leaves the target as it was. Free functions,
// stateless, any thread.

#include <functional>
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

// As ReplaceWith, but a failure leaves `finished` where it was (it may be a
// document's working copy, still needed). `crossDevice` tells that the two
// lie on different file systems, where a copy has to be made instead.
int MoveOver(const std::string& finished, const std::string& target, std::string& error, bool& crossDevice);

// Writes `path` out to the disk in steps, telling `progress` the fraction
// done after each (a large new version on a slow disk takes a while);
// 1 when flushed, -1 when `progress` said stop, 0 on an error (`error` set).
int FlushInSteps(const std::string& path, const std::function<bool(double)>& progress, std::string& error);

// Copies the bytes of `from` to `to` (created or truncated), flushed.
int CopyFileBytes(const std::string& from, const std::string& to, std::string& error);

// Moves a file, replacing `to`; across file systems the copy is written
// beside `to` and renamed over it before `from` is removed.
int MoveFileSafely(const std::string& from, const std::string& to, std::string& error);

} // namespace tavril

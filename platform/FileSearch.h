#pragma once

#include <optional>
#include <string>

namespace vantorix {

// Looks a name up as a search pattern: "*" (any run of characters) and "?"
// (one character) match in its last component; the folders before it are
// taken literally. Only plain visible files are found: no folders, nothing
// whose name starts with ".", nothing that is not a regular file. A name
// ending in the separator searches everything inside that folder. Returns
// the name of the first file found, or nothing.
std::optional<std::string> FindFileByPattern(const std::string& pattern);

// Whether a file name matches a pattern of "*" and "?", case-sensitively.
bool MatchesPattern(const std::string& name, const std::string& pattern);

}  // namespace vantorix

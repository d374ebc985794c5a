#pragma once

#include <string>
#include <string_view>

namespace balvix::storage {

// Rewrites a statement in the program's dialect (its identifiers already in stored spelling)
// into one the server runs: every name quoted in its stored spelling, `?` placeholders
// numbered, column types mapped to the server's, and the file engine's own forms (LIKE
// without regard to letter case, INSERT OR IGNORE, rowid, ifnull, instr) given their server
// equivalents. Returns the number of placeholders; throws DbError TrailingText when a second
// statement follows the first.
int serverStatement(std::string_view sql, std::string& out);

// The server's type for a column type written in the program's dialect ("TEXT(50)" → "text").
std::string serverColumnType(std::string_view type, bool primaryKey);

}  // namespace balvix::storage

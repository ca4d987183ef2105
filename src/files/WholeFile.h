// A file written whole or not at all: the text goes to a temporary file beside it, which is then
// moved over the old file in one step, so that a reader (or a later run) never meets a file cut
// short by a full disk or a crash.
#pragma once

#include <string>

namespace stowline {

// Writes `content` in text mode (every line feed stored as carriage return and line feed) as the
// file `path`. False when it could not; the old file, if any, is then left as it was.
bool ReplaceFileContent(const std::string& path, const std::string& content);

}  // namespace stowline

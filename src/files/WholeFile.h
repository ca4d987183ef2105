// A file written whole or not at all: the text goes to a new temporary file beside it, which is
// dated when asked and then moved over the old file in one step, so that a reader (or a later
// run) never meets a file cut short by a full disk or a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace stowline {

enum class WholeFileResult {
    Written,
    NameUnknown,  // the temporary's name was taken, and whether another is free is not known
    NotCreated,   // no temporary file could be created
    NotWritten,   // writing, closing or moving it failed; it is gone again
};

struct WholeFile {
    WholeFileResult result = WholeFileResult::NotCreated;
    std::uint64_t bytes = 0;  // on disk, once written
};

// Writes `content` in text mode (every line feed stored as carriage return and line feed) as the
// file `path`, through the new file `temporary` beside it: a file already there under that name
// (one left behind when a run was cut short, say) is neither written into nor removed, and the
// first free name for it is taken instead. With `date`, the file is dated before it is moved
// (it keeps the time of writing when the date cannot be set). The old file, if any, is left as
// it was unless the result is Written.
WholeFile WriteWholeFile(const std::string& path, const std::string& temporary, const std::string& content,
                         const std::optional<platform::LocalTime>& date = std::nullopt);

}  // namespace stowline

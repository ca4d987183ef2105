// What a command's --db names: a database file (DXL), or a mailbox (an mbox or message file,
// a Maildir folder, a folder of message files) opened in place as a read-only database.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "sim/Model.h"

namespace stowline::cli {

// A folder, or a file that does not hold XML, is a mailbox.
bool IsMailbox(const std::string& path);

// Opens `path` in the stand-in as the database the client shows; null after printing why,
// prefixed by "stowline COMMAND: ". Mail of a mailbox that cannot be read is listed as skipped.
sim::Database* OpenDatabase(const std::string& command, const std::string& path, std::ostream& err);

// A document as the database holds it or builds it when opened; nothing for other IDs.
std::optional<sim::Note> DocumentOf(const sim::Database& db, NOTEID id);

}  // namespace stowline::cli

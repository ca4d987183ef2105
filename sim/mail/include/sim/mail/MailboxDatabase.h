// A mailbox opened in place as a read-only database. One pass over the mailbox lists its
// messages: where each stands, and the universal ID, note ID, folder and place in date order
// that an import would give it. A document is read and built when it is opened and dropped
// when it is closed, so the database holds little more than that list whatever the size of
// the mailbox. Nothing can be deleted from it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sim/Model.h"

namespace sim::mail {

// Opens `mailbox` (see Mailbox) as the database NSFDbOpen finds by `dbPath` (default: the
// mailbox's own path), titled after it. Messages that could not be read are listed in
// `problems`; null with the reason in `error` when no message at all could be read.
Database* OpenMailboxDatabase(const std::filesystem::path& mailbox, std::vector<std::string>& problems,
                              std::string& error, const std::string& dbPath = {});

}  // namespace sim::mail

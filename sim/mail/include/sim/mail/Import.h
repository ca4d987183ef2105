// Imports mailboxes (message files, mbox files, Maildir folders, folders of message files)
// into a stand-in database as the Notes client shows inbound internet mail: "Memo" documents with typed header items, a rich-text Body and $FILE attachments,
// filed in a folder and in the ($All) view.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/Model.h"

namespace sim::mail {

struct ImportOptions {
    // Folder the messages are filed in. A mailbox's subfolders become folders of their own,
    // below this one when it is given explicitly.
    std::string folder;  // UTF-8; empty: "($Inbox)"
};

struct ImportSummary {
    size_t messages = 0;                  // documents added
    size_t attachments = 0;               // $FILE items added
    uint64_t bytes = 0;                   // bytes of the messages added
    size_t duplicates = 0;                // messages the database already held
    size_t skipped = 0;                   // files that held no message or could not be read
    std::vector<std::string> problems;    // one line per skipped file, naming it
    std::vector<std::string> unreadable;  // mailboxes of which no message could be read

    std::string Line() const;  // the summary line the import ends with
};

ImportSummary Import(Database& db, const std::vector<std::filesystem::path>& mailboxes,
                     const ImportOptions& options = {});

// The universal ID a message with this Message-ID is filed under first.
UNID UnidForMessageId(const std::string& messageId);

}  // namespace sim::mail

// The messages a mailbox on disk holds: one .eml file, an mbox file or a Maildir folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sim::mail {

struct MailboxMessage {
  std::string source;  // the file, with the message's position for mbox files ("box#3")
  std::string folder;  // Maildir subfolder path ("Lists\Dev"), empty for the mailbox itself
  std::string bytes;   // the message as it stands in the file
};

struct Mailbox {
  std::vector<MailboxMessage> messages;
  std::vector<std::string> problems;  // files or folders that could not be read, with why
};

// A directory is read as a Maildir (cur/ and new/, and Maildir++ subfolders ".A.B");
// a file that starts with an mbox "From " line as mbox; any other file as one message.
Mailbox ReadMailbox(const std::filesystem::path& path);

}  // namespace sim::mail

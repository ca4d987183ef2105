// The messages a mailbox on disk holds: one message file, an mbox file, a Maildir folder or a
// folder of message files. Listing a mailbox reads no message; reading streams them one at a
// time, so that no more than the largest message is held, and any one message can be read
// again later from where it stands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sim::mail {

// Where one message stands: a file of its own, or a stretch of an mbox file.
struct MessageLocation {
    uint32_t file = 0;    // index into the mailbox's files
    uint32_t number = 0;  // 1-based position in an mbox file; 0: the whole file is the message
    uint64_t offset = 0;
    uint64_t length = 0;
};

class Mailbox {
public:
    // Lists the files of the mailbox at `path`. A folder with cur/ or new/ is a Maildir (its
    // Maildir++ subfolders ".A.B" become folders "A\B"); any other folder holds message files,
    // and its subfolders become folders of their names. Only regular files and folders inside
    // the mailbox are read: symbolic links, pipes and devices below it are passed over.
    explicit Mailbox(const std::filesystem::path& path);

    // Reads every message in order. `visit` gets its location and bytes, which last until it
    // returns. A file that starts with an mbox "From " line holds one message per such line;
    // any other file is one message.
    void ForEach(const std::function<void(const MessageLocation&, std::string_view bytes)>& visit);

    // The bytes of one message, read again; false when they can no longer be read whole. Safe to
    // call from several threads at once.
    bool Read(const MessageLocation& location, std::string& bytes) const;

    // The file of a message, with its position for mbox files ("box#3").
    std::string Source(const MessageLocation& location) const;
    // The folder a message is filed in below the mailbox ("Lists\Dev"); empty for the mailbox itself.
    const std::string& Folder(const MessageLocation& location) const;

    // Files or folders that could not be read, with why; listing and reading add to them.
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    struct File {
        std::string path;
        uint32_t folder = 0;  // index into folders_
    };
    void ListMaildir(const std::filesystem::path& dir, const std::string& folder);
    void ListFolder(const std::filesystem::path& dir, const std::string& folder);
    void AddFile(const std::filesystem::path& path, const std::string& folder);
    uint32_t FolderIndex(const std::string& folder);

    // The file read again last, kept open: an mbox file is read again once for each message.
    struct OpenFile;
    std::shared_ptr<const OpenFile> Open(uint32_t file) const;

    std::vector<File> files_;
    mutable std::mutex openMutex_;
    mutable std::shared_ptr<const OpenFile> open_;
    std::vector<std::string> folders_;
    std::vector<std::string> problems_;
};

// Whether `path` is a folder that lists as a Maildir (cur/ or new/ inside).
bool IsMaildir(const std::filesystem::path& path);

}  // namespace sim::mail

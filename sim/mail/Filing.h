// How messages are filed into a database: their universal IDs, note IDs, folders and places
// in date order. The import and a mailbox opened in place both file through this, so that
// the same mail gets the same documents wherever it is read from.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/Model.h"

namespace sim::mail::detail {

// How Choose made a universal ID: those made from the message alone can be made again.
enum class UnidFrom : uint8_t {
    MessageId,           // from the Message-ID
    MessageIdAndDigest,  // from the Message-ID and the digest of the bytes
    Fresh,               // a fresh one: both were taken by other content
};

class Filing {
public:
    // Digest (hex SHA-256) of the bytes a held document was made from.
    using HeldDigest = std::function<std::string(NOTEID)>;

    // `folder`: the folder messages of the mailbox itself go to (empty: the inbox); subfolders
    // go below it when it is given. Makes the ($All) view when the database has none.
    Filing(Database& db, const std::string& folder, HeldDigest heldDigest);

    // The universal ID a new message gets, or nothing when the database holds it already.
    // The first ID a message can have is derived from its Message-ID; when another message
    // already holds it, the second is derived from the Message-ID and the bytes together.
    // Mail without a Message-ID is known by its bytes alone, so a second import finds it too.
    // `bytes` are the message's; their digest is taken only when needed. `from`, when given,
    // learns how the ID was made.
    std::optional<UNID> Choose(const std::string& messageId, std::string_view bytes, UnidFrom* from = nullptr);

    // The ID Choose made `from` the message's Message-ID and `digest` (see Digest); not for Fresh.
    static UNID UnidMadeFrom(UnidFrom from, const std::string& messageId, const std::string& digest);

    // A note ID for a new document, taken as the builder takes one.
    NOTEID NewDocumentId();

    // Files a new document in the folder for `subfolder` and in ($All), by `sortDate`.
    void File(NOTEID document, const UNID& unid, const std::string& subfolder, int64_t sortDate);

    // Puts what was filed into the collections: entries stay in date order, and a document
    // joins after those of the same date.
    void Finish();

private:
    NOTEID ViewNamed(const std::string& title, bool folder);
    void Hold(const UNID& unid, NOTEID id);
    int64_t Held(const UNID& unid) const;  // index into held_, or -1

    struct Pending {
        int64_t date;
        NOTEID document;
        NOTEID folder;
    };

    Database& db_;
    std::string folder_;
    HeldDigest heldDigest_;
    NOTEID allView_ = 0;
    std::vector<std::pair<std::string, NOTEID>> views_;  // titles (LMBCS) of views and folders
    std::vector<std::pair<UNID, NOTEID>> held_;
    std::vector<uint32_t> slots_;  // open addressing over held_ by UNID: index + 1, 0 empty
    std::vector<Pending> pending_;
};

// Hex SHA-256 of a message's bytes, kept with each document to tell duplicates apart.
std::string Digest(std::string_view bytes);

// The date a document sorts by: the date the mail shows, else when it arrived, else 0.
int64_t SortDate(const std::optional<int64_t>& posted, const std::optional<int64_t>& delivered);

}  // namespace sim::mail::detail

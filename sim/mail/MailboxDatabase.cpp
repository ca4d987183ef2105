#include "sim/mail/MailboxDatabase.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <optional>
#include <libxml/parser.h>

#include "BuildAhead.h"
#include "Filing.h"
#include "Memo.h"
#include "MessagePlaces.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"
#include "sim/mail/MailMessage.h"
#include "sim/mail/Mailbox.h"

namespace sim::mail {
namespace {

// The listed messages, about eight bytes each however large the mailbox. Messages read in a
// row from one file with consecutive note IDs form a stretch, which knows their file, their
// note IDs and their places in the file; each message keeps only where its bytes stand and how
// its universal ID was made, as the ID is made again from the message when it is built.
class MailboxDocuments : public DocumentSource {
public:
    MailboxDocuments(std::unique_ptr<Mailbox> box, DBID replicaId)
        : box_(std::move(box)),
          replicaId_(replicaId),
          ahead_([this](NOTEID id, Parsed& parsed, std::string& error) { return Parse(id, parsed, error); },
                 [this](NOTEID id, Parsed&& parsed, Note& note) { Finish(id, std::move(parsed), note); },
                 [this](NOTEID id) {
                     std::optional<Listed> listed = Find(id);
                     return listed ? static_cast<size_t>(listed->location.length) : size_t{0};
                 }) {}

    // One message as listed.
    struct Listed {
        MessageLocation location;
        detail::UnidFrom unidFrom;
    };

    // Lists the next message; its note ID is above those listed before.
    void Add(NOTEID id, const MessageLocation& location, detail::UnidFrom from, const UNID& unid) {
        const size_t count = stretches_.empty() ? 0 : messages_.size() - stretches_.back().first;
        const bool continues = count > 0 && location.number != 0 && location.file == stretches_.back().file &&
                               id == stretches_.back().firstId + 4 * count &&
                               location.number == stretches_.back().firstNumber + count;
        if (!continues) stretches_.push_back({messages_.size(), id, location.file, location.number});
        messages_.push_back({location.offset, location.length, static_cast<uint8_t>(from)});
        if (from == detail::UnidFrom::Fresh) fresh_.emplace(id, unid);
    }

    std::vector<NOTEID> Ids() const override {
        std::vector<NOTEID> ids;
        ids.reserve(messages_.size());
        for (size_t s = 0; s < stretches_.size(); ++s) {
            const size_t count =
                (s + 1 < stretches_.size() ? stretches_[s + 1].first : messages_.size()) - stretches_[s].first;
            for (size_t i = 0; i < count; ++i) ids.push_back(stretches_[s].firstId + static_cast<NOTEID>(4 * i));
        }
        return ids;
    }

    bool Has(NOTEID id) const override { return Find(id).has_value(); }

    bool Build(NOTEID id, Note& note, std::string& error) const override { return ahead_.Take(id, note, error); }

    void Expect(const std::vector<NOTEID>& order) const override { ahead_.Expect(order); }

    // A message read from its mailbox, to be made into its document.
    struct Parsed {
        MailMessage mail;
        UNID unid{};
        std::string digest;
    };

    // On either thread: reads only what no longer changes once the mailbox is listed.
    bool Parse(NOTEID id, Parsed& parsed, std::string& error) const {
        std::optional<Listed> listed = Find(id);
        std::string bytes;
        if (!listed || !Read(listed->location, bytes, error)) return false;
        parsed.digest = detail::Digest(bytes);
        std::optional<MailMessage> mail = ParseOwnedMailMessage(std::move(bytes));
        std::optional<UNID> unid;
        if (mail) unid = UnidOf(id, *listed, mail->messageId, parsed.digest);
        if (!unid) {
            // Its file was changed since the mailbox was listed.
            error = box_->Source(listed->location) + ": holds no mail message any more";
            return false;
        }
        parsed.mail = std::move(*mail);
        parsed.unid = *unid;
        return true;
    }

    // Built as the import builds it, in a database of its own.
    void Finish(NOTEID id, Parsed&& parsed, Note& note) const {
        Database scratch;
        scratch.replicaId = replicaId_;
        scratch.nextNoteId = id;
        DocumentBuilder doc = AddDocument(scratch);
        detail::BuildMemo(doc, std::move(parsed.mail), parsed.unid, parsed.digest);
        note = std::move(scratch.notes.at(id));
    }

    bool Read(const MessageLocation& location, std::string& bytes, std::string& error) const {
        if (box_->Read(location, bytes)) return true;
        error = box_->Source(location) + ": cannot be read any more";
        return false;
    }

    std::optional<Listed> Find(NOTEID id) const {
        auto after = std::upper_bound(stretches_.begin(), stretches_.end(), id,
                                      [](NOTEID wanted, const Stretch& s) { return wanted < s.firstId; });
        if (after == stretches_.begin()) return std::nullopt;
        const Stretch& stretch = *(after - 1);
        const size_t end = after == stretches_.end() ? messages_.size() : after->first;
        const NOTEID step = id - stretch.firstId;
        if (step % 4 != 0 || stretch.first + step / 4 >= end) return std::nullopt;
        const size_t k = step / 4;
        const detail::MessagePlaces::Place message = messages_[stretch.first + k];
        const uint32_t number = stretch.firstNumber == 0 ? 0 : stretch.firstNumber + static_cast<uint32_t>(k);
        return Listed{{stretch.file, number, message.offset, message.length},
                      static_cast<detail::UnidFrom>(message.tag)};
    }

    Mailbox& Box() { return *box_; }

private:
    // The universal ID the listing gave the message, made again; nothing when the message no
    // longer gives it (it lost its Message-ID).
    std::optional<UNID> UnidOf(NOTEID id, const Listed& listed, const std::string& messageId,
                               const std::string& digest) const {
        switch (listed.unidFrom) {
            case detail::UnidFrom::MessageId:
                if (messageId.empty()) return std::nullopt;
                [[fallthrough]];
            case detail::UnidFrom::MessageIdAndDigest:
                return detail::Filing::UnidMadeFrom(listed.unidFrom, messageId, digest);
            case detail::UnidFrom::Fresh: break;
        }
        auto it = fresh_.find(id);
        return it == fresh_.end() ? std::nullopt : std::optional<UNID>(it->second);
    }

    struct Stretch {
        size_t first;          // index of its first message in messages_
        NOTEID firstId;        // the next ones follow in steps of 4
        uint32_t file;         // index into the mailbox's files
        uint32_t firstNumber;  // the next ones follow in steps of 1; 0: a message file of its own
    };

    std::unique_ptr<Mailbox> box_;
    DBID replicaId_;
    std::vector<Stretch> stretches_;            // ascending note ID
    detail::MessagePlaces messages_;            // the tag: how its universal ID was made
    std::map<NOTEID, UNID> fresh_;              // the few universal IDs that cannot be made again
    mutable detail::BuildAhead<Parsed> ahead_;  // last: stopped before what it reads goes
};

std::string DigestOfHeld(const MailboxDocuments& documents, NOTEID id) {
    std::optional<MailboxDocuments::Listed> listed = documents.Find(id);
    std::string bytes, error;
    if (!listed || !documents.Read(listed->location, bytes, error)) return {};
    return detail::Digest(bytes);
}

}  // namespace

Database* OpenMailboxDatabase(const std::filesystem::path& mailbox, std::vector<std::string>& problems,
                              std::string& error, const std::string& dbPath) {
    // Documents are also parsed on a second thread: libxml2 wants its set-up done on one first.
    xmlInitParser();
    DBID replicaId = TimeDateFromUnix(static_cast<int64_t>(std::time(nullptr)));
    auto documents = std::make_shared<MailboxDocuments>(std::make_unique<Mailbox>(mailbox), replicaId);
    Mailbox& box = documents->Box();
    size_t listed = 0;

    Database listing;  // views and folders, as the import makes them
    listing.replicaId = replicaId;
    detail::Filing filing(listing, {}, [&](NOTEID id) { return DigestOfHeld(*documents, id); });
    size_t unparsed = 0;
    box.ForEach([&](const MessageLocation& location, std::string_view bytes) {
        std::optional<MailHeader> header = ParseMailHeader(bytes);
        if (!header) {
            ++unparsed;
            problems.push_back(box.Source(location) + ": holds no mail message");
            return;
        }
        detail::UnidFrom from;
        std::optional<UNID> unid = filing.Choose(header->messageId, bytes, &from);
        if (!unid) return;  // the same mail twice
        NOTEID id = filing.NewDocumentId();
        documents->Add(id, location, from, *unid);
        ++listed;
        auto seconds = [](const std::optional<MailTime>& t) {
            return t ? std::optional<int64_t>(t->unixSeconds) : std::nullopt;
        };
        filing.File(id, *unid, box.Folder(location),
                    detail::SortDate(seconds(header->postedDate), seconds(header->deliveredDate)));
    });
    filing.Finish();
    problems.insert(problems.begin(), box.Problems().begin(), box.Problems().end());
    if (listed == 0 && (unparsed > 0 || !box.Problems().empty())) {
        error = mailbox.string() + ": no mail message could be read";
        return nullptr;
    }

    Database& db = CreateDatabase(dbPath.empty() ? mailbox.string() : dbPath);
    std::string path = db.path;
    db = std::move(listing);
    db.path = path;
    std::filesystem::path name = mailbox.filename().empty() ? mailbox.parent_path().filename() : mailbox.filename();
    db.title = Utf8ToLmbcs(name.stem().string());
    db.source = documents;
    db.readOnly = true;
    return &db;
}

}  // namespace sim::mail

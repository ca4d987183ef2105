#include "sim/mail/MailboxDatabase.h"

#include <algorithm>
#include <ctime>
#include <libxml/parser.h>

#include "BuildAhead.h"
#include "Filing.h"
#include "Memo.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"
#include "sim/mail/MailMessage.h"
#include "sim/mail/Mailbox.h"

namespace sim::mail {
namespace {

class MailboxDocuments : public DocumentSource {
 public:
  struct Entry {
    NOTEID id;
    UNID unid;
    MessageLocation location;
  };

  MailboxDocuments(std::unique_ptr<Mailbox> box, DBID replicaId)
      : box_(std::move(box)),
        replicaId_(replicaId),
        ahead_([this](NOTEID id, Note& note, std::string& error) { return BuildNow(id, note, error); },
               [this](NOTEID id) {
                 const Entry* entry = Find(id);
                 return entry ? static_cast<size_t>(entry->location.length) : size_t{0};
               }) {}

  std::vector<NOTEID> Ids() const override {
    std::vector<NOTEID> ids;
    ids.reserve(entries_.size());
    for (const Entry& entry : entries_) ids.push_back(entry.id);
    return ids;
  }

  bool Has(NOTEID id) const override { return Find(id) != nullptr; }

  bool Build(NOTEID id, Note& note, std::string& error) const override { return ahead_.Take(id, note, error); }

  void Expect(const std::vector<NOTEID>& order) const override { ahead_.Expect(order); }

  // On either thread: reads only what no longer changes once the mailbox is listed.
  bool BuildNow(NOTEID id, Note& note, std::string& error) const {
    const Entry* entry = Find(id);
    std::string bytes;
    if (!entry || !Read(*entry, bytes, error)) return false;
    std::optional<MailMessage> mail = ParseMailMessage(bytes);
    if (!mail) {
      error = box_->Source(entry->location) + ": holds no mail message any more";
      return false;
    }
    // Built as the import builds it, in a database of its own.
    Database scratch;
    scratch.replicaId = replicaId_;
    scratch.nextNoteId = id;
    DocumentBuilder doc = AddDocument(scratch);
    detail::BuildMemo(doc, *mail, entry->unid, detail::Digest(bytes));
    note = std::move(scratch.notes.at(id));
    return true;
  }

  bool Read(const Entry& entry, std::string& bytes, std::string& error) const {
    if (box_->Read(entry.location, bytes)) return true;
    error = box_->Source(entry.location) + ": cannot be read any more";
    return false;
  }

  const Entry* Find(NOTEID id) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                               [](const Entry& e, NOTEID wanted) { return e.id < wanted; });
    return it != entries_.end() && it->id == id ? &*it : nullptr;
  }

  Mailbox& Box() { return *box_; }
  std::vector<Entry>& Entries() { return entries_; }

 private:
  std::unique_ptr<Mailbox> box_;
  DBID replicaId_;
  std::vector<Entry> entries_;  // ascending note ID
  mutable detail::BuildAhead ahead_;  // last: stopped before what it reads goes
};

std::string DigestOfHeld(const MailboxDocuments& documents, NOTEID id) {
  const MailboxDocuments::Entry* entry = documents.Find(id);
  std::string bytes, error;
  if (!entry || !documents.Read(*entry, bytes, error)) return {};
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
  std::vector<MailboxDocuments::Entry>& entries = documents->Entries();

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
    std::optional<UNID> unid = filing.Choose(header->messageId, bytes);
    if (!unid) return;  // the same mail twice
    NOTEID id = filing.NewDocumentId();
    entries.push_back({id, *unid, location});
    auto seconds = [](const std::optional<MailTime>& t) { return t ? std::optional<int64_t>(t->unixSeconds) : std::nullopt; };
    filing.File(id, *unid, box.Folder(location), detail::SortDate(seconds(header->postedDate), seconds(header->deliveredDate)));
  });
  filing.Finish();
  entries.shrink_to_fit();
  problems.insert(problems.begin(), box.Problems().begin(), box.Problems().end());
  if (entries.empty() && (unparsed > 0 || !box.Problems().empty())) {
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

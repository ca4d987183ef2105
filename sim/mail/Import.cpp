#include "sim/mail/Import.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "sim/Builder.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"
#include "sim/mail/MailMessage.h"
#include "sim/mail/Mailbox.h"

namespace sim::mail {
namespace {

constexpr const char* kDefaultFolder = "($Inbox)";
constexpr const char* kAllView = "($All)";
// Fingerprint of the imported bytes, so that a later import can tell a duplicate from
// another message that shares its Message-ID.
constexpr const char* kDigestItem = "$MailDigest";
constexpr WORD kNameFlags = ITEM_SUMMARY | ITEM_NAMES;

std::string Checksum(GChecksumType type, const std::string& bytes, bool hex) {
  GChecksum* checksum = g_checksum_new(type);
  g_checksum_update(checksum, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string result;
  if (hex) {
    result = g_checksum_get_string(checksum);
  } else {
    guint8 digest[64];
    gsize length = sizeof digest;
    g_checksum_get_digest(checksum, digest, &length);
    result.assign(reinterpret_cast<const char*>(digest), length);
  }
  g_checksum_free(checksum);
  return result;
}

UNID UnidFromKey(const std::string& key) {
  std::string digest = Checksum(G_CHECKSUM_MD5, key, false);
  UNID unid{};
  memcpy(&unid, digest.data(), std::min(sizeof unid, digest.size()));
  return unid;
}

std::string TextValue(const Item* item) {
  if (!item || item->Type() != TYPE_TEXT) return {};
  return LmbcsToUtf8(std::string_view(reinterpret_cast<const char*>(item->value.data()) + 2,
                                      item->value.size() - 2));
}

std::optional<int64_t> TimeValue(const Note& note, const char* name) {
  const Item* item = note.Find(name);
  if (!item || item->Type() != TYPE_TIME || item->value.size() < 2 + sizeof(TIMEDATE)) return std::nullopt;
  TIMEDATE when;
  memcpy(&when, item->value.data() + 2, sizeof when);
  int64_t seconds = 0;
  if (!TimeDateToUnix(when, seconds)) return std::nullopt;
  return seconds;
}

// The date the mail shows; mail without one sorts by when it arrived.
int64_t SortDate(const Note& note) {
  if (auto posted = TimeValue(note, "PostedDate")) return *posted;
  return TimeValue(note, "DeliveredDate").value_or(0);
}

bool TitleNames(const std::string& title, const std::string& wanted) {
  size_t start = 0;
  while (start <= title.size()) {
    size_t end = title.find('|', start);
    if (end == std::string::npos) end = title.size();
    if (NamesEqual(title.substr(start, end - start), wanted)) return true;
    start = end + 1;
  }
  return false;
}

// The view or folder of that title (or alias), made when the database has none.
NOTEID ViewNamed(Database& db, const std::string& title, bool folder) {
  for (auto& [id, note] : db.notes)
    if (note.noteClass == NOTE_CLASS_VIEW && !note.deleted && TitleNames(TextValue(note.Find("$TITLE")), title))
      return id;
  return AddView(db, title, folder).Id();
}

// Entries stay in date order; a message joins after those of the same date.
void FileInDateOrder(Database& db, NOTEID view, NOTEID document) {
  Collection& entries = db.collections[view];
  if (std::find(entries.begin(), entries.end(), document) != entries.end()) return;
  int64_t date = SortDate(*db.FindNote(document));
  auto position = std::upper_bound(entries.begin(), entries.end(), date, [&](int64_t d, NOTEID entry) {
    const Note* note = db.FindNote(entry);
    return note && d < SortDate(*note);
  });
  entries.insert(position, document);
}

// A file name as the sender gave it, without any folder part a hostile name might carry.
std::string BareFileName(const std::string& name) {
  size_t slash = name.find_last_of("/\\");
  std::string bare = slash == std::string::npos ? name : name.substr(slash + 1);
  return bare.empty() || bare == "." || bare == ".." ? std::string("ATT00000.bin") : bare;
}

std::string FolderFor(const ImportOptions& options, const std::string& subfolder) {
  if (subfolder.empty()) return options.folder.empty() ? kDefaultFolder : options.folder;
  return options.folder.empty() ? subfolder : options.folder + "\\" + subfolder;
}

enum class Placement { New, Duplicate };

// The first ID a message can have is derived from its Message-ID; when another message
// already holds it, the second is derived from the Message-ID and the bytes together.
// Mail without a Message-ID is known by its bytes alone, so a second import finds it too.
Placement ChooseUnid(Database& db, const std::string& messageId, const std::string& digest, UNID& unid) {
  std::vector<std::string> keys;
  if (!messageId.empty()) keys.push_back("<" + messageId + ">");
  keys.push_back("<" + messageId + ">\n" + digest);
  for (const std::string& key : keys) {
    unid = UnidFromKey(key);
    Note* held = db.FindNoteByUnid(unid);
    if (!held) return Placement::New;
    if (TextValue(held->Find(kDigestItem)) == digest) return Placement::Duplicate;
  }
  // Both IDs are taken by other content: a fresh one.
  unid = UnidFromKey(keys.back() + "\n" + std::to_string(db.notes.size()));
  while (db.FindNoteByUnid(unid)) unid = UnidFromKey(std::string(reinterpret_cast<char*>(&unid), sizeof unid));
  return Placement::New;
}

NOTEID AddMemo(Database& db, const MailMessage& mail, const UNID& unid, const std::string& digest,
               int64_t importTime) {
  DocumentBuilder doc = AddDocument(db);
  doc.Unid(unid);
  doc.Text("Form", "Memo");
  doc.Text("From", mail.from, kNameFlags);
  if (!mail.sendTo.empty()) doc.TextList("SendTo", mail.sendTo, kNameFlags);
  if (!mail.copyTo.empty()) doc.TextList("CopyTo", mail.copyTo, kNameFlags);
  if (!mail.blindCopyTo.empty()) doc.TextList("BlindCopyTo", mail.blindCopyTo, kNameFlags);
  doc.Text("Subject", mail.subject);
  if (mail.postedDate) doc.Time("PostedDate", TimeDateFromUnix(mail.postedDate->unixSeconds));
  doc.Time("DeliveredDate", TimeDateFromUnix(mail.deliveredDate ? mail.deliveredDate->unixSeconds : importTime));
  if (!mail.messageId.empty()) doc.Text("$MessageID", "<" + mail.messageId + ">");
  doc.Text(kDigestItem, digest, 0);
  RichText body;
  for (const std::string& paragraph : mail.body) body.Paragraph(paragraph);
  if (mail.body.empty()) body.Paragraph("");
  doc.Rich("Body", body);
  for (const MailAttachment& attachment : mail.attachments)
    doc.Attachment(BareFileName(attachment.name), Bytes(attachment.bytes.begin(), attachment.bytes.end()));
  return doc.Id();
}

}  // namespace

UNID UnidForMessageId(const std::string& messageId) { return UnidFromKey("<" + messageId + ">"); }

std::string ImportSummary::Line() const {
  return "Imported " + std::to_string(messages) + " messages, " + std::to_string(attachments) +
         " attachments, " + std::to_string(bytes) + " bytes; " + std::to_string(duplicates) +
         " duplicates, " + std::to_string(skipped) + " skipped";
}

ImportSummary Import(Database& db, const std::vector<std::filesystem::path>& mailboxes,
                     const ImportOptions& options) {
  ImportSummary summary;
  int64_t importTime = options.importTime ? options.importTime : static_cast<int64_t>(std::time(nullptr));
  NOTEID allView = ViewNamed(db, kAllView, false);
  for (const auto& path : mailboxes) {
    Mailbox box = ReadMailbox(path);
    summary.skipped += box.problems.size();
    summary.problems.insert(summary.problems.end(), box.problems.begin(), box.problems.end());
    for (const MailboxMessage& message : box.messages) {
      std::optional<MailMessage> mail = ParseMailMessage(message.bytes);
      if (!mail) {
        ++summary.skipped;
        summary.problems.push_back(message.source + ": holds no mail message");
        continue;
      }
      std::string digest = Checksum(G_CHECKSUM_SHA256, message.bytes, true);
      UNID unid;
      if (ChooseUnid(db, mail->messageId, digest, unid) == Placement::Duplicate) {
        ++summary.duplicates;
        continue;
      }
      NOTEID id = AddMemo(db, *mail, unid, digest, importTime);
      FileInDateOrder(db, ViewNamed(db, FolderFor(options, message.folder), true), id);
      FileInDateOrder(db, allView, id);
      ++summary.messages;
      summary.attachments += mail->attachments.size();
      summary.bytes += message.bytes.size();
    }
  }
  return summary;
}

}  // namespace sim::mail

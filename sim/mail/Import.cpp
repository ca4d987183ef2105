#include "sim/mail/Import.h"

#include "Filing.h"
#include "Memo.h"
#include "sim/Builder.h"
#include "sim/mail/MailMessage.h"
#include "sim/mail/Mailbox.h"

namespace sim::mail {
namespace {

std::string HeldDigest(Database& db, NOTEID id) {
    const Note* note = db.FindNote(id);
    const Item* item = note ? note->Find(detail::kDigestItem) : nullptr;
    if (!item || item->Type() != TYPE_TEXT) return {};
    return std::string(reinterpret_cast<const char*>(item->value.data()) + 2, item->value.size() - 2);
}

}  // namespace

UNID UnidForMessageId(const std::string& messageId) {
    // The first choice of the filing, for a database that holds nothing yet.
    Database empty;
    detail::Filing filing(empty, {}, [](NOTEID) { return std::string(); });
    return *filing.Choose(messageId, std::string_view());
}

std::string ImportSummary::Line() const {
    return "Imported " + std::to_string(messages) + " messages, " + std::to_string(attachments) + " attachments, " +
           std::to_string(bytes) + " bytes; " + std::to_string(duplicates) + " duplicates, " + std::to_string(skipped) +
           " skipped";
}

ImportSummary Import(Database& db, const std::vector<std::filesystem::path>& mailboxes, const ImportOptions& options) {
    ImportSummary summary;
    detail::Filing filing(db, options.folder, [&db](NOTEID id) { return HeldDigest(db, id); });
    for (const auto& path : mailboxes) {
        Mailbox box(path);
        size_t listed = box.Problems().size();
        summary.problems.insert(summary.problems.end(), box.Problems().begin(), box.Problems().end());
        size_t read = 0;
        box.ForEach([&](const MessageLocation& location, std::string_view bytes) {
            std::optional<MailMessage> mail = ParseMailMessage(bytes);
            if (!mail) {
                ++summary.skipped;
                summary.problems.push_back(box.Source(location) + ": holds no mail message");
                return;
            }
            ++read;
            std::string digest = detail::Digest(bytes);
            std::optional<UNID> unid = filing.Choose(mail->messageId, bytes);
            if (!unid) {
                ++summary.duplicates;
                return;
            }
            summary.attachments += mail->attachments.size();
            const int64_t sortDate = detail::MailSortDate(*mail);
            DocumentBuilder doc = AddDocument(db);
            detail::BuildMemo(doc, std::move(*mail), *unid, digest);
            filing.File(doc.Id(), *unid, box.Folder(location), sortDate);
            ++summary.messages;
            summary.bytes += bytes.size();
        });
        summary.problems.insert(summary.problems.end(), box.Problems().begin() + static_cast<std::ptrdiff_t>(listed),
                                box.Problems().end());
        summary.skipped += box.Problems().size();
        // Files that hold no mail were read; a mailbox that could not be listed or read was not.
        if (read == 0 && !box.Problems().empty()) summary.unreadable.push_back(path.string());
    }
    filing.Finish();
    return summary;
}

}  // namespace sim::mail

#include "Memo.h"

#include "Filing.h"
#include "sim/Time.h"

namespace sim::mail::detail {
namespace {

constexpr WORD kNameFlags = ITEM_SUMMARY | ITEM_NAMES;

// A file name as the sender gave it, without any folder part a hostile name might carry.
std::string BareFileName(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    std::string bare = slash == std::string::npos ? name : name.substr(slash + 1);
    return bare.empty() || bare == "." || bare == ".." ? std::string("ATT00000.bin") : bare;
}

std::optional<int64_t> Seconds(const std::optional<MailTime>& when) {
    return when ? std::optional<int64_t>(when->unixSeconds) : std::nullopt;
}

}  // namespace

int64_t MailSortDate(const MailMessage& mail) {
    return SortDate(Seconds(mail.postedDate), Seconds(mail.deliveredDate));
}

void BuildMemo(DocumentBuilder& doc, MailMessage&& mail, const UNID& unid, const std::string& digest) {
    doc.Unid(unid);
    doc.Text("Form", "Memo");
    doc.Text("From", mail.from, kNameFlags);
    if (!mail.sendTo.empty()) doc.TextList("SendTo", mail.sendTo, kNameFlags);
    if (!mail.copyTo.empty()) doc.TextList("CopyTo", mail.copyTo, kNameFlags);
    if (!mail.blindCopyTo.empty()) doc.TextList("BlindCopyTo", mail.blindCopyTo, kNameFlags);
    doc.Text("Subject", mail.subject);
    if (mail.postedDate) doc.Time("PostedDate", TimeDateFromUnix(mail.postedDate->unixSeconds));
    // Mail is dated by what it carries: without a Received stamp it has no delivery date.
    if (mail.deliveredDate) doc.Time("DeliveredDate", TimeDateFromUnix(mail.deliveredDate->unixSeconds));
    if (!mail.messageId.empty()) doc.Text("$MessageID", "<" + mail.messageId + ">");
    doc.Text(kDigestItem, digest, 0);
    RichText body;
    for (const std::string& paragraph : mail.body) body.Paragraph(paragraph);
    if (mail.body.empty()) body.Paragraph("");
    doc.Rich("Body", body);
    for (MailAttachment& attachment : mail.attachments)
        doc.Attachment(BareFileName(attachment.name), std::move(attachment.bytes));
}

}  // namespace sim::mail::detail

// The Notes mail document a message becomes: a "Memo" with typed header items, a rich-text
// Body and $FILE attachments.
#pragma once

#include <string>

#include "sim/Builder.h"
#include "sim/mail/MailMessage.h"

namespace sim::mail::detail {

// Item holding the digest of the bytes the document was made from, so that a later import
// can tell a duplicate from another message that shares its Message-ID.
inline constexpr const char* kDigestItem = "$MailDigest";

// The document of a message, which takes over the attachments' bytes.
void BuildMemo(DocumentBuilder& doc, MailMessage&& mail, const UNID& unid, const std::string& digest);

// The sort date of a message (seconds since 1970): the date it shows, else when it arrived.
int64_t MailSortDate(const MailMessage& mail);

}  // namespace sim::mail::detail

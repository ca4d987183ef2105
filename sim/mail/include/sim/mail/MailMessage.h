// One RFC 5322 message read into the parts a Notes mail document is made of.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::mail {

// A point in time as the message states it: seconds since 1970 (UTC) and the
// writer's offset from UTC, so the zone survives into the TIMEDATE.
struct MailTime {
    int64_t unixSeconds = 0;
    int utcOffsetMinutes = 0;
    bool operator==(const MailTime&) const = default;
};

struct MailAttachment {
    std::string name;            // UTF-8, as the sender named it
    std::vector<uint8_t> bytes;  // decoded content, as a document holds it
};

// All text is UTF-8; conversion to LMBCS happens when the document is built.
struct MailMessage {
    std::string from;                                      // the sender as the header states it, encoded words decoded
    std::vector<std::string> sendTo, copyTo, blindCopyTo;  // one address each
    std::string subject;
    std::string messageId;                  // without angle brackets; empty when the message has none
    std::optional<MailTime> postedDate;     // Date
    std::optional<MailTime> deliveredDate;  // newest Received
    std::vector<std::string> body;          // paragraphs of the body text
    std::vector<MailAttachment> attachments;
};

// What filing a message needs, read from its header alone: the same values ParseMailMessage
// gives for the whole message.
struct MailHeader {
    std::string messageId;
    std::optional<MailTime> postedDate;
    std::optional<MailTime> deliveredDate;
};
std::optional<MailHeader> ParseMailHeader(std::string_view bytes);

namespace detail {
// The two ways ParseMailHeader reads a header. The scan reads a plainly formed header (every
// line a field or a fold of one, ended by a blank line) without building GMime's message and
// answers nothing for any other; GMime parses any header.
std::optional<MailHeader> ScanMailHeader(std::string_view bytes);
std::optional<MailHeader> ParseMailHeaderWithGMime(std::string_view bytes);
}  // namespace detail

// Reads one message. Returns nothing only when the bytes hold no message at all
// (nothing but blank space, or no header field before the text; blank lines before
// the header are passed over); anything else is read as far as it goes.
std::optional<MailMessage> ParseMailMessage(std::string_view bytes);
// The same for bytes handed over, which are released (left empty) as soon as the parser holds
// a copy of them, so that a large message is not held twice while it is read.
std::optional<MailMessage> ParseOwnedMailMessage(std::string&& bytes);

namespace detail {
// ParseMailMessage hands GMime only the header fields it reads a message for; this hands it
// every field, as the message stands.
std::optional<MailMessage> ParseMailMessageWithAllFields(std::string_view bytes);
}  // namespace detail

// The text a browser shows for an HTML document: scripts and styles dropped,
// white space collapsed, block elements ending paragraphs.
std::vector<std::string> HtmlToParagraphs(std::string_view html);

}  // namespace sim::mail

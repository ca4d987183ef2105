// The header read by the scan is the header GMime reads, and headers the scan cannot vouch for
// are left to GMime; a message read from the header fields it is read for is the message read
// from all of them.
#include <gtest/gtest.h>

#include "MailTestSupport.h"
#include "sim/mail/MailMessage.h"
#include "sim/mail/Mailbox.h"

namespace {

using sim::mail::MailHeader;
using sim::mail::MailTime;
namespace detail = sim::mail::detail;

std::string Describe(const std::optional<MailHeader>& h) {
    if (!h) return "(no message)";
    auto when = [](const std::optional<MailTime>& t) {
        return t ? std::to_string(t->unixSeconds) + "/" + std::to_string(t->utcOffsetMinutes) : std::string("-");
    };
    return "id <" + h->messageId + "> date " + when(h->postedDate) + " received " + when(h->deliveredDate);
}

// Every message of every mail set: where the scan answers, it answers as GMime does.
TEST(MailHeaderScan, AgreesWithGMimeOnEveryMessageOfTheMailSets) {
    size_t scanned = 0;
    for (const char* set : {"apache-spamassassin", "enmime", "james-mime4j", "mailgun-flanker", "mikel-mail", "mimekit",
                            "php-mime-mail-parser", "stalwart-mail-parser"}) {
        for (const auto& path : mailtest::MailboxesOf(set)) {
            sim::mail::Mailbox box(path);
            box.ForEach([&](const sim::mail::MessageLocation& at, std::string_view bytes) {
                std::optional<MailHeader> scan = detail::ScanMailHeader(bytes);
                if (!scan) return;
                ++scanned;
                EXPECT_EQ(Describe(scan), Describe(detail::ParseMailHeaderWithGMime(bytes))) << box.Source(at);
            });
        }
    }
    EXPECT_GT(scanned, 0u);
}

// Small headers of each kind: the scan reads the plain ones as GMime does and declines the rest,
// which ParseMailHeader then reads with GMime.
TEST(MailHeaderScan, ReadsPlainHeadersAndLeavesTheRestToGMime) {
    struct Case {
        const char* name;
        std::string bytes;
        bool scanned;
    };
    const Case cases[] = {
        {"plain", "Message-ID: <a@b>\nDate: Mon, 2 Jan 2023 10:00:00 +0100\nSubject: x\n\nbody\n", true},
        {"CR LF, folded, newest stamp of several",
         "Received: from a\r\n\tby b; Tue, 3 Jan 2023 10:00:00 +0000\r\nReceived: from c; Wed, 4 Jan 2023 10:00:00 -0500\r\n"
         "Received: by d; Mon, 2 Jan 2023 10:00:00 +0000\r\nMessage-Id:\r\n  <folded@id>\r\n\r\nbody\r\n",
         true},
        {"the last Date and Message-ID count",
         "Date: Mon, 2 Jan 2023 10:00:00 +0000\nMessage-ID: <1@x>\n"
         "Date: Tue, 3 Jan 2023 10:00:00 +0000\nmessage-id: <2@x>\n\n",
         true},
        {"a Date GMime cannot read, an ID in a comment", "Date: sometime\nMessage-ID: (note) <c@d> (more)\n\n", true},
        {"encoded words and 8-bit text", "Subject: =?utf-8?q?caf=C3=A9?= \xe9t\xe9\nMessage-ID: <=?utf-8?q?x?=@y>\n\n",
         true},
        {"a blank continuation line", "Received: by a;\n \n Mon, 2 Jan 2023 10:00:00 +0000\n\n", true},
        {"blank lines before the header", "\n \r\nMessage-ID: <late@start>\n\nbody", true},
        {"no blank line ends it", "Message-ID: <a@b>\nSubject: x", false},
        {"an mbox From line first", "From someone Mon Jan  2 10:00:00 2023\nMessage-ID: <a@b>\n\n", false},
        {"a line that is no field", "Message-ID: <a@b>\nnot a field\nDate: Mon, 2 Jan 2023 10:00:00 +0000\n\n", false},
        {"a space before the colon", "Message-ID : <a@b>\n\n", false},
        {"a lone CR", "Message-ID: <a@b>\rDate: Mon, 2 Jan 2023 10:00:00 +0000\n\n", false},
        {"a NUL", std::string("Message-ID: <a@b>\nSubject: a\0b\n\n", 32), false},
        {"a fold first", " Message-ID: <a@b>\n\n", false},
        {"nothing but blank lines", "\n\n\n", false},
        {"no header at all", "just text\n\nmore\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<MailHeader> scan = detail::ScanMailHeader(c.bytes);
        EXPECT_EQ(scan.has_value(), c.scanned);
        std::optional<MailHeader> gmime = detail::ParseMailHeaderWithGMime(c.bytes);
        if (scan) {
            EXPECT_EQ(Describe(scan), Describe(gmime));
        }
        EXPECT_EQ(Describe(sim::mail::ParseMailHeader(c.bytes)), Describe(gmime));
    }
    // What the cases above read: the newest stamp, the last fields, the folded ID.
    auto folded = detail::ScanMailHeader(cases[1].bytes);
    ASSERT_TRUE(folded && folded->deliveredDate);
    EXPECT_EQ(folded->messageId, "folded@id");
    EXPECT_EQ(folded->deliveredDate->utcOffsetMinutes, -300);
    auto last = detail::ScanMailHeader(cases[2].bytes);
    ASSERT_TRUE(last && last->postedDate);
    EXPECT_EQ(last->messageId, "2@x");
    EXPECT_EQ(last->postedDate->unixSeconds, 1672740000);
}

std::string Describe(const std::optional<sim::mail::MailMessage>& m) {
    if (!m) return "(no message)";
    std::string text = Describe(MailHeader{m->messageId, m->postedDate, m->deliveredDate}) + "\nfrom " + m->from +
                       "\nsubject " + m->subject;
    for (const auto* list : {&m->sendTo, &m->copyTo, &m->blindCopyTo}) {
        text += "\n|";
        for (const std::string& address : *list) text += address + "|";
    }
    for (const std::string& paragraph : m->body) text += "\n> " + paragraph;
    for (const auto& attachment : m->attachments)
        text += "\n@ " + attachment.name + " " + std::to_string(attachment.bytes.size()) + " bytes " +
                std::to_string(std::hash<std::string>{}(std::string(attachment.bytes.begin(), attachment.bytes.end())));
    return text;
}

TEST(MailMessageFields, TheFieldsReadGiveTheMessageAllFieldsGive) {
    for (const char* set : {"apache-spamassassin", "enmime", "james-mime4j", "mailgun-flanker", "mikel-mail", "mimekit",
                            "php-mime-mail-parser", "stalwart-mail-parser"}) {
        for (const auto& path : mailtest::MailboxesOf(set)) {
            sim::mail::Mailbox box(path);
            box.ForEach([&](const sim::mail::MessageLocation& at, std::string_view bytes) {
                const std::string read = Describe(sim::mail::ParseMailMessage(bytes));
                EXPECT_EQ(read, Describe(detail::ParseMailMessageWithAllFields(bytes))) << box.Source(at);
                // Bytes handed over are released while the message is read, and read the same.
                std::string owned(bytes);
                EXPECT_EQ(Describe(sim::mail::ParseOwnedMailMessage(std::move(owned))), read) << box.Source(at);
            });
        }
    }
    // Fields passed over, fields read, and a header of no field read at all, which is kept whole.
    const std::string crowded =
        "X-Spam: yes\r\nReturn-Path: <a@b>\r\nFrom: A <a@b>\r\nReply-To: c@d\r\nTo: e@f,\r\n g@h\r\n"
        "DKIM-Signature: v=1;\r\n\tb=xyz\r\nSubject: s\r\nContent-Type: multipart/mixed; boundary=q\r\n\r\n"
        "--q\r\nContent-Type: text/plain\r\n\r\nhello\r\n--q\r\nContent-Type: application/pdf; name=a.pdf\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n--q--";
    const std::string unread = "X-Only: this\n\nbody\n";
    for (const std::string& bytes : {crowded, unread}) {
        auto message = sim::mail::ParseMailMessage(bytes);
        ASSERT_TRUE(message);
        EXPECT_EQ(Describe(message), Describe(detail::ParseMailMessageWithAllFields(bytes)));
    }
    auto message = sim::mail::ParseMailMessage(crowded);
    EXPECT_EQ(message->sendTo, (std::vector<std::string>{"e@f", "g@h"}));
    ASSERT_EQ(message->attachments.size(), 1u);
    EXPECT_EQ(std::string(message->attachments[0].bytes.begin(), message->attachments[0].bytes.end()), "%PDF");
    EXPECT_EQ(sim::mail::ParseMailMessage(unread)->body, std::vector<std::string>{"body"});
}

}  // namespace

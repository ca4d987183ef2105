// The header read by the scan is the header GMime reads, and headers the scan cannot vouch for
// are left to GMime.
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
      {"the last Date and Message-ID count", "Date: Mon, 2 Jan 2023 10:00:00 +0000\nMessage-ID: <1@x>\n"
       "Date: Tue, 3 Jan 2023 10:00:00 +0000\nmessage-id: <2@x>\n\n", true},
      {"a Date GMime cannot read, an ID in a comment", "Date: sometime\nMessage-ID: (note) <c@d> (more)\n\n", true},
      {"encoded words and 8-bit text", "Subject: =?utf-8?q?caf=C3=A9?= \xe9t\xe9\nMessage-ID: <=?utf-8?q?x?=@y>\n\n", true},
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
    if (scan) EXPECT_EQ(Describe(scan), Describe(gmime));
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

}  // namespace

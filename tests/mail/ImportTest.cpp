// The import as an API program sees it: documents, items, folders, duplicates.
#include <gtest/gtest.h>

#include "support/ScratchFolder.h"

#include <algorithm>
#include <fstream>
#include <map>

#include <notesapi/notesapi.h>

#include "MailTestSupport.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"
#include "support/StandInFixture.h"
#include "sim/mail/Import.h"
#include "sim/mail/MailMessage.h"

namespace fs = std::filesystem;

namespace {

class MailImport : public sim::CleanEngineTest {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::vector<const sim::Note*> Documents(sim::Database& db) {
        std::vector<const sim::Note*> docs;
        for (auto& [id, note] : db.notes)
            if (note.noteClass == NOTE_CLASS_DOCUMENT && !note.deleted) docs.push_back(&note);
        return docs;
    }
    std::string Text(const sim::Note& note, const char* item) {
        const sim::Item* found = note.Find(item);
        if (!found || found->value.size() < 2) return {};
        return sim::LmbcsToUtf8(
            std::string_view(reinterpret_cast<const char*>(found->value.data()) + 2, found->value.size() - 2));
    }
    testsupport::ScratchFolder scratch_{"mail-import-"};
    const fs::path dir_ = scratch_.Host();
};

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Message(const std::string& id, const std::string& subject,
                    const std::string& date = "Mon, 2 Jan 2023 10:00:00 +0000") {
    std::string m = "From: Ann <ann@example.org>\nTo: bob@example.org\nSubject: " + subject + "\nDate: " + date + "\n";
    if (!id.empty()) m += "Message-ID: <" + id + ">\n";
    return m + "\nHello\n";
}

TEST_F(MailImport, ASecondImportAddsNothingAndSharedIdsKeepBothMessages) {
    fs::path box = Write("box.mbox", "From a@b Mon Jan  2 10:00:00 2023\n" + Message("one@x", "first") +
                                         "\nFrom a@b Mon Jan  2 10:00:00 2023\n" + Message("one@x", "other bytes") +
                                         "\nFrom a@b Mon Jan  2 10:00:00 2023\n" + Message("", "no id") + "\n");
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::ImportSummary first = sim::mail::Import(db, {box});
    EXPECT_EQ(first.messages, 3u) << first.Line();
    sim::mail::ImportSummary second = sim::mail::Import(db, {box});
    EXPECT_EQ(second.messages, 0u) << second.Line();
    EXPECT_EQ(second.duplicates, 3u);

    auto docs = Documents(db);
    ASSERT_EQ(docs.size(), 3u);
    UNID derived = sim::mail::UnidForMessageId("one@x");
    EXPECT_EQ(std::count_if(docs.begin(), docs.end(),
                            [&](const sim::Note* n) { return memcmp(&n->oid, &derived, sizeof derived) == 0; }),
              1);
}

TEST_F(MailImport, HeadersBecomeTypedItems) {
    struct Case {
        const char* header;
        const char* item;
        std::string expected;
    };
    const Case cases[] = {
        {"Subject: =?ISO-8859-1?Q?Gr=FC=DFe?=", "Subject", "Grüße"},
        {"Subject: =?UTF-8?B?0J/RgNC40LLQtdGC?=", "Subject", "Привет"},
        {"Subject: =?KOI8-R?B?8NLJ18XU?=", "Subject", "Привет"},
        {"From: =?UTF-8?Q?Jos=C3=A9?= <jose@example.org>", "From", "José <jose@example.org>"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        sim::Database& db = sim::CreateDatabase("mail.nsf");
        sim::mail::Import(db, {Write("m.eml", std::string(c.header) + "\nTo: a@x, \"B, C\" <b@x>\nCc: c@x\n\nbody\n")});
        auto docs = Documents(db);
        ASSERT_EQ(docs.size(), 1u) << c.header;
        EXPECT_EQ(Text(*docs[0], c.item), c.expected) << c.header;
        EXPECT_EQ(Text(*docs[0], "Form"), "Memo");
        EXPECT_EQ(docs[0]->Find("SendTo")->Type(), TYPE_TEXT_LIST);
        EXPECT_EQ(docs[0]->Find("DeliveredDate"), nullptr) << "no Received header, so no delivery date";
    }
}

// Never by when it was read: mail without a Received stamp has no delivery date, so its page
// is dated by its own Date, or by nothing that changes from one reading to the next.
TEST_F(MailImport, MailIsDatedByWhatItCarries) {
    fs::path eml =
        Write("dated.eml", "Received: from a by b; Tue, 3 Jan 2023 08:00:00 +0000\n" + Message("dated@x", "dated"));
    fs::path bare = Write("bare.eml", "Subject: no dates\n\nbody\n");
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::Import(db, {eml, bare});
    auto docs = Documents(db);
    ASSERT_EQ(docs.size(), 2u);
    auto seconds = [](const sim::Item* item) -> int64_t {
        if (!item || item->Type() != TYPE_TIME) return -1;
        TIMEDATE when;
        memcpy(&when, item->value.data() + 2, sizeof when);
        int64_t unix = -1;
        return sim::TimeDateToUnix(when, unix) ? unix : -1;
    };
    EXPECT_EQ(seconds(docs[0]->Find("DeliveredDate")), 1672732800);
    EXPECT_EQ(seconds(docs[0]->Find("PostedDate")), 1672653600);
    EXPECT_EQ(docs[1]->Find("DeliveredDate"), nullptr);
    EXPECT_EQ(docs[1]->Find("PostedDate"), nullptr);
}

TEST_F(MailImport, MaildirFoldersNestAndViewsStayInDateOrder) {
    Write("md/cur/2", Message("late@x", "late", "Tue, 3 Jan 2023 10:00:00 +0000"));
    Write("md/new/1", Message("early@x", "early", "Sun, 1 Jan 2023 10:00:00 +0000"));
    Write("md/.Lists.Dev/cur/3", Message("dev@x", "dev", "Mon, 2 Jan 2023 10:00:00 +0000"));
    Write("md/tmp/ignored", Message("tmp@x", "half delivered"));
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::ImportSummary summary = sim::mail::Import(db, {dir_ / "md"});
    EXPECT_EQ(summary.messages, 3u) << summary.Line();

    std::map<std::string, std::vector<std::string>> subjectsByView;
    for (auto& [viewId, entries] : db.collections) {
        std::string title = Text(*db.FindNote(viewId), "$TITLE");
        for (NOTEID id : entries) subjectsByView[title].push_back(Text(*db.FindNote(id), "Subject"));
    }
    EXPECT_EQ(subjectsByView["($Inbox)"], (std::vector<std::string>{"early", "late"}));
    EXPECT_EQ(subjectsByView["Lists\\Dev"], (std::vector<std::string>{"dev"}));
    EXPECT_EQ(subjectsByView["($All)"], (std::vector<std::string>{"early", "dev", "late"}));
}

TEST_F(MailImport, FilesWithoutMailAreSkippedByName) {
    fs::path empty = Write("empty.eml", "\n\n");
    fs::path prose = Write("notes.txt", "just some words\nover lines\n");
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::ImportSummary summary = sim::mail::Import(db, {empty, prose, dir_ / "missing.eml"});
    EXPECT_EQ(summary.messages, 0u);
    EXPECT_EQ(summary.skipped, 3u);
    ASSERT_EQ(summary.problems.size(), 3u);
    EXPECT_NE(summary.problems[0].find("empty.eml"), std::string::npos);
    EXPECT_NE(summary.problems[1].find("notes.txt"), std::string::npos);
    EXPECT_NE(summary.Line().find("3 skipped"), std::string::npos);
}

TEST_F(MailImport, BlankLinesBeforeTheHeaderAreNotItsEnd) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::ImportSummary summary = sim::mail::Import(
        db,
        {Write("lead.eml", "   \r\n\t\n" + Message("lead@x", "after blanks")), Write("prose.eml", "\n\njust words\n")});
    EXPECT_EQ(summary.messages, 1u) << summary.Line();
    EXPECT_EQ(summary.skipped, 1u);
    auto docs = Documents(db);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(Text(*docs[0], "Subject"), "after blanks");
    EXPECT_EQ(Text(*docs[0], "$MessageID"), "<lead@x>");
}

TEST_F(MailImport, AttachmentNamesLoseAnyFolderPart) {
    fs::path eml =
        Write("m.eml",
              "Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nhi\n"
              "--b\nContent-Type: application/octet-stream\nContent-Disposition: attachment; "
              "filename=\"..\\\\..\\\\evil.bat\"\nContent-Transfer-Encoding: base64\n\naGk=\n--b--\n");
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::Import(db, {eml});
    auto docs = Documents(db);
    ASSERT_EQ(docs.size(), 1u);
    auto files = mailtest::ExtractAttachments(db.path, docs[0]->id);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "evil.bat");
    EXPECT_EQ(files[0].bytes, "hi");
}

// Content whose sender cut its transfer encoding short keeps every byte a lenient reader
// gives, in attachments and in the body text.
TEST(MailDecoding, ContentEndingShortKeepsItsLastBytes) {
    struct Case {
        const char* encoding;
        const char* encoded;
        const char* decoded;
    };
    const Case cases[] = {
        {"base64", "QUJD", "ABC"},
        {"base64", "QUJDREU=", "ABCDE"},
        {"base64", "QUJDREU", "ABCDE"},        // final padding left out: two bytes pending
        {"base64", "QUJDRA", "ABCD"},          // one byte pending
        {"base64", "QUJD\r\nRA\r\n", "ABCD"},  // split over lines, CR LF ends
        {"base64", "QQ==QUJD", "A"},           // nothing after the padding
        {"quoted-printable", "caf=C3=A9", "caf\xC3\xA9"},
        {"quoted-printable", "soft=\r\nbreak=", "softbreak"},
        {"quoted-printable", "cut off=4", "cut off=4"},  // an escape the end cuts short stays as written
    };
    for (const Case& c : cases) {
        std::string part = std::string("Content-Transfer-Encoding: ") + c.encoding + "\n\n" + c.encoded + "\n";
        std::string message =
            "Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n"
            "--b\nContent-Type: text/plain; charset=utf-8\n" +
            part + "--b\nContent-Type: application/octet-stream; name=f.bin\n" + part + "--b--\n";
        std::optional<sim::mail::MailMessage> mail = sim::mail::ParseMailMessage(message);
        ASSERT_TRUE(mail) << c.encoded;
        ASSERT_EQ(mail->attachments.size(), 1u) << c.encoded;
        EXPECT_EQ(AsText(mail->attachments[0].bytes), c.decoded) << c.encoding << " " << c.encoded;
        ASSERT_FALSE(mail->body.empty()) << c.encoded;
        EXPECT_EQ(mail->body[0], c.decoded) << c.encoding << " " << c.encoded << " in the body";
    }
}

// Text is read in its charset, whatever bytes it is made of: ASCII bytes are not always ASCII
// text (UTF-7 and ISO-2022-JP spell other characters with them).
TEST(MailDecoding, TextIsReadInItsCharset) {
    struct Case {
        const char* charset;
        const char* bytes;
        const char* text;  // UTF-8
    };
    const Case cases[] = {
        {"us-ascii", "plain text", "plain text"},
        {"UTF-8", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"iso-8859-1", "caf\xE9", "caf\xC3\xA9"},
        {"windows-1252", "\x80 5", "\xE2\x82\xAC 5"},
        {"utf-7", "a+AOk-b",
         "a\xC3\xA9"
         "b"},
        {"iso-2022-jp", "\x1B$B$3$s\x1B(B!", "\xE3\x81\x93\xE3\x82\x93!"},
    };
    for (const Case& c : cases) {
        std::string message =
            std::string("Subject: s\nContent-Type: text/plain; charset=") + c.charset + "\n\n" + c.bytes + "\n";
        std::optional<sim::mail::MailMessage> mail = sim::mail::ParseMailMessage(message);
        ASSERT_TRUE(mail) << c.charset;
        ASSERT_FALSE(mail->body.empty()) << c.charset;
        EXPECT_EQ(mail->body[0], c.text) << c.charset;
    }
}

// A boundary line that ends the message without a line break still takes the line break
// before it, whatever its kind: the part it closes keeps no stray CR.
TEST(MailDecoding, ABoundaryEndingTheBytesClosesItsPartWhole) {
    for (const char* end : {"--b--", "--b", "--b--\r\n"}) {
        std::string message = std::string(
                                  "Subject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
                                  "--b\r\nContent-Type: text/plain; name=a.txt\r\n\r\nline\r\n\r\n") +
                              end;
        std::optional<sim::mail::MailMessage> mail = sim::mail::ParseMailMessage(message);
        ASSERT_TRUE(mail) << end;
        ASSERT_EQ(mail->attachments.size(), 1u) << end;
        EXPECT_EQ(AsText(mail->attachments[0].bytes), "line\r\n") << end;
    }
}

TEST(HtmlToParagraphs, ShowsTheTextABrowserShows) {
    struct Case {
        const char* html;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"<p>One\n  two</p><p>three</p>", {"One two", "three"}},
        {"<div>a<br>b</div>", {"a", "b"}},
        {"<head><style>p{}</style><title>t</title></head><body><script>x()</script>Hi <b>there</b></body>",
         {"Hi there"}},
        {"<pre>x  y\nz</pre>", {"x  y", "z"}},
        {"<ul><li>1</li><li>2</li></ul>", {"1", "2"}},
    };
    for (const Case& c : cases) EXPECT_EQ(sim::mail::HtmlToParagraphs(c.html), c.expected) << c.html;
}

}  // namespace

// The index that runs keep when the job asks for it, over real mail imported into the
// stand-in: its rows and their order, counts, escaping, growth over runs, pages removed by
// the user, and a failed write that changes nothing of what the run archives or deletes.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "SimMail.h"
#include "export/RunExport.h"
#include "notes/ItemText.h"
#include "notes/NotesDocument.h"
#include "platform/posix/FileOps.h"
#include "sim/mail/Import.h"

namespace {

namespace fs = std::filesystem;
using Tree = std::set<std::string>;

const fs::path kMails = fs::path(STOWLINE_DATA_DIR) / "mail/php-mime-mail-parser/tests/mails";

// One row of an index page, as its cells hold it.
struct Row {
    std::string date, from, link, subject, attachments;
    bool operator==(const Row&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Row& r) {
    return out << '[' << r.date << " | " << r.from << " | " << r.link << " | " << r.subject << " | " << r.attachments
               << ']';
}

std::vector<Row> Rows(const std::string& page) {
    std::vector<Row> rows;
    std::size_t at = 0;
    while ((at = page.find("\r\n<tr><td>", at)) != std::string::npos) {
        at += 10;
        const std::string line = page.substr(at, page.find("\r\n", at) - at);
        Row r;
        std::size_t p = 0;
        const auto cell = [&](const std::string& end) {
            const std::size_t e = line.find(end, p);
            std::string text = line.substr(p, e - p);
            p = e == std::string::npos ? e : e + end.size();
            return text;
        };
        r.date = cell("<td>");
        r.from = cell("<td><a href=\"");
        r.link = cell("\">");
        r.subject = cell("</a><td>");
        r.attachments = cell("</tr>");
        rows.push_back(r);
    }
    return rows;
}

class IndexRun : public exporttest::MailRunTest {
protected:
    void SetUp() override {
        MailRunTest::SetUp();
        job.WriteIndex = true;
    }
    // Imports the messages and answers their note IDs by subject.
    std::map<std::string, NOTEID> Import(const std::vector<fs::path>& files) {
        const auto summary = sim::mail::Import(*db, files);
        EXPECT_EQ(summary.skipped, 0u) << summary.Line();
        std::map<std::string, NOTEID> ids;
        for (const auto& [id, note] : db->notes) {
            if (note.noteClass != NOTE_CLASS_DOCUMENT || note.deleted) continue;
            stowline::NotesDocument document;
            if (!document.Open(handle, id, true)) continue;
            ids[stowline::GetFieldText(document.note, "Subject", ';')] = id;
        }
        return ids;
    }
    std::vector<Row> Index(const std::string& folder = "Inbox") { return Rows(archive.Read(folder + "\\index.htm")); }
    bool Run() {
        const bool ok = stowline::RunExport(job);
        if (idTable != 0) sim::ReleaseClientHandle(idTable);
        idTable = 0;
        return ok;
    }
};

TEST_F(IndexRun, ListsThePagesNewestFirstWithSenderSubjectAndAttachments) {
    auto ids = Import({kMails / "m0001", kMails / "m0008", kMails / "m0011", kMails / "m0014"});
    ASSERT_EQ(ids.size(), 4u);
    Select({ids["Hello World !"], ids["Test message from Netscape Communicator 4.7"],
            ids["Mail avec fichier attach\xE9 de 1ko"], ids["Testing MIME E-mail composing with cid"]});

    ASSERT_TRUE(Run()) << job.ErrorText;
    EXPECT_EQ(job.IndexErrorText, "");
    // Dated by their newest Received line, else by their Date line, in the stand-in's US
    // Eastern zone.
    const std::vector<Row> expected = {
        {"03/16/2014 10:11:45 AM", "Name &lt;name@company.com&gt;", "Hello World !.htm", "Hello World !", "1"},
        {"06/16/2013 11:50:14 AM", "Name &lt;name@company.com&gt;", "Mail avec fichier attach~ de 1ko.htm",
         "Mail avec fichier attach\xE9 de 1ko", "1"},
        {"04/30/2005 06:28:29 PM", "Name &lt;name@company.com&gt;", "Testing MIME E-mail composing with cid.htm",
         "Testing MIME E-mail composing with cid", "3"},
        {"05/17/2000 11:47:08 PM", "Doug Sauder &lt;dwsauder@example.com&gt;",
         "Test message from Netscape Communicator 4.7.htm", "Test message from Netscape Communicator 4.7", "1"},
    };
    EXPECT_EQ(Index(), expected);
    // Text mode, as the pages: every line ends in CR LF.
    const std::string page = archive.Read("Inbox\\index.htm");
    EXPECT_EQ(page.find("\n"), page.find("\r\n") + 1);
    EXPECT_EQ(page.find('\n', page.size() - 1), page.size() - 1);
    for (std::size_t i = page.find('\n'); i != std::string::npos; i = page.find('\n', i + 1))
        ASSERT_EQ(page[i - 1], '\r') << i;
    EXPECT_NE(page.find("<span id=count>4 pages</span>"), std::string::npos);

    // The base path's index lists the folder with its count and newest date.
    const std::string base = archive.Read("index.htm");
    EXPECT_NE(base.find("<li><a href=\"Inbox\\index.htm\">Inbox</a> (4 pages, newest 03/16/2014 10:11:45 AM)"),
              std::string::npos)
        << base;
    EXPECT_EQ(archive.Tree().count("Inbox/index.js"), 1u);
    EXPECT_EQ(archive.Tree().count("index-folders.js"), 1u);
}

// Index off: the tree holds the pages and attachments only, byte for byte those of a run that
// keeps an index (the index adds files; it changes none).
TEST_F(IndexRun, OffLeavesTheTreeAsItWas) {
    auto ids = Import({kMails / "m0001", kMails / "m0008", kMails / "m0011"});
    std::vector<NOTEID> all;
    for (const auto& [subject, id] : ids) all.push_back(id);
    Select(all);
    ASSERT_TRUE(Run()) << job.ErrorText;
    std::map<std::string, std::string> indexed;
    for (const auto& path : archive.Tree())
        if (path.back() != '/') indexed[path] = archive.Read(path);
    fs::remove_all(archive.Host());
    fs::create_directories(archive.Host());

    job.WriteIndex = false;
    Select(all);
    ASSERT_TRUE(Run()) << job.ErrorText;
    std::map<std::string, std::string> plain;
    for (const auto& path : archive.Tree())
        if (path.back() != '/') plain[path] = archive.Read(path);
    for (const char* file : {"index.htm", "index-folders.js", "Inbox/index.htm", "Inbox/index.js"}) {
        EXPECT_EQ(indexed.erase(file), 1u) << file;
        EXPECT_EQ(plain.count(file), 0u) << file;
    }
    EXPECT_EQ(plain, indexed);
    EXPECT_EQ(job.IndexErrorText, "");
}

// Subjects, senders and file names that carry markup, entities and URL syntax are shown as
// text and linked to exactly their page.
TEST_F(IndexRun, HostileSubjectsAndSendersAreEscapedAsOnThePages) {
    const fs::path mail = archive.Host("hostile.eml");
    std::ofstream(mail, std::ios::binary)
        << "From: \"<img src=x onerror=alert(1)>\" <eve&co@example.com>\r\n"
           "To: bob@example.com\r\n"
           "Subject: 50% off #1 <script>alert(\"x\")</script> & =?ISO-8859-1?Q?=C4?=rger\r\n"
           "Date: Tue, 1 Oct 2013 00:42:18 +0200\r\n"
           "Message-ID: <hostile@example.com>\r\n"
           "\r\n"
           "Body with \"quotes\" and a \\ backslash.\r\n";
    auto ids = Import({mail});
    ASSERT_EQ(ids.size(), 1u);
    Select({ids.begin()->second});
    ASSERT_TRUE(Run()) << job.ErrorText;
    fs::remove(mail);

    const auto rows = Index();
    ASSERT_EQ(rows.size(), 1u);
    const std::string pageName = "50% off #1 ~script~alert(~x~)~~script~ & ~rger.htm";
    ASSERT_TRUE(archive.IsFile("Inbox\\" + pageName));
    EXPECT_EQ(rows[0].link, "50%25 off %231 ~script~alert(~x~)~~script~ &amp; ~rger.htm");
    EXPECT_EQ(rows[0].subject, "50% off #1 &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &Auml;rger");
    EXPECT_EQ(rows[0].from, "&quot;&lt;img src=x onerror=alert(1)&gt;&quot; &lt;eve&amp;co@example.com&gt;");
    // The same text as the page's own cells.
    const std::string page = archive.Read("Inbox\\" + pageName);
    EXPECT_NE(page.find("Subject<td>" + rows[0].subject + "</td>"), std::string::npos);
    EXPECT_NE(page.find("From<td>" + rows[0].from + "</td>"), std::string::npos);
    const std::string index = archive.Read("Inbox\\index.htm");
    EXPECT_EQ(index.find("<script>alert"), std::string::npos);
    EXPECT_EQ(index.find("<img"), std::string::npos);
}

TEST_F(IndexRun, GrowsOverRunsAndDropsPagesTheUserRemoved) {
    auto ids = Import({kMails / "m0001", kMails / "m0008", kMails / "m0011", kMails / "m0014"});
    const NOTEID hello = ids["Hello World !"], netscape = ids["Test message from Netscape Communicator 4.7"],
                 attach = ids["Mail avec fichier attach\xE9 de 1ko"],
                 mime = ids["Testing MIME E-mail composing with cid"];
    const auto links = [this] {
        std::vector<std::string> l;
        for (const auto& r : Index()) l.push_back(r.link);
        return l;
    };

    Select({hello, netscape});
    ASSERT_TRUE(Run()) << job.ErrorText;
    EXPECT_EQ(links(),
              (std::vector<std::string>{"Hello World !.htm", "Test message from Netscape Communicator 4.7.htm"}));

    Select({attach});
    ASSERT_TRUE(Run()) << job.ErrorText;
    EXPECT_EQ(links(), (std::vector<std::string>{"Hello World !.htm", "Mail avec fichier attach~ de 1ko.htm",
                                                 "Test message from Netscape Communicator 4.7.htm"}));

    // The user deletes a page; archiving the same mail again lists it once.
    fs::remove(archive.Host("Inbox\\Hello World !.htm"));
    Select({mime, attach});
    ASSERT_TRUE(Run()) << job.ErrorText;
    EXPECT_EQ(links(), (std::vector<std::string>{"Mail avec fichier attach~ de 1ko.htm",
                                                 "Testing MIME E-mail composing with cid.htm",
                                                 "Test message from Netscape Communicator 4.7.htm"}));
    EXPECT_NE(archive.Read("index.htm").find("Inbox</a> (3 pages, newest 06/16/2013 11:50:14 AM)"), std::string::npos);
    EXPECT_EQ(job.IndexErrorText, "");
}

// Folders nest in the base path's index as on disk; a folder whose index the user removed
// drops out of it, the others stay.
TEST_F(IndexRun, BaseIndexNestsTheFolders) {
    auto ids = Import({kMails / "m0001", kMails / "m0011", kMails / "m0014"});
    const auto runInto = [this](const std::string& view, NOTEID id) {
        job.ViewName = view;
        Select({id});
        ASSERT_TRUE(Run()) << job.ErrorText;
        EXPECT_EQ(job.IndexErrorText, "");
    };
    runInto("Projects\\Alpha", ids["Hello World !"]);
    runInto("Inbox", ids["Test message from Netscape Communicator 4.7"]);
    runInto("Projects\\Beta & Gamma #2", ids["Mail avec fichier attach\xE9 de 1ko"]);
    runInto("Archive 2013", ids["Hello World !"]);
    fs::remove_all(archive.Host("Archive 2013"));
    runInto("projects", ids["Mail avec fichier attach\xE9 de 1ko"]);

    const std::string base = archive.Read("index.htm");
    const std::size_t start = base.find("<ul>");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(
        base.substr(start, base.find("</body>") - start),
        "<ul>\r\n"
        "<li><a href=\"Inbox\\index.htm\">Inbox</a> (1 page, newest 05/17/2000 11:47:08 PM)\r\n<ul>\r\n</ul></li>\r\n"
        "<li><a href=\"projects\\index.htm\">projects</a> (1 page, newest 06/16/2013 11:50:14 AM)\r\n<ul>\r\n"
        "<li><a href=\"Projects\\Alpha\\index.htm\">Alpha</a> (1 page, newest 03/16/2014 10:11:45 AM)\r\n<ul>\r\n</ul></li>\r\n"
        "<li><a href=\"Projects\\Beta &amp; Gamma %232\\index.htm\">Beta &amp; Gamma #2</a> "
        "(1 page, newest 06/16/2013 11:50:14 AM)\r\n<ul>\r\n</ul></li>\r\n"
        "</ul></li>\r\n</ul>\r\n");
    // Each folder's index links back to the base path's.
    EXPECT_NE(archive.Read("Projects\\Alpha\\index.htm").find("<a href=\"..\\..\\index.htm\">"), std::string::npos);
}

// A disk that fills up while the index is written: the run's own result, its deletions and
// the pages are those of a run without an index; the old index stays whole; the failure is
// told on its own.
TEST_F(IndexRun, FailedWriteIsReportedAndChangesNoDeletion) {
    auto ids = Import({kMails / "m0001", kMails / "m0008", kMails / "m0011", kMails / "m0014"});
    const NOTEID hello = ids["Hello World !"], netscape = ids["Test message from Netscape Communicator 4.7"];
    const NOTEID attach = ids["Mail avec fichier attach\xE9 de 1ko"],
                 mime = ids["Testing MIME E-mail composing with cid"];
    Arm();
    Select({hello});
    ASSERT_TRUE(Run()) << job.ErrorText;
    const std::string oldPage = archive.Read("Inbox\\index.htm");
    const std::string oldData = archive.Read("Inbox\\index.js");
    const std::string oldBase = archive.Read("index.htm");

    // Files of the index are written under a temporary name ending in ".new"; the disk is full
    // for them after their first 100 bytes.
    static std::set<int> indexFiles;
    static std::size_t room;
    indexFiles.clear();
    platform::posix::ScopedFileOps restore;
    auto& ops = platform::posix::Ops();
    ops.open = [](const char* path, int flags, mode_t mode) {
        const int fd = platform::posix::RealFileOps().open(path, flags, mode);
        const std::string p = path;
        if (fd >= 0 && p.size() > 4 && p.compare(p.size() - 4, 4, ".new") == 0)
            indexFiles.insert(fd);
        else
            indexFiles.erase(fd);
        room = 100;
        return fd;
    };
    ops.write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (!indexFiles.count(fd)) return platform::posix::RealFileOps().write(fd, data, size);
        if (room == 0) return errno = ENOSPC, -1;
        const size_t n = size < room ? size : room;
        room -= n;
        return platform::posix::RealFileOps().write(fd, data, n);
    };

    Select({netscape, attach, mime});
    EXPECT_TRUE(Run()) << job.ErrorText;
    EXPECT_EQ(job.ErrorText, "");
    EXPECT_EQ(job.IndexErrorText, "The index of \"" + archive.Win("Inbox") + "\" was not written: the file \"" +
                                      archive.Win("Inbox\\index.js") +
                                      "\" could not be written.\n"
                                      "The index of \"" +
                                      archive.Win() + "\" was not written: the file \"" +
                                      archive.Win("index-folders.js") + "\" could not be written.");
    for (NOTEID id : {hello, netscape, attach, mime}) EXPECT_TRUE(Deleted(id)) << id;
    for (const char* page : {"Hello World !.htm", "Test message from Netscape Communicator 4.7.htm",
                             "Mail avec fichier attach~ de 1ko.htm", "Testing MIME E-mail composing with cid.htm"})
        EXPECT_TRUE(archive.IsFile(std::string("Inbox\\") + page)) << page;
    EXPECT_EQ(archive.Read("Inbox\\index.htm"), oldPage);
    EXPECT_EQ(archive.Read("Inbox\\index.js"), oldData);
    EXPECT_EQ(archive.Read("index.htm"), oldBase);
    for (const auto& path : archive.Tree()) EXPECT_EQ(path.find(".new"), std::string::npos) << path;
}

// An index page never replaces a file that is not one: a page that a naming formula calls
// "index" (written over the index page of an earlier run), or a file of that name that was
// there before the first index.
TEST_F(IndexRun, FilesNamedIndexAreNeverReplaced) {
    auto ids = Import({kMails / "m0011", kMails / "m0014"});
    const NOTEID hello = ids["Hello World !"], netscape = ids["Test message from Netscape Communicator 4.7"];
    struct Case {
        const char* name;
        bool indexedBefore;    // an earlier run kept an index of the folder
        const char* before;    // a file put into the folder by hand, or ""
        const char* formula;   // names this run's page
        const char* expected;  // the failure's cause
    };
    const Case cases[] = {
        {"a page named index", true, "", "\"INDEX\"", "a page of the archive is named \"{F}\\INDEX.htm\""},
        {"a file there before", false, "index.htm", "Text(\"Subject\")",
         "\"{F}\\index.htm\" is not an index page (a page of that name is in the way)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(archive.Host());
        fs::create_directories(archive.Host());
        job.TextFileNameEvalString = "Text(\"Subject\")";
        if (c.indexedBefore) {
            Select({netscape});
            ASSERT_TRUE(Run()) << job.ErrorText;
        }
        if (*c.before) archive.Write(std::string("Inbox\\") + c.before, "mine");
        job.TextFileNameEvalString = c.formula;
        Select({hello});
        ASSERT_TRUE(Run()) << job.ErrorText;
        std::string expected = c.expected;
        expected.replace(expected.find("{F}"), 3, archive.Win("Inbox"));
        EXPECT_EQ(job.IndexErrorText,
                  "The index of \"" + archive.Win("Inbox") + "\" was not written: " + expected + ".");
        if (*c.before)
            EXPECT_EQ(archive.Read("Inbox\\index.htm"), "mine");
        else
            EXPECT_NE(archive.Read("Inbox\\index.htm").find("<td>Hello World !</td>"), std::string::npos);
    }
}

}  // namespace

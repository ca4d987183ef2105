// Mail as an attacker would write it, imported and archived with deletion armed through the
// command line: subjects and attachment names that climb out of folders, name devices, are
// nothing but dots, carry markup or control characters, lose characters in the native code
// page or run past the Windows path limit. Whatever the names, nothing is written outside the
// base path, no page carries markup from the mail, no mail is deleted that is not on disk,
// and every refusal names its path.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "sim/Model.h"
#include "sim/dxl/Dxl.h"
#include "support/CliSandbox.h"
#include "support/SavedFiles.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

const std::vector<std::string> kHostileNames = {
    "..\\..\\x.exe",
    "../../x",
    "C:x",
    "CON",
    "NUL.txt",
    "com1.htm",
    ".",
    "..",
    "...",
    "x.",
    "ctl\x01\x07\x1f.txt",
    "<script>alert(1)</script>",
    "<img src=x onerror=alert(1)>",
    // Greek, Chinese and an emoji: none of them is in the native code page.
    "\xCE\xA9\xE2\x89\x88 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80.txt",
};

// Every byte as "=XX": the subject reaches the import exactly, whatever it holds.
std::string EncodedWord(const std::string& text) {
    std::string out = "=?utf-8?Q?";
    char hex[4];
    for (unsigned char c : text) {
        std::snprintf(hex, sizeof hex, "=%02X", c);
        out += hex;
    }
    return out + "?=";
}

// The same as a parameter value (RFC 2231).
std::string EncodedParameter(const std::string& text) {
    std::string out = "utf-8''";
    char hex[4];
    for (unsigned char c : text) {
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += hex;
    }
    return out;
}

// Message `n` with `subject` and one attachment named `name`; the body and the attachment hold
// text that marks them as this message's.
std::string Message(std::size_t n, const std::string& subject, const std::string& name) {
    const std::string number = std::to_string(n);
    return "From: mallory@example.org\r\nTo: victim@example.org\r\nSubject: " + EncodedWord(subject) +
           "\r\nDate: Mon, 2 Jan 2023 10:00:00 +0000\r\nMessage-ID: <hostile-" + number +
           "@example.org>\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
           "--b\r\nContent-Type: text/plain\r\n\r\nbody-" +
           number +
           "-end\r\n"
           "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename*=" +
           EncodedParameter(name) + "\r\n\r\nattachment-" + number + "-end\r\n--b--\r\n";
}

// Everything below `root`, as paths relative to it.
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(root))
        entries.insert(fs::relative(e.path(), root).generic_string());
    return entries;
}

// A page holds only the page builder's markup: its tags, links whose quotes hold the whole
// value, no event attributes.
void ExpectOnlyBuilderMarkup(const fs::path& page) {
    static const std::set<std::string> tags = {"html", "head", "title", "body", "table", "tr", "td", "font", "a", "br"};
    static const std::regex link(R"(<a href="[^"<>]*")");
    static const std::regex event(R"(\son[a-z]*\s*=)", std::regex::icase);
    const std::string text = ReadFile(page);
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        const std::size_t close = text.find('>', at);
        ASSERT_NE(close, std::string::npos) << page;
        const std::string tag = text.substr(at, close - at);
        const std::size_t nameStart = tag.size() > 1 && tag[1] == '/' ? 2 : 1;
        std::size_t nameEnd = nameStart;
        while (nameEnd < tag.size() && std::isalpha(static_cast<unsigned char>(tag[nameEnd]))) ++nameEnd;
        EXPECT_TRUE(tags.count(tag.substr(nameStart, nameEnd - nameStart))) << page << ": " << tag;
        EXPECT_EQ(tag.find('<', 1), std::string::npos) << page << ": " << tag;
        if (tag.starts_with("<a ")) {
            EXPECT_TRUE(std::regex_match(tag, link)) << page << ": " << tag;
        }
        // Quoted values are text, whatever they say.
        static const std::regex quoted(R"("[^"]*")");
        EXPECT_FALSE(std::regex_search(std::regex_replace(tag, quoted, "\"\""), event)) << page << ": " << tag;
    }
}

struct Scenario {
    const char* what;
    bool longBase;  // a base path of 240 characters, else "C:\Archive"
    std::vector<std::string> subjects;
    std::vector<std::string> names;  // of the attachments; empty: the subjects
    bool allDeleted;
    std::string refused;  // the path the output names a refusal with
};

}  // namespace

TEST(HostileMail, StaysInsideTheBasePathAndIsDeletedOnlyWhenOnDisk) {
    const std::string longName(300, 'n');
    const std::string longBase = "C:\\Archive\\" + std::string(240 - 11, 'A');
    // "\Work\a.htm" fits beside the 240 characters; "\Work\_Attachments~\a\a" does not.
    const Scenario scenarios[] = {
        {"hostile names below a short base path", false, kHostileNames, {}, true, ""},
        {"a 300-character subject", false, {longName}, {}, false, "C:\\Archive\\Work\\" + longName},
        {"a 300-character attachment name",
         false,
         {"a"},
         {longName + ".txt"},
         false,
         "C:\\Archive\\Work\\_Attachments~\\a"},
        {"hostile names below a 240-character base path", true, kHostileNames, {}, false, longBase + "\\Work\\"},
        {"a page that fits the path limit and its attachment that does not",
         true,
         {"a"},
         {},
         false,
         longBase + "\\Work\\_Attachments~\\a"},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        testsupport::CliSandbox cli;
        const std::string base = s.longBase ? longBase : "C:\\Archive";
        std::string baseOnHost = base.substr(3);
        for (char& c : baseOnHost)
            if (c == '\\') c = '/';
        const fs::path baseDir = cli.Drive() / baseOnHost;
        fs::create_directories(baseDir);
        cli.WriteSettings("[Stowline Settings]\r\nBasePath=" + base +
                          "\r\nDetachMethodEvalString=Text(\"Subject\")\r\nTextFileNameEvalString=Text(\"Subject\")"
                          "\r\nDelMsgAfterArc=1\r\nPromptDelMsg=0\r\nDelViewFoldersAfterArc=0\r\n"
                          "PromptDelViewFolders=0\r\n");
        const fs::path mails = cli.Root() / "mails";
        fs::create_directories(mails);
        const std::vector<std::string>& names = s.names.empty() ? s.subjects : s.names;
        for (std::size_t n = 0; n < s.subjects.size(); ++n)
            std::ofstream(mails / (std::to_string(n) + ".eml"), std::ios::binary)
                << Message(n, s.subjects[n], names[n]);
        const fs::path db = cli.Root() / "mail.dxl";
        ASSERT_EQ(cli.Run("import --db '" + db.string() + "' --folder Work '" + mails.string() + "'"), 0)
            << cli.Output();
        const std::set<std::string> before = Tree(cli.Root());

        const int status = cli.Run("archive-view --db '" + db.string() + "' --view Work --answer ok");
        const std::string output = cli.Output();

        EXPECT_EQ(status, s.allDeleted ? 0 : 1) << output;
        if (!s.refused.empty()) {
            EXPECT_NE(output.find(s.refused), std::string::npos) << output;
        }
        // Nothing new outside the base path but the saved database and the output.
        const std::string baseEntry = fs::relative(baseDir, cli.Root()).generic_string() + "/";
        for (const std::string& entry : Tree(cli.Root()))
            if (!before.count(entry) && entry != "out.txt" && !entry.starts_with(baseEntry))
                ADD_FAILURE() << "written outside the base path: " << entry;
        // Pages lie in the folder's folder; below it are the attachments.
        std::vector<std::string> pages;
        if (fs::is_directory(baseDir / "Work"))
            for (const auto& e : fs::directory_iterator(baseDir / "Work"))
                if (e.is_regular_file()) {
                    ExpectOnlyBuilderMarkup(e.path());
                    pages.push_back(ReadFile(e.path()));
                }
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(baseDir))
            if (e.is_regular_file()) files.push_back(ReadFile(e.path()));
        // A deleted message has its page and its attachment on disk.
        sim::Database saved;
        std::string error;
        ASSERT_TRUE(sim::dxl::ReadDatabase(db.string(), saved, error)) << error;
        std::size_t left = 0;
        for (const auto& [id, note] : saved.notes) left += note.noteClass == NOTE_CLASS_DOCUMENT && !note.deleted;
        EXPECT_EQ(left, s.allDeleted ? 0u : s.subjects.size()) << output;
        if (left == s.subjects.size()) continue;
        for (std::size_t n = 0; n < s.subjects.size(); ++n) {
            const std::string number = std::to_string(n);
            const auto holds = [](const std::vector<std::string>& texts, const std::string& mark) {
                for (const auto& text : texts)
                    if (text.find(mark) != std::string::npos) return true;
                return false;
            };
            EXPECT_TRUE(holds(pages, "body-" + number + "-end")) << "no page for message " << number;
            EXPECT_TRUE(holds(files, "attachment-" + number + "-end")) << "no attachment of message " << number;
        }
    }
}

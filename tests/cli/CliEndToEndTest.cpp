// The CLI end to end: real mail imported into a database file, its folder archived with
// deletion on through `stowline archive-view`, the archive checked against the database it
// came from, and a second run that finds nothing left.
#include <gtest/gtest.h>

#include "sim/Lmbcs.h"
#include "sim/Model.h"
#include "sim/dxl/Dxl.h"

#include "support/CliSandbox.h"
#include "support/SavedFiles.h"

#include "render/HtmlPage.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

using testsupport::ReadFile;
using testsupport::Unid;

// Attachment name -> content, from the $FILE items and their objects.
std::map<std::string, std::string> Attachments(const sim::Note& note) {
    std::map<std::string, std::string> files;
    for (const auto& item : note.items) {
        if (item.name != "$FILE" || item.value.size() < 2 + 36) continue;
        DWORD rrv;
        std::memcpy(&rrv, item.value.data() + 4, 4);
        WORD nameLength;
        std::memcpy(&nameLength, item.value.data() + 8, 2);
        const std::string name(item.value.begin() + 38, item.value.begin() + 38 + nameLength);
        const auto object = note.objects.find(rrv);
        files[sim::LmbcsToUtf8(name)] = object == note.objects.end()
                                            ? std::string("(object missing)")
                                            : std::string(object->second.bytes().begin(), object->second.bytes().end());
    }
    return files;
}

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        // Files named by universal ID, so that each page is found from its document.
        cli.WriteSettings(
            "[Stowline Settings]\r\nBasePath=C:\\Archive\r\nDetachMethodEvalString=UNID\r\n"
            "TextFileNameEvalString=UNID\r\nDelMsgAfterArc=1\r\nPromptDelMsg=0\r\n"
            "DelViewFoldersAfterArc=0\r\nPromptDelViewFolders=0\r\n");
    }

    int Cli(const std::string& args) { return cli.Run(args); }
    sim::Database Load() {
        sim::Database db;
        std::string error;
        EXPECT_TRUE(sim::dxl::ReadDatabase(db_.string(), db, error)) << error;
        return db;
    }
    // The documents of the folder titled `title`.
    static std::vector<NOTEID> FolderEntries(const sim::Database& db, const std::string& title) {
        for (const auto& [id, note] : db.notes) {
            const sim::Item* t = note.Find("$TITLE");
            if (note.deleted || !t || std::string(t->value.begin() + 2, t->value.end()) != title) continue;
            const auto c = db.collections.find(id);
            return c == db.collections.end() ? std::vector<NOTEID>{}
                                             : std::vector<NOTEID>(c->second.begin(), c->second.end());
        }
        return {};
    }

    testsupport::CliSandbox cli;
    const fs::path root = cli.Root();
    fs::path db_;
};

TEST_F(CliEndToEnd, FolderArchivedWithDeletionThenNothingLeft) {
    const fs::path mails = fs::path(STOWLINE_DATA_DIR) / "mail/php-mime-mail-parser/tests/mails";
    ASSERT_TRUE(fs::is_directory(mails));
    db_ = root / "mail.dxl";
    ASSERT_EQ(Cli("import --db '" + db_.string() + "' '" + (mails / "m0009").string() + "'"), 0);
    ASSERT_EQ(
        Cli("import --db '" + db_.string() + "' --folder Work '" + (mails / "m0001").string() + "' '" +
            (mails / "m0008").string() + "' '" + (mails / "m0011").string() + "' '" + (mails / "m0013").string() + "'"),
        0);
    const sim::Database before = Load();
    const std::vector<NOTEID> work = FolderEntries(before, "Work");
    ASSERT_EQ(work.size(), 4u);

    EXPECT_EQ(Cli("archive-view --db '" + db_.string() + "' --view Work --verbose"), 0) << ReadFile(root / "out.txt");

    const fs::path folder = root / "c/Archive/Work";
    std::set<std::string> expectedPages;
    for (NOTEID id : work) {
        const sim::Note& note = before.notes.at(id);
        const std::string unid = Unid(note);
        expectedPages.insert(unid + ".htm");
        const std::string page = ReadFile(folder / (unid + ".htm"));
        EXPECT_NE(page.find("<tr><td valign=top><font color=\"#003366\">Subject<td>"), std::string::npos) << unid;
        for (const auto& [name, content] : Attachments(note)) {
            SCOPED_TRACE(unid + " " + name);
            EXPECT_EQ(ReadFile(folder / "_Attachments~" / unid / name), content);
            // The page holds native text, escaped.
            std::string shown = sim::LmbcsToNative(sim::Utf8ToLmbcs(name));
            stowline::HtmlEscape(shown);
            EXPECT_NE(page.find(">" + shown + "</a>"), std::string::npos) << "the page links the file";
        }
    }
    std::set<std::string> pages;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) pages.insert(e.path().filename().string());
    EXPECT_EQ(pages, expectedPages);

    // Exactly the folder's documents are gone from the saved database.
    const sim::Database after = Load();
    for (const auto& [id, note] : before.notes) {
        if (note.deleted || (note.noteClass & NOTE_CLASS_VIEW)) continue;
        const bool archived = std::find(work.begin(), work.end(), id) != work.end();
        const bool gone = !after.notes.count(id) || after.notes.at(id).deleted;
        EXPECT_EQ(gone, archived) << std::hex << id;
    }
    EXPECT_TRUE(FolderEntries(after, "Work").empty());

    // A second run finds nothing left to archive or delete.
    const auto saved = ReadFile(db_);
    EXPECT_EQ(Cli("archive-view --db '" + db_.string() + "' --view Work"), 0);
    pages.clear();
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) pages.insert(e.path().filename().string());
    EXPECT_EQ(pages, expectedPages);
    EXPECT_EQ(Load().notes.size(), after.notes.size());
}

}  // namespace

namespace {

// Previewing a document before archiving it: its fields and the names a formula gives.
TEST_F(CliEndToEnd, ShowAndFormulaPreviewADocument) {
    const fs::path mails = fs::path(STOWLINE_DATA_DIR) / "mail/php-mime-mail-parser/tests/mails";
    db_ = root / "mail.dxl";
    ASSERT_EQ(Cli("import --db '" + db_.string() + "' '" + (mails / "m0013").string() + "'"), 0);
    const sim::Database db = Load();
    NOTEID id = 0;
    std::string unid;
    for (const auto& [noteId, note] : db.notes)
        if (note.Find("Subject")) id = noteId, unid = Unid(note);
    ASSERT_NE(id, 0u);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", id);
    const std::string note = " --db '" + db_.string() + "' --note " + hex + " ";
    const fs::path out = root / "out.txt";

    struct Case {
        std::string args;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {"show" + note + "--field Subject", 0, "50032266 CAR 11_MNPA00A01_9PTX_H00 ATT N\xC2\xB0 1467829. pdf\n"},
        {"formula" + note + "'Left(Text(\"Subject\"),8) + \" \" + UNID'", 0, "50032266 " + unid + "\n"},
        {"formula" + note + "'Left(\"abc\",'", 1, "Invalid Evaluate String Error: Left(\"abc\",\n"},
        {"show --db '" + db_.string() + "' --note 4 --field Subject", 1, ""},
        {"show --db '" + db_.string() + "' --note xyz", 2, ""},
    };
    for (const auto& c : cases) {
        fs::remove(out);
        EXPECT_EQ(Cli(c.args), c.status) << c.args;
        if (!c.output.empty()) {
            EXPECT_EQ(ReadFile(out), c.output) << c.args;
        }
    }
}

}  // namespace

namespace {

// Without a recorded settings folder the add-in still loads: the client shows the message once
// and still sets up the menu.
TEST_F(CliEndToEnd, MenuWithoutSettingsFolderShowsMessageAndListsItems) {
    fs::remove(root / "registry.reg");
    EXPECT_EQ(Cli("menu"), 1);
    EXPECT_EQ(ReadFile(root / "out.txt"),
              "Stowline: Unable to obtain configuration path. A reinstall of Stowline may be required\n"
              "2000\t&Stowline: Archive Selected\n"
              "2001\tStowline: Archive View/Folder\n"
              "2002\tStowline: Options/Other\n");
}

}  // namespace

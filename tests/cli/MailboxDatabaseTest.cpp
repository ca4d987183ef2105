// A mailbox opened in place by the CLI: the archive it gives is the one its imported database
// file gives, byte for byte; it is never written to; bad mailboxes end in a clear error or are
// archived as far as they can be read.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "support/CliSandbox.h"

namespace {

namespace fs = std::filesystem;

using testsupport::ReadFile;

// Files of a mail set that are mail: everything but licences, notes and the expected outputs
// and decoded parts shipped beside the messages.
bool IsMailFile(const fs::path& path) {
    const std::string name = path.filename().string();
    for (const char* skip : {"LICENSE", "NOTICE", "SOURCE.txt", "COPYING", "README", "MIT", "Apache-2.0", "."})
        if (name.starts_with(skip)) return false;
    if (name.find("_decoded") != std::string::npos || name.ends_with("-summary.txt")) return false;
    for (const char* ext : {".json", ".xml", ".out", ".png", ".jpg", ".gif", ".pdf", ".wav", ".tiff", ".zip"})
        if (name.ends_with(ext)) return false;
    return true;
}

// Every file below `dir`: its bytes and modification time, by relative path.
struct Written {
    std::string bytes;
    std::int64_t mtime;
    bool operator==(const Written&) const = default;
};
std::map<std::string, Written> Tree(const fs::path& dir) {
    std::map<std::string, Written> files;
    if (!fs::exists(dir)) return files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        struct stat st {};
        ::stat(e.path().c_str(), &st);
        files[fs::relative(e.path(), dir).string()] = {ReadFile(e.path()), static_cast<std::int64_t>(st.st_mtime)};
    }
    return files;
}

class MailboxDatabase : public ::testing::Test {
protected:
    void SetUp() override { Settings(false); }

    // The standard naming formulas, into C:\Archive.
    void Settings(bool deleteMessages) {
        cli.WriteSettings(
            "[Stowline Settings]\r\nBasePath=C:\\Archive\r\nDelMsgAfterArc=" + std::to_string(deleteMessages) +
            "\r\nPromptDelMsg=0\r\nDelViewFoldersAfterArc=0\r\nPromptDelViewFolders=0\r\n"
            "DetachMethodEvalString=Left(Text(\"Subject\"),30) + \" \" + UNID\r\n"
            "TextFileNameEvalString=Left(Text(\"Subject\"),30) + \" \" + UNID\r\n");
    }

    int Cli(const std::string& args) { return cli.Run(args); }
    std::string Output() { return cli.Output(); }
    static std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

    // Archives the ($All) view of `db` into a fresh archive folder and answers what was written.
    std::map<std::string, Written> Archive(const fs::path& db) {
        fs::remove_all(root / "c/Archive");
        fs::create_directories(root / "c/Archive");
        EXPECT_EQ(Cli("archive-view --db " + Quoted(db) + " --view '($All)'"), 0) << Output();
        return Tree(root / "c/Archive");
    }

    testsupport::CliSandbox cli;
    const fs::path root = cli.Root();
};

// Each mail set's mail, copied into one folder tree, archived from the tree opened in place
// and from the database file its import makes: the same pages, attachments and file times.
TEST_F(MailboxDatabase, OpenedInPlaceItArchivesAsItsImport) {
    const std::int64_t started = std::time(nullptr);
    const fs::path data = fs::path(STOWLINE_DATA_DIR) / "mail";
    ASSERT_TRUE(fs::is_directory(data));
    for (const auto& set : fs::directory_iterator(data)) {
        if (!set.is_directory()) continue;
        SCOPED_TRACE(set.path().filename().string());
        const fs::path tree = root / "sets" / set.path().filename();
        for (const auto& e : fs::recursive_directory_iterator(set.path())) {
            if (!e.is_regular_file() || !IsMailFile(e.path())) continue;
            const fs::path to = tree / fs::relative(e.path(), set.path());
            fs::create_directories(to.parent_path());
            fs::copy_file(e.path(), to);
        }
        const fs::path dxl = root / (set.path().filename().string() + ".dxl");
        Cli("import --db " + Quoted(dxl) + " " + Quoted(tree));  // a set holds files that are no mail
        ASSERT_TRUE(fs::exists(dxl)) << Output();

        const auto imported = Archive(dxl);
        ASSERT_GT(imported.size(), 0u);
        const auto direct = Archive(tree);
        EXPECT_EQ(direct.size(), imported.size());
        for (const auto& [path, file] : imported) {
            const auto it = direct.find(path);
            if (it == direct.end()) {
                ADD_FAILURE() << path << " is missing from the mailbox's archive";
                continue;
            }
            EXPECT_TRUE(it->second.bytes == file.bytes) << path;
            // Mail that carries no date at all is left with the time it was written, in both.
            if (file.mtime >= started && it->second.mtime >= started) continue;
            EXPECT_EQ(it->second.mtime, file.mtime) << path;
        }
    }
}

// Messages that share a Message-ID, repeat one another, lack a Message-ID or sit among text
// that is no mail, over several files and folders: opened in place they get the universal IDs
// (and so the page names) their import gives them.
TEST_F(MailboxDatabase, MessagesSharingOrLackingAMessageIdAreNamedAsInTheirImport) {
    auto message = [](const std::string& id, const std::string& body) {
        return "From a@b Mon Jan  2 10:00:00 2023\n" + (id.empty() ? "" : "Message-ID: <" + id + ">\n") +
               "Subject: " + body + "\nDate: Mon, 2 Jan 2023 10:00:00 +0000\n\n" + body + "\n";
    };
    const fs::path tree = root / "mixed";
    fs::create_directories(tree / "sub");
    std::ofstream(tree / "a.mbox", std::ios::binary)
        << message("x@y", "first") << message("x@y", "second")    // the same ID, other content
        << message("x@y", "first")                                // the first again
        << "From a@b Mon Jan  2 10:00:00 2023\nno header here\n"  // no mail
        << message("", "no id") << message("", "no id") << message("", "no id either");
    std::ofstream(tree / "b.eml", std::ios::binary) << message("z@y", "own file").substr(34);
    std::ofstream(tree / "sub" / "c.mbox", std::ios::binary) << message("x@y", "third") << message("z@y", "other");
    const fs::path dxl = root / "mixed.dxl";
    Cli("import --db " + Quoted(dxl) + " " + Quoted(tree));
    ASSERT_TRUE(fs::exists(dxl)) << Output();

    const auto imported = Archive(dxl);
    const auto direct = Archive(tree);
    int pages = 0;
    for (const auto& [path, file] : imported) pages += path.ends_with(".htm");
    EXPECT_EQ(pages, 7);
    EXPECT_TRUE(direct == imported);
    for (const auto& [path, file] : imported) EXPECT_TRUE(direct.count(path)) << path << " is missing";
}

TEST_F(MailboxDatabase, DeletionArmedOnAMailboxIsRefusedBeforeAnythingIsWritten) {
    const fs::path mbox = root / "box.mbox";
    std::ofstream(mbox, std::ios::binary) << "From a@b Mon Jan  2 10:00:00 2023\nSubject: one\n"
                                             "Date: Mon, 2 Jan 2023 10:00:00 +0000\n\nbody\n";
    const std::string before = ReadFile(mbox);
    Settings(true);
    EXPECT_EQ(Cli("archive-view --db " + Quoted(mbox) + " --view '($All)' --answer ok"), 1);
    EXPECT_NE(Output().find("is a mailbox, opened read-only"), std::string::npos) << Output();
    EXPECT_TRUE(Tree(root / "c/Archive").empty());
    EXPECT_EQ(ReadFile(mbox), before);
}

// A run that deletes nothing leaves its database file alone: not written again, not even touched.
TEST_F(MailboxDatabase, ADatabaseFileIsNotSavedWhenNothingChanged) {
    const fs::path mbox = root / "box.mbox";
    std::ofstream(mbox, std::ios::binary) << "From a@b Mon Jan  2 10:00:00 2023\nSubject: one\n"
                                             "Date: Mon, 2 Jan 2023 10:00:00 +0000\n\nbody\n";
    const fs::path dxl = root / "box.dxl";
    ASSERT_EQ(Cli("import --db " + Quoted(dxl) + " " + Quoted(mbox)), 0) << Output();
    struct stat before {};
    ASSERT_EQ(::stat(dxl.c_str(), &before), 0);
    const std::string bytes = ReadFile(dxl);

    EXPECT_EQ(Archive(dxl).size(), 1u);
    EXPECT_NE(Output().find("database not saved"), std::string::npos) << Output();
    struct stat after {};
    ASSERT_EQ(::stat(dxl.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(ReadFile(dxl), bytes);
}

// Without a settings folder a run on a mailbox ends in the add-in's own message, as on a database file.
TEST_F(MailboxDatabase, WithoutSettingsTheRunEndsInTheirMessage) {
    const fs::path mbox = root / "box.mbox";
    std::ofstream(mbox, std::ios::binary) << "From a@b Mon Jan  2 10:00:00 2023\nSubject: one\n\nbody\n";
    fs::remove(root / "registry.reg");
    EXPECT_EQ(Cli("archive-view --db " + Quoted(mbox) + " --view '($All)'"), 1);
    EXPECT_NE(Output().find("Unable to obtain configuration path"), std::string::npos) << Output();
    EXPECT_TRUE(Tree(root / "c/Archive").empty());
}

TEST_F(MailboxDatabase, BadMailboxesEndInAClearErrorOrAreArchivedAsFarAsTheyRead) {
    const std::string message = "Subject: kept\nDate: Mon, 2 Jan 2023 10:00:00 +0000\n\nbody\n";
    // Outside every mailbox: a link to it must not be followed.
    std::ofstream(root / "secret.eml", std::ios::binary) << "Subject: secret\n\nnot to be archived\n";
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path&)> make;  // builds the mailbox below the folder given
        int exitCode;
        int pages;         // pages written
        const char* said;  // in the output
    };
    const Case cases[] = {
        {"empty file",
         [](const fs::path& d) {
             std::ofstream(d / "empty.mbox");
             return d / "empty.mbox";
         },
         1, 0, "no mail message could be read"},
        {"binary garbage",
         [](const fs::path& d) {
             std::string bytes;
             for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) % 251);
             std::ofstream(d / "garbage.bin", std::ios::binary) << bytes;
             return d / "garbage.bin";
         },
         1, 0, "no mail message could be read"},
        {"truncated last message",
         [&](const fs::path& d) {
             std::ofstream(d / "cut.mbox", std::ios::binary)
                 << "From a@b Mon Jan  2 10:00:00 2023\n"
                 << message << "\nFrom a@b Mon Jan  2 10:00:00 2023\n"
                 << "Subject: cut\nContent-Type: multipart/mixed; boundary=x\n\n--x\nContent-Type: text/pl";
             return d / "cut.mbox";
         },
         0, 2, ""},
        {"Maildir with a link out of it",
         [&](const fs::path& d) {
             fs::create_directories(d / "md/cur");
             fs::create_directories(d / "md/new");
             std::ofstream(d / "md/cur/1", std::ios::binary) << message;
             fs::create_symlink(root / "secret.eml", d / "md/cur/2");
             fs::create_directory_symlink(root, d / "md/.Outside");
             return d / "md";
         },
         0, 1, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = root / "boxes" / c.name;
        fs::create_directories(dir);
        const fs::path box = c.make(dir);
        fs::remove_all(root / "c/Archive");
        fs::create_directories(root / "c/Archive");
        EXPECT_EQ(Cli("archive-view --db " + Quoted(box) + " --view '($All)'"), c.exitCode) << Output();
        EXPECT_NE(Output().find(c.said), std::string::npos) << Output();
        int pages = 0;
        for (const auto& [path, file] : Tree(root / "c/Archive")) {
            if (path.ends_with(".htm")) ++pages;
            EXPECT_EQ(file.bytes.find("not to be archived"), std::string::npos) << path;
        }
        EXPECT_EQ(pages, c.pages);
    }
}

}  // namespace

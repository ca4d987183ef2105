// `stowline import` as a user runs it: the built program on real mailboxes, the database
// file it leaves behind read back, and its exit status on failures.
#include <glib.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include "support/ScratchFolder.h"

#include <fstream>
#include <string>
#include <vector>

#include "MailTestSupport.h"
#include "sim/Lmbcs.h"
#include "sim/Model.h"
#include "sim/dxl/Dxl.h"

namespace fs = std::filesystem;

namespace {

struct CommandRun {
    int exitCode = -1;
    std::string out, err;
};

// Runs the command line without a shell, so paths with blanks pass as they are.
CommandRun Stowline(std::vector<std::string> args) {
    args.insert(args.begin(), STOWLINE_CLI);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    CommandRun run;
    char *out = nullptr, *err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &status, &error)) {
        ADD_FAILURE() << "cannot run " << STOWLINE_CLI << ": " << error->message;
        g_error_free(error);
        return run;
    }
    run.out = out;
    run.err = err;
    g_free(out);
    g_free(err);
    if (g_spawn_check_wait_status(status, &error)) {
        run.exitCode = 0;
    } else {
        run.exitCode = error->domain == G_SPAWN_EXIT_ERROR ? error->code : -1;  // -1: killed by a signal
        g_error_free(error);
    }
    return run;
}

std::string Text(const sim::Note& note, const char* item) {
    const sim::Item* found = note.Find(item);
    if (!found || found->value.size() < 2) return {};
    return sim::LmbcsToUtf8(
        std::string_view(reinterpret_cast<const char*>(found->value.data()) + 2, found->value.size() - 2));
}

class ImportCommand : public ::testing::Test {
protected:
    // Subjects of a view's or folder's entries in order, by its title.
    static std::vector<std::string> Entries(sim::Database& db, const std::string& title) {
        std::vector<std::string> subjects;
        for (auto& [viewId, entries] : db.collections)
            if (Text(*db.FindNote(viewId), "$TITLE") == title)
                for (NOTEID id : entries) subjects.push_back(Text(*db.FindNote(id), "Subject"));
        return subjects;
    }

    testsupport::ScratchFolder scratch_{"import-command-"};
    const fs::path dir_ = scratch_.Host();
};

TEST_F(ImportCommand, ASecondImportOfTheSameMailAddsOnlyDuplicates) {
    // Five list messages in an mbox, and a Maildir whose six files hold no message.
    const std::string mbox = mailtest::DataDir() + "/james-mime4j/mbox/src/test/resources/test-1/mbox.rlug";
    const std::string maildir = mailtest::DataDir() + "/stalwart-mail-parser/resources/maildir";
    const std::string db = (dir_ / "mail archive.dxl").string();

    const CommandRun first = Stowline({"import", "--db", db, "--folder", "Lists", mbox, maildir});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("Imported 5 messages, 0 attachments, "), std::string::npos) << first.out;
    size_t empties = 0;
    for (const auto& file : fs::recursive_directory_iterator(maildir)) {
        if (!file.is_regular_file()) continue;
        ++empties;  // each is named in the problems
        EXPECT_NE(first.err.find(file.path().filename().string()), std::string::npos) << file.path();
    }
    EXPECT_EQ(empties, 6u);
    EXPECT_NE(first.out.find("; 0 duplicates, 6 skipped"), std::string::npos) << first.out;

    const CommandRun second = Stowline({"import", "--db", db, "--folder", "Lists", mbox, maildir});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find("Imported 0 messages, 0 attachments, 0 bytes; 5 duplicates, 6 skipped"),
              std::string::npos)
        << second.out;

    sim::Database saved;
    std::string error;
    ASSERT_TRUE(sim::dxl::ReadDatabase(db, saved, error)) << error;
    size_t memos = 0;
    for (auto& [id, note] : saved.notes)
        if (note.noteClass == NOTE_CLASS_DOCUMENT && Text(note, "Form") == "Memo") ++memos;
    EXPECT_EQ(memos, 5u);
    const std::vector<std::string> byDate = {
        "Din windows ma pot, din LINUX NU ma pot conecta (la ZAPP)", "Re: RH 8.0 boot floppy",
        "Qmail mysql virtualusers +ssl + smtp auth +pop3",
        "Re: Din windows ma pot, din LINUX NU ma pot conecta (la ZAPP)", "LSTP problem - solved"};
    EXPECT_EQ(Entries(saved, "Lists"), byDate);
    EXPECT_EQ(Entries(saved, "($All)"), byDate);
    EXPECT_TRUE(Entries(saved, "($Inbox)").empty());
    EXPECT_FALSE(fs::exists(db + ".saving"));
}

TEST_F(ImportCommand, FailuresLeaveTheDatabaseFileAsItWas) {
    const std::string eml = mailtest::DataDir() + "/apache-spamassassin/t/data/nice/016";
    const std::string unreadable = "<database><document>";  // cut off: not well-formed
    struct Case {
        const char* what;
        std::vector<std::string> args;  // "DB" stands for the database file
        int exitCode;
    };
    const Case cases[] = {
        {"database file that does not load", {"import", "--db", "DB", eml}, 1},
        {"no mailbox", {"import", "--db", "DB"}, 2},
        {"mailbox that does not exist", {"import", "--db", "DB", (dir_ / "missing.mbox").string()}, 2},
        {"no database file", {"import", eml}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path db = dir_ / "held.dxl";
        std::ofstream(db, std::ios::binary | std::ios::trunc) << unreadable;
        std::vector<std::string> args = c.args;
        for (std::string& arg : args)
            if (arg == "DB") arg = db.string();
        const CommandRun run = Stowline(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(mailtest::ReadAll(db), unreadable);
    }
}

}  // namespace

namespace {

TEST_F(ImportCommand, AFolderOfMessageFilesImportsAndAnUnreadableInputFails) {
    const fs::path folder = dir_ / "saved mail";
    fs::create_directories(folder / "Old");
    std::ofstream(folder / "one.eml", std::ios::binary) << "Subject: one\nMessage-ID: <1@x>\n\nbody\n";
    std::ofstream(folder / "Old/two.eml", std::ios::binary) << "Subject: two\nMessage-ID: <2@x>\n\nbody\n";
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);  // no file to read
    const std::string db = (dir_ / "mail.dxl").string();

    const CommandRun folderRun = Stowline({"import", "--db", db, folder.string()});
    EXPECT_EQ(folderRun.exitCode, 0) << folderRun.err;
    EXPECT_NE(folderRun.out.find("Imported 2 messages"), std::string::npos) << folderRun.out;
    sim::Database saved;
    std::string error;
    ASSERT_TRUE(sim::dxl::ReadDatabase(db, saved, error)) << error;
    EXPECT_EQ(Entries(saved, "($Inbox)"), std::vector<std::string>{"one"});
    EXPECT_EQ(Entries(saved, "Old"), std::vector<std::string>{"two"});

    // What could be read is kept; the input that gave nothing fails the command.
    std::ofstream(folder / "three.eml", std::ios::binary) << "Subject: three\nMessage-ID: <3@x>\n\nbody\n";
    const CommandRun mixed = Stowline({"import", "--db", db, (dir_ / "pipe").string(), folder.string()});
    EXPECT_EQ(mixed.exitCode, 1) << mixed.out << mixed.err;
    EXPECT_NE(mixed.err.find("no message of " + (dir_ / "pipe").string() + " could be read"), std::string::npos)
        << mixed.err;
    EXPECT_NE(mixed.out.find("Imported 1 messages"), std::string::npos) << mixed.out;
}

}  // namespace

// Ctrl-C on the command line: `stowline archive-view` at a real database's pace, sent SIGINT
// once a given number of pages is on disk. The run stops between two documents, reports how
// many it left, and the saved database holds exactly the deletions made: every document gone
// has its complete page, every document kept has none, and the folder stays.
#include <gtest/gtest.h>

#include "sim/Model.h"
#include "sim/dxl/Dxl.h"

#include "support/CliSandbox.h"
#include "support/SavedFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr int kMails = 200;
constexpr const char* kPaceMs = "10";  // about two seconds for the whole folder

using testsupport::ReadFile;
using testsupport::Unid;

class CliInterrupt : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        cli.WriteSettings(
            "[Stowline Settings]\r\nBasePath=C:\\Archive\r\nDetachMethodEvalString=UNID\r\n"
            "TextFileNameEvalString=UNID\r\nDelMsgAfterArc=1\r\nPromptDelMsg=0\r\n"
            "DelViewFoldersAfterArc=1\r\nPromptDelViewFolders=0\r\n");
        std::ofstream mbox(root / "bulk.mbox", std::ios::binary);
        for (int i = 1; i <= kMails; ++i)
            mbox << "From sender@example.com Mon Mar  1 10:00:00 2004\n"
                 << "From: Sender <sender@example.com>\nTo: rcpt@example.com\n"
                 << "Subject: Bulk " << i << "\nDate: Mon, 1 Mar 2004 10:00:00 +0000\n"
                 << "Message-ID: <bulk" << i << "@example.com>\n\nBody of mail " << i << ".\n\n";
        mbox.close();
        db = root / "mail.dxl";
        ASSERT_EQ(Run({"import", "--db", db.string(), "--folder", "Bulk", (root / "bulk.mbox").string()}), 0)
            << ReadFile(root / "out.txt");
    }
    pid_t Start(const std::vector<std::string>& args) { return cli.Start(args); }
    static int Wait(pid_t pid) { return testsupport::CliSandbox::Wait(pid); }
    int Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

    std::set<std::string> Pages() const {
        std::set<std::string> pages;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root / "c/Archive/Bulk", ec))
            if (e.path().extension() == ".htm") pages.insert(e.path().stem().string());
        return pages;
    }

    testsupport::CliSandbox cli;
    const fs::path root = cli.Root();
    fs::path db;
};

// The parameter: pages on disk when SIGINT is sent.
TEST_P(CliInterrupt, StopsBetweenDocumentsAndSavesTheDeletions) {
    sim::Database before;
    std::string error;
    ASSERT_TRUE(sim::dxl::ReadDatabase(db.string(), before, error)) << error;

    const pid_t pid = Start({"archive-view", "--db", db.string(), "--view", "Bulk", "--pace", kPaceMs});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Pages().size() < static_cast<std::size_t>(GetParam()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::size_t pagesAtSignal = Pages().size();
    kill(pid, SIGINT);
    const int status = Wait(pid);
    const std::string out = ReadFile(root / "out.txt");

    EXPECT_EQ(status, 1) << out;  // the error box was shown
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(out, m, std::regex("Archiving was cancelled; (\\d+) document\\(s\\) were not archived\\.")))
        << out;
    const int notArchived = std::stoi(m[1]);
    const std::set<std::string> pages = Pages();
    EXPECT_EQ(static_cast<int>(pages.size()) + notArchived, kMails);
    EXPECT_GE(pages.size(), pagesAtSignal);
    EXPECT_NE(out.find("The view/folder was not removed"), std::string::npos) << out;

    sim::Database after;
    ASSERT_TRUE(sim::dxl::ReadDatabase(db.string(), after, error)) << "the saved database reads back: " << error;
    int kept = 0;
    for (const auto& [id, note] : before.notes) {
        if (note.deleted || (note.noteClass & NOTE_CLASS_VIEW)) continue;
        const std::string unid = Unid(note);
        const bool gone = !after.notes.count(id) || after.notes.at(id).deleted;
        EXPECT_EQ(gone, pages.count(unid) == 1) << unid << ": deleted exactly when archived";
        if (!gone) ++kept;
        if (pages.count(unid)) {
            const std::string page = ReadFile(root / "c/Archive/Bulk" / (unid + ".htm"));
            EXPECT_TRUE(page.size() > 9 && page.compare(page.size() - 9, 9, "</html>\r\n") == 0)
                << unid << " is complete";
        }
    }
    EXPECT_EQ(kept, notArchived);
    bool folderKept = false;
    for (const auto& [id, note] : after.notes) {
        const sim::Item* t = note.Find("$TITLE");
        if (!note.deleted && t && std::string(t->value.begin() + 2, t->value.end()) == "Bulk") folderKept = true;
    }
    EXPECT_TRUE(folderKept);
    std::cout << "SIGINT at " << GetParam() << " page(s) on disk (saw " << pagesAtSignal << "): " << pages.size()
              << " archived and deleted, " << notArchived << " reported not archived, " << kept << " kept\n";
}

INSTANTIATE_TEST_SUITE_P(Points, CliInterrupt, ::testing::Values(1, 50, 100, 150));

}  // namespace

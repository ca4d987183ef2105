// Ctrl-C during a command's run: the run stops between two documents, the command reports it
// with its usual box and refresh, keeps the folder, and SIGINT is the process's own again.
#include <csignal>
#include <filesystem>
#include <set>

#include "support/CommandFixture.h"
#include "platform/posix/PosixProgress.h"

namespace {

class CancelTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        platform::posix::ResetProgress();
        ClientWindow();
    }
    void TearDown() override {
        platform::posix::ResetProgress();
        struct sigaction current {};
        sigaction(SIGINT, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << "SIGINT is left to the add-in after the command";
        CommandTest::TearDown();
    }
    // The progress as reported: "begin SOURCE TOTAL" and "step DONE SUBJECT[ cancelled]".
    static std::vector<std::string> Progress() {
        std::vector<std::string> lines;
        for (const auto& e : platform::posix::ProgressRecord())
            lines.push_back(e.begin
                                ? "begin " + e.text + " " + std::to_string(e.count)
                                : "step " + std::to_string(e.count) + " " + e.text + (e.cancelled ? " cancelled" : ""));
        return lines;
    }
};

const std::string kCancelled = "box Error | Archive Error: Archiving was cancelled; ";

TEST_F(CancelTest, ArchiveViewFolderLeavesTheRestAndTheFolder) {
    Settings({.delMsg = true, .delFolders = true});
    const NOTEID r1 = Mail("R1"), r2 = Mail("R2"), r3 = Mail("R3"), o1 = Mail("O1"), o2 = Mail("O2");
    const NOTEID root = sim::AddFolder(*db, "Projects").Entries({r1, r2, r3}).Id();
    sim::AddFolder(*db, "Projects\\2004").Entries({o1, o2});
    platform::posix::RaiseInterruptAtStep(2);

    Pick(1, root);

    EXPECT_EQ(Pages(), (std::set<std::string>{"Projects/R1.htm"}));
    EXPECT_TRUE(Deleted(r1));
    for (NOTEID id : {r2, r3, o1, o2}) EXPECT_FALSE(Deleted(id));
    EXPECT_TRUE(ViewExists(root));
    EXPECT_EQ(Trace(), Join({{kCancelled + "4 document(s) were not archived. | 0x10",
                              "box Stowline | The view/folder was not removed, because not all of its documents "
                              "could be archived. | 0x00",
                              "find found", "front"},
                             kEscape}));
    EXPECT_EQ(Progress(), (std::vector<std::string>{"begin Projects 3", "step 0 R1", "step 1 R2 cancelled"}));
}

TEST_F(CancelTest, ArchiveSelectedRefreshesAsAfterAFailedRun) {
    Settings({.delMsg = true});
    const NOTEID a = Mail("A"), b = Mail("B"), c = Mail("C");
    const NOTEID inbox = sim::AddFolder(*db, "Inbox|($Inbox)").Entries({a, b, c}).Id();
    platform::posix::RaiseInterruptAtStep(3);

    Pick(0, inbox, {a, b, c});

    EXPECT_EQ(Pages(), (std::set<std::string>{"Inbox/A.htm", "Inbox/B.htm"}));
    EXPECT_TRUE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
    EXPECT_FALSE(Deleted(c));
    EXPECT_EQ(Trace(),
              Join({{kCancelled + "1 document(s) were not archived. | 0x10", "find found", "front"}, kF9, kAltED}));
    EXPECT_EQ(Progress().front(), "begin Inbox 3");
}

// No Ctrl-C: the progress sees every document and the command ends as it always did.
TEST_F(CancelTest, UninterruptedRunReportsEveryDocument) {
    const NOTEID a = Mail("A"), b = Mail("B");
    const NOTEID root = sim::AddFolder(*db, "Office").Entries({a, b}).Id();

    Pick(1, root);

    EXPECT_EQ(Pages(), (std::set<std::string>{"Office/A.htm", "Office/B.htm"}));
    EXPECT_EQ(Trace(), std::vector<std::string>{});
    EXPECT_EQ(Progress(), (std::vector<std::string>{"begin Office 2", "step 0 A", "step 1 B"}));
}

}  // namespace

// The archive's index through the two commands: a failed index write is told in the command's
// error box after the run's own reason, and changes nothing of what the command deletes or
// removes.
#include "support/CommandFixture.h"

namespace {

class ArchiveIndexCommandTest : public CommandTest {
protected:
    void IndexOn() { MakeFile("Config/Stowline.ini", Read("Config/Stowline.ini") + "WriteIndex=1\r\n"); }
    static std::string ErrorBox(const std::string& text) { return "box Error | Archive Error: " + text + " | 0x10"; }
    const std::string kInTheWay =
        "The index of \"C:\\Archive\\Projects\" was not written: \"C:\\Archive\\Projects\\index.htm\" is not "
        "an index page (a page of that name is in the way).";
};

TEST_F(ArchiveIndexCommandTest, FailedIndexKeepsTheFolderRemovalAndTheDeletions) {
    Settings({.delMsg = true, .delFolders = true});
    IndexOn();
    MakeDir("Archive/Projects");
    MakeFile("Archive/Projects/index.htm", "mine");
    const NOTEID a = Mail("Alpha"), b = Mail("Beta");
    const NOTEID folder = sim::AddFolder(*db, "Projects").Entries({a, b}).Id();
    ClientWindow();

    Pick(1, folder);

    EXPECT_TRUE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
    EXPECT_FALSE(ViewExists(folder));
    EXPECT_EQ(Trace(), Join({{ErrorBox(kInTheWay), "find found", "front"}, kEscape}));
    EXPECT_EQ(Read("Archive/Projects/index.htm"), "mine");
    EXPECT_EQ(Read("Archive/Projects/Alpha.htm").find("<title>Alpha</title>"), 16u);
}

TEST_F(ArchiveIndexCommandTest, IndexFailureIsToldAfterTheRunsReason) {
    IndexOn();
    MakeDir("Archive/Projects");
    MakeFile("Archive/Projects/index.htm", "mine");
    const NOTEID named = Mail("Named"), unnamed = Mail("");
    const NOTEID folder = sim::AddFolder(*db, "Projects").Entries({named, unnamed}).Id();
    ClientWindow();

    Pick(0, folder, {named, unnamed});

    const auto trace = Trace();
    ASSERT_FALSE(trace.empty());
    const std::string runReason = "The file name formula \"Text(\"Subject\")\" gives no name for the document ";
    EXPECT_EQ(trace.front().rfind("box Error | Archive Error: " + runReason, 0), 0u) << trace.front();
    const std::string tail = ".\n" + kInTheWay + " | 0x10";
    EXPECT_EQ(trace.front().substr(trace.front().size() - tail.size()), tail) << trace.front();
    EXPECT_TRUE(std::filesystem::exists(Host("Archive/Projects/Named.htm")));
}

// With the index off a command writes none of its files.
TEST_F(ArchiveIndexCommandTest, OffWritesNoIndex) {
    const NOTEID folder = sim::AddFolder(*db, "Projects").Entries({Mail("Alpha")}).Id();
    Pick(1, folder);
    EXPECT_TRUE(std::filesystem::exists(Host("Archive/Projects/Alpha.htm")));
    for (const char* file :
         {"Archive/index.htm", "Archive/index-folders.js", "Archive/Projects/index.htm", "Archive/Projects/index.js"})
        EXPECT_FALSE(std::filesystem::exists(Host(file))) << file;
}

}  // namespace

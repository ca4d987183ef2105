// Archive Selected through DTMenuProc: its questions, the run, the error report and the
// client's refresh.
#include <filesystem>

#include "support/CommandFixture.h"

namespace {

const std::string kConfirm =
    "box Confirm Archive and Remove Messages | Please confirm you wish to archive and then remove "
    "selected messages from mailbox. | 0x21";
const std::string kWarning =
    "box WARNING | WARNING: Archiving documents from a view will also remove those documments from "
    "all of the folders they exist in.\n\nDo you wish to continue? | 0x31";
const std::string kNoWindow = "box Stowline | Documents Archived. Hit F9 in Lotus Notes to refresh view display | 0x00";

class ArchiveSelectedTest : public CommandTest {};

TEST_F(ArchiveSelectedTest, QuestionsArchiveDeletionAndKeys) {
    struct Case {
        const char* name;
        Flags flags;
        bool folder;
        std::vector<int> answers;
        bool window;
        bool archived, deleted;
        std::vector<std::string> trace;
    };
    const std::vector<std::string> front = {"find found", "front"};
    const Case cases[] = {
        {"deletion off: no question, prompt ignored, Alt E D only",
         {false, true},
         false,
         {},
         true,
         true,
         false,
         Join({front, kAltED})},
        {"deletion on, no prompt, folder: no question",
         {true, false},
         true,
         {},
         true,
         true,
         true,
         Join({front, kF9, kAltED})},
        {"deletion on, prompt, view: both questions",
         {true, true},
         false,
         {1, 1},
         true,
         true,
         true,
         Join({{kConfirm, kWarning}, front, kF9, kAltED})},
        {"Cancel on the confirmation", {true, true}, false, {2}, true, false, false, {kConfirm}},
        {"Cancel on the view warning", {true, true}, false, {1, 2}, true, false, false, {kConfirm, kWarning}},
        {"no client window: the completion message",
         {true, false},
         true,
         {},
         false,
         true,
         true,
         {"find none", kNoWindow}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        Settings(c.flags);
        if (c.window) ClientWindow();
        const NOTEID a = Mail("Alpha"), b = Mail("Beta"), kept = Mail("Kept");
        const NOTEID view =
            (c.folder ? sim::AddFolder(*db, "Office") : sim::AddView(*db, "Office")).Entries({a, b, kept}).Id();
        platform::posix::ScriptBoxAnswers(c.answers);

        Pick(0, view, {a, b});

        EXPECT_EQ(Trace(), c.trace);
        EXPECT_EQ(std::filesystem::exists(Host("Archive/Office/Alpha.htm")), c.archived);
        EXPECT_EQ(std::filesystem::exists(Host("Archive/Office/Beta.htm")), c.archived);
        EXPECT_FALSE(std::filesystem::exists(Host("Archive/Office/Kept.htm")));
        EXPECT_EQ(Deleted(a), c.deleted);
        EXPECT_EQ(Deleted(b), c.deleted);
        EXPECT_FALSE(Deleted(kept));
    }
}

// A run that stops is reported, and the refresh still follows. An empty file-name formula
// stops at the first document with an empty reason.
TEST_F(ArchiveSelectedTest, FailedRunIsReportedThenRefreshed) {
    Settings({true, false}, "");
    ClientWindow();
    const NOTEID a = Mail("Alpha");
    const NOTEID folder = sim::AddFolder(*db, "Office").Entries({a}).Id();

    Pick(0, folder, {a});

    EXPECT_EQ(Trace(), Join({{"box Error | Archive Error: No file name formula is set; saving the Options once "
                              "stores the standard formula. | 0x10",
                              "find found", "front"},
                             kF9,
                             kAltED}));
    EXPECT_FALSE(Deleted(a));
}

// The view note cannot be opened when deletion asks whether it is a folder, or when its title
// is read (the pages would land in the base path itself): the message, then nothing more, and
// no error of the menu on top.
TEST_F(ArchiveSelectedTest, UnopenableViewNoteEndsTheCommand) {
    for (const bool asTitleIsRead : {false, true}) {
        SCOPED_TRACE(asTitleIsRead ? "as the title is read" : "as deletion asks");
        TearDown();
        SetUp();
        Settings({true, false});
        ClientWindow();
        const NOTEID a = Mail("Alpha");
        NOTEID view = 0x7FF0;
        if (asTitleIsRead) {
            view = sim::AddFolder(*db, "Office").Entries({a}).Id();
            sim::InjectFault("NSFNoteOpen", sim::CallCount("NSFNoteOpen") + 2, ERR_NOACCESS);
        }

        Pick(0, view, {a});

        EXPECT_EQ(Trace(), (std::vector<std::string>{"box Stowline | Fatal error opening view note. | 0x00"}));
        EXPECT_FALSE(Deleted(a));
        EXPECT_TRUE(std::filesystem::is_empty(Host("Archive"))) << "nothing archived";
    }
}

// The system folders' display names name the output folder.
TEST_F(ArchiveSelectedTest, SelectionFromTheInboxGoesToInbox) {
    const NOTEID a = Mail("Alpha");
    const NOTEID inbox = sim::AddFolder(*db, "($Inbox)").Entries({a}).Id();

    Pick(0, inbox, {a});

    EXPECT_TRUE(std::filesystem::exists(Host("Archive/Inbox/Alpha.htm")));
}

// An item of the view note that cannot be read (its flags, or its title; the read throws or
// fails) ends the command with that one message, followed by the refresh of a failed run.
TEST_F(ArchiveSelectedTest, UnreadableViewNoteEndsTheCommand) {
    for (const char* item : {"$Flags", "$Title"})
        for (const bool throws : {true, false}) {
            SCOPED_TRACE(std::string(item) + (throws ? " throws" : " fails"));
            TearDown();
            SetUp();
            Settings({true, false});
            ClientWindow();
            const NOTEID a = Mail("Alpha");
            const NOTEID office = sim::AddFolder(*db, "Office").Entries({a}).Id();
            if (throws)
                ItemReadThrows(item);
            else
                ItemReadFails(item);

            Pick(0, office, {a});

            const std::string message = throws ? "GetFieldText Error at field " + std::string(item) + ": 0"
                                               : "The field \"" + std::string(item) + "\" could not be read: " +
                                                     "You are not authorized to perform that operation.";
            EXPECT_EQ(Trace(), Join({{"box Stowline | " + message + " | 0x00", "find found", "front"}, kF9, kAltED}));
            EXPECT_FALSE(Deleted(a));
            EXPECT_FALSE(std::filesystem::exists(Host("Archive/Office")));
        }
}

}  // namespace

// Archive View/Folder through DTMenuProc: the catalog's names, one run each, the questions,
// the removal of the archived folder and the client's refresh.
#include <filesystem>
#include <set>

#include "support/CommandFixture.h"

namespace {

const std::string kWarning =
    "box WARNING | WARNING: Archiving documents from a view will also remove those documments from "
    "all of the folders they exist in.\n\nDo you wish to continue? | 0x31";
const std::string kFolderQuestion =
    "box Confirm Archive and Remove Folder | Please confirm you wish to archive this folder and remove "
    "it from the mailbox. | 0x21";
const std::string kNotRemoved =
    "box Stowline | The view/folder was not removed, because not all of its documents could be "
    "archived. | 0x00";

class ArchiveViewFolderTest : public CommandTest {};

// The folder itself and its subfolders (names beginning with its title and a backslash), by
// exact bytes: neither a folder whose name merely begins the same nor another case.
TEST_F(ArchiveViewFolderTest, FolderGoesWithItsSubfolders) {
    ClientWindow();
    Settings({true, false, false, false});
    const NOTEID root = sim::AddFolder(*db, "Projects").Entries({Mail("Root")}).Id();
    sim::AddFolder(*db, "Projects\\2004").Entries({Mail("Old")});
    sim::AddFolder(*db, "Projects\\2005\\Q1").Entries({Mail("Newer")});
    const NOTEID legacy = Mail("Legacy"), dotted = Mail("Dotted"), lower = Mail("Lower"), alias = Mail("Alias");
    sim::AddFolder(*db, "ProjectsOld").Entries({legacy});
    sim::AddFolder(*db, "Projects.old").Entries({dotted});
    sim::AddFolder(*db, "projects").Entries({lower});
    sim::AddView(*db, "Mail|Projects").Entries({alias});
    sim::AddFolder(*db, "Proj").Entries({Mail("Short")});

    Pick(1, root);

    EXPECT_EQ(Pages(),
              (std::set<std::string>{"Projects/Root.htm", "Projects/2004/Old.htm", "Projects/2005/Q1/Newer.htm"}));
    EXPECT_EQ(Trace(), Join({{"find found", "front"}, kF9}));
    for (const NOTEID kept : {legacy, dotted, lower, alias}) EXPECT_FALSE(Deleted(kept));
}

// A view whose title could not be read matches nothing: the command says so and ends.
TEST_F(ArchiveViewFolderTest, EmptyTitleArchivesNothing) {
    ClientWindow();
    Settings({true, false, true, false});
    const NOTEID one = Mail("One"), two = Mail("Two");
    const NOTEID untitled = sim::AddFolder(*db, "").Entries({one}).Id();
    const NOTEID office = sim::AddFolder(*db, "Office").Entries({two}).Id();

    Pick(1, untitled);

    EXPECT_EQ(Trace(),
              (std::vector<std::string>{"box Stowline | The view/folder has no title; nothing was archived. | 0x00"}));
    EXPECT_EQ(Pages(), std::set<std::string>{});
    EXPECT_FALSE(Deleted(one));
    EXPECT_FALSE(Deleted(two));
    EXPECT_TRUE(ViewExists(untitled));
    EXPECT_TRUE(ViewExists(office));
}

// An item of the view note that cannot be read (its title, or its flags; the read throws or
// fails) ends the command with that one message, followed by the refresh of a failed run.
TEST_F(ArchiveViewFolderTest, UnreadableViewNoteEndsTheCommand) {
    for (const char* item : {"$Title", "$Flags"})
        for (const bool throws : {true, false}) {
            SCOPED_TRACE(std::string(item) + (throws ? " throws" : " fails"));
            TearDown();
            SetUp();
            Settings({true, false, true, false});
            ClientWindow();
            const NOTEID a = Mail("Alpha");
            const NOTEID office = sim::AddView(*db, "Office").Entries({a}).Id();
            if (throws)
                ItemReadThrows(item);
            else
                ItemReadFails(item);

            Pick(1, office);

            const std::string message = throws ? "GetFieldText Error at field " + std::string(item) + ": 0"
                                               : "The field \"" + std::string(item) + "\" could not be read: " +
                                                     "You are not authorized to perform that operation.";
            EXPECT_EQ(Trace(), Join({{"box Stowline | " + message + " | 0x00", "find found", "front"}, kEscape}));
            EXPECT_FALSE(Deleted(a));
            EXPECT_TRUE(ViewExists(office));
            EXPECT_EQ(Pages(), std::set<std::string>{});
        }
}

// A catalog of views and folders cut short may lack a subfolder: archiving the folder would
// leave the subfolder's mail behind and remove the folder, so nothing is archived.
TEST_F(ArchiveViewFolderTest, CatalogNotReadInFullArchivesNothing) {
    Settings({true, false, true, false});
    ClientWindow();
    const NOTEID a = Mail("Alpha"), b = Mail("Beta");
    const NOTEID office = sim::AddFolder(*db, "Office").Entries({a}).Id();
    sim::AddFolder(*db, "Office\\Sub").Entries({b});
    sim::InjectFault("IDScan", 2, ERR_NOACCESS);  // the catalog's scan ends after its first note

    Pick(1, office);

    EXPECT_EQ(Trace(), (std::vector<std::string>{"box Stowline | The views and folders of the database could not "
                                                 "be read; nothing was archived. | 0x00"}));
    EXPECT_FALSE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
    EXPECT_TRUE(ViewExists(office));
    EXPECT_EQ(Pages(), std::set<std::string>{});
}

TEST_F(ArchiveViewFolderTest, QuestionsRemovalAndKeys) {
    struct Case {
        const char* name;
        Flags flags;
        bool folder;
        std::vector<int> answers;
        bool window;
        bool archived, deleted, removed;
        std::vector<std::string> trace;
    };
    const std::vector<std::string> front = {"find found", "front"};
    const std::string kFoldersArchived =
        "box Stowline | View Folders Archived. Please close database and open in Lotus Notes to refresh "
        "display | 0x00";
    const std::string kDocumentsArchived =
        "box Stowline | Documents Archived. Hit F9 in Lotus Notes to refresh view display | 0x00";
    const Case cases[] = {
        // Notes removes folders only: the view's removal fails, silently.
        {"view, deletion on, folder flags on: only the warning",
         {true, true, true, true},
         false,
         {1},
         true,
         true,
         true,
         false,
         Join({{kWarning}, front, kEscape})},
        {"deletion off, folder flags on: only the folder question",
         {false, false, true, true},
         true,
         {1},
         true,
         true,
         false,
         true,
         Join({{kFolderQuestion}, front, kEscape})},
        {"Cancel on the folder question",
         {false, false, true, true},
         true,
         {2},
         true,
         false,
         false,
         false,
         {kFolderQuestion}},
        {"Cancel on the warning", {true, false, true, true}, false, {2}, true, false, false, false, {kWarning}},
        {"both deletions: Escape, no F9",
         {true, false, true, false},
         true,
         {},
         true,
         true,
         true,
         true,
         Join({front, kEscape})},
        {"removal without a client window",
         {false, false, true, false},
         true,
         {},
         false,
         true,
         false,
         true,
         {"find none", kFoldersArchived}},
        {"message deletion only: F9",
         {true, false, false, false},
         true,
         {},
         true,
         true,
         true,
         false,
         Join({front, kF9})},
        {"message deletion only, no window",
         {true, false, false, false},
         true,
         {},
         false,
         true,
         true,
         false,
         {"find none", kDocumentsArchived}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        Settings(c.flags);
        if (c.window) ClientWindow();
        const NOTEID a = Mail("Alpha"), b = Mail("Beta");
        const NOTEID shown =
            (c.folder ? sim::AddFolder(*db, "Office") : sim::AddView(*db, "Office")).Entries({a, b}).Id();
        const NOTEID sibling = sim::AddFolder(*db, "Office\\Sub").Entries({}).Id();
        platform::posix::ScriptBoxAnswers(c.answers);

        Pick(1, shown);

        EXPECT_EQ(Trace(), c.trace);
        EXPECT_EQ(Pages(), c.archived ? (std::set<std::string>{"Office/Alpha.htm", "Office/Beta.htm"})
                                      : std::set<std::string>{});
        EXPECT_EQ(Deleted(a), c.deleted);
        EXPECT_EQ(Deleted(b), c.deleted);
        EXPECT_EQ(!ViewExists(shown), c.removed);
        EXPECT_TRUE(ViewExists(sibling)) << "only the exact title is removed";
    }
}

// The Inbox is archived but never removed; the client is still refreshed.
TEST_F(ArchiveViewFolderTest, InboxIsNotRemoved) {
    Settings({true, false, true, false});
    ClientWindow();
    const NOTEID a = Mail("Alpha");
    const NOTEID inbox = sim::AddFolder(*db, "($Inbox)").Entries({a}).Id();

    Pick(1, inbox);

    EXPECT_EQ(Trace(), Join({{"box Stowline | You can not delete the Inbox view/folder. | 0x00", "find found", "front"},
                             kEscape}));
    EXPECT_TRUE(std::filesystem::exists(Host("Archive/Inbox/Alpha.htm")));
    EXPECT_TRUE(Deleted(a));
    EXPECT_TRUE(ViewExists(inbox));
}

// A folder is removed only when every run succeeded and there was something to archive.
TEST_F(ArchiveViewFolderTest, IncompleteArchiveKeepsTheFolder) {
    Settings({true, false, true, false});
    ClientWindow();
    const NOTEID good = Mail("Good");
    const NOTEID nameless = Mail("");  // its file name is empty: the run stops there
    const NOTEID after = Mail("After");
    const NOTEID work = sim::AddFolder(*db, "Office").Entries({good, nameless, after}).Id();
    const NOTEID sub = sim::AddFolder(*db, "Office\\Sub").Entries({Mail("Sub")}).Id();

    Pick(1, work);

    const ORIGINATORID& oid = db->FindNote(nameless)->oid;
    char unid[33];
    std::snprintf(unid, sizeof unid, "%08X%08X%08X%08X", oid.File.Innards[1], oid.File.Innards[0], oid.Note.Innards[1],
                  oid.Note.Innards[0]);
    const std::string failure =
        "box Error | Archive Error: The file name formula \"Text(\"Subject\")\" gives no name "
        "for the document " +
        std::string(unid) + ". | 0x10";
    EXPECT_EQ(Trace(), Join({{failure, kNotRemoved, "find found", "front"}, kEscape}));
    EXPECT_TRUE(ViewExists(work));
    EXPECT_TRUE(ViewExists(sub));
    EXPECT_TRUE(Deleted(good));
    EXPECT_FALSE(Deleted(nameless));
    EXPECT_FALSE(Deleted(after));
    EXPECT_TRUE(std::filesystem::exists(Host("Archive/Office/Sub/Sub.htm"))) << "later names still run";
}

TEST_F(ArchiveViewFolderTest, NothingFoundNothingRemoved) {
    Settings({false, false, true, false});
    ClientWindow();
    const NOTEID work = sim::AddFolder(*db, "Office").Entries({Mail("Alpha")}).Id();
    sim::InjectFault("NSFDbGetModifiedNoteTable", 1, ERR_NOACCESS);

    Pick(1, work);

    EXPECT_EQ(Trace(), Join({{"box Stowline | View/Folders not found. Possibly could be a private view/folder. "
                              "Try archiving selected documents. | 0x00",
                              kNotRemoved, "find found", "front"},
                             kEscape}));
    EXPECT_TRUE(ViewExists(work));
}

// A folder whose collection cannot be opened archived nothing, though its run reports no
// error: it stays.
TEST_F(ArchiveViewFolderTest, FolderThatCannotBeOpenedIsKept) {
    Settings({false, false, true, false});
    ClientWindow();
    const NOTEID alpha = Mail("Alpha");
    const NOTEID work = sim::AddFolder(*db, "Office").Entries({alpha}).Id();
    sim::InjectFault("NIFOpenCollection", 1, ERR_NOACCESS);

    Pick(1, work);

    EXPECT_EQ(Trace(), Join({{kNotRemoved, "find found", "front"}, kEscape}));
    EXPECT_TRUE(ViewExists(work));
    EXPECT_FALSE(std::filesystem::exists(Host("Archive/Office/Alpha.htm")));
}

TEST_F(ArchiveViewFolderTest, UnopenableViewNoteEndsTheCommand) {
    Settings({true, false, true, false});
    ClientWindow();
    const NOTEID a = Mail("Alpha");
    sim::AddFolder(*db, "Office").Entries({a});

    Pick(1, 0x7FF0);

    EXPECT_EQ(Trace(), (std::vector<std::string>{"box Stowline | Fatal error opening view note. | 0x00"}));
    EXPECT_FALSE(Deleted(a));
    EXPECT_EQ(Pages(), std::set<std::string>{});
}

}  // namespace

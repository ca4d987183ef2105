// NotesDatabase, NotesDocument, the design catalog and ViewCollection over the stand-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notes/CommandAborted.h"
#include "notes/DesignCatalog.h"
#include "notes/NotesDatabase.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"
#include "notes/ViewCollection.h"
#include "platform/posix/PosixUi.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Faults.h"
#include "support/StandInFixture.h"

namespace stowline {
namespace {

class NotesAccess : public sim::ClientDatabaseTest {
protected:
    void SetUp() override {
        sim::ClientDatabaseTest::SetUp();
        platform::posix::ResetUi();
    }
};

// ---- NotesDatabase ----

TEST_F(NotesAccess, DetachedDatabaseIsNeverClosed) {
    {
        NotesDatabase database;
        database.Attach(handle);
        database.Detach();
        EXPECT_FALSE(database.isOpen);
        EXPECT_EQ(database.handle, 0u);
    }
    EXPECT_EQ(sim::CallCount("NSFDbClose"), 0u);
}

TEST_F(NotesAccess, DatabaseClosesItsOwnHandleOnce) {
    DBHANDLE owned = 0;
    ASSERT_EQ(NSFDbOpen("mail.nsf", &owned), NOERROR);
    {
        NotesDatabase database;
        database.Attach(owned);
        database.Close();
        database.Close();
        EXPECT_EQ(database.handle, owned);  // kept, but no longer owned
    }
    EXPECT_EQ(sim::CallCount("NSFDbClose"), 1u);
}

// ---- NotesDocument ----

TEST_F(NotesAccess, PlainNoteOpensWithoutDecryption) {
    NOTEID id = sim::AddDocument(*db).Text("Subject", "plain").Id();
    NotesDocument document;
    ASSERT_TRUE(document.Open(handle, id, true));
    EXPECT_TRUE(document.isOpen);
    EXPECT_EQ(document.noteId, id);
    EXPECT_EQ(document.database, handle);
    EXPECT_FALSE(document.isEncrypted);
    EXPECT_FALSE(document.isDecrypted);
    EXPECT_EQ(sim::CallCount("NSFNoteDecrypt"), 0u);
}

TEST_F(NotesAccess, SealedNoteDecryptsWithTheUsersKey) {
    NOTEID id = sim::AddDocument(*db).Text("Body", "secret words").Seal("Team").Id();
    sim::SetUserKeys({"Team"});
    NotesDocument document;
    ASSERT_TRUE(document.Open(handle, id, true));
    EXPECT_TRUE(document.isEncrypted);
    EXPECT_TRUE(document.isDecrypted);
    EXPECT_EQ(document.GetFieldText("Body", ';'), "secret words");
}

TEST_F(NotesAccess, SealedNoteWithoutTheKeyStillOpens) {
    NOTEID id = sim::AddDocument(*db).Text("Body", "secret").Seal("Team").Id();
    sim::SetUserKeys({});
    NotesDocument document;
    ASSERT_TRUE(document.Open(handle, id, true));
    EXPECT_TRUE(document.isOpen);
    EXPECT_TRUE(document.isEncrypted);
    EXPECT_FALSE(document.isDecrypted);
    EXPECT_FALSE(document.Decrypt()) << "a second try fails the same way";
}

TEST_F(NotesAccess, MissingNotesDoNotOpen) {
    NOTEID stub = sim::AddDocument(*db).Id();
    sim::DeleteNote(*db, stub);
    for (NOTEID id : {NOTEID(0), NOTEID(0x7FF0), stub}) {
        NotesDocument document;
        const NotesResult opened = document.Open(handle, id, true);
        EXPECT_FALSE(opened) << id;
        EXPECT_FALSE(document.isOpen);
        EXPECT_NE(opened.status, NOERROR);
        EXPECT_EQ(document.noteId, 0u);
        EXPECT_EQ(document.database, 0u);
    }
}

TEST_F(NotesAccess, OpeningASecondNoteClosesTheFirst) {
    NOTEID first = sim::AddDocument(*db).Text("Subject", "first").Id();
    NOTEID second = sim::AddDocument(*db).Text("Subject", "second").Id();
    NotesDocument document;
    ASSERT_TRUE(document.Open(handle, first, true));
    ASSERT_TRUE(document.Open(handle, second, true));
    EXPECT_EQ(sim::CallCount("NSFNoteClose"), 1u);
    EXPECT_EQ(document.GetFieldText("Subject", ';'), "second");
    document.Close();
    document.Close();
    EXPECT_EQ(sim::CallCount("NSFNoteClose"), 2u);
}

// ---- design catalog ----

class Catalog : public NotesAccess {
protected:
    void SetUp() override {
        NotesAccess::SetUp();
        sim::AddView(*db, "Entwürfe");  // first in the table
        sim::AddFolder(*db, "Projects");
        sim::AddFolder(*db, "Projects\\Alpha");
        NOTEID gone = sim::AddView(*db, "Gone").Id();
        sim::DeleteNote(*db, gone);  // a deletion stub in the table
        sim::AddFolder(*db, "Projects2");
        sim::AddView(*db, "($Inbox)");
        sim::AddView(*db, "Mail|M");
        sim::AddNote(*db, NOTE_CLASS_FORM).Text("$TITLE", "Projects form");
        sim::AddView(*db, "Übersicht");  // last in the table
    }
    std::vector<std::string> Names(const std::string& prefix) {
        NotesDatabase database;
        database.Attach(handle);
        std::vector<std::string> names{"stale"};
        database.GetViewNames(names, prefix, false);
        database.Detach();
        return names;
    }
};

TEST_F(Catalog, NamesBeginningWithThePrefix) {
    using V = std::vector<std::string>;
    const struct {
        std::string prefix;
        V names;
    } cases[] = {
        {"Projects", V{"Projects", "Projects\\Alpha", "Projects2"}},
        {"Projects\\", V{"Projects\\Alpha"}},
        {"($Inbox)", V{"($Inbox)"}},
        {"Mail", V{"Mail"}},
        {"M", V{"Mail"}},  // compared with the name, never the alias
        {"Mail|M", V{}},
        {"projects", V{}},
        {"Projects2 and more", V{}},
        {"", V{"Entw\xFC"
               "rfe",
               "Projects", "Projects\\Alpha", "Projects2", "($Inbox)", "Mail",
               "\xDC"
               "bersicht"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Names(c.prefix), c.names) << c.prefix;
}

TEST_F(Catalog, AppendKeepsTheListAndAFailedFetchAddsNothing) {
    NotesDatabase database;
    database.Attach(handle);
    std::vector<std::string> names{"kept"};
    database.GetViewNames(names, "Projects2", true);
    EXPECT_EQ(names, (std::vector<std::string>{"kept", "Projects2"}));

    sim::InjectFault("NSFDbGetModifiedNoteTable", sim::CallCount("NSFDbGetModifiedNoteTable") + 1, ERR_NOACCESS);
    DesignList list;
    EXPECT_EQ(database.FetchDesign(NOTE_CLASS_VIEW, list).status, ERR_NOACCESS);
    EXPECT_TRUE(list.entries.empty());
    database.Detach();
}

// A design note missed (not a deletion stub) makes the list incomplete: a subfolder missing
// from it would go unarchived while its parent folder is archived and removed.
TEST_F(Catalog, AMissedDesignNoteIsToldNotPassedOver) {
    NotesDatabase database;
    database.Attach(handle);
    std::vector<std::string> names;
    EXPECT_TRUE(database.GetViewNames(names, "", false)) << "a deletion stub is no missed note";
    for (const char* function : {"IDScan", "NSFNoteOpen", "NSFItemGetText", "OSTranslate"}) {
        sim::InjectFault(function, sim::CallCount(function) + 3, ERR_NOACCESS);
        EXPECT_FALSE(database.GetViewNames(names, "", false)) << function;
        sim::ClearFaults();
    }
    database.Detach();
}

TEST_F(Catalog, EntriesKeepTitleAndClass) {
    DesignList list;
    const NotesResult fetched = FetchDesign(handle, NOTE_CLASS_VIEW, list);
    ASSERT_EQ(list.entries.size(), 7u);
    EXPECT_EQ(list.entries[5].title, "Mail|M");
    EXPECT_EQ(list.entries[5].GetName(), "Mail");
    EXPECT_EQ(list.entries[5].noteClass, NOTE_CLASS_VIEW);
    EXPECT_EQ(fetched.status, NOERROR);
}

// ---- view collections ----

class Views : public NotesAccess {
protected:
    NOTEID Doc(const std::string& subject) { return sim::AddDocument(*db).Text("Subject", subject).Id(); }
};

TEST_F(Views, CategorisedWalkReturnsDocumentsInViewOrderForEveryBatchSize) {
    NOTEID a = Doc("a"), b = Doc("b"), c = Doc("c");
    sim::AddView(*db, "By Category")
        .Category()
        .Entry(a)
        .Entry(b)
        .Category()
        .Category()
        .Entry(c)
        .Category()
        .Entry(a)  // listed under two categories
        .Category()
        .Category();
    const std::vector<NOTEID> expected{a, b, c, a};
    for (DWORD batch : {1u, 2u, 3u, 4u, 5u, 100u}) {
        sim::SetReadEntriesBatchSize(batch);
        ViewCollection view;
        ASSERT_TRUE(view.Open(handle, "By Category")) << batch;
        std::vector<NOTEID> walked;
        for (NOTEID id = view.FirstNoteId(); id != 0; id = view.NextNoteId()) walked.push_back(id);
        EXPECT_EQ(walked, expected) << "batch " << batch;
        EXPECT_TRUE(view.Close());

        // The same walk through documents: a document listed again is visited once.
        ASSERT_TRUE(view.Open(handle, "By Category"));
        NotesDocument document;
        std::vector<std::string> subjects;
        for (bool more = view.FirstDocument(document); more; more = view.NextDocument(document))
            subjects.push_back(document.GetFieldText("Subject", ';'));
        EXPECT_EQ(subjects, (std::vector<std::string>{"a", "b", "c"})) << batch;
    }
}

TEST_F(Views, EmptyViewAndFailures) {
    sim::AddView(*db, "Empty");
    ViewCollection view;
    ASSERT_TRUE(view.Open(handle, "Empty"));
    EXPECT_EQ(view.FirstNoteId(), 0u);
    NotesDocument document;
    EXPECT_FALSE(view.FirstDocument(document));

    ViewCollection missing;
    const NotesResult opened = missing.Open(handle, "No such view");
    EXPECT_FALSE(opened);
    EXPECT_NE(opened.status, NOERROR);
    EXPECT_EQ(missing.database, 0u);

    NotesDatabase detached;
    EXPECT_FALSE(detached.OpenView("Empty", missing));
    EXPECT_FALSE(missing.isOpen);
}

TEST_F(Views, AFailingReadEndsTheWalk) {
    NOTEID a = Doc("a"), b = Doc("b");
    sim::AddView(*db, "Pages").Entry(a).Entry(b).Entry(a);
    sim::SetReadEntriesBatchSize(1);
    ViewCollection view;
    ASSERT_TRUE(view.Open(handle, "Pages"));
    sim::InjectFault("NIFReadEntries", 2, ERR_NOACCESS);
    EXPECT_EQ(view.FirstNoteId(), a);
    EXPECT_EQ(view.NextNoteId(), 0u);
    EXPECT_EQ(view.ReadResult().status, ERR_NOACCESS);
}

TEST_F(Views, TitleAndKind) {
    NOTEID inbox = sim::AddFolder(*db, "Inbox|Mail").Id();
    NOTEID all = sim::AddView(*db, "All Documents").Id();
    ViewCollection folder(handle, inbox);
    EXPECT_EQ(folder.GetTitle(), "Inbox");
    EXPECT_TRUE(folder.IsFolder());
    ViewCollection view(handle, all);
    EXPECT_EQ(view.GetTitle(), "All Documents");
    EXPECT_FALSE(view.IsFolder());
    EXPECT_EQ(ViewCollection(handle, 0).GetTitle(), "");
}

TEST_F(Views, IsFolderOnAViewNoteThatWillNotOpenEndsTheCommand) {
    ViewCollection view(handle, 0x7FF0);
    // The command shows the message (tests/commands); the notes layer shows nothing.
    try {
        view.IsFolder();
        ADD_FAILURE() << "no error";
    } catch (const CommandAborted& e) {
        EXPECT_EQ(std::string(e.what()), "Fatal error opening view note.");
    }
    EXPECT_TRUE(platform::posix::RecordedBoxes().empty());
}

TEST_F(Views, CloseAndDeleteFolderWithoutAViewCallNothing) {
    ViewCollection never;
    EXPECT_FALSE(never.Close());
    ViewCollection noView(handle, 0);
    EXPECT_FALSE(noView.DeleteFolder());
    EXPECT_EQ(sim::CallCount("NIFCloseCollection"), 0u);
    EXPECT_EQ(sim::CallCount("FolderDelete"), 0u);
}

TEST_F(Views, DeleteFolderRemovesTheFoundFolder) {
    sim::AddFolder(*db, "Projects\\Alpha");
    ViewCollection folder;
    ASSERT_TRUE(folder.Open(handle, "Projects\\Alpha"));
    ASSERT_TRUE(folder.DeleteFolder());
    EXPECT_FALSE(folder.isOpen);
    ViewCollection again;
    EXPECT_FALSE(again.FindView(handle, "Projects\\Alpha"));

    sim::AddFolder(*db, "Keep");
    ViewCollection keep;
    ASSERT_TRUE(keep.FindView(handle, "Keep"));
    sim::InjectFault("FolderDelete", sim::CallCount("FolderDelete") + 1, ERR_NOACCESS);
    const NotesResult removed = keep.DeleteFolder();
    EXPECT_FALSE(removed);
    EXPECT_EQ(removed.status, ERR_NOACCESS);
    EXPECT_FALSE(NotesErrorText(removed.status).empty());
}

}  // namespace
}  // namespace stowline

// The engine's own bookkeeping: what CheckClean reports must be exactly the discipline faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Faults.h"
#include "sim/Status.h"
#include "support/StandInFixture.h"

using ::testing::HasSubstr;

namespace {

class AccountingTest : public sim::CleanEngineTest {
protected:
    std::string Problems() {
        auto p = sim::CheckClean();
        std::string all = sim::DescribeProblems(p);
        sim::Reset();  // so that the fixture's own check passes
        return all;
    }
};

TEST_F(AccountingTest, OpenAndReleaseEverythingIsClean) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    const NOTEID id = sim::AddDocument(db).Text("Subject", "hi").Id();
    DBHANDLE hDb = 0;
    ASSERT_EQ(NSFDbOpen("MAIL.NSF", &hDb), NOERROR);
    NOTEHANDLE hNote = 0;
    ASSERT_EQ(NSFNoteOpen(hDb, id, 0, &hNote), NOERROR);
    BLOCKID item, value;
    DWORD len;
    ASSERT_EQ(NSFItemInfo(hNote, "Subject", 7, &item, nullptr, &value, &len), NOERROR);
    ASSERT_NE(OSLockObject(value.pool), nullptr);
    EXPECT_TRUE(OSUnlockObject(value.pool));
    NSFNoteClose(hNote);
    NSFDbClose(hDb);
    // A null handle (a detached wrapper's) is refused with a status, not counted as a fault.
    NOTEID found = 0;
    EXPECT_EQ(NIFFindDesignNote(NULLHANDLE, "All", NOTE_CLASS_VIEW, &found), sim::ERR_SIM_INVALID_HANDLE);
    EXPECT_TRUE(sim::CheckClean().empty()) << sim::DescribeProblems(sim::CheckClean());
}

TEST_F(AccountingTest, LeakedBufferAndLockAreReported) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    auto view = sim::AddView(db, "All");
    view.Entry(sim::AddDocument(db).Id());
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    HCOLLECTION hc = 0;
    ASSERT_EQ(NIFOpenCollection(hDb, hDb, view.Id(), 0, 0, &hc, nullptr, nullptr, nullptr, nullptr), NOERROR);
    COLLECTIONPOSITION pos{};
    DHANDLE buffer = 0;
    DWORD n = 0;
    WORD flags = 0;
    ASSERT_EQ(NIFReadEntries(hc, &pos, NAVIGATE_NEXT, 1, NAVIGATE_NEXT, 0xFFFFFFFF, READ_MASK_NOTEID, &buffer, nullptr,
                             nullptr, &n, &flags),
              NOERROR);
    ASSERT_NE(OSLockObject(buffer), nullptr);
    NIFCloseCollection(hc);
    // The buffer was neither unlocked nor freed.
    const std::string problems = Problems();
    EXPECT_THAT(problems, HasSubstr("buffer"));
    EXPECT_THAT(problems, HasSubstr("from NIFReadEntries not released (locked 1 time(s))"));
}

TEST_F(AccountingTest, ClosingClientOwnedHandlesIsAViolation) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    const DHANDLE table = sim::ClientIdTable({0x8F6});
    NSFDbClose(hDb);
    OSMemFree(table);
    const std::string problems = Problems();
    EXPECT_THAT(problems, HasSubstr("NSFDbClose: closed the client's database handle"));
    EXPECT_THAT(problems, HasSubstr("OSMemFree: freed the client's ID table"));
}

TEST_F(AccountingTest, MisusedHandlesAreViolations) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    const NOTEID id = sim::AddDocument(db).Text("Subject", "x").Id();
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    NOTEHANDLE hNote = 0;
    ASSERT_EQ(NSFNoteOpen(hDb, id, 0, &hNote), NOERROR);
    BLOCKID item, value;
    ASSERT_EQ(NSFItemInfo(hNote, "Subject", 7, &item, nullptr, &value, nullptr), NOERROR);
    EXPECT_NE(NSFItemInfoNext(hNote, value, nullptr, 0, &item, nullptr, &value, nullptr), NOERROR);  // not the item
    EXPECT_FALSE(OSUnlockObject(value.pool));                                                        // never locked
    EXPECT_NE(OSMemFree(value.pool), NOERROR);  // belongs to the note
    OSLockObject(value.pool);
    NSFNoteClose(hNote);                      // with the lock outstanding
    EXPECT_NE(NSFNoteClose(hNote), NOERROR);  // twice
    const std::string problems = Problems();
    EXPECT_THAT(problems, HasSubstr("NSFItemInfoNext: BLOCKID"));
    EXPECT_THAT(problems, HasSubstr("is not locked"));
    EXPECT_THAT(problems, HasSubstr("belongs to its note"));
    EXPECT_THAT(problems, HasSubstr("closed with 1 item block lock(s) outstanding"));
    EXPECT_THAT(problems, HasSubstr("NSFNoteClose: unknown or released note handle"));
}

// A table from NSFDbGetModifiedNoteTable goes back through IDDestroyTable, never OSMemFree.
TEST_F(AccountingTest, IdTableFreedAsMemoryIsAViolation) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::AddDocument(db).Text("Subject", "x");
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    TIMEDATE since{}, until{};
    TimeConstant(TIMEDATE_WILDCARD, &since);
    DHANDLE table = 0;
    ASSERT_EQ(NSFDbGetModifiedNoteTable(hDb, NOTE_CLASS_DOCUMENT, since, &until, &table), NOERROR);
    OSMemFree(table);
    EXPECT_THAT(Problems(), HasSubstr("is freed with IDDestroyTable"));

    sim::Database& again = sim::CreateDatabase("mail.nsf");
    sim::AddDocument(again).Text("Subject", "x");
    const DBHANDLE hAgain = sim::ClientDbHandle(again);
    ASSERT_EQ(NSFDbGetModifiedNoteTable(hAgain, NOTE_CLASS_DOCUMENT, since, &until, &table), NOERROR);
    EXPECT_EQ(IDDestroyTable(table), NOERROR);
    sim::ReleaseClientHandle(hAgain);
    EXPECT_EQ(Problems(), "");
}

TEST_F(AccountingTest, FaultByNameAndCallNumber) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    const NOTEID id = sim::AddDocument(db).Id();
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    sim::InjectFault("NSFNoteOpen", 2, ERR_NOACCESS);
    sim::InjectFault("IDScan", 1, 0, /*fromThenOn=*/true);
    NOTEHANDLE h = 0;
    ASSERT_EQ(NSFNoteOpen(hDb, id, 0, &h), NOERROR);
    NSFNoteClose(h);
    NOTEHANDLE untouched = 0x1234;
    EXPECT_EQ(NSFNoteOpen(hDb, id, 0, &untouched), ERR_NOACCESS);
    EXPECT_EQ(untouched, 0x1234u);
    ASSERT_EQ(NSFNoteOpen(hDb, id, 0, &h), NOERROR);  // only the second call fails
    NSFNoteClose(h);
    const DHANDLE table = sim::ClientIdTable({id});
    DWORD got = 0;
    EXPECT_FALSE(IDScan(table, TRUE, &got));
    EXPECT_FALSE(IDScan(table, TRUE, &got));
    EXPECT_EQ(sim::CallCount("NSFNoteOpen"), 3u);
    EXPECT_EQ(sim::CallCount("IDScan"), 2u);
    EXPECT_EQ(sim::CallCount("NSFDbClose"), 0u);
}

// A misspelt or non-imported name is refused, instead of a fault that never fires.
TEST_F(AccountingTest, FaultsAndCountsNameOnlyImportedFunctions) {
    EXPECT_THROW(sim::InjectFault("NSFNoteOpne", 1, ERR_NOACCESS), std::invalid_argument);
    EXPECT_THROW(sim::InjectFault("NSFDbOpen", 1, ERR_NOACCESS), std::invalid_argument);  // the add-in never calls it
    EXPECT_THROW(sim::CallCount("nsfnoteopen"), std::invalid_argument);
    EXPECT_NO_THROW(sim::InjectFault("NSFNoteExtractFile", 1, ERR_NOACCESS));
    EXPECT_TRUE(sim::IsImportedFunction("DTMenuProc") == false);
    EXPECT_EQ(sim::ImportedFunctions().front(), "OSLoadString");
}

// A filtered fault counts only the calls its filter accepts: here the second lookup of
// "$FILE" in one note, whatever other lookups come between.
TEST_F(AccountingTest, FilteredFaultNarrowsToNoteAndItem) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    const NOTEID a = sim::AddDocument(db).Text("Subject", "a").Id();
    const NOTEID b = sim::AddDocument(db).Text("Subject", "b").Id();
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    sim::InjectFault("NSFItemInfo", 2, ERR_NOACCESS, false,
                     [&](const sim::Call& call) { return call.note == b && call.item == "$FILE"; });
    NOTEHANDLE ha = 0, hb = 0;
    ASSERT_EQ(NSFNoteOpen(hDb, a, 0, &ha), NOERROR);
    ASSERT_EQ(NSFNoteOpen(hDb, b, 0, &hb), NOERROR);
    BLOCKID item{}, value{};
    WORD type = 0;
    DWORD length = 0;
    const auto info = [&](NOTEHANDLE h, const char* name) {
        return NSFItemInfo(h, name, WORD(strlen(name)), &item, &type, &value, &length);
    };
    EXPECT_EQ(info(hb, "$FILE"), ERR_ITEM_NOT_FOUND);  // first accepted call: passes
    EXPECT_EQ(info(ha, "$FILE"), ERR_ITEM_NOT_FOUND);  // other note
    EXPECT_EQ(info(hb, "Subject"), NOERROR);           // other item
    EXPECT_EQ(info(hb, "$FILE"), ERR_NOACCESS);        // second accepted call
    EXPECT_EQ(info(hb, "$FILE"), ERR_ITEM_NOT_FOUND);  // once only
    NSFNoteClose(ha);
    NSFNoteClose(hb);
}

// Observers see every call at its entry, in order, with its number and note, faulted calls too;
// one that throws stops the call before it does anything.
TEST_F(AccountingTest, ObserverSeesCallsInOrderAndMayThrow) {
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    const NOTEID id = sim::AddDocument(db).Id();
    const DBHANDLE hDb = sim::ClientDbHandle(db);
    std::vector<std::string> seen;
    sim::InjectFault("NSFNoteDelete", 1, ERR_NOACCESS);
    {
        sim::ScopedObserver observer([&](const sim::Call& call) {
            seen.push_back(std::string(call.function) + " " + std::to_string(call.nth) + " " +
                           std::to_string(call.note));
            if (call.function == "NSFNoteDelete" && call.nth == 3) throw std::runtime_error("damaged");
        });
        NOTEHANDLE h = 0;
        ASSERT_EQ(NSFNoteOpen(hDb, id, 0, &h), NOERROR);
        NSFNoteClose(h);
        EXPECT_EQ(NSFNoteDelete(hDb, id, 0), ERR_NOACCESS);
        EXPECT_EQ(NSFNoteDelete(hDb, id, 0), NOERROR);
        EXPECT_THROW(NSFNoteDelete(hDb, id, 0), std::runtime_error);
    }
    const std::string n = std::to_string(id);
    EXPECT_EQ(seen, (std::vector<std::string>{"NSFNoteOpen 1 " + n, "NSFNoteClose 1 " + n, "NSFNoteDelete 1 " + n,
                                              "NSFNoteDelete 2 " + n, "NSFNoteDelete 3 " + n}));
    EXPECT_EQ(NSFNoteDelete(hDb, id, 0), ERR_NOTE_DELETED);  // no observer any more
    EXPECT_EQ(seen.size(), 5u);
}

}  // namespace

// Views and folders: design lookup, paged reads with category rows, folder removal.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/Builder.h"
#include "sim/Status.h"
#include "support/StandInFixture.h"

namespace {

class CollectionsTest : public sim::CleanEngineTest {
protected:
    void SetUp() override {
        CleanEngineTest::SetUp();
        db = &sim::CreateDatabase("mail.nsf");
        hDb = sim::ClientDbHandle(*db);
    }
    HCOLLECTION OpenCollection(NOTEID view) {
        HCOLLECTION hc = 0;
        EXPECT_EQ(NIFOpenCollection(hDb, hDb, view, 0, 0, &hc, nullptr, nullptr, nullptr, nullptr), NOERROR);
        return hc;
    }
    // The client's loop: skip 1 from the position each time, until SIGNAL_MORE_TO_DO ends.
    std::vector<std::vector<NOTEID>> ReadAll(HCOLLECTION hc) {
        std::vector<std::vector<NOTEID>> batches;
        COLLECTIONPOSITION pos{};
        WORD signal = SIGNAL_MORE_TO_DO;
        while (signal & SIGNAL_MORE_TO_DO) {
            DHANDLE buffer = 0;
            DWORD n = 0;
            if (NIFReadEntries(hc, &pos, NAVIGATE_NEXT, 1, NAVIGATE_NEXT, 0xFFFFFFFF, READ_MASK_NOTEID, &buffer,
                               nullptr, nullptr, &n, &signal) != NOERROR)
                break;
            std::vector<NOTEID> batch(n);
            if (buffer) {
                std::memcpy(batch.data(), OSLockObject(buffer), n * 4);
                OSUnlockObject(buffer);
                OSMemFree(buffer);
            }
            batches.push_back(batch);
        }
        return batches;
    }
    sim::Database* db = nullptr;
    DBHANDLE hDb = 0;
};

TEST_F(CollectionsTest, FindsViewsAndFoldersByNameOrAlias) {
    const NOTEID inbox = sim::AddFolder(*db, "Inbox|($Inbox)").Id();
    const NOTEID all = sim::AddView(*db, "All Documents | ($All)").Id();
    const struct {
        const char* name;
        STATUS status;
        NOTEID id;
    } cases[] = {{"($inbox)", NOERROR, inbox},
                 {"INBOX", NOERROR, inbox},
                 {"($All)", NOERROR, all},
                 {"All Documents", NOERROR, all},
                 {"Inbox|($Inbox)", ERR_NOT_FOUND, 0},
                 {"Sent", ERR_NOT_FOUND, 0}};
    for (const auto& c : cases) {
        NOTEID got = 0;
        EXPECT_EQ(NIFFindDesignNote(hDb, c.name, NOTE_CLASS_VIEW, &got), c.status) << c.name;
        EXPECT_EQ(got, c.id) << c.name;
    }
}

TEST_F(CollectionsTest, CollectionHandleIsSixteenBits) {
    const NOTEID view = sim::AddView(*db, "All").Id();
    BYTE out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_EQ(NIFOpenCollection(hDb, hDb, view, 0, 0, reinterpret_cast<HCOLLECTION*>(out), nullptr, nullptr, nullptr,
                                nullptr),
              NOERROR);
    EXPECT_EQ(out[2], 0xEE);
    EXPECT_EQ(out[3], 0xEE);
    HCOLLECTION hc;
    std::memcpy(&hc, out, 2);
    EXPECT_EQ(NIFCloseCollection(hc), NOERROR);
}

TEST_F(CollectionsTest, PagedReadsEndingOnCategoryRows) {
    const NOTEID a = sim::AddDocument(*db).Id(), b = sim::AddDocument(*db).Id(), c = sim::AddDocument(*db).Id();
    auto view = sim::AddView(*db, "By Category");
    view.Category().Entry(a).Category().Category().Entry(b).Entry(a).Category().Entry(c);
    const sim::Collection expected = view.Get();
    sim::SetReadEntriesBatchSize(3);  // the first batch ends on two category rows
    const HCOLLECTION hc = OpenCollection(view.Id());
    const auto batches = ReadAll(hc);
    NIFCloseCollection(hc);
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0].size(), 3u);
    EXPECT_TRUE(batches[0][2] & NOTEID_CATEGORY);
    std::vector<NOTEID> all;
    for (const auto& batch : batches) all.insert(all.end(), batch.begin(), batch.end());
    EXPECT_EQ(sim::Collection(all), expected);  // no gap, no duplicate
}

// An open collection reads as it was when opened, while the views it came from, two of which
// share one list, lose the deleted documents.
TEST_F(CollectionsTest, OpenCollectionKeepsItsEntriesWhileViewsChange) {
    const NOTEID a = sim::AddDocument(*db).Id(), b = sim::AddDocument(*db).Id(), c = sim::AddDocument(*db).Id();
    const NOTEID all = sim::AddView(*db, "All").Entry(a).Entry(b).Entry(c).Id();
    const NOTEID same = sim::AddFolder(*db, "Same").Id();
    const NOTEID other = sim::AddFolder(*db, "Other").Entry(c).Id();
    db->collections[same] = db->collections[all];
    const HCOLLECTION hc = OpenCollection(same);
    ASSERT_EQ(NSFNoteDelete(hDb, b, 0), NOERROR);
    ASSERT_EQ(NSFNoteDelete(hDb, c, 0), NOERROR);
    EXPECT_EQ(ReadAll(hc).front(), (std::vector<NOTEID>{a, b, c}));
    NIFCloseCollection(hc);
    EXPECT_EQ(db->collections[all], (sim::Collection{a}));
    EXPECT_EQ(db->collections[same], (sim::Collection{a}));
    EXPECT_TRUE(db->collections[other].empty());
    const HCOLLECTION again = OpenCollection(all);
    EXPECT_EQ(ReadAll(again).front(), (std::vector<NOTEID>{a}));
    NIFCloseCollection(again);
}

TEST_F(CollectionsTest, EmptyViewGivesNoBuffer) {
    const HCOLLECTION hc = OpenCollection(sim::AddView(*db, "Empty").Id());
    COLLECTIONPOSITION pos{};
    DHANDLE buffer = 0x1234;
    DWORD n = 9;
    WORD signal = 0xFFFF;
    ASSERT_EQ(NIFReadEntries(hc, &pos, NAVIGATE_NEXT, 1, NAVIGATE_NEXT, 0xFFFFFFFF, READ_MASK_NOTEID, &buffer, nullptr,
                             nullptr, &n, &signal),
              NOERROR);
    EXPECT_EQ(buffer, NULLHANDLE);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(signal & SIGNAL_MORE_TO_DO, 0);
    NIFCloseCollection(hc);
}

TEST_F(CollectionsTest, FolderDeleteRemovesTheFolderButNotViews) {
    const NOTEID doc = sim::AddDocument(*db).Id();
    const NOTEID folder = sim::AddFolder(*db, "Projects").Entry(doc).Id();
    const NOTEID view = sim::AddView(*db, "All").Entry(doc).Id();
    EXPECT_EQ(FolderDelete(hDb, hDb, view, 0), sim::ERR_SIM_NOT_A_VIEW);
    EXPECT_EQ(FolderDelete(hDb, 0, folder, 0), NOERROR);
    NOTEID got = 0;
    EXPECT_EQ(NIFFindDesignNote(hDb, "Projects", NOTE_CLASS_VIEW, &got), ERR_NOT_FOUND);
    EXPECT_TRUE(db->notes.at(folder).deleted);
    EXPECT_FALSE(db->notes.at(doc).deleted);
}

}  // namespace

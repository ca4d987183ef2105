// Walking the client's selection.
#include <gtest/gtest.h>

#include "notes/NoteIdTable.h"
#include "notes/NotesDocument.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Faults.h"
#include "support/StandInFixture.h"

namespace {

// A selection held by the client, as an ID table.
class NoteIdTableTest : public sim::ClientDatabaseTest {
protected:
    void TearDown() override {
        if (idTable != 0) sim::ReleaseClientHandle(idTable);
        sim::ClientDatabaseTest::TearDown();
    }
    sim::DocumentBuilder Mail(const std::string& subject) { return sim::AddDocument(*db).Text("Subject", subject); }
    void Select(const std::vector<NOTEID>& ids) { idTable = sim::ClientIdTable(ids); }

    DHANDLE idTable = 0;
};

TEST_F(NoteIdTableTest, EmptyTableOpensNothing) {
    Select({});
    stowline::NoteIdTable table;
    table.Attach(handle, idTable);
    stowline::NotesDocument document;
    EXPECT_FALSE(table.FirstDocument(document));
    EXPECT_EQ(sim::CallCount("NSFNoteOpen"), 0u);
}

TEST_F(NoteIdTableTest, NoteThatCannotBeOpenedIsPassedOverAndCounted) {
    const NOTEID a = Mail("a").Id(), b = Mail("b").Id(), c = Mail("c").Id();
    Select({a, b, c});
    sim::InjectFault("NSFNoteOpen", 2, ERR_NOACCESS);
    stowline::NoteIdTable table(handle, idTable);
    stowline::NotesDocument document;

    std::vector<NOTEID> opened;
    for (bool open = table.FirstDocument(document); open; open = table.NextDocument(document))
        opened.push_back(document.noteId);
    EXPECT_EQ(opened, (std::vector<NOTEID>{a, c}));
    EXPECT_EQ(table.Unopened(), 1u);

    // A new walk starts counting afresh.
    ASSERT_TRUE(table.FirstDocument(document));
    EXPECT_EQ(table.Unopened(), 0u);
    EXPECT_EQ(document.noteId, a);
}

}  // namespace

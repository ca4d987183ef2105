// Walking the client's selection.
#include <gtest/gtest.h>

#include "SimMail.h"
#include "export/NoteIdTable.h"
#include "notes/NotesDocument.h"
#include "sim/Faults.h"

namespace {

using NoteIdTableTest = exporttest::MailRunTest;

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
    EXPECT_EQ(table.UnopenedCount, 1u);

    // A new walk starts counting afresh.
    ASSERT_TRUE(table.FirstDocument(document));
    EXPECT_EQ(table.UnopenedCount, 0u);
    EXPECT_EQ(document.noteId, a);
}

}  // namespace

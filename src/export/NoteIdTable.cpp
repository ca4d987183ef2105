#include "export/NoteIdTable.h"

#include "notes/NotesDocument.h"

namespace stowline {

void NoteIdTable::Attach(DBHANDLE database, DHANDLE idTable) {
    DatabaseHandle = database;
    IdTable = idTable;
}

bool NoteIdTable::FirstDocument(NotesDocument& document) { return Step(true, document); }

bool NoteIdTable::NextDocument(NotesDocument& document) { return Step(false, document); }

bool NoteIdTable::Step(bool first, NotesDocument& document) {
    if (first) UnopenedCount = 0;
    for (BOOL scanFirst = first ? TRUE : FALSE;; scanFirst = FALSE) {
        // Notes keeps the scan position in the table; handing in the last ID as well costs
        // nothing and serves implementations that continue from the value passed.
        DWORD id = CurrentNoteId;
        if (!IDScan(IdTable, scanFirst, &id)) return false;
        CurrentNoteId = id;
        if (document.Open(DatabaseHandle, CurrentNoteId, true)) return true;
        ++UnopenedCount;
    }
}

}  // namespace stowline

#include "notes/NoteIdTable.h"

namespace stowline {

void NoteIdTable::Attach(DBHANDLE database, DHANDLE idTable) {
    DatabaseHandle = database;
    IdTable = idTable;
}

NOTEID NoteIdTable::Scan(BOOL first) {
    // Notes keeps the scan position in the table; handing in the last ID as well costs
    // nothing and serves implementations that continue from the value passed.
    DWORD id = CurrentNoteId;
    if (first) scanned_ = 0;
    if (!IDScan(IdTable, first, &id)) return 0;
    ++scanned_;
    CurrentNoteId = id;
    return id;
}

}  // namespace stowline

// Opens the documents listed in a Notes ID table one after another, in the table's scan
// order. Both handles are the client's and are only read.
#pragma once

#include <notesapi/notesapi.h>

namespace stowline {

class NotesDocument;

class NoteIdTable {
public:
    NoteIdTable(DBHANDLE database = 0, DHANDLE idTable = 0)
        : IdTable(idTable), DatabaseHandle(database) {}
    virtual ~NoteIdTable() = default;

    void Attach(DBHANDLE database, DHANDLE idTable);
    // The first (next) ID of the table opened into `document`, decrypted. An ID whose note
    // cannot be opened is passed over and counted in UnopenedCount, so that one bad note
    // neither ends the walk nor goes unnoticed. False when the table has no further ID.
    bool FirstDocument(NotesDocument& document);
    bool NextDocument(NotesDocument& document);

    DHANDLE IdTable = 0;
    DBHANDLE DatabaseHandle = 0;
    NOTEID CurrentNoteId = 0;  // the ID of the last successful scan step
    DWORD UnopenedCount = 0;   // IDs passed over since FirstDocument

private:
    bool Step(bool first, NotesDocument& document);
};

}  // namespace stowline

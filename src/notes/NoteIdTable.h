// The documents listed in a Notes ID table (the client's selection), in the table's scan
// order. Both handles are the client's and are only read.
#pragma once

#include <notesapi/notesapi.h>

#include "notes/DocumentWalk.h"

namespace stowline {

class NoteIdTable final : public DocumentWalk {
public:
    NoteIdTable(DBHANDLE database = 0, DHANDLE idTable = 0)
        : DocumentWalk(true), IdTable(idTable), DatabaseHandle(database) {}

    void Attach(DBHANDLE database, DHANDLE idTable);

    DHANDLE IdTable = 0;
    DBHANDLE DatabaseHandle = 0;
    NOTEID CurrentNoteId = 0;  // the ID of the last successful scan step

    // Whether the scan since the first entry went through every entry of the table: IDScan
    // answers "no more" at the end and when it fails alike, and a selection cut short must not
    // pass for archived.
    bool ScannedToEnd() const { return scanned_ >= IDEntries(IdTable); }

protected:
    DBHANDLE WalkDatabase() const override { return DatabaseHandle; }
    NOTEID FirstNoteId() override { return Scan(TRUE); }
    NOTEID NextNoteId() override { return Scan(FALSE); }

private:
    NOTEID Scan(BOOL first);

    DWORD scanned_ = 0;  // entries the scan delivered since the first
};

}  // namespace stowline

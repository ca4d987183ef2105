// Lends the client's database handle to a NotesDatabase for one scope and takes it back on
// every path, never closing it: the handle stays the client's.
#pragma once

#include <notesapi/notesapi.h>

#include "notes/NotesDatabase.h"

namespace stowline {

class BorrowedDatabase {
public:
    BorrowedDatabase(NotesDatabase& database, DBHANDLE handle) : database_(database) { database_.Attach(handle); }
    ~BorrowedDatabase() { database_.Detach(); }
    BorrowedDatabase(const BorrowedDatabase&) = delete;
    BorrowedDatabase& operator=(const BorrowedDatabase&) = delete;

private:
    NotesDatabase& database_;
};

}  // namespace stowline

// The catalog of a database's design notes of one class (views and folders alike).
#pragma once

#include <string>
#include <vector>

#include <notesapi/notesapi.h>

#include "notes/NotesResult.h"

namespace stowline {

class DesignEntry {
public:
    DesignEntry(NOTEID noteId, WORD noteClass, std::string title)
        : noteId(noteId), noteClass(noteClass), title(std::move(title)) {}

    // The title up to its first "|" (the aliases follow the bar).
    std::string GetName() const;

    NOTEID noteId = 0;
    WORD noteClass = 0;
    std::string title;  // native, as read from $TITLE
};

class DesignList {
public:
    DesignList() = default;

    // False when a design note was missed: one that exists but would not open, a title that
    // could not be read, a listing cut short.
    bool complete = true;
    std::vector<DesignEntry> entries;
};

// Appends one entry per design note of `noteClass` in `database`, in note-ID order. Deletion
// stubs are left out; a missed note clears `list.complete`. Fails when the design notes could
// not be listed at all.
NotesResult FetchDesign(DBHANDLE database, WORD noteClass, DesignList& list);

}  // namespace stowline

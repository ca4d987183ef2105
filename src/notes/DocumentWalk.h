// The documents of one source, a view's collection or the client's selection, opened one at a
// time into a NotesDocument (decrypted). A note that cannot be opened is passed over and
// counted, so that one bad note neither ends the walk nor goes unnoticed. A note listed more
// than once is visited once.
#pragma once

#include <notesapi/notesapi.h>

#include "notes/NoteIdSet.h"

namespace stowline {

class NotesDocument;

class DocumentWalk {
public:
    // The first (next) document that opens; false, with the document closed, when the source
    // has no further note. FirstDocument starts the count of unopened notes afresh.
    bool FirstDocument(NotesDocument& document);
    bool NextDocument(NotesDocument& document);
    // Notes passed over since FirstDocument because they could not be opened.
    DWORD Unopened() const { return unopened_; }
    // The distinct notes of the source, counted without opening any (a view may list a note
    // under several categories); the walk then starts afresh with FirstDocument.
    DWORD CountNotes();
    // The distinct notes the walk has not reached yet, counted without opening any; the walk
    // is at its end afterwards.
    DWORD CountRest();

protected:
    // `deletedIsUnopened` false: a note already deleted is passed over without being counted
    // (a view lists a note again under another category after the run deleted it).
    explicit DocumentWalk(bool deletedIsUnopened) : deletedIsUnopened_(deletedIsUnopened) {}
    ~DocumentWalk() = default;
    DocumentWalk(const DocumentWalk&) = delete;
    DocumentWalk& operator=(const DocumentWalk&) = delete;

    // The source: its database, and its first (next) note ID, 0 when there is none.
    virtual DBHANDLE WalkDatabase() const = 0;
    virtual NOTEID FirstNoteId() = 0;
    virtual NOTEID NextNoteId() = 0;

private:
    bool OpenFrom(NOTEID id, NotesDocument& document);

    bool deletedIsUnopened_;
    DWORD unopened_ = 0;
    NoteIdSet seen_;
};

}  // namespace stowline

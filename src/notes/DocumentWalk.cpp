#include "notes/DocumentWalk.h"

#include "notes/NotesDocument.h"

namespace stowline {

bool DocumentWalk::FirstDocument(NotesDocument& document) {
    unopened_ = 0;
    seen_.Clear();
    return OpenFrom(FirstNoteId(), document);
}

bool DocumentWalk::NextDocument(NotesDocument& document) { return OpenFrom(NextNoteId(), document); }

bool DocumentWalk::OpenFrom(NOTEID id, NotesDocument& document) {
    for (; id != 0; id = NextNoteId()) {
        // A note the source lists again (a view, under another category or twice in a row)
        // was dealt with at its first entry.
        if (!seen_.Insert(id)) continue;
        const NotesResult opened = document.Open(WalkDatabase(), id, true);
        if (opened) return true;
        if (deletedIsUnopened_ || ERR(opened.status) != ERR_NOTE_DELETED) ++unopened_;
    }
    document.Close();
    return false;
}

DWORD DocumentWalk::CountNotes() {
    NoteIdSet ids;
    for (NOTEID id = FirstNoteId(); id != 0; id = NextNoteId()) ids.Insert(id);
    return static_cast<DWORD>(ids.Size());
}

DWORD DocumentWalk::CountRest() {
    // The notes seen so far, those passed over as unopened included, were dealt with.
    NoteIdSet rest;
    for (NOTEID id = NextNoteId(); id != 0; id = NextNoteId())
        if (!seen_.Contains(id)) rest.Insert(id);
    return static_cast<DWORD>(rest.Size());
}

}  // namespace stowline

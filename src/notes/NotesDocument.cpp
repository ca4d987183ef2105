#include "notes/NotesDocument.h"

#include "notes/ItemText.h"

namespace stowline {

NotesDocument::NotesDocument() { Reset(); }

NotesDocument::~NotesDocument() { Close(); }

NotesResult NotesDocument::Open(DBHANDLE db, NOTEID id, bool decrypt) {
    Reset();
    decryptWanted = decrypt;
    if (id == 0) {  // "no further note" from the walks: nothing to ask Notes for
        return {ERR_INVALID_NOTE};
    }
    NOTEHANDLE opened = 0;
    STATUS status = NSFNoteOpen(db, id, 0, &opened);
    if (status != NOERROR) {
        isOpen = false;
        return {status};
    }
    note = opened;
    isOpen = true;
    isEncrypted = IsEncrypted();
    // A note that cannot be decrypted stays open, and its attachments are extracted without a
    // key.
    if (decryptWanted && isEncrypted) isDecrypted = Decrypt();
    if (isEncrypted && !isDecrypted) SetUndecrypted(note, true);
    noteId = id;
    database = db;
    return {};
}

void NotesDocument::Close() {
    if (isOpen && note != 0) {
        SetUndecrypted(note, false);
        NSFNoteClose(note);
    }
    isOpen = false;
    note = 0;
}

void NotesDocument::Reset() {
    Close();
    database = 0;
    noteId = 0;
    attachmentKey = ENCRYPTION_KEY{};
    isEncrypted = false;
    isDecrypted = false;
    decryptWanted = true;
}

bool NotesDocument::IsEncrypted() {
    BOOL isSigned = FALSE;
    BOOL isSealed = FALSE;
    NSFNoteIsSignedOrSealed(note, &isSigned, &isSealed);
    return isSealed != FALSE;
}

bool NotesDocument::Decrypt() { return NSFNoteDecrypt(note, 0, &attachmentKey) == NOERROR; }

std::string NotesDocument::GetFieldText(const std::string& name, char separator) const {
    return stowline::GetFieldText(note, name, separator);
}

}  // namespace stowline

// Owning wrapper of one open Notes note (a mail document or a view's design note). One
// object is reused for many notes in turn. It decrypts sealed notes on open and keeps the key
// that attachment extraction needs.
#pragma once

#include <string>
#include <vector>

#include <notesapi/notesapi.h>

#include "notes/NotesResult.h"

namespace stowline {

class NotesDocument {
public:
    NotesDocument();
    ~NotesDocument();
    NotesDocument(const NotesDocument&) = delete;
    NotesDocument& operator=(const NotesDocument&) = delete;

    // ---- note access ----
    // Opens the whole note, closing any note still held. A sealed note is decrypted when
    // `decrypt` is set; one that cannot be is still open, with `isDecrypted` false.
    NotesResult Open(DBHANDLE db, NOTEID id, bool decrypt = true);
    void Close();
    void Reset();  // closes and forgets the note
    bool IsEncrypted();
    bool Decrypt();

    // The text of the field `name` (see notes/ItemText.h); throws FieldReadError.
    std::string GetFieldText(const std::string& name, char separator) const;

    // ---- state ----
    DBHANDLE database = 0;  // borrowed, never closed
    NOTEHANDLE note = 0;    // owned while isOpen
    bool isOpen = false;
    NOTEID noteId = 0;
    ENCRYPTION_KEY attachmentKey{};
    bool isEncrypted = false;
    bool isDecrypted = false;
    bool decryptWanted = true;
    // Set by a run that deletes what it archives: extraction then never replaces an existing
    // file but writes to the first free numbered name. Kept across notes.
    bool keepExistingFiles = false;
};

}  // namespace stowline

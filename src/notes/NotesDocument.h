// Owning wrapper of one open Notes note (a mail document or a view's design note). One
// object is reused for many notes in turn. It decrypts sealed notes on open, keeps the key
// that attachment extraction needs, and collects the warnings raised while the note is
// processed in `messages`.
#pragma once

#include <string>
#include <vector>

#include <notesapi/notesapi.h>

namespace stowline {

class NotesDocument {
public:
    NotesDocument();
    ~NotesDocument();
    NotesDocument(const NotesDocument&) = delete;
    NotesDocument& operator=(const NotesDocument&) = delete;

    // ---- note access ----
    // Opens the whole note, closing any note still held. A sealed note is decrypted when
    // `decrypt` is set; failing that only adds a warning. False: `lastStatus` holds why.
    bool Open(DBHANDLE db, NOTEID id, bool decrypt = true);
    void Close();
    void Reset();  // closes, forgets the note and the attachment lists; keeps `messages`
    bool IsEncrypted();
    bool Decrypt();

    void AddMessage(const std::string& text);
    std::string GetMessages() const { return messages; }
    void ClearMessages() { messages.clear(); }

    // The text of the field `name` (see notes/ItemText.h); throws FieldReadError.
    std::string GetFieldText(const std::string& name, char separator) const;

    // ---- attachments (one survey, then extraction: notes/AttachmentExtraction.h) ----
    // Writes every file attachment into `folder` and records names and paths. `count` is the
    // number of $FILE items met; `pathList` the written paths joined by `separator`.
    // Failures are added to `messages`. True when at least one $FILE item was met.
    bool ExtractAttachments(const std::string& folder, DWORD& count, std::string& pathList,
                            char separator);
    bool HasFileAttachments() const;
    // The name and written path of each attachment of the last ExtractAttachments.
    bool FirstAttachment(std::string& name, std::string& path);
    bool NextAttachment(std::string& name, std::string& path);

    // ---- state ----
    STATUS lastStatus = 0;      // of the last failed open
    std::string messages;       // warnings for the current note
    DBHANDLE database = 0;      // borrowed, never closed
    NOTEHANDLE note = 0;        // owned while isOpen
    bool isOpen = false;
    NOTEID noteId = 0;
    ENCRYPTION_KEY attachmentKey{};
    bool isEncrypted = false;
    bool isDecrypted = false;
    bool decryptWanted = true;
    char messageSeparator = ';';
    std::vector<std::string> attachmentNames;
    std::vector<std::string> attachmentPaths;  // parallel to attachmentNames
    DWORD attachmentCursor = 0;
    // Set by a run that deletes what it archives: extraction then never replaces an existing
    // file but writes to the first free numbered name. Kept across notes.
    bool keepExistingFiles = false;
};

}  // namespace stowline

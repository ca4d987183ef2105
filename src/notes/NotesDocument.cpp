#include "notes/NotesDocument.h"

#include "notes/AttachmentExtraction.h"
#include "notes/AttachmentSurvey.h"
#include "notes/ItemText.h"

namespace stowline {

NotesDocument::NotesDocument() { Reset(); }

NotesDocument::~NotesDocument() { Close(); }

bool NotesDocument::Open(DBHANDLE db, NOTEID id, bool decrypt) {
    Reset();
    decryptWanted = decrypt;
    messages.clear();
    if (id == 0) {  // "no further note" from the walks: nothing to ask Notes for
        lastStatus = ERR_INVALID_NOTE;
        return false;
    }
    NOTEHANDLE opened = 0;
    STATUS status = NSFNoteOpen(db, id, 0, &opened);
    if (status != NOERROR) {
        isOpen = false;
        lastStatus = status;
        return false;
    }
    note = opened;
    isOpen = true;
    isEncrypted = IsEncrypted();
    // A note that cannot be decrypted stays open; the warning stands in messages and its
    // attachments are extracted without a key.
    if (decryptWanted && isEncrypted) isDecrypted = Decrypt();
    if (isEncrypted && !isDecrypted) SetUndecrypted(note, true);
    noteId = id;
    database = db;
    return true;
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
    attachmentCursor = 0;
    attachmentKey = ENCRYPTION_KEY{};
    isEncrypted = false;
    isDecrypted = false;
    decryptWanted = true;
    messageSeparator = ';';
    attachmentNames.clear();
    attachmentPaths.clear();
}

bool NotesDocument::IsEncrypted() {
    BOOL isSigned = FALSE;
    BOOL isSealed = FALSE;
    NSFNoteIsSignedOrSealed(note, &isSigned, &isSealed);
    return isSealed != FALSE;
}

bool NotesDocument::Decrypt() {
    if (NSFNoteDecrypt(note, 0, &attachmentKey) == NOERROR) return true;
    if (!messages.empty()) messages += '\n';
    messages += "Unable to decrypt with current ID";
    return false;
}

void NotesDocument::AddMessage(const std::string& text) {
    if (text.empty()) return;
    if (!messages.empty()) messages += messageSeparator;
    messages += text;
}

std::string NotesDocument::GetFieldText(const std::string& name, char separator) const {
    return stowline::GetFieldText(note, name, separator);
}

bool NotesDocument::ExtractAttachments(const std::string& folder, DWORD& count, std::string& pathList,
                                       char separator) {
    const AttachmentSurvey survey = SurveyAttachments(note);
    attachmentNames.clear();
    attachmentPaths.clear();
    pathList.clear();
    for (WrittenAttachment& file : stowline::ExtractAttachments(*this, survey, folder)) {
        if (!pathList.empty()) pathList += separator;
        pathList += file.path;
        attachmentNames.push_back(std::move(file.name));
        attachmentPaths.push_back(std::move(file.path));
    }
    count = static_cast<DWORD>(survey.items.size());
    return count > 0;
}

bool NotesDocument::HasFileAttachments() const { return SurveyAttachments(note).files > 0; }

bool NotesDocument::FirstAttachment(std::string& name, std::string& path) {
    attachmentCursor = 0;
    if (attachmentNames.empty()) return false;
    name = attachmentNames[0];
    path = attachmentPaths[0];
    return true;
}

bool NotesDocument::NextAttachment(std::string& name, std::string& path) {
    ++attachmentCursor;
    if (attachmentCursor >= attachmentNames.size()) return false;
    name = attachmentNames[attachmentCursor];
    path = attachmentPaths[attachmentCursor];
    return true;
}

}  // namespace stowline

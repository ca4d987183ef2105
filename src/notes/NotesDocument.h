// Owning wrapper of one open Notes note (a mail document or a view's design note). One
// object is reused for many notes in turn. It decrypts sealed notes on open, collects the
// warnings raised while the note is processed in `messages`, and carries the attachment
// walk and its results.
//
// The field, date, formula and page operations are defined in src/render/.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <notesapi/notesapi.h>

#include "platform/Platform.h"

namespace stowline {

class NotesDocument {
public:
    // Step status of an attachment walk step whose $FILE item is not a file.
    static constexpr STATUS AttachmentSkipped = 9999;

    NotesDocument();
    virtual ~NotesDocument();
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

    // ---- attachments ----
    // One step of the walk over the $FILE items; `first` restarts it. False when no further
    // item exists (`stepStatus` then holds the lookup status). True when an item was
    // handled: `stepStatus` 0 (handled), AttachmentSkipped (not a file) or the status of
    // the failed extraction. `writtenName` is the file name written below `folder`.
    bool ExtractNextAttachment(bool first, bool extract, const std::string& folder,
                               std::string& name, std::string& writtenName, STATUS& stepStatus);
    // Writes every file attachment into `folder` and records names and paths. `count` is the
    // number of $FILE items met; `pathList` the written paths joined by `separator`.
    // Failures are added to `messages`. True when at least one $FILE item was met.
    bool ExtractAttachments(const std::string& folder, DWORD& count, std::string& pathList,
                            char separator);
    bool HasFileAttachments();
    // The name and written path of each attachment of the last ExtractAttachments.
    bool FirstAttachment(std::string& name, std::string& path);
    bool NextAttachment(std::string& name, std::string& path);

    // ---- field text (native text; empty when absent) ----
    // Throws FieldReadError (notes/FieldReadError.h) after showing its message when reading
    // the items raised an exception.
    std::string GetFieldText(const std::string& name, char separator) const;
    std::string GetFieldNames(const std::string& name, const std::string& separator) const;
    // DeliveredDate, else PostedDate, else the creation time, as local broken-down time.
    bool GetDocumentTime(TIME& time) const;
    // The same as a calendar value; empty when the time cannot be converted.
    std::optional<platform::LocalTime> GetDocumentDate() const;
    std::string GetDateText() const;  // Notes date-and-time text; empty on failure
    // y m d h n s replaced by the time's fields; "(Failed to Get Time)" on failure.
    std::string FormatDocumentTime(const std::string& pattern) const;
    std::string GetUNID() const;  // 32 upper-case hexadecimal digits

    // ---- file-name formula ----
    // The formula's value; on an invalid formula "" and `messages` replaced by the error.
    std::string EvaluateString(const std::string& formula);
    // Reads one term at `position`, appending its value; false with `errorPosition` set.
    bool EvaluateTerm(std::size_t& position, const std::string& formula, std::string& value,
                      std::size_t& errorPosition) const;

    // ---- HTML page ----
    // The page of this document; `directory` is the HTML file's folder (no trailing
    // separator), from which the attachment links are made relative.
    std::string GetHtmlPage(const std::string& directory);

    // ---- state ----
    STATUS lastStatus = 0;      // of the last failed open
    std::string messages;       // warnings for the current note
    DBHANDLE database = 0;      // borrowed, never closed
    NOTEHANDLE note = 0;        // owned while isOpen
    bool isOpen = false;
    NOTEID noteId = 0;
    BLOCKID fileItem{};         // $FILE item reached by the walk; pool 0 = from the first
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

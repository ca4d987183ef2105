// Builds fixture databases: documents with typed items, rich text, attachments, signatures,
// sealing, and views and folders with their entries. Texts are given as UTF-8 and stored as
// LMBCS; every value is stored in the exact Notes encoding.
#pragma once

#include <notesapi/notesapi.h>

#include <string>
#include <vector>

#include "sim/Model.h"

namespace sim {

// Rich text as CD records: paragraphs, text runs, or raw records.
class RichText {
public:
    RichText& Paragraph(const std::string& utf8Text);             // CDPARAGRAPH, then a run when not empty
    RichText& Run(const std::string& utf8Text, FONTID font = 0);  // one CDTEXT
    RichText& Record(const Bytes& cdRecord);                      // a whole record, header included
    const std::vector<Bytes>& Records() const { return records_; }

private:
    std::vector<Bytes> records_;
};

// Encodings, for loaders that build values themselves.
Bytes EncodeText(const std::string& lmbcs);
Bytes EncodeTextList(const std::vector<std::string>& lmbcs);
Bytes EncodeNumbers(const std::vector<NUMBER>& values);  // one value: TYPE_NUMBER
Bytes EncodeNumberRange(const std::vector<NUMBER>& values, const std::vector<NUMBER>& rangePairs);
Bytes EncodeTimes(const std::vector<TIMEDATE>& values);  // one value: TYPE_TIME
Bytes EncodeTimeRange(const std::vector<TIMEDATE>& values, const std::vector<TIMEDATE_PAIR>& ranges);
Bytes EncodeNoteRefs(const std::vector<UNID>& refs);
// Rich-text item values (type word + records, even-padded), split so that no value exceeds
// `maxValueBytes`.
std::vector<Bytes> EncodeRichText(const RichText& text, size_t maxValueBytes = 65000);

struct AttachmentOptions {
    WORD hostType = HOST_MSDOS;
    bool encrypted = false;  // extraction needs the note's key
    TIMEDATE created{};
    TIMEDATE modified{};
};

struct SignatureOptions {
    std::string itemName = "$Signature";
    bool verifies = true;  // false: NSFNoteVerifySignature fails on it
};

class DocumentBuilder {
public:
    DocumentBuilder(Database& db, NOTEID id) : db_(&db), id_(id) {}

    DocumentBuilder& Text(const std::string& name, const std::string& utf8, WORD flags = ITEM_SUMMARY);
    DocumentBuilder& TextList(const std::string& name, const std::vector<std::string>& utf8, WORD flags = ITEM_SUMMARY);
    DocumentBuilder& Number(const std::string& name, NUMBER value);
    DocumentBuilder& Numbers(const std::string& name, const std::vector<NUMBER>& values);
    DocumentBuilder& Time(const std::string& name, TIMEDATE value);
    DocumentBuilder& Times(const std::string& name, const std::vector<TIMEDATE>& values,
                           const std::vector<TIMEDATE_PAIR>& ranges = {});
    DocumentBuilder& Rich(const std::string& name, const RichText& text, size_t maxValueBytes = 65000);
    DocumentBuilder& NoteRefs(const std::string& name, const std::vector<UNID>& refs);
    // Any value: `type` then `data` (e.g. raw CD records as TYPE_COMPOSITE, or unknown types).
    DocumentBuilder& Raw(const std::string& name, WORD type, const Bytes& data, WORD flags = 0);
    // A $FILE item (TYPE_OBJECT + FILEOBJECT + LMBCS name) and its object, which takes `content`.
    DocumentBuilder& Attachment(const std::string& utf8FileName, Bytes content, const AttachmentOptions& options = {});
    // A signature item; `when` may be kUnconvertibleTime.
    DocumentBuilder& Signature(const std::string& signer, TIMEDATE when, const SignatureOptions& options = {});
    // Seals the note with the named key: its Body items and its attachments are encrypted,
    // or the named items when `itemNames` is given.
    DocumentBuilder& Seal(const std::string& keyName, const std::vector<std::string>& itemNames = {});
    DocumentBuilder& Originator(const ORIGINATORID& oid);
    DocumentBuilder& Unid(const UNID& unid);

    NOTEID Id() const { return id_; }
    Note& Get() const;

private:
    Database* db_;
    NOTEID id_;
};

// A new note of that class with a fresh note ID and universal ID, created now.
DocumentBuilder AddNote(Database& db, WORD noteClass = NOTE_CLASS_DOCUMENT);
inline DocumentBuilder AddDocument(Database& db) { return AddNote(db, NOTE_CLASS_DOCUMENT); }

class ViewBuilder {
public:
    ViewBuilder(Database& db, NOTEID id) : db_(&db), id_(id) {}
    ViewBuilder& Entry(NOTEID document);
    ViewBuilder& Entries(const std::vector<NOTEID>& documents);
    ViewBuilder& Category();  // a category row (NOTEID_CATEGORY | a running number)
    NOTEID Id() const { return id_; }
    Collection& Get() const;

private:
    Database* db_;
    NOTEID id_;
};

// A view (or, with `folder`, a folder: $Flags holds "F") whose $TITLE is `title`, aliases
// after "|" included, e.g. "Inbox|($Inbox)".
ViewBuilder AddView(Database& db, const std::string& utf8Title, bool folder = false);
inline ViewBuilder AddFolder(Database& db, const std::string& utf8Title) { return AddView(db, utf8Title, true); }

}  // namespace sim

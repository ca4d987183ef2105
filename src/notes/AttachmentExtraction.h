// Writing a document's file attachments, as its survey found them, into a folder.
#pragma once

#include <string>
#include <vector>

namespace stowline {

class NotesDocument;
struct AttachmentSurvey;

// One attachment on disk: its name in the document and the full path written.
struct WrittenAttachment {
    std::string name;
    std::string path;
};

// What an extraction wrote, in the survey's order, and a line for each file it could not write
// ("Unable to extract file '<name>' to path '<folder>' for reason <why>").
struct ExtractedAttachments {
    std::vector<WrittenAttachment> written;
    std::vector<std::string> failures;
};

// Writes every file of `survey` (taken of `document`'s open note) into `folder`, under its
// own name where the file system takes it as it stands and under the cleaned name otherwise;
// with the document's `keepExistingFiles` never over an existing file.
ExtractedAttachments ExtractAttachments(NotesDocument& document, const AttachmentSurvey& survey,
                                        const std::string& folder);

}  // namespace stowline

// One walk over a document's $FILE items: which of them are files and under what names, for
// the extraction and for the check that no attachment went unseen.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <notesapi/notesapi.h>

namespace stowline {

struct AttachmentItem {
    BLOCKID item{};
    bool isFile = true;      // false: an embedded object or byte-array storage
    bool damaged = false;    // the value does not hold a whole FILEOBJECT and name
    std::string storedName;  // LMBCS, as the document stores it
    std::string name;        // native
};

struct AttachmentSurvey {
    std::vector<AttachmentItem> items;  // every $FILE item met, in the note's order
    std::size_t files = 0;              // items that are files (damaged ones included)
    // The walk reached the end of the $FILE items. A lookup failing for any other reason
    // than "no such item" may hide attachments: it proves nothing about their number.
    bool complete = false;
};

AttachmentSurvey SurveyAttachments(NOTEHANDLE note);

}  // namespace stowline

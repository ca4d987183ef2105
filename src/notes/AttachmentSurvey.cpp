#include "notes/AttachmentSurvey.h"

#include <notesapi/ods.h>

#include "notes/NotesText.h"

namespace stowline {

namespace {
constexpr char kFileItem[] = "$FILE";
constexpr WORD kFileItemLength = 5;

// Embedded objects and byte-array storage are not files.
bool IsSkippedHostType(WORD hostType) {
    switch (hostType & HOST_MASK) {
        case HOST_OLE:
        case HOST_OLELIB:
        case HOST_BYTEARRAY_EXT:
        case HOST_BYTEARRAY_PAGE: return true;
        default: return false;
    }
}

// Reads the host type and the name behind the FILEOBJECT of a $FILE value, checking that
// they lie inside the value.
void ReadFileValue(BLOCKID value, DWORD length, AttachmentItem& entry) {
    entry.damaged = true;
    char* base = static_cast<char*>(OSLockObject(value.pool));
    if (base == nullptr) return;
    const char* data = base + value.block;
    // The type word, then the FILEOBJECT in canonical form: byte-packed on every platform.
    constexpr DWORD header = sizeof(WORD) + ods::kFileObjectLength;
    if (length >= header) {
        const FILEOBJECT object = ods::ReadFileObject(data + sizeof(WORD));
        if (length - header >= object.FileNameLength) {
            entry.damaged = false;
            entry.isFile = !IsSkippedHostType(object.HostType);
            entry.storedName.assign(data + header, object.FileNameLength);
        }
    }
    OSUnlockObject(value.pool);
}
}  // namespace

AttachmentSurvey SurveyAttachments(NOTEHANDLE note) {
    AttachmentSurvey survey;
    BLOCKID item{};
    BLOCKID value{};
    WORD type = 0;
    DWORD length = 0;
    STATUS status = NSFItemInfo(note, kFileItem, kFileItemLength, &item, &type, &value, &length);
    while (status == NOERROR) {
        AttachmentItem entry;
        entry.item = item;
        ReadFileValue(value, length, entry);
        if (entry.isFile) {
            ++survey.files;
            if (!entry.damaged) entry.name = FromNotesText(entry.storedName);
            // A name whose translation gave nothing cannot be written under its name.
            if (entry.name.empty() && !entry.storedName.empty()) entry.damaged = true;
        }
        survey.items.push_back(std::move(entry));
        status = NSFItemInfoNext(note, item, kFileItem, kFileItemLength, &item, &type, &value, &length);
    }
    survey.complete = ERR(status) == ERR_ITEM_NOT_FOUND;
    return survey;
}

}  // namespace stowline

// The attachment walk of NotesDocument over the note's $FILE items.
#include <algorithm>
#include <cstring>

#include "export/OutputNames.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"
#include "platform/WindowsPath.h"

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
        case HOST_BYTEARRAY_PAGE:
            return true;
        default:
            return false;
    }
}

// A stored name that would reach outside the target folder: a path, a drive, "." or "..".
// A name is never used as it stands when it would leave the folder (a separator, a drive or
// stream colon, only dots), or when it lost characters in the translation to native text ('?'
// stands for them): the file would be written where, or under a name, that the page's link and
// the deletion check cannot reach.
bool UnusableAsItStands(const std::string& name) {
    if (name.find_first_of("\\/:?") != std::string::npos) return true;
    if (platform::winpath::IsReservedDeviceName(name)) return true;  // the write would go to a device
    return !name.empty() && name.find_first_not_of('.') == std::string::npos;
}

struct FileValue {
    bool valid = false;
    WORD hostType = 0;
    std::string rawName;  // LMBCS
};

// Reads the host type and the name behind the FILEOBJECT of a $FILE value, checking that
// they lie inside the value.
FileValue ReadFileValue(BLOCKID value, DWORD length) {
    FileValue result;
    char* base = static_cast<char*>(OSLockObject(value.pool));
    if (base == nullptr) return result;
    const char* data = base + value.block;
    constexpr DWORD header = sizeof(WORD) + sizeof(FILEOBJECT);
    if (length >= header) {
        FILEOBJECT object;
        std::memcpy(&object, data + sizeof(WORD), sizeof object);
        if (length - header >= object.FileNameLength) {
            result.valid = true;
            result.hostType = object.HostType;
            result.rawName.assign(data + header, object.FileNameLength);
        }
    }
    OSUnlockObject(value.pool);
    return result;
}
}  // namespace

bool NotesDocument::ExtractNextAttachment(bool first, bool extract, const std::string& folder,
                                          std::string& name, std::string& writtenName,
                                          STATUS& stepStatus) {
    writtenName.clear();
    stepStatus = NOERROR;
    ENCRYPTION_KEY* key = isDecrypted ? &attachmentKey : nullptr;
    if (first) fileItem.pool = 0;

    BLOCKID item{};
    BLOCKID value{};
    WORD type = 0;
    DWORD length = 0;
    STATUS status = fileItem.pool == 0
                        ? NSFItemInfo(note, kFileItem, kFileItemLength, &item, &type, &value, &length)
                        : NSFItemInfoNext(note, fileItem, kFileItem, kFileItemLength, &item, &type,
                                          &value, &length);
    if (status != NOERROR) {
        stepStatus = status;
        return false;
    }
    fileItem = item;

    FileValue file = ReadFileValue(value, length);
    if (!file.valid) {  // a damaged value: reported like a failed extraction
        name.clear();
        stepStatus = ERR_DATATYPE;
        return true;
    }
    if (IsSkippedHostType(file.hostType)) {
        name.clear();
        stepStatus = AttachmentSkipped;
        return true;
    }
    std::string nativeName = FromNotesText(file.rawName);
    name = nativeName;
    if (!extract) return true;

    const std::string notesFolder = ToNotesText(folder);
    // The target name, native; a name left as stored is handed to Notes in its own bytes.
    const auto extractAs = [&](const std::string& nativeTarget) {
        std::string target = nativeTarget;
        if (keepExistingFiles) {
            const std::string free = FirstFreePath(folder + "\\" + nativeTarget);
            target = free.substr(std::min(free.size(), folder.size() + 1));
        }
        const std::string notesTarget = target == nativeName ? file.rawName : ToNotesText(target);
        const STATUS result = NSFNoteExtractFile(note, item, (notesFolder + "\\" + notesTarget).c_str(), key);
        if (result == NOERROR) writtenName = target;
        return result;
    };
    // The name is cleaned as native text: the group bytes of LMBCS are control bytes and
    // would be cleaned away.
    std::string cleaned = nativeName;
    MakeValidFileName(cleaned);
    status = extractAs(UnusableAsItStands(nativeName) ? cleaned : nativeName);
    if (status == NOERROR) return true;
    // Retry once under a name the file system accepts.
    status = extractAs(cleaned);
    if (status != NOERROR) stepStatus = status;
    return true;
}

bool NotesDocument::ExtractAttachments(const std::string& folder, DWORD& count,
                                       std::string& pathList, char separator) {
    attachmentNames.clear();
    attachmentPaths.clear();
    count = 0;
    pathList.clear();
    std::string name;
    std::string writtenName;
    STATUS stepStatus = NOERROR;
    for (bool first = true; ExtractNextAttachment(first, true, folder, name, writtenName, stepStatus);
         first = false) {
        ++count;
        if (stepStatus != NOERROR && stepStatus != AttachmentSkipped) {
            if (!messages.empty()) messages += '\n';
            messages += "Unable to extract file '" + name + "' to path '" + folder + "'" +
                        " for reason " + NotesErrorText(stepStatus);
        }
        if (!writtenName.empty()) {
            std::string path = folder + "\\" + writtenName;
            if (!pathList.empty()) pathList += separator;
            pathList += path;
            attachmentNames.push_back(name);
            attachmentPaths.push_back(std::move(path));
        }
    }
    return count > 0;
}

bool NotesDocument::HasFileAttachments() {
    std::string name;
    std::string writtenName;
    STATUS stepStatus = NOERROR;
    for (bool first = true; ExtractNextAttachment(first, false, "", name, writtenName, stepStatus);
         first = false) {
        if (stepStatus != AttachmentSkipped) return true;
    }
    return false;
}

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

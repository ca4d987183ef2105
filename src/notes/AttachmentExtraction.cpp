#include "notes/AttachmentExtraction.h"

#include <algorithm>
#include <optional>

#include "files/FileNames.h"
#include "notes/AttachmentSurvey.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"
#include "platform/WindowsPath.h"

namespace stowline {

namespace {
// A name is never used as it stands when it would leave the folder (a separator, a drive or
// stream colon, only dots), when it names a device, or when it lost characters in the
// translation to native text ('?' stands for them): the file would be written where, or under
// a name, that the page's link and the deletion check cannot reach.
bool UnusableAsItStands(const std::string& name) {
    if (name.find_first_of("\\/:?") != std::string::npos) return true;
    if (platform::winpath::IsReservedDeviceName(name)) return true;  // the write would go to a device
    return !name.empty() && name.find_first_not_of('.') == std::string::npos;
}

// Extracts one file; `writtenName` is the name written below `folder`. Returns why it failed,
// nothing on success.
std::optional<std::string> ExtractFile(NotesDocument& document, const AttachmentItem& file, const std::string& folder,
                                       std::string& writtenName) {
    ENCRYPTION_KEY* key = document.isDecrypted ? &document.attachmentKey : nullptr;
    const std::string notesFolder = ToNotesText(folder);
    // The target name, native; a name left as stored is handed to Notes in its own bytes.
    const auto extractAs = [&](const std::string& nativeTarget) -> std::optional<std::string> {
        std::string target = nativeTarget;
        if (document.keepExistingFiles) {
            const std::optional<std::string> free = FirstFreePath(folder + "\\" + nativeTarget);
            if (!free) return "the folder could not be searched for a free name";
            target = free->substr(std::min(free->size(), folder.size() + 1));
        }
        const std::string notesTarget = target == file.name ? file.storedName : ToNotesText(target);
        const STATUS result =
            NSFNoteExtractFile(document.note, file.item, (notesFolder + "\\" + notesTarget).c_str(), key);
        if (result != NOERROR) return NotesErrorText(result);
        writtenName = target;
        return std::nullopt;
    };
    // The name is cleaned as native text: the group bytes of LMBCS are control bytes and
    // would be cleaned away.
    std::string cleaned = file.name;
    MakeValidFileName(cleaned);
    if (!extractAs(UnusableAsItStands(file.name) ? cleaned : file.name)) return std::nullopt;
    // Retry once under a name the file system accepts.
    return extractAs(cleaned);
}
}  // namespace

ExtractedAttachments ExtractAttachments(NotesDocument& document, const AttachmentSurvey& survey,
                                        const std::string& folder) {
    ExtractedAttachments extracted;
    for (const AttachmentItem& file : survey.items) {
        if (!file.isFile) continue;
        std::string writtenName;
        const std::optional<std::string> failure =
            file.damaged ? NotesErrorText(ERR_DATATYPE) : ExtractFile(document, file, folder, writtenName);
        if (failure)
            extracted.failures.push_back("Unable to extract file '" + file.name + "' to path '" + folder + "'" +
                                         " for reason " + *failure);
        if (!writtenName.empty()) extracted.written.push_back({file.name, folder + "\\" + writtenName});
    }
    return extracted;
}

}  // namespace stowline

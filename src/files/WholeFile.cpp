#include "files/WholeFile.h"

#include "files/FileNames.h"

namespace stowline {

WholeFile WriteWholeFile(const std::string& path, const std::string& temporary, const std::string& content,
                         const std::optional<platform::LocalTime>& date) {
    platform::TextFile file;
    std::string written = temporary;
    // Creating fails when the name is taken: the first free name is looked for only then.
    if (!file.Create(written)) {
        const std::optional<std::string> free = FirstFreePath(temporary);
        if (!free) return {WholeFileResult::NameUnknown};
        written = *free;
        if (!file.Create(written)) return {WholeFileResult::NotCreated};
    }
    const bool wrote = file.Write(content);
    if (wrote && date) file.SetModificationTime(*date);
    if (!file.Close() || !wrote || !platform::MoveFileOver(written, path)) {
        platform::RemoveFile(written);
        return {WholeFileResult::NotWritten};
    }
    return {WholeFileResult::Written, file.BytesOnDisk()};
}

}  // namespace stowline

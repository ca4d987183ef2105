// What the two archive commands share: the client's command block, the mailbox's system
// folders, the job's set-up from the settings, the error report and the client's refresh.
#pragma once

#include <cstdint>
#include <string>

#include <notesapi/notesapi.h>

namespace stowline {

class ArchiveSettings;
class ExcludedFolders;
class ExportJob;

// The fields of the client's command block (notesapi/menublocks.h) that the commands read.
struct CommandBlockFields {
    std::uintptr_t window = 0;  // the client's window, owner of the progress window
    DBHANDLE database = 0;
    NOTEID viewNoteId = 0;
    DHANDLE selectedNotes = 0;
};
CommandBlockFields ReadCommandBlock(const void* commandBlock);

// Question and message texts of the commands.
namespace texts {
inline constexpr const char* kViewWarning =
    "WARNING: Archiving documents from a view will also remove those documments from all of the "
    "folders they exist in.\n\nDo you wish to continue?";
inline constexpr const char* kViewWarningTitle = "WARNING";
inline constexpr const char* kArchiveErrorTitle = "Error";
inline constexpr const char* kDocumentsArchived = "Documents Archived. Hit F9 in Lotus Notes to refresh view display";
}  // namespace texts

// The client's main window class, and the virtual keys sent to it.
inline constexpr const char* kClientWindowClass = "NOTES";
enum : std::uint8_t { kKeyAlt = 0x12, kKeyEscape = 0x1B, kKeyD = 0x44, kKeyE = 0x45, kKeyF9 = 0x78 };

// The six system folders of a mailbox, internal and display name, in their fixed order.
void AddStandardExcludedFolders(ExcludedFolders& folders);

// Copies the base path, both formulas and the deletion flag from the settings, and arms the
// delete guard only when deletion is on.
void FillJobFromSettings(ExportJob& job, const ArchiveSettings& settings);

// "Archive Error: " and the reasons, under "Error" with the stop icon: the job's reason when the
// run failed, then why the archive's index could not be written. Nothing when there is neither.
void ReportRun(const ExportJob& job, bool succeeded);

// Asks an OK/Cancel question; true only for OK.
bool Confirm(const std::string& text, const std::string& title, unsigned flags);

// A key pressed (and, with `release`, released) as synthesised key events.
void PressKey(std::uint8_t key);
void ReleaseKey(std::uint8_t key);
void TapKey(std::uint8_t key);

// Brings the client's main window to the front. False when there is none.
bool ActivateClientWindow();

// The refresh after documents were deleted or archived: F9 (only with `f9`) then Alt E D,
// or the completion message when the client's window is missing.
void RefreshAfterArchiveSelected(bool f9);

}  // namespace stowline

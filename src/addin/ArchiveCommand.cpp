#include "addin/ArchiveCommand.h"

#include <notesapi/menublocks.h>

#include "addin/AddinStartup.h"
#include "export/ExportJob.h"
#include "platform/Platform.h"
#include "settings/ArchiveSettings.h"

namespace stowline {

CommandBlockFields ReadCommandBlock(const void* b) {
    CommandBlockFields fields;
    if (!b) return fields;
    fields.window = menublock::GetHandle(b, menublock::kCommandWindow);
    fields.database = menublock::GetU32(b, menublock::kCommandDatabase);
    fields.viewNoteId = menublock::GetU32(b, menublock::kCommandViewNoteId);
    fields.selectedNotes = menublock::GetU32(b, menublock::kCommandSelectedNotes);
    return fields;
}

void AddStandardExcludedFolders(ExcludedFolders& folders) {
    folders.Add("($Inbox)", "Inbox");
    folders.Add("($Sent)", "Sent");
    folders.Add("($Drafts)", "Drafts");
    folders.Add("($All)", "All Documents");
    folders.Add("($Trash)", "Trash");
    folders.Add("(Discussion Threads)", "Discussion Threads");
}

void FillJobFromSettings(ExportJob& job, const ArchiveSettings& settings) {
    job.BasePath = settings.BasePath;
    job.DetachMethodEvalString = settings.DetachMethodEvalString;
    job.TextFileNameEvalString = settings.TextFileNameEvalString;
    job.DelMsgAfterArc = settings.DelMsgAfterArc;
    job.WriteIndex = settings.WriteIndex;
    if (settings.DelMsgAfterArc) job.DeleteGuard = kDeleteGuardArmed;
}

void ReportRun(const ExportJob& job, bool succeeded) {
    if (succeeded && job.IndexErrorText.empty()) return;
    std::string reason = succeeded ? "" : job.ErrorText;
    if (!job.IndexErrorText.empty()) reason += (reason.empty() ? "" : "\n") + job.IndexErrorText;
    platform::ShowMessageBox("Archive Error: " + reason, texts::kArchiveErrorTitle,
                             platform::MB_ICONSTOP_ | platform::MB_OK_);
}

bool Confirm(const std::string& text, const std::string& title, unsigned flags) {
    return platform::ShowMessageBox(text, title, flags) == platform::IDOK_;
}

void PressKey(std::uint8_t key) { platform::SendKeyEvent(key, 0); }
void ReleaseKey(std::uint8_t key) { platform::SendKeyEvent(key, platform::KEYEVENTF_KEYUP_); }
void TapKey(std::uint8_t key) {
    PressKey(key);
    ReleaseKey(key);
}

bool ActivateClientWindow() {
    const std::uintptr_t window = platform::FindTopWindow(kClientWindowClass);
    if (!window) return false;
    platform::BringToForeground(window);
    return true;
}

void RefreshAfterArchiveSelected(bool f9) {
    if (!ActivateClientWindow()) {
        platform::ShowMessageBox(texts::kDocumentsArchived, kAppName, platform::MB_OK_);
        return;
    }
    if (f9) TapKey(kKeyF9);
    // Alt, E, D: an item of the client's Edit menu, always sent after this command.
    PressKey(kKeyAlt);
    TapKey(kKeyE);
    TapKey(kKeyD);
    ReleaseKey(kKeyAlt);
}

}  // namespace stowline

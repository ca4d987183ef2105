#include "addin/ArchiveSelected.h"

#include "addin/AddinStartup.h"
#include "addin/ArchiveCommand.h"
#include "export/ExportJob.h"
#include "export/RunExport.h"
#include "notes/CommandAborted.h"
#include "notes/FieldReadError.h"
#include "notes/ViewCollection.h"
#include "platform/Platform.h"
#include "platform/RunProgress.h"
#include "settings/ArchiveSettings.h"

namespace stowline {

namespace {
constexpr const char* kConfirmText =
    "Please confirm you wish to archive and then remove selected messages from mailbox.";
constexpr const char* kConfirmTitle = "Confirm Archive and Remove Messages";
}  // namespace

void ArchiveSelected(const void* commandBlock) {
    const ArchiveSettings* settings = TheSettings();
    if (!settings) return;
    const CommandBlockFields client = ReadCommandBlock(commandBlock);

    if (settings->PromptDelMsg && settings->DelMsgAfterArc &&
        !Confirm(kConfirmText, kConfirmTitle, platform::MB_ICONQUESTION_ | platform::MB_OKCANCEL_))
        return;

    ExportJob job;
    AddStandardExcludedFolders(job.ExcludedFolders);
    ViewCollection view(client.database, client.viewNoteId);

    try {
        if (settings->DelMsgAfterArc && !view.IsFolder() &&
            !Confirm(texts::kViewWarning, texts::kViewWarningTitle,
                     platform::MB_ICONEXCLAMATION_ | platform::MB_OKCANCEL_))
            return;
        job.ViewName = view.GetTitle();
    } catch (const CommandAborted& e) {
        platform::ShowMessageBox(e.what(), kAppName, platform::MB_OK_);  // the view note would not open
        return;
    } catch (const FieldReadError& e) {
        platform::ShowMessageBox(e.what(), kAppName, platform::MB_OK_);
        RefreshAfterArchiveSelected(settings->DelMsgAfterArc);
        return;
    }

    job.SourceMode = kSourceSelection;
    job.SelectedNotes = client.selectedNotes;
    job.DatabaseHandle = client.database;
    FillJobFromSettings(job, *settings);

    bool archived = false;
    {
        // The progress window goes before any box is shown.
        const auto progress = platform::OpenRunProgress(client.window);
        job.Progress = progress.get();
        archived = RunExport(job);
        job.Progress = nullptr;
    }
    ReportRun(job, archived);
    RefreshAfterArchiveSelected(settings->DelMsgAfterArc);
}

}  // namespace stowline

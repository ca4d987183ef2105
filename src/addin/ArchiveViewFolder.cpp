#include "addin/ArchiveViewFolder.h"

#include <string>
#include <vector>

#include "addin/AddinStartup.h"
#include "addin/ArchiveCommand.h"
#include "export/ExportJob.h"
#include "export/RunExport.h"
#include "notes/BorrowedDatabase.h"
#include "notes/CommandAborted.h"
#include "notes/NotesDatabase.h"
#include "notes/ViewCollection.h"
#include "platform/Platform.h"
#include "settings/ArchiveSettings.h"

namespace stowline {

namespace {

constexpr const char* kConfirmText =
    "Please confirm you wish to archive this folder and remove it from the mailbox.";
constexpr const char* kConfirmTitle = "Confirm Archive and Remove Folder";
constexpr const char* kNotFoundText =
    "View/Folders not found. Possibly could be a private view/folder. Try archiving selected documents.";
constexpr const char* kFoldersArchivedText =
    "View Folders Archived. Please close database and open in Lotus Notes to refresh display";

void ShowAppMessage(const std::string& text) { platform::ShowMessageBox(text, kAppName, platform::MB_OK_); }

// Removes the view or folder the client shows, unless it is a system folder or its archive is
// not complete: a folder whose documents did not all reach the disk stays, so nothing that
// was filed in it is lost from sight.
void RemoveArchivedFolder(const std::string& title, const ExportJob& job, DBHANDLE database,
                          bool everythingArchived) {
    const std::string displayName = job.ExcludedFolders.DisplayNameFor(title);
    if (displayName != title) {
        ShowAppMessage("You can not delete the " + displayName + " view/folder.");
    } else if (!everythingArchived) {
        ShowAppMessage("The view/folder was not removed, because not all of its documents could be archived.");
    } else {
        ViewCollection target;
        if (target.FindView(database, title)) target.DeleteFolder();  // a failure is not shown
    }
    if (ActivateClientWindow()) {
        TapKey(kKeyEscape);
    } else {
        ShowAppMessage(kFoldersArchivedText);
    }
}

}  // namespace

void ArchiveViewFolder(const void* commandBlock) {
    const ArchiveSettings* settings = TheSettings();
    if (!settings) return;
    const CommandBlockFields client = ReadCommandBlock(commandBlock);

    ExportJob job;
    AddStandardExcludedFolders(job.ExcludedFolders);
    ViewCollection view(client.database, client.viewNoteId);
    const std::string title = view.GetTitle();

    // At most one question: the view warning, or else the folder question.
    try {
        if (settings->DelMsgAfterArc && !view.IsFolder()) {
            if (!Confirm(texts::kViewWarning, texts::kViewWarningTitle,
                         platform::MB_ICONEXCLAMATION_ | platform::MB_OKCANCEL_))
                return;
        } else if (settings->PromptDelViewFolders && settings->DelViewFoldersAfterArc) {
            if (!Confirm(kConfirmText, kConfirmTitle, platform::MB_ICONQUESTION_ | platform::MB_OKCANCEL_))
                return;
        }
    } catch (const CommandAborted&) {
        return;  // the view note could not be opened; its message has been shown
    }

    job.SourceMode = kSourceView;
    job.DatabaseHandle = client.database;
    FillJobFromSettings(job, *settings);

    std::vector<std::string> names;
    bool everyRunSucceeded = true;
    {
        NotesDatabase database;
        BorrowedDatabase borrowed(database, client.database);
        database.GetViewNames(names, title, false);
        if (names.empty()) ShowAppMessage(kNotFoundText);
        for (const auto& name : names) {
            job.ViewName = name;
            if (!RunExport(job)) {
                everyRunSucceeded = false;
                ReportRunFailure(job);
            }
        }
    }

    if (settings->DelViewFoldersAfterArc) {
        RemoveArchivedFolder(title, job, client.database,
                             everyRunSucceeded && !names.empty() && job.UnreadViews.empty());
    } else if (settings->DelMsgAfterArc) {
        if (ActivateClientWindow()) {
            TapKey(kKeyF9);
        } else {
            ShowAppMessage(texts::kDocumentsArchived);
        }
    }
}

}  // namespace stowline

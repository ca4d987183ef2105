#include "addin/ArchiveViewFolder.h"

#include <algorithm>
#include <string>
#include <vector>

#include "addin/AddinStartup.h"
#include "addin/ArchiveCommand.h"
#include "export/ExportJob.h"
#include "export/RunExport.h"
#include "notes/BorrowedDatabase.h"
#include "notes/CommandAborted.h"
#include "notes/FieldReadError.h"
#include "notes/NotesDatabase.h"
#include "notes/ViewCollection.h"
#include "platform/Platform.h"
#include "platform/RunProgress.h"
#include "settings/ArchiveSettings.h"

namespace stowline {

namespace {

constexpr const char* kConfirmText = "Please confirm you wish to archive this folder and remove it from the mailbox.";
constexpr const char* kConfirmTitle = "Confirm Archive and Remove Folder";
constexpr const char* kNotFoundText =
    "View/Folders not found. Possibly could be a private view/folder. Try archiving selected documents.";
constexpr const char* kFoldersArchivedText =
    "View Folders Archived. Please close database and open in Lotus Notes to refresh display";
constexpr const char* kNoTitleText = "The view/folder has no title; nothing was archived.";
constexpr const char* kCatalogUnreadText =
    "The views and folders of the database could not be read; nothing was archived.";

void ShowAppMessage(const std::string& text) { platform::ShowMessageBox(text, kAppName, platform::MB_OK_); }

// The view or folder itself and its subfolders, whose names continue its title with a
// backslash; not the other names the catalog gives for the same beginning ("Work.old" for
// "Work").
bool IsViewOrSubfolder(const std::string& name, const std::string& title) {
    return name == title || (name.size() > title.size() && name[title.size()] == '\\');
}

// The client's refresh after the command, as the settings ask for it.
void RefreshClient(const ArchiveSettings& settings) {
    if (settings.DelViewFoldersAfterArc) {
        if (ActivateClientWindow()) {
            TapKey(kKeyEscape);
        } else {
            ShowAppMessage(kFoldersArchivedText);
        }
    } else if (settings.DelMsgAfterArc) {
        if (ActivateClientWindow()) {
            TapKey(kKeyF9);
        } else {
            ShowAppMessage(texts::kDocumentsArchived);
        }
    }
}

// Removes the view or folder the client shows, unless it is a system folder or its archive is
// not complete: a folder whose documents did not all reach the disk stays, so nothing that
// was filed in it is lost from sight.
void RemoveArchivedFolder(const std::string& title, const ExportJob& job, DBHANDLE database, bool everythingArchived) {
    const std::string displayName = job.ExcludedFolders.DisplayNameFor(title);
    if (displayName != title) {
        ShowAppMessage("You can not delete the " + displayName + " view/folder.");
    } else if (!everythingArchived) {
        ShowAppMessage("The view/folder was not removed, because not all of its documents could be archived.");
    } else {
        ViewCollection target;
        if (target.FindView(database, title)) target.DeleteFolder();  // a failure is not shown
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
    std::string title;

    // At most one question: the view warning, or else the folder question.
    try {
        title = view.GetTitle();
        if (settings->DelMsgAfterArc && !view.IsFolder()) {
            if (!Confirm(texts::kViewWarning, texts::kViewWarningTitle,
                         platform::MB_ICONEXCLAMATION_ | platform::MB_OKCANCEL_))
                return;
        } else if (settings->PromptDelViewFolders && settings->DelViewFoldersAfterArc) {
            if (!Confirm(kConfirmText, kConfirmTitle, platform::MB_ICONQUESTION_ | platform::MB_OKCANCEL_)) return;
        }
    } catch (const CommandAborted& e) {
        ShowAppMessage(e.what());  // the view note would not open
        return;
    } catch (const FieldReadError& e) {
        ShowAppMessage(e.what());
        RefreshClient(*settings);  // nothing was archived
        return;
    }
    // Every name would begin with an empty title: the command would archive the whole database.
    if (title.empty()) {
        ShowAppMessage(kNoTitleText);
        return;
    }

    job.SourceMode = kSourceView;
    job.DatabaseHandle = client.database;
    FillJobFromSettings(job, *settings);

    std::vector<std::string> names;
    bool everyRunSucceeded = true;
    {
        NotesDatabase database;
        BorrowedDatabase borrowed(database, client.database);
        if (!database.GetViewNames(names, title, false)) {
            // A subfolder missing from the list would go unarchived, and the folder be removed.
            ShowAppMessage(kCatalogUnreadText);
            return;
        }
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&title](const std::string& name) { return !IsViewOrSubfolder(name, title); }),
                    names.end());
        if (names.empty()) ShowAppMessage(kNotFoundText);
        const auto progress = platform::OpenRunProgress(client.window);
        job.Progress = progress.get();
        for (std::size_t i = 0; i < names.size(); ++i) {
            job.ViewName = names[i];
            const bool succeeded = RunExport(job);
            if (!succeeded) everyRunSucceeded = false;
            if (!succeeded && job.Cancelled) {
                // The views after a cancel get no run: their documents are only counted.
                CountViewsLeft(job, {names.begin() + static_cast<std::ptrdiff_t>(i) + 1, names.end()});
                break;
            }
            ReportRun(job, succeeded);
        }
        job.Progress = nullptr;
    }
    // Reported once the progress window is gone.
    if (job.Cancelled) ReportRun(job, false);

    if (settings->DelViewFoldersAfterArc)
        RemoveArchivedFolder(title, job, client.database,
                             everyRunSucceeded && !names.empty() && job.UnreadViews.empty());
    RefreshClient(*settings);
}

}  // namespace stowline

// What one archive run is asked to do. The commands fill the public fields, the run reads
// them and leaves the reason of a failure in ErrorText. The database handle and the ID table
// are the client's: borrowed for the command, never closed or freed here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <notesapi/notesapi.h>

#include "export/ExcludedFolders.h"
#include "notes/NotesDatabase.h"
#include "platform/RunProgress.h"

namespace stowline {

// The value DeleteGuard must hold, besides DelMsgAfterArc, before a run deletes anything.
inline constexpr std::uint32_t kDeleteGuardArmed = 0x76494137;

enum : std::uint32_t {
    kSourceView = 0,       // the documents of the view or folder ViewName, in view order
    kSourceSelection = 1,  // the documents of SelectedNotes
};

class ExportJob {
public:
    ExportJob() = default;
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    // Whether both deletion settings allow the run to delete archived documents.
    bool DeletionArmed() const { return DelMsgAfterArc && DeleteGuard == kDeleteGuardArmed; }

    std::uint32_t SourceMode = kSourceView;
    DHANDLE SelectedNotes = 0;  // read only in selection mode
    DBHANDLE DatabaseHandle = 0;
    std::string ViewName;
    std::string BasePath;
    std::string AttachmentsFolderName = "_Attachments~";
    std::string DetachMethodEvalString;
    std::string TextFileNameEvalString;
    std::string ErrorText;
    // Views and folders of this job's runs that could not be opened or read to their end, so
    // that not all of their documents were archived. Kept across the runs of one command.
    std::vector<std::string> UnreadViews;
    NotesDatabase Database;  // attached to DatabaseHandle only while a run uses it
    bool DelMsgAfterArc = false;
    std::uint32_t DeleteGuard = 0;
    // Keep an index of every folder a run writes to, and one of the base path. A failure to
    // write it goes to IndexErrorText, never into the run's result or ErrorText.
    bool WriteIndex = false;
    std::string IndexErrorText;
    stowline::ExcludedFolders ExcludedFolders;
    // Shown the run's progress and asked between two documents whether the user stopped it;
    // none: the run goes to its end. Borrowed from the command.
    platform::RunProgress* Progress = nullptr;
    // Set by the run the user stopped; its documents not reached, and those of the command's
    // views left after it, are counted in NotArchived.
    bool Cancelled = false;
    DWORD NotArchived = 0;
};

}  // namespace stowline

// The export run: archives the documents of one view, folder or selection to the file
// system, and deletes them afterwards when the job arms deletion.
#pragma once

#include <string>
#include <vector>

#include <notesapi/notesapi.h>

namespace stowline {

class ExportJob;

// True when every document was reached, archived and (when armed) deleted. False with the
// reason in job.ErrorText when the run had to stop, when documents could not be opened, or
// when archived documents were kept because not all of their files reached the disk. No
// exception leaves the run; the client's database handle and ID table are never released.
//
// With a progress in the job, the user may stop the run between two documents: the documents
// before are finished (and deleted where armed), nothing after is touched, the job is marked
// Cancelled and the reason counts the documents not archived.
bool RunExport(ExportJob& job);

// "Archiving was cancelled; N document(s) were not archived."
std::string CancelReason(DWORD notArchived);

// After a cancelled run of a command that archives several views: adds the documents of the
// views it leaves without a run (`names`, only read) to the job's NotArchived and restates
// the reason with the new count.
void CountViewsLeft(ExportJob& job, const std::vector<std::string>& names);

}  // namespace stowline

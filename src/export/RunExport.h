// The export run: archives the documents of one view, folder or selection to the file
// system, and deletes them afterwards when the job arms deletion.
#pragma once

namespace stowline {

class ExportJob;

// True when every document was reached, archived and (when armed) deleted. False with the
// reason in job.ErrorText when the run had to stop, when documents could not be opened, or
// when archived documents were kept because not all of their files reached the disk. No
// exception leaves the run; the client's database handle and ID table are never released.
bool RunExport(ExportJob& job);

}  // namespace stowline

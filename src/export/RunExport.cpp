#include "export/RunExport.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "index/ArchiveIndex.h"
#include "export/ExportJob.h"
#include "export/OutputFolders.h"
#include "files/ExistenceChecks.h"
#include "files/FileNames.h"
#include "files/FolderPath.h"
#include "files/WholeFile.h"
#include "notes/AttachmentExtraction.h"
#include "notes/AttachmentSurvey.h"
#include "notes/BorrowedDatabase.h"
#include "notes/FieldReadError.h"
#include "notes/NoteIdTable.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"
#include "notes/ViewCollection.h"
#include "platform/Platform.h"
#include "render/DocumentRecord.h"
#include "render/FileNameFormula.h"
#include "render/HtmlPage.h"
#include "platform/Text.h"

namespace stowline {

namespace text = platform::text;
using text::Quoted;

namespace {

// A stop of the run: the reason goes to ErrorText.
struct Stop {
    std::string reason;
};

// The user stopped the run between two documents.
struct Cancel {};

// What one archived document left on disk, for the decision to delete it.
struct ArchivedDocument {
    NOTEID noteId = 0;
    std::string htmlPath;  // the path actually written
    std::uint64_t htmlBytes = 0;
    bool attachmentsComplete = true;
    // Sealed, and the user's ID could not decrypt it: its page lacks what only the key shows.
    bool undecrypted = false;
    std::vector<std::string> attachmentPaths;
    std::vector<std::string> unwritten;  // why files are missing, each naming its path

    // Complete and still there: the page at its full length and every attachment file.
    bool VerifiablyOnDisk() const {
        if (!attachmentsComplete) return false;
        if (!FileExists(htmlPath)) return false;
        const std::optional<std::uint64_t> size = platform::FileSize(htmlPath);
        if (!size || *size != htmlBytes) return false;
        for (const auto& path : attachmentPaths) {
            if (!FileExists(path)) return false;
        }
        return true;
    }
};

// Evaluates a naming formula into one file or folder name, cleaned as attachment names are. A
// name that is empty once cleaned stops the run with the formula's error, or, where the
// formula was valid and simply gave no name, with a reason the user can act on.
std::string EvaluateName(const NotesDocument& document, const DocumentRecord& record, const std::string& formula,
                         const char* what) {
    const FormulaValue name = EvaluateString(document, record, formula);
    std::string result = GuardSpecialName(ReplaceInvalidChars(name.value, kInvalidFileNameChars));
    if (!result.empty()) return result;
    std::string reason = name.error;
    if (reason.empty()) {
        reason = formula.empty() ? std::string("No ") + what +
                                       " formula is set; saving the Options once stores the standard formula."
                                 : std::string("The ") + what + " formula " + Quoted(formula) +
                                       " gives no name for the document " + record.unid + ".";
    }
    throw Stop{reason};
}

class Run {
public:
    Run(ExportJob& job, ArchiveIndex* index) : job_(job), armed_(job.DeletionArmed()), index_(index) {}

    // Walks the job's view or selection; throws Stop.
    void Execute() { ExportView(job_.ViewName); }

    DWORD unopened = 0;                    // documents passed over because they could not be opened
    DWORD unread = 0;                      // documents passed over because a field could not be read
    std::string unreadError;               // what could not be read in the first of them
    DWORD notDeleted = 0;                  // archived, but kept because their files are not all on disk
    DWORD notDecrypted = 0;                // archived, but kept because the user's ID could not decrypt them
    DWORD deleteFailed = 0;                // archived, but Notes did not delete them
    std::string deleteError;               // why the first of those was not deleted
    std::vector<std::string> unwritten;    // of the documents kept for their files: what was not written
    std::vector<std::string> unreadViews;  // walks ended by a failing read
    bool selectionCut = false;             // the selection's scan ended before its last entry

private:
    void ExportView(const std::string& name) {
        const std::string viewFolder = GetViewFolder(job_, name);

        ViewCollection view;
        std::optional<NoteIdTable> selection;
        DocumentWalk* walk = &view;
        if (job_.SourceMode == kSourceSelection) {
            walk = &selection.emplace(job_.DatabaseHandle, job_.SelectedNotes);
        } else {
            if (!job_.Database.OpenView(name, view)) {
                // Not reported, as a view the user cannot open is no error of the run; the
                // command must still not take the view for archived.
                job_.UnreadViews.push_back(name);
                return;
            }
        }

        NotesDocument document;
        // With deletion armed an earlier archive must survive: its mail may be gone already.
        document.keepExistingFiles = armed_;
        // Counted even when a stop leaves the walk early.
        struct CountOnExit {
            DocumentWalk& walk;
            DWORD& total;
            ~CountOnExit() { total += walk.Unopened(); }
        } countOnExit{*walk, unopened};

        platform::RunProgress* progress = job_.Progress;
        if (progress) {
            DWORD total = walk->CountNotes();
            // A read that fails here leaves the total unknown; the walk meets the failure itself.
            if (!selection && !view.ReadResult()) total = 0;
            progress->Begin(job_.ExcludedFolders.DisplayNameFor(name), total);
        }
        std::uint32_t done = 0;
        for (bool open = walk->FirstDocument(document); open;) {
            // Read once; a fatal read stops the run here.
            const DocumentRecord record = ReadDocumentRecord(document);
            // Between two documents: the one before is finished, deleted where armed, and this
            // one is open and read but nothing of it is written yet.
            if (progress && progress->Step(done, record.subject)) {
                document.Close();
                job_.NotArchived += 1 + walk->CountRest();
                throw Cancel{};
            }
            std::optional<ArchivedDocument> archived;
            try {
                // A field that is there but could not be read: a page without it would lack
                // what the mail holds, so nothing is written for the document and it is kept.
                if (!record.readFailure.empty()) throw FieldReadError(record.readFailure, false);
                archived = ArchiveDocument(document, record, viewFolder);
            } catch (const FieldReadError& e) {
                // The same for a field a naming formula reads. Files written for the document
                // so far stay; it is kept.
                if (e.fatal) throw;
                if (unread++ == 0) unreadError = e.what();
            }
            ++done;
            document.Close();
            open = walk->NextDocument(document);
            // The previous document goes only now that its successor is open.
            if (armed_ && archived) Delete(*archived);
        }
        // A read that failed ended the walk early: the rest of the view was not archived.
        if (!selection && !view.ReadResult()) {
            job_.UnreadViews.push_back(name);
            unreadViews.push_back(name);
        }
        if (selection && !selection->ScannedToEnd()) selectionCut = true;
    }

    ArchivedDocument ArchiveDocument(NotesDocument& document, const DocumentRecord& record,
                                     const std::string& viewFolder) {
        ArchivedDocument archived;
        archived.noteId = document.noteId;
        archived.undecrypted = record.undecrypted;

        const AttachmentSurvey& survey = record.attachments;
        // A deleting run must know that no attachment went unseen.
        archived.attachmentsComplete = survey.complete;
        std::vector<WrittenAttachment> attachments;
        if (survey.files > 0) {
            const std::string folderName =
                EvaluateName(document, record, job_.DetachMethodEvalString, "attachment folder");
            const std::string wanted = viewFolder + "\\" + job_.AttachmentsFolderName + "\\" + folderName;
            const std::optional<std::string> folder = CreateFolderPath(wanted);
            if (!folder) {
                // Archived without its attachments; such a document is never deleted.
                archived.attachmentsComplete = false;
                archived.unwritten.push_back("The folder " + Quoted(wanted) + " could not be created.");
            } else {
                ExtractedAttachments extracted = ExtractAttachments(document, survey, *folder);
                attachments = std::move(extracted.written);
                if (attachments.size() != survey.files) {
                    archived.attachmentsComplete = false;
                    // A line for each file not written, with the folder it was to go to.
                    std::string lines;
                    for (const auto& failure : extracted.failures) lines += (lines.empty() ? "" : "\n") + failure;
                    archived.unwritten.push_back(lines);
                }
                for (const auto& file : attachments) archived.attachmentPaths.push_back(file.path);
            }
        }

        const std::string fileName = EvaluateName(document, record, job_.TextFileNameEvalString, "file name");
        std::string path = viewFolder + "\\" + fileName + ".htm";
        // With deletion armed an earlier archive must survive: its mail may be gone already.
        if (armed_) path = FreePath(path);

        archived.htmlBytes = WritePage(path, GetHtmlPage(record, viewFolder, attachments), record.Date());
        archived.htmlPath = path;
        if (index_) index_->Add(viewFolder, path, record, attachments.size());
        return archived;
    }

    // Writes the page whole or not at all (files/WholeFile.h), through a temporary file of the
    // same length as the page's name, so that a page that fits the path limit never fails for
    // it; pages end in ".htm", so no page takes that name. Returns the bytes on disk; throws Stop.
    static std::uint64_t WritePage(const std::string& path, const std::string& content,
                                   const std::optional<platform::LocalTime>& date) {
        const std::string temporary = path.substr(0, path.size() - 3) + "~tm";
        const WholeFile page = WriteWholeFile(path, temporary, content, date);
        switch (page.result) {
            case WholeFileResult::Written: return page.bytes;
            case WholeFileResult::NameUnknown:
                throw Stop{"Unable to find out whether the output file " + Quoted(temporary) + " exists"};
            case WholeFileResult::NotCreated: throw Stop{"Unable to create or open output file " + Quoted(path)};
            case WholeFileResult::NotWritten: break;
        }
        throw Stop{"Unable to write output file " + Quoted(path)};
    }

    // The first free name for `path`; throws Stop when the folder cannot be searched, as a name
    // that only seems free may be another document's page.
    static std::string FreePath(const std::string& path) {
        std::optional<std::string> free = FirstFreePath(path);
        if (!free) throw Stop{"Unable to find out whether the output file " + Quoted(path) + " exists"};
        return *free;
    }

    void Delete(const ArchivedDocument& archived) {
        if (archived.undecrypted) {
            ++notDecrypted;
            return;
        }
        if (!archived.VerifiablyOnDisk()) {
            ++notDeleted;
            unwritten.insert(unwritten.end(), archived.unwritten.begin(), archived.unwritten.end());
            return;
        }
        const STATUS status = NSFNoteDelete(job_.DatabaseHandle, archived.noteId, 0);
        if (status == NOERROR || ERR(status) == ERR_NOTE_DELETED) return;
        if (deleteFailed++ > 0) return;
        deleteError = NotesErrorText(status);
        if (deleteError.empty()) deleteError = "Notes error " + std::to_string(ERR(status));
    }

    ExportJob& job_;
    const bool armed_;
    ArchiveIndex* const index_;  // null unless the job keeps an index
};

}  // namespace

std::string CancelReason(DWORD notArchived) {
    return "Archiving was cancelled; " + std::to_string(notArchived) + " document(s) were not archived.";
}

void CountViewsLeft(ExportJob& job, const std::vector<std::string>& names) {
    {
        BorrowedDatabase borrowed(job.Database, job.DatabaseHandle);
        for (const auto& name : names) {
            ViewCollection view;
            if (!job.Database.OpenView(name, view)) continue;
            job.NotArchived += view.CountNotes();
        }
    }
    // The cancel is always the reason's first line.
    const std::size_t lineEnd = job.ErrorText.find('\n');
    job.ErrorText =
        CancelReason(job.NotArchived) + (lineEnd == std::string::npos ? std::string() : job.ErrorText.substr(lineEnd));
}

namespace {
bool ExportDocuments(ExportJob& job, ArchiveIndex* index);
}  // namespace

bool RunExport(ExportJob& job) {
    job.IndexErrorText.clear();
    if (!job.WriteIndex) return ExportDocuments(job, nullptr);
    // The index is written after every document is finished, deleted ones included, so that it
    // cannot change what the run archives or deletes; its failure is reported on its own.
    ArchiveIndex index;
    const bool exported = ExportDocuments(job, &index);
    try {
        job.IndexErrorText = index.Write(job.BasePath);
    } catch (...) {
        job.IndexErrorText = "The archive's index was not written: there was not enough memory.";
    }
    return exported;
}

namespace {
bool ExportDocuments(ExportJob& job, ArchiveIndex* index) {
    // The job's wrapper holds the client's database only for the run.
    std::optional<BorrowedDatabase> borrowed;
    if (job.SourceMode != kSourceSelection) borrowed.emplace(job.Database, job.DatabaseHandle);

    Run run(job, index);
    std::optional<std::string> stop;
    bool cancelled = false;
    try {
        run.Execute();
    } catch (const Cancel&) {
        cancelled = true;
    } catch (const Stop& s) {
        stop = s.reason;
    } catch (const FieldReadError& e) {
        stop = e.what();
    } catch (const std::exception& e) {
        stop = std::string("Unexpected error while archiving: ") + e.what();
    } catch (...) {
        stop = "Unexpected error while archiving.";
    }

    if (!stop && !cancelled && run.unopened == 0 && run.unread == 0 && run.notDeleted == 0 && run.notDecrypted == 0 &&
        run.deleteFailed == 0 && run.unreadViews.empty() && !run.selectionCut)
        return true;
    if (cancelled) job.Cancelled = true;
    std::string reason = cancelled ? CancelReason(job.NotArchived) : stop.value_or("");
    const auto addLine = [&reason](const std::string& line) {
        if (!reason.empty()) reason += '\n';
        reason += line;
    };
    for (const auto& name : run.unreadViews)
        addLine("The view/folder " + Quoted(name) +
                " could not be read to its end; not all of its documents were archived.");
    if (run.selectionCut)
        addLine("The selection could not be read to its end; not all of its documents were archived.");
    if (run.unopened > 0)
        addLine(std::to_string(run.unopened) + " document(s) could not be opened and were not archived.");
    if (run.unread > 0)
        addLine(std::to_string(run.unread) + " document(s) could not be read in full and were not archived (" +
                run.unreadError + ")");
    if (run.notDeleted > 0) {
        addLine(std::to_string(run.notDeleted) +
                " document(s) were archived but not deleted, because not all of their files "
                "could be written.");
        // The first few of them by path, so that the user can see what the file system refused.
        constexpr std::size_t kShown = 10;
        for (std::size_t i = 0; i < run.unwritten.size() && i < kShown; ++i) addLine(run.unwritten[i]);
        if (run.unwritten.size() > kShown)
            addLine("(" + std::to_string(run.unwritten.size() - kShown) + " more not listed.)");
    }
    if (run.notDecrypted > 0)
        addLine(std::to_string(run.notDecrypted) +
                " document(s) were archived but not deleted, because they could not be decrypted "
                "with the current ID.");
    if (run.deleteFailed > 0)
        addLine(std::to_string(run.deleteFailed) + " document(s) were archived but could not be deleted (" +
                run.deleteError + ").");
    job.ErrorText = reason;
    return false;
}
}  // namespace

}  // namespace stowline

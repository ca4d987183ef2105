// One view or folder of a database: its title and kind from the design note, removal of a
// folder, and the walk over its documents in view order (category rows passed over).
#pragma once

#include <string>

#include <notesapi/notesapi.h>

#include "notes/DocumentWalk.h"
#include "notes/NotesResult.h"

namespace stowline {

// Its documents are walked with FirstDocument/NextDocument (DocumentWalk), in view order; a
// note that the run already deleted (listed again under another category) is passed over
// without being counted as unopened.
class ViewCollection final : public DocumentWalk {
public:
    // The commands pass the client's database and view note; the export run passes zeros
    // and then calls Open.
    ViewCollection(DBHANDLE database = 0, NOTEID viewNoteId = 0);
    ~ViewCollection();

    NotesResult FindView(DBHANDLE db, const std::string& name);  // by name or alias
    NotesResult Open(DBHANDLE db, const std::string& name);      // positioned before the first entry
    bool Close();                                                // false when nothing was open

    // $Title before its first "|"; "" without a database or view note. When the view note
    // cannot be opened, throws CommandAborted with the fatal message, as IsFolder does.
    std::string GetTitle();
    // Whether $Flags holds "F". When the view note cannot be opened, throws CommandAborted
    // (notes/CommandAborted.h) with the fatal message.
    bool IsFolder();
    NotesResult DeleteFolder();  // ERR_NOT_FOUND without a database or view note

    // How the last walk ended: NOERROR, or the status of the read of the view's entries that
    // ended it before the view's end (FirstNoteId starts afresh).
    NotesResult ReadResult() const { return {readStatus_}; }

    NOTEID FirstNoteId() override;  // 0 when there is none
    NOTEID NextNoteId() override;

    DBHANDLE database = 0;  // borrowed, never closed
    NOTEID viewNoteId = 0;
    HCOLLECTION collection = 0;
    COLLECTIONPOSITION position{};
    DHANDLE entryBuffer = 0;
    DWORD entryCount = 0;
    DWORD entryIndex = 0;
    WORD signalFlags = 0;
    const NOTEID* entries = nullptr;  // the locked entry buffer
    bool isOpen = false;

protected:
    DBHANDLE WalkDatabase() const override { return database; }

private:
    // The next batch into entryBuffer, locked. False with the read status set when the read
    // fails, when its entries cannot be locked, or when it brings none while signalling more.
    bool ReadEntries();
    void ReleaseEntries();

    STATUS readStatus_ = NOERROR;
};

}  // namespace stowline

// One view or folder of a database: its title and kind from the design note, removal of a
// folder, and the walk over its documents in view order (category rows passed over).
#pragma once

#include <string>

#include <notesapi/notesapi.h>

#include "notes/DocumentWalk.h"

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

    bool FindView(DBHANDLE db, const std::string& name);  // by name or alias
    bool Open(DBHANDLE db, const std::string& name);      // positioned before the first entry
    bool Close();                                          // false when nothing was open

    // $Title before its first "|"; "" without a database or view note. When the view note
    // cannot be opened, shows the fatal message and throws CommandAborted, as IsFolder does.
    std::string GetTitle();
    // Whether $Flags holds "F". When the view note cannot be opened, shows the fatal message
    // and throws CommandAborted (notes/CommandAborted.h).
    bool IsFolder();
    bool DeleteFolder();  // false with `lastError` set on failure

    NOTEID FirstNoteId() override;  // 0 when there is none
    NOTEID NextNoteId() override;

    std::string lastError;  // text of the last failed folder removal
    DBHANDLE database = 0;  // borrowed, never closed
    NOTEID viewNoteId = 0;
    HCOLLECTION collection = 0;
    COLLECTIONPOSITION position{};
    DHANDLE entryBuffer = 0;
    DWORD entryCount = 0;
    DWORD entryIndex = 0;
    WORD signalFlags = 0;
    const NOTEID* entries = nullptr;  // the locked entry buffer
    STATUS lastStatus = 0;
    bool isOpen = false;

protected:
    DBHANDLE WalkDatabase() const override { return database; }

private:
    // The next batch into entryBuffer, locked. False with `lastStatus` set when the read fails,
    // when its entries cannot be locked, or when it brings none while signalling more.
    bool ReadEntries();
    void ReleaseEntries();
};

}  // namespace stowline

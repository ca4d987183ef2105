#include "notes/ViewCollection.h"

#include "notes/CommandAborted.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"

namespace stowline {

namespace {
constexpr std::size_t kViewNameLimit = 130;
constexpr DWORD kAllEntries = 0xFFFFFFFF;

COLLECTIONPOSITION StartPosition() {
    COLLECTIONPOSITION start{};  // level 0, tumbler 0: the first read skips onto entry 1
    return start;
}
}  // namespace

ViewCollection::ViewCollection(DBHANDLE database, NOTEID viewNoteId)
    : DocumentWalk(false), database(database), viewNoteId(viewNoteId) {}

ViewCollection::~ViewCollection() { Close(); }

NotesResult ViewCollection::FindView(DBHANDLE db, const std::string& name) {
    database = 0;
    if (db == 0) return {ERR_NOT_FOUND};  // a detached database: nothing to ask Notes
    NOTEID found = 0;
    STATUS status = NIFFindDesignNote(db, ToNotesText(name, kViewNameLimit).c_str(), NOTE_CLASS_VIEW, &found);
    if (status != NOERROR) return {status};
    viewNoteId = found;
    database = db;
    return {};
}

NotesResult ViewCollection::Open(DBHANDLE db, const std::string& name) {
    database = 0;
    Close();
    if (const NotesResult found = FindView(db, name); !found) return found;
    database = 0;
    HCOLLECTION opened = 0;
    STATUS status = NIFOpenCollection(db, db, viewNoteId, 0, NULLHANDLE, &opened, nullptr, nullptr, nullptr, nullptr);
    if (status != NOERROR) return {status};
    collection = opened;
    position = StartPosition();
    signalFlags = 0;
    isOpen = true;
    database = db;
    return {};
}

bool ViewCollection::Close() {
    if (!isOpen) return false;
    if (collection != 0) NIFCloseCollection(collection);
    collection = 0;
    ReleaseEntries();
    isOpen = false;
    return true;
}

namespace {
[[noreturn]] void ViewNoteWillNotOpen() { throw CommandAborted("Fatal error opening view note."); }
}  // namespace

std::string ViewCollection::GetTitle() {
    if (database == 0 || viewNoteId == 0) return {};
    NotesDocument view;
    // Its pages would land in the base path itself, among the other views' folders.
    if (!view.Open(database, viewNoteId, true)) ViewNoteWillNotOpen();
    std::string title = view.GetFieldText("$Title", '|');
    view.Close();
    return title.substr(0, title.find('|'));
}

bool ViewCollection::IsFolder() {
    if (database != 0 && viewNoteId != 0) {
        NotesDocument view;
        if (view.Open(database, viewNoteId, true)) {
            std::string flags = view.GetFieldText("$Flags", ';');
            return flags.find('F') != std::string::npos;
        }
    }
    ViewNoteWillNotOpen();
}

NotesResult ViewCollection::DeleteFolder() {
    if (viewNoteId == 0 || database == 0) return {ERR_NOT_FOUND};
    Close();
    // The folder's database goes in the first argument; the second must be 0.
    return {FolderDelete(database, NULLHANDLE, viewNoteId, 0)};
}

bool ViewCollection::ReadEntries() {
    DHANDLE buffer = 0;
    DWORD count = 0;
    WORD flags = 0;
    STATUS status = NIFReadEntries(collection, &position, NAVIGATE_NEXT, 1, NAVIGATE_NEXT, kAllEntries,
                                   READ_MASK_NOTEID, &buffer, nullptr, nullptr, &count, &flags);
    if (status != NOERROR) {
        readStatus_ = status;
        signalFlags = 0;
        return false;
    }
    entryBuffer = buffer;
    signalFlags = flags;
    entryIndex = 0;
    entryCount = 0;
    if (entryBuffer != 0) {
        entries = static_cast<const NOTEID*>(OSLockObject(entryBuffer));
        if (entries == nullptr) {  // entries that cannot be reached were not read
            readStatus_ = ERR_NOACCESS;
            return false;
        }
        entryCount = count;
    }
    // A read that brings nothing while it says more follow would only be asked again for
    // ever: the rest of the view cannot be read.
    if (entryCount == 0 && (signalFlags & SIGNAL_MORE_TO_DO) != 0) {
        readStatus_ = ERR_NOACCESS;
        return false;
    }
    return true;
}

void ViewCollection::ReleaseEntries() {
    if (entryBuffer != 0) {
        if (entries != nullptr) OSUnlockObject(entryBuffer);
        OSMemFree(entryBuffer);
    }
    entryBuffer = 0;
    entries = nullptr;
    entryCount = 0;
    entryIndex = 0;
}

NOTEID ViewCollection::FirstNoteId() {
    ReleaseEntries();
    if (!isOpen) return 0;
    position = StartPosition();
    readStatus_ = NOERROR;
    if (!ReadEntries()) return 0;
    if (entryBuffer == 0) return 0;
    return NextNoteId();
}

NOTEID ViewCollection::NextNoteId() {
    if (!isOpen) return 0;
    for (;;) {
        while (entryIndex >= entryCount) {
            if ((signalFlags & SIGNAL_MORE_TO_DO) == 0) return 0;
            ReleaseEntries();
            // A failing read ends the walk, with ReadResult saying why.
            if (!ReadEntries()) return 0;
        }
        NOTEID id = entries[entryIndex++];
        if ((id & NOTEID_CATEGORY) == 0) return id;
    }
}

}  // namespace stowline

#include "notes/ViewCollection.h"

#include "notes/CommandAborted.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"
#include "platform/AppName.h"
#include "platform/Platform.h"

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

bool ViewCollection::FindView(DBHANDLE db, const std::string& name) {
    database = 0;
    if (db == 0) {  // a detached database: no view to find, and nothing to ask Notes
        lastStatus = ERR_NOT_FOUND;
        return false;
    }
    NOTEID found = 0;
    STATUS status = NIFFindDesignNote(db, ToNotesText(name, kViewNameLimit).c_str(), NOTE_CLASS_VIEW, &found);
    if (status != NOERROR) {
        lastStatus = status;
        return false;
    }
    viewNoteId = found;
    database = db;
    return true;
}

bool ViewCollection::Open(DBHANDLE db, const std::string& name) {
    database = 0;
    Close();
    if (!FindView(db, name)) return false;
    database = 0;
    HCOLLECTION opened = 0;
    STATUS status = NIFOpenCollection(db, db, viewNoteId, 0, NULLHANDLE, &opened, nullptr, nullptr,
                                      nullptr, nullptr);
    if (status != NOERROR) {
        lastStatus = status;
        return false;
    }
    collection = opened;
    position = StartPosition();
    signalFlags = 0;
    isOpen = true;
    database = db;
    return true;
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
[[noreturn]] void ViewNoteWillNotOpen() {
    const std::string text = "Fatal error opening view note.";
    platform::ShowMessageBox(text, kAppName, platform::MB_OK_);
    throw CommandAborted(text);
}
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

bool ViewCollection::DeleteFolder() {
    if (viewNoteId == 0 || database == 0) return false;
    Close();
    // The folder's database goes in the first argument; the second must be 0.
    STATUS status = FolderDelete(database, NULLHANDLE, viewNoteId, 0);
    if (status != NOERROR) {
        lastError = NotesErrorText(status);
        return false;
    }
    return true;
}

bool ViewCollection::ReadEntries() {
    DHANDLE buffer = 0;
    DWORD count = 0;
    WORD flags = 0;
    STATUS status = NIFReadEntries(collection, &position, NAVIGATE_NEXT, 1, NAVIGATE_NEXT, kAllEntries,
                                   READ_MASK_NOTEID, &buffer, nullptr, nullptr, &count, &flags);
    if (status != NOERROR) {
        lastStatus = status;
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
            lastStatus = ERR_NOACCESS;
            return false;
        }
        entryCount = count;
    }
    // A read that brings nothing while it says more follow would only be asked again for
    // ever: the rest of the view cannot be read.
    if (entryCount == 0 && (signalFlags & SIGNAL_MORE_TO_DO) != 0) {
        lastStatus = ERR_NOACCESS;
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
    if (!ReadEntries()) return 0;
    if (entryBuffer == 0) {
        lastStatus = NOERROR;
        return 0;
    }
    return NextNoteId();
}

NOTEID ViewCollection::NextNoteId() {
    if (!isOpen) return 0;
    for (;;) {
        while (entryIndex >= entryCount) {
            if ((signalFlags & SIGNAL_MORE_TO_DO) == 0) return 0;
            ReleaseEntries();
            // A failing read ends the walk, with `lastStatus` saying why.
            if (!ReadEntries()) return 0;
        }
        NOTEID id = entries[entryIndex++];
        if ((id & NOTEID_CATEGORY) == 0) return id;
    }
}

}  // namespace stowline

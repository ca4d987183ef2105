#include "notes/DesignCatalog.h"

#include <cstring>

#include "notes/NotesText.h"

namespace stowline {

namespace {
constexpr WORD kTitleBuffer = 0x82;

bool IsDeletionStub(NOTEID id, STATUS status) { return (id & RRV_DELETED) != 0 || ERR(status) == ERR_NOTE_DELETED; }

// Whether the item is there with a value beyond its type word, or cannot be looked up.
bool HoldsText(NOTEHANDLE note, const char* name) {
    BLOCKID item{}, value{};
    WORD type = 0;
    DWORD length = 0;
    const STATUS status = NSFItemInfo(note, name, static_cast<WORD>(std::strlen(name)), &item, &type, &value, &length);
    if (status != NOERROR) return ERR(status) != ERR_ITEM_NOT_FOUND;
    return length > sizeof(WORD);
}
}  // namespace

std::string DesignEntry::GetName() const { return title.substr(0, title.find('|')); }

NotesResult FetchDesign(DBHANDLE database, WORD noteClass, DesignList& list) {
    TIMEDATE since{};
    TimeConstant(TIMEDATE_WILDCARD, &since);  // lists every note, stubs included
    TIMEDATE until{};
    DHANDLE table = 0;
    STATUS status = NSFDbGetModifiedNoteTable(database, noteClass, since, &until, &table);
    if (status != NOERROR) return {status};
    const DWORD listed = IDEntries(table);
    DWORD scanned = 0;
    if (listed != 0) {
        DWORD id = 0;  // IDScan expects the last ID back: never changed here
        for (BOOL first = TRUE; IDScan(table, first, &id); first = FALSE) {
            ++scanned;
            NOTEHANDLE note = 0;
            status = NSFNoteOpen(database, id, OPEN_SUMMARY, &note);
            if (status != NOERROR) {
                // A deletion stub is left out; a note that exists but will not open is missed.
                if (!IsDeletionStub(id, status)) list.complete = false;
                continue;
            }
            char buffer[kTitleBuffer + 1] = {};
            WORD length = NSFItemGetText(note, "$TITLE", buffer, kTitleBuffer);
            if (length == 0 && HoldsText(note, "$TITLE")) list.complete = false;
            NSFNoteClose(note);
            if (length > kTitleBuffer) length = kTitleBuffer;
            std::string title = FromNotesText(buffer, length, kTitleBuffer);
            if (title.empty() && length > 0) list.complete = false;  // the translation failed
            list.entries.emplace_back(id, noteClass, std::move(title));
        }
    }
    // IDScan answers "no more" when it fails too.
    if (scanned < listed) list.complete = false;
    IDDestroyTable(table);  // an ID table goes back through the ID table functions
    return {};
}

}  // namespace stowline

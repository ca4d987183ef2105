#include "notes/DesignCatalog.h"

#include "notes/NotesText.h"

namespace stowline {

namespace {
constexpr WORD kTitleBuffer = 0x82;
}

std::string DesignEntry::GetName() const { return title.substr(0, title.find('|')); }

void FetchDesign(DBHANDLE database, WORD noteClass, DesignList& list) {
    TIMEDATE since{};
    TimeConstant(TIMEDATE_WILDCARD, &since);  // lists every note, stubs included
    TIMEDATE until{};
    DHANDLE table = 0;
    STATUS status = NSFDbGetModifiedNoteTable(database, noteClass, since, &until, &table);
    if (status != NOERROR) {
        list.lastStatus = status;
        return;
    }
    if (IDEntries(table) != 0) {
        DWORD id = 0;  // IDScan expects the last ID back: never changed here
        for (BOOL first = TRUE; IDScan(table, first, &id); first = FALSE) {
            NOTEHANDLE note = 0;
            // A deletion stub (or any note that will not open) is left out.
            if (NSFNoteOpen(database, id, OPEN_SUMMARY, &note) != NOERROR) continue;
            char buffer[kTitleBuffer + 1] = {};
            WORD length = NSFItemGetText(note, "$TITLE", buffer, kTitleBuffer);
            NSFNoteClose(note);
            if (length > kTitleBuffer) length = kTitleBuffer;
            list.entries.emplace_back(id, noteClass, FromNotesText(buffer, length, kTitleBuffer));
        }
    }
    OSMemFree(table);
}

}  // namespace stowline

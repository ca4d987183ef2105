// Views and folders: design-note lookup, collections read in batches, folder removal.
#include <algorithm>
#include <cstring>

#include "Calls.h"
#include "State.h"
#include "sim/Engine.h"
#include "sim/Status.h"

using namespace sim;
using namespace sim::detail;

namespace {

// The names a design note answers to: each $TITLE entry split at "|", blanks trimmed.
std::vector<std::string> DesignNames(const Note& note) {
    std::vector<std::string> names;
    const Item* title = note.Find("$TITLE");
    if (!title) return names;
    std::vector<std::string> entries;
    const Bytes& v = title->value;
    if (title->Type() == TYPE_TEXT) {
        entries.emplace_back(v.begin() + 2, v.end());
    } else if (title->Type() == TYPE_TEXT_LIST && v.size() >= 4) {
        const WORD count = ReadWord(v.data() + 2);
        size_t text = 4 + size_t(count) * 2;
        for (WORD i = 0; i < count && text <= v.size(); ++i) {
            const WORD n = ReadWord(v.data() + 4 + 2 * i);
            if (text + n > v.size()) break;
            entries.emplace_back(v.begin() + text, v.begin() + text + n);
            text += n;
        }
    }
    for (const std::string& entry : entries) {
        size_t start = 0;
        while (start <= entry.size()) {
            size_t bar = entry.find('|', start);
            if (bar == std::string::npos) bar = entry.size();
            std::string name = entry.substr(start, bar - start);
            while (!name.empty() && name.front() == ' ') name.erase(name.begin());
            while (!name.empty() && name.back() == ' ') name.pop_back();
            if (!name.empty()) names.push_back(name);
            start = bar + 1;
        }
    }
    return names;
}

bool IsFolderNote(const Note& note) {
    const Item* flags = note.Find("$Flags");
    if (!flags || flags->Type() != TYPE_TEXT) return false;
    return std::find(flags->value.begin() + 2, flags->value.end(), 'F') != flags->value.end();
}

}  // namespace

NOTESAPI_FN STATUS LNPUBLIC NIFFindDesignNote(DBHANDLE hFile, const char* Name, WORD Class, NOTEID* retNoteID) {
    SIM_ENTER_STATUS(NIFFindDesignNote);
    HandleEntry* e = Lookup(hFile, Kind::Database, "NIFFindDesignNote");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (!Name || !retNoteID) return ERR_SIM_BAD_ARGUMENT;
    for (const auto& [id, note] : e->db->notes) {
        if (note.deleted || !(note.noteClass & Class)) continue;
        for (const std::string& name : DesignNames(note)) {
            if (NamesEqual(name, Name)) {
                *retNoteID = id;
                return NOERROR;
            }
        }
    }
    return ERR_NOT_FOUND;
}

// The view note may be asked for (rethViewNote); it is then the caller's to close. The
// collapsed and selected lists belong to the collection.
NOTESAPI_FN STATUS LNPUBLIC NIFOpenCollection(DBHANDLE hViewDB, DBHANDLE hDataDB, NOTEID ViewNoteID, WORD OpenFlags,
                                              DHANDLE hUnreadList, HCOLLECTION* rethCollection,
                                              NOTEHANDLE* rethViewNote, UNID* retViewUNID, DHANDLE* rethCollapsedList,
                                              DHANDLE* rethSelectedList) {
    SIM_ENTER_STATUS(NIFOpenCollection);
    HandleEntry* viewDb = Lookup(hViewDB, Kind::Database, "NIFOpenCollection");
    HandleEntry* dataDb = Lookup(hDataDB, Kind::Database, "NIFOpenCollection");
    if (!viewDb || !dataDb) return ERR_SIM_INVALID_HANDLE;
    if (!rethCollection) return ERR_SIM_BAD_ARGUMENT;
    Note* view = viewDb->db->FindNote(ViewNoteID);
    if (!view) return ERR_INVALID_NOTE;
    if (view->deleted) return ERR_NOTE_DELETED;
    if (!(view->noteClass & NOTE_CLASS_VIEW)) return ERR_SIM_NOT_A_VIEW;
    auto& st = State();
    if (st.collections.size() >= 0xFFFE) return ERR_SIM_COLLECTION;
    while (st.nextCollection == 0 || st.collections.count(st.nextCollection)) ++st.nextCollection;
    const HCOLLECTION hc = st.nextCollection++;
    if (rethViewNote) {
        const STATUS s = NSFNoteOpen(hViewDB, ViewNoteID, 0, rethViewNote);
        if (s != NOERROR) return s;
    }
    OpenCollection c;
    c.db = dataDb->db;
    c.viewId = ViewNoteID;
    if (auto it = viewDb->db->collections.find(ViewNoteID); it != viewDb->db->collections.end()) c.entries = it->second;
    for (DHANDLE* out : {rethCollapsedList, rethSelectedList}) {
        if (!out) continue;
        const DHANDLE list = NewHandle(Kind::IdTable, "NIFOpenCollection");
        st.handles[list].ownerCollection = hc;
        c.lists.push_back(list);
        *out = list;
    }
    st.collections[hc] = std::move(c);
    if (retViewUNID) std::memcpy(retViewUNID, &view->oid, sizeof(UNID));
    std::memcpy(rethCollection, &hc, sizeof hc);  // a 16-bit handle: two bytes, no more
    return NOERROR;
}

// Level-0 positions only: Tumbler[0] is the 1-based index of the current entry (0 = before
// the first). Only READ_MASK_NOTEID is served.
NOTESAPI_FN STATUS LNPUBLIC NIFReadEntries(HCOLLECTION hCollection, COLLECTIONPOSITION* IndexPos, WORD SkipNavigator,
                                           DWORD SkipCount, WORD ReturnNavigator, DWORD ReturnCount, DWORD ReturnMask,
                                           DHANDLE* rethBuffer, WORD* retBufferLength, DWORD* retNumEntriesSkipped,
                                           DWORD* retNumEntriesReturned, WORD* retSignalFlags) {
    SIM_ENTER_STATUS(NIFReadEntries);
    auto& st = State();
    auto it = st.collections.find(hCollection);
    if (it == st.collections.end()) {
        Violation("NIFReadEntries: collection " + std::to_string(hCollection) + " is not open");
        return ERR_SIM_COLLECTION;
    }
    if (!IndexPos || (ReturnMask & ~DWORD(READ_MASK_NOTEID)) || IndexPos->Level != 0) return ERR_SIM_BAD_ARGUMENT;
    if (++st.entryReads == st.emptyReadWithMore) {
        if (rethBuffer) *rethBuffer = NULLHANDLE;
        if (retBufferLength) *retBufferLength = 0;
        if (retNumEntriesSkipped) *retNumEntriesSkipped = 0;
        if (retNumEntriesReturned) *retNumEntriesReturned = 0;
        if (retSignalFlags) *retSignalFlags = SIGNAL_MORE_TO_DO;
        return NOERROR;
    }
    const Collection& entries = it->second.entries;
    const DWORD total = static_cast<DWORD>(entries.size());
    const DWORD start = IndexPos->Tumbler[0];  // a copy: the packed field may be unaligned
    DWORD pos = std::min(start, total + 1);

    DWORD skipped = 0;
    if ((SkipNavigator & 0xFF) == NAVIGATE_NEXT) {
        skipped = std::min<DWORD>(SkipCount, total + 1 - pos);
        pos += skipped;
    }
    std::vector<NOTEID> out;
    if (pos >= 1 && pos <= total && ReturnCount > 0) {
        const DWORD room = std::min<DWORD>({ReturnCount, st.batchSize, 0xFFFF / 4});
        const bool forward = (ReturnNavigator & 0xFF) == NAVIGATE_NEXT;
        const DWORD n = forward ? std::min(room, total - pos + 1) : 1;
        for (DWORD k = 0; k < n; ++k) out.push_back(entries[pos - 1 + k]);
        pos += n - 1;  // the position is left on the last entry returned
    }
    IndexPos->Tumbler[0] = pos;
    if (it->second.db && it->second.db->source && !out.empty()) it->second.db->source->Expect(out);
    WORD signal = 0;
    if (!out.empty() && pos < total && out.size() < ReturnCount) signal |= SIGNAL_MORE_TO_DO;
    if (rethBuffer) {
        *rethBuffer = NULLHANDLE;
        if (total > 0) {  // an empty view gives no buffer at all; an exhausted one an empty buffer
            const DHANDLE h = NewHandle(Kind::Memory, "NIFReadEntries");
            Bytes& data = st.handles[h].data;
            for (NOTEID id : out) PutDword(data, id);
            *rethBuffer = h;
        }
    }
    if (retBufferLength) *retBufferLength = static_cast<WORD>(out.size() * 4);
    if (retNumEntriesSkipped) *retNumEntriesSkipped = skipped;
    if (retNumEntriesReturned) *retNumEntriesReturned = static_cast<DWORD>(out.size());
    if (retSignalFlags) *retSignalFlags = signal;
    return NOERROR;
}

NOTESAPI_FN STATUS LNPUBLIC NIFCloseCollection(HCOLLECTION hCollection) {
    SIM_ENTER_STATUS(NIFCloseCollection);
    auto& st = State();
    auto it = st.collections.find(hCollection);
    if (it == st.collections.end()) {
        Violation("NIFCloseCollection: collection " + std::to_string(hCollection) + " is not open");
        return ERR_SIM_COLLECTION;
    }
    for (DHANDLE list : it->second.lists) {
        if (HandleEntry* e = LookupAny(list); e && e->locks)
            Violation("NIFCloseCollection: ID table " + Hex(list) + " still locked");
        Release(list);
    }
    if (it->second.db && it->second.db->source) it->second.db->source->Expect({});
    st.collections.erase(it);
    return NOERROR;
}

// hFolderDB may be 0 or the data database itself.
NOTESAPI_FN STATUS LNPUBLIC FolderDelete(DBHANDLE hDataDB, DBHANDLE hFolderDB, NOTEID FolderNoteID, DWORD dwFlags) {
    SIM_ENTER_STATUS(FolderDelete);
    HandleEntry* e = Lookup(hDataDB, Kind::Database, "FolderDelete");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (hFolderDB != 0) {
        HandleEntry* f = Lookup(hFolderDB, Kind::Database, "FolderDelete");
        if (!f) return ERR_SIM_INVALID_HANDLE;
        if (f->db != e->db) return ERR_SIM_BAD_ARGUMENT;
    }
    if (e->db->readOnly) return ERR_NOACCESS;
    Note* folder = e->db->FindNote(FolderNoteID);
    if (!folder) return ERR_INVALID_NOTE;
    if (folder->deleted) return ERR_NOTE_DELETED;
    if (!(folder->noteClass & NOTE_CLASS_VIEW) || !IsFolderNote(*folder)) return ERR_SIM_NOT_A_VIEW;
    DeleteNote(*e->db, FolderNoteID);
    return NOERROR;
}

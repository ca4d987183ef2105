// Databases and notes: open, close, delete, information, sealing and signatures.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "Calls.h"
#include "State.h"
#include "sim/Engine.h"
#include "sim/Status.h"

using namespace sim;
using namespace sim::detail;

namespace sim::detail {

void FillItemPool(HandleEntry& pool, const Item& item) {
    Bytes& d = pool.data;
    d.clear();
    PutWord(d, static_cast<WORD>(item.name.size()));
    PutWord(d, item.Type());
    PutWord(d, item.flags);
    PutWord(d, 0);
    d.insert(d.end(), item.name.begin(), item.name.end());
    d.insert(d.end(), item.value.begin(), item.value.end());
}

}  // namespace sim::detail

NOTESAPI_FN STATUS LNPUBLIC NSFDbOpen(const char* PathName, DBHANDLE* rethDB) {
    SIM_ENTER_STATUS(NSFDbOpen);
    if (!PathName || !rethDB) return ERR_SIM_BAD_ARGUMENT;
    Database* db = FindDatabase(PathName);
    if (!db) return ERR_SIM_DB_NOT_FOUND;
    const DBHANDLE h = NewHandle(Kind::Database, "NSFDbOpen");
    State().handles[h].db = db;
    *rethDB = h;
    return NOERROR;
}

NOTESAPI_FN STATUS LNPUBLIC NSFDbClose(DBHANDLE hDB) {
    SIM_ENTER_STATUS(NSFDbClose);
    HandleEntry* e = Lookup(hDB, Kind::Database, "NSFDbClose");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (e->clientOwned) {
        // The client still uses its database: record the fault and keep the handle alive.
        Violation("NSFDbClose: closed the client's database handle " + Hex(hDB));
        return NOERROR;
    }
    Release(hDB);
    return NOERROR;
}

namespace {

bool Before(const TIMEDATE& a, const TIMEDATE& b) {
    const DWORD da = a.Innards[1] & 0x00FFFFFF, db = b.Innards[1] & 0x00FFFFFF;
    return da != db ? da < db : a.Innards[0] < b.Innards[0];
}

}  // namespace

NOTESAPI_FN STATUS LNPUBLIC NSFDbGetModifiedNoteTable(DBHANDLE hDB, WORD NoteClassMask, TIMEDATE Since,
                                                      TIMEDATE* retUntil, DHANDLE* rethTable) {
    SIM_ENTER_STATUS(NSFDbGetModifiedNoteTable);
    HandleEntry* e = Lookup(hDB, Kind::Database, "NSFDbGetModifiedNoteTable");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (!rethTable) return ERR_SIM_BAD_ARGUMENT;
    const bool wildcard = Since.Innards[0] == ALLDAY && Since.Innards[1] == ANYDAY;
    const bool minimum = Since.Innards[0] == 0 && Since.Innards[1] == 0;
    std::set<NOTEID> ids;
    // Documents built on open are as old as the database: listed for WILDCARD and MINIMUM.
    if (e->db->source && (NoteClassMask & NOTE_CLASS_DOCUMENT) && (wildcard || minimum))
        for (NOTEID id : e->db->source->Ids()) ids.insert(id);
    for (const auto& [id, note] : e->db->notes) {
        if (!(note.noteClass & NoteClassMask)) continue;
        if (note.deleted) {
            // Deletion stubs appear for WILDCARD and for a real time, never for MINIMUM.
            if (minimum) continue;
            if (!wildcard && !Before(Since, note.modified)) continue;
            ids.insert(id | RRV_DELETED);
        } else {
            if (!wildcard && !minimum && !Before(Since, note.modified)) continue;
            ids.insert(id);
        }
    }
    const TIMEDATE now = NowTimeDate();
    if (ids.empty() && !wildcard && !minimum) {
        if (retUntil) *retUntil = now;
        return ERR_NO_MODIFIED_NOTES;
    }
    const DHANDLE h = NewHandle(Kind::IdTable, "NSFDbGetModifiedNoteTable");
    State().handles[h].ids = std::move(ids);
    *rethTable = h;
    if (retUntil) *retUntil = now;
    return NOERROR;
}

NOTESAPI_FN STATUS LNPUBLIC NSFNoteOpen(DBHANDLE hDB, NOTEID NoteID, WORD OpenFlags, NOTEHANDLE* rethNote) {
    SIM_ENTER_STATUS(NSFNoteOpen, NoteID);
    if (const unsigned pace = State().notePaceMs) std::this_thread::sleep_for(std::chrono::milliseconds(pace));
    HandleEntry* e = Lookup(hDB, Kind::Database, "NSFNoteOpen");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (!rethNote) return ERR_SIM_BAD_ARGUMENT;
    Database* db = e->db;
    if (NoteID & RRV_DELETED) return ERR_INVALID_NOTE;
    Note* stored = db->FindNote(NoteID);
    auto open = std::make_unique<OpenNote>();
    if (stored) {
        if (stored->deleted) return ERR_NOTE_DELETED;
        open->copy = *stored;
    } else if (db->source && db->source->Has(NoteID)) {
        // Built afresh for this handle; gone again when it is closed.
        std::string error;
        if (!db->source->Build(NoteID, open->copy, error)) return ERR_SIM_FILE_READ;
    } else {
        return ERR_INVALID_NOTE;
    }
    open->db = db;
    open->dbHandle = hDB;
    open->id = NoteID;
    if (OpenFlags & OPEN_SUMMARY) {
        auto& items = open->copy.items;
        items.erase(std::remove_if(items.begin(), items.end(), [](const Item& i) { return !(i.flags & ITEM_SUMMARY); }),
                    items.end());
    }
    if (!open->copy.sealKey.empty())
        for (Item& item : open->copy.items)
            if (item.flags & ITEM_SEAL) Scramble(item.value);

    const NOTEHANDLE h = NewHandle(Kind::Note, "NSFNoteOpen");
    for (size_t i = 0; i < open->copy.items.size(); ++i) {
        const DHANDLE p = NewHandle(Kind::ItemPool, "NSFNoteOpen");
        HandleEntry& pool = State().handles[p];
        pool.ownerNote = h;
        pool.itemIndex = i;
        FillItemPool(pool, open->copy.items[i]);
        open->pools.push_back(p);
    }
    State().handles[h].note = std::move(open);
    *rethNote = h;
    return NOERROR;
}

NOTESAPI_FN STATUS LNPUBLIC NSFNoteClose(NOTEHANDLE hNote) {
    SIM_ENTER_STATUS(NSFNoteClose, NoteIdOf(hNote));
    OpenNote* note = LookupNote(hNote, "NSFNoteClose");
    if (!note) return ERR_SIM_INVALID_HANDLE;
    int locked = 0;
    for (DHANDLE p : note->pools)
        if (HandleEntry* pool = LookupAny(p)) locked += pool->locks;
    if (locked)
        Violation("NSFNoteClose: note " + Hex(hNote) + " closed with " + std::to_string(locked) +
                  " item block lock(s) outstanding");
    Release(hNote);
    return NOERROR;
}

NOTESAPI_FN STATUS LNPUBLIC NSFNoteDelete(DBHANDLE hDB, NOTEID NoteID, WORD UpdateFlags) {
    SIM_ENTER_STATUS(NSFNoteDelete, NoteID);
    HandleEntry* e = Lookup(hDB, Kind::Database, "NSFNoteDelete");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (e->db->readOnly) return ERR_NOACCESS;
    Note* note = e->db->FindNote(NoteID);
    if (!note) return ERR_INVALID_NOTE;
    if (note->deleted) return ERR_NOTE_DELETED;
    if (UpdateFlags & UPDATE_NOSTUB) {
        e->db->collections.erase(NoteID);
        DeleteNote(*e->db, NoteID);
        e->db->notes.erase(NoteID);
        return NOERROR;
    }
    DeleteNote(*e->db, NoteID);
    return NOERROR;
}

// Writes only the width of the selected value; unknown selectors write nothing.
NOTESAPI_FN void LNPUBLIC NSFNoteGetInfo(NOTEHANDLE hNote, WORD Type, void* retValue) {
    SIM_ENTER_VOID(NSFNoteGetInfo, NoteIdOf(hNote));
    OpenNote* note = LookupNote(hNote, "NSFNoteGetInfo");
    if (!note || !retValue) return;
    const Note& n = note->copy;
    switch (Type) {
        case _NOTE_DB: std::memcpy(retValue, &note->dbHandle, 4); break;
        case _NOTE_ID: std::memcpy(retValue, &note->id, 4); break;
        case _NOTE_OID: std::memcpy(retValue, &n.oid, sizeof(ORIGINATORID)); break;
        case _NOTE_CLASS: std::memcpy(retValue, &n.noteClass, 2); break;
        case _NOTE_MODIFIED: std::memcpy(retValue, &n.modified, 8); break;
        case _NOTE_ACCESSED: std::memcpy(retValue, &n.modified, 8); break;
        case _NOTE_ADDED_TO_FILE: std::memcpy(retValue, &n.addedToFile, 8); break;
        case _NOTE_FLAGS: {
            const WORD flags = 0;
            std::memcpy(retValue, &flags, 2);
            break;
        }
        case _NOTE_PARENT_NOTEID: {
            const NOTEID parent = 0;
            std::memcpy(retValue, &parent, 4);
            break;
        }
        default: Violation("NSFNoteGetInfo: selector " + std::to_string(Type) + " is not supported"); break;
    }
}

NOTESAPI_FN BOOL LNPUBLIC NSFNoteIsSignedOrSealed(NOTEHANDLE hNote, BOOL* retfSigned, BOOL* retfSealed) {
    SIM_ENTER_OR(NSFNoteIsSignedOrSealed, FALSE, NoteIdOf(hNote));
    OpenNote* note = LookupNote(hNote, "NSFNoteIsSignedOrSealed");
    if (!note) return FALSE;
    const bool sealed = !note->copy.sealKey.empty();
    const bool isSigned = std::any_of(note->copy.items.begin(), note->copy.items.end(),
                                      [](const Item& i) { return i.Type() == TYPE_SIGNATURE; });
    if (retfSigned) *retfSigned = isSigned ? TRUE : FALSE;
    if (retfSealed) *retfSealed = sealed ? TRUE : FALSE;
    return (sealed || isSigned) ? TRUE : FALSE;
}

NOTESAPI_FN STATUS LNPUBLIC NSFNoteDecrypt(NOTEHANDLE hNote, WORD DecryptFlags, ENCRYPTION_KEY* retKeyForAttachments) {
    SIM_ENTER_STATUS(NSFNoteDecrypt, NoteIdOf(hNote));
    OpenNote* note = LookupNote(hNote, "NSFNoteDecrypt");
    if (!note) return ERR_SIM_INVALID_HANDLE;
    const std::string& keyName = note->copy.sealKey;
    if (keyName.empty()) return ERR_NOTE_NOT_SEALED;
    if (!State().keys.count(Lower(keyName))) return ERR_SIM_NO_KEY;
    if (!note->decrypted) {
        for (size_t i = 0; i < note->copy.items.size(); ++i) {
            Item& item = note->copy.items[i];
            if (!(item.flags & ITEM_SEAL)) continue;
            Scramble(item.value);  // its own inverse
            if (HandleEntry* pool = LookupAny(note->pools[i])) FillItemPool(*pool, item);
        }
        note->decrypted = true;
    }
    // DECRYPT_ATTACHMENTS_IN_PLACE: the open copy's attachments need no key afterwards.
    if (DecryptFlags & 0x0001)
        for (auto& [rrv, obj] : note->copy.objects) obj.encrypted = false;
    if (retKeyForAttachments) *retKeyForAttachments = KeyFor(keyName);
    return NOERROR;
}

NOTESAPI_FN STATUS LNPUBLIC NSFNoteVerifySignature(NOTEHANDLE hNote, char* SignatureItemName, TIMEDATE* retWhenSigned,
                                                   char* retSigner, char* retCertifier) {
    SIM_ENTER_STATUS(NSFNoteVerifySignature, NoteIdOf(hNote));
    OpenNote* note = LookupNote(hNote, "NSFNoteVerifySignature");
    if (!note) return ERR_SIM_INVALID_HANDLE;
    const Item* sig = nullptr;
    for (const Item& item : note->copy.items) {
        if (item.Type() != TYPE_SIGNATURE) continue;
        if (SignatureItemName && !NamesEqual(item.name, SignatureItemName)) continue;
        sig = &item;
        break;
    }
    if (!sig) return ERR_NOTE_NOT_SIGNED;
    std::string signer;
    TIMEDATE when{};
    bool verifies = false;
    if (!ParseSignature(sig->value, signer, when, verifies) || !verifies) return ERR_SIM_BAD_SIGNATURE;
    auto copyName = [](char* out, const std::string& text) {
        const size_t n = std::min<size_t>(text.size(), MAXUSERNAME - 1);
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    };
    if (retWhenSigned) *retWhenSigned = when;
    if (retSigner) copyName(retSigner, signer);
    if (retCertifier) {
        const auto slash = signer.find('/');
        copyName(retCertifier, slash == std::string::npos ? std::string() : signer.substr(slash + 1));
    }
    return NOERROR;
}

NOTESAPI_FN DWORD LNPUBLIC IDEntries(DHANDLE hTable) {
    SIM_ENTER_OR(IDEntries, 0);
    HandleEntry* e = Lookup(hTable, Kind::IdTable, "IDEntries");
    return e ? static_cast<DWORD>(e->ids.size()) : 0;
}

// Not first: the entry after *retID, which must hold the ID the previous call returned.
NOTESAPI_FN BOOL LNPUBLIC IDScan(DHANDLE hTable, BOOL fFirst, DWORD* retID) {
    SIM_ENTER_OR(IDScan, FALSE);
    HandleEntry* e = Lookup(hTable, Kind::IdTable, "IDScan");
    if (!e || !retID) return FALSE;
    auto it = fFirst ? e->ids.begin() : e->ids.upper_bound(*retID);
    if (it == e->ids.end()) return FALSE;
    *retID = *it;
    return TRUE;
}

NOTESAPI_FN STATUS LNPUBLIC IDDestroyTable(DHANDLE hTable) {
    SIM_ENTER_STATUS(IDDestroyTable);
    HandleEntry* e = Lookup(hTable, Kind::IdTable, "IDDestroyTable");
    if (!e) return ERR_SIM_INVALID_HANDLE;
    if (e->clientOwned) {
        Violation("IDDestroyTable: destroyed the client's ID table " + Hex(hTable));
        return NOERROR;
    }
    if (e->ownerCollection) {
        Violation("IDDestroyTable: ID table " + Hex(hTable) + " belongs to collection " +
                  std::to_string(e->ownerCollection));
        return ERR_SIM_INVALID_HANDLE;
    }
    if (e->locks) Violation("IDDestroyTable: " + Hex(hTable) + " destroyed while locked");
    Release(hTable);
    return NOERROR;
}

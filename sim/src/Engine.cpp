#include "sim/Engine.h"

#include <algorithm>
#include <cstdio>

#include "Calls.h"
#include "State.h"
#include "sim/Environment.h"
#include "sim/Faults.h"
#include "sim/Status.h"
#include "sim/Time.h"

namespace sim {
namespace detail {

EngineState& State() {
    static EngineState state;
    return state;
}

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Memory: return "buffer";
        case Kind::ItemPool: return "item block";
        case Kind::Database: return "database";
        case Kind::Note: return "note";
        case Kind::IdTable: return "ID table";
    }
    return "handle";
}

std::string Hex(DWORD value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(value));
    return buf;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void Violation(const std::string& text) { State().violations.push_back(text); }

DHANDLE NewHandle(Kind kind, const std::string& origin) {
    auto& st = State();
    const DHANDLE h = st.nextHandle++;  // never reused, so a stale handle is always caught
    auto& e = st.handles[h];
    e.kind = kind;
    e.origin = origin;
    return h;
}

HandleEntry* LookupAny(DHANDLE handle) {
    auto it = State().handles.find(handle);
    return it == State().handles.end() ? nullptr : &it->second;
}

HandleEntry* Lookup(DHANDLE handle, Kind kind, const char* function) {
    HandleEntry* e = LookupAny(handle);
    if (!e) {
        // A null handle is refused with a status, as Notes does; a stale or made-up one is a fault.
        if (handle)
            Violation(std::string(function) + ": unknown or released " + KindName(kind) + " handle " + Hex(handle));
        return nullptr;
    }
    if (e->kind != kind) {
        Violation(std::string(function) + ": handle " + Hex(handle) + " is a " + KindName(e->kind) + ", not a " +
                  KindName(kind));
        return nullptr;
    }
    return e;
}

void Release(DHANDLE handle) {
    auto& st = State();
    auto it = st.handles.find(handle);
    if (it == st.handles.end()) return;
    std::vector<DHANDLE> pools;
    if (it->second.note) pools = it->second.note->pools;
    st.handles.erase(it);
    for (DHANDLE p : pools) st.handles.erase(p);
}

OpenNote* LookupNote(NOTEHANDLE handle, const char* function) {
    HandleEntry* e = Lookup(handle, Kind::Note, function);
    return e ? e->note.get() : nullptr;
}

int ItemIndexOf(NOTEHANDLE note, const BLOCKID& item, const char* function) {
    HandleEntry* e = LookupAny(item.pool);
    if (!e || e->kind != Kind::ItemPool || e->ownerNote != note || item.block != 0) {
        Violation(std::string(function) + ": BLOCKID {" + Hex(item.pool) + ", " + std::to_string(item.block) +
                  "} is not an item of note " + Hex(note));
        return -1;
    }
    return static_cast<int>(e->itemIndex);
}

const BYTE* ResolveBlock(const BLOCKID& block, DWORD length, const char* function) {
    HandleEntry* e = LookupAny(block.pool);
    if (!e || (e->kind != Kind::ItemPool && e->kind != Kind::Memory)) {
        Violation(std::string(function) + ": BLOCKID pool " + Hex(block.pool) + " is not a live block");
        return nullptr;
    }
    if (size_t(block.block) + length > e->data.size()) {
        Violation(std::string(function) + ": " + std::to_string(length) + " bytes at block " +
                  std::to_string(block.block) + " run past the end of pool " + Hex(block.pool));
        return nullptr;
    }
    return e->data.data() + block.block;
}

ENCRYPTION_KEY KeyFor(const std::string& keyName) {
    ENCRYPTION_KEY key{};
    DWORD h = 2166136261u;
    for (char c : Lower(keyName)) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    key.Byte1 = 0x53;
    key.Word1 = static_cast<WORD>(h);
    for (int i = 0; i < 16; ++i) {
        h = h * 1103515245u + 12345u;
        key.Text[i] = static_cast<BYTE>(h >> 16);
    }
    return key;
}

void Scramble(Bytes& value) {
    for (size_t i = 2; i < value.size(); ++i) value[i] ^= static_cast<BYTE>(0xA5 + i * 7);
}

DWORD ReadDword(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
void PutWord(Bytes& b, WORD w) {
    b.push_back(static_cast<BYTE>(w));
    b.push_back(static_cast<BYTE>(w >> 8));
}
void PutDword(Bytes& b, DWORD d) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>(d >> (8 * i)));
}

}  // namespace detail

using namespace detail;

void Reset() {
    auto& st = State();
    st = EngineState{};
    ResetCalls();
    ClearEnvironmentVariables();
    ResetTime();
}

std::vector<std::string> CheckClean() {
    auto& st = State();
    std::vector<std::string> problems = st.violations;
    for (const auto& [h, e] : st.handles) {
        if (e.kind == Kind::ItemPool) {
            if (e.locks > 0)
                problems.push_back("item block " + Hex(h) + " of note " + Hex(e.ownerNote) + " still locked " +
                                   std::to_string(e.locks) + " time(s)");
            continue;
        }
        if (e.ownerCollection) continue;  // released with its collection
        if (e.clientOwned) {
            if (e.locks > 0)
                problems.push_back("client-owned " + std::string(KindName(e.kind)) + " " + Hex(h) + " still locked");
            continue;
        }
        std::string text = std::string(KindName(e.kind)) + " " + Hex(h) + " from " + e.origin + " not released";
        if (e.locks > 0) text += " (locked " + std::to_string(e.locks) + " time(s))";
        problems.push_back(text);
    }
    for (const auto& [hc, c] : st.collections)
        problems.push_back("collection " + std::to_string(hc) + " of view " + Hex(c.viewId) + " not closed");
    return problems;
}

std::string DescribeProblems(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems) out += "  " + p + "\n";
    return out;
}

Database& CreateDatabase(const std::string& path) {
    auto& slot = State().databases[Lower(path)];
    slot = std::make_unique<Database>();
    slot->path = path;
    slot->replicaId = TimeDateFromUnix(1000000000 + static_cast<int64_t>(State().databases.size()) * 977);
    return *slot;
}

Database* FindDatabase(const std::string& path) {
    auto it = State().databases.find(Lower(path));
    return it == State().databases.end() ? nullptr : it->second.get();
}

std::vector<Database*> Databases() {
    std::vector<Database*> out;
    for (auto& [k, db] : State().databases) out.push_back(db.get());
    return out;
}

Database* DatabaseOf(DBHANDLE handle) {
    HandleEntry* e = LookupAny(handle);
    return e && e->kind == Kind::Database ? e->db : nullptr;
}

DBHANDLE ClientDbHandle(Database& db) {
    const DBHANDLE h = NewHandle(Kind::Database, "the client");
    auto& e = State().handles[h];
    e.db = &db;
    e.clientOwned = true;
    return h;
}

DHANDLE ClientIdTable(const std::vector<NOTEID>& ids) {
    const DHANDLE h = NewHandle(Kind::IdTable, "the client");
    auto& e = State().handles[h];
    e.ids.insert(ids.begin(), ids.end());
    e.clientOwned = true;
    return h;
}

void MarkClientOwned(DHANDLE handle) {
    if (HandleEntry* e = LookupAny(handle)) e->clientOwned = true;
}

void ReleaseClientHandle(DHANDLE handle) {
    if (HandleEntry* e = LookupAny(handle); e && e->clientOwned) Release(handle);
}

void SetCurrentUser(const std::string& name) { State().user = name; }
std::string CurrentUser() { return State().user; }
void SetUserKeys(const std::vector<std::string>& keyNames) {
    State().keys.clear();
    for (const auto& k : keyNames) State().keys.insert(Lower(k));
}

void SetReadEntriesBatchSize(DWORD entries) { State().batchSize = entries ? entries : 1; }

void SetCompositeWalkEndStatus(STATUS status) { State().compositeWalkEnd = status; }

void SetEmptyReadWithMore(unsigned nthRead) {
    State().entryReads = 0;
    State().emptyReadWithMore = nthRead;
}

void SetNoteOpenPace(unsigned milliseconds) { State().notePaceMs = milliseconds; }

void DeleteNote(Database& db, NOTEID id) {
    Note* note = db.FindNote(id);
    if (!note) return;
    note->items.clear();
    note->objects.clear();
    note->sealKey.clear();
    note->deleted = true;
    note->modified = NowTimeDate();
    db.collections.erase(id);
    for (auto& [viewId, entries] : db.collections) {
        if (std::find(entries.begin(), entries.end(), id) == entries.end()) continue;  // left shared
        auto& ids = entries.Edit();
        ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    }
}

}  // namespace sim

using namespace sim::detail;

NOTESAPI_FN void* LNPUBLIC OSLockObject(DHANDLE Handle) {
    SIM_ENTER_OR(OSLockObject, nullptr);
    HandleEntry* e = LookupAny(Handle);
    if (!e || (e->kind != Kind::Memory && e->kind != Kind::ItemPool)) {
        Violation("OSLockObject: " + Hex(Handle) + " is not a memory handle" +
                  (e ? std::string(" (a ") + KindName(e->kind) + ")" : std::string()));
        return nullptr;
    }
    ++e->locks;
    // Zero-length buffers still lock to a valid address.
    return e->data.empty() ? static_cast<void*>(&e->locks) : e->data.data();
}

NOTESAPI_FN BOOL LNPUBLIC OSUnlockObject(DHANDLE Handle) {
    SIM_ENTER_OR(OSUnlockObject, FALSE);
    HandleEntry* e = LookupAny(Handle);
    if (!e || (e->kind != Kind::Memory && e->kind != Kind::ItemPool)) {
        Violation("OSUnlockObject: " + Hex(Handle) + " is not a memory handle");
        return FALSE;
    }
    if (e->locks == 0) {
        Violation("OSUnlockObject: " + Hex(Handle) + " is not locked");
        return FALSE;
    }
    --e->locks;
    return TRUE;
}

NOTESAPI_FN STATUS LNPUBLIC OSMemFree(DHANDLE Handle) {
    SIM_ENTER_STATUS(OSMemFree);
    HandleEntry* e = LookupAny(Handle);
    if (!e) {
        Violation("OSMemFree: unknown or released handle " + Hex(Handle));
        return sim::ERR_SIM_INVALID_HANDLE;
    }
    if (e->clientOwned) {
        Violation("OSMemFree: freed the client's " + std::string(KindName(e->kind)) + " " + Hex(Handle));
        return NOERROR;  // the client's object stays alive for the client
    }
    if (e->kind == Kind::ItemPool) {
        Violation("OSMemFree: item block " + Hex(Handle) + " belongs to its note");
        return sim::ERR_SIM_INVALID_HANDLE;
    }
    if (e->ownerCollection) {
        Violation("OSMemFree: ID table " + Hex(Handle) + " belongs to collection " +
                  std::to_string(e->ownerCollection));
        return sim::ERR_SIM_INVALID_HANDLE;
    }
    if (e->kind == Kind::IdTable) {
        // "You are responsible for freeing the storage when you are done with it using
        // IDDestroyTable()" (HCL C API reference, NSFDbGetModifiedNoteTable, rethTable). What
        // OSMemFree does with an ID table is not documented: the stand-in frees it, so that the
        // misuse is reported once and not again as a leak, and reports the misuse.
        Violation("OSMemFree: ID table " + Hex(Handle) + " is freed with IDDestroyTable");
        Release(Handle);
        return NOERROR;
    }
    if (e->kind != Kind::Memory) {
        Violation("OSMemFree: " + Hex(Handle) + " is a " + KindName(e->kind) + ", not memory");
        return sim::ERR_SIM_INVALID_HANDLE;
    }
    if (e->locks > 0) Violation("OSMemFree: " + Hex(Handle) + " freed while locked");
    Release(Handle);
    return NOERROR;
}

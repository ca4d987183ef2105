// The engine's internal state: databases, the one handle table, open collections.
#pragma once

#include <notesapi/notesapi.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/Model.h"

namespace sim::detail {

enum class Kind { Memory, ItemPool, Database, Note, IdTable };
const char* KindName(Kind kind);

// A note as an API program holds it: a copy of the stored note, each item in its own pool
// (item header, name, value), so that BLOCKIDs stay valid until the note is closed.
struct OpenNote {
    Database* db = nullptr;
    DBHANDLE dbHandle = 0;
    NOTEID id = 0;
    Note copy;                   // sealed item values are scrambled until decrypted
    std::vector<DHANDLE> pools;  // parallel to copy.items
    bool decrypted = false;
};

struct HandleEntry {
    Kind kind = Kind::Memory;
    std::string origin;  // the API function (or fixture call) that made it
    int locks = 0;
    bool clientOwned = false;
    Bytes data;              // Memory, ItemPool
    Database* db = nullptr;  // Database
    std::unique_ptr<OpenNote> note;
    std::set<NOTEID> ids;             // IdTable
    DHANDLE ownerNote = 0;            // ItemPool: the note it belongs to
    size_t itemIndex = 0;             // ItemPool
    HCOLLECTION ownerCollection = 0;  // ID tables a collection hands out
};

// Where an item pool keeps the value after its header and name.
inline constexpr BLOCK kItemHeaderSize = 8;

struct OpenCollection {
    Database* db = nullptr;
    NOTEID viewId = 0;
    Collection entries;          // a snapshot: Notes updates an open collection only on request
    std::vector<DHANDLE> lists;  // collapsed/selected lists it owns
};

struct EngineState {
    std::map<std::string, std::unique_ptr<Database>> databases;  // by lower-case path
    std::map<DHANDLE, HandleEntry> handles;
    DHANDLE nextHandle = 0x00010000;
    std::map<HCOLLECTION, OpenCollection> collections;
    HCOLLECTION nextCollection = 1;
    std::vector<std::string> violations;
    std::string user = "CN=Test User/O=Stowline";
    std::set<std::string> keys;  // lower case
    DWORD batchSize = 4096;
    STATUS compositeWalkEnd = NOERROR;  // EnumCompositeBuffer's success return
    unsigned entryReads = 0;         // NIFReadEntries calls served
    unsigned emptyReadWithMore = 0;  // the call that brings nothing while it signals more
    unsigned notePaceMs = 0;
    DWORD nextCategory = 1;
};

EngineState& State();

// Records a discipline violation for CheckClean.
void Violation(const std::string& text);
std::string Hex(DWORD value);

DHANDLE NewHandle(Kind kind, const std::string& origin);
// The live handle of that kind, or null (after recording a violation naming `function`,
// unless the handle is null).
HandleEntry* Lookup(DHANDLE handle, Kind kind, const char* function);
HandleEntry* LookupAny(DHANDLE handle);
// Frees a handle and whatever it owns (a note's item pools).
void Release(DHANDLE handle);

OpenNote* LookupNote(NOTEHANDLE handle, const char* function);
// The item a BLOCKID names inside an open note: index into note.copy.items, or -1.
int ItemIndexOf(NOTEHANDLE note, const BLOCKID& item, const char* function);
// Resolves a value BLOCKID to bytes (pool data + block), or null.
const BYTE* ResolveBlock(const BLOCKID& block, DWORD length, const char* function);

// Keys are derived from key names so that a key from one note's decryption opens only
// attachments sealed with the same name.
ENCRYPTION_KEY KeyFor(const std::string& keyName);
void Scramble(Bytes& value);  // reversible; leaves the type word

DWORD ReadDword(const BYTE* p);
WORD ReadWord(const BYTE* p);
void PutWord(Bytes& b, WORD w);
void PutDword(Bytes& b, DWORD d);

// A TYPE_SIGNATURE value as the builder writes it: type word, 'S', verifies flag, TIMEDATE,
// WORD signer length, signer (LMBCS).
Bytes EncodeSignature(const std::string& signer, TIMEDATE when, bool verifies);
bool ParseSignature(const Bytes& value, std::string& signer, TIMEDATE& when, bool& verifies);

// Writes an item's pool contents (header, name, value) from the open note's copy.
void FillItemPool(HandleEntry& pool, const Item& item);

void ResetTime();
TIMEDATE NowTimeDate();  // the stand-in's clock, without counting an API call
// The default text of a TIMEDATE; false when it cannot be converted.
bool TimeDateText(const TIMEDATE& td, const TFMT* fmt, std::string& out);
std::string Lower(std::string s);

}  // namespace sim::detail

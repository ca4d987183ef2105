// The stand-in engine as a whole: its databases, the handles it has given out, the
// discipline checks, and the settings tests choose (user keys, time zone, paging).
#pragma once

#include <notesapi/notesapi.h>

#include <string>
#include <vector>

#include "sim/Model.h"

namespace sim {

// Forgets every database, handle, fault, counter, notes.ini override and setting.
void Reset();

// Problems found since the last Reset: handles, locks and buffers still held (client-owned
// handles excepted), and violations recorded during calls (a client-owned handle closed,
// a handle freed twice or of the wrong kind, an unlock without a lock, ...). Empty = clean.
std::vector<std::string> CheckClean();
std::string DescribeProblems(const std::vector<std::string>& problems);  // one per line

// ---- databases ----
// Adds an empty database that NSFDbOpen finds by `path` (case-insensitive).
Database& CreateDatabase(const std::string& path);
Database* FindDatabase(const std::string& path);
std::vector<Database*> Databases();
// The database behind a handle, or null.
Database* DatabaseOf(DBHANDLE handle);

// ---- handles the Notes client owns and lends to the add-in ----
// A handle to `db` as the client holds it: closing it through the API is a violation.
DBHANDLE ClientDbHandle(Database& db);
// An ID table of the given note IDs (a set: IDScan returns them in ascending order, as
// Notes does), owned by the client: destroying it is a violation.
DHANDLE ClientIdTable(const std::vector<NOTEID>& ids);
// Marks any handle as the client's own.
void MarkClientOwned(DHANDLE handle);
// Handles the client owns are released by the test through this, not through the API.
void ReleaseClientHandle(DHANDLE handle);

// ---- the current user ----
void SetCurrentUser(const std::string& name);  // LMBCS canonical name
std::string CurrentUser();
// Names of the encryption keys the user's ID holds (sealed notes need one of them).
void SetUserKeys(const std::vector<std::string>& keyNames);

// ---- collections ----
// Most entries one NIFReadEntries call returns before it signals SIGNAL_MORE_TO_DO.
void SetReadEntriesBatchSize(DWORD entries);  // default 4096
// The NIFReadEntries call numbered `nthRead` (from 1, counted from this call; 0 for none)
// returns no entries, no buffer and SIGNAL_MORE_TO_DO, as a busy server may answer.
void SetEmptyReadWithMore(unsigned nthRead);

// ---- rich text ----
// What EnumCompositeBuffer returns when it walked every record: NOERROR (the default) or
// ERR_ODS_ENUM_COMPLETE. The C API reference lists both as its success returns and leaves open
// which one a walk to the end gives, so tests run both ways.
void SetCompositeWalkEndStatus(STATUS status);

// ---- pace ----
// Makes every NSFNoteOpen take `milliseconds` longer, as on a real database at tens of
// documents a second; 0 (the default) runs at full speed.
void SetNoteOpenPace(unsigned milliseconds);

// ---- note changes made outside the API (the builder uses these too) ----
// Turns a note into a deletion stub and takes it out of every collection.
void DeleteNote(Database& db, NOTEID id);

}  // namespace sim

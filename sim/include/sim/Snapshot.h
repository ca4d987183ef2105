// The stand-in's plain database file: every note, item, object and collection of a database
// written as lines of hexadecimal text. Unlike DXL it needs no library to read, so the
// Windows build of the stand-in (nnotes.dll) loads it too: Linux tools build a database
// (from DXL or mail), save it as a snapshot, and a Windows program loads it through the
// extra exports below and saves it back after the add-in has changed it.
#pragma once

#include <notesapi/notesapi.h>

#include <string>

#include "sim/Model.h"

namespace sim {

// Writes `db` (deletion stubs included, so note IDs stay unique) to `file`, replacing it.
bool WriteSnapshot(const Database& db, const std::string& file, std::string& error);

// Reads `file` into `db`, replacing everything but its path. On failure returns false with
// a message naming the file and line; `db` is then unchanged.
bool ReadSnapshot(const std::string& file, Database& db, std::string& error);

}  // namespace sim

// Extra exports of the stand-in for test hosts; the real nnotes.dll has none of them.
// Text arguments are native (LMBCS for names and titles, as Notes stores them).
// Loads `snapshotFile` as a database that NSFDbOpen finds by `dbPath`; 0 or an error status.
NOTESAPI_FN STATUS LNPUBLIC SimLoadSnapshot(const char* snapshotFile, const char* dbPath);
// Saves the database known by `dbPath` to `snapshotFile`; 0 or an error status.
NOTESAPI_FN STATUS LNPUBLIC SimSaveSnapshot(const char* dbPath, const char* snapshotFile);
// A database handle as the client lends it (closing it through the API is a violation); 0 when
// the database is unknown.
NOTESAPI_FN DBHANDLE LNPUBLIC SimClientDbHandle(const char* dbPath);
// An ID table of `count` note IDs, owned by the client.
NOTESAPI_FN DHANDLE LNPUBLIC SimClientIdTable(const NOTEID* ids, DWORD count);
// Releases a handle made by the two calls above.
NOTESAPI_FN void LNPUBLIC SimReleaseClientHandle(DHANDLE handle);
// The note ID of the view or folder whose $TITLE (aliases included) or any of its "|" parts
// equals `title`, or 0.
NOTESAPI_FN NOTEID LNPUBLIC SimFindView(const char* dbPath, const char* title);
// Copies up to `max` document IDs of a view's collection (category rows left out) into `ids`
// and answers how many the collection holds.
NOTESAPI_FN DWORD LNPUBLIC SimViewEntries(const char* dbPath, NOTEID view, NOTEID* ids, DWORD max);
// The handles, locks and buffers still held and the violations seen, one per line, copied
// into `buffer` (NUL-terminated, cut to `size`); answers the number of problems.
NOTESAPI_FN DWORD LNPUBLIC SimCheckClean(char* buffer, DWORD size);
// Makes every NSFNoteOpen take `milliseconds` longer (sim/Engine.h SetNoteOpenPace).
NOTESAPI_FN void LNPUBLIC SimSetNoteOpenPace(DWORD milliseconds);

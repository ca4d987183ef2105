// The stand-in's database file: DXL, the Notes XML format.
//
// Loading reads a <database> with its <document>, <note>, <view> and <folder> children, or a
// file holding a single one of them. Item values are stored in their Notes encodings (text as
// LMBCS, lists with their headers, rich text as CD records, $FILE items with their objects).
// Other design elements (<form>, <agent>, ...) are interpreted forms of notes that the
// stand-in cannot rebuild; they are passed over.
//
// DXL keeps no view index, so a view or folder's entries are saved in an element of our own
// namespace (kStowlineNamespace) at the end of the <view>/<folder> element; a view or folder
// read without it lists every document in note-ID order.
//
// Saving writes every live note (deletion stubs are left out) so that loading the file again
// gives the same notes, IDs, items (names, flags, types and values) and entries. Values that
// DXL cannot carry exactly are written as <rawitemdata>.
#pragma once

#include <string>
#include <string_view>

#include "sim/Model.h"

namespace sim::dxl {

inline constexpr const char* kStowlineNamespace = "urn:stowline:dxl";

// Parses DXL text into `db`, replacing its title, replica ID, notes and collections (its
// path is kept). On failure returns false with a message in `error`; `db` is then unchanged.
bool ParseDatabase(std::string_view xml, Database& db, std::string& error);

// Reads the file at `file` into `db` as ParseDatabase does; the message names the file.
bool ReadDatabase(const std::string& file, Database& db, std::string& error);

// Creates the stand-in database that NSFDbOpen finds by `dbPath` (default: the file's own
// path) and loads it from `file`. Null on failure, with the message in `error`.
Database* LoadDatabase(const std::string& file, std::string& error, const std::string& dbPath = {});

// Writes `db` to `file` (replaced whole: written to a temporary file beside it, then renamed).
bool SaveDatabase(const Database& db, const std::string& file, std::string& error);

// The same DXL as text.
bool FormatDatabase(const Database& db, std::string& xml, std::string& error);

}  // namespace sim::dxl

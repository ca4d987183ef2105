// Wrapper of one Notes database handle. In the add-in the handle is always the client's:
// callers Detach before destruction so that it is never closed under the client.
#pragma once

#include <string>
#include <vector>

#include <notesapi/notesapi.h>

#include "notes/NotesResult.h"

namespace stowline {

class DesignList;
class ViewCollection;

class NotesDatabase {
public:
    NotesDatabase() = default;
    ~NotesDatabase();
    NotesDatabase(const NotesDatabase&) = delete;
    NotesDatabase& operator=(const NotesDatabase&) = delete;

    void Attach(DBHANDLE db);  // takes over the handle: Close would release it
    void Detach();             // forgets the handle without closing it
    void Close();              // NSFDbClose once, when open

    // The design catalog of this database (see DesignCatalog.h).
    NotesResult FetchDesign(WORD noteClass, DesignList& list) const;
    // Names of views and folders beginning with `prefix` (exact bytes; "" = all), in the
    // catalog's order; the list is emptied first unless `append`. False when a design note of
    // the catalog was missed, so that names may be missing (a catalog that cannot be listed at
    // all gives no names).
    bool GetViewNames(std::vector<std::string>& names, const std::string& prefix, bool append) const;
    // Opens the collection of the view or folder `name` on this handle.
    NotesResult OpenView(const std::string& name, ViewCollection& view) const;

    bool isOpen = false;
    DBHANDLE handle = 0;
};

}  // namespace stowline

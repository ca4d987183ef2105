#include "notes/NotesDatabase.h"

#include "notes/DesignCatalog.h"
#include "notes/ViewCollection.h"

namespace stowline {

NotesDatabase::~NotesDatabase() { Close(); }

void NotesDatabase::Attach(DBHANDLE db) {
    handle = db;
    isOpen = true;
}

void NotesDatabase::Detach() {
    handle = 0;
    isOpen = false;
}

void NotesDatabase::Close() {
    if (!isOpen) return;
    NSFDbClose(handle);  // its status changes nothing: the handle is gone either way
    isOpen = false;
}

NotesResult NotesDatabase::FetchDesign(WORD noteClass, DesignList& list) const {
    return stowline::FetchDesign(handle, noteClass, list);
}

bool NotesDatabase::GetViewNames(std::vector<std::string>& names, const std::string& prefix, bool append) const {
    if (!append) names.clear();
    DesignList list;
    FetchDesign(NOTE_CLASS_VIEW, list);
    for (const DesignEntry& entry : list.entries) {
        std::string name = entry.GetName();
        if (name.size() >= prefix.size() && name.compare(0, prefix.size(), prefix) == 0)
            names.push_back(std::move(name));
    }
    return list.complete;
}

NotesResult NotesDatabase::OpenView(const std::string& name, ViewCollection& view) const {
    return view.Open(handle, name);
}

}  // namespace stowline

#include "DocumentPreview.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "DatabaseFile.h"
#include "NoteIds.h"
#include "notes/NotesText.h"
#include "platform/WindowsPath.h"
#include "sim/Engine.h"
#include "sim/Lmbcs.h"
#include "sim/Model.h"
#include "platform/Text.h"

namespace stowline::cli {

std::string NativeFromUtf8(const std::string& utf8) { return sim::LmbcsToNative(sim::Utf8ToLmbcs(utf8)); }

std::string Utf8FromNative(const std::string& native) { return platform::text::Cp1252ToUtf8(native); }

int WithDocument(const std::string& command, const std::string& dbFile, const std::string& noteIdText,
                 const std::function<int(NotesDocument&, const std::vector<std::string>&)>& use) {
    NOTEID id = 0;
    if (!ParseNoteId(noteIdText, id)) {
        std::cerr << "stowline " << command << ": '" << noteIdText << "' is not a note ID in hex\n";
        return 2;
    }
    sim::Database* db = OpenDatabase(command, dbFile, std::cerr);
    if (!db) return 1;
    std::vector<std::string> names;
    if (const auto note = DocumentOf(*db, id)) {
        for (const auto& item : note->items) {
            const std::string name = sim::LmbcsToNative(item.name);
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    }
    const DBHANDLE handle = sim::ClientDbHandle(*db);
    int status = 1;
    {
        NotesDocument document;
        if (const NotesResult opened = document.Open(handle, id, true)) {
            status = use(document, names);
        } else {
            std::cerr << "stowline " << command << ": note " << noteIdText
                      << " cannot be opened: " << Utf8FromNative(NotesErrorText(opened.status)) << '\n';
        }
    }
    sim::ReleaseClientHandle(handle);
    return status;
}

}  // namespace stowline::cli

#include "ArchiveClient.h"
#include "NoteIds.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>

#include "Command.h"
#include "DatabaseFile.h"
#include "addin/AddinStartup.h"
#include "addin/DTMenuProc.h"
#include "platform/Platform.h"
#include "platform/posix/PosixUi.h"
#include "sim/Engine.h"
#include "sim/Faults.h"
#include "sim/Lmbcs.h"
#include "sim/Model.h"
#include "sim/dxl/Dxl.h"

namespace stowline::cli {

namespace {

constexpr std::uintptr_t kClientWindow = 0x5150;

// Progress of a long run on a terminal: documents opened against the documents to archive.
struct Progress {
    std::size_t total = 0;
    std::size_t done = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown{};
    bool active = false;

    void Document() {
        ++done;
        const auto now = std::chrono::steady_clock::now();
        // Only a run that takes a while is worth a progress line, refreshed a few times a second.
        if (now - start < std::chrono::seconds(1) || now - shown < std::chrono::milliseconds(200)) return;
        shown = now;
        active = true;
        const double seconds = std::chrono::duration<double>(now - start).count();
        std::fprintf(stderr, "\r%zu/%zu documents, %.1f documents/s ", done, total, done / seconds);
        std::fflush(stderr);
    }
    void Finish() {
        if (active) std::fputc('\n', stderr);
    }
};

std::vector<std::string> Split(const std::vector<std::string>& lists) {
    std::vector<std::string> parts;
    for (const auto& list : lists) {
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t comma = list.find(',', start);
            const std::string part = list.substr(start, comma - start);
            if (!part.empty()) parts.push_back(part);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    return parts;
}

std::string Title(const sim::Note& note) {
    const sim::Item* item = note.Find("$TITLE");
    if (!item || item->value.size() < 2 || item->Type() != TYPE_TEXT) return {};
    return std::string(item->value.begin() + 2, item->value.end());  // LMBCS
}

// Documents the add-in will visit: the selection, or every view and folder whose name (the
// title before "|") begins with the shown one's.
std::size_t DocumentsToArchive(const sim::Database& db, NOTEID shown, std::size_t selected, int item) {
    if (item == 0) return selected;
    const auto it = db.notes.find(shown);
    if (it == db.notes.end()) return 0;
    const std::string title = Title(it->second);
    const std::string prefix = title.substr(0, title.find('|'));
    std::size_t total = 0;
    for (const auto& [id, note] : db.notes) {
        if (note.deleted || !(note.noteClass & NOTE_CLASS_VIEW)) continue;
        const std::string t = Title(note);
        if (t.substr(0, t.find('|')).compare(0, prefix.size(), prefix) != 0) continue;
        const auto c = db.collections.find(id);
        if (c == db.collections.end()) continue;
        for (NOTEID entry : c->second)
            if (!(entry & NOTEID_CATEGORY)) ++total;
    }
    return total;
}

std::set<NOTEID> LiveDocuments(const sim::Database& db) {
    std::set<NOTEID> ids;
    for (const auto& [id, note] : db.notes)
        if (!note.deleted && !(note.noteClass & NOTE_CLASS_VIEW)) ids.insert(id);
    return ids;
}

// The views and folders with the number of their entries: a removed folder or a document
// taken out of one is a change to save.
std::map<NOTEID, std::size_t> Views(const sim::Database& db) {
    std::map<NOTEID, std::size_t> views;
    for (const auto& [id, note] : db.notes)
        if (!note.deleted && (note.noteClass & NOTE_CLASS_VIEW)) {
            const auto c = db.collections.find(id);
            views[id] = c == db.collections.end() ? 0 : c->second.size();
        }
    return views;
}

// The archive commands change a database only by deleting documents and removing folders.
bool Changed(const sim::Database& db, const std::set<NOTEID>& documentsBefore,
             const std::map<NOTEID, std::size_t>& viewsBefore) {
    return LiveDocuments(db) != documentsBefore || Views(db) != viewsBefore;
}

const char* KeyName(std::uint8_t key) {
    switch (key) {
        case 0x12: return "Alt";
        case 0x1B: return "Escape";
        case 0x44: return "D";
        case 0x45: return "E";
        case 0x78: return "F9";
        default: return "?";
    }
}

}  // namespace

void AddArchiveOptions(CLI::App& sub, ArchiveRequest& r, bool withSelection) {
    sub.add_option("--db", r.dbFile,
                   "Database file (DXL) to open, or a mailbox (mbox file, Maildir folder, folder of message "
                   "files) opened in place, read-only")
        ->required()
        ->check(CLI::ExistingPath);
    sub.add_option("--view", r.view, "Title or alias of the view or folder the client shows")->required();
    if (withSelection)
        sub.add_option("--select", r.select,
                       "Selected documents: note IDs in hex (as `ls` prints them), comma-separated")
            ->required();
    sub.add_option("--answer", r.answers, "Answer the next question: ok or cancel (repeatable, in order)")
        ->check(CLI::IsMember({"ok", "cancel"}));
    sub.add_flag("--dry-run", r.dryRun, "Do not save the database afterwards (deletions are not kept)");
    sub.add_flag("--verbose", r.verbose, "Report the keys the client's window received");
    sub.add_option("--pace", r.pace,
                   "Let every note opened take MS milliseconds longer, as on a real database (to try "
                   "the progress and Ctrl-C)")
        ->option_text("MS");
}

bool ScriptAnswers(const std::vector<std::string>& answers) {
    std::vector<int> buttons;
    for (const auto& a : answers) {
        if (a == "ok")
            buttons.push_back(platform::IDOK_);
        else if (a == "cancel")
            buttons.push_back(platform::IDCANCEL_);
        else
            return false;
    }
    platform::posix::ScriptBoxAnswers(buttons);
    return true;
}

int RunArchive(const ArchiveRequest& r, int item) {
    const char* command = item == 0 ? "archive-selected" : "archive-view";
    std::string error;
    if (IsMailbox(r.dbFile)) {
        // A mailbox is opened read-only: a run that would delete from it is refused before it
        // starts. Without settings there is nothing to refuse: the run itself tells why it cannot start.
        const ArchiveSettings* settings = TheSettings();
        if (settings && (settings->DelMsgAfterArc || settings->DelViewFoldersAfterArc)) {
            std::cerr << "stowline " << command << ": " << r.dbFile
                      << " is a mailbox, opened read-only: nothing can be deleted from it; switch off "
                         "deleting messages and removing folders after archiving (stowline options "
                         "--delete-messages off --delete-folders off), or import it into a database file\n";
            return 1;
        }
    }
    sim::Database* db = OpenDatabase(command, r.dbFile, std::cerr);
    if (!db) return 1;

    // What the client window shows, found as the client finds it.
    DBHANDLE handle = sim::ClientDbHandle(*db);
    NOTEID viewNote = 0;
    if (NIFFindDesignNote(handle, sim::Utf8ToLmbcs(r.view).c_str(), NOTE_CLASS_VIEW, &viewNote) != 0) {
        std::cerr << "stowline " << command << ": no view or folder named '" << r.view << "'\n";
        sim::ReleaseClientHandle(handle);
        return 1;
    }
    std::vector<NOTEID> selection;
    for (const auto& text : Split(r.select)) {
        NOTEID id = 0;
        if (!ParseNoteId(text, id)) {
            std::cerr << "stowline " << command << ": '" << text << "' is not a note ID in hex\n";
            sim::ReleaseClientHandle(handle);
            return 1;
        }
        selection.push_back(id);
    }
    DHANDLE idTable = item == 0 ? sim::ClientIdTable(selection) : 0;

    ScriptAnswers(r.answers);
    sim::SetNoteOpenPace(r.pace);
    platform::posix::AddTopWindow("NOTES", kClientWindow);
    const std::set<NOTEID> before = LiveDocuments(*db);
    const std::map<NOTEID, std::size_t> views = Views(*db);

    Progress shown;
    shown.total = DocumentsToArchive(*db, viewNote, selection.size(), item);
    // Each document the add-in opens is one step of the run; design notes are not.
    const bool terminal = isatty(STDERR_FILENO);
    sim::ScopedObserver opened([&](const sim::Call& call) {
        if (terminal && call.function == "NSFNoteOpen" && before.count(call.note)) shown.Document();
    });

    SetUpMenu();
    using namespace menublock;
    constexpr std::uint32_t kViewThatExports = kContextView | kCanExport;
    unsigned char state[kInitMenuSize] = {};
    PutU32(state, kMenuContext, kViewThatExports);
    DTMenuProc(kInitMenu, state);
    unsigned char block[kCommandSize] = {};
    PutHandle(block, kCommandWindow, kClientWindow);
    PutU16(block, kCommandItemId, static_cast<std::uint16_t>(item));
    PutU32(block, kCommandContext, kViewThatExports);
    PutU32(block, kCommandDatabase, handle);
    PutU32(block, kCommandViewNoteId, viewNote);
    PutU32(block, kCommandSelectedNotes, idTable);
    DTMenuProc(kCommand, block);

    shown.Finish();

    if (r.verbose) {
        std::string keys;
        for (const auto& e : platform::posix::UiRecord()) {
            if (e.call != platform::posix::UiCall::KeyEvent) continue;
            keys += std::string(keys.empty() ? "" : ", ") + KeyName(e.key) + (e.flags & 2 ? " up" : " down");
        }
        std::cerr << "NOTES window received: " << (keys.empty() ? "no keys" : keys) << '\n';
    }

    std::size_t deleted = 0;
    for (NOTEID id : before)
        if (!db->notes.count(id) || db->notes.at(id).deleted) ++deleted;

    if (idTable) sim::ReleaseClientHandle(idTable);
    sim::ReleaseClientHandle(handle);

    int status = 0;
    if (r.dryRun) {
        std::cout << deleted << " document(s) deleted in memory; database not saved (dry run)\n";
    } else if (db->readOnly || !Changed(*db, before, views)) {
        std::cout << deleted << " document(s) deleted; nothing changed, database not saved\n";
    } else if (!sim::dxl::SaveDatabase(*db, r.dbFile, error)) {
        std::cerr << "stowline " << command << ": " << error << '\n';
        status = 1;
    } else {
        std::cout << deleted << " document(s) deleted; database saved to " << r.dbFile << '\n';
    }
    return status;
}

}  // namespace stowline::cli

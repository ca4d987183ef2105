// `stowline ls --db FILE [--view NAME]`: what a database file holds, as the client would show
// it: its views and folders, its documents, or the entries of one view in order. Text is
// printed as UTF-8.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "sim/Lmbcs.h"
#include "sim/Model.h"
#include "DatabaseFile.h"

namespace stowline::cli {
namespace {

std::string ItemText(const sim::Note& note, const char* name) {
    const sim::Item* item = note.Find(name);
    if (!item || item->value.size() < 2) return {};
    const auto& v = item->value;
    if (item->Type() == TYPE_TEXT) return sim::LmbcsToUtf8(std::string(v.begin() + 2, v.end()));
    if (item->Type() == TYPE_TEXT_LIST && v.size() >= 6) {  // the first entry
        const size_t count = v[2] | v[3] << 8, length = v[4] | v[5] << 8;
        const size_t start = 4 + 2 * count;
        if (count > 0 && start + length <= v.size())
            return sim::LmbcsToUtf8(std::string(v.begin() + start, v.begin() + start + length));
    }
    return {};
}

std::string Hex(DWORD value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", width, value);
    return text;
}

std::string Unid(const sim::Note& note) {
    return Hex(note.oid.File.Innards[1], 8) + Hex(note.oid.File.Innards[0], 8) + Hex(note.oid.Note.Innards[1], 8) +
           Hex(note.oid.Note.Innards[0], 8);
}

bool IsFolder(const sim::Note& note) { return ItemText(note, "$Flags").find('F') != std::string::npos; }

// A view's title or one of its aliases, as NIFFindDesignNote matches them.
bool HasName(const sim::Note& view, const std::string& name) {
    const std::string title = ItemText(view, "$TITLE");
    size_t start = 0;
    while (true) {
        const size_t bar = title.find('|', start);
        if (sim::NamesEqual(title.substr(start, bar - start), name)) return true;
        if (bar == std::string::npos) return false;
        start = bar + 1;
    }
}

void PrintDocument(std::ostream& out, const sim::Note& note) {
    out << Hex(note.id, 0) << '\t' << Unid(note) << '\t' << ItemText(note, "Form") << '\t' << ItemText(note, "Subject")
        << '\n';
}

int ListDatabase(const sim::Database& db, std::ostream& out) {
    out << "Views and folders (note ID, title, kind):\n";
    for (const auto& [id, note] : db.notes)
        if (!note.deleted && (note.noteClass & NOTE_CLASS_VIEW))
            out << Hex(id, 0) << '\t' << ItemText(note, "$TITLE") << '\t' << (IsFolder(note) ? "folder" : "view")
                << '\n';
    out << "Documents (note ID, universal ID, form, subject):\n";
    for (const auto& [id, note] : db.notes)
        if (!note.deleted && (note.noteClass & ~NOTE_CLASS_DEFAULT) == NOTE_CLASS_DOCUMENT) PrintDocument(out, note);
    if (db.source)
        for (NOTEID id : db.source->Ids())
            if (const auto note = DocumentOf(db, id)) PrintDocument(out, *note);
    return 0;
}

int ListView(const sim::Database& db, const std::string& name, std::ostream& out, std::ostream& err) {
    for (const auto& [id, note] : db.notes) {
        if (note.deleted || !(note.noteClass & NOTE_CLASS_VIEW) || !HasName(note, name)) continue;
        const auto collection = db.collections.find(id);
        if (collection == db.collections.end()) break;
        for (NOTEID entry : collection->second) {
            if (entry & NOTEID_CATEGORY) {
                out << Hex(entry, 8) << "\t(category)\n";
                continue;
            }
            const auto doc = DocumentOf(db, entry);
            if (doc && !doc->deleted) PrintDocument(out, *doc);
        }
        return 0;
    }
    err << "stowline ls: no view or folder named '" << name << "'\n";
    return 1;
}

}  // namespace

int RunLs(const std::string& dbFile, const std::string& view, std::ostream& out, std::ostream& err) {
    const sim::Database* db = OpenDatabase("ls", dbFile, err);
    if (!db) return 1;
    return view.empty() ? ListDatabase(*db, out) : ListView(*db, view, out, err);
}

// Adds the `ls` subcommand; its callback leaves the exit code in `exitCode`.
void AddLsCommand(CLI::App& app, int& exitCode) {
    auto* ls = app.add_subcommand("ls",
                                  "List the views, folders and documents of a database file, "
                                  "or the entries of one view or folder in order");
    auto db = std::make_shared<std::string>();
    auto view = std::make_shared<std::string>();
    ls->add_option("--db", *db, "Database file (DXL), or a mailbox opened in place")->required();
    ls->add_option("--view", *view, "Title or alias of a view or folder whose entries to list");
    ls->callback([db, view, &exitCode] { exitCode = RunLs(*db, *view, std::cout, std::cerr); });
}

}  // namespace stowline::cli

#include "Command.h"
static const stowline::cli::Registration lsRegistration{"ls", stowline::cli::AddLsCommand};

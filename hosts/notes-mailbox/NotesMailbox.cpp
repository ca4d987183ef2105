// notes-mailbox: builds a test mailbox for notes-host.exe and reads one back.
//
//   notes-mailbox build OUT.snapshot [--folder NAME] MAILFILE... [--folder NAME] MAILFILE...
//       imports mail (EML, mbox, Maildir) into a stand-in database, each group into the named
//       folder (default: the Inbox), and saves it as a snapshot the Windows stand-in can load.
//   notes-mailbox list FILE.snapshot
//       prints the live documents (note ID and subject) and every view and folder with its
//       entries, in note-ID order, for tests to compare.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/Engine.h"
#include "sim/Snapshot.h"
#include "sim/mail/Import.h"

namespace {

std::string TextOf(const sim::Item* item) {
    if (!item || item->value.size() < 2 || item->Type() != TYPE_TEXT) return "-";
    return std::string(item->value.begin() + 2, item->value.end());
}

int Build(int argc, char** argv) {
    if (argc < 3) return 2;
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    std::string folder;
    std::vector<std::filesystem::path> files;
    auto flush = [&]() -> bool {
        if (files.empty()) return true;
        sim::mail::ImportOptions options;
        options.folder = folder;
        const auto summary = sim::mail::Import(db, files, options);
        for (const auto& p : summary.problems) std::fprintf(stderr, "%s\n", p.c_str());
        files.clear();
        return summary.skipped == 0;
    };
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--folder" && i + 1 < argc) {
            if (!flush()) return 1;
            folder = argv[++i];
        } else {
            files.emplace_back(arg);
        }
    }
    if (!flush()) return 1;
    std::string error;
    if (!sim::WriteSnapshot(db, argv[2], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

int List(const char* file) {
    sim::Database db;
    std::string error;
    if (!sim::ReadSnapshot(file, db, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    for (const auto& [id, note] : db.notes) {
        if (note.deleted) continue;
        if (note.noteClass == NOTE_CLASS_DOCUMENT) {
            std::printf("document %u %s\n", unsigned(id), TextOf(note.Find("Subject")).c_str());
        } else if (note.noteClass & NOTE_CLASS_VIEW) {
            std::printf("view %u %s", unsigned(id), TextOf(note.Find("$TITLE")).c_str());
            if (auto it = db.collections.find(id); it != db.collections.end())
                for (NOTEID e : it->second) std::printf(" %u", unsigned(e));
            std::printf("\n");
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc >= 3) return Build(argc, argv);
    if (command == "list" && argc == 3) return List(argv[2]);
    std::fprintf(stderr,
                 "usage: notes-mailbox build OUT.snapshot [--folder NAME] MAIL...\n"
                 "       notes-mailbox list FILE.snapshot\n");
    return 2;
}

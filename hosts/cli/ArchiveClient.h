// The client's side of the archive commands: opens a database file in the stand-in, shows a
// view or folder, holds a selection, owns the "NOTES" window, picks the menu item with the
// client's command block, and saves the database afterwards so that deletions persist.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

namespace stowline::cli {

struct ArchiveRequest {
    std::string dbFile;
    std::string view;                  // title or alias, UTF-8
    std::vector<std::string> select;   // note IDs in hex, as `stowline ls` prints them
    std::vector<std::string> answers;  // "ok" or "cancel", for the questions in order
    bool dryRun = false;
    bool verbose = false;
    unsigned pace = 0;  // milliseconds each opened note takes longer
};

// The options both archive commands share.
void AddArchiveOptions(CLI::App& sub, ArchiveRequest& request, bool withSelection);

// Scripts the answers to the next message boxes ("ok"/"cancel"); false on any other word.
bool ScriptAnswers(const std::vector<std::string>& answers);

// Plays the client for menu item `item` (0 Archive Selected, 1 Archive View/Folder).
int RunArchive(const ArchiveRequest& request, int item);

}  // namespace stowline::cli

// stowline archive-view --db FILE --view NAME: the user opens a view or folder and picks
// "Archive View/Folder" (the folder goes with every view or folder its name begins).
#include <memory>

#include "ArchiveClient.h"
#include "Command.h"

namespace {

const stowline::cli::Registration reg{
    "archive-view", "Archive a view or folder with its subfolders, as the menu item does", [](CLI::App& sub) {
        auto request = std::make_shared<stowline::cli::ArchiveRequest>();
        stowline::cli::AddArchiveOptions(sub, *request, false);
        return [request]() { return stowline::cli::RunArchive(*request, 1); };
    }};

}  // namespace

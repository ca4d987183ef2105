// stowline archive-selected --db FILE --view NAME --select ID[,ID...]: the user selects
// documents in a view or folder and picks "Archive Selected".
#include <memory>

#include "ArchiveClient.h"
#include "Command.h"

namespace {

const stowline::cli::Registration reg{
    "archive-selected", "Archive the selected documents of a view or folder, as the menu item does", [](CLI::App& sub) {
        auto request = std::make_shared<stowline::cli::ArchiveRequest>();
        stowline::cli::AddArchiveOptions(sub, *request, true);
        return [request]() { return stowline::cli::RunArchive(*request, 0); };
    }};

}  // namespace

// stowline pick ITEM: the user picks item 0, 1 or 2 of the add-in's menu, with no database open.
#include <memory>

#include "Command.h"
#include "addin/DTMenuProc.h"

namespace {

const stowline::cli::Registration reg{
    "pick", "Pick a menu item (0 Archive Selected, 1 Archive View/Folder, 2 Options/Other) with no database open",
    [](CLI::App& sub) {
        auto item = std::make_shared<int>(0);
        sub.add_option("ITEM", *item, "The item's id offset: 0, 1 or 2")->required()->check(CLI::Range(0, 2));
        return [item]() {
            stowline::cli::SetUpMenu();
            unsigned char block[menublock::kCommandSize] = {};  // nothing open
            menublock::PutU16(block, menublock::kCommandItemId, static_cast<std::uint16_t>(*item));
            DTMenuProc(menublock::kCommand, block);
            return 0;
        };
    }};

}  // namespace

// stowline menu [--context N]: the add-in's items as the client sets them up, and with a
// context word, which of them the client would show enabled.
#include <iostream>
#include <optional>

#include "Command.h"
#include "addin/DTMenuProc.h"
#include "platform/posix/PosixUi.h"

namespace {

const stowline::cli::Registration reg{
    "menu", "Set up the add-in's menu items and print each item's command id and text", [](CLI::App& sub) {
        auto context = std::make_shared<std::optional<std::uint32_t>>();
        sub.add_option("--context", *context,
                       "Send the menu-about-to-show message with this context word (9: a view "
                       "that can export) and print each item as enabled or greyed");
        return [context]() {
            using namespace stowline::cli;
            const auto items = SetUpMenu();
            std::vector<std::string> states(items.size());
            if (*context) {
                constexpr std::uint32_t kMenuHandle = 0x4D454E55;
                unsigned char block[menublock::kInitMenuSize] = {};
                menublock::PutHandle(block, menublock::kMenuHandle, kMenuHandle);
                menublock::PutU32(block, menublock::kMenuContext, **context);
                platform::posix::ResetUi();
                DTMenuProc(menublock::kInitMenu, block);
                // An item the add-in leaves alone stays as the client shows it: enabled.
                for (auto& s : states) s = "enabled";
                for (const auto& e : platform::posix::UiRecord()) {
                    if (e.call != platform::posix::UiCall::EnableMenu) continue;
                    for (std::size_t i = 0; i < items.size(); ++i)
                        if (e.id == kStartingMenuId + items[i].idOffset)
                            states[i] = e.flags == 0 ? "enabled" : "greyed";
                }
            }
            for (std::size_t i = 0; i < items.size(); ++i) {
                std::cout << kStartingMenuId + items[i].idOffset << '\t' << items[i].text;
                if (*context) std::cout << '\t' << states[i];
                std::cout << '\n';
            }
            return 0;
        };
    }};

}  // namespace

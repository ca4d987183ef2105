#include "addin/DTMenuProc.h"

#include <cstring>
#include <exception>
#include <string>

#include "addin/AddinStartup.h"
#include "addin/ArchiveSelected.h"
#include "addin/ArchiveViewFolder.h"
#include "platform/Platform.h"
#include "settings/OptionsDialog.h"

namespace stowline {

namespace {

struct MenuItem {
    WORD idOffset;
    const char* text;
};
constexpr MenuItem kMenuItems[] = {
    {0, "&Stowline: Archive Selected"},
    {1, "Stowline: Archive View/Folder"},
    {2, "Stowline: Options/Other"},
};
constexpr WORD kItemCount = sizeof kMenuItems / sizeof kMenuItems[0];

WORD startingMenuId = 0;

NAMRESULT SetUpItem(void* b) {
    const WORD index = menublock::GetU16(b, menublock::kInitItemNumber);
    if (index == 0) startingMenuId = menublock::GetU16(b, menublock::kInitStartingId);
    // An index past the table (a client that does not stop at the answer 2) gets the last row
    // again rather than anything read beyond the table.
    const MenuItem& item = kMenuItems[index < kItemCount ? index : kItemCount - 1];
    menublock::PutU16(b, menublock::kInitItemId, item.idOffset);
    std::memcpy(static_cast<unsigned char*>(b) + menublock::kInitItemText, item.text, std::strlen(item.text) + 1);
    return index + 1 < kItemCount ? kInitContinue : kInitStop;
}

void EnableItems(const void* b) {
    const std::uintptr_t menu = menublock::GetHandle(b, menublock::kMenuHandle);
    const DWORD context = menublock::GetU32(b, menublock::kMenuContext);
    // The archive items need a view that can export.
    const bool enabled =
        (context & menublock::kCanExport) != 0 && (context & menublock::kContextMask) == menublock::kContextView;
    const unsigned state = enabled ? platform::MF_ENABLED_ : platform::MF_GRAYED_;
    platform::EnableMenuEntry(menu, static_cast<WORD>(startingMenuId + 0), state);
    platform::EnableMenuEntry(menu, static_cast<WORD>(startingMenuId + 1), state);
}

// Before an archive command: settings that cannot serve it send the user to the Options.
bool SettingsAllowArchive(ArchiveSettings& settings) {
    std::string reason;
    if (settings.Validate(reason)) return true;
    platform::ShowMessageBox("Please supply valid settings before continuing\n\n" + reason, "Provide Settings",
                             platform::MB_ICONEXCLAMATION_ | platform::MB_OK_);
    Targets().options(settings, 0);
    return false;
}

void RunCommand(const void* b) {
    const WORD item = menublock::GetU16(b, menublock::kCommandItemId);
    if (item > 2) return;
    ArchiveSettings* settings = TheSettings();
    if (!settings) {
        // Start-up found no settings folder: every item answers with the same message.
        platform::ShowMessageBox(kNoConfigurationMessage, kAppName, platform::MB_OK_);
        return;
    }
    switch (item) {
        case 0:
            if (SettingsAllowArchive(*settings)) Targets().archiveSelected(b);
            break;
        case 1:
            if (SettingsAllowArchive(*settings)) Targets().archiveViewFolder(b);
            break;
        case 2: Targets().options(*settings, 0); break;
    }
}

}  // namespace

WORD StartingMenuId() { return startingMenuId; }

const MenuTargets& DefaultTargets() {
    static const MenuTargets targets{ArchiveSelected, ArchiveViewFolder, ShowOptionsDialog};
    return targets;
}

MenuTargets& Targets() {
    static MenuTargets targets = DefaultTargets();
    return targets;
}

}  // namespace stowline

extern "C" NAMRESULT LNCALLBACK DTMenuProc(DWORD message, void* block) {
    using namespace stowline;
    const WORD code = static_cast<WORD>(message & 0xFFFF);
    try {
        StartAddin();  // once, before the first message is handled
        if (!block && code <= menublock::kCommand) return code == menublock::kInit ? kInitStop : 0;
        switch (code) {
            case menublock::kInit: return SetUpItem(block);
            case menublock::kInitMenu: EnableItems(block); return 0;
            case menublock::kCommand: RunCommand(block); return 0;
            default: return 0;
        }
    } catch (const std::exception& e) {
        try {
            platform::ShowMessageBox(std::string("The command stopped on an unexpected error: ") + e.what(), kAppName,
                                     platform::MB_ICONSTOP_ | platform::MB_OK_);
        } catch (...) {
        }
    } catch (...) {
        try {
            platform::ShowMessageBox("The command stopped on an unexpected error.", kAppName,
                                     platform::MB_ICONSTOP_ | platform::MB_OK_);
        } catch (...) {
        }
    }
    return code == menublock::kInit ? kInitStop : 0;
}

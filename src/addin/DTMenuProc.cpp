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

// The client's blocks are byte-packed: every field is read and written by its byte offset.
template <class T>
T Get(const void* b, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(b) + offset, sizeof value);
    return value;
}
template <class T>
void Put(void* b, std::size_t offset, T value) {
    std::memcpy(static_cast<unsigned char*>(b) + offset, &value, sizeof value);
}

NAMRESULT SetUpItem(void* b) {
    const WORD index = Get<WORD>(b, block::kInitItemNumber);
    if (index == 0) startingMenuId = Get<WORD>(b, block::kInitStartingId);
    // An index past the table (a client that does not stop at the answer 2) gets the last row
    // again rather than anything read beyond the table.
    const MenuItem& item = kMenuItems[index < kItemCount ? index : kItemCount - 1];
    Put<WORD>(b, block::kInitItemId, item.idOffset);
    std::memcpy(static_cast<unsigned char*>(b) + block::kInitItemText, item.text, std::strlen(item.text) + 1);
    return index + 1 < kItemCount ? kInitContinue : kInitStop;
}

void EnableItems(const void* b) {
    const DWORD menu = Get<DWORD>(b, block::kMenuHandle);
    const DWORD context = Get<DWORD>(b, block::kMenuContext);
    // The archive items need a view (context 1) that can export (bit 3).
    const bool enabled = (context & 8) != 0 && (context & 7) == 1;
    const unsigned state = enabled ? platform::MF_ENABLED_ : platform::MF_GRAYED_;
    platform::EnableMenuEntry(menu, static_cast<WORD>(startingMenuId + 0), state);
    platform::EnableMenuEntry(menu, static_cast<WORD>(startingMenuId + 1), state);
}

// Before an archive command: settings that cannot serve it send the user to the Options.
bool SettingsAllowArchive(ArchiveSettings& settings) {
    std::string reason;
    if (settings.Validate(reason)) return true;
    platform::ShowMessageBox("Please supply valid settings before continuing\n\n" + reason,
                             "Provide Settings", platform::MB_ICONEXCLAMATION_ | platform::MB_OK_);
    Targets().options(settings, 0);
    return false;
}

void RunCommand(const void* b) {
    const WORD item = Get<WORD>(b, block::kCommandItemId);
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
        case 2:
            Targets().options(*settings, 0);
            break;
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
        if (!block && code <= kMenuCommand) return code == kMenuInit ? kInitStop : 0;
        switch (code) {
            case kMenuInit: return SetUpItem(block);
            case kMenuInitMenu: EnableItems(block); return 0;
            case kMenuCommand: RunCommand(block); return 0;
            default: return 0;
        }
    } catch (const std::exception& e) {
        try {
            platform::ShowMessageBox(std::string("The command stopped on an unexpected error: ") + e.what(),
                                     kAppName, platform::MB_ICONSTOP_ | platform::MB_OK_);
        } catch (...) {
        }
    } catch (...) {
        try {
            platform::ShowMessageBox("The command stopped on an unexpected error.", kAppName,
                                     platform::MB_ICONSTOP_ | platform::MB_OK_);
        } catch (...) {
        }
    }
    return code == kMenuInit ? kInitStop : 0;
}

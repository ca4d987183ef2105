// Message boxes, the client's main window, key events, menus, the folder browser and help,
// on the real Win32 API.
#include <windows.h>
#include <shlobj.h>

#include "platform/Platform.h"

namespace platform {

namespace {
HWND AsWindow(std::uintptr_t w) { return reinterpret_cast<HWND>(w); }

// The folder that holds this module (the DLL or the program), with a trailing backslash.
std::string ModuleFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ModuleFolder), &self);
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}
}  // namespace

int ShowMessageBox(const std::string& text, const std::string& title, unsigned flags, std::uintptr_t owner) {
    return MessageBoxA(AsWindow(owner), text.c_str(), title.c_str(), flags);
}

std::uintptr_t FindTopWindow(const std::string& className) {
    return reinterpret_cast<std::uintptr_t>(FindWindowA(className.c_str(), nullptr));
}

bool BringToForeground(std::uintptr_t window) { return window != 0 && SetForegroundWindow(AsWindow(window)) != FALSE; }

// Scan code 0 and no extra data: the client's window is driven by virtual keys alone.
void SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) { keybd_event(virtualKey, 0, flags, 0); }

void EnableMenuEntry(std::uintptr_t menu, std::uint16_t commandId, unsigned state) {
    EnableMenuItem(reinterpret_cast<HMENU>(menu), commandId, MF_BYCOMMAND | state);
}

bool BrowseForFolder(std::uintptr_t owner, std::string& path) {
    // The browser needs COM on this thread; the client's thread normally has it already.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = AsWindow(owner);
    info.pszDisplayName = display;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;  // 0x41
    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        char folder[MAX_PATH] = {};
        if (SHGetPathFromIDListA(item, folder)) {
            path = folder;
            chosen = true;
        }
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return chosen;
}

void OpenHelpContents(std::uintptr_t owner) {
    const std::string file = ModuleFolder() + "Stowline.hlp";
    WinHelpA(AsWindow(owner), file.c_str(), HELP_FINDER, 0);
}

void EndProcess(int code) { ExitProcess(static_cast<UINT>(code)); }

}  // namespace platform

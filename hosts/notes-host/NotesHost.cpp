// notes-host.exe: plays the Notes client for tests of the real stowline.dll under Wine.
//
//   notes-host.exe SCRIPT TRANSCRIPT
//
// Like the client, it reads the AddInMenus line of the notes.ini in its own folder and loads
// each add-in named there with LoadLibrary, finds DTMenuProc by name, and drives it with
// byte-for-byte parameter blocks. It owns a top-level window of class "NOTES" with a menu
// bar that holds the add-in's items, records the keys that window receives, and answers the
// add-in's dialogs through UI automation (Automation.cpp). Everything is written to the
// transcript (HostScript.h describes the script).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <notesapi/menublocks.h>

#include "Automation.h"
#include "HostScript.h"
#include "StandIn.h"
#include "Transcript.h"

namespace host {
namespace {

// DTMenuProc: a 16-bit result, the message in a 32-bit argument, the block pointer.
using MenuProc = std::uint16_t(__stdcall*)(std::uint32_t message, void* block);

struct AddIn {
    std::string name;
    HMODULE module = nullptr;
    MenuProc proc = nullptr;
};

std::vector<AddIn> addIns;
HWND notesWindow = nullptr;
HMENU actionsMenu = nullptr;  // the drop-down that holds the add-in's items
WORD startingId = 0;
std::vector<WORD> itemIds;

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string KeyName(WPARAM vk) {
    switch (vk) {
        case VK_F9: return "F9";
        case VK_MENU: return "Alt";
        case VK_LMENU: return "LeftAlt";
        case VK_ESCAPE: return "Escape";
        default:
            if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
            return Hex(static_cast<unsigned>(vk));
    }
}

LRESULT CALLBACK NotesWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            Record("key down " + KeyName(wp));
            return 0;  // no menu mode, no beeps: the keys are only recorded
        case WM_KEYUP:
        case WM_SYSKEYUP: Record("key up " + KeyName(wp)); return 0;
        case WM_CHAR:
        case WM_SYSCHAR: return 0;
        case WM_DESTROY:
            if (w == notesWindow) notesWindow = nullptr;
            return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

bool CreateNotesWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = NotesWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "NOTES";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (!RegisterClassA(&wc)) return false;
    HMENU bar = CreateMenu();
    actionsMenu = CreatePopupMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(actionsMenu), "&Actions");
    notesWindow = CreateWindowExA(0, "NOTES", "Notes (test host)", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, bar,
                                  wc.hInstance, nullptr);
    if (!notesWindow) return false;
    ShowWindow(notesWindow, SW_SHOW);
    UpdateWindow(notesWindow);
    return true;
}

// Lets the window take what is queued for it: keys arrive through the message queue after
// the add-in has returned.
void Pump(DWORD quietMs) {
    DWORD lastMessage = GetTickCount();
    const DWORD start = lastMessage;
    for (;;) {
        MSG m;
        bool any = false;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        const DWORD now = GetTickCount();
        if (any) lastMessage = now;
        if (now - lastMessage >= quietMs || now - start > 10000) return;
        Sleep(10);
    }
}

// The add-ins the client loads: the comma-separated names of notes.ini's AddInMenus.
bool LoadAddIns(const std::string& notesIni) {
    char line[1024] = {};
    GetPrivateProfileStringA("Notes", "AddInMenus", "", line, sizeof line, notesIni.c_str());
    std::string names = line;
    Record("AddInMenus " + Quote(names));
    size_t start = 0;
    while (start < names.size()) {
        size_t comma = names.find(',', start);
        if (comma == std::string::npos) comma = names.size();
        std::string name = names.substr(start, comma - start);
        start = comma + 1;
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (name.empty()) continue;
        AddIn addIn{name};
        addIn.module = LoadLibraryA(name.c_str());
        if (!addIn.module) {
            Record("load " + Quote(name) + " failed, error " + std::to_string(GetLastError()));
            continue;
        }
        addIn.proc = reinterpret_cast<MenuProc>(reinterpret_cast<void*>(GetProcAddress(addIn.module, "DTMenuProc")));
        Record("load " + Quote(name) + (addIn.proc ? " ok" : " has no DTMenuProc"));
        if (addIn.proc) addIns.push_back(addIn);
    }
    return !addIns.empty();
}

void Setup(const AddIn& addIn, WORD first) {
    startingId = first;
    itemIds.clear();
    while (DeleteMenu(actionsMenu, 0, MF_BYPOSITION)) {
    }
    for (WORD index = 0; index < 16; ++index) {
        std::vector<BYTE> block(menublock::kInitSize, 0xCC);  // filler shows a text copied without its NUL
        menublock::PutU16(block.data(), menublock::kInitStartingId, first);
        menublock::PutU16(block.data(), menublock::kInitItemNumber, index);
        const std::uint16_t result = addIn.proc(menublock::kInit, block.data());
        const WORD offset = menublock::GetU16(block.data(), menublock::kInitItemId);
        const auto* text = reinterpret_cast<const char*>(block.data() + menublock::kInitItemText);
        const size_t length = strnlen(text, menublock::kInitItemTextSize);
        Record("setup " + std::to_string(index) + ": result " + std::to_string(result) + ", offset " +
               std::to_string(offset) + ", text " +
               (length < menublock::kInitItemTextSize ? Quote(text) : "without NUL"));
        if (length < menublock::kInitItemTextSize) {
            AppendMenuA(actionsMenu, MF_STRING, first + offset, text);
            itemIds.push_back(static_cast<WORD>(first + offset));
        }
        if (result != 1) break;
    }
    DrawMenuBar(notesWindow);
}

void State(const AddIn& addIn, DWORD context) {
    // Everything enabled first, so that an item the add-in leaves alone shows it.
    for (WORD id : itemIds) EnableMenuItem(actionsMenu, id, MF_BYCOMMAND | MF_ENABLED);
    std::vector<BYTE> block(menublock::kInitMenuSize, 0);
    menublock::PutHandle(block.data(), menublock::kMenuHandle, reinterpret_cast<std::uintptr_t>(actionsMenu));
    menublock::PutU32(block.data(), menublock::kMenuContext, context);
    const std::uint16_t result = addIn.proc(menublock::kInitMenu, block.data());
    std::string line = "state " + Hex(context) + ": result " + std::to_string(result);
    for (WORD id : itemIds) {
        const UINT s = GetMenuState(actionsMenu, id, MF_BYCOMMAND);
        line += ", " + std::to_string(id - startingId) + ((s & MF_GRAYED) ? " greyed" : " enabled");
    }
    Record(line);
}

struct Selection {
    std::uint32_t db = 0;
    std::uint32_t table = 0;
};

bool Command(const AddIn& addIn, const Tokens& t, const std::string& dbPath) {
    std::vector<BYTE> block(menublock::kCommandSize, 0);
    const WORD item = static_cast<WORD>(std::stoi(t[1]));
    // The client's window, the owner of what the add-in shows.
    menublock::PutHandle(block.data(), menublock::kCommandWindow, reinterpret_cast<std::uintptr_t>(notesWindow));
    menublock::PutU16(block.data(), menublock::kCommandItemId, item);
    std::string view;
    std::vector<size_t> positions;
    bool all = false;
    for (size_t i = 2; i < t.size(); ++i) {
        if (t[i] == "view" && i + 1 < t.size())
            view = t[++i];
        else if (t[i] == "select-all")
            all = true;
        else if (t[i] != "select")
            positions.push_back(std::stoul(t[i]));
    }
    Selection held;
    std::uint32_t viewId = 0;
    std::string selected;
    if (!dbPath.empty()) {
        held.db = ClientDatabase(dbPath);
        if (!view.empty()) {
            viewId = FindView(dbPath, view);
            if (!viewId) {
                Record("no view " + Quote(view));
                return false;
            }
        }
        const std::vector<std::uint32_t> entries = ViewEntries(dbPath, viewId);
        std::vector<std::uint32_t> chosen;
        if (all) chosen = entries;
        for (size_t p : positions)
            if (p >= 1 && p <= entries.size()) chosen.push_back(entries[p - 1]);
        for (std::uint32_t id : chosen) selected += " " + std::to_string(id);
        held.table = ClientIdTable(chosen);
    }
    menublock::PutU32(block.data(), menublock::kCommandDatabase, held.db);
    menublock::PutU32(block.data(), menublock::kCommandViewNoteId, viewId);
    menublock::PutU32(block.data(), menublock::kCommandSelectedNotes, held.table);
    Record("command " + std::to_string(item) + (view.empty() ? "" : " in " + Quote(view)) +
           (selected.empty() ? "" : ", selected" + selected));
    const std::vector<BYTE> before = block;
    const std::uint16_t result = addIn.proc(menublock::kCommand, block.data());
    Pump(300);
    Record("command " + std::to_string(item) + " result " + std::to_string(result) +
           (block == before ? "" : ", block changed"));
    if (held.table) ReleaseClientHandle(held.table);
    if (held.db) ReleaseClientHandle(held.db);
    return true;
}

int RunScript(const HostScript& script) {
    std::string dbPath;
    int failures = 0;
    for (const Tokens& t : script.commands) {
        const std::string& verb = t[0];
        const AddIn* addIn = addIns.empty() ? nullptr : &addIns.front();
        if (verb == "load" && t.size() == 3) {
            const bool loaded = LoadDatabase(t[1], t[2]);
            Record("database " + Quote(t[2]) + (loaded ? " loaded" : " not loaded"));
            if (!loaded) return 1;
            dbPath = t[2];
        } else if (verb == "save" && t.size() == 3) {
            if (!SaveDatabase(t[2], t[1])) {
                Record("database " + Quote(t[2]) + " not saved");
                ++failures;
            }
        } else if (verb == "pace" && t.size() == 2) {
            SetNoteOpenPace(static_cast<unsigned>(std::stoul(t[1])));
            Record("pace " + t[1] + " ms");
        } else if (verb == "clean") {
            const std::string problems = StandInProblems();
            Record(problems.empty() ? "stand-in clean" : "stand-in problems: " + Quote(problems));
        } else if (verb == "window" && t.size() == 2 && t[1] == "off") {
            if (notesWindow) DestroyWindow(notesWindow);
            Pump(50);
            Record("NOTES window closed");
        } else if (verb == "unload") {
            for (const AddIn& a : addIns) FreeLibrary(a.module);
            addIns.clear();
            Record("add-ins unloaded");
        } else if (!addIn) {
            Record("no add-in for " + Quote(verb));
            return 1;
        } else if (verb == "setup" && t.size() == 2) {
            Setup(*addIn, static_cast<WORD>(std::stoul(t[1], nullptr, 0)));
        } else if (verb == "state") {
            for (size_t i = 1; i < t.size(); ++i) State(*addIn, static_cast<DWORD>(std::stoul(t[i], nullptr, 0)));
        } else if (verb == "command" && t.size() >= 2) {
            if (!Command(*addIn, t, dbPath)) ++failures;
        } else if (verb == "message" && t.size() == 2) {
            std::vector<BYTE> block(menublock::kCommandSize, 0);  // the largest block
            const DWORD message = static_cast<DWORD>(std::stoul(t[1], nullptr, 0));
            const std::uint16_t result = addIn->proc(message, block.data());
            Record("message " + std::to_string(message) + ": result " + std::to_string(result) +
                   (block == std::vector<BYTE>(menublock::kCommandSize, 0) ? "" : ", block changed"));
        } else {
            Record("unknown command " + Quote(verb));
            return 1;
        }
    }
    return failures ? 1 : 0;
}

}  // namespace
}  // namespace host

int main(int argc, char** argv) {
    using namespace host;
    if (argc != 3) {
        std::fprintf(stderr, "usage: notes-host.exe SCRIPT TRANSCRIPT\n");
        return 2;
    }
    if (!OpenTranscript(argv[2])) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 2;
    }
    HostScript script;
    std::string error;
    if (!ReadHostScript(argv[1], script, error)) {
        Record("script error: " + error);
        return 2;
    }
    // The stand-in reads notes.ini variables from the file NOTES_INI names: the client's own.
    const std::string notesIni = ExeFolder() + "notes.ini";
    if (!std::getenv("NOTES_INI")) _putenv(("NOTES_INI=" + notesIni).c_str());
    if (!CreateNotesWindow()) {
        Record("cannot create the NOTES window");
        return 2;
    }
    // Dialogs can already come at load time (start-up without settings).
    StartAutomation(script.dialogs);
    int rc = LoadAddIns(notesIni) ? RunScript(script) : 1;
    if (!StopAutomation()) rc = 1;
    Record("end");
    return rc;
}

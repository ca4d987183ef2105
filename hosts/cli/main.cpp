// The command line's main: parses, runs the add-in's start-up as the client's loading of the
// library would, then runs one subcommand.
#include <iostream>

#include "Command.h"
#include "addin/AddinStartup.h"
#include "addin/DTMenuProc.h"
#include "platform/WindowsPath.h"
#include "platform/posix/PosixUi.h"
#include "platform/Text.h"

#if defined(STOWLINE_JEMALLOC)
// One arena: the build-ahead thread and the client share it, instead of each filling an arena
// (and its cached pages) of its own.
extern "C" const char* malloc_conf = "narenas:1";
#endif

namespace stowline::cli {

namespace {
bool errorShown = false;
}

std::vector<CommandInfo>& Commands() {
    static std::vector<CommandInfo> commands;
    return commands;
}

bool ErrorShown() { return errorShown; }
void NoteError() { errorShown = true; }

std::vector<MenuItem> SetUpMenu() {
    std::vector<MenuItem> items;
    for (std::uint16_t index = 0;; ++index) {
        unsigned char block[menublock::kInitSize] = {};
        menublock::PutU16(block, menublock::kInitStartingId, kStartingMenuId);
        menublock::PutU16(block, menublock::kInitItemNumber, index);
        const NAMRESULT answer = DTMenuProc(menublock::kInit, block);
        block[sizeof block - 1] = 0;
        items.push_back({menublock::GetU16(block, menublock::kInitItemId),
                         reinterpret_cast<const char*>(block + menublock::kInitItemText)});
        if (answer != 1) break;
    }
    return items;
}

}  // namespace stowline::cli

namespace {

// Questions (OK/Cancel) and the completion notices are not failures; every other box is an
// error or a refusal the user has to act on.
bool IsErrorOrRefusal(const platform::posix::UiEvent& box) {
    if ((box.flags & 0x0F) != 0) return false;
    const unsigned icon = box.flags & 0xF0;
    if (icon != 0) return icon == 0x10 || icon == 0x30;
    for (const char* notice : {"Documents Archived.", "View Folders Archived."})
        if (box.text.rfind(notice, 0) == 0) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace stowline::cli;
    CLI::App app{"Stowline's command line: plays the Notes client for the Stowline add-in."};
    app.require_subcommand(1);
    std::vector<std::pair<CLI::App*, const CommandInfo*>> subs;
    std::vector<Runner> runners(Commands().size());
    int addedExitCode = 0;
    for (std::size_t i = 0; i < Commands().size(); ++i) {
        const auto& info = Commands()[i];
        CLI::App* sub = nullptr;
        if (info.add) {
            info.add(app, addedExitCode);
            sub = app.get_subcommand(info.name);
        } else {
            sub = app.add_subcommand(info.name, info.description);
            runners[i] = info.setup(*sub);
        }
        subs.emplace_back(sub, &info);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    // Every box is shown on standard error as "title: text".
    platform::posix::SetAskOnTerminal(true);
    platform::posix::SetBoxObserver([](const platform::posix::UiEvent& box) {
        std::cerr << platform::text::Cp1252ToUtf8(box.title) << ": " << platform::text::Cp1252ToUtf8(box.text)
                  << std::endl;
        if (IsErrorOrRefusal(box)) NoteError();
    });

    try {
        for (std::size_t i = 0; i < subs.size(); ++i) {
            if (!subs[i].first->parsed()) continue;
            if (subs[i].second->add) return addedExitCode;  // ran in its parse callback
            // As in the client, the add-in stays loaded when its start-up shows a message: the
            // command still runs (every item then answers with that message), and the exit
            // status says that a message was shown.
            if (subs[i].second->needsStartup) stowline::StartAddin();
            const int status = runners[i]();
            return status != 0 ? status : (ErrorShown() ? 1 : 0);
        }
    } catch (const std::exception& e) {
        std::cerr << "stowline: " << e.what() << std::endl;
        return 1;
    }
    return 2;
}

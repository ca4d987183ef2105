// The command line's subcommands register themselves here, one per cmd_*.cpp:
//
//   static const stowline::cli::Registration reg{"name", "what it does",
//       [](CLI::App& sub) { /* add options */ return [] { /* run */ return 0; }; }};
//
// Runners answer the exit status: 0 ran cleanly, 1 an error or refusal was shown.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace stowline::cli {

using Runner = std::function<int()>;
using Setup = std::function<Runner(CLI::App& subcommand)>;

// A command that adds its own subcommand, running in its parse callback and leaving its
// exit status in `exitCode`; such tools work without the add-in's start-up.
using AddFunction = void (*)(CLI::App& app, int& exitCode);

struct CommandInfo {
    std::string name;
    std::string description;
    Setup setup;
    // False for commands that work without the add-in's start-up (tools around it).
    bool needsStartup = true;
    AddFunction add = nullptr;
};

std::vector<CommandInfo>& Commands();

struct Registration {
    Registration(std::string name, std::string description, Setup setup, bool needsStartup = true) {
        Commands().push_back({std::move(name), std::move(description), std::move(setup), needsStartup});
    }
    Registration(std::string name, AddFunction add) { Commands().push_back({std::move(name), {}, {}, false, add}); }
};

// Whether a box with an error or refusal (stop or exclamation icon) has been shown.
bool ErrorShown();
// For commands that fail without a box of their own.
void NoteError();

// The command id the client hands the add-in for its first item.
inline constexpr std::uint16_t kStartingMenuId = 2000;
// Sets the add-in's menu up as the client does (message 0 per item, until it answers 2);
// answers each item's id offset and text.
struct MenuItem {
    std::uint16_t idOffset;
    std::string text;
};
std::vector<MenuItem> SetUpMenu();

}  // namespace stowline::cli

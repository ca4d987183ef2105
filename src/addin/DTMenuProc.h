// The add-in's entry point: the Notes client's desktop menu extension procedure.
#pragma once

#include <notesapi/menublocks.h>
#include <notesapi/notesapi.h>

#include <cstdint>

namespace stowline {

class ArchiveSettings;

// Answers to menublock::kInit.
enum : NAMRESULT { kInitContinue = 1, kInitStop = 2 };

// The command id the client gave item 0, kept for the life of the process.
WORD StartingMenuId();

// What the three items run. Tests put recorders here to see what a pick dispatches.
struct MenuTargets {
    void (*archiveSelected)(const void* commandBlock);
    void (*archiveViewFolder)(const void* commandBlock);
    void (*options)(ArchiveSettings& settings, std::uintptr_t owner);
};
MenuTargets& Targets();
const MenuTargets& DefaultTargets();

}  // namespace stowline

// Exported by name and at ordinal 1. The client passes the message as a WORD: only the low 16
// bits of `message` count (on x64 the rest of its register is left undefined).
extern "C" NAMRESULT LNCALLBACK DTMenuProc(DWORD message, void* block);

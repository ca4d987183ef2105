// The add-in's entry point: the Notes client's desktop menu extension procedure.
#pragma once

#include <notesapi/notesapi.h>

#include <cstdint>

namespace stowline {

class ArchiveSettings;

// The client's messages.
enum : WORD { kMenuInit = 0, kMenuInitMenu = 1, kMenuCommand = 2, kMenuTerm = 3 };
// Answers to kMenuInit.
enum : NAMRESULT { kInitContinue = 1, kInitStop = 2 };

// Byte offsets in the client's blocks (byte-packed, little-endian).
namespace block {
inline constexpr std::size_t kInitStartingId = 0;   // u16 in
inline constexpr std::size_t kInitItemNumber = 2;   // u16 in
inline constexpr std::size_t kInitItemId = 4;       // u16 out
inline constexpr std::size_t kInitItemText = 6;     // char[] out
inline constexpr std::size_t kMenuHandle = 0;   // u32
inline constexpr std::size_t kMenuContext = 4;  // u32
inline constexpr std::size_t kCommandItemId = 4;    // u16
}  // namespace block

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

// Exported by name and at ordinal 1; only the low 16 bits of `message` count.
extern "C" NAMRESULT LNCALLBACK DTMenuProc(DWORD message, void* block);

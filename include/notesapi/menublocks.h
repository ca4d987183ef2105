/* The blocks the Notes client hands a desktop menu extension (DTMenuProc) on 32-bit Windows.
 * They are byte-packed and little-endian, so every field is read and written by its byte
 * offset, never through a structure of the compiler's layout. */
#pragma once

#include <cstddef>
#include <cstdint>

namespace menublock {

/* The messages: the low 16 bits of DTMenuProc's first argument. */
enum : std::uint16_t { kInit = 0, kInitMenu = 1, kCommand = 2, kTerm = 3 };

/* NAM_INIT_INFO: one menu item is asked for per kInit. */
inline constexpr std::size_t kInitStartingId = 0;  /* u16 in: the Windows ID of the first item */
inline constexpr std::size_t kInitItemNumber = 2;  /* u16 in: 0, 1, 2 ... */
inline constexpr std::size_t kInitItemId = 4;      /* u16 out: the add-in's own ID of the item */
inline constexpr std::size_t kInitItemText = 6;    /* char[64] out, NUL included */
inline constexpr std::size_t kInitItemTextSize = 64;
inline constexpr std::size_t kInitSize = 70;

/* NAM_INITMENU_INFO: sent before the menu shows. */
inline constexpr std::size_t kMenuHandle = 0;   /* u32 */
inline constexpr std::size_t kMenuContext = 4;  /* u32: the context bits below */
inline constexpr std::size_t kInitMenuSize = 882;

/* NAM_COMMAND_INFO: an item was picked. */
inline constexpr std::size_t kCommandWindow = 0;         /* u32: the client's window */
inline constexpr std::size_t kCommandItemId = 4;         /* u16: the add-in's own ID */
inline constexpr std::size_t kCommandContext = 6;        /* u32: the context bits below */
inline constexpr std::size_t kCommandDatabase = 18;      /* u32: the database the view shows */
inline constexpr std::size_t kCommandViewNoteId = 28;    /* u32: the view's note ID */
inline constexpr std::size_t kCommandSelectedNotes = 60; /* u32: ID table of the selection */
inline constexpr std::size_t kCommandSize = 884;

/* Context bits: where the menu is (bits 0 to 2) and whether it can export (bit 3). */
inline constexpr std::uint32_t kContextMask = 7;
inline constexpr std::uint32_t kContextView = 1;
inline constexpr std::uint32_t kCanExport = 8;

inline std::uint16_t GetU16(const void* block, std::size_t at) {
    const auto* p = static_cast<const unsigned char*>(block) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t GetU32(const void* block, std::size_t at) {
    const auto* p = static_cast<const unsigned char*>(block) + at;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void PutU16(void* block, std::size_t at, std::uint16_t value) {
    auto* p = static_cast<unsigned char*>(block) + at;
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}
inline void PutU32(void* block, std::size_t at, std::uint32_t value) {
    auto* p = static_cast<unsigned char*>(block) + at;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  /* namespace menublock */

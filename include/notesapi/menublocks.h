/* The blocks the Notes client hands a desktop menu extension (DTMenuProc), in the layout of the
 * client's own bitness: byte-packed on 32-bit Windows, naturally aligned on 64-bit Windows
 * (notesapi.h says why). The structures below follow the toolkit's addinmen.h and ixview.h
 * field for field; the add-in and the hosts read and write the blocks by the byte offsets
 * taken from them, never by pointer casts, so a block may lie at any address. */
#pragma once

#include <cstddef>
#include <cstdint>

#include <notesapi/bytes.h>
#include <notesapi/layout.h>

namespace menublock {

/* The messages: the low 16 bits of DTMenuProc's first argument. */
enum : std::uint16_t { kInit = 0, kInitMenu = 1, kCommand = 2, kTerm = 3 };

namespace layout {
/* The toolkit's types, without the Windows headers' own BYTE, WORD and DWORD. */
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::uint32_t DHANDLE;
typedef std::uint32_t NOTEID;
typedef std::uint16_t HCOLLECTION;
struct UNID {
    DWORD Innards[4]; /* DBID File and TIMEDATE Note */
};
#if NOTESAPI_BYTE_PACKED
#pragma pack(push, 1)
#endif
/* A Windows handle (HWND, HMENU): pointer-sized, 4 bytes on 32-bit Windows and 8 on 64-bit. */
typedef void* WindowsHandle;

struct InitInfo { /* NAM_INIT_INFO */
    WORD wStartingID;
    WORD wMenuItemNumber;
    WORD wMenuID;
    char MenuItemName[64]; /* MAX_ADDIN_MENU_NAME */
};

struct ViewIxData { /* VIEWIXDATA */
    DHANDLE hFormNames;
    WORD FormCount;
    WORD Reserved1;
    DHANDLE hNoteFile;
    DHANDLE hViewFile;
    WORD wFlags;
    NOTEID ViewNoteID;
    UNID ViewNoteUNID;
    HCOLLECTION hViewCollection;
    WORD Reserved3;
    DHANDLE hUnreadList;
    DHANDLE hCollapsedList;
    DHANDLE hSelectedList;
    WORD Reserved4;
    DWORD Flags; /* bit 0 ViewIsPrivate, bit 1 ViewIsContact */
    NOTEID CaretNoteID;
    WORD ColumnCount;
    DHANDLE hColDesc;
    WORD LineArrayEntrySize;
    WORD TextWidth;
    WORD NumTextWidth;
    WORD Categories;
    DHANDLE hFormNoteIDs;
    DHANDLE hFormNamesFull;
};

/* NAM_CONTEXT_DATA: the context bits, then the view's data (or, in an editor, EDITIXDATA,
 * the larger member, which the add-in never reads: only its size counts here). */
#if NOTESAPI_BYTE_PACKED
inline constexpr std::size_t kEditIxDataSize = 874;
#else
inline constexpr std::size_t kEditIxDataSize = 884;
#endif
struct ContextData {
    DWORD Context;
    union {
        ViewIxData View;
        BYTE Edit[kEditIxDataSize];
    } IXData;
};

struct InitMenuInfo { /* NAM_INITMENU_INFO */
    WindowsHandle hMenu;
    ContextData Context;
};

struct CommandInfo { /* NAM_COMMAND_INFO */
    WindowsHandle hNotesWnd;
    WORD wMenuID;
    ContextData Context;
};
#if NOTESAPI_BYTE_PACKED
#pragma pack(pop)
#endif
}  // namespace layout

inline constexpr std::size_t kHandleSize = sizeof(layout::WindowsHandle);

/* NAM_INIT_INFO: one menu item is asked for per kInit. */
inline constexpr std::size_t kInitStartingId = offsetof(layout::InitInfo, wStartingID);     /* u16 in */
inline constexpr std::size_t kInitItemNumber = offsetof(layout::InitInfo, wMenuItemNumber); /* u16 in: 0, 1, 2 ... */
inline constexpr std::size_t kInitItemId = offsetof(layout::InitInfo, wMenuID); /* u16 out: the add-in's own ID */
inline constexpr std::size_t kInitItemText = offsetof(layout::InitInfo, MenuItemName); /* char[64] out, NUL included */
inline constexpr std::size_t kInitItemTextSize = sizeof(layout::InitInfo::MenuItemName);
inline constexpr std::size_t kInitSize = sizeof(layout::InitInfo);

/* NAM_INITMENU_INFO: sent before the menu shows. */
inline constexpr std::size_t kMenuHandle = offsetof(layout::InitMenuInfo, hMenu);            /* handle */
inline constexpr std::size_t kMenuContext = offsetof(layout::InitMenuInfo, Context.Context); /* u32: bits below */
inline constexpr std::size_t kInitMenuSize = sizeof(layout::InitMenuInfo);

/* NAM_COMMAND_INFO: an item was picked. */
inline constexpr std::size_t kCommandWindow =
    offsetof(layout::CommandInfo, hNotesWnd);                                         /* handle: the client's window */
inline constexpr std::size_t kCommandItemId = offsetof(layout::CommandInfo, wMenuID); /* u16: the add-in's own ID */
inline constexpr std::size_t kCommandContext = offsetof(layout::CommandInfo, Context.Context);
inline constexpr std::size_t kCommandDatabase =
    offsetof(layout::CommandInfo, Context.IXData.View.hNoteFile); /* u32: the database the view shows */
inline constexpr std::size_t kCommandViewFile =
    offsetof(layout::CommandInfo, Context.IXData.View.hViewFile); /* u32: the database that holds the view */
inline constexpr std::size_t kCommandViewNoteId =
    offsetof(layout::CommandInfo, Context.IXData.View.ViewNoteID); /* u32: the view's note ID */
inline constexpr std::size_t kCommandSelectedNotes =
    offsetof(layout::CommandInfo, Context.IXData.View.hSelectedList); /* u32: ID table of the selection */
inline constexpr std::size_t kCommandViewFlags =
    offsetof(layout::CommandInfo, Context.IXData.View.Flags); /* u32: bit 0 the view is private */
inline constexpr std::size_t kCommandSize = sizeof(layout::CommandInfo);

/* The toolkit headers' record layouts for each bitness (the 32-bit figures are those of the
 * byte-packed headers; the 64-bit ones those of the same headers compiled for x64, where no
 * runtime dump of a real 64-bit client's block was to be had). */
static_assert(kInitSize == 70 && kInitItemText == 6, "NAM_INIT_INFO is the same on both");
static_assert(sizeof(layout::ViewIxData) == (NOTESAPI_BYTE_PACKED ? 86 : 92), "VIEWIXDATA");
static_assert(sizeof(layout::ContextData) == (NOTESAPI_BYTE_PACKED ? 878 : 888), "NAM_CONTEXT_DATA");
#if NOTESAPI_BYTE_PACKED
static_assert(kHandleSize == 4, "32-bit handles");
static_assert(kMenuContext == 4 && kInitMenuSize == 882, "NAM_INITMENU_INFO, 32-bit");
static_assert(kCommandItemId == 4 && kCommandContext == 6 && kCommandDatabase == 18 && kCommandViewFile == 22 &&
                  kCommandViewNoteId == 28 && kCommandSelectedNotes == 60 && kCommandViewFlags == 66 &&
                  kCommandSize == 884,
              "NAM_COMMAND_INFO, 32-bit");
#else
static_assert(kHandleSize == 8, "64-bit handles");
static_assert(kMenuContext == 8 && kInitMenuSize == 896, "NAM_INITMENU_INFO, 64-bit");
static_assert(kCommandItemId == 8 && kCommandContext == 12 && kCommandDatabase == 24 && kCommandViewFile == 28 &&
                  kCommandViewNoteId == 36 && kCommandSelectedNotes == 68 && kCommandViewFlags == 76 &&
                  kCommandSize == 904,
              "NAM_COMMAND_INFO, 64-bit");
#endif

/* Context bits: where the menu is (bits 0 to 2) and whether it can export (bit 3). */
inline constexpr std::uint32_t kContextMask = 7;
inline constexpr std::uint32_t kContextView = 1;
inline constexpr std::uint32_t kCanExport = 8;

using notesbytes::GetU16;
using notesbytes::GetU32;
using notesbytes::PutU16;
using notesbytes::PutU32;

/* A Windows handle of the block, as wide as this build's pointers. */
inline std::uintptr_t GetHandle(const void* block, std::size_t at) {
    if constexpr (kHandleSize == 8)
        return static_cast<std::uintptr_t>(notesbytes::GetU64(block, at));
    else
        return notesbytes::GetU32(block, at);
}
inline void PutHandle(void* block, std::size_t at, std::uintptr_t value) {
    if constexpr (kHandleSize == 8)
        notesbytes::PutU64(block, at, value);
    else
        notesbytes::PutU32(block, at, static_cast<std::uint32_t>(value));
}

} /* namespace menublock */

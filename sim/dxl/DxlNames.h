// Names DXL and the stand-in agree on: note classes, file host types, item flags.
#pragma once

#include <notesapi/notesapi.h>

#include <optional>
#include <string>
#include <string_view>

namespace sim::dxl {

inline constexpr const char* kDxlNamespace = "http://www.lotus.com/dxl";

// The class attribute of <note> for a note class (without NOTE_CLASS_DEFAULT); empty when
// DXL has no name for it.
std::string NoteClassName(WORD noteClass);
std::optional<WORD> NoteClassFromName(std::string_view name);

std::string HostTypeName(WORD hostType);  // empty when DXL has no name for it
std::optional<WORD> HostTypeFromName(std::string_view name);

}  // namespace sim::dxl

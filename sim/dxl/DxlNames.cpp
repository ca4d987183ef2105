#include "DxlNames.h"

#include <utility>

namespace sim::dxl {
namespace {

constexpr std::pair<const char*, WORD> kClasses[] = {
    {"document", NOTE_CLASS_DOCUMENT},
    {"helpaboutdocument", NOTE_CLASS_INFO},
    {"form", NOTE_CLASS_FORM},
    {"view", NOTE_CLASS_VIEW},
    {"icon", NOTE_CLASS_ICON},
    {"design", NOTE_CLASS_DESIGN},
    {"acl", NOTE_CLASS_ACL},
    {"helpindex", NOTE_CLASS_HELP_INDEX},
    {"helpusingdocument", NOTE_CLASS_HELP},
    {"filter", NOTE_CLASS_FILTER},
    {"sharedfield", NOTE_CLASS_FIELD},
    {"replicationformula", NOTE_CLASS_REPLFORMULA},
};

// OLE storage types are not in the DXL list, but the stand-in keeps them apart from files.
constexpr std::pair<const char*, WORD> kHostTypes[] = {
    {"msdos", HOST_MSDOS},
    {"ole", HOST_OLE},
    {"mac", HOST_MAC},
    {"unknown", HOST_UNKNOWN},
    {"hpfs", HOST_HPFS},
    {"olelib", HOST_OLELIB},
    {"bytearrayext", HOST_BYTEARRAY_EXT},
    {"bytearraypage", HOST_BYTEARRAY_PAGE},
    {"cdstorage", HOST_CDSTORAGE},
    {"stream", HOST_STREAM},
    {"link", HOST_LINK},
};

}  // namespace

std::string NoteClassName(WORD noteClass) {
    for (const auto& [name, value] : kClasses)
        if (value == noteClass) return name;
    return {};
}

std::optional<WORD> NoteClassFromName(std::string_view name) {
    for (const auto& [text, value] : kClasses)
        if (name == text) return value;
    return std::nullopt;
}

std::string HostTypeName(WORD hostType) {
    for (const auto& [name, value] : kHostTypes)
        if (value == hostType) return name;
    return {};
}

std::optional<WORD> HostTypeFromName(std::string_view name) {
    for (const auto& [text, value] : kHostTypes)
        if (name == text) return value;
    return std::nullopt;
}

}  // namespace sim::dxl

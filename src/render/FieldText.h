// Free helpers of the field text operations (the operations themselves are members of
// NotesDocument).
#pragma once

#include <string>

namespace stowline {

// "CN=Ann Lee/OU=Sales/O=Corp" → "Ann Lee/Sales/Corp"; names not beginning with exactly
// "CN=" are returned unchanged.
std::string AbbreviateName(const std::string& name);

}  // namespace stowline

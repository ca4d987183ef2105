// The add-in's name: the title of its own message boxes, on every layer that shows one.
#pragma once

namespace stowline {

inline constexpr const char* kAppName = "Stowline";

}  // namespace stowline

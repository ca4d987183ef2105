// Ends the running menu command at once; the command shows its message. Thrown only below the
// menu dispatch, which catches it; it never reaches the Notes client.
#pragma once

#include <stdexcept>
#include <string>

namespace stowline {

class CommandAborted : public std::runtime_error {
public:
    explicit CommandAborted(const std::string& why) : std::runtime_error(why) {}
};

}  // namespace stowline

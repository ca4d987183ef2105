/* Little-endian values read and written at a byte offset, whatever the compiler's layout and
 * the address's alignment: for the client's menu blocks and for item values in canonical form. */
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace notesbytes {

inline std::uint16_t GetU16(const void* data, std::size_t at) {
    const auto* p = static_cast<const unsigned char*>(data) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t GetU32(const void* data, std::size_t at) {
    const auto* p = static_cast<const unsigned char*>(data) + at;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t GetU64(const void* data, std::size_t at) {
    return GetU32(data, at) | static_cast<std::uint64_t>(GetU32(data, at + 4)) << 32;
}
inline void PutU16(void* data, std::size_t at, std::uint16_t value) {
    auto* p = static_cast<unsigned char*>(data) + at;
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}
inline void PutU32(void* data, std::size_t at, std::uint32_t value) {
    auto* p = static_cast<unsigned char*>(data) + at;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}
inline void PutU64(void* data, std::size_t at, std::uint64_t value) {
    PutU32(data, at, static_cast<std::uint32_t>(value));
    PutU32(data, at + 4, static_cast<std::uint32_t>(value >> 32));
}

} /* namespace notesbytes */

// A set of note IDs that costs a few bits per ID where IDs lie close together, as a database
// hands them out, instead of a node per ID: a run over a large view remembers every note it met.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include <notesapi/notesapi.h>

namespace stowline {

class NoteIdSet {
public:
    // False when `id` was in the set already.
    bool Insert(NOTEID id) {
        Block& block = blocks_[id >> kBlockShift];
        std::uint64_t& word = block[(id >> 6) & (kWords - 1)];
        const std::uint64_t bit = std::uint64_t{1} << (id & 63);
        if (word & bit) return false;
        word |= bit;
        ++size_;
        return true;
    }
    bool Contains(NOTEID id) const {
        const auto it = blocks_.find(id >> kBlockShift);
        return it != blocks_.end() && (it->second[(id >> 6) & (kWords - 1)] >> (id & 63) & 1);
    }
    std::size_t Size() const { return size_; }
    void Clear() {
        blocks_.clear();
        size_ = 0;
    }

private:
    // 256 consecutive IDs to a block: 64 documents, as IDs go up by four.
    static constexpr unsigned kBlockShift = 8;
    static constexpr std::size_t kWords = (std::size_t{1} << kBlockShift) / 64;
    using Block = std::array<std::uint64_t, kWords>;
    std::unordered_map<NOTEID, Block> blocks_;
    std::size_t size_ = 0;
};

}  // namespace stowline

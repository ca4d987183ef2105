// The names one folder holds, as hashes of their folded spelling: four bytes a slot in an
// open-addressed table at most half full, where a folder of pages holds a name for every
// document archived. A hash that another name shares only costs the look that tells them
// apart; a name that is not there is told at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::posix {

class FoldedNames {
public:
    // Each slot holds a key of 30 bits and, below it, how many names were added under that key
    // and not removed since. The count makes removal safe: removing one name never drops the
    // key of another that shares it. A key added more often than the count holds (a name written
    // over again and again) stays for good.
    void insert(std::size_t hash) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        const std::uint32_t key = Key(hash);
        std::size_t i = Home(slots_, key);
        for (; slots_[i]; i = Next(slots_, i)) {
            if ((slots_[i] & ~kCountMask) != key) continue;
            if ((slots_[i] & kCountMask) != kCountMask) ++slots_[i];
            return;
        }
        slots_[i] = key | 1;
        ++count_;
    }

    // Takes one name under `hash` away again; only for a name that was added.
    void erase(std::size_t hash) {
        const std::uint32_t key = Key(hash);
        std::size_t i = Find(key);
        if (i == kNone) return;
        const std::uint32_t n = slots_[i] & kCountMask;
        if (n == kCountMask) return;
        if (n > 1) {
            --slots_[i];
            return;
        }
        // Linear probing without markers: the slots that follow move up into the gap unless
        // their own home lies after it, so that every key stays reachable from its home.
        --count_;
        for (std::size_t j = Next(slots_, i); slots_[j]; j = Next(slots_, j)) {
            const std::size_t home = Home(slots_, slots_[j] & ~kCountMask);
            const bool reachable = i <= j ? (home > i && home <= j) : (home > i || home <= j);
            if (reachable) continue;
            slots_[i] = slots_[j];
            i = j;
        }
        slots_[i] = 0;
    }

    std::size_t count(std::size_t hash) const { return Find(Key(hash)) == kNone ? 0 : 1; }
    // How many distinct keys are held.
    std::size_t size() const { return count_; }

private:
    static constexpr std::uint32_t kCountMask = 0x3;
    static constexpr std::size_t kNone = ~std::size_t{0};

    static std::uint32_t Key(std::size_t hash) {
        auto key = static_cast<std::uint32_t>(hash ^ (static_cast<std::uint64_t>(hash) >> 32)) & ~kCountMask;
        return key ? key : kCountMask + 1;  // 0 marks an empty slot
    }
    static std::size_t Home(const std::vector<std::uint32_t>& slots, std::uint32_t key) {
        return (key >> 2) & (slots.size() - 1);
    }
    static std::size_t Next(const std::vector<std::uint32_t>& slots, std::size_t i) {
        return (i + 1) & (slots.size() - 1);
    }
    std::size_t Find(std::uint32_t key) const {
        if (slots_.empty()) return kNone;
        for (std::size_t i = Home(slots_, key); slots_[i]; i = Next(slots_, i))
            if ((slots_[i] & ~kCountMask) == key) return i;
        return kNone;
    }
    void Grow() {
        std::vector<std::uint32_t> slots(std::max<std::size_t>(16, slots_.size() * 2), 0);
        for (std::uint32_t slot : slots_) {
            if (!slot) continue;
            std::size_t i = Home(slots, slot & ~kCountMask);
            while (slots[i]) i = Next(slots, i);
            slots[i] = slot;
        }
        slots_ = std::move(slots);
    }

    std::vector<std::uint32_t> slots_;  // a power of two long
    std::size_t count_ = 0;
};

}  // namespace platform::posix

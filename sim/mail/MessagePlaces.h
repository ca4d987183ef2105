// Where each listed message stands in its file, about eight bytes a message however large the
// mailbox: the mailbox opened in place keeps one for every message it holds. A message is kept
// as the step from the one before it and its length; a full offset every 64 messages bounds
// the steps added up to find one. A step or length too large for that (a message of a gigabyte,
// or the first message of the next file) is kept whole, apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace sim::mail::detail {

class MessagePlaces {
public:
    struct Place {
        uint64_t offset = 0;
        uint64_t length = 0;
        uint8_t tag = 0;  // two bits the caller keeps with the message
    };

    void push_back(const Place& place) {
        const size_t i = packed_.size();
        if (i % kEvery == 0) checkpoints_.push_back(place.offset);
        const uint64_t step = place.offset - previous_;
        const bool fits =
            (i % kEvery == 0 || (place.offset >= previous_ && step <= UINT32_MAX)) && place.length < kLengthLimit;
        previous_ = place.offset;
        if (!fits) {
            whole_.emplace(i, place);
            packed_.push_back({0, kApart});
            return;
        }
        packed_.push_back({i % kEvery == 0 ? 0 : static_cast<uint32_t>(step),
                           static_cast<uint32_t>(place.length << 2 | (place.tag & 3))});
    }

    Place operator[](size_t i) const {
        if (packed_[i].lengthAndTag == kApart) return whole_.at(i);
        const size_t first = i - i % kEvery;
        uint64_t offset = checkpoints_[i / kEvery];
        for (size_t k = first + 1; k <= i; ++k)
            offset = packed_[k].lengthAndTag == kApart ? whole_.at(k).offset : offset + packed_[k].step;
        const uint32_t packed = packed_[i].lengthAndTag;
        return {offset, packed >> 2, static_cast<uint8_t>(packed & 3)};
    }

    size_t size() const { return packed_.size(); }

private:
    static constexpr size_t kEvery = 64;
    static constexpr uint64_t kLengthLimit = (uint64_t{1} << 30) - 1;
    static constexpr uint32_t kApart = UINT32_MAX;  // never a length below the limit with its tag

    struct Packed {
        uint32_t step;  // from the message before, in the same group of 64
        uint32_t lengthAndTag;
    };
    std::deque<Packed> packed_;          // grows in blocks: no copy of all of them, nothing held twice
    std::vector<uint64_t> checkpoints_;  // the offset of every 64th message
    std::map<size_t, Place> whole_;
    uint64_t previous_ = 0;
};

}  // namespace sim::mail::detail

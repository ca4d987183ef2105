// The compact list of where messages stand: every message reads back as it was listed,
// including those that do not fit the packed form and those after them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "MessagePlaces.h"

namespace {

using sim::mail::detail::MessagePlaces;
using Place = MessagePlaces::Place;

TEST(MessagePlaces, EveryMessageReadsBackAsListed) {
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    std::vector<Place> listed;
    uint64_t at = 0;
    for (int i = 0; i < 300; ++i) {
        Place p{at + 40, static_cast<uint64_t>(100 + i * 7), static_cast<uint8_t>(i % 4)};
        switch (i) {
            case 5: p.length = kGiB; break;                 // too long to pack
            case 6: p.offset = at + 5 * kGiB; break;        // too far from the one before
            case 64: p.length = 3 * kGiB; break;            // the first of a group, kept apart
            case 70: p.offset = 0; break;                   // the next file starts again at 0
            case 71: p.offset = 0, p.length = 0; break;     // an empty message file
            case 127: p.length = kGiB - 1; break;           // one past the longest packed
            case 128: p.length = kGiB - 2; break;           // the longest that is packed
            case 200: p.offset = UINT64_MAX - kGiB; break;  // a full offset far out
            default: break;
        }
        listed.push_back(p);
        at = p.offset + p.length;
    }
    MessagePlaces places;
    for (const Place& p : listed) places.push_back(p);
    ASSERT_EQ(places.size(), listed.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        const Place got = places[i];
        EXPECT_EQ(got.offset, listed[i].offset) << i;
        EXPECT_EQ(got.length, listed[i].length) << i;
        EXPECT_EQ(got.tag, listed[i].tag) << i;
    }
}

}  // namespace

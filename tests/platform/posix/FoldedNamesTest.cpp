#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "platform/posix/FoldedNames.h"

namespace {

using platform::posix::FoldedNames;

// A hash whose key lands in home slot `home` (of a table of 16 or more) with `tag` telling it
// apart from others of the same home.
std::size_t HashAt(std::uint32_t home, std::uint32_t tag) { return (std::size_t{tag} << 24) | (home << 2); }

// Removing a name leaves every other name found: those that share its key (counted), and
// those stored after it in the same run of slots (moved up into the gap).
TEST(FoldedNames, RemovingANameKeepsEveryOther) {
    FoldedNames names;
    const std::size_t shared = HashAt(3, 1);
    names.insert(shared);
    names.insert(shared);  // a second name under the same key
    names.insert(HashAt(3, 2));
    names.insert(HashAt(4, 1));  // pushed along by those at 3
    names.insert(HashAt(15, 1));
    names.insert(HashAt(15, 2));  // wraps round to slot 0
    names.insert(HashAt(0, 1));   // pushed along by the one that wrapped
    EXPECT_EQ(names.size(), 6u);

    names.erase(shared);
    EXPECT_EQ(names.count(shared), 1u) << "the other name under the key";
    names.erase(shared);
    EXPECT_EQ(names.count(shared), 0u);
    names.erase(HashAt(15, 1));
    for (std::size_t kept : {HashAt(3, 2), HashAt(4, 1), HashAt(15, 2), HashAt(0, 1)})
        EXPECT_EQ(names.count(kept), 1u) << std::hex << kept;
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(names.count(HashAt(15, 1)), 0u);
}

// A key added more often than a slot can count is never removed.
TEST(FoldedNames, AKeyCountedToTheTopStays) {
    FoldedNames names;
    for (int i = 0; i < 20; ++i) names.insert(HashAt(5, 1));
    for (int i = 0; i < 40; ++i) names.erase(HashAt(5, 1));
    EXPECT_EQ(names.count(HashAt(5, 1)), 1u);
}

// Names crowded onto few home slots, added and removed in a random order across growth: the
// table answers as a set of the names still there would.
TEST(FoldedNames, AnswersAsASetThroughAddsAndRemovals) {
    std::mt19937 random(7);
    FoldedNames names;
    std::multiset<std::size_t> held;
    std::vector<std::size_t> pool;
    for (int i = 0; i < 3000; ++i) pool.push_back(HashAt(random() % 64, random() % 255 + 1));
    for (int step = 0; step < 20000; ++step) {
        const std::size_t hash = pool[random() % pool.size()];
        if ((random() % 3 != 0 && held.count(hash) < 2) || !held.count(hash)) {
            names.insert(hash);
            held.insert(hash);
        } else {
            names.erase(hash);
            held.erase(held.find(hash));
        }
    }
    for (std::size_t hash : pool) ASSERT_EQ(names.count(hash), held.count(hash) ? 1u : 0u) << std::hex << hash;
}

}  // namespace

#include "notes/NoteIdSet.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace stowline {
namespace {

// IDs next to each other, far apart, sharing a block or a word, and at both ends of the range.
TEST(NoteIdSetTest, HoldsWhatASetHolds) {
    const std::vector<NOTEID> ids = {0x8F6,      0x8FA,      0x8FE, 0x8F6,      0x9F6,   4,
                                     0,          63,         64,    255,        256,     0x7FFFFFFC,
                                     0x80000004, 0xFFFFFFFF, 0x8FA, 0xFFFFFFFF, 0x10000, 0x100FC};
    NoteIdSet set;
    std::set<NOTEID> reference;
    for (NOTEID id : ids) {
        EXPECT_EQ(set.Insert(id), reference.insert(id).second) << id;
        EXPECT_EQ(set.Size(), reference.size());
    }
    for (NOTEID probe : {0u,          1u,          4u,          8u,          62u,         63u,         64u,
                         65u,         255u,        256u,        0x8F6u,      0x8F7u,      0x8FAu,      0x9F2u,
                         0x7FFFFFFCu, 0x7FFFFFF8u, 0x80000004u, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu, 0x100FCu})
        EXPECT_EQ(set.Contains(probe), reference.count(probe) == 1) << probe;

    set.Clear();
    EXPECT_EQ(set.Size(), 0u);
    EXPECT_FALSE(set.Contains(0x8F6));
    EXPECT_TRUE(set.Insert(0x8F6));
}

}  // namespace
}  // namespace stowline

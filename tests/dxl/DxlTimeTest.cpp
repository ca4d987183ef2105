#include <gtest/gtest.h>

#include "../../sim/dxl/DxlTime.h"

namespace sim::dxl {
namespace {

struct TimeCase {
    const char* text;
    bool dst;
    DWORD innards0, innards1;
};

// 2022-01-25 is Julian day 2459605, 2020-07-28 is 2459059.
const TimeCase kTimes[] = {
    {"20220125T202600,00+01", false, 6996000, 0x40000000u | 1u << 24 | 2459605},               // CET: 19:26 GMT
    {"20200728T122240,71-04", true, 5896071, 0x80000000u | 5u << 24 | 2459059},                // EDT: 16:22:40.71 GMT
    {"20220125T003000,00+0530", false, 6840000, 0x40000000u | 2u << 28 | 5u << 24 | 2459604},  // previous GMT day
    {"20220125T120000,00+00", false, 4320000, 2459605},
    {"20260720", false, 0xFFFFFFFFu, 2461242},
    {"T120000,00", false, 4320000, 0xFFFFFFFFu},
    {"", false, 0xFFFFFFFFu, 0xFFFFFFFFu},
};

TEST(DxlTime, ParsesAndFormatsBackTheSameText) {
    for (const auto& c : kTimes) {
        SCOPED_TRACE(c.text);
        TIMEDATE td{};
        ASSERT_TRUE(ParseDateTime(c.text, c.dst, false, td));
        EXPECT_EQ(td.Innards[0], c.innards0);
        EXPECT_EQ(td.Innards[1], c.innards1);
        bool dst = !c.dst, observes = true;
        EXPECT_EQ(FormatDateTime(td, dst, observes), c.text);
        EXPECT_EQ(dst, c.dst);
        EXPECT_FALSE(observes);
    }
}

TEST(DxlTime, ZoneObservingDaylightTimeInWinterKeepsItsFlag) {
    // 14:07:03 GMT on 5 March 2004 in US Eastern: standard time, zone observes DST.
    const TIMEDATE td{{0x004D8CBCu, 0x85256E4Eu}};
    bool dst = true, observes = false;
    const std::string text = FormatDateTime(td, dst, observes);
    EXPECT_EQ(text, "20040305T090703,00-05");
    EXPECT_FALSE(dst);
    EXPECT_TRUE(observes);
    TIMEDATE back{};
    ASSERT_TRUE(ParseDateTime(text, dst, observes, back));
    EXPECT_EQ(back.Innards[0], td.Innards[0]);
    EXPECT_EQ(back.Innards[1], td.Innards[1]);
}

TEST(DxlTime, RejectsMalformedText) {
    for (const char* text : {"2022", "20221325", "20220125T25", "20220125T120000,00+1", "T1200", "20220125X",
                             "20220125T120000,00+0510", "abcdefgh"}) {
        TIMEDATE td{};
        EXPECT_FALSE(ParseDateTime(text, false, false, td)) << text;
    }
}

}  // namespace
}  // namespace sim::dxl

// TIMEDATE encoding, zones and the default text of a time.
#include <gtest/gtest.h>

#include <string>

#include "sim/Time.h"
#include "support/StandInFixture.h"

namespace {

class TimeTest : public sim::CleanEngineTest {
protected:
    static std::string Text(const TIMEDATE& td) {
        char buf[MAXALPHATIMEDATE + 1];
        WORD len = 0;
        if (ConvertTIMEDATEToText(nullptr, nullptr, &td, buf, MAXALPHATIMEDATE, &len) != NOERROR) return "<error>";
        return std::string(buf, len);
    }
};

// 5 March 2004, 09:07:03 EST = 14:07:03 GMT.
const TIMEDATE kWorkedExample{{0x004D8CBC, 0x85256E4E}};

TEST_F(TimeTest, WorkedExampleEncodesAndPrints) {
    sim::SetTimeZone(5, sim::DstRule::US);
    const TIMEDATE td = sim::TimeDateFromLocal(2004, 3, 5, 9, 7, 3);
    EXPECT_EQ(td.Innards[0], kWorkedExample.Innards[0]);
    EXPECT_EQ(td.Innards[1], kWorkedExample.Innards[1]);
    int64_t unix = 0;
    ASSERT_TRUE(sim::TimeDateToUnix(td, unix));
    EXPECT_EQ(unix, 1078495623);
    EXPECT_EQ(Text(kWorkedExample), "03/05/2004 09:07:03 AM");

    TIME t{};
    t.GM = kWorkedExample;
    ASSERT_EQ(TimeGMToLocal(&t), FALSE);  // FALSE is success
    EXPECT_EQ(t.year, 2004);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.weekday, 6);  // Friday, Sunday = 1
    EXPECT_EQ(t.zone, 5);
    EXPECT_EQ(t.dst, 0);

    t.GM = TIMEDATE{};
    ASSERT_EQ(TimeLocalToGM(&t), FALSE);
    EXPECT_EQ(t.GM.Innards[0], kWorkedExample.Innards[0]);
    EXPECT_EQ(t.GM.Innards[1], kWorkedExample.Innards[1]);
}

TEST_F(TimeTest, OfficialExampleAndOtherZones) {
    sim::SetTimeZone(5, sim::DstRule::US);
    // 10 December 1996, 2:49:04 PM EST.
    EXPECT_EQ(Text(TIMEDATE{{0x006CDCC0, 0x852563FC}}), "12/10/1996 02:49:04 PM");
    // Summer time: 4 July 2020 16:00 GMT is 12:00 noon EDT.
    const TIMEDATE july = sim::TimeDateFromUnix(1593878400);
    EXPECT_EQ(Text(july), "07/04/2020 12:00:00 PM");
    sim::SetTimeZone(-3005, sim::DstRule::None);  // India, GMT+5:30
    EXPECT_EQ(Text(kWorkedExample), "03/05/2004 07:37:03 PM");
    EXPECT_EQ(sim::TimeDateFromUnix(0).Innards[1] & 0x7F000000u, 0x65000000u);  // east, 2 quarters, 5 h
    int zone = 0, dst = 9;
    OSCurrentTimeZone(&zone, &dst);
    EXPECT_EQ(zone, -3005);
    EXPECT_EQ(dst, 0);
}

TEST_F(TimeTest, PartialAndInvalidValues) {
    EXPECT_EQ(Text(sim::DateOnly(2004, 3, 5)), "03/05/2004");
    sim::SetTimeZone(0, sim::DstRule::None);
    EXPECT_EQ(Text(sim::TimeOnly(21, 5, 0)), "09:05:00 PM");
    EXPECT_EQ(Text(sim::kUnconvertibleTime), "<error>");
    TIME t{};
    t.GM = sim::kUnconvertibleTime;
    EXPECT_EQ(TimeGMToLocal(&t), TRUE);
}

TEST_F(TimeTest, TimeConstants) {
    TIMEDATE td{{7, 7}};
    TimeConstant(TIMEDATE_MINIMUM, &td);
    EXPECT_EQ(td.Innards[0], 0u);
    EXPECT_EQ(td.Innards[1], 0u);
    TimeConstant(TIMEDATE_WILDCARD, &td);
    EXPECT_EQ(td.Innards[0], 0xFFFFFFFFu);
    EXPECT_EQ(td.Innards[1], 0xFFFFFFFFu);
}

}  // namespace

// The gate of scheduled starts and the catch-up of missed runs.
#include "taskplan/schedule_gate.h"

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "taskplan/tests/zone_fixture.h"
#include "tests/support/temp_dir.h"

namespace taskplan {
namespace {

using taskplan_test::utc;

class Gate : public testing::Test {
protected:
    WorkItem daily_at_21(bk::StringView name, std::int64_t created) const {
        WorkItem item;
        item.name = bk::String(name);
        item.parameters = u"backup 1";
        item.created = created;
        ScheduleTrigger t;
        t.type = TriggerType::daily;
        t.begin = {2026, 12, 1};
        t.hour = 21;
        item.triggers = {t};
        store_.save(item);
        return item;
    }

    brim_test::TempDir dir_;
    taskplan_test::ZoneGuard zone_{"UTC"};
    WorkItemStore store_{bk::from_utf8((dir_ / "schedule").string())};
};

TEST_F(Gate, TakesAStartOnceInsideItsWindow) {
    daily_at_21(u"Photos", utc("2026-12-01 00:00"));
    EXPECT_EQ(take_scheduled_start(store_, u"Photos", utc("2026-12-10 20:59"), false), GateAnswer::not_due);
    EXPECT_EQ(take_scheduled_start(store_, u"Photos", utc("2026-12-10 21:00"), false), GateAnswer::due);
    EXPECT_EQ(take_scheduled_start(store_, u"Photos", utc("2026-12-10 21:01"), false), GateAnswer::not_due);
    EXPECT_EQ(store_.find(u"Photos")->last_fired, utc("2026-12-10 21:00"));
    // Late, but inside the window; then too late.
    EXPECT_EQ(take_scheduled_start(store_, u"Photos", utc("2026-12-11 21:09"), false), GateAnswer::due);
    EXPECT_EQ(take_scheduled_start(store_, u"Photos", utc("2026-12-12 21:11"), false), GateAnswer::not_due);
    EXPECT_EQ(take_scheduled_start(store_, u"Gone", utc("2026-12-12 21:00"), false), GateAnswer::unknown_item);
    EXPECT_EQ(take_scheduled_start(store_, u"Photos", utc("2026-12-12 21:00"), true), GateAnswer::not_due);
}

TEST_F(Gate, EveryOtherDayIsCheckedByTheGate) {
    WorkItem item = daily_at_21(u"Second", utc("2026-12-01 00:00"));
    item.triggers[0].interval = 2;  // cron starts the line every day
    store_.save(item);
    EXPECT_EQ(take_scheduled_start(store_, u"Second", utc("2026-12-03 21:00"), false), GateAnswer::due);
    EXPECT_EQ(take_scheduled_start(store_, u"Second", utc("2026-12-04 21:00"), false), GateAnswer::not_due);
}

TEST_F(Gate, AMissedRunIsCaughtUpOnceAndOnlyIfItWasMissed) {
    WorkItem item = daily_at_21(u"Photos", utc("2026-12-01 00:00"));
    item.last_fired = utc("2026-12-08 21:00");  // the last start two days ago
    store_.save(item);
    daily_at_21(u"Fresh", utc("2026-12-10 08:00"));  // made after its last scheduled time
    WorkItem off = daily_at_21(u"Off", utc("2026-12-01 00:00"));
    off.catch_up = false;
    store_.save(off);

    const auto missed = take_missed_runs(store_, utc("2026-12-10 08:00"));
    ASSERT_EQ(missed.size(), 1u);
    EXPECT_EQ(missed[0].item.name, u"Photos");
    EXPECT_EQ(missed[0].scheduled, utc("2026-12-09 21:00"));
    EXPECT_TRUE(take_missed_runs(store_, utc("2026-12-10 08:05")).empty());
    // A start still inside its window belongs to the gate.
    EXPECT_TRUE(take_missed_runs(store_, utc("2026-12-10 21:05")).empty());
}

TEST_F(Gate, AOneTimeItemWhoseTimePassedIsSpent) {
    WorkItem item;
    item.name = u"Once";
    ScheduleTrigger t;
    t.begin = {2026, 12, 10};
    t.hour = 11;
    t.minute = 1;
    item.triggers = {t};
    EXPECT_FALSE(is_spent(item, utc("2026-12-10 11:00")));
    EXPECT_TRUE(is_spent(item, utc("2026-12-10 11:02")));
    item.triggers.push_back(t);
    item.triggers.back().type = TriggerType::daily;
    EXPECT_FALSE(is_spent(item, utc("2026-12-10 11:02")));
}

}  // namespace
}  // namespace taskplan

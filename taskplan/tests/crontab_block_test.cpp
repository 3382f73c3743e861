// The work items as crontab lines, and our block among the user's lines.
#include "taskplan/crontab_block.h"

#include <gtest/gtest.h>

namespace taskplan {
namespace {

ScheduleTrigger trigger(TriggerType type, int hour, int minute) {
    ScheduleTrigger t;
    t.type = type;
    t.begin = {2027, 2, 3};
    t.hour = hour;
    t.minute = minute;
    return t;
}

TEST(CronSchedule, SaysEachKindInOneLine) {
    auto weekly = trigger(TriggerType::weekly, 21, 5);
    weekly.weekdays = weekday_bit::sunday | weekday_bit::thursday;
    auto monthly = trigger(TriggerType::monthly_date, 6, 0);
    monthly.month_days = 1u | (1u << 14);
    auto some_months = monthly;
    some_months.months = 0x0001 | 0x0800;
    const struct {
        ScheduleTrigger trigger;
        const char* line;
    } cases[] = {
        {trigger(TriggerType::once, 7, 45), "45 7 3 2 *"},
        {trigger(TriggerType::daily, 21, 0), "0 21 * * *"},
        {weekly, "5 21 * * 0,4"},
        {monthly, "0 6 1,15 * *"},
        {some_months, "0 6 1,15 1,12 *"},
        {trigger(TriggerType::at_system_start, 0, 0), "@reboot"},
        {trigger(TriggerType::at_logon, 0, 0), ""},
        {trigger(TriggerType::weekly, 1, 0), ""},  // no day ticked: nothing to start
    };
    for (const auto& c : cases) EXPECT_EQ(cron_schedule_of(c.trigger), c.line);
}

TEST(CronBlock, StartsTheGateThenTheProgramWithEverythingQuoted) {
    WorkItem item;
    item.name = u"Ann's 100% \"photos\"";
    item.application = u"/opt/brim vault/bin/brimvault";
    item.parameters = u"backup 12";
    item.environment = {u"BRIMVAULT_HOME=/tmp/it's here"};
    item.triggers = {trigger(TriggerType::daily, 21, 0), trigger(TriggerType::at_system_start, 0, 0)};
    const std::string block = render_block({item}, u"/opt/brim vault/bin/brimvault-cli");
    const std::string command =
        "env 'BRIMVAULT_HOME=/tmp/it'\\''s here' '/opt/brim vault/bin/brimvault-cli' schedule due 'Ann'\\''s 100\\% "
        "\"photos\"' && env 'BRIMVAULT_HOME=/tmp/it'\\''s here' '/opt/brim vault/bin/brimvault' 'backup' '12'";
    EXPECT_EQ(block, std::string(block_begin) + "\n0 21 * * * " + command + "\n@reboot " + command +
                         "\n@reboot env 'BRIMVAULT_HOME=/tmp/it'\\''s here' '/opt/brim vault/bin/brimvault-cli' "
                         "schedule catch-up\n" + std::string(block_end) + "\n");
    item.catch_up = false;
    EXPECT_EQ(render_block({item}, u"/bin/brimvault-cli").find("catch-up"), std::string::npos);
    EXPECT_EQ(render_block({}, u"/bin/brimvault-cli"), "");
}

TEST(CronBlock, ReplacesOnlyItsOwnLines) {
    const std::string begin = std::string(block_begin) + "\n";
    const std::string end = std::string(block_end) + "\n";
    const std::string block = begin + "0 1 * * * new\n" + end;
    const struct {
        const char* what;
        std::string crontab;
        std::string expected;
    } cases[] = {
        {"empty table", "", block},
        {"user lines kept, no final line break", "MAILTO=ann\n# mine\n5 4 * * * backup-mail", 
         "MAILTO=ann\n# mine\n5 4 * * * backup-mail\n" + block},
        {"old block between user lines", "a\r\n" + begin + "0 2 * * * old\n" + end + "b\n", "a\r\nb\n" + block},
        {"a block whose end was lost runs to the end", "a\n" + begin + "0 2 * * * old\n", "a\n" + block},
    };
    for (const auto& c : cases) EXPECT_EQ(replace_block(c.crontab, block), c.expected) << c.what;
    EXPECT_EQ(replace_block("a\n" + block + "b\n", ""), "a\nb\n");
    EXPECT_EQ(replace_block("  spaced\n\n\n", ""), "  spaced\n\n\n");
}

}  // namespace
}  // namespace taskplan

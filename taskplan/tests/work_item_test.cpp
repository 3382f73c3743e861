// Work item files: what they keep, what they refuse, odd names.
#include "taskplan/work_item.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "basekit/convertion.h"
#include "tests/support/temp_dir.h"

namespace taskplan {
namespace {

WorkItem sample(bk::StringView name) {
    WorkItem item;
    item.name = bk::String(name);
    item.application = u"/usr/bin/brimvault";
    item.parameters = u"backup 7";
    item.account = u"ann";
    item.created = 1765000000000000;
    item.last_fired = 1765400000000000;
    item.catch_up = false;
    item.environment = {u"BRIMVAULT_HOME=/data/a b"};
    ScheduleTrigger weekly;
    weekly.type = TriggerType::weekly;
    weekly.begin = {2026, 12, 6};
    weekly.hour = 21;
    weekly.minute = 5;
    weekly.interval = 2;
    weekly.weekdays = weekday_bit::monday | weekday_bit::friday;
    ScheduleTrigger monthly;
    monthly.type = TriggerType::monthly_date;
    monthly.month_days = 0x40000001;
    monthly.months = 0x0801;
    item.triggers = {weekly, monthly};
    return item;
}

TEST(WorkItemFile, KeepsEverythingOfAnItem) {
    for (const char16_t* name : {u"Daily", u"line\nbreak", u"back\\slash 100%", u"\u5907\u4efd"}) {
        const WorkItem item = sample(name);
        EXPECT_EQ(decode_work_item(encode_work_item(item)), item);
    }
}

TEST(WorkItemFile, RefusesWhatIsNotAnItem) {
    const std::string good = encode_work_item(sample(u"Daily"));
    for (const std::string& text : {std::string(), std::string("brimvault-task 2\nname=x\n"),
                                    good.substr(0, good.find("trigger=")) + "trigger=9 2026-01-01 00:00 1 0 0 0\n",
                                    good + "trigger=1 2026-13-01 00:00 1 0 0 4095\n", good + "no equals sign\n",
                                    good + "created=soon\n", std::string("brimvault-task 1\naccount=ann\n")}) {
        EXPECT_FALSE(decode_work_item(text)) << text;
    }
}

TEST(WorkItemStore, KeepsOneFilePerItemWhateverItsName) {
    brim_test::TempDir dir;
    const WorkItemStore store(bk::from_utf8((dir / "schedule").string()));
    EXPECT_TRUE(store.items().empty());
    for (const char16_t* name : {u"Daily", u"../escape", u"a/b", u"line\nbreak", u"Daily1"}) store.save(sample(name));
    EXPECT_EQ(store.items().size(), 5u);
    EXPECT_TRUE(store.exists(u"a/b"));
    EXPECT_EQ(store.find(u"../escape")->name, u"../escape");
    EXPECT_FALSE(std::filesystem::exists(dir / "escape.task"));
    store.remove(u"a/b");
    store.remove(u"never there");
    EXPECT_FALSE(store.find(u"a/b"));
    // A damaged file is left out, the others still read.
    std::ofstream(dir / "schedule" / "Broken.task") << "brimvault-task 1\ncreated=x\n";
    EXPECT_EQ(store.items().size(), 4u);
    EXPECT_EQ(std::filesystem::status(dir / "schedule" / "Daily.task").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
}  // namespace taskplan

// The crontab scheduler over a stand-in crontab program that keeps the
// table in a file: names, first triggers, the lines it writes and removes.
#include "taskplan/crontab_scheduler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "taskplan/crontab_block.h"
#include "taskplan/tests/zone_fixture.h"
#include "tests/support/temp_dir.h"

namespace taskplan {
namespace {

using taskplan_test::utc;

class Scheduler : public testing::Test {
protected:
    Scheduler() {
        std::ofstream script(dir_ / "crontab");
        script << "#!/bin/sh\n"
                  "table='" << (dir_ / "table").string() << "'\n"
                  "if [ -e '" << (dir_ / "refuse").string() << "' ]; then echo 'crontab: refused' >&2; exit 1; fi\n"
                  "case \"$1\" in\n"
                  "  -l) if [ -e \"$table\" ]; then cat \"$table\"; else echo 'no crontab for ann' >&2; exit 1; fi ;;\n"
                  "  -) cat > \"$table\" ;;\n"
                  "esac\n";
        script.close();
        std::filesystem::permissions(dir_ / "crontab", std::filesystem::perms::owner_all);
    }

    CrontabScheduler scheduler() const {
        return CrontabScheduler(WorkItemStore(bk::from_utf8((dir_ / "schedule").string())),
                                UserCrontab((dir_ / "crontab").string()), u"/opt/bv/bin/brimvault-cli",
                                u"/opt/bv/bin/brimvault");
    }
    std::string table() const {
        std::ifstream in(dir_ / "table");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void set_table(const std::string& text) const { std::ofstream(dir_ / "table") << text; }

    brim_test::TempDir dir_;
    taskplan_test::ZoneGuard zone_{"Europe/Berlin"};
};

TEST_F(Scheduler, NumbersANameThatIsTaken) {
    const auto s = scheduler();
    const std::int64_t now = utc("2026-12-10 09:58");
    EXPECT_EQ(s.create(u"Daily", 0, 1, now).name, u"Daily");
    EXPECT_EQ(s.create(u"Daily", 0, 2, now).name, u"Daily1");
    const WorkItem third = s.create(u"Daily", 0, 3, now);
    EXPECT_EQ(third.name, u"Daily2");
    EXPECT_EQ(third.parameters, u"backup 3");
    EXPECT_EQ(third.application, u"/opt/bv/bin/brimvault");
    EXPECT_EQ(s.store().items().size(), 3u);
}

TEST_F(Scheduler, TheFirstTriggerIsThreeMinutesAhead) {
    const auto s = scheduler();
    // 10:58 and 23:59 local (Berlin, winter: UTC+1).
    const WorkItem morning = s.create(u"Morning", 0, 1, utc("2026-12-10 09:58"));
    ASSERT_EQ(morning.triggers.size(), 1u);
    EXPECT_EQ(morning.triggers[0].type, TriggerType::once);
    EXPECT_EQ(morning.triggers[0].begin, (LocalDay{2026, 12, 10}));
    EXPECT_EQ(morning.triggers[0].hour, 11);
    EXPECT_EQ(morning.triggers[0].minute, 1);
    const WorkItem night = s.create(u"Night", 0, 2, utc("2026-12-10 22:59"));
    EXPECT_EQ(night.triggers[0].begin, (LocalDay{2026, 12, 11}));
    EXPECT_EQ(night.triggers[0].hour, 0);
    EXPECT_EQ(night.triggers[0].minute, 2);
    EXPECT_EQ(next_execution_time(night, utc("2026-12-10 22:59")), utc("2026-12-10 23:02"));
}

TEST_F(Scheduler, WritesItsLinesBesideTheUsersAndTakesThemAway) {
    set_table("MAILTO=ann\n17 3 * * * /home/ann/bin/mail-sync\n");
    const auto s = scheduler();
    WorkItem item = s.create(u"Photos", 0, 12, utc("2026-12-10 09:58"));
    item.triggers[0].type = TriggerType::daily;
    item.triggers[0].hour = 21;
    item.triggers[0].minute = 0;
    s.save(item);
    const std::string written = table();
    EXPECT_EQ(written.rfind("MAILTO=ann\n17 3 * * * /home/ann/bin/mail-sync\n" + std::string(block_begin), 0), 0u)
        << written;
    EXPECT_NE(written.find("0 21 * * * "), std::string::npos) << written;
    EXPECT_NE(written.find("'/opt/bv/bin/brimvault-cli' schedule due 'Photos' && "), std::string::npos);
    EXPECT_NE(written.find("'/opt/bv/bin/brimvault' 'backup' '12'"), std::string::npos);
    s.remove(u"Photos");
    EXPECT_EQ(table(), "MAILTO=ann\n17 3 * * * /home/ann/bin/mail-sync\n");
    EXPECT_FALSE(s.find(u"Photos"));
}

TEST_F(Scheduler, ACrontabThatRefusesLeavesNoItemBehind) {
    std::ofstream(dir_ / "refuse") << "";
    const auto s = scheduler();
    try {
        s.create(u"Photos", 0, 12, utc("2026-12-10 09:58"));
        FAIL() << "no exception";
    } catch (const bk::IOException& e) {
        EXPECT_NE(bk::to_utf8(e.message()).find("crontab: refused"), std::string::npos);
    }
    EXPECT_TRUE(s.store().items().empty());
}

TEST(ScheduledParameters, NameTheJob) {
    EXPECT_EQ(scheduled_parameters(0, 12), u"backup 12");
    EXPECT_EQ(scheduled_parameters(1, 12), u"restore 12");
    EXPECT_EQ(job_of_parameters(u"backup 12"), 12u);
    for (const char16_t* text : {u"restore 12", u"backup", u"backup ", u"backup 1x", u"backup 12345678901"})
        EXPECT_FALSE(job_of_parameters(text)) << bk::to_utf8(text);
}

}  // namespace
}  // namespace taskplan

#include "core/jobs/log_manager.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <thread>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/system_file.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

const std::string header =
    "<?xml version='1.0' encoding=\"utf-8\"?>\r\n"
    "<!-- This file represents Orvex Brimvault log -->\n\r\n"
    "<brimvault>\r\n"
    "\t<version>1.7.0</version>\r\n";
const std::string closing = "</brimvault>\r\n";

class LogManagerTest : public brim_test::StoreHome {
protected:
    LogManager& log() { return *LogManager::instance(); }
    fs::path log_file() const { return log_dir() / "brimkeep.log"; }
    fs::path copy_file() const { return log_dir() / "brimkeep.logbak"; }
    LogItemList load() {
        LogItemList list;
        log().load(list);
        return list;
    }
    std::string user() { return narrow(SystemInfo::current_user()); }
    std::string entry(const std::string& type, const std::string& source, std::int64_t time, const std::string& text) {
        return "\t<log><type>" + type + "</type><source>" + source + "</source><user>" + user() + "</user><time>" +
               std::to_string(time) + "</time><description>" + text + "</description></log>\r\n";
    }
};

std::uint32_t error_id_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const BackupException& error) {
        for (std::uint32_t id : {104u, 139u})
            if (error.message() == core_string(id)) return id;
        return 1;
    }
    return 0;
}

TEST_F(LogManagerTest, LoggingIntoAMissingOrShortFileWritesACompleteFile) {
    for (const char* start : {"", "0123456789"}) {
        LogManager::del_instance();
        fs::create_directories(log_dir());
        fs::remove(log_file());
        if (*start) write_bytes(log_file(), start);
        log().log(LogType::information, u"started");
        const auto items = load();
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(read_bytes(log_file()), header + entry("Information", "System", items[0]->time, "started") + closing);
    }
}

TEST_F(LogManagerTest, EntriesAreAppendedBeforeTheClosingLineAndReadBack) {
    log().log(LogType::warning, u"first");
    log().log(LogType::error, std::uint32_t{101}, u"Daily");
    const auto items = load();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(read_bytes(log_file()), header + entry("Warning", "System", items[0]->time, "first") +
                                          entry("Error", "Job 'Daily'", items[1]->time, "Deleted the job.") + closing);
    EXPECT_TRUE(items[0]->from_system);
    EXPECT_EQ(items[0]->source, u"System");
    EXPECT_FALSE(items[1]->from_system);
    EXPECT_EQ(items[1]->source, u"Daily");
    EXPECT_EQ(items[1]->type, LogType::error);
    EXPECT_EQ(items[1]->user, SystemInfo::current_user());
}

TEST_F(LogManagerTest, ValuesWithMarkupCharactersAndLineBreaksReadBack) {
    const bk::String name = u"A \"quoted\" <job> & \u00e9t\u00e9 \xdc80\xdcff";
    log().log(LogType::information, u"a\r\nb\n\rc<d>&e", name);
    const auto items = load();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->source, name);
    EXPECT_EQ(items[0]->description, u"abc<d>&e");
}

TEST_F(LogManagerTest, RollsOverIntoTheCopyAtTheLimitPlus128Bytes) {
    fs::create_directories(log_dir());
    for (std::int64_t extra : {-1, 0}) {
        // A complete file of exactly `limit + 128 + extra` bytes.
        const std::string line = entry("Debug", "System", 1, "");
        std::string content = header + line;
        const std::size_t target = LogManager::default_max_size + 128 + extra;
        const std::size_t pad = target - content.size() - closing.size() - line.size();
        content += entry("Debug", "System", 1, std::string(pad, 'x')) + closing;
        ASSERT_EQ(content.size(), target);
        write_bytes(log_file(), content);
        fs::remove(copy_file());

        log().log(LogType::information, u"next");
        if (extra < 0) {
            EXPECT_FALSE(fs::exists(copy_file()));
            EXPECT_EQ(load().size(), 3u);
        } else {
            EXPECT_EQ(read_bytes(copy_file()), content);
            const auto items = load();
            ASSERT_EQ(items.size(), 1u);
            EXPECT_EQ(items[0]->description, u"next");
        }
    }
}

TEST_F(LogManagerTest, ADamagedTailIsKeptAsideAndANewFileStarted) {
    fs::create_directories(log_dir());
    const std::string damaged = header + entry("Debug", "System", 1, "old") + "</brimv";
    write_bytes(log_file(), damaged);
    log().log(LogType::information, u"new");
    EXPECT_EQ(read_bytes(copy_file()), damaged);
    ASSERT_EQ(load().size(), 1u);
}

TEST_F(LogManagerTest, NewItemsAreHandedOutOnce) {
    log().log(LogType::information, u"one");
    const std::optional<LogItem> made = log().create_log_item(LogType::warning, u"two", u"Daily");
    ASSERT_TRUE(made.has_value());
    const auto first = log().new_items();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0]->description, u"one");
    EXPECT_EQ(first[1]->description, made->description);
    EXPECT_EQ(first[1]->source, u"Daily");
    EXPECT_TRUE(log().new_items().empty());
}

// Nobody collecting the new entries (a program without a window) must not
// let them grow without end: the newest stay.
TEST_F(LogManagerTest, NewItemsKeepOnlyTheNewest) {
    for (std::size_t i = 0; i < LogManager::max_new_items + 10; ++i)
        log().log(LogType::information, bk::from_utf8("entry " + std::to_string(i)));
    const auto kept = log().new_items();
    ASSERT_EQ(kept.size(), LogManager::max_new_items);
    EXPECT_EQ(kept.front()->description, u"entry 10");
}

TEST_F(LogManagerTest, ClearEmptiesFileAndPendingEntries) {
    log().log(LogType::information, u"one");
    log().clear();
    EXPECT_TRUE(log().new_items().empty());
    EXPECT_EQ(read_bytes(log_file()), header + closing);
    log().log(LogType::information, u"two");
    EXPECT_EQ(load().size(), 1u);
}

TEST_F(LogManagerTest, LoadingDropsPendingEntries) {
    log().log(LogType::information, u"one");
    EXPECT_EQ(load().size(), 1u);
    EXPECT_TRUE(log().new_items().empty());
}

TEST_F(LogManagerTest, DamagedFilesFailWithTheFormatMessage) {
    fs::create_directories(log_dir());
    const std::string good = header + entry("Debug", "System", 5, "x") + closing;
    struct Case {
        const char* what;
        std::string content;
        std::uint32_t id;
    };
    const Case cases[] = {
        {"blank after the root", std::string(good).replace(good.find("<brimvault>") + 11, 0, " "), 104},
        {"old version", std::string(good).replace(good.find("1.7.0"), 1, "0"), 139},
        {"tags out of order", header + "\t<log><source>System</source><type>Debug</type></log>\r\n" + closing, 104},
        {"time not a number", header + entry("Debug", "System", 5, "x").replace(entry("Debug", "System", 5, "x").find(">5<") + 1, 1, "q") + closing, 104},
    };
    for (const auto& c : cases) {
        write_bytes(log_file(), c.content);
        LogItemList list;
        EXPECT_EQ(error_id_of([&] { log().load(list); }), c.id) << c.what;
        EXPECT_TRUE(list.empty()) << c.what;
    }
    // No prefix of a valid file crashes: each loads or fails with a BackupException.
    for (std::size_t n = 0; n <= good.size(); ++n) {
        write_bytes(log_file(), good.substr(0, n));
        LogItemList list;
        try {
            log().load(list);
            EXPECT_GE(n + 1, good.size());  // a line may also end in a lone CR
        } catch (const BackupException&) {
        }
    }
}

TEST_F(LogManagerTest, ExportsAndImportsBothFormats) {
    const std::int64_t minute = bk::Date(2024, 3, 5, 14, 30, 0).time();
    fs::create_directories(log_dir());
    write_bytes(log_file(), header + entry("Information", "Job 'Daily'", minute, "done &amp; &lt;ok&gt;") +
                                entry("Fatal error", "System", minute + 60000000, "halt") + closing);
    const bk::String date = bk::Date(minute).to_string();
    for (LogFileFormat format : {LogFileFormat::xml, LogFileFormat::text}) {
        const fs::path out = home.dir() / (format == LogFileFormat::xml ? "export.xml" : "export.txt");
        log().export_log(wide(out), format);
        if (format == LogFileFormat::text) {
            const std::string text = read_bytes(out);
            EXPECT_NE(text.find("Information\tJob 'Daily'\t" + user() + "\t" + narrow(date) + "\tdone & <ok>\r\n"),
                      std::string::npos)
                << text;
        }
        const auto items = log().import_log(wide(out), format);
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0]->source, u"Daily");
        EXPECT_EQ(items[0]->time, minute);
        EXPECT_EQ(items[0]->description, u"done & <ok>");
        EXPECT_EQ(items[1]->type, LogType::fatal_error);
        EXPECT_TRUE(items[1]->from_system);
        EXPECT_EQ(items[1]->time, minute + 60000000);
    }
}

TEST_F(LogManagerTest, TextImportRefusesAnUnknownTypeAndExportFailureIsLogged) {
    const fs::path in = home.dir() / "in.txt";
    write_bytes(in, "## comment\r\nNotice\tSystem\tu\t" + narrow(bk::Date(0).to_string()) + "\tx\r\n");
    EXPECT_EQ(error_id_of([&] { log().import_log(wide(in), LogFileFormat::text); }), 104u);

    EXPECT_THROW(log().export_log(wide(home.dir() / "no/such/dir/x.xml"), LogFileFormat::xml), BackupException);
    const auto items = log().new_items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->type, LogType::error);
    EXPECT_EQ(items[0]->description.find(u"Unable to export logs to file \""), 0u);
}

TEST_F(LogManagerTest, SafetyCopyFollowsItsAgeAndLoadsBack) {
    log().save_copy(3);
    EXPECT_FALSE(fs::exists(copy_file()));  // no log yet
    log().log(LogType::information, u"one");
    log().save_copy(0);
    EXPECT_FALSE(fs::exists(copy_file()));
    log().save_copy(3);
    EXPECT_EQ(read_bytes(copy_file()), read_bytes(log_file()));

    log().log(LogType::information, u"two");
    log().save_copy(3);  // the copy is fresh: kept
    EXPECT_NE(read_bytes(copy_file()), read_bytes(log_file()));
    bk::SystemFile::last_modified_time(wide(copy_file()), bk::Date::now_time() - 3 * bk::microseconds_per_day);
    log().save_copy(3);
    EXPECT_EQ(read_bytes(copy_file()), read_bytes(log_file()));

    log().log(LogType::information, u"three");
    LogItemList list;
    EXPECT_TRUE(log().load_copy(list));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(load().size(), 2u);

    fs::remove(copy_file());
    EXPECT_FALSE(log().load_copy(list));
}

TEST_F(LogManagerTest, ThreadsLoggingAtOnceLoseNothing) {
    constexpr int threads = 4;
    constexpr int per_thread = 150;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([t] {
            for (int i = 0; i < per_thread; ++i)
                LogManager::instance()->log(LogType::information, bk::from_ansi(std::to_string(t * 1000 + i)));
        });
    for (auto& w : workers) w.join();
    std::set<bk::String> seen;
    for (const auto& item : load()) seen.insert(item->description);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(threads * per_thread));
}

TEST_F(LogManagerTest, ProcessesLoggingAtOnceLoseNothing) {
    constexpr int children = 3;
    constexpr int per_child = 150;
    log().log(LogType::information, u"parent");  // every process starts from a complete file
    std::vector<pid_t> pids;
    for (int c = 0; c < children; ++c) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < per_child; ++i)
                LogManager::instance()->log(LogType::information, bk::from_ansi(std::to_string(c * 1000 + i)));
            ::_exit(0);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<bk::String> seen;
    for (const auto& item : load()) seen.insert(item->description);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(children * per_child + 1));
}

}  // namespace
}  // namespace brim

// Restores driven through a session: sets written by backup runs, opened and
// restored under a target, compared with their sources.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "basekit/date.h"
#include "core/archive/catalogue.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/tests/store_home.h"
#include "core/restore/opened_set.h"
#include "tests/support/set_contents.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

class Warnings : public RestoreEvent {
public:
    void end_parse(std::uint32_t, std::uint32_t, std::uint64_t) override {}
    void on_warning(const bk::String& text) override { warnings.push_back(bk::to_utf8(text)); }
    void on_error(const bk::String& text) override { errors.push_back(bk::to_utf8(text)); }
    void on_size(std::uint32_t) override {}
    void end_stop() override { ++stops; }
    void begin_restore(const bk::String&) override {}
    void end_restore() override { ended = true; }
    void restore_dir(const bk::String&) override {}
    void on_file(const bk::String&, std::uint32_t) override {}
    void on_file(const bk::String&) override {}
    bool replace_file(const DataHeader&, const bk::String&) override { return answer; }
    bool replace_file(const bk::String&, const bk::String&) override { return answer; }
    bool replace_ftp_file(const DataHeader&, const bk::String&, std::int64_t, std::int64_t) override { return answer; }
    void verify_file(const bk::String&) override {}
    std::vector<std::string> warnings, errors;
    bool ended = false, answer = false;
    int stops = 0;
};

// Sets keep times to the microsecond.
std::int64_t micros(fs::file_time_type time) {
    return std::chrono::floor<std::chrono::microseconds>(time.time_since_epoch()).count();
}

class SessionRestore : public brim_test::StoreHome {
protected:
    SessionRestore() {
        src = home.dir().path() / "src";
        fs::create_directories(src / "sub dir");
        put(src / "sub dir" / "64k+1", 65537);
        put(src / "64k", 65536);
        put(src / "empty", 0);
        ::chmod((src / "64k").c_str(), 0640);
        ::symlink("64k", (src / "link").c_str());
        job.name = u"Daily";
        job.kind = BackupKind::normal;
        job.destination = wide(home.dir().path() / "dest");
        job.sources = {{wide(src), SourceType::directory, true}};
    }

    static void put(const fs::path& path, std::size_t size) {
        std::string bytes(size, '\0');
        std::mt19937 random(static_cast<unsigned>(size));
        for (char& c : bytes) c = static_cast<char>(random());
        write_bytes(path, bytes);
    }

    void back_up() {
        auto session = BackupSession::create_session(&job, SessionDirection::backup);
        session->backup();
        ASSERT_EQ(job.get_reports()->reports().back()->result, 0);
    }

    // Opens the job's set and restores everything under `target`.
    RunResult restore_all(const fs::path& target, std::uint32_t option, Warnings& events,
                          const std::function<void(const archive::RunLayout&)>& tamper = {}) {
        auto session = BackupSession::create_session(&job, SessionDirection::restore);
        session->install(&events);
        std::vector<const archive::RunLayout*> runs;
        EXPECT_EQ(session->open(runs, nullptr), OpenArchiveResult::all_read);
        if (tamper) tamper(*runs.back());
        session->restore({runs.back()->root.get()}, wide(target), option);
        return static_cast<RunResult>(job.get_reports()->reports().back()->result);
    }

    fs::path src;
    BackupItem job;
};

// A job made from a set keeps the moment its job was made, as the set
// records it; a set that records none gives the job the moment it was
// opened, since the job store keeps no job without one.
TEST_F(SessionRestore, AJobOpenedFromASetHasACreationTime) {
    for (const std::int64_t recorded : {std::int64_t{1700000000000000}, std::int64_t{0}}) {
        SCOPED_TRACE(recorded);
        job.creation_time = recorded;
        job.destination = wide(home.dir().path() / ("dest" + std::to_string(recorded)));
        back_up();
        const std::int64_t before = bk::Date::now_time();
        auto opened = BackupSession::open(job.archive_file());
        ASSERT_NE(opened, nullptr);
        if (recorded != 0) EXPECT_EQ(opened->creation_time, recorded);
        else EXPECT_GE(opened->creation_time, before);
    }
}

TEST_F(SessionRestore, RestoredTreeEqualsTheSourceForEachCipher) {
    const std::uint32_t ciphers[] = {0, job_option::cipher_xor, job_option::cipher_panama | job_option::password,
                                     job_option::cipher_rijndael | job_option::password};
    for (const std::uint32_t options : ciphers) {
        fs::remove_all(home.dir().path() / "dest");
        job.options = options;
        job.password = (options & job_option::password) != 0 ? u"pw" : u"";
        job.password_state = PasswordState::proved;
        back_up();
        const fs::path target = home.dir().path() / ("out" + std::to_string(options));
        Warnings events;
        EXPECT_EQ(restore_all(target, 0, events), RunResult::successful) << (events.warnings.empty() ? "" : events.warnings[0]);
        EXPECT_TRUE(events.ended);
        const fs::path out = target / "src";
        for (const char* name : {"sub dir/64k+1", "64k", "empty"}) {
            EXPECT_EQ(read_bytes(out / name), read_bytes(src / name)) << name;
            EXPECT_EQ(micros(fs::last_write_time(out / name)), micros(fs::last_write_time(src / name))) << name;
        }
        EXPECT_EQ(fs::status(out / "64k").permissions(), fs::status(src / "64k").permissions());
        EXPECT_EQ(fs::read_symlink(out / "link"), "64k");
    }
}

TEST_F(SessionRestore, HostileNamesAreSkippedAndNothingLeavesTheTarget) {
    back_up();
    const fs::path target = home.dir().path() / "t" / "inner";
    Warnings events;
    const RunResult result = restore_all(target, 0, events, [](const archive::RunLayout& run) {
        auto& root = const_cast<DataHeader&>(*run.root);
        DataHeader& top = *root.directories().front();
        top.files().front()->name(u"../../escaped");
        top.directories().front()->name(top.name() + u"/../../../up");
    });
    EXPECT_EQ(result, RunResult::having_warnings);
    EXPECT_FALSE(fs::exists(home.dir().path() / "t" / "escaped"));
    EXPECT_FALSE(fs::exists(home.dir().path() / "escaped"));
    EXPECT_FALSE(fs::exists(home.dir().path() / "up"));
    EXPECT_EQ(events.warnings.size(), 2u);
    EXPECT_TRUE(fs::exists(target / "src" / "empty"));
}

TEST_F(SessionRestore, AnExistingLinkAtAFileIsReplacedNotFollowed) {
    back_up();
    const fs::path target = home.dir().path() / "t";
    const fs::path victim = home.dir().path() / "victim";
    write_bytes(victim, "keep me");
    fs::create_directories(target / "src");
    fs::create_symlink(victim, target / "src" / "64k");
    Warnings events;
    EXPECT_EQ(restore_all(target, 0, events), RunResult::successful);
    EXPECT_EQ(read_bytes(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(target / "src" / "64k"));
    EXPECT_EQ(read_bytes(target / "src" / "64k"), read_bytes(src / "64k"));
}

TEST_F(SessionRestore, ExistingFilesFollowTheOption) {
    back_up();
    const fs::path target = home.dir().path() / "t";
    fs::create_directories(target / "src");
    struct Case {
        std::uint32_t option;
        bool answer;
        bool newer_existing;
        bool replaced;
    } cases[] = {
        {restore_option::existing_skip, false, false, false},
        {restore_option::existing_ask, false, false, false},
        {restore_option::existing_ask, true, false, true},
        {restore_option::existing_newer, false, true, false},
        {restore_option::existing_newer, false, false, true},
        {0, false, true, true},
    };
    for (const auto& c : cases) {
        write_bytes(target / "src" / "64k", "existing");
        const auto when = fs::last_write_time(src / "64k") + (c.newer_existing ? std::chrono::hours(1) : -std::chrono::hours(1));
        fs::last_write_time(target / "src" / "64k", when);
        Warnings events;
        events.answer = c.answer;
        restore_all(target, c.option, events);
        EXPECT_EQ(read_bytes(target / "src" / "64k") != "existing", c.replaced) << c.option;
    }
}

// A file that cannot be written whole, for whatever reason, leaves the file
// that was there as it was and no temporary file beside it.
TEST_F(SessionRestore, AFileNotWrittenWholeLeavesTheExistingFileAndNoTemporary) {
    back_up();
    const fs::path target = home.dir().path() / "t";
    const fs::path existing = target / "src" / "sub dir" / "64k+1";
    struct Stopper : Warnings {
        using Warnings::on_file;
        void on_file(const bk::String&) override {
            if (session != nullptr) session->stop();  // as Ctrl-C while its first chunk is read
        }
        BackupSession* session = nullptr;
    };
    const std::function<void(const archive::RunLayout&)> damages[] = {
        {},  // the run is stopped
        [](const archive::RunLayout& run) {  // its block does not end where the catalogue says
            auto& root = const_cast<DataHeader&>(*run.root);
            DataHeader& file = *root.directories().front()->directories().front()->files().front();
            file.stored_size -= 1;
        },
    };
    for (const auto& damage : damages) {
        fs::remove_all(target);
        fs::create_directories(existing.parent_path());
        write_bytes(existing, "the user's own");
        auto session = BackupSession::create_session(&job, SessionDirection::restore);
        Stopper events;
        if (!damage) events.session = session.get();
        session->install(&events);
        std::vector<const archive::RunLayout*> runs;
        ASSERT_EQ(session->open(runs, nullptr), OpenArchiveResult::all_read);
        if (damage) damage(*runs.back());
        session->restore({runs.back()->root.get()}, wide(target), 0);
        EXPECT_EQ(read_bytes(existing), "the user's own");
        for (const auto& entry : fs::recursive_directory_iterator(target))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".brimvault-restore-")) << entry.path();
        if (damage) {
            EXPECT_EQ(events.warnings.size(), 1u);
        }
    }
}

// Wherever a stop comes, the listener hears of it once (a stop right after
// the totals went unheard) and the run ends stopped.
TEST_F(SessionRestore, AStopIsToldOnceWhereverItComes) {
    back_up();
    enum class Moment { begin, totals, file };
    struct StopAt : Warnings {
        using Warnings::on_file;
        void begin_restore(const bk::String&) override { stop_at(Moment::begin); }
        void end_parse(std::uint32_t, std::uint32_t, std::uint64_t) override { stop_at(Moment::totals); }
        void on_file(const bk::String&, std::uint32_t) override { stop_at(Moment::file); }
        void stop_at(Moment now) {
            if (now == moment) session->stop();
        }
        Moment moment = Moment::begin;
        BackupSession* session = nullptr;
    };
    for (const Moment moment : {Moment::begin, Moment::totals, Moment::file}) {
        SCOPED_TRACE(static_cast<int>(moment));
        auto session = BackupSession::create_session(&job, SessionDirection::restore);
        StopAt events;
        events.moment = moment;
        events.session = session.get();
        session->install(&events);
        std::vector<const archive::RunLayout*> runs;
        ASSERT_EQ(session->open(runs, nullptr), OpenArchiveResult::all_read);
        session->restore({runs.back()->root.get()}, wide(home.dir().path() / "t"), 0);
        EXPECT_EQ(events.stops, 1);
        EXPECT_FALSE(events.ended);
        EXPECT_EQ(static_cast<RunResult>(job.get_reports()->reports().back()->result), RunResult::stopped);
    }
}

}  // namespace
}  // namespace brim

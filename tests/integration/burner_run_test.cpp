// The burner run against the real burning module, writing ISO images that
// xorriso's extractor reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "basekit/convertion.h"
#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/media/burner_messages.h"
#include "core/media/burner_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using brim::BurnerRunResult;
namespace msg = brim::burner_message;

bk::String wide(const fs::path& path) { return bk::from_native_path(path.string()); }
bk::String text(std::uint32_t id) { return brim::core_string(id); }

std::string random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

// A session that scans its job's sources with std::filesystem and records
// every event the run sends.
class FakeSession final : public brim::BurnerSession {
public:
    brim::BackupItem item;
    std::atomic<bool> stopped{false};
    std::vector<bk::String> messages, warnings, errors, opened, verified;
    std::uint64_t size_total = 0;
    int size_events = 0;
    std::uint32_t completed_files = 0;
    std::uint64_t completed_bytes = 0;
    std::function<void(const bk::String&)> message_hook;
    std::function<void()> size_hook;

    const brim::BackupItem& job() const override { return item; }
    bool has_stopped() const override { return stopped; }

    bool scan_sources(std::vector<const brim::DataHeader*>& roots) override {
        for (const brim::SourceData& source : item.sources) {
            const fs::path path = bk::to_native_path(source.path);
            if (fs::is_directory(path)) {
                tree_.push_back(std::make_unique<brim::DataHeader>(brim::ItemKind::directory, source.path));
                scan(*tree_.back(), path);
            } else {
                tree_.push_back(std::make_unique<brim::DataHeader>(brim::ItemKind::file, source.path));
                tree_.back()->size = fs::file_size(path);
            }
            roots.push_back(tree_.back().get());
        }
        return !stopped;
    }
    void end_parse(std::uint32_t, std::uint32_t, std::uint64_t) override {}
    void on_message(const bk::String& text) override {
        messages.push_back(text);
        if (message_hook) message_hook(text);
    }
    void warning(const bk::String& text) override { warnings.push_back(text); }
    void error(const bk::String& text) override { errors.push_back(text); }
    void on_file(const bk::String& path) override { opened.push_back(path); }
    void on_size(std::uint32_t bytes) override {
        size_total += bytes;
        ++size_events;
        if (size_hook) size_hook();
    }
    void verify_file(const bk::String& path) override { verified.push_back(path); }
    void add_completed(std::uint32_t files, std::uint64_t bytes) override {
        completed_files += files;
        completed_bytes += bytes;
    }

    bool said(std::uint32_t id) const { return std::count(messages.begin(), messages.end(), text(id)) == 1; }

private:
    static void scan(brim::DataHeader& dir, const fs::path& path) {
        std::vector<fs::directory_entry> entries{fs::directory_iterator(path), fs::directory_iterator()};
        std::sort(entries.begin(), entries.end());
        for (const auto& entry : entries) {
            if (entry.is_directory()) {
                auto& child = dir.add_directory(
                    std::make_unique<brim::DataHeader>(brim::ItemKind::directory, wide(entry.path())));
                scan(child, entry.path());
            } else {
                auto& child = dir.add_file(std::make_unique<brim::DataHeader>(
                    brim::ItemKind::file, wide(entry.path().filename())));
                child.size = entry.file_size();
            }
        }
    }

    std::vector<std::unique_ptr<brim::DataHeader>> tree_;
};

class BurnerRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(binding_.available()) << "brimburn.so not found in " << bk::to_utf8(brim::module_search_directory());
        docs_ = tmp_ / "My Docs";
        fs::create_directories(docs_ / "sub dir");
        brim_test::write_bytes(docs_ / "plain.txt", "plain text\n");
        brim_test::write_bytes(docs_ / "naïve café.txt", "accents\n");
        brim_test::write_bytes(docs_ / "empty", "");
        brim_test::write_bytes(docs_ / "marker.txt", "UNIQUE-MARKER-0123456789-UNIQUE-MARKER");
        brim_test::write_bytes(docs_ / "sub dir" / "Ünïcode ✓.bin", random_bytes(300'000, 7));
        brim_test::write_bytes(tmp_ / "note one.txt", "a single file source");
        image_ = tmp_ / "out" / "Disc One.iso";
        fs::create_directories(image_.parent_path());

        session_.item.name = u"Weekly disc";
        session_.item.kind = brim::BackupKind::burner;
        session_.item.destination = wide(image_);
        session_.item.options = brim::job_option::verify;
        session_.item.sources = {{wide(docs_), brim::SourceType::directory, true},
                                 {wide(tmp_ / "note one.txt"), brim::SourceType::file, false}};
    }

    // The image's tree as xorriso's extractor sees it.
    fs::path extract() {
        const fs::path out = tmp_ / "extracted";
        const std::string command = "osirrox -indev '" + image_.string() + "' -extract / '" + out.string() +
                                    "' >'" + (tmp_ / "osirrox.log").string() + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << brim_test::read_bytes(tmp_ / "osirrox.log");
        return out;
    }

    brim_test::TempDir tmp_;
    fs::path docs_, image_;
    brim::BurnerBinding binding_{brim::module_search_directory()};
    FakeSession session_;
};

// Every regular file below `root`, by its path relative to it, with its bytes.
std::map<std::string, std::string> files_below(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = brim_test::read_bytes(entry.path());
    return files;
}

TEST_F(BurnerRunTest, WritesAnImageThatReadsBackAsTheSources) {
    brim::BurnerRun run(session_, binding_);
    ASSERT_EQ(run.run(), BurnerRunResult::done) << (session_.errors.empty() ? "" : bk::to_utf8(session_.errors[0]));

    auto expected = files_below(docs_);
    std::map<std::string, std::string> wanted;
    for (auto& [name, bytes] : expected) wanted["My Docs/" + name] = bytes;
    wanted["note one.txt"] = brim_test::read_bytes(tmp_ / "note one.txt");
    const auto extracted = files_below(extract());
    std::vector<std::string> names, wanted_names;
    for (const auto& [name, bytes] : extracted) names.push_back(name);
    for (const auto& [name, bytes] : wanted) wanted_names.push_back(name);
    EXPECT_EQ(names, wanted_names);
    EXPECT_TRUE(extracted == wanted) << "the extracted bytes differ from the sources";

    EXPECT_TRUE(session_.errors.empty());
    EXPECT_TRUE(session_.warnings.empty());
    for (std::uint32_t id : {msg::initializing, msg::burning, msg::verifying, msg::verified})
        EXPECT_TRUE(session_.said(id)) << bk::to_utf8(text(id));
    const bk::String added = bk::format_text(text(msg::add_file), {wide(docs_ / "sub dir" / "Ünïcode ✓.bin"),
                                                                   u"292.97 KB"});
    EXPECT_NE(std::find(session_.messages.begin(), session_.messages.end(), added), session_.messages.end());
    EXPECT_EQ(session_.completed_files, 6u);
    EXPECT_EQ(session_.completed_bytes, 300'000u + 11 + 8 + 38 + 20);
    // Progress covers the whole image; every file with data was opened and verified.
    EXPECT_GT(session_.size_events, 0);
    EXPECT_EQ(session_.size_total, fs::file_size(image_));
    EXPECT_NE(std::find(session_.opened.begin(), session_.opened.end(), wide(docs_ / "marker.txt")),
              session_.opened.end());
    EXPECT_EQ(session_.verified.size(), 6u);
}

TEST_F(BurnerRunTest, AlteredImageGivesTheDifferenceWarning) {
    // Once writing is over and verification starts, damage one file's bytes in the image.
    session_.message_hook = [this](const bk::String& said) {
        if (said != text(msg::verifying)) return;
        std::string bytes = brim_test::read_bytes(image_);
        const auto at = bytes.find("UNIQUE-MARKER-0123456789");
        ASSERT_NE(at, std::string::npos);
        bytes[at] = 'X';
        brim_test::write_bytes(image_, bytes);
    };
    brim::BurnerRun run(session_, binding_);
    EXPECT_EQ(run.run(), BurnerRunResult::done);
    ASSERT_EQ(session_.warnings.size(), 1u);
    EXPECT_EQ(session_.warnings[0],
              bk::format_text(text(msg::file_differs), {u"/My Docs/marker.txt", wide(docs_ / "marker.txt")}));
}

TEST_F(BurnerRunTest, StopDuringTheBurnAbortsIt) {
    brim_test::write_bytes(docs_ / "big.bin", random_bytes(6 << 20, 3));
    brim::BurnerRun run(session_, binding_);
    // At the first progress the GUI thread stops the session, as BackupSession::stop does.
    session_.size_hook = [&] {
        if (session_.stopped) return;
        std::thread gui([&] {
            session_.stopped = true;
            run.stop();
        });
        gui.join();
    };
    EXPECT_EQ(run.run(), BurnerRunResult::stopped);
    EXPECT_TRUE(session_.errors.empty());
    EXPECT_FALSE(session_.said(msg::verifying));
    // An aborted image leaves nothing behind: no image, no temporary file.
    EXPECT_TRUE(fs::is_empty(image_.parent_path()));
}

TEST_F(BurnerRunTest, SecondBurningJobWhileOneRunsFails) {
    std::mutex mutex;
    std::condition_variable changed;
    bool first_burning = false, second_done = false;
    session_.message_hook = [&](const bk::String& said) {
        if (said != text(msg::burning)) return;
        std::unique_lock lock(mutex);
        first_burning = true;
        changed.notify_all();
        changed.wait(lock, [&] { return second_done; });
    };
    brim::BurnerRun first(session_, binding_);
    std::thread worker([&] { EXPECT_EQ(first.run(), BurnerRunResult::done); });

    FakeSession other;
    other.item.destination = wide(tmp_ / "other.iso");
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return first_burning; });
    }
    brim::BurnerRun second(other, binding_);
    EXPECT_EQ(second.run(), BurnerRunResult::failed);
    {
        std::lock_guard lock(mutex);
        second_done = true;
    }
    changed.notify_all();
    worker.join();
    EXPECT_EQ(other.errors, std::vector<bk::String>{bk::format_text(text(msg::burning_failed), {text(msg::one_at_a_time)})});
    EXPECT_TRUE(other.messages.empty());
    EXPECT_FALSE(fs::exists(tmp_ / "other.iso"));
}

TEST_F(BurnerRunTest, DestinationThatNoDeviceMatchesFails) {
    session_.item.destination = u"/dev/no-such-drive";
    brim::BurnerRun run(session_, binding_);
    EXPECT_EQ(run.run(), BurnerRunResult::failed);
    EXPECT_EQ(session_.errors, std::vector<bk::String>{bk::format_text(
                                   text(msg::burning_failed), {binding_.text(BURNER_E_UNKNOWN_DEVICE)})});
}

// The binding is absent when the module is missing or lacks an entry point.
TEST(BurnerBindingTest, MissingOrIncompleteModuleGivesNoBinding) {
    brim_test::TempDir empty;
    for (const fs::path& directory : {empty.path(), fs::path(BRIM_TEST_MODULES) / "partial_burner"}) {
        brim::BurnerBinding binding(wide(directory));
        EXPECT_FALSE(binding.available()) << directory;
        FakeSession session;
        session.item.destination = u"/tmp/never.iso";
        brim::BurnerRun run(session, binding);
        EXPECT_EQ(run.run(), BurnerRunResult::failed);
        EXPECT_EQ(session.errors,
                  std::vector<bk::String>{bk::format_text(text(msg::burning_failed), {text(msg::cannot_load)})});
    }
}

}  // namespace

// Continuation volumes and their run counts: a volume that begins with the
// continued data of a run counts that run too, as the archive layout has
// it, and sets of earlier builds (which counted only the run headers a
// volume holds) still restore. The sets are written by the engine in this
// process, because only there can a segment limit small enough be set; the
// restores go through brimvault-cli.
#include <gtest/gtest.h>

#include <chrono>

#include "core/archive/set_layout.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/file_tree.h"
#include "tests/support/odd_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::tree_of;
using brim_test::write_bytes;

std::uint32_t read_be32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The volumes of a set that begin with a run's continued data, with the
// number of run headers each holds.
std::vector<std::pair<fs::path, std::uint32_t>> continuation_volumes(const fs::path& main) {
    const auto read = brim::archive::read_set_layout(bk::from_ansi(main.string()), false, false, 1);
    EXPECT_EQ(read.error, brim::archive::LayoutError::none);
    std::vector<std::pair<fs::path, std::uint32_t>> volumes;
    for (std::size_t i = 1; i < read.layout.files.size(); ++i) {
        const auto& file = read.layout.files[i];
        if (!file.link || file.link->role != brim::archive::VolumeRole::continuation) continue;
        std::uint32_t headers = 0;
        for (const auto& run : read.layout.runs) headers += run.file == i;
        volumes.emplace_back(bk::to_ansi(file.path), headers);
    }
    return volumes;
}

// Rewrites the run count (offset 16) of those volumes: the layout's way (the
// continued run counted too) or our earlier builds' (run headers only).
void rewrite_counts(const fs::path& main, bool layout_way) {
    for (const auto& [path, headers] : continuation_volumes(main)) {
        std::string bytes = read_bytes(path);
        const std::uint32_t count = headers + (layout_way ? 1 : 0);
        for (int i = 0; i < 4; ++i) bytes[16 + i] = static_cast<char>(count >> (24 - 8 * i));
        write_bytes(path, bytes);
    }
}

class CliVolumeCounts : public brim_test::CliJobs {
protected:
    void back_up(brim::BackupItem& job) {
        auto session = brim::BackupSession::create_session(&job, brim::SessionDirection::backup);
        session->backup();
        ASSERT_EQ(job.get_reports()->reports().back()->result, 0);
    }
};

TEST_F(CliVolumeCounts, MultiVolumeSetsRestoreByteForByteWithEitherRunCountForEachCipher) {
    // Files of about 100 KB in files of the set of 1 MiB: data of xor and
    // panama splits in the middle of a chunk, rijndael's between chunks.
    brim::BackupItemManager::instance()->archive_segment(1);
    fs::create_directories(src / "sub");
    for (int i = 0; i < 25; ++i)
        write_bytes(src / (i % 2 ? "sub" : "") / ("f" + std::to_string(i)), random_bytes(100000 + 7 * i, i));
    const std::pair<std::string, std::uint32_t> ciphers[] = {
        {"none", 0},
        {"xor", brim::job_option::cipher_xor},
        {"panama", brim::job_option::cipher_panama},
        {"rijndael", brim::job_option::cipher_rijndael},
    };
    std::map<std::string, std::unique_ptr<brim::BackupItem>> jobs;
    for (const auto& [cipher, bits] : ciphers) {
        auto& job = jobs[cipher] = std::make_unique<brim::BackupItem>();
        job->name = bk::from_ansi(cipher);
        job->kind = brim::BackupKind::increment;
        job->destination = bk::from_ansi((root / "sets" / cipher).string());
        job->sources = {{bk::from_ansi(src.string()), brim::SourceType::directory, true}};
        job->options = bits | brim::job_option::keep_set | brim::job_option::password;
        job->password = u"pw";
        job->password_state = brim::PasswordState::proved;
        back_up(*job);
    }
    const auto first_tree = tree_of(src);
    // A second run, appended into the last volume after the continued data.
    write_bytes(src / "sub" / "f3", "changed for the second run");
    fs::last_write_time(src / "sub" / "f3", fs::file_time_type::clock::now() + std::chrono::seconds(60));
    write_bytes(src / "added", random_bytes(70000, 99));
    const auto second_tree = tree_of(src);
    for (const auto& [cipher, bits] : ciphers) back_up(*jobs[cipher]);
    const std::string password = (root / "pw").string();
    write_bytes(password, "pw\n");

    for (const auto& [cipher, bits] : ciphers) {
        const fs::path main = root / "sets" / cipher / (cipher + ".bvf");
        const auto volumes = continuation_volumes(main);
        ASSERT_GE(volumes.size(), 2u) << cipher;
        // As written: each such volume counts the run continued into it.
        for (const auto& [path, headers] : volumes)
            EXPECT_EQ(read_be32(read_bytes(path), 16), headers + 1) << cipher << " " << path;

        for (const bool layout_way : {true, false}) {
            rewrite_counts(main, layout_way);
            const std::string way = layout_way ? "layout" : "earlier";
            const fs::path out = root / "out" / (cipher + "-" + way);
            const auto restored = cli({"restore", main.string(), "--to", out.string(), "--password-file", password});
            ASSERT_EQ(restored.status, 0) << cipher << " " << way << "\n" << restored.output;
            EXPECT_TRUE(tree_of(out / "src") == second_tree) << cipher << " " << way;
            const fs::path first = root / "out" / (cipher + "-" + way + "-run1");
            const auto run1 =
                cli({"restore", main.string(), "--run", "1", "--to", first.string(), "--password-file", password});
            ASSERT_EQ(run1.status, 0) << cipher << " " << way << "\n" << run1.output;
            EXPECT_TRUE(tree_of(first / "src") == first_tree) << cipher << " " << way << " run 1";
        }
    }
}

TEST_F(CliVolumeCounts, ASetWrittenBeforeTheChangeStillRestores) {
    // Written by the build before volumes counted their continued run: a run
    // spanning the main archive and two volumes, and a second run appended
    // into the last volume (whose count then said 1).
    fs::copy(BRIM_TEST_SETS "/before-volume-count", root / "set");
    const fs::path out = root / "out";
    const auto restored = cli({"restore", (root / "set" / "before.bvf").string(), "--to", out.string()});
    ASSERT_EQ(restored.status, 0) << restored.output;
    const auto lines = [](const std::string& word) {
        std::string text;
        for (int i = 0; i < 4000; ++i) text += word + " " + std::to_string(i) + "\n";
        return text;
    };
    EXPECT_TRUE(tree_of(out / "src") == (std::map<std::string, std::string>{{"a", lines("alpha")},
                                                                            {"b", lines("bravo")},
                                                                            {"c", lines("charlie")},
                                                                            {"d", "the second run\n"}}));
    const auto listed = cli({"list", (root / "set" / "before.bvf").string(), "--runs-only"});
    EXPECT_NE(listed.output.find("run 2"), std::string::npos) << listed.output;
}

}  // namespace

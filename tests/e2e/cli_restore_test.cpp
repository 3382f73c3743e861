// Restores driven through brimvault-cli: round trips of real trees with odd
// names, the layouts and the existing-file rules, and damaged or hostile
// sets that must end in an error or a partial result inside the target.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/archive/set_layout.h"
#include "core/engine/backup_session.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/odd_tree.h"
#include "tests/support/file_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::write_bytes;

// One entry of a tree as a restore must give it back.
struct Entry {
    char kind = '?';       // 'd' folder, 'f' file, 'l' link
    std::string content;   // a file's bytes, a link's target
    unsigned mode = 0;     // permission bits (not for links)
    std::int64_t modified_us = 0;  // the set keeps microseconds
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& e) {
    return out << e.kind << " mode " << std::oct << e.mode << std::dec << " mtime " << e.modified_us << " "
               << e.content.size() << " bytes";
}

// Every entry below `root` by its relative path, the bytes of the name as
// they are on the disk.
std::map<std::string, Entry> snapshot(const fs::path& root) {
    std::map<std::string, Entry> entries;
    if (!fs::exists(root)) return entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        Entry e;
        e.modified_us = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000 + st.st_mtim.tv_nsec / 1000;
        if (S_ISLNK(st.st_mode)) {
            e.kind = 'l';
            e.content = fs::read_symlink(it->path()).string();
        } else {
            e.kind = S_ISDIR(st.st_mode) ? 'd' : 'f';
            e.mode = st.st_mode & 07777;
            if (e.kind == 'f') e.content = read_bytes(it->path());
        }
        entries[it->path().lexically_relative(root).string()] = e;
    }
    return entries;
}

void set_mtime(const fs::path& path, int seconds_from_now) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(seconds_from_now));
}

class CliRestore : public brim_test::CliJobs {
protected:
    CliRestore() {
        brim_test::write_odd_tree(src, 300000);
        ::chmod((src / "with space" / "deeper").c_str(), 0750);
        ::symlink("with space/64k", (src / "link").c_str());
        ::symlink("../nowhere", (src / "dangling").c_str());
        write_bytes(root / "pw", "s\xC3\xA9same\n");
        write_bytes(root / "wrong", "sesame\n");
        // Times in the past, so that a restore that leaves them at "now" shows.
        set_mtime(src / "private", -86400);
        set_mtime(src / "with space" / "deeper", -7200);
    }

    // Restores with the given arguments after the job's name; expects `status`.
    std::string restore(const std::string& name, std::vector<std::string> extra, int status = 0) {
        std::vector<std::string> args = {"restore", name};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto restored = cli(args);
        EXPECT_EQ(restored.status, status) << restored.output;
        return restored.output;
    }
};

TEST_F(CliRestore, RoundTripsForEachKindAndCipherGiveTheSourceBack) {
    struct Case {
        std::string name, kind;
        std::vector<std::string> options;
    };
    const std::string pw = (root / "pw").string();
    const Case cases[] = {
        {"plain", "normal", {}},
        {"xor", "normal", {"--cipher", "xor"}},
        {"panama", "normal", {"--cipher", "panama"}},
        {"panama-pw", "normal", {"--cipher", "panama", "--password-file", pw}},
        {"rijndael", "normal", {"--cipher", "rijndael"}},
        {"rijndael-pw", "normal", {"--cipher", "rijndael", "--password-file", pw}},
        {"password-only", "normal", {"--password-file", pw}},
        {"increment-rijndael-pw", "increment", {"--append", "--cipher", "rijndael", "--password-file", pw}},
    };
    const auto before = snapshot(src);
    for (const auto& c : cases) {
        add_job(c.name, c.kind, c.options);
        run(c.name);
        std::vector<std::string> password;
        if (std::find(c.options.begin(), c.options.end(), pw) != c.options.end()) password = {"--password-file", pw};
        std::vector<std::string> args = {"--to", (root / "out" / c.name).string()};
        args.insert(args.end(), password.begin(), password.end());
        restore(c.name, args);
        EXPECT_EQ(snapshot(root / "out" / c.name / "src"), before) << c.name;
    }
}

// Sets whose files span several volumes, for each cipher: the largest file
// of a set is made small (the tests' variable), so the 300,000-byte file
// crosses at least three files of the set, xor and panama data in the
// middle of a chunk.
TEST_F(CliRestore, FilesSpanningThreeVolumesRestoreForEachCipher) {
    home.set("BRIMVAULT_SEGMENT_BYTES", "100000");
    const auto before = snapshot(src);
    for (const std::string cipher : {"none", "xor", "panama", "rijndael"}) {
        const std::string name = "span-" + cipher;
        add_job(name, "normal", {"--cipher", cipher});
        run(name);
        int volumes = 0;
        for (const auto& entry : fs::directory_iterator(dest))
            volumes += entry.path().extension() == ".bvs" && entry.path().filename().string().rfind(name + "_", 0) == 0;
        EXPECT_GE(volumes, 2) << cipher;
        restore(name, {"--to", (root / "out" / name).string()});
        EXPECT_EQ(snapshot(root / "out" / name / "src"), before) << cipher;
    }
}

// For the archive increments and the copy increments alike.
TEST_F(CliRestore, AnIncrementChainRestoresTheNewestStateOfEveryFile) {
    for (const std::string kind : {"increment", "increment_copy"}) {
        add_job(kind, kind, {"--append"});
        run(kind);
    }
    write_bytes(src / "with space" / "64k+1", random_bytes(65537, 9));
    set_mtime(src / "with space" / "64k+1", 10);
    write_bytes(src / "added", "added");
    ::chmod((src / "added").c_str(), 0640);
    for (const std::string kind : {"increment", "increment_copy"}) {
        run(kind);
        restore(kind, {"--to", (root / kind).string()});
        EXPECT_EQ(snapshot(root / kind / "src"), snapshot(src)) << kind;
    }
    // The copy of a run that is gone is reported, not invented.
    for (const auto& folder : brim_test::folders_in(dest)) fs::remove_all(folder);
    const auto lost = cli({"restore", "increment_copy", "--to", (root / "lost").string()});
    EXPECT_EQ(lost.status, 4) << lost.output;
    EXPECT_NE(lost.output.find("has been lost"), std::string::npos) << lost.output;
}

TEST_F(CliRestore, WithoutATargetItemsReturnToTheirOriginalPlace) {
    add_job("home", "normal", {"--password-file", (root / "pw").string()});
    run("home");
    const auto before = snapshot(src);
    fs::remove_all(src);
    restore("home", {"--password-file", (root / "pw").string()});
    EXPECT_EQ(snapshot(src), before);
}

TEST_F(CliRestore, SelectedItemsAreRestoredByTheChosenLayout) {
    add_job("pick", "normal");
    run("pick");
    const auto tree = snapshot(src);
    const auto below = [&](const std::string& prefix) {
        std::map<std::string, Entry> part;
        for (const auto& [path, entry] : tree)
            if (path.starts_with(prefix + "/")) part[path.substr(prefix.size() + 1)] = entry;
        return part;
    };
    const std::string subtree = (src / "with space").string(), file = (src / "private").string();

    restore("pick", {subtree, "--to", (root / "sub").string()});
    EXPECT_EQ(snapshot(root / "sub" / "with space"), below("with space"));
    EXPECT_EQ(fs::directory_iterator(root / "sub")->path().filename(), "with space");

    restore("pick", {file, "--to", (root / "one").string()});
    EXPECT_EQ(snapshot(root / "one"), (std::map<std::string, Entry>{{"private", tree.at("private")}}));

    restore("pick", {subtree, "--to", (root / "kept").string(), "--keep-structure"});
    EXPECT_EQ(snapshot(root / "kept" / src.relative_path() / "with space"), below("with space"));

    restore("pick", {file, "--to", (root / "kept-one").string(), "--keep-structure"});
    EXPECT_EQ(read_bytes(root / "kept-one" / src.relative_path() / "private"), "0600");

    // A single file back to its original place, the rest untouched.
    fs::remove(src / "private");
    write_bytes(src / "empty", "changed");
    restore("pick", {file});
    EXPECT_EQ(snapshot(src).at("private"), tree.at("private"));
    EXPECT_EQ(read_bytes(src / "empty"), "changed");

    // An item that is not in the set restores nothing, and says so in its status.
    EXPECT_EQ(cli({"restore", "pick", (src / "not there").string(), "--to", (root / "none").string()}).status, 65);
    EXPECT_FALSE(fs::exists(root / "none" / "not there"));
}

TEST_F(CliRestore, EachExistingRuleDecidesOverAFileThatIsThere) {
    add_job("rules", "normal");
    run("rules");
    struct Case {
        std::string rule;
        int target_age;  // seconds from now of the file in the way
        bool replaced;
    };
    // "private" in the set is a day old.
    const Case cases[] = {
        {"skip", -3 * 86400, false},
        {"ask", -3 * 86400, false},  // nobody to ask: the answer is no
        {"replace", 3600, true},
        {"older", -3 * 86400, true},
        {"older", 3600, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path target = root / ("t" + std::to_string(n++));
        fs::create_directories(target / "src");
        write_bytes(target / "src" / "private", "in the way");
        set_mtime(target / "src" / "private", c.target_age);
        restore("rules", {"--to", target.string(), "--existing", c.rule});
        EXPECT_EQ(read_bytes(target / "src" / "private"), c.replaced ? "0600" : "in the way") << c.rule;
        EXPECT_EQ(read_bytes(target / "src" / "empty"), "") << c.rule;  // files not in the way are restored
    }
}

TEST_F(CliRestore, TouchGivesRestoredFilesTheCurrentTime) {
    add_job("touch", "normal");
    run("touch");
    const auto started = std::chrono::system_clock::now() - std::chrono::seconds(2);
    restore("touch", {"--to", (root / "out").string(), "--touch"});
    const auto restored = snapshot(root / "out" / "src");
    const auto original = snapshot(src);
    const std::int64_t start_us =
        std::chrono::duration_cast<std::chrono::microseconds>(started.time_since_epoch()).count();
    for (const auto& name : {"private", "with space/64k", "empty"}) {
        EXPECT_GE(restored.at(name).modified_us, start_us) << name;
        EXPECT_EQ(restored.at(name).content, original.at(name).content);
    }
}

TEST_F(CliRestore, CopySetsRestoreFromTheirCopyFolders) {
    add_job("copies", "copy");
    run("copies");
    const auto before = snapshot(src);
    restore("copies", {"--to", (root / "out").string()});
    EXPECT_EQ(snapshot(root / "out" / "src"), before);
    restore("copies", {(src / "with space").string(), "--to", (root / "kept").string(), "--keep-structure"});
    EXPECT_EQ(snapshot(root / "kept" / src.relative_path() / "with space").at("deeper/big"), before.at("with space/deeper/big"));
    fs::remove_all(src);
    restore("copies", {});
    EXPECT_EQ(snapshot(src), before);
}

// ----- sets that are wrong, damaged or hostile -----

TEST_F(CliRestore, AWrongPasswordRestoresNothing) {
    add_job("locked", "normal", {"--cipher", "rijndael", "--password-file", (root / "pw").string()});
    run("locked");
    // The archive file alone: its job is not in the store, so the password is asked for.
    const auto refused = cli({"restore", (dest / "locked.bvf").string(), "--to", (root / "out").string(),
                              "--password-file", (root / "wrong").string()});
    EXPECT_EQ(refused.status, 77) << refused.output;
    EXPECT_NE(refused.output.find("password"), std::string::npos) << refused.output;
    EXPECT_FALSE(fs::exists(root / "out"));
}

TEST_F(CliRestore, NewerAndTruncatedSetsAreRefusedWithTheirReason) {
    add_job("small", "normal");
    run("small");
    const std::string set = read_bytes(dest / "small.bvf");
    struct Case {
        std::string file, bytes, reason;
        bool open_refuses = true;  // a compressed run is found when the runs are read, not at open
    };
    std::string newer = set;
    newer.replace(4, 4, std::string("\x00\x03\x00\x00", 4));
    // The first run's compression word: 12 bytes into its header.
    const auto layout = brim::archive::read_set_layout(wide(dest / "small.bvf"), false, false, 1);
    ASSERT_EQ(layout.error, brim::archive::LayoutError::none);
    std::string compressed = set;
    compressed[static_cast<std::size_t>(layout.layout.runs[0].header_offset) + 13] = '\x01';
    const Case cases[] = {
        {"newer.bvf", newer, "version"},
        {"twelve.bvf", set.substr(0, 12), "damaged"},
        {"compressed.bvf", compressed, "Compression flag", false},
    };
    for (const auto& c : cases) {
        write_bytes(root / c.file, c.bytes);
        for (const std::string command : {"list", "restore", "open"}) {
            if (command == "open" && !c.open_refuses) continue;
            std::vector<std::string> args = {command, (root / c.file).string()};
            if (command == "restore") args.insert(args.end(), {"--to", (root / "out").string()});
            const auto refused = cli(args);
            EXPECT_EQ(refused.status, 70) << c.file << " " << command << refused.output;
            EXPECT_NE(refused.output.find(c.reason), std::string::npos) << refused.output;
        }
    }
    EXPECT_FALSE(fs::exists(root / "out"));
}

// Every volume of a set moved to another folder: the set is read from
// there, whatever the data before each file's trailer reads as when the
// volume it names is not beside the file.
TEST_F(CliRestore, ASetWhoseVolumesAllMovedAwayRestoresFromTheVolumeFolder) {
    home.set("BRIMVAULT_SEGMENT_BYTES", "100000");
    // Bytes 01 01 before a trailer read as the length of a name of 257
    // characters, more than a file name may have.
    const fs::path ones = root / "ones";
    fs::create_directories(ones);
    write_bytes(ones / "f", std::string(300000, '\x01'));
    const auto added = cli({"job", "add", "away", "--kind", "normal", "--dest", dest.string(), "--dir", ones.string()});
    ASSERT_EQ(added.status, 0) << added.output;
    run("away");
    std::vector<fs::path> volumes;
    for (const auto& entry : fs::directory_iterator(dest))
        if (entry.path().extension() == ".bvs") volumes.push_back(entry.path());
    ASSERT_GE(volumes.size(), 3u);
    fs::create_directories(root / "moved");
    for (const auto& volume : volumes) fs::rename(volume, root / "moved" / volume.filename());
    restore("away", {"--to", (root / "back").string(), "--volume-dir", (root / "moved").string()});
    EXPECT_EQ(read_bytes(root / "back" / "ones" / "f"), read_bytes(ones / "f"));
}

TEST_F(CliRestore, AMissingVolumeGivesTheRunsBeforeItOrIsFoundInTheVolumeFolder) {
    fs::remove_all(src);
    fs::create_directories(src);
    add_job("vols", "normal", {"--append", "--new-archive-every-run", "3"});
    for (int i = 1; i <= 3; ++i) {
        write_bytes(src / "f", "run " + std::to_string(i));
        set_mtime(src / "f", i);
        run("vols");
    }
    std::vector<fs::path> volumes;
    for (const auto& entry : fs::directory_iterator(dest))
        if (entry.path().extension() == ".bvs") volumes.push_back(entry.path());
    std::sort(volumes.begin(), volumes.end());
    ASSERT_EQ(volumes.size(), 2u);
    // The third run's volume (the later name) moves away.
    fs::create_directories(root / "moved");
    fs::rename(volumes[1], root / "moved" / volumes[1].filename());

    const auto listed = cli({"list", "vols", "--runs-only"});
    EXPECT_EQ(listed.status, 0) << listed.output;
    EXPECT_NE(listed.output.find("only part of the set"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("run 2"), std::string::npos);
    EXPECT_EQ(listed.output.find("run 3"), std::string::npos);
    restore("vols", {"--to", (root / "part").string()});
    EXPECT_EQ(read_bytes(root / "part" / "src" / "f"), "run 2");

    restore("vols", {"--to", (root / "whole").string(), "--volume-dir", (root / "moved").string()});
    EXPECT_EQ(read_bytes(root / "whole" / "src" / "f"), "run 3");

    // A volume named instead of the main archive opens the whole set.
    restore(volumes[0].string(), {"--to", (root / "by-volume").string(), "--volume-dir", (root / "moved").string()});
    EXPECT_EQ(read_bytes(root / "by-volume" / "src" / "f"), "run 3");
}

class DamagedSet : public CliRestore {
protected:
    DamagedSet() {
        fs::remove_all(src);
        fs::create_directories(src / "sub");
        write_bytes(src / "a", "alpha");
        write_bytes(src / "sub" / "b", random_bytes(300, 4));
        ::symlink("a", (src / "l").c_str());
        jail = root / "jail";
        fs::create_directories(jail);
    }

    // Lists and restores `bytes` as an archive file, through the program
    // or, many times faster, through the core as the program does. Every
    // outcome must be a documented status or error and leave nothing beside
    // the target.
    void try_set(const std::string& bytes, const std::string& label, bool through_cli) {
        const fs::path file = root / "damaged.bvf";
        write_bytes(file, bytes);
        const fs::path target = jail / "out";
        if (through_cli) {
            for (const auto& args : {std::vector<std::string>{"list", file.string()},
                                     std::vector<std::string>{"restore", file.string(), "--to", target.string()}}) {
                const auto result = cli(args);
                // 77: a flipped security kind asks for a password nobody gave.
                const bool documented =
                    (result.status >= 0 && result.status <= 5) || result.status == 77 || result.status == 70;
                EXPECT_TRUE(documented) << label << " " << args[0] << " status " << result.status << "\n"
                                        << result.output;
            }
        } else {
            restore_in_process(file, target, label);
        }
        for (const auto& entry : fs::directory_iterator(jail))
            EXPECT_EQ(entry.path(), target) << label << " wrote beside the target";
        fs::remove_all(target);
    }

    static void restore_in_process(const fs::path& file, const fs::path& target, const std::string& label) {
        try {
            auto job = brim::BackupSession::open(wide(file));
            auto session = brim::BackupSession::create_session(job.get(), brim::SessionDirection::restore);
            ASSERT_NE(session, nullptr) << label;
            std::vector<const brim::archive::RunLayout*> runs;
            session->open(runs, nullptr, wide(file));
            std::vector<const brim::DataHeader*> roots;
            for (const auto* run : runs)
                if (run->root) roots.push_back(run->root.get());
            session->restore(roots, wide(target), 0);
        } catch (const bk::Exception&) {
            // a documented refusal: the program reports it and ends with 70
        } catch (const std::exception& other) {
            ADD_FAILURE() << label << ": " << other.what();
        }
    }

    fs::path jail;
};

// These two show that damage never crashes the program nor writes outside
// the target; a set holds no checksum of its data, so a flip inside file
// data can restore wrong bytes without a report.
TEST_F(DamagedSet, EveryPrefixEndsInADocumentedStatusWithNothingOutsideTheTarget) {
    add_job("small", "normal");
    run("small");
    const std::string set = read_bytes(dest / "small.bvf");
    ASSERT_LT(set.size(), 8000u);
    for (std::size_t length = 0; length < set.size(); ++length)
        try_set(set.substr(0, length), "prefix " + std::to_string(length), length % 101 == 0);
    EXPECT_EQ(snapshot(src).size(), 4u);
}

TEST_F(DamagedSet, RandomByteFlipsEndInADocumentedStatusWithNothingOutsideTheTarget) {
    for (const std::string cipher : {"none", "rijndael"}) {
        add_job("flip-" + cipher, "normal", {"--cipher", cipher});
        run("flip-" + cipher);
        const std::string set = read_bytes(dest / ("flip-" + cipher + ".bvf"));
        std::mt19937 random(7);
        for (int i = 0; i < 400; ++i) {
            std::string damaged = set;
            const std::size_t at = random() % damaged.size();
            damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
            try_set(damaged, cipher + " flip at " + std::to_string(at), i % 40 == 0);
        }
    }
}

// Puts `to` in place of every occurrence of `from` (the same length) in the
// set's UTF-16 names, whichever byte order the set uses.
std::size_t replace_name(std::string& set, const std::u16string& from, const std::u16string& to) {
    std::size_t replaced = 0;
    for (const bool big_endian : {true, false}) {
        const auto encode = [&](const std::u16string& text) {
            std::string bytes;
            for (const char16_t c : text) {
                const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
                bytes += big_endian ? std::string{high, low} : std::string{low, high};
            }
            return bytes;
        };
        const std::string a = encode(from), b = encode(to);
        for (std::size_t at = set.find(a); at != std::string::npos; at = set.find(a, at + b.size())) {
            set.replace(at, a.size(), b);
            ++replaced;
        }
    }
    return replaced;
}

TEST_F(DamagedSet, NamesThatClimbOutOfTheTargetRestoreNothingOutside) {
    write_bytes(src / "QQ", "dot dot");
    write_bytes(src / "QQQQQ", "slash");
    fs::create_directories(src / "DDDDDD");
    write_bytes(src / "DDDDDD" / "inner", "inner");
    add_job("climb", "normal");
    run("climb");
    std::string set = read_bytes(dest / "climb.bvf");
    ASSERT_GT(replace_name(set, u"QQQQQ", u"../QQ"), 0u);
    ASSERT_GT(replace_name(set, u"QQ", u".."), 0u);
    ASSERT_GT(replace_name(set, u"DDDDDD", u"../../"), 0u);
    try_set(set, "climbing names", true);
    // Under a target and to the original places alike.
    write_bytes(root / "damaged.bvf", set);
    fs::remove_all(src);
    const auto original = cli({"restore", (root / "damaged.bvf").string()});
    EXPECT_LE(original.status, 5) << original.output;
    EXPECT_FALSE(fs::exists(root / "QQ"));
    EXPECT_FALSE(fs::exists(root / "inner"));
    EXPECT_FALSE(fs::exists(root.parent_path() / "inner"));
    EXPECT_EQ(read_bytes(src / "a"), "alpha");
}

}  // namespace

// The job store as brimvault-cli meets it with damaged files and hostile
// input: no job definition is ever lost, names that cannot be file names are
// refused, a damaged report file does not stop a run, jobs made by "open" or
// "job import" take their right password, and every command exits with the
// statuses of the README's table.
#include <sys/file.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/jobs/store_lock.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliStore : public brim_test::StoreHome {
protected:
    CliStore() {
        src = home.dir().path() / "src";
        fs::create_directories(src / "sub");
        write_bytes(src / "a.txt", "alpha");
        write_bytes(src / "sub" / "b.txt", std::string(70000, 'b'));
        dest = home.dir().path() / "dest";
        password = home.dir().path() / "pw";
        write_bytes(password, "right horse\n");
        wrong = home.dir().path() / "wrong";
        write_bytes(wrong, "wrong horse\n");
    }

    static brim_test::CliResult cli(const std::vector<std::string>& args) { return brim_test::run_cli(BRIM_CLI, args); }

    brim_test::CliResult add(const std::string& name, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"job", "add", name, "--kind", "normal", "--dest", dest.string(), "--dir",
                                         src.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args);
    }

    fs::path config_file() const { return config_dir() / "brimkeep.config"; }
    fs::path data_file() const { return config_dir() / "brimkeep.dat"; }

    // The files in the configuration directory whose names start with `stem`.
    std::vector<fs::path> files_starting(const std::string& stem) const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(config_dir()))
            if (entry.path().filename().string().starts_with(stem)) found.push_back(entry.path());
        return found;
    }

    fs::path src, dest, password, wrong;
};

// A password file cut short, garbage or missing: the changing commands
// refuse, "job repair" keeps the damaged files aside and says what it
// dropped, and "job repair --from-copy" brings every job back.
TEST_F(CliStore, ADamagedPasswordFileNeverCostsAJob) {
    struct Case {
        const char* what;
        void (*damage)(const fs::path&);
    };
    const Case cases[] = {
        {"truncated", [](const fs::path& f) { fs::resize_file(f, 60); }},
        {"garbage", [](const fs::path& f) { write_bytes(f, std::string(300, 'x')); }},
        {"missing", [](const fs::path& f) { fs::remove(f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(home.data_dir());
        ASSERT_EQ(add("Alpha", {"--cipher", "rijndael", "--password-file", password.string()}).status, 0);
        ASSERT_EQ(add("Beta").status, 0);
        // The safety copy is refreshed once it is 15 days old.
        const fs::path copy = config_dir() / "brimkeep.configbak";
        ASSERT_TRUE(fs::exists(copy));
        fs::last_write_time(copy, fs::last_write_time(copy) - std::chrono::hours(24 * 16));
        EXPECT_EQ(cli({"job", "show", "Beta"}).status, 0);
        EXPECT_EQ(cli({"job", "remove", "Nobody"}).status, 65);
        EXPECT_EQ(read_bytes(copy), read_bytes(config_file()));
        EXPECT_EQ(read_bytes(config_dir() / "brimkeep.datbak"), read_bytes(data_file()));

        c.damage(data_file());
        const std::string config = read_bytes(config_file());
        const auto refused = add("Gamma");
        EXPECT_EQ(refused.status, 74) << refused.output;
        EXPECT_TRUE(has(refused.output, "job repair")) << refused.output;
        EXPECT_EQ(cli({"job", "remove", "Beta"}).status, 74);
        EXPECT_EQ(read_bytes(config_file()), config);
        const auto listed = cli({"job", "list"});
        EXPECT_EQ(listed.status, 0);
        EXPECT_TRUE(has(listed.output, "Beta") && !has(listed.output, "  Alpha")) << listed.output;

        const auto repaired = cli({"job", "repair"});
        EXPECT_EQ(repaired.status, 0) << repaired.output;
        EXPECT_TRUE(has(repaired.output, "Dropped job \"Alpha\"")) << repaired.output;
        EXPECT_TRUE(has(repaired.output, "--from-copy")) << repaired.output;
        const auto kept = files_starting("brimkeep.config.damaged-");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(read_bytes(kept[0]), config);
        EXPECT_EQ(add("Gamma").status, 0);

        const auto back = cli({"job", "repair", "--from-copy"});
        EXPECT_EQ(back.status, 0) << back.output;
        EXPECT_TRUE(has(back.output, "Alpha") && has(back.output, "Beta")) << back.output;
        // The store it replaced is kept too, beside the first copy, never over it.
        EXPECT_EQ(files_starting("brimkeep.config.damaged-").size(), 2u);
        EXPECT_EQ(read_bytes(kept[0]), config);
        EXPECT_EQ(cli({"run", "Alpha"}).status, 0);  // its password came back with it
        EXPECT_EQ(cli({"run", "Beta"}).status, 0);
    }
}

TEST_F(CliStore, AJobFileReadInPartIsNeverSavedOver) {
    ASSERT_EQ(add("Alpha").status, 0);
    ASSERT_EQ(add("Beta").status, 0);
    std::string text = read_bytes(config_file());
    text.replace(text.find("<backup-type>normal"), 19, "<colour>red");
    write_bytes(config_file(), text);
    const auto refused = cli({"job", "import", (home.dir().path() / "none.xml").string()});
    EXPECT_EQ(refused.status, 74) << refused.output;
    EXPECT_EQ(read_bytes(config_file()), text);
    // A run and a restore still work, and record their reports.
    EXPECT_EQ(cli({"run", "Beta"}).status, 0);
    EXPECT_EQ(read_bytes(config_file()), text);
    EXPECT_TRUE(has(cli({"report", "Beta"}).output, "Successful"));
    const auto repaired = cli({"job", "repair"});
    EXPECT_EQ(repaired.status, 0) << repaired.output;
    EXPECT_TRUE(has(repaired.output, "Dropped job \"Alpha\"")) << repaired.output;
    EXPECT_EQ(cli({"job", "repair"}).output, "The job store was read whole: nothing to repair\n");
}

// Newlines, TABs and markup are legal in Linux names: a source folder so
// named survives the job file and its backup and restore.
TEST_F(CliStore, HostileSourceNamesRoundTrip) {
    const std::vector<std::string> names = {"new\nline", "tab\there", "cr\rlf\r\n", "<&\"amp;&#10;>", "\x01\x7f"};
    std::vector<std::string> args = {"job", "add", "Odd", "--kind", "normal", "--dest", dest.string()};
    for (const auto& name : names) {
        fs::create_directories(home.dir().path() / name);
        write_bytes(home.dir().path() / name / "f", name);
        args.push_back("--dir");
        args.push_back((home.dir().path() / name).string());
    }
    ASSERT_EQ(cli(args).status, 0);
    ASSERT_EQ(add("Second").status, 0);  // a second save reads the first back
    EXPECT_FALSE(has(read_bytes(config_file()), "new\nline"));
    const auto shown = cli({"job", "show", "Odd"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_FALSE(has(shown.output, "could not be read")) << shown.output;
    EXPECT_TRUE(has(shown.output, "new\\nline")) << shown.output;
    ASSERT_EQ(cli({"run", "Odd"}).status, 0);
    const fs::path out = home.dir().path() / "out";
    ASSERT_EQ(cli({"restore", "Odd", "--to", out.string()}).status, 0);
    std::size_t found = 0;
    for (const auto& [path, bytes] : brim_test::tree_of(out))
        for (const auto& name : names) found += path.ends_with(name + "/f") && bytes == name;
    EXPECT_EQ(found, names.size());
    // Each listed item is one line.
    const auto listed = cli({"list", "Odd"});
    EXPECT_TRUE(has(listed.output, "new\\nline/f")) << listed.output;
    // The XML export keeps the names; the text form, which cannot, refuses.
    const std::string xml = (home.dir().path() / "odd.xml").string();
    ASSERT_EQ(cli({"job", "export", xml, "Odd"}).status, 0);
    ASSERT_EQ(cli({"job", "remove", "Odd"}).status, 0);
    ASSERT_EQ(cli({"job", "import", xml}).status, 0);
    EXPECT_TRUE(has(cli({"job", "show", "Odd"}).output, "new\\nline")) << cli({"job", "show", "Odd"}).output;
    const auto text = cli({"job", "export", (home.dir().path() / "odd.txt").string(), "Odd", "--format", "text"});
    EXPECT_EQ(text.status, 64) << text.output;
    EXPECT_TRUE(has(text.output, "--format xml")) << text.output;
    EXPECT_EQ(cli({"job", "export", (home.dir().path() / "second.txt").string(), "Second", "--format", "text"}).status, 0);
}

TEST_F(CliStore, NamesThatCannotBeFileNamesAreRefusedEverywhere) {
    const std::vector<std::string> bad = {"../x", "a/b", "", "..", ".", "line\nbreak", std::string(201, 'n')};
    ASSERT_EQ(add("Good").status, 0);
    ASSERT_EQ(cli({"job", "export", (home.dir().path() / "good.xml").string(), "Good"}).status, 0);
    const std::string exported = read_bytes(home.dir().path() / "good.xml");
    for (const auto& name : bad) {
        SCOPED_TRACE(name);
        const auto added = add(name);
        EXPECT_EQ(added.status, 64) << added.output;
        EXPECT_TRUE(has(added.output, "cannot name a job")) << added.output;
        std::string text = exported;
        std::string escaped;
        for (char ch : name) escaped += ch == '\n' ? std::string("&#10;") : std::string(1, ch);
        text.replace(text.find("name=\"Good\""), 11, "name=\"" + escaped + "\"");
        write_bytes(home.dir().path() / "bad.xml", text);
        const auto imported = cli({"job", "import", (home.dir().path() / "bad.xml").string()});
        EXPECT_EQ(imported.status, 64) << imported.output;
    }
    EXPECT_FALSE(fs::exists(home.dir().path() / "x.bvf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(report_dir()), fs::directory_iterator()), 0);
    EXPECT_EQ(cli({"job", "list"}).output.find("Good"), cli({"job", "list"}).output.rfind("Good"));

    // An archive whose file name holds a line break cannot make a job.
    ASSERT_EQ(cli({"run", "Good"}).status, 0);
    const fs::path odd = home.dir().path() / "line\nbreak.bvf";
    fs::copy_file(dest / "Good.bvf", odd);
    EXPECT_EQ(cli({"open", odd.string()}).status, 64);

    // A store that holds such a name loads without that job.
    std::string text = read_bytes(config_file());
    text.replace(text.find("name=\"Good\""), 11, "name=\"../../x\"");
    const auto other = text.find("\t<job ");
    text.insert(other, text.substr(other, text.find("\t</job>") + 9 - other));
    text.replace(text.find("id=\"1\""), 6, "id=\"2\"");
    text.replace(text.find("name=\"../../x\""), 14, "name=\"Kept\"");
    write_bytes(config_file(), text);
    const auto listed = cli({"job", "list"});
    EXPECT_TRUE(has(listed.output, "Kept") && has(listed.output, "../../x") && has(listed.output, "left out"))
        << listed.output;
    EXPECT_EQ(cli({"run", "Kept"}).status, 0);
    EXPECT_EQ(cli({"run", "../../x"}).status, 65);
    EXPECT_TRUE(has(read_bytes(log_dir() / "brimkeep.log"), "its name cannot be the name of a file"));
}

TEST_F(CliStore, ADamagedReportFileDoesNotStopARun) {
    ASSERT_EQ(add("Daily").status, 0);
    ASSERT_EQ(cli({"run", "Daily"}).status, 0);
    const fs::path report = report_dir() / "Daily.log";
    std::string text = read_bytes(report);
    const std::string damaged = text.replace(text.find("<result>"), 8, "<resolt>");
    write_bytes(report, damaged);
    const auto ran = cli({"run", "Daily"});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(read_bytes(report_dir() / "Daily.logbak"), damaged);
    EXPECT_TRUE(has(cli({"report", "Daily"}).output, "Successful"));
    EXPECT_TRUE(has(read_bytes(log_dir() / "brimkeep.log"), "Daily.logbak"));
    write_bytes(report, "garbage");
    EXPECT_EQ(cli({"run", "Daily"}).status, 0);
}

// Jobs made from a protected set by "open" or "job import" prove the
// password against the set's security header.
TEST_F(CliStore, OpenedAndImportedJobsTakeTheirRightPassword) {
    ASSERT_EQ(add("Safe", {"--cipher", "rijndael", "--password-file", password.string()}).status, 0);
    ASSERT_EQ(cli({"run", "Safe"}).status, 0);
    ASSERT_EQ(cli({"job", "export", (home.dir().path() / "safe.xml").string()}).status, 0);
    ASSERT_EQ(cli({"job", "remove", "Safe"}).status, 0);

    ASSERT_EQ(cli({"open", (dest / "Safe.bvf").string()}).status, 0);
    EXPECT_EQ(cli({"list", "Safe", "--password-file", wrong.string()}).status, 77);
    EXPECT_EQ(cli({"list", "Safe", "--password-file", password.string()}).status, 0);
    EXPECT_EQ(cli({"restore", "Safe", "--to", (home.dir().path() / "r1").string(), "--password-file",
                   password.string()}).status, 0);
    const auto ran = cli({"run", "Safe", "--password-file", password.string()});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(cli({"run", "Safe"}).status, 0);  // proved once, then kept
    ASSERT_EQ(cli({"job", "remove", "Safe"}).status, 0);

    ASSERT_EQ(cli({"job", "import", (home.dir().path() / "safe.xml").string()}).status, 0);
    EXPECT_EQ(cli({"run", "Safe", "--password-file", wrong.string()}).status, 77);
    const auto imported = cli({"run", "Safe", "--password-file", password.string()});
    EXPECT_EQ(imported.status, 0) << imported.output;
    EXPECT_EQ(brim_test::tree_of(home.dir().path() / "r1" / "src").size(), 2u);
}

TEST_F(CliStore, ImportingTwiceNumbersTheNames) {
    ASSERT_EQ(add("Daily").status, 0);
    const std::string file = (home.dir().path() / "jobs.xml").string();
    ASSERT_EQ(cli({"job", "export", file}).status, 0);
    const auto first = cli({"job", "import", file});
    EXPECT_EQ(first.status, 0);
    EXPECT_TRUE(has(first.output, "imported as \"Daily1\"")) << first.output;
    EXPECT_TRUE(has(cli({"job", "import", file}).output, "imported as \"Daily2\""));
    const auto listed = cli({"job", "list"});
    EXPECT_TRUE(has(listed.output, "Daily1") && has(listed.output, "Daily2")) << listed.output;
    EXPECT_EQ(cli({"run", "Daily1"}).status, 0);
    EXPECT_TRUE(fs::exists(dest / "Daily1.bvf"));
    EXPECT_EQ(cli({"job", "remove", "Daily1"}).status, 0);
    EXPECT_TRUE(has(cli({"job", "show", "Daily2"}).output, "Daily2"));
}

TEST_F(CliStore, JobAddChecksItsInputAndShowsWhatWasGiven) {
    ASSERT_EQ(add("Daily").status, 0);
    const std::vector<std::vector<std::string>> refused = {
        {"--retry", "-1"},        {"--retry-interval", "-5"},       {"--full-every", "-2"},
        {"--full-weekly", "1", "--days", "mon,funday"}, {"--ftp", "host:99999"}, {"--existing", "sometimes"},
    };
    for (const auto& extra : refused) {
        const auto result = add("Other", extra);
        EXPECT_EQ(result.status, 64) << extra[0] << result.output;
    }
    EXPECT_EQ(cli({"job", "add", "Other", "--kind", "normal", "--dest", "", "--dir", src.string()}).status, 64);
    EXPECT_EQ(add("Daily").status, 64);
    // A name that is another job's id is free.
    EXPECT_EQ(add("1").status, 0) << add("1").output;

    const fs::path cwd = fs::current_path();
    fs::current_path(home.dir().path());
    const auto relative = cli({"job", "add", "Rel", "--kind", "increment", "--dest", "dest", "--dir", "src",
                               "--retry", "3", "--retry-interval", "9", "--full-weekly", "2", "--days", "mon,fri",
                               "--existing", "older", "--include-ext", "txt"});
    fs::current_path(cwd);
    ASSERT_EQ(relative.status, 0) << relative.output;
    const auto shown = cli({"job", "show", "Rel"});
    for (const std::string& part : std::vector<std::string>{
             "destination: " + dest.string(), "directory (recursive) " + src.string(), "3 times, every 9 s",
             "every 2 weeks on mon,fri", "existing:    by-time", "only .txt"})
        EXPECT_TRUE(has(shown.output, part)) << part << '\n' << shown.output;
}

// Every command exits with the statuses of the README's table.
TEST_F(CliStore, ExitStatusesFollowTheTable) {
    ASSERT_EQ(add("Plain").status, 0);
    ASSERT_EQ(add("Safe", {"--password-file", password.string()}).status, 0);
    ASSERT_EQ(cli({"job", "add", "Mirror", "--kind", "directory_copy", "--dest", (home.dir().path() / "mirror").string(),
                   "--dir", src.string()}).status, 0);
    ASSERT_EQ(cli({"run", "Plain"}).status, 0);
    ASSERT_EQ(cli({"run", "Safe"}).status, 0);
    const std::string to = (home.dir().path() / "out").string();
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;  // part of what it prints
    };
    const std::vector<Case> cases = {
        {{"job", "show", "Plain"}, 0, "Plain"},
        {{"job", "frobnicate"}, 64, ""},
        {{"job", "show", "Nobody"}, 65, "no job named"},
        {{"job", "remove", "Nobody"}, 65, "no job named"},
        {{"run", "Nobody"}, 65, "no job named"},
        {{"check", "Nobody"}, 65, ""},
        {{"list", "Nobody"}, 65, "no job"},
        {{"restore", "Nobody"}, 65, "no job"},
        {{"report", "Nobody"}, 65, ""},
        {{"restore", "Plain", "/no/such/item", "--to", to}, 65, "nothing was restored"},
        {{"restore", "Plain", "--run", "0", "--to", to}, 64, "--run"},
        {{"restore", "Plain", "--run", "-1", "--to", to}, 64, "--run"},
        {{"restore", "Plain", "--run", "99", "--to", to}, 64, "runs"},
        {{"list", "Mirror"}, 64, "mirror"},
        {{"restore", "Mirror"}, 64, "mirror"},
        {{"list", "Safe", "--password-file", "/no/such/file"}, 77, "cannot read the password file"},
        {{"list", "Safe", "--password-file", wrong.string()}, 77, "not right"},
        {{"restore", "Safe", "--password-file", wrong.string(), "--to", to}, 77, "not right"},
        {{"run", "Safe", "--password-file", wrong.string()}, 77, "not right"},
        {{"check", "Safe", "--password-file", wrong.string()}, 77, "not right"},
        {{"job", "add", "..", "--kind", "normal", "--dest", to, "--dir", src.string()}, 64, "cannot name a job"},
        {{"restore", "Plain", "--existing", "older", "--to", to}, 0, ""},
        {{"restore", "Plain", "--existing", "keep", "--to", to}, 0, ""},
    };
    for (const Case& c : cases) {
        const auto result = cli(c.args);
        EXPECT_EQ(result.status, c.status) << c.args[0] << ' ' << c.args[1] << '\n' << result.output;
        EXPECT_TRUE(has(result.output, c.says)) << c.says << '\n' << result.output;
        EXPECT_FALSE(has(result.output, "brimvault-cli: \n")) << result.output;  // never an empty message
    }
    {
        // Another process owns the store: 75 for the commands that change it.
        auto lock = brim::StoreLock::try_acquire();
        ASSERT_NE(lock, nullptr);
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"job", "remove", "Plain"}, {"run", "Plain"}, {"job", "repair"}, {"restore", "Plain", "--to", to}})
            EXPECT_EQ(cli(args).status, 75) << args[0] << ' ' << args[1];
    }
    fs::remove(data_file());
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"job", "remove", "Plain"}, {"job", "import", to}, {"open", (dest / "Plain.bvf").string()}})
        EXPECT_EQ(cli(args).status, 74) << args[0] << ' ' << args[1];
}

TEST_F(CliStore, RunsAndRestoresPrintEventsOnlyWhenAskedTo) {
    ASSERT_EQ(cli({"job", "add", "Copy", "--kind", "copy", "--dest", dest.string(), "--dir", src.string()}).status, 0);
    ASSERT_EQ(add("Sealed", {"--cipher", "rijndael", "--password-file", password.string()}).status, 0);
    for (const std::string job : {"Copy", "Sealed"}) {
        const auto quiet = cli({"run", job});
        EXPECT_EQ(quiet.status, 0) << quiet.output;
        EXPECT_FALSE(has(quiet.output, "file ")) << quiet.output;
        EXPECT_TRUE(has(quiet.output, "Result: Successful")) << quiet.output;
        const auto verbose = cli({"run", job, "--verbose"});
        EXPECT_TRUE(has(verbose.output, "file " + (src / "sub" / "b.txt").string())) << verbose.output;
        // Each file's own size, not what the catalogue stores of it (nothing
        // for a copy, the padded length for rijndael).
        const auto listed = cli({"list", job, "--password-file", password.string()});
        EXPECT_TRUE(has(listed.output, "  70000  " + (src / "sub" / "b.txt").string())) << listed.output;
        EXPECT_TRUE(has(listed.output, "  5  " + (src / "a.txt").string())) << listed.output;
        const std::string to = (home.dir().path() / ("out-" + job)).string();
        const auto restored = cli({"restore", job, "--to", to});
        EXPECT_EQ(restored.status, 0) << restored.output;
        EXPECT_FALSE(has(restored.output, "file ")) << restored.output;
        EXPECT_TRUE(has(cli({"restore", job, "--to", to + "-verbose", "--verbose"}).output, "file "));
    }
}

TEST_F(CliStore, TheDataDirectoryIsItsOwnersAlone) {
    auto mode_of = [](const fs::path& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 0777;
    };
    auto check_tree = [&] {
        EXPECT_EQ(mode_of(home.data_dir()), 0700u);
        for (const auto& entry : fs::recursive_directory_iterator(home.data_dir())) {
            EXPECT_EQ(mode_of(entry.path()), entry.is_directory() ? 0700u : 0600u) << entry.path();
        }
    };
    ASSERT_EQ(add("Daily", {"--password-file", password.string()}).status, 0);
    ASSERT_EQ(add("Weekly").status, 0);
    ASSERT_EQ(cli({"run", "Daily"}).status, 0);
    EXPECT_TRUE(fs::exists(report_dir() / "Daily.log"));
    EXPECT_TRUE(fs::exists(config_dir() / "brimkeep.datbak"));
    check_tree();

    // A tree an earlier version left open is tightened at the next start.
    for (const auto& entry : fs::recursive_directory_iterator(home.data_dir()))
        fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
    fs::permissions(home.data_dir(), fs::perms(0755));
    EXPECT_EQ(cli({"job", "list"}).status, 0);
    check_tree();
}

}  // namespace

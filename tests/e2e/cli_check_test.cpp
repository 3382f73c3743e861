// "check" and the check "run" makes before it writes: the answers in words
// and exit statuses, the questions on a terminal, and the unattended rules
// when nobody can answer.
#include <filesystem>

#include <gtest/gtest.h>

#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/set_contents.h"

namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

class CliCheck : public brim_test::StoreHome {
protected:
    CliCheck() {
        src = home.dir().path() / "src";
        dest = home.dir().path() / "dest";
        fs::create_directories(src);
        fs::create_directories(dest);
        write_bytes(src / "a", "alpha");
        write_bytes(home.dir().path() / "pw", "sesame\n");
        write_bytes(home.dir().path() / "wrong", "other\n");
    }

    brim_test::CliResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"60", BRIM_CLI});
        return brim_test::run_cli("/usr/bin/timeout", args);
    }

    // Runs the program on a pseudo-terminal (script(1)) that reads `answers`.
    brim_test::CliResult on_terminal(const std::string& args, const std::string& answers) {
        const std::string command = "printf '" + answers + "' | /usr/bin/script -qec '" + std::string(BRIM_CLI) + " " +
                                    args + "' /dev/null";
        return brim_test::run_cli("/bin/sh", {"-c", command});
    }

    void add_job(const std::string& name, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"job", "add", name, "--kind", "normal", "--dest", dest.string(), "--dir",
                                         src.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto added = cli(args);
        ASSERT_EQ(added.status, 0) << added.output;
    }

    std::string log() { return cli({"log", "--last", "50"}).output; }

    fs::path src, dest;
};

TEST_F(CliCheck, CheckTellsWhatARunWouldFindAndRunAppliesTheUnattendedRules) {
    struct Case {
        const char* name;
        std::string set;  // what lies at the archive path; empty: nothing
        int check_status;
        const char* words;
        int run_status;
        const char* logged;  // the entry the run's check leaves, if any
    };
    const std::string newer = std::string("\xEC\x89\x6D\x1F\x00\x03\x00\x00\x00\x00\x00\x00", 12) + std::string(40, 'x');
    const Case cases[] = {
        {"nothing", "", 0, "ready for the backup", 0, nullptr},
        {"foreign", "just some text, no set", 4, "created by another application", 0,
         "was not blank and was created by another application"},
        {"newer", newer, 10, "too low", 5, "higher then the current"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        add_job(c.name);
        const fs::path archive = dest / (std::string(c.name) + ".bvf");
        if (!c.set.empty()) write_bytes(archive, c.set);
        const auto checked = cli({"check", c.name});
        EXPECT_EQ(checked.status, c.check_status) << checked.output;
        EXPECT_NE(checked.output.find(c.words), std::string::npos) << checked.output;

        const auto ran = cli({"run", c.name});
        EXPECT_EQ(ran.status, c.run_status) << ran.output;
        if (c.logged != nullptr) {
            EXPECT_NE(log().find(c.logged), std::string::npos) << log();
        }
        if (c.run_status != 0) {
            EXPECT_EQ(read_bytes(archive), c.set) << "a refused run left the file alone";
        }
    }
}

TEST_F(CliCheck, ARunOnATerminalAsksBeforeClearingOrReplacing) {
    add_job("Daily");
    ASSERT_EQ(cli({"run", "Daily"}).status, 0);
    const fs::path archive = dest / "Daily.bvf";

    // Replacing its own set, answered no: the job turns to appending and runs.
    auto ran = on_terminal("run Daily --quiet", "n\\n");
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_NE(ran.output.find("append mode"), std::string::npos) << ran.output;
    EXPECT_NE(cli({"job", "show", "Daily"}).output.find("append:      yes"), std::string::npos);
    EXPECT_NE(cli({"list", "Daily", "--runs-only"}).output.find("run 2"), std::string::npos);

    // A foreign file, answered no, is left alone; answered yes, it is cleared.
    write_bytes(archive, "someone else's file");
    ran = on_terminal("run Daily --quiet", "n\\n");
    EXPECT_EQ(ran.status, 5) << ran.output;
    EXPECT_EQ(read_bytes(archive), "someone else's file");
    ran = on_terminal("run Daily --quiet", "y\\n");
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_NE(log().find("was not blank and was created by another application"), std::string::npos);
    EXPECT_EQ(cli({"check", "Daily"}).status, 0);
}

TEST_F(CliCheck, AGivenPasswordIsCheckedEvenWhenTheJobRemembersOne) {
    add_job("Safe", {"--cipher", "rijndael", "--password-file", (home.dir().path() / "pw").string()});
    ASSERT_EQ(cli({"run", "Safe"}).status, 0);
    const auto wrong = cli({"run", "Safe", "--password-file", (home.dir().path() / "wrong").string()});
    EXPECT_EQ(wrong.status, 77) << wrong.output;
    EXPECT_NE(wrong.output.find("the password is not right"), std::string::npos);
    const auto right = cli({"run", "Safe", "--password-file", (home.dir().path() / "pw").string()});
    EXPECT_EQ(right.status, 0) << right.output;
}

}  // namespace

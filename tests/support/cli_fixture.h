#pragma once
// The fixture of end-to-end tests that add jobs and run them through
// brimvault-cli: a temporary home (StoreHome), a source folder and a
// destination below it, and the program run under a time limit.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"

namespace brim_test {

class CliJobs : public StoreHome {
protected:
    CliJobs() : root(home.dir().path()), src(root / "src"), dest(root / "dest") {}

    // A run that hangs ends as status 124 instead of stopping the suite.
    CliResult cli(std::vector<std::string> args, const std::string& interrupt_on = {}) {
        args.insert(args.begin(), {"120", BRIM_CLI});
        return run_cli("/usr/bin/timeout", args, interrupt_on);
    }

    // Adds a job of `kind` backing up `src` into `dest`.
    void add_job(const std::string& name, const std::string& kind, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"job", "add", name, "--kind", kind, "--dest", dest.string(), "--dir", src.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto added = cli(args);
        ASSERT_EQ(added.status, 0) << added.output;
    }

    // Runs a job, which must succeed.
    void run(const std::string& name) {
        const auto ran = cli({"run", name});
        ASSERT_EQ(ran.status, 0) << ran.output;
    }

    std::filesystem::path root, src, dest;
};

}  // namespace brim_test

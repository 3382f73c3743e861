// The staging folders of jobs whose sets lie on an FTP server.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/engine/ftp_destination.h"
#include "core/jobs/system_info.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/file_tree.h"

namespace brim {
namespace {

namespace fs = std::filesystem;

// The id of a process that has ended.
std::string ended_process() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return std::to_string(child);
}

class StagingFolders : public brim_test::StoreHome {};

// Each reading gets a folder of its own, named with the process; making
// one removes the readings that ended processes left behind (a crash),
// and never a folder of a running process or a run's folder.
TEST_F(StagingFolders, AReadingRemovesOnlyTheLeftOversOfProcessesThatAreGone) {
    const fs::path staging(narrow(SystemInfo::staging_path()));
    const std::string self = std::to_string(::getpid());
    const std::string gone = ended_process();
    struct Folder {
        std::string name;
        bool stays;
    };
    const Folder folders[] = {
        {"7-read-" + gone + "-1", false},  {"7-check-" + gone + "-12", false}, {"7-read-" + self + "-1", true},
        {"7-backup", true},                {"7-read-1", true},  // another build's naming: not ours to judge
        {"notes-" + gone + "-1", true},
    };
    for (const Folder& folder : folders) {
        fs::create_directories(staging / folder.name);
        brim_test::write_bytes(staging / folder.name / "Set.bvf", "staged");
    }
    BackupItem job;
    job.id = 7;
    const fs::path made(narrow(staging_folder(job, u"read")));
    EXPECT_NE(made.filename().string().find("7-read-" + self + "-"), std::string::npos) << made;
    for (const Folder& folder : folders) EXPECT_EQ(fs::exists(staging / folder.name), folder.stays) << folder.name;
}

}  // namespace
}  // namespace brim

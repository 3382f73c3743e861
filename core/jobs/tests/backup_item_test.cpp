#include "core/jobs/backup_item.h"

#include <gtest/gtest.h>

namespace brim {
namespace {

TEST(BackupItem, ArchiveFileByKind) {
    struct Case {
        BackupKind kind;
        const char16_t* name;
        const char16_t* expected;
    };
    const Case cases[] = {
        {BackupKind::copy, u"Daily", u"/backup/Daily.bvd"},
        {BackupKind::increment_copy, u"Daily", u"/backup/Daily.bvd"},
        {BackupKind::merge_copy, u"Daily", u"/backup/Daily.bvd"},
        {BackupKind::normal, u"Daily", u"/backup/Daily.bvf"},
        {BackupKind::directory_copy, u"Daily", u"/backup/Daily.bvf"},
        {BackupKind::none, u"Daily", u"/backup/Daily.bvf"},
        {BackupKind::normal, u"v1.2", u"/backup/v1.bvf"},  // a dot in the name loses what follows it
    };
    for (const auto& c : cases) {
        BackupItem job;
        job.destination = u"/backup";
        job.name = c.name;
        job.kind = c.kind;
        EXPECT_EQ(job.archive_file(), c.expected);
    }
}

TEST(BackupItem, SourcesAsText) {
    BackupItem job;
    EXPECT_EQ(job.source_to_string(), u"");
    job.sources = {{u"/a", SourceType::directory, true}, {u"/b", SourceType::file, false}};
    EXPECT_EQ(job.source_to_string(), u"/a;/b");
}

TEST(BackupItem, AppendModeNeedsKindNormalKeepSetAndNewArch) {
    struct Case {
        BackupKind kind;
        std::uint32_t options;
        std::int32_t append_mode;
        bool expected;
    };
    const Case cases[] = {
        {BackupKind::normal, job_option::keep_set, 1, true},
        {BackupKind::increment, job_option::keep_set, 1, false},
        {BackupKind::normal, 0, 1, false},
        {BackupKind::normal, job_option::keep_set, 0, false},
    };
    for (const auto& c : cases) {
        BackupItem job;
        job.kind = c.kind;
        job.options = c.options;
        job.append_mode = c.append_mode;
        EXPECT_EQ(job.is_append_mode(), c.expected);
    }
}

TEST(BackupKind, NamesAndPrefixReading) {
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(backup_kind_from_name(backup_kind_name(static_cast<BackupKind>(k))), static_cast<BackupKind>(k));
    EXPECT_EQ(backup_kind_from_name(u"incr"), BackupKind::increment);  // a prefix reads as the first name it starts
    EXPECT_EQ(backup_kind_from_name(u"merge"), BackupKind::merge_copy);
    EXPECT_EQ(backup_kind_from_name(u"tape"), BackupKind::none);
    EXPECT_EQ(backup_kind_from_name(u"copyx"), BackupKind::none);
}

}  // namespace
}  // namespace brim

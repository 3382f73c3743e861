#include "core/engine/copy_data_coll.h"

#include "basekit/path.h"
#include "basekit/platform/os_system.h"
#include "core/jobs/system_info.h"

namespace brim {
namespace {

constexpr char16_t ftp_scheme[] = u"ftp://";
constexpr char16_t unknown_host[] = u"localhost";

// The source's path below its root: leading separators dropped, and for an
// FTP path the scheme, so that the server's name comes first.
bk::String below_root(bk::StringView path) {
    bk::StringView rest = path;
    if (rest.starts_with(ftp_scheme)) rest.remove_prefix(std::char_traits<char16_t>::length(ftp_scheme));
    while (!rest.empty() && bk::Path::is_separator(rest.front())) rest.remove_prefix(1);
    return bk::String(rest);
}

// The last name of a path, ignoring trailing separators.
bk::String last_name(bk::StringView path) {
    bk::StringView trimmed = path;
    while (trimmed.size() > 1 && bk::Path::is_separator(trimmed.back())) trimmed.remove_suffix(1);
    return bk::Path::file_name(trimmed);
}

void assign_targets(DataHeader& directory) {
    for (const auto& sub : directory.directories()) {
        sub->target_path = bk::Path::combine(directory.target_path, last_name(sub->name()));
        assign_targets(*sub);
    }
    for (const auto& file : directory.files())
        file->target_path = bk::Path::combine(directory.target_path, file->name());
}

}  // namespace

bk::String top_level_target(bk::StringView target, bk::StringView source_path, TargetRule rule) {
    if (rule == TargetRule::under_target) {
        const bk::String name = last_name(source_path);
        return name.empty() || name == source_path ? bk::String(target) : bk::Path::combine(target, name);
    }
    bk::String host = bk::os::host_name();
    if (host.empty()) host = unknown_host;
    const bk::String rest = below_root(source_path);
    const bk::String machine = bk::Path::combine(target, host);
    return rest.empty() ? machine : bk::Path::combine(machine, rest);
}

CopyDataColl::CopyDataColl(const BackupItem& job, ScanEvents& events, bk::String target, TargetRule rule)
    : BackupDataColl(job, events), target_(std::move(target)), rule_(rule) {}

std::uint64_t CopyDataColl::estimated_bytes(const DataHeader& file) const {
    if (source_cluster_ == 0) return file.size;
    return (file.size + source_cluster_ - 1) / source_cluster_ * source_cluster_;
}

void CopyDataColl::before_source(const SourceData& source) {
    const bool local = source.type == SourceType::directory || source.type == SourceType::file;
    source_cluster_ = local ? SystemInfo::cluster_size(source.path) : 0;
    directories_before_ = root().directories().size();
    files_before_ = root().files().size();
}

// The items this source added to the root get their targets, and their
// subtrees below them.
void CopyDataColl::after_source(const SourceData&) {
    const auto& directories = root().directories();
    for (std::size_t i = directories_before_; i < directories.size(); ++i) {
        directories[i]->target_path = top_level_target(target_, directories[i]->name(), rule_);
        assign_targets(*directories[i]);
    }
    const auto& files = root().files();
    for (std::size_t i = files_before_; i < files.size(); ++i)
        files[i]->target_path = top_level_target(target_, files[i]->name(), rule_);
}

IncrementalCopyDataColl::IncrementalCopyDataColl(const BackupItem& job, ScanEvents& events, bk::String target,
                                                 TargetRule rule, RecordedFiles recorded)
    : CopyDataColl(job, events, std::move(target), rule), recorded_(std::move(recorded)) {}

bool IncrementalCopyDataColl::take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size) {
    return changed_since(recorded_, full_path, modified, size, true);
}

MergeDataColl::MergeDataColl(const BackupItem& job, ScanEvents& events, bk::String target, TargetRule rule,
                             RecordedFiles recorded)
    : CopyDataColl(job, events, std::move(target), rule), recorded_(std::move(recorded)) {}

bool MergeDataColl::take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size) {
    if (changed_since(recorded_, full_path, modified, size, true)) changed_.insert(full_path);
    return true;
}

}  // namespace brim

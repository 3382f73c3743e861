#include "core/engine/ftp_destination.h"

#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_server_connections.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_no_logon_entry = 531;
constexpr std::uint32_t msg_kind_not_on_ftp = 532;

}  // namespace

bool kind_writes_to_ftp(BackupKind kind) { return kind == BackupKind::directory_copy; }

std::optional<bk::String> ftp_destination_fault(const BackupItem& job) {
    if (!is_ftp_path(job.destination)) return std::nullopt;
    if (!kind_writes_to_ftp(job.kind)) return bk::format_text(core_string(msg_kind_not_on_ftp), {job.destination});
    if (!names_any_server(job.ftp_servers, job.destination))
        return bk::format_text(core_string(msg_no_logon_entry), {job.destination});
    return std::nullopt;
}

}  // namespace brim
